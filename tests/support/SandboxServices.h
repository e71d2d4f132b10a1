#pragma once

#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "suppliers/SupplierPlatforms.h"
#include "support/TestEnvironment.h"

#include <memory>

// The product's services over the given endpoints, with its settings in the test's environment
// and secrets in memory; `signedIn` stores every sandbox account and switches every supplier on.
// For suites that link the app and the sandbox.
inline std::unique_ptr<AppServices> sandboxServices(const TestEnvironment& environment, ServiceEndpoints endpoints,
                                                    bool signedIn, AppServices::Options options = {}) {
    options.settingsFile = environment.settingsPath();
    options.memoryCredentials = true;
    options.endpoints = std::move(endpoints);
    auto services = std::make_unique<AppServices>(options);
    if (signedIn) {
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services->memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services->supplierPreferences().setAutoEuroEnabled(true);
        services->supplierPreferences().setAutopiterEnabled(true);
        services->supplierPreferences().setAutoligaEnabled(true);
    }
    return services;
}

// The demo's ABCP shop and TradeSoft supplier, added as the buyer would (their secrets are among the
// sandbox accounts).
inline void addDemoSuppliers(AppServices& services) {
    for (const SandboxServer::DemoSupplier& demo : SandboxServer::demoSuppliers()) {
        const auto made =
            services.platforms().find(demo.platform)->newAccount({demo.name, demo.address, demo.provider});
        services.supplierPreferences().accounts().add(*made.account, made.numberIfTaken);
    }
}
