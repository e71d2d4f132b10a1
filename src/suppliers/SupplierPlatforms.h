#pragma once

#include "SupplierPlatform.h"

class CredentialStore;
class QNetworkAccessManager;
class TradeSoftHTTPAPI;

// Every platform this build speaks, and the accounts' way to theirs. A new platform is one line in
// the constructor.
class SupplierPlatforms {
public:
    struct Services {
        QNetworkAccessManager& network;
        CredentialStore& credentials;
        const ServiceEndpoints& endpoints;
        TradeSoftHTTPAPI& tradeSoft;
    };

    explicit SupplierPlatforms(const Services& services);
    ~SupplierPlatforms();
    SupplierPlatforms(const SupplierPlatforms&) = delete;
    SupplierPlatforms& operator=(const SupplierPlatforms&) = delete;

    const std::vector<std::unique_ptr<SupplierPlatform>>& all() const { return m_platforms; }
    // Nullptr for a platform this build does not speak (an account kept from a newer version).
    SupplierPlatform* find(QStringView platformID) const;
    SupplierPlatform* of(const SupplierAccount& account) const { return find(account.platform); }

    // One provider per account, in their order; those of one platform made together, so that they
    // may share requests. An account of an unknown platform gets one that fails saying so.
    std::vector<std::unique_ptr<SupplierSearchProviding>> makeProviders(const QList<SupplierAccount>& accounts);
    // The platform's descriptor; for an unknown platform the account's name and no credentials.
    SupplierDescriptor descriptor(const SupplierAccount& account) const;
    // Said of an account whose platform this build does not speak.
    static QString unknownPlatformText(const SupplierAccount& account);

    void setTimeout(ServiceEndpoints::Service service, std::chrono::milliseconds timeout);

private:
    std::vector<std::unique_ptr<SupplierPlatform>> m_platforms;
};
