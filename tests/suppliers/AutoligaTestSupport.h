#pragma once

#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/MemoryCredentialStore.h"
#include "net/ServiceEndpoints.h"
#include "SandboxServer.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QtTest>

#include <httplib.h>

#include <mutex>
#include <thread>

// The sandbox with the demo accounts in a memory store, and every Autoliga connector over it.
struct AutoligaSandbox {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SandboxServer server;
    ServiceEndpoints endpoints;
    QNetworkAccessManager network;
    MemoryCredentialStore credentials;
    AutoligaPortalSearchContext context{*defaults};
    AutoligaPortalSearch portal{credentials, endpoints, context};
    TradeSoftHTTPAPI tradeSoft{network, credentials, endpoints};
    AutoligaProvider provider{tradeSoft};

    AutoligaSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        endpoints = server.endpoints();
        credentials.set(QStringLiteral("tradesoft-user"), QString::fromUtf16(SandboxServer::tradeSoftUser));
        credentials.set(QStringLiteral("tradesoft-password"), QString::fromUtf16(SandboxServer::tradeSoftPassword));
        credentials.set(QStringLiteral("autoliga-login"), QString::fromUtf16(SandboxServer::autoligaLogin));
        credentials.set(QStringLiteral("autoliga-password"), QString::fromUtf16(SandboxServer::autoligaPassword));
    }

    void setFault(ServiceEndpoints::Service service, SandboxBehaviour::Fault fault, int status = 503) {
        SandboxBehaviour behaviour;
        behaviour.fault = fault;
        behaviour.status = status;
        server.setBehaviour(service, behaviour);
    }

    // The requests under one service prefix ("autoliga", "tradesoft"), in arrival order.
    QList<SandboxRequest> requestsTo(const QString& prefix) const {
        QList<SandboxRequest> found;
        for (const auto& request : server.requests()) {
            if (request.path.startsWith(u'/' + prefix + u'/'))
                found.append(request);
        }
        return found;
    }
};

// A one-off TradeSoft on 127.0.0.1 that answers every POST to "3/" with the given status and body.
class ScriptedTradeSoft {
public:
    ScriptedTradeSoft(int status, std::string body)
        : m_status(status)
        , m_body(std::move(body)) {
        m_server.Post("/3/", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            ++m_requests;
            response.status = m_status;
            response.set_content(m_body, "application/json");
        });
        const int port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        endpoints.setOrigin(ServiceEndpoints::Service::tradeSoft,
                            QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
        for (const auto* account : {u"tradesoft-user", u"tradesoft-password", u"autoliga-login", u"autoliga-password"})
            credentials.set(QString::fromUtf16(account), QStringLiteral("x"));
    }
    ~ScriptedTradeSoft() {
        // Closing the client's connections first lets the server's workers end at once.
        network.reset();
        m_server.stop();
        m_thread.join();
    }

    int requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    ServiceEndpoints endpoints;
    std::unique_ptr<QNetworkAccessManager> network = std::make_unique<QNetworkAccessManager>();
    MemoryCredentialStore credentials;
    TradeSoftHTTPAPI api{*network, credentials, endpoints};
    AutoligaProvider provider{api};

private:
    int m_status;
    std::string m_body;
    httplib::Server m_server;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    int m_requests = 0;
};

// The description of the error a task ends with, or "<no error>".
template <typename T> QString failureText(QCoro::Task<T> task) {
    try {
        awaitTask(std::move(task));
    } catch (const UserFacingError& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}
