#pragma once

#include "core/SupplierOffer.h"

#include <QList>
#include <QString>

#include <utility>

// The outcome of asking one supplier: its offers, or a ready-made failure text
// ("AutoEuro: …"), or both when only some of its requests were answered. A supplier that
// was not asked has no result at all.
class SupplierSearchResult {
public:
    static SupplierSearchResult success(QList<SupplierOffer> offers) {
        return SupplierSearchResult(std::move(offers), {});
    }
    static SupplierSearchResult failure(QString text) { return SupplierSearchResult({}, std::move(text), false); }
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

private:
    SupplierSearchResult(QList<SupplierOffer> offers, QString failure, bool success = true)
        : m_offers(std::move(offers))
        , m_failure(std::move(failure))
        , m_success(success) {}

    QList<SupplierOffer> m_offers;
    QString m_failure;
    bool m_success;
};
