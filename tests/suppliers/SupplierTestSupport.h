#pragma once

#include "credentials/CredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "FieldText.h"
#include "net/ServiceEndpoints.h"
#include "SandboxServer.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QtTest>

using Fault = SandboxBehaviour::Fault;
using Service = ServiceEndpoints::Service;

// The description of the error a task ends with, or "<no error>".
template <typename T> QString failureOf(QCoro::Task<T> task) {
    return failureOf([&] { awaitTask(std::move(task)); });
}

// The sandbox, with every demo account in a memory credential store.
struct SupplierSandbox {
    SandboxServer server;
    ServiceEndpoints endpoints;
    MemoryCredentialStore credentials;

    SupplierSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        endpoints = server.endpoints();
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            credentials.set(QString::fromUtf16(account), QString::fromUtf16(secret));
    }

    // The fault hits only the requests that contain `match`; Fault::body answers `status` and `body`.
    void setFault(Service service, Fault fault, QString match = {}, int status = 503, QByteArray body = {}) {
        SandboxBehaviour behaviour;
        behaviour.fault = fault;
        behaviour.faultMatch = std::move(match);
        behaviour.status = status;
        behaviour.body = std::move(body);
        server.setBehaviour(service, behaviour);
    }

    // What a failure table sets up besides a fault: "account=stored text", "account=<removed>",
    // "<no address>" of `service`, "<locked>" credential store; nothing when null.
    void arrange(const QString& setup, Service service) {
        const QString account = setup.section(u'=', 0, 0);
        const QString stored = setup.section(u'=', 1, -1);
        if (setup == u"<no address>")
            endpoints.setOrigin(service, QUrl());
        else if (setup == u"<locked>")
            credentials.setFailure(KeychainError(5, QString()));
        else if (stored == u"<removed>")
            awaitTask(credentials.remove(account));
        else if (!setup.isNull())
            credentials.set(account, stored);
    }

    // The requests whose path starts with `prefix`, or whose SOAP action ends with "/" + `operation`.
    QList<SandboxRequest> requestsTo(const QString& prefix, const QString& operation = {}) const {
        QList<SandboxRequest> found;
        for (const auto& request : server.requests()) {
            const QString action = request.headers.value(QStringLiteral("soapaction"));
            if (request.path.startsWith(prefix) && (operation.isEmpty() || action.endsWith(u'/' + operation)))
                found.append(request);
        }
        return found;
    }
};

struct AutoEuroSandbox : SupplierSandbox {
    QNetworkAccessManager network;
    AutoEuroClient client{network, credentials, endpoints};

    void setFault(Fault fault, QString match = {}, int status = 503, QByteArray body = {}) {
        SupplierSandbox::setFault(Service::autoEuro, fault, std::move(match), status, std::move(body));
    }
    QList<SandboxRequest> requestsTo(const QString& operation) const {
        return SupplierSandbox::requestsTo(QStringLiteral("/autoeuro/api/v2/json/") + operation + u'/');
    }
};

struct AutopiterSandbox : SupplierSandbox {
    AutopiterClient client{credentials, endpoints};

    void setFault(Fault fault, QString match = {}, int status = 503, QByteArray body = {}) {
        SupplierSandbox::setFault(Service::autopiter, fault, std::move(match), status, std::move(body));
    }
    QList<SandboxRequest> requestsTo(const QString& operation) const {
        return SupplierSandbox::requestsTo(QStringLiteral("/autopiter/"), operation);
    }
};

// Every Autoliga connector over the sandbox.
struct AutoligaSandbox : SupplierSandbox {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    QNetworkAccessManager network;
    AutoligaPortalSearchContext context{*defaults};
    AutoligaPortalSearch portal{credentials, endpoints, context};
    TradeSoftHTTPAPI tradeSoft{network, credentials, endpoints};
    AutoligaProvider provider{tradeSoft};
};
