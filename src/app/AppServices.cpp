#include "AppServices.h"

#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"

#include <QNetworkAccessManager>

namespace {

// A supplier whose connector this build does not have yet: every search fails with
// a plain explanation instead of pretending the supplier had nothing.
class UnavailableConnector final : public SupplierSearchProviding, public PortalOfferSearching {
public:
    explicit UnavailableConnector(const SupplierDescriptor& descriptor)
        : m_descriptor(descriptor) {}

    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString) override { throw unavailable(); }
    QCoro::Task<QList<SupplierOffer>> search(QString, QString) override { throw unavailable(); }

private:
    static PlainUserFacingError unavailable() {
        return PlainUserFacingError(
            QStringLiteral("Поиск у этого поставщика пока не поддерживается этой версией Orelia."));
    }

    const SupplierDescriptor& m_descriptor;
};

class ProductConnectorFactory final : public SearchConnectorFactory {
public:
    explicit ProductConnectorFactory(AutoEuroClient& autoEuro)
        : m_autoEuro(autoEuro) {}

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<AutoEuroProvider>(m_autoEuro);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autopiter());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autoliga());
    }

private:
    AutoEuroClient& m_autoEuro;
};

std::unique_ptr<CredentialStore> makeCredentialStore(bool inMemory) {
    if (inMemory)
        return std::make_unique<MemoryCredentialStore>();
    return std::make_unique<KeychainCredentialStore>();
}

} // namespace

AppServices::AppServices(const Options& options)
    : m_endpoints(options.endpoints.value_or(ServiceEndpoints::fromEnvironment()))
    , m_network(std::make_unique<QNetworkAccessManager>())
    , m_credentials(makeCredentialStore(options.memoryCredentials))
    , m_memoryCredentials(options.memoryCredentials ? static_cast<MemoryCredentialStore*>(m_credentials.get())
                                                    : nullptr)
    , m_autoEuro(std::make_unique<AutoEuroClient>(*m_network, *m_credentials, m_endpoints))
    , m_userDefaults(options.settingsFile.isEmpty() ? std::make_unique<UserDefaults>(options.settingsApplication)
                                                    : UserDefaults::atPath(options.settingsFile))
    , m_preferences(std::make_unique<SupplierPreferences>(*m_userDefaults))
    , m_connectors(std::make_unique<ProductConnectorFactory>(*m_autoEuro)) {}

AppServices::~AppServices() = default;
