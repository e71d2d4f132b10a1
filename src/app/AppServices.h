#pragma once

#include "search/SearchConnectors.h"

#include <memory>

class CartStore;
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
        // The demo mode: settings in their own scope ("Orelia Demo"), suppliers simulated.
        bool demo = false;
    };

    explicit AppServices(const Options& options);
    ~AppServices();

    UserDefaults& userDefaults() { return *m_userDefaults; }
    SupplierPreferences& supplierPreferences() { return *m_preferences; }
    SearchConnectorFactory& searchConnectors() { return *m_connectors; }
    CartStore& cartStore() { return *m_cart; }
    bool isDemo() const { return m_demo; }

private:
    // Where the demo mode brings up its simulated suppliers: the in-process sandbox on a free
    // loopback port, every endpoint pointed at it, and a memory credential store with its accounts.
    // Until the sandbox is part of this build the demo mode only keeps its settings apart.
    void startDemoSuppliers();

    bool m_demo = false;
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<SupplierPreferences> m_preferences;
    std::unique_ptr<SearchConnectorFactory> m_connectors;
    std::unique_ptr<CartStore> m_cart;
};
