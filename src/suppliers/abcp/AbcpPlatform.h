#pragma once

#include "AbcpClient.h"
#include "suppliers/SupplierPlatform.h"

class CredentialStore;

// ABCP: every shop has an API host of its own, and the buyer's login there with the MD5 of the
// password. An account is a name, the shop's API address and those two secrets.
class AbcpPlatform final : public SupplierPlatform {
public:
    AbcpPlatform(QNetworkAccessManager& network, CredentialStore& credentials, const ServiceEndpoints& endpoints);

    QString id() const override { return QStringLiteral("abcp"); }
    QString title() const override { return QStringLiteral("ABCP"); }
    bool hasAddress() const override { return true; }
    QString summary() const override;
    NewAccount newAccount(const Draft& draft) const override;
    SupplierDescriptor descriptor(const SupplierAccount& account) const override;
    AddressInUse address(const SupplierAccount& account) const override;
    std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeProviders(const QList<SupplierAccount>& accounts) override;
    QCoro::Task<ConnectionChecks::Result> checkConnection(SupplierAccount account) override;
    QCoro::Task<PFCartFreshnessMap> checkCart(SupplierAccount account, QList<CartItem> items) override;
    void setTimeout(ServiceEndpoints::Service service, std::chrono::milliseconds timeout) override;

private:
    QNetworkAccessManager& m_network;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    std::chrono::milliseconds m_timeout = AbcpClient::defaultTimeout;
};
