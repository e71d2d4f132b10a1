#pragma once

#include "net/ServiceEndpoints.h"
#include "search/SearchConnectors.h"

#include <QHash>

#include <chrono>
#include <memory>
#include <optional>

class AutoEuroClient;
class AutopiterClient;
class AutoligaPortalSearchContext;
class AutoligaProvider;
class CartStore;
class PFCartFreshnessChecker;
class CredentialStore;
class FeedbackTransport;
class HTTPFeedbackTransport;
class MemoryCredentialStore;
class QNetworkAccessManager;
class SandboxServer;
class SupplierPlatforms;
class SupplierPreferences;
class TradeSoftHTTPAPI;
class UserDefaults;

// Owns the process-wide services of one entry point (window, CLI or a test) and hands
// out references; nothing reaches for globals.
class AppServices {
public:
    struct Options {
        // "Orelia"; the demo mode always uses "Orelia Demo".
        QString settingsApplication = QStringLiteral("Orelia");
        // When set, settings live in this file instead of the platform's standard place.
        QString settingsFile;
        // Secrets in memory instead of the system's credential store (tests; implied by the demo mode).
        bool memoryCredentials = false;
        // Service addresses; by default the built-in ones as the environment overrides them.
        std::optional<ServiceEndpoints> endpoints;
        // The demo mode: the simulated suppliers in this process on a free loopback port, their
        // accounts in a memory credential store, and settings in their own scope, so nothing
        // the user keeps for real work is read or touched.
        bool demo = false;
        // Simulated answer time of each demo service, so the demo feels like the real thing
        // (ORELIA_DEMO_LATENCY_MS overrides it, for scripts and tests that drive the demo).
        int demoLatencyMs = 600;
        // For the services listed, the silence their connector waits for at most instead of its
        // own (an exchange may take twice as long in all). Tests set it to see a hang end soon.
        QHash<ServiceEndpoints::Service, std::chrono::milliseconds> timeouts;
        // For the suppliers listed, how long one search gives them for all their requests
        // instead of their own request time-out (tests of the deadline).
        QHash<ServiceEndpoints::Service, std::chrono::milliseconds> budgets;
    };

    explicit AppServices(const Options& options);
    ~AppServices();

    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    UserDefaults& userDefaults() { return *m_userDefaults; }
    SupplierPreferences& supplierPreferences() { return *m_preferences; }
    SearchConnectorFactory& searchConnectors() { return *m_connectors; }
    CartStore& cartStore() { return *m_cart; }
    QNetworkAccessManager& network() { return *m_network; }
    CredentialStore& credentialStore() { return *m_credentials; }
    // Nullptr unless secrets are kept in memory.
    MemoryCredentialStore* memoryCredentialStore() { return m_memoryCredentials; }
    ServiceEndpoints& endpoints() { return m_endpoints; }
    AutoEuroClient& autoEuroClient() { return *m_autoEuro; }
    // Re-checks cart groups against the suppliers these services talk to.
    PFCartFreshnessChecker cartFreshnessChecker();
    AutopiterClient& autopiterClient() { return *m_autopiter; }
    FeedbackTransport& feedbackTransport();
    // Where the portal's offers came from (the cart re-check looks them up here).
    AutoligaPortalSearchContext& autoligaPortalContext() { return *m_portalContext; }
    TradeSoftHTTPAPI& tradeSoftAPI() { return *m_tradeSoft; }
    // The TradeSoft pre-order check of Autoliga offers.
    AutoligaProvider& autoligaProvider() { return *m_autoligaProvider; }
    // The platforms of the suppliers the buyer adds (ABCP, TradeSoft).
    SupplierPlatforms& platforms() { return *m_platforms; }

    bool isDemo() const { return m_demo; }
    // False when the demo mode could not bring up its simulated suppliers.
    bool demoSuppliersRunning() const { return m_sandbox != nullptr; }

private:
    bool m_demo = false;
    // Declared first so that it outlives every client that talks to it.
    std::unique_ptr<SandboxServer> m_sandbox;
    ServiceEndpoints m_endpoints;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<CredentialStore> m_credentials;
    MemoryCredentialStore* m_memoryCredentials = nullptr;
    std::unique_ptr<AutoEuroClient> m_autoEuro;
    std::unique_ptr<AutopiterClient> m_autopiter;
    std::unique_ptr<HTTPFeedbackTransport> m_feedback;
    std::unique_ptr<TradeSoftHTTPAPI> m_tradeSoft;
    std::unique_ptr<AutoligaProvider> m_autoligaProvider;
    std::unique_ptr<SupplierPlatforms> m_platforms;
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<AutoligaPortalSearchContext> m_portalContext;
    std::unique_ptr<SupplierPreferences> m_preferences;
    std::unique_ptr<SearchConnectorFactory> m_connectors;
    std::unique_ptr<CartStore> m_cart;
};
