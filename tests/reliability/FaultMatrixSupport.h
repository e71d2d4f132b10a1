#pragma once

#include "app/AppServices.h"
#include "cart/CartItem.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierPreferences.h"
#include "core/UserFacingError.h"
#include "credentials/CredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "SandboxServer.h"
#include "search/SearchViewModel.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>

#include <httplib.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace FaultMatrix {

// The faulty service's time-out where a case waits for one: short, so that a hang ends soon.
inline constexpr std::chrono::milliseconds timeout{800};

// The sandbox with every account in a memory store, and the services of one entry point over it,
// all three suppliers switched on; the faulty service's connector may wait less than its own.
class Rig {
public:
    Rig(ServiceEndpoints::Service faulty, const SandboxBehaviour& behaviour, bool refused,
        std::optional<std::chrono::milliseconds> faultyTimeout = std::nullopt) {
        if (!sandbox.start())
            qFatal("sandbox did not start");
        sandbox.setBehaviour(faulty, behaviour);
        ServiceEndpoints endpoints = sandbox.endpoints();
        if (refused)
            endpoints.setOrigin(faulty, closedOrigin(sandbox.origin(faulty)));
        AppServices::Options options;
        options.settingsFile = env.settingsPath();
        options.memoryCredentials = true;
        options.endpoints = endpoints;
        if (faultyTimeout)
            options.timeouts.insert(faulty, *faultyTimeout);
        services = std::make_unique<AppServices>(options);
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services->memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services->supplierPreferences().setAutoEuroEnabled(true);
        services->supplierPreferences().setAutopiterEnabled(true);
        services->supplierPreferences().setAutoligaEnabled(true);
    }
    ~Rig() {
        // The clients' connections close first, so that the server's workers end at once.
        services.reset();
        sandbox.stop();
    }

    // The same address on a port where nothing listens.
    static QUrl closedOrigin(QUrl origin) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        origin.setPort(probe.serverPort());
        probe.close();
        return origin;
    }

    TestEnvironment env;
    SandboxServer sandbox;
    std::unique_ptr<AppServices> services;
};

struct SearchOutcome {
    bool finished = false;
    QStringList failures;
    QList<SupplierOffer> offers;
    QString status;
    QString error;
    QString duration;
};

inline SearchOutcome search(AppServices& services, const QString& article) {
    SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
    QSignalSpy finished(&model, &SearchViewModel::searchFinished);
    model.setArticle(article);
    model.search();
    SearchOutcome outcome;
    outcome.finished = finished.count() > 0 || finished.wait(90000);
    outcome.failures = model.supplierFailures();
    outcome.offers = model.offers();
    outcome.status = model.statusMessage();
    outcome.error = model.errorMessage();
    outcome.duration = model.searchDurationDisplay();
    return outcome;
}

struct CheckOutcome {
    // Null when the check answered.
    QString failure;
    PFCartFreshnessMap verdicts;
};

inline CheckOutcome check(AppServices& services, const SupplierCartGroup& group) {
    PFCartFreshnessChecker checker = services.cartFreshnessChecker();
    try {
        return {QString(), awaitTask(checker.check(group))};
    } catch (const UserFacingError& error) {
        return {error.description(), {}};
    }
}

// "{*}" stands for any text; everything else must match exactly.
inline bool matches(const QString& text, const QString& pattern) {
    QStringList parts = pattern.split(QStringLiteral("{*}"));
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}

// Kibibytes of a line of /proc/self/status ("VmHWM", "VmRSS").
inline qint64 processStatusKiB(QByteArrayView field) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field) && line.size() > field.size() && line[field.size()] == ':')
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// From now on VmHWM counts from the present resident size.
inline void resetPeakMemory() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

// Another origin that records whatever reaches it.
class ForeignOrigin {
public:
    ForeignOrigin() {
        m_server.set_keep_alive_timeout(1);
        m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(request.method + ' ' + request.target);
            response.set_content("{}", "application/json");
            return httplib::Server::HandlerResponse::Handled;
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~ForeignOrigin() {
        m_server.stop();
        m_thread.join();
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/collect").arg(m_port); }
    std::vector<std::string> seen() const {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_seen;
};

// JSON members as raw text, so that a test can write what no JSON library would (1e999).
using Members = QList<std::pair<QString, QString>>;

inline QString jsonText(const QString& text) {
    const QString array = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1, array.size() - 2);
}

inline QString object(const Members& members) {
    QStringList parts;
    for (const auto& [name, raw] : members)
        parts.append(jsonText(name) + u':' + raw);
    return u'{' + parts.join(u',') + u'}';
}

inline Members with(Members members, const QString& name, const QString& raw) {
    for (auto& member : members) {
        if (member.first == name) {
            member.second = raw;
            return members;
        }
    }
    members.append({name, raw});
    return members;
}

} // namespace FaultMatrix
