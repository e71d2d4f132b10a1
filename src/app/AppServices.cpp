#include "AppServices.h"

#include "cart/CartStore.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "feedback/HTTPFeedbackTransport.h"
#include "sandbox/SandboxServer.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterProvider.h"

#include <QNetworkAccessManager>

namespace {

class ProductConnectorFactory final : public SearchConnectorFactory {
public:
    ProductConnectorFactory(AutoEuroClient& autoEuro, AutopiterClient& autopiter, CredentialStore& credentials,
                            const ServiceEndpoints& endpoints, AutoligaPortalSearchContext& portalContext,
                            AutoligaPortalSearch::Timeouts portalTimeouts)
        : m_autoEuro(autoEuro)
        , m_autopiter(autopiter)
        , m_credentials(credentials)
        , m_endpoints(endpoints)
        , m_portalContext(portalContext)
        , m_portalTimeouts(portalTimeouts) {}

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<AutoEuroProvider>(m_autoEuro);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<AutopiterProvider>(m_autopiter);
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<AutoligaPortalSearch>(m_credentials, m_endpoints, m_portalContext, m_portalTimeouts);
    }

private:
    AutoEuroClient& m_autoEuro;
    AutopiterClient& m_autopiter;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    AutoligaPortalSearchContext& m_portalContext;
    AutoligaPortalSearch::Timeouts m_portalTimeouts;
};

std::unique_ptr<SandboxServer> startDemoSandbox(const AppServices::Options& options) {
    if (!options.demo)
        return nullptr;
    auto sandbox = std::make_unique<SandboxServer>();
    SandboxOptions sandboxOptions;
    // Offers move a little after they were shown, so that re-checking the cart has something to say.
    sandboxOptions.drift = SandboxDrift::mixed;
    bool latencyGiven = false;
    const int latency = qEnvironmentVariableIntValue("ORELIA_DEMO_LATENCY_MS", &latencyGiven);
    for (const auto service : {ServiceEndpoints::Service::autoEuro, ServiceEndpoints::Service::autopiter,
                               ServiceEndpoints::Service::tradeSoft, ServiceEndpoints::Service::autoligaPortal,
                               ServiceEndpoints::Service::feedback}) {
        SandboxBehaviour behaviour;
        behaviour.latencyMs = latencyGiven && latency >= 0 ? latency : options.demoLatencyMs;
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
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            m_memoryCredentials->set(QString::fromUtf16(account), QString::fromUtf16(secret));
    }
    m_autoEuro = std::make_unique<AutoEuroClient>(*m_network, *m_credentials, m_endpoints);
    m_autopiter = std::make_unique<AutopiterClient>(*m_credentials, m_endpoints);
    m_tradeSoft = std::make_unique<TradeSoftHTTPAPI>(*m_network, *m_credentials, m_endpoints);
    m_autoligaProvider = std::make_unique<AutoligaProvider>(*m_tradeSoft);
    m_feedback = std::make_unique<HTTPFeedbackTransport>(
        *m_network, m_endpoints.url(ServiceEndpoints::Service::feedback, u"v1/feedback"));
    const QString scope = m_demo ? QStringLiteral("Orelia Demo") : options.settingsApplication;
    m_userDefaults = options.settingsFile.isEmpty() ? std::make_unique<UserDefaults>(scope)
                                                    : UserDefaults::atPath(options.settingsFile);
    // The demo shows all three suppliers until the user switches one off there.
    if (m_demo && !m_userDefaults->contains(UserDefaultsKeys::autoligaEnabled))
        m_userDefaults->setBool(UserDefaultsKeys::autoligaEnabled, true);
    m_preferences = std::make_unique<SupplierPreferences>(*m_userDefaults);
    m_portalContext = std::make_unique<AutoligaPortalSearchContext>(*m_userDefaults);
    AutoligaPortalSearch::Timeouts portalTimeouts{AutoligaPortalSearch::requestTimeout,
                                                  AutoligaPortalSearch::resourceTimeout};
    using S = ServiceEndpoints::Service;
    for (auto it = options.timeouts.cbegin(); it != options.timeouts.cend(); ++it) {
        switch (it.key()) {
        case S::autoEuro:
            m_autoEuro->setTimeout(it.value());
            break;
        case S::autopiter:
            m_autopiter->setTimeout(it.value());
            break;
        case S::tradeSoft:
            m_tradeSoft->setTimeout(it.value());
            break;
        case S::autoligaPortal:
            portalTimeouts = {it.value(), 2 * it.value()};
            break;
        case S::feedback:
            m_feedback->setTimeout(it.value());
            break;
        }
    }
    m_connectors = std::make_unique<ProductConnectorFactory>(*m_autoEuro, *m_autopiter, *m_credentials, m_endpoints,
                                                             *m_portalContext, portalTimeouts);
    m_cart = std::make_unique<CartStore>(*m_userDefaults);
}

AppServices::~AppServices() = default;

PFCartFreshnessChecker AppServices::cartFreshnessChecker() {
    return PFCartFreshnessChecker(*m_autoEuro, *m_connectors, *m_autoligaProvider, *m_portalContext);
}

FeedbackTransport& AppServices::feedbackTransport() {
    return *m_feedback;
}
