#pragma once

#include "cart/CartItem.h"
#include "core/SupplierAppearance.h"
#include "offertable/CopiedNumber.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <optional>

class CartStore;
class CartVerdicts;
class QLabel;
class QStackedWidget;
class QVBoxLayout;

// The cart as a sheet over the window, the buyer's order desk: the lines by supplier with
// typed quantities, the re-check of one supplier's lines at a time with a verdict and the time
// of the check on every line (kept by CartVerdicts, so they outlive the sheet), the supplier's
// new terms taken in one step, the unavailable lines out of the totals, removal that can be
// undone, totals per supplier and of the whole cart, the order copied and the cart exported.
class CartSheet : public QDialog {
    Q_OBJECT

public:
    CartSheet(CartStore& cart, CartVerdicts& verdicts, QWidget* parent = nullptr);

    // The colour of each supplier's name (the suppliers the buyer added have theirs in the settings).
    void setSupplierColors(std::function<SupplierColor(QStringView)> colors) { m_colors = std::move(colors); }

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

    // How long a removal can be undone (it stays longer while the pointer is over the lines).
    static constexpr int undoMilliseconds = 8000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Lines just removed, shown where they stood until the undo time is up and the pointer
    // has left the lines, so nothing moves under it.
    struct Removal {
        int serial = 0;
        QList<std::pair<qsizetype, CartItem>> lines;
        QString text;
        bool expired = false;
    };

    void rebuild();
    QWidget* makeSection(const SupplierCartGroup& group, const QHash<QString, const Removal*>& removed);
    void remove(const QList<CartItem>& lines, const QString& text);
    void undo(int serial);
    void dropExpiredRemovals();
    void setQuantity(const QString& lineID, std::int64_t quantity);
    void exportCart();

    CartStore& m_cart;
    CartVerdicts& m_verdicts;
    std::function<SupplierColor(QStringView)> m_colors = SupplierAppearance::color;
    QList<Removal> m_removals;
    int m_nextSerial = 1;
    QHash<QString, int> m_rowHeights;
    bool m_pointerOverLines = false;
    // Notes under lines ("Не больше остатка…"), until the next change of the line.
    QHash<QString, QString> m_notes;
    QString m_lastCopied;
    QChar m_copyMark = CopiedNumber::decimalMark(false);

    QLabel* m_count = nullptr;
    QLabel* m_total = nullptr;
    QLabel* m_notice = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_sections = nullptr;
    QLabel* m_copied = nullptr;
};
