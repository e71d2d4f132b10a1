#pragma once

#include "CartFreshness.h"
#include "CartItem.h"

#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

class CartStore;

// The last re-check of every cart line, for as long as the program runs: a verdict belongs to
// its line, not to the cart sheet, so closing the sheet loses nothing and a check still under
// way delivers into it. One check at a time. The buyer's answers to a verdict (take the new
// terms, drop the unavailable lines) go to the cart from here; the check itself never changes it.
class CartVerdicts : public QObject {
    Q_OBJECT

public:
    // Asks the supplier of a group about its lines (the freshness checker).
    using CheckFunction = std::function<QCoro::Task<PFCartFreshnessMap>(SupplierCartGroup)>;

    struct Verdict {
        PFCartFreshness freshness;
        QDateTime checkedAt;
        // The line as it was checked.
        CartItem line;
    };

    CartVerdicts(CartStore& cart, CheckFunction check, QObject* parent = nullptr);

    // The verdict of the line as it stands: none when it was never checked, or when its terms
    // changed since (here or in another process). A changed quantity keeps it.
    std::optional<Verdict> verdict(const CartItem& line) const;
    QString failure(const QString& supplierID) const { return m_failures.value(supplierID); }
    // The supplier whose lines are being checked; empty while none is.
    QString checkingSupplierID() const { return m_checking.value_or(QString()); }

    // Starts the check of one supplier's lines (its earlier verdicts and failure go); ignored
    // while another check runs.
    void check(const QString& supplierID);
    // The supplier's new terms into a line the check found changed; the line is then current.
    bool acceptNewTerms(const QString& lineID);
    // Every line of the supplier whose verdict says it is gone for good.
    QList<CartItem> unavailableLines(const QString& supplierID) const;
    QList<CartItem> changedLines(const QString& supplierID) const;

    static bool isUnavailable(const QString& status);
    static bool isChanged(const QString& status);

Q_SIGNALS:
    void changed();

private:
    QCoro::Task<> run(SupplierCartGroup group);
    static bool sameTerms(const CartItem& a, const CartItem& b);

    CartStore& m_cart;
    CheckFunction m_check;
    std::optional<QString> m_checking;
    QHash<QString, Verdict> m_verdicts;
    QHash<QString, QString> m_failures;
};
