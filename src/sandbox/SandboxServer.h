#pragma once

#include "credentials/CredentialStore.h"
#include "net/ServiceEndpoints.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

// How one simulated service misbehaves, if at all.
struct SandboxBehaviour {
    enum class Fault {
        none,
        // Answers with `status` and a short body.
        status,
        // Answers 200 with text that is not JSON (or not the expected document).
        malformed,
        // Answers 200 with an error in the envelope ("META" for AutoEuro).
        apiError,
        // Never answers (until the server stops).
        hang,
        // Answers 200 with a body of 100 MB, announced by its Content-Length.
        huge,
        // Answers `status` with an empty body.
        emptyStatus,
        // Autopiter only: every login is answered "false".
        loginRejected,
        // Autopiter only: every login is answered "true", but no cookie is set.
        loginWithoutCookie,
        // The Autoliga portal refuses the sign-in with 403; other requests are answered.
        signInRejected,
        // Answers `status` with `body` as it is.
        body,
        // Answers the success status (201 for feedback, else 200) with a web page.
        html,
        // The normal answer cut off in the middle.
        truncated,
        // The normal answer with its non-ASCII text made invalid UTF-8.
        invalidUtf8,
        // The normal answer's headers and half its body; then the connection closes.
        closeMidBody,
        // A Content-Length beyond the body: the body, then silence until the server stops.
        shortBody,
        // A 307 back to the same address, again and again.
        redirectLoop,
        // A 307 to `redirectTarget`.
        redirectForeign,
        // The normal answer, one byte every `trickleMs`.
        trickle,
        // Answers 200 with 100 MB and no Content-Length.
        hugeStream,
    };

    // Default answer time of the service's operations.
    int latencyMs = 0;
    // Answer times of single operations, by the end of the request path ("search_items/",
    // "customer/login/", "autoliga/" for the portal's base) or, for Autopiter, by the SOAP
    // operation ("GetPriceId"). The longest key that fits wins; others take latencyMs.
    QHash<QString, int> operationLatencyMs;
    // When not empty, only requests that contain this text wait out the latency (as `faultMatch`).
    QString latencyMatch;
    Fault fault = Fault::none;
    int status = 503;
    // When not empty, the fault hits only requests whose target contains this text
    // (e.g. "search_items/" or "brand=MAHLE"; for Autopiter also its SOAPAction or
    // body, e.g. "GetPriceId"); others are answered normally.
    QString faultMatch;
    // For `body`, with `status`.
    QByteArray body;
    // For `redirectForeign`: an absolute address.
    QString redirectTarget;
    int trickleMs = 1000;
};

// How the simulated market moves between two requests for the same offer, so that a cart
// re-check has something to find.
enum class SandboxDrift {
    none,
    // Each offer, from two seconds after it was first served, moves in one of the ways below
    // chosen by its key, or stays as it was (the demo).
    mixed,
    // From now on, every offer served before:
    priceMoved,      // costs 7 % more
    stockGone,       // has nothing left
    withdrawn,       // is no longer offered
    deliveryChanged, // takes two days longer
    duplicated,      // is listed twice
};

struct SandboxOptions {
    // 0: any free port.
    int port = 0;
    QHash<ServiceEndpoints::Service, SandboxBehaviour> behaviour;
    SandboxDrift drift = SandboxDrift::none;
    // How long an idle connection stays open. Short by default, so that stop() does not wait
    // for idle connections; a benchmark of warm connections wants minutes.
    int keepAliveSeconds = 1;
};

// One request as the server saw it, for tests.
struct SandboxRequest {
    QString method;
    QString path;
    // Path and query exactly as sent, still percent-encoded.
    QString target;
    // Query items, decoded, in the order sent.
    QList<std::pair<QString, QString>> query;
    QHash<QString, QString> headers; // lower-case names
    QByteArray body;
};

// The simulated suppliers on 127.0.0.1, on threads of their own (independent of the
// Qt event loop). One port serves every service under its own path prefix.
class SandboxServer {
public:
    // The API key the simulated AutoEuro accepts.
    static constexpr auto autoEuroAPIKey = u"sandbox-autoeuro-7f3c91";
    // The account the simulated Autopiter accepts (the password needs XML escaping).
    static constexpr auto autopiterUserID = u"sandbox-autopiter";
    static constexpr auto autopiterPassword = u"Pit<&>\"er'42";
    // The TradeSoft account, and the Autoliga account that signs in to the portal and that
    // TradeSoft passes on to its Autoliga provider.
    static constexpr auto tradeSoftUser = u"sandbox-tradesoft";
    static constexpr auto tradeSoftPassword = u"ts-demo-5521";
    static constexpr auto autoligaLogin = u"demo@autoliga.test";
    static constexpr auto autoligaPassword = u"Автолига-демо 7";
    // The ABCP shop's customer (the password travels as its MD5).
    static constexpr auto abcpLogin = u"buyer@avtomarket.test";
    static constexpr auto abcpPassword = u"Авто-маркет 24";
    // The two suppliers inside TradeSoft besides Autoliga, with the user's accounts there.
    static constexpr auto uralPartsProvider = u"uralparts";
    static constexpr auto uralPartsLogin = u"ural-client-118";
    static constexpr auto uralPartsPassword = u"Урал-118";
    static constexpr auto motorLineProvider = u"motorline";
    static constexpr auto motorLineLogin = u"ml-5512";
    static constexpr auto motorLinePassword = u"motor 5512";
    // Every account above under the name the credential store keeps it by.
    static constexpr std::pair<const char16_t*, const char16_t*> demoAccounts[] = {
        {CredentialAccounts::autoEuroAPIKey, autoEuroAPIKey},
        {CredentialAccounts::autopiterUserID, autopiterUserID},
        {CredentialAccounts::autopiterPassword, autopiterPassword},
        {CredentialAccounts::tradeSoftUser, tradeSoftUser},
        {CredentialAccounts::tradeSoftPassword, tradeSoftPassword},
        {CredentialAccounts::autoligaLogin, autoligaLogin},
        {CredentialAccounts::autoligaPassword, autoligaPassword},
        {u"abcp-avtomarket-ural-login", abcpLogin},
        {u"abcp-avtomarket-ural-password", abcpPassword},
        {u"tradesoft-uralparts-login", uralPartsLogin},
        {u"tradesoft-uralparts-password", uralPartsPassword},
        {u"tradesoft-motorline-login", motorLineLogin},
        {u"tradesoft-motorline-password", motorLinePassword},
    };
    // The suppliers the demo adds, as the buyer would enter them (their secrets are above).
    struct DemoSupplier {
        QString platform;
        QString name;
        QString address;
        QString provider;
    };
    static QList<DemoSupplier> demoSuppliers();

    SandboxServer();
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    // False when the port cannot be bound.
    bool start(const SandboxOptions& options = {});
    void stop();
    int port() const;

    // The origin of a service, to put into ServiceEndpoints.
    QUrl origin(ServiceEndpoints::Service service) const;
    ServiceEndpoints endpoints() const;

    void setBehaviour(ServiceEndpoints::Service service, const SandboxBehaviour& behaviour);
    void setDrift(SandboxDrift drift);
    QList<SandboxRequest> requests() const;
    void clearRequests();

    // Connections accepted since the start, and those whose first request went to the service.
    int acceptedConnections() const;
    int connectionsOpenedFor(ServiceEndpoints::Service service) const;
    // When the last answer of any service was ready to be sent.
    std::chrono::steady_clock::time_point lastAnswerReady() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
