#pragma once

#include "core/SupplierAccount.h"
#include "core/SupplierSearchProviding.h"

#include <QStringList>

#include <memory>
#include <vector>

// A portal search whose brand-independent part (session, sign-in) is already under way; the
// search request goes out once the brand is known. Whatever failed before is thrown by search().
class PreparedPortalSearch {
public:
    virtual ~PreparedPortalSearch() = default;
    // Once per prepared search.
    virtual QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) = 0;
};

// The Autoliga portal search: like a provider, but it is also given the brand the
// other suppliers agreed on (possibly empty).
class PortalOfferSearching {
public:
    virtual ~PortalOfferSearching() = default;
    virtual QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) = 0;
    // Starts what does not need the brand, so that it runs while the other suppliers answer.
    // The portal object must outlive the prepared search. By default nothing starts early.
    virtual std::unique_ptr<PreparedPortalSearch> prepare() { return std::make_unique<Deferred>(*this); }
    // How long a search gives the portal once the brand is known.
    virtual std::chrono::milliseconds searchBudget() const { return std::chrono::seconds(60); }

private:
    class Deferred final : public PreparedPortalSearch {
    public:
        explicit Deferred(PortalOfferSearching& portal)
            : m_portal(portal) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            return m_portal.search(std::move(article), std::move(brand));
        }

    private:
        PortalOfferSearching& m_portal;
    };
};

// Builds the connectors of one search; the view model asks for new ones every time.
class SearchConnectorFactory {
public:
    virtual ~SearchConnectorFactory() = default;
    virtual std::unique_ptr<SupplierSearchProviding> makeAutoEuro() = 0;
    virtual std::unique_ptr<SupplierSearchProviding> makeAutopiter() = 0;
    virtual std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() = 0;
    // The providers of the suppliers the buyer added, one per account and in their order, each
    // with the account's id and name. By default there are none.
    virtual std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeAccountProviders(const QList<SupplierAccount>& accounts) {
        Q_UNUSED(accounts);
        return {};
    }
    // Those of the given suppliers that have nothing stored to sign in with (the window's
    // first-run state). Never throws; by default every supplier has its credentials.
    virtual QCoro::Task<QStringList> withoutCredentials(QStringList supplierIDs) {
        Q_UNUSED(supplierIDs);
        co_return QStringList();
    }
};
