#pragma once

#include "cart/CartItem.h"
#include "cart/CartVerdicts.h"

#include <QFrame>
#include <QLabel>

#include <functional>
#include <optional>

class QSpinBox;

// A value that copies itself when clicked, as the table's cells do.
class CopyLabel : public QLabel {
public:
    CopyLabel(const QString& text, std::function<void()> onCopy, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void()> m_onCopy;
};

// One cart line in the cart sheet: what it is, its terms and stock, the prices, the quantity
// (typed, or stepped with − and +), removal, and the last verdict with the time of the check.
class CartLineView : public QFrame {
    Q_OBJECT

public:
    // `copyMark`: the decimal mark copied amounts take.
    CartLineView(const CartItem& item, const std::optional<CartVerdicts::Verdict>& verdict, QChar copyMark,
                 QWidget* parent);

    // A note under the line ("Не больше остатка у поставщика: 18 шт.").
    void showNote(const QString& note);
    QSpinBox* quantityBox() const { return m_quantity; }

    // "205,83 руб.": the table's money form.
    static QString money(const Decimal& amount);
    // An amount as the table writes money; a click asks to copy it as a number with `copyMark`.
    static CopyLabel* moneyLabel(const Decimal& amount, QChar copyMark, std::function<void(const QString&)> copy,
                                 QWidget* parent);
    // Whether a verdict takes the line out of the total.
    static bool isUnavailable(const std::optional<CartVerdicts::Verdict>& verdict);

Q_SIGNALS:
    void copyRequested(const QString& value);
    void quantityEntered(const QString& lineID, std::int64_t quantity);
    void stepRequested(const QString& lineID, int step);
    void removeRequested(const QString& lineID);
    void acceptRequested(const QString& lineID);

private:
    QSpinBox* m_quantity = nullptr;
    QLabel* m_note = nullptr;
};

// Where a removed line stood, until the pointer leaves the sheet and the undo time is up:
// "Удалено: KNECHT OC 90 — Вернуть" on the first line of a removal, blank on the others.
class CartRemovedLineView : public QFrame {
    Q_OBJECT

public:
    CartRemovedLineView(const QString& text, int height, QWidget* parent);

Q_SIGNALS:
    void undoRequested();
};
