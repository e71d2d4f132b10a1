#pragma once

#include "cart/CartFreshness.h"
#include "cart/CartItem.h"
#include "offertable/CopiedNumber.h"

#include <QCoroTask>
#include <QDialog>
#include <QHash>

#include <functional>
#include <optional>

class CartStore;
class Decimal;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

// The cart as a sheet over the window: the lines by supplier, quantities, removal, totals, and
// the re-check of one supplier's lines at a time with a verdict next to every line.
class CartSheet : public QDialog {
    Q_OBJECT

public:
    // Asks the supplier of a group about its lines (the freshness checker).
    using CheckFunction = std::function<QCoro::Task<PFCartFreshnessMap>(SupplierCartGroup)>;

    CartSheet(CartStore& cart, CheckFunction check, QWidget* parent = nullptr);

    // The supplier whose lines are being checked; empty while none is.
    QString checkingSupplierID() const { return m_checkingSupplierID.value_or(QString()); }
    PFCartFreshnessMap verdicts(const QString& supplierID) const { return m_freshness.value(supplierID); }
    QString failure(const QString& supplierID) const { return m_failures.value(supplierID); }

    // Starts the check of one supplier's lines; ignored while another check runs.
    void checkSupplier(const QString& supplierID);

    // Shown in the sheet's own line at the bottom; the clipboard gets the value.
    void copyValue(const QString& value);
    QString lastCopied() const { return m_lastCopied; }
    // The decimal mark copied amounts take (CopiedNumber); the locale's until set.
    void setCopyDecimalMark(QChar mark) {
        m_copyMark = mark;
        rebuild();
    }

    static QColor verdictColor(const QString& status, const QPalette& palette);

private:
    QCoro::Task<> runCheck(SupplierCartGroup group);
    void rebuild();
    QWidget* makeSection(const SupplierCartGroup& group);
    QWidget* makeLine(const CartItem& item, const std::optional<PFCartFreshness>& verdict);
    // An amount as the table writes money; a click copies it as a number.
    QLabel* moneyLabel(const Decimal& amount, QWidget* parent);

    CartStore& m_cart;
    CheckFunction m_check;
    std::optional<QString> m_checkingSupplierID;
    QHash<QString, PFCartFreshnessMap> m_freshness;
    QHash<QString, QString> m_failures;
    QString m_lastCopied;
    QChar m_copyMark = CopiedNumber::decimalMark(false);

    QLabel* m_count = nullptr;
    QLabel* m_notice = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_sections = nullptr;
    QLabel* m_copied = nullptr;
};
