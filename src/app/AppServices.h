#pragma once

#include "search/SearchConnectors.h"

#include <memory>

class UserDefaults;
class SupplierPreferences;

// Owns the process-wide services of one entry point (window, CLI or a test) and hands
// out references; nothing reaches for globals.
class AppServices {
public:
    struct Options {
        // "Orelia", or "Orelia Demo" for the demo mode.
        QString settingsApplication = QStringLiteral("Orelia");
        // When set, settings live in this file instead of the platform's standard place.
        QString settingsFile;
    };

    explicit AppServices(const Options& options);
    ~AppServices();

    UserDefaults& userDefaults() { return *m_userDefaults; }
    SupplierPreferences& supplierPreferences() { return *m_preferences; }
    SearchConnectorFactory& searchConnectors() { return *m_connectors; }

private:
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<SupplierPreferences> m_preferences;
    std::unique_ptr<SearchConnectorFactory> m_connectors;
};
