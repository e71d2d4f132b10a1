#pragma once

#include "core/SupplierSearchProviding.h"

#include <QDateTime>

#include <optional>

class AutoEuroClient;
struct AutoEuroOffer;

// AutoEuro as a search provider: the brands that carry the article, then every
// brand's offers at the Chelyabinsk delivery point, each turned into a SupplierOffer.
class AutoEuroProvider final : public SupplierSearchProviding, public SupplierConnectionChecking {
public:
    explicit AutoEuroProvider(AutoEuroClient& client);

    const SupplierDescriptor& descriptor() const override;
    // Fails when the brand or the delivery-point lookup fails, or when every brand's offers
    // request fails (with the first brand's error); a brand whose offers cannot be fetched
    // while others answer contributes nothing, and lastSearchReport() says so.
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    SupplierSearchReport lastSearchReport() const override { return m_report; }
    std::chrono::milliseconds searchBudget() const override;
    QCoro::Task<void> checkConnection() override;

    // Nothing for a row without a usable offer key or without a positive price. A negative
    // stock, a package quantity below 1 and a refusal rate outside 0..100 are left absent.
    static std::optional<SupplierOffer> normalize(const AutoEuroOffer& offer, const QString& supplierName,
                                                  const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    AutoEuroClient& m_client;
    SupplierSearchReport m_report;
};
