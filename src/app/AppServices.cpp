#include "AppServices.h"

#include "cart/CartStore.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "feedback/HTTPFeedbackTransport.h"
#include "net/Http.h"
#include "net/NetworkProxy.h"
#include "sandbox/SandboxCommandLine.h"
#include "sandbox/SandboxServer.h"
#include "search/SupplierSearchResult.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterProvider.h"
#include "suppliers/SupplierPlatforms.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QTimer>

#include <vector>

namespace {

// How long shutting down waits for suppliers still answering to unwind once their exchanges end.
constexpr qint64 kUnwindMs = 5000;

// What each supplier's search signs in with: the portal's account for Автолига.
QStringList searchAccounts(const QString& supplierID) {
    using namespace CredentialAccounts;
    if (supplierID == SupplierDescriptors::autoEuroID)
        return {QString::fromUtf16(autoEuroAPIKey)};
    if (supplierID == SupplierDescriptors::autopiterID)
        return {QString::fromUtf16(autopiterUserID), QString::fromUtf16(autopiterPassword)};
    if (supplierID == SupplierDescriptors::autoligaID)
        return {QString::fromUtf16(autoligaLogin), QString::fromUtf16(autoligaPassword)};
    return {};
}

// Whether the account holds something; a store that cannot be read counts as holding it, so
// that a locked store never passes for a first run.
QCoro::Task<bool> isStored(CredentialStore& store, QString account) {
    try {
        auto read = store.read(account);
        const std::optional<QString> value = co_await std::move(read);
        co_return value && !value->trimmed().isEmpty();
    } catch (const UserFacingError&) {
        co_return true;
    }
}

QCoro::Task<QStringList> suppliersWithoutCredentials(CredentialStore& store, QHash<QString, QStringList> accounts,
                                                     QStringList supplierIDs) {
    // Every read starts now; a system store answers each over D-Bus.
    std::vector<std::pair<QString, QCoro::Task<bool>>> reads;
    for (const QString& id : supplierIDs) {
        for (const QString& account : accounts.contains(id) ? accounts.value(id) : searchAccounts(id))
            reads.emplace_back(id, isStored(store, account));
    }
    QStringList missing;
    for (auto& [id, read] : reads) {
        const bool stored = co_await std::move(read);
        if (!stored && !missing.contains(id))
            missing.append(id);
    }
    co_return missing;
}

class ProductConnectorFactory final : public SearchConnectorFactory {
public:
    ProductConnectorFactory(AutoEuroClient& autoEuro, AutopiterClient& autopiter, CredentialStore& credentials,
                            const ServiceEndpoints& endpoints, AutoligaPortalSearchContext& portalContext,
                            AutoligaPortalSearch::Timeouts portalTimeouts, SupplierPlatforms& platforms,
                            const SupplierAccounts& accounts)
        : m_autoEuro(autoEuro)
        , m_autopiter(autopiter)
        , m_credentials(credentials)
        , m_endpoints(endpoints)
        , m_portalContext(portalContext)
        , m_portalTimeouts(portalTimeouts)
        , m_platforms(platforms)
        , m_accounts(accounts) {}

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<AutoEuroProvider>(m_autoEuro);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<AutopiterProvider>(m_autopiter);
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<AutoligaPortalSearch>(m_credentials, m_endpoints, m_portalContext, m_portalTimeouts);
    }
    std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeAccountProviders(const QList<SupplierAccount>& accounts) override {
        return m_platforms.makeProviders(accounts);
    }
    QCoro::Task<QStringList> withoutCredentials(QStringList supplierIDs) override {
        // An added supplier signs in with what its credential fields name.
        QHash<QString, QStringList> accounts;
        for (const SupplierAccount& account : m_accounts.all()) {
            QStringList names;
            for (const SupplierCredentialField& field : m_platforms.descriptor(account).credentialFields)
                names.append(field.keychainAccount);
            accounts.insert(account.id, names);
        }
        return suppliersWithoutCredentials(m_credentials, std::move(accounts), std::move(supplierIDs));
    }

private:
    AutoEuroClient& m_autoEuro;
    AutopiterClient& m_autopiter;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    AutoligaPortalSearchContext& m_portalContext;
    AutoligaPortalSearch::Timeouts m_portalTimeouts;
    SupplierPlatforms& m_platforms;
    const SupplierAccounts& m_accounts;
};

std::unique_ptr<SandboxServer> startDemoSandbox(const AppServices::Options& options) {
    if (!options.demo)
        return nullptr;
    auto sandbox = std::make_unique<SandboxServer>();
    SandboxOptions sandboxOptions;
    // Offers move a little after they were shown, so that re-checking the cart has something to say.
    sandboxOptions.drift = SandboxDrift::mixed;
    // ORELIA_DEMO_LATENCY_MS: "300" for every supplier, "300,autopiter=8000" for one slower.
    int latency = options.demoLatencyMs;
    QStringList perService;
    for (const QString& part : qEnvironmentVariable("ORELIA_DEMO_LATENCY_MS").split(u',', Qt::SkipEmptyParts)) {
        bool number = false;
        const int ms = part.trimmed().toInt(&number);
        if (number && ms >= 0)
            latency = ms;
        else if (part.contains(u'='))
            perService << QStringLiteral("--latency") << part.trimmed();
    }
    for (const auto service : ServiceEndpoints::allServices) {
        SandboxBehaviour behaviour;
        behaviour.latencyMs = latency;
        sandboxOptions.behaviour.insert(service, behaviour);
    }
    if (!perService.isEmpty()) {
        QString error;
        if (const auto parsed = SandboxCommandLine::parse(perService, &error, sandboxOptions))
            sandboxOptions = *parsed;
        else
            qWarning("Orelia: ORELIA_DEMO_LATENCY_MS: %s", qPrintable(error));
    }
    if (!sandbox->start(sandboxOptions)) {
        // Without it every supplier reports that its address cannot be formed; the demo still opens.
        qWarning("Orelia: the demo suppliers could not be started on 127.0.0.1");
        return nullptr;
    }
    return sandbox;
}

