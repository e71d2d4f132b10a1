#pragma once

#include "core/UserFacingError.h"
#include "credentials/MemoryCredentialStore.h"
#include "net/ServiceEndpoints.h"
#include "SandboxServer.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "support/AwaitTask.h"

#include <QCoroTask>
#include <QtTest>

#include <httplib.h>

#include <map>
#include <mutex>
#include <thread>

inline const QString kAutopiterUser = QStringLiteral("autopiter-user-id");
inline const QString kAutopiterPassword = QStringLiteral("autopiter-password");

// The sandbox, a memory credential store holding its Autopiter account, and a client to it.
struct AutopiterSandbox {
    SandboxServer server;
    ServiceEndpoints endpoints;
    MemoryCredentialStore credentials;
    std::unique_ptr<AutopiterClient> client;

    AutopiterSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        endpoints = server.endpoints();
        credentials.set(kAutopiterUser, QString::fromUtf16(SandboxServer::autopiterUserID));
        credentials.set(kAutopiterPassword, QString::fromUtf16(SandboxServer::autopiterPassword));
        client = std::make_unique<AutopiterClient>(credentials, endpoints);
    }
    ~AutopiterSandbox() { client.reset(); }

    void setFault(SandboxBehaviour::Fault fault, QString match = {}, int status = 503) {
        SandboxBehaviour behaviour;
        behaviour.fault = fault;
        behaviour.faultMatch = std::move(match);
        behaviour.status = status;
        server.setBehaviour(ServiceEndpoints::Service::autopiter, behaviour);
    }

    // The operations posted to Autopiter, in the order they arrived.
    QStringList operations() const {
        QStringList found;
        for (const auto& request : server.requests()) {
            if (request.path.startsWith(u"/autopiter/"))
                found.append(request.headers.value(QStringLiteral("soapaction")).section(u'/', -1));
        }
        return found;
    }
    QList<SandboxRequest> requestsTo(const QString& operation) const {
        QList<SandboxRequest> found;
        for (const auto& request : server.requests()) {
            if (request.headers.value(QStringLiteral("soapaction")) ==
                QStringLiteral("http://www.autopiter.ru/") + operation)
                found.append(request);
        }
        return found;
    }
};

// A one-off Autopiter on 127.0.0.1 whose answers the test writes itself, by operation
// ("FindCatalog", or "GetPriceId:42" for one article): a status and a body. Unlisted operations: Authorization says
// true and sets the cookie, IsAuthorization says whether the cookie came back, others answer an empty result.
class ScriptedAutopiter {
public:
    explicit ScriptedAutopiter(std::map<std::string, std::pair<int, std::string>> answers)
        : m_answers(std::move(answers)) {
        m_server.Post("/v2/price", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string action = request.get_header_value("SOAPAction");
            const std::string operation = action.substr(action.rfind('/') + 1);
            std::lock_guard lock(m_mutex);
            m_seen.push_back(operation);
            // "GetPriceId:42" answers only the price request for article 42.
            auto it = m_answers.end();
            const auto open = request.body.find("<ArticleId>");
            if (open != std::string::npos) {
                const auto start = open + 11;
                it =
                    m_answers.find(operation + ':' + request.body.substr(start, request.body.find('<', start) - start));
            }
            if (it == m_answers.end())
                it = m_answers.find(operation);
            if (it != m_answers.end()) {
                response.status = it->second.first;
                response.set_content(it->second.second, "text/xml; charset=utf-8");
                return;
            }
            std::string result;
            if (operation == "Authorization") {
                response.set_header("Set-Cookie", "AuthCoocies=s1; Path=/");
                result = "true";
            } else if (operation == "IsAuthorization") {
                result =
                    request.get_header_value("Cookie").find("AuthCoocies=s1") != std::string::npos ? "true" : "false";
            }
            response.set_content("<soap:Envelope><soap:Body><" + operation + "Response><" + operation + "Result>" +
                                     result + "</" + operation + "Result></" + operation +
                                     "Response></soap:Body></soap:Envelope>",
                                 "text/xml; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        endpoints.setOrigin(ServiceEndpoints::Service::autopiter,
                            QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)));
        credentials.set(kAutopiterUser, QStringLiteral("u"));
        credentials.set(kAutopiterPassword, QStringLiteral("p"));
        client = std::make_unique<AutopiterClient>(credentials, endpoints);
    }
    ~ScriptedAutopiter() {
        // Closing the client's connections first lets the server's workers end at once.
        client.reset();
        m_server.stop();
        m_thread.join();
    }

    std::vector<std::string> seen() const {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

    ServiceEndpoints endpoints;
    MemoryCredentialStore credentials;
    std::unique_ptr<AutopiterClient> client;

private:
    std::map<std::string, std::pair<int, std::string>> m_answers;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_seen;
};

// The description of the error a task ends with, or "<no error>".
template <typename T> QString autopiterFailureOf(QCoro::Task<T> task) {
    try {
        awaitTask(std::move(task));
    } catch (const UserFacingError& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}
