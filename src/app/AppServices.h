#pragma once

#include "search/SearchConnectors.h"

#include "net/ServiceEndpoints.h"

#include <memory>
#include <optional>

class AutoEuroClient;
class CredentialStore;
class MemoryCredentialStore;
class QNetworkAccessManager;
class SupplierPreferences;
class UserDefaults;

// Owns the process-wide services of one entry point (window, CLI or a test) and hands
// out references; nothing reaches for globals.
class AppServices {
public:
    struct Options {
        // "Orelia", or "Orelia Demo" for the demo mode.
        QString settingsApplication = QStringLiteral("Orelia");
        // When set, settings live in this file instead of the platform's standard place.
        QString settingsFile;
        // Secrets in memory instead of the system's credential store (tests, demo mode).
        bool memoryCredentials = false;
        // Service addresses; by default the built-in ones as the environment overrides them.
        std::optional<ServiceEndpoints> endpoints;
    };

    explicit AppServices(const Options& options);
    ~AppServices();

    UserDefaults& userDefaults() { return *m_userDefaults; }
    SupplierPreferences& supplierPreferences() { return *m_preferences; }
    SearchConnectorFactory& searchConnectors() { return *m_connectors; }
    QNetworkAccessManager& network() { return *m_network; }
    CredentialStore& credentialStore() { return *m_credentials; }
    // Nullptr unless the options asked for memory credentials.
    MemoryCredentialStore* memoryCredentialStore() { return m_memoryCredentials; }
    ServiceEndpoints& endpoints() { return m_endpoints; }
    AutoEuroClient& autoEuroClient() { return *m_autoEuro; }

private:
    ServiceEndpoints m_endpoints;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<CredentialStore> m_credentials;
    MemoryCredentialStore* m_memoryCredentials = nullptr;
    std::unique_ptr<AutoEuroClient> m_autoEuro;
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<SupplierPreferences> m_preferences;
    std::unique_ptr<SearchConnectorFactory> m_connectors;
};
