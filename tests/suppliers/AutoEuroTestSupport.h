#pragma once

#include "core/UserFacingError.h"
#include "credentials/MemoryCredentialStore.h"
#include "net/ServiceEndpoints.h"
#include "SandboxServer.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "support/AwaitTask.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QtTest>

#include <httplib.h>

#include <map>
#include <mutex>
#include <thread>

// The sandbox, a memory credential store holding its key, and a client to it.
struct AutoEuroSandbox {
    SandboxServer server;
    ServiceEndpoints endpoints;
    QNetworkAccessManager network;
    MemoryCredentialStore credentials;
    std::unique_ptr<AutoEuroClient> client;

    AutoEuroSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        endpoints = server.endpoints();
        credentials.set(QStringLiteral("autoeuro-api-key"), QString::fromUtf16(SandboxServer::autoEuroAPIKey));
        client = std::make_unique<AutoEuroClient>(network, credentials, endpoints);
    }

    void setFault(SandboxBehaviour::Fault fault, QString match = {}, int status = 503) {
        SandboxBehaviour behaviour;
        behaviour.fault = fault;
        behaviour.faultMatch = std::move(match);
        behaviour.status = status;
        server.setBehaviour(ServiceEndpoints::Service::autoEuro, behaviour);
    }

    QList<SandboxRequest> requestsTo(const QString& operation) const {
        QList<SandboxRequest> found;
        for (const auto& request : server.requests()) {
            if (request.path.endsWith(u'/' + operation + u'/'))
                found.append(request);
        }
        return found;
    }
};

// A one-off AutoEuro on 127.0.0.1 whose answers the test writes itself, by operation
// ("get_deliveries" ...): a status and a body, or for a 3xx status the redirect target.
// Unlisted operations answer an empty list.
class ScriptedAutoEuro {
public:
    explicit ScriptedAutoEuro(std::map<std::string, std::pair<int, std::string>> answers)
        : m_answers(std::move(answers)) {
        // The origin may carry a path of its own in front of the API's.
        m_server.Get("(?:/[^/]+)?/api/v2/json/([a-z_]+)/",
                     [this](const httplib::Request& request, httplib::Response& response) {
                         std::lock_guard lock(m_mutex);
                         m_seen.push_back(request.matches[1].str());
                         m_targets.push_back(request.target);
                         const auto it = m_answers.find(request.matches[1].str());
                         if (it == m_answers.end()) {
                             response.set_content("{\"DATA\":[]}", "application/json");
                             return;
                         }
                         response.status = it->second.first;
                         if (response.status >= 300 && response.status <= 399)
                             response.set_header("Location", it->second.second); // the answer names the target
                         else
                             response.set_content(it->second.second, "application/json");
                     });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        endpoints.setOrigin(ServiceEndpoints::Service::autoEuro,
                            QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)));
        credentials.set(QStringLiteral("autoeuro-api-key"), QStringLiteral("k"));
        client = std::make_unique<AutoEuroClient>(*network, credentials, endpoints);
    }
    ~ScriptedAutoEuro() {
        // Closing the client's connections first lets the server's workers end at once.
        client.reset();
        network.reset();
        m_server.stop();
        m_thread.join();
    }

    std::vector<std::string> seen() const {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }
    // The request targets as they arrived, still percent-encoded.
    std::vector<std::string> targets() const {
        std::lock_guard lock(m_mutex);
        return m_targets;
    }
    QUrl origin() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }

    ServiceEndpoints endpoints;
    std::unique_ptr<QNetworkAccessManager> network = std::make_unique<QNetworkAccessManager>();
    MemoryCredentialStore credentials;
    std::unique_ptr<AutoEuroClient> client;

private:
    std::map<std::string, std::pair<int, std::string>> m_answers;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_seen;
    std::vector<std::string> m_targets;
};

// The description of the error a task ends with, or "<no error>".
template <typename T> QString failureOf(QCoro::Task<T> task) {
    try {
        awaitTask(std::move(task));
    } catch (const UserFacingError& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}
