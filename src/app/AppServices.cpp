#include "AppServices.h"

#include "cart/CartStore.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"

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
    ProductConnectorFactory(AutoEuroClient& autoEuro, CredentialStore& credentials, const ServiceEndpoints& endpoints,
                            AutoligaPortalSearchContext& portalContext)
        : m_autoEuro(autoEuro)
        , m_credentials(credentials)
        , m_endpoints(endpoints)
        , m_portalContext(portalContext) {}

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<AutoEuroProvider>(m_autoEuro);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autopiter());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<AutoligaPortalSearch>(m_credentials, m_endpoints, m_portalContext);
    }

private:
    AutoEuroClient& m_autoEuro;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    AutoligaPortalSearchContext& m_portalContext;
};

std::unique_ptr<SandboxServer> startDemoSandbox(const AppServices::Options& options) {
    if (!options.demo)
        return nullptr;
    auto sandbox = std::make_unique<SandboxServer>();
    SandboxOptions sandboxOptions;
    for (const auto service : {ServiceEndpoints::Service::autoEuro, ServiceEndpoints::Service::autopiter,
                               ServiceEndpoints::Service::tradeSoft, ServiceEndpoints::Service::autoligaPortal,
                               ServiceEndpoints::Service::feedback}) {
        SandboxBehaviour behaviour;
        behaviour.latencyMs = options.demoLatencyMs;
        sandboxOptions.behaviour.insert(service, behaviour);
    }
    if (!sandbox->start(sandboxOptions)) {
        // Without it every supplier reports that its address cannot be formed; the demo still opens.
        qWarning("Orelia: the demo suppliers could not be started on 127.0.0.1");
        return nullptr;
    }
    return sandbox;
}

} // namespace

AppServices::AppServices(const Options& options)
    : m_demo(options.demo)
    , m_sandbox(startDemoSandbox(options))
    , m_endpoints(m_sandbox ? m_sandbox->endpoints()
                  : m_demo  ? ServiceEndpoints()
                            : options.endpoints.value_or(ServiceEndpoints::fromEnvironment()))
    , m_network(std::make_unique<QNetworkAccessManager>()) {
    if (options.memoryCredentials || m_demo) {
        auto memory = std::make_unique<MemoryCredentialStore>();
        m_memoryCredentials = memory.get();
        m_credentials = std::move(memory);
    } else {
        m_credentials = std::make_unique<KeychainCredentialStore>();
    }
    if (m_demo) {
        const QList<std::pair<const char16_t*, const char16_t*>> demoAccounts = {
            {CredentialAccounts::autoEuroAPIKey, SandboxServer::autoEuroAPIKey},
            {CredentialAccounts::tradeSoftUser, SandboxServer::tradeSoftUser},
            {CredentialAccounts::tradeSoftPassword, SandboxServer::tradeSoftPassword},
            {CredentialAccounts::autoligaLogin, SandboxServer::autoligaLogin},
            {CredentialAccounts::autoligaPassword, SandboxServer::autoligaPassword},
        };
        for (const auto& [account, secret] : demoAccounts)
            m_memoryCredentials->set(QString::fromUtf16(account), QString::fromUtf16(secret));
    }
    m_autoEuro = std::make_unique<AutoEuroClient>(*m_network, *m_credentials, m_endpoints);
    m_tradeSoft = std::make_unique<TradeSoftHTTPAPI>(*m_network, *m_credentials, m_endpoints);
    m_autoligaProvider = std::make_unique<AutoligaProvider>(*m_tradeSoft);
    const QString scope = m_demo ? QStringLiteral("Orelia Demo") : options.settingsApplication;
    m_userDefaults = options.settingsFile.isEmpty() ? std::make_unique<UserDefaults>(scope)
                                                    : UserDefaults::atPath(options.settingsFile);
    // The demo shows all three suppliers until the user switches one off there.
    if (m_demo && !m_userDefaults->contains(UserDefaultsKeys::autoligaEnabled))
        m_userDefaults->setBool(UserDefaultsKeys::autoligaEnabled, true);
    m_preferences = std::make_unique<SupplierPreferences>(*m_userDefaults);
    m_portalContext = std::make_unique<AutoligaPortalSearchContext>(*m_userDefaults);
    m_connectors =
        std::make_unique<ProductConnectorFactory>(*m_autoEuro, *m_credentials, m_endpoints, *m_portalContext);
    m_cart = std::make_unique<CartStore>(*m_userDefaults);
}

AppServices::~AppServices() = default;
