#pragma once

#include "core/SupplierOffer.h"
#include "core/SupplierSearchProviding.h"
#include "core/UserFacingError.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <utility>

// The outcome of asking one supplier: its offers, or a ready-made failure text
// ("AutoEuro: …"), or both when only some of its requests were answered. A supplier that
// was not asked has no result at all.
class SupplierSearchResult {
public:
    using Operation = std::function<QCoro::Task<QList<SupplierOffer>>()>;
    using ReportReader = std::function<SupplierSearchReport()>;

    // Runs one supplier's operation, times and logs it; never throws. When `report` says that
    // some of the supplier's requests failed, or some were left unasked or some offers unkept,
    // the offers come with a text that says so. Once `abandoned` says so, the result is no longer
    // wanted and nothing more is logged for it. A supplier still busy when its `budget` is spent
    // fails with "<name>: не ответил за N с"; whatever it answers later is dropped.
    static QCoro::Task<SupplierSearchResult> ask(QString name, Operation operation, ReportReader report = {},
                                                 std::function<bool()> abandoned = {},
                                                 std::chrono::milliseconds budget = std::chrono::milliseconds(0));
    // Operations started by ask() that have not ended yet, those past their budget included.
    static int operationsUnderWay();
    // "не ответил за 45 с".
    static QString outOfTimeText(std::chrono::milliseconds budget);

    static SupplierSearchResult success(QList<SupplierOffer> offers) {
        return SupplierSearchResult(std::move(offers), {});
    }
    static SupplierSearchResult failure(QString text, UserFacingError::Cause cause = UserFacingError::Cause::other) {
        SupplierSearchResult result({}, std::move(text), false);
        result.m_cause = cause;
        return result;
    }
    // Offers of the requests that were answered, and the text that says some were not.
    static SupplierSearchResult partial(QList<SupplierOffer> offers, QString text) {
        return SupplierSearchResult(std::move(offers), std::move(text));
    }

    bool isSuccess() const { return m_success; }
    // Empty for a failure.
    const QList<SupplierOffer>& offers() const { return m_offers; }
    // Hands the offers over, leaving none.
    QList<SupplierOffer> takeOffers() { return std::exchange(m_offers, {}); }
    // Empty for a complete success.
    QString failureText() const { return m_failure; }
    // What kind of failure ended the supplier's search; `other` for a success.
    UserFacingError::Cause failureCause() const { return m_cause; }

private:
    SupplierSearchResult(QList<SupplierOffer> offers, QString failure, bool success = true)
        : m_offers(std::move(offers))
        , m_failure(std::move(failure))
        , m_success(success) {}

    QList<SupplierOffer> m_offers;
    QString m_failure;
    bool m_success;
    UserFacingError::Cause m_cause = UserFacingError::Cause::other;
};
