#pragma once

#include "suppliers/SupplierPlatform.h"

class CredentialStore;
class TradeSoftHTTPAPI;

// Suppliers inside the buyer's TradeSoft account: one TradeSoft login for all of them (the one
// Autoliga's check uses), and each supplier's own login, passed on by TradeSoft. An account is a
// provider id, a name and that login.
class TradeSoftPlatform final : public SupplierPlatform {
public:
    TradeSoftPlatform(TradeSoftHTTPAPI& api, CredentialStore& credentials, const ServiceEndpoints& endpoints);

    QString id() const override { return QStringLiteral("tradesoft"); }
    QString title() const override { return QStringLiteral("TradeSoft"); }
    bool hasProvider() const override { return true; }
    QString summary() const override;
    NewAccount newAccount(const Draft& draft) const override;
    SupplierDescriptor descriptor(const SupplierAccount& account) const override;
    AddressInUse address(const SupplierAccount& account) const override;
    std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeProviders(const QList<SupplierAccount>& accounts) override;
    QCoro::Task<ConnectionChecks::Result> checkConnection(SupplierAccount account) override;
    QCoro::Task<PFCartFreshnessMap> checkCart(SupplierAccount account, QList<CartItem> items) override;
    // getProviderList with the stored TradeSoft login.
    QCoro::Task<QList<ProviderChoice>> providerChoices() override;

private:
    TradeSoftHTTPAPI& m_api;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
};
