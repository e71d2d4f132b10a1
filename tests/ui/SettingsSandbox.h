#pragma once

#include "app/AppServices.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "support/AwaitTask.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"
#include "ui/SettingsServices.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>

using namespace Qt::StringLiterals;

// The product's services against the sandbox, with nothing stored yet. With `builtInOnly` the
// sandbox is not in the endpoints: every service's built-in address is a local port where nothing
// listens, and the sandbox is reached only through an address saved in a sheet.
struct SettingsSandbox {
    TestEnvironment environment;
    SandboxServer server;
    std::unique_ptr<AppServices> services;
    QString builtIn;

    explicit SettingsSandbox(bool builtInOnly = false) {
        if (!server.start())
            qFatal("sandbox did not start");
        ServiceEndpoints endpoints = server.endpoints();
        if (builtInOnly) {
            QTcpServer probe; // a port that nobody listens on any more
            probe.listen(QHostAddress::LocalHost);
            builtIn = u"http://127.0.0.1:%1/"_s.arg(probe.serverPort());
            probe.close();
            endpoints = ServiceEndpoints();
            for (const auto service : ServiceEndpoints::allServices)
                endpoints.setBuiltIn(service, QUrl(builtIn));
        }
        services = sandboxServices(environment, endpoints, false);
    }
    MemoryCredentialStore& store() { return *services->memoryCredentialStore(); }
    SettingsServices settings() {
        return {services->userDefaults(),    services->supplierPreferences(),
                services->credentialStore(), services->autoEuroClient(),
                services->autopiterClient(), services->tradeSoftAPI(),
                services->endpoints(),       u"памяти"_s,
                services->platforms()};
    }
    std::optional<QString> stored(const QString& account) { return awaitTask(store().read(account)); }
};

inline void typeAndClick(QLineEdit* field, const QString& text, QPushButton* button) {
    field->setText(text);
    button->click();
}
