#include "AutoligaPortalSession.h"

#include "AutoligaPortalError.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"

#include <QCoroSignal>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>

namespace {

using Kind = AutoligaPortalError::Kind;

QCoro::Task<QString> readSecret(CredentialStore& store, const char16_t* account) {
    auto read = store.read(QString::fromUtf16(account));
    const std::optional<QString> stored = co_await std::move(read);
    co_return stored.value_or(QString());
}

} // namespace

AutoligaPortalSession::AutoligaPortalSession(Timeouts timeouts)
    : m_timeouts(timeouts) {}

AutoligaPortalSession::~AutoligaPortalSession() = default;

std::shared_ptr<AutoligaPortalSession>
AutoligaPortalSession::start(CredentialStore& credentials, const ServiceEndpoints& endpoints, Timeouts timeouts) {
    std::shared_ptr<AutoligaPortalSession> session(new AutoligaPortalSession(timeouts));
    // Runs on its own and keeps the session alive until it is done, whoever waits for it.
    signIn(session, credentials, endpoints);
    return session;
}

QCoro::Task<> AutoligaPortalSession::signIn(std::shared_ptr<AutoligaPortalSession> self, CredentialStore& credentials,
                                            const ServiceEndpoints& endpoints) {
    try {
        auto steps = self->warmUpAndSignIn(credentials, endpoints);
        co_await std::move(steps);
    } catch (...) {
        // Handed to the search step unchanged.
        self->m_error = std::current_exception();
    }
    self->m_done = true;
    Q_EMIT self->signInFinished();
}

// GCC 12 may destroy temporaries of a co_await full-expression twice, so every awaited
// task is a named local first.
QCoro::Task<> AutoligaPortalSession::warmUpAndSignIn(CredentialStore& credentials, const ServiceEndpoints& endpoints) {
    // Both secrets are asked for at once: a system store answers each over D-Bus.
    auto loginRead = readSecret(credentials, CredentialAccounts::autoligaLogin);
    auto passwordRead = readSecret(credentials, CredentialAccounts::autoligaPassword);
    const QString storedLogin = co_await std::move(loginRead);
    const QString password = co_await std::move(passwordRead);
    const QString login = TextUtils::trimmed(storedLogin);
    if (login.isEmpty() || password.isEmpty())
        throw AutoligaPortalError(Kind::missingCredentials);

    using S = ServiceEndpoints::Service;
    const QUrl base = endpoints.url(S::autoligaPortal, u"");
    const QUrl loginURL = endpoints.url(S::autoligaPortal, u"api/v2/customer/login/");
    m_searchURL = endpoints.url(S::autoligaPortal, u"api/v2/client/search/");
    if (base.isEmpty() || loginURL.isEmpty() || m_searchURL.isEmpty())
        throw AutoligaPortalError(Kind::invalidAddress);

    m_network = std::make_unique<QNetworkAccessManager>();
    m_network->setCookieJar(new QNetworkCookieJar(m_network.get()));

    // The warm-up only collects the portal's session cookies.
    Http::Request warmUp;
    warmUp.request.setUrl(base);
    auto warmUpExchange = fetch(std::move(warmUp), 399);
    co_await std::move(warmUpExchange);

    Http::Request signInRequest;
    signInRequest.request.setUrl(loginURL);
    signInRequest.verb = QByteArrayLiteral("POST");
    signInRequest.request.setRawHeader("Content-Type", "application/json");
    signInRequest.body =
        QJsonDocument(QJsonObject{{QStringLiteral("login"), login}, {QStringLiteral("password"), password}})
            .toJson(QJsonDocument::Compact);
    auto signInExchange = fetch(std::move(signInRequest), 299);
    co_await std::move(signInExchange);
}

QCoro::Task<> AutoligaPortalSession::signedIn() {
    if (!m_done) {
        auto finished = qCoro(this, &AutoligaPortalSession::signInFinished);
        co_await std::move(finished);
    }
    if (m_error)
        std::rethrow_exception(m_error);
}

QCoro::Task<QByteArray> AutoligaPortalSession::fetch(Http::Request request, int highestAccepted, bool answersJson) {
    if (!m_network)
        throw AutoligaPortalError(Kind::invalidResponse);
    QNetworkAccessManager& network = *m_network;
    // Silence ends a stalled exchange; the deadline ends one that trickles on.
    request.timeout = m_timeouts.request;
    request.deadline = m_timeouts.resource;
    request.bodyOnlyOnSuccess = true;

    Http::Response response;
    try {
        auto exchange = Http::send(network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError&) {
        throw AutoligaPortalError(Kind::invalidResponse);
    }
    if (response.status <= 0)
        throw AutoligaPortalError(Kind::invalidResponse);
    const bool webPage =
        TextUtils::isWebPage(answersJson ? response.body : QByteArray(), response.header("Content-Type"));
    if (response.status < 200 || response.status > highestAccepted)
        throw webPage ? AutoligaPortalError::webPage(response.status) : AutoligaPortalError::http(response.status);
    // The portal's own page is what the warm-up expects; the search must answer in JSON.
    if (answersJson && webPage)
        throw AutoligaPortalError::webPage(response.status);
    co_return std::move(response.body);
}

void AutoligaPortalSession::close() {
    m_network.reset();
}
