#pragma once

#include "core/SupplierSearchProviding.h"

#include <memory>

// The Autoliga portal search: like a provider, but it is also given the brand the
// other suppliers agreed on (possibly empty).
class PortalOfferSearching {
public:
    virtual ~PortalOfferSearching() = default;
    virtual QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) = 0;
};

// Builds the connectors of one search; the view model asks for new ones every time.
class SearchConnectorFactory {
public:
    virtual ~SearchConnectorFactory() = default;
    virtual std::unique_ptr<SupplierSearchProviding> makeAutoEuro() = 0;
    virtual std::unique_ptr<SupplierSearchProviding> makeAutopiter() = 0;
    virtual std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() = 0;
};
