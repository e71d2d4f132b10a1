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
    // Fails when the brand or the delivery-point lookup fails; a brand whose offers
    // cannot be fetched just contributes nothing.
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    QCoro::Task<void> checkConnection() override;

    // Nothing for a row without a usable offer key or without a price.
    static std::optional<SupplierOffer> normalize(const AutoEuroOffer& offer, const QString& supplierName,
                                                  const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    AutoEuroClient& m_client;
};