// The simulated services, over every other address: the demo never reaches a real supplier.
ServiceEndpoints demoEndpoints(const SandboxServer* sandbox) {
    ServiceEndpoints endpoints;
    for (const auto service : ServiceEndpoints::allServices)
        endpoints.setOrigin(service, sandbox ? sandbox->origin(service) : QUrl(), ServiceEndpoints::Source::demo);
    return endpoints;
}

} // namespace

AppServices::AppServices(const Options& options)
    : m_demo(options.demo)
    , m_sandbox(startDemoSandbox(options))
    , m_endpoints(m_demo ? demoEndpoints(m_sandbox.get())
                         : options.endpoints.value_or(ServiceEndpoints::fromEnvironment()))
    , m_network(std::make_unique<QNetworkAccessManager>()) {
    NetworkProxy::useSystemSettings();
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
    const QString scope = m_demo ? QStringLiteral("Orelia Demo") : options.settingsApplication;
    m_userDefaults = options.settingsFile.isEmpty() ? std::make_unique<UserDefaults>(scope)
                                                    : UserDefaults::atPath(options.settingsFile);
    // Addresses saved in the suppliers' sheets count from the next request on.
    m_endpoints.setSavedAddresses(m_userDefaults.get());
    m_autoEuro = std::make_unique<AutoEuroClient>(*m_network, *m_credentials, m_endpoints);
    m_autopiter = std::make_unique<AutopiterClient>(*m_credentials, m_endpoints);
    m_tradeSoft = std::make_unique<TradeSoftHTTPAPI>(*m_network, *m_credentials, m_endpoints);
    m_autoligaProvider = std::make_unique<AutoligaProvider>(*m_tradeSoft, m_userDefaults.get());
    m_platforms = std::make_unique<SupplierPlatforms>(
        SupplierPlatforms::Services{*m_network, *m_credentials, m_endpoints, *m_tradeSoft});
    m_feedback = std::make_unique<HTTPFeedbackTransport>(
        *m_network, m_endpoints.url(ServiceEndpoints::Service::feedback, u"v1/feedback"));
    // The demo shows all three suppliers until the user switches one off there.
    if (m_demo && !m_userDefaults->contains(UserDefaultsKeys::autoligaEnabled))
        m_userDefaults->setBool(UserDefaultsKeys::autoligaEnabled, true);
    m_preferences = std::make_unique<SupplierPreferences>(*m_userDefaults);
    // And the two suppliers of the demo's ABCP shop and TradeSoft, until the user removes them there.
    if (m_demo && !m_userDefaults->contains(UserDefaultsKeys::supplierAccounts)) {
        for (const SandboxServer::DemoSupplier& demo : SandboxServer::demoSuppliers()) {
            const auto made = m_platforms->find(demo.platform)->newAccount({demo.name, demo.address, demo.provider});
            if (made.account)
                m_preferences->accounts().add(*made.account, made.numberIfTaken);
        }
    }
    m_portalContext = std::make_unique<AutoligaPortalSearchContext>(*m_userDefaults);
    AutoligaPortalSearch::Timeouts portalTimeouts{AutoligaPortalSearch::requestTimeout,
                                                  AutoligaPortalSearch::resourceTimeout,
                                                  AutoligaPortalSearch::requestTimeout};
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
            portalTimeouts.request = it.value();
            portalTimeouts.resource = 2 * it.value();
            break;
        case S::feedback:
            m_feedback->setTimeout(it.value());
            break;
        case S::abcp:
            break;
        }
        m_platforms->setTimeout(it.key(), it.value());
    }
    for (auto it = options.budgets.cbegin(); it != options.budgets.cend(); ++it) {
        if (it.key() == S::autoEuro)
            m_autoEuro->setSearchBudget(it.value());
        else if (it.key() == S::autopiter)
            m_autopiter->setSearchBudget(it.value());
        else if (it.key() == S::autoligaPortal)
            portalTimeouts.budget = it.value();
    }
    m_connectors = std::make_unique<ProductConnectorFactory>(*m_autoEuro, *m_autopiter, *m_credentials, m_endpoints,
                                                             *m_portalContext, portalTimeouts, *m_platforms,
                                                             m_preferences->accounts());
    m_cart = std::make_unique<CartStore>(*m_userDefaults);
}

AppServices::~AppServices() {
    // A supplier still answering past its budget uses the clients and the network here: its
    // exchanges are ended and it is let unwind while they all still stand.
    QElapsedTimer waited;
    waited.start();
    while (SupplierSearchResult::operationsUnderWay() > 0 && waited.elapsed() < kUnwindMs) {
        Http::abortEveryExchange();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

PFCartFreshnessChecker AppServices::cartFreshnessChecker() {
    return PFCartFreshnessChecker(*m_autoEuro, *m_connectors, *m_autoligaProvider, *m_portalContext,
                                  m_preferences->accounts(), *m_platforms);
}

FeedbackTransport& AppServices::feedbackTransport() {
    return *m_feedback;
}
