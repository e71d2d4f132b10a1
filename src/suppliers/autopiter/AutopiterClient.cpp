#include "AutopiterClient.h"

#include "AutopiterError.h"
#include "AutopiterXmlParser.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"

#include <QCoroSignal>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QObject>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <exception>

class AutopiterPendingLogin : public QObject {
    Q_OBJECT
public:
    bool done = false;
    std::exception_ptr error;

Q_SIGNALS:
    void finished();
};

namespace {

const QString kCookieName = QStringLiteral("AuthCoocies");

std::optional<QString> decodedUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// "&" first, so that the entities put in by the later steps stay as they are.
QString escaped(QString text) {
    text.replace(u'&', QStringLiteral("&amp;"));
    text.replace(u'<', QStringLiteral("&lt;"));
    text.replace(u'>', QStringLiteral("&gt;"));
    text.replace(u'"', QStringLiteral("&quot;"));
    text.replace(u'\'', QStringLiteral("&apos;"));
    return text;
}

QString soapEnvelope(const QString& operation, const QString& body) {
    return QStringList{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
        QStringLiteral("<soap:Envelope"),
        QStringLiteral("  xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""),
        QStringLiteral("  xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"),
        QStringLiteral("  <soap:Body>"),
        QStringLiteral("    <") + operation + QStringLiteral(" xmlns=\"") +
            QString::fromUtf16(AutopiterClient::serviceNamespace) + QStringLiteral("\">"),
        QStringLiteral("      ") + body,
        QStringLiteral("    </") + operation + u'>',
        QStringLiteral("  </soap:Body>"),
        QStringLiteral("</soap:Envelope>"),
    }
        .join(u'\n');
}

QCoro::Task<> loginFinished(std::shared_ptr<AutopiterPendingLogin> pending) {
    if (!pending->done) {
        auto finished = qCoro(pending.get(), &AutopiterPendingLogin::finished);
        co_await std::move(finished);
    }
}

} // namespace

AutopiterClient::AutopiterClient(CredentialStore& credentials, const ServiceEndpoints& endpoints)
    : m_credentials(credentials)
    , m_endpoints(endpoints)
    , m_network(std::make_unique<QNetworkAccessManager>())
    , m_cookies(new QNetworkCookieJar(m_network.get())) {
    m_network->setCookieJar(m_cookies);
}

AutopiterClient::~AutopiterClient() = default;

QUrl AutopiterClient::serviceURL() const {
    return m_endpoints.url(ServiceEndpoints::Service::autopiter, u"v2/price");
}

bool AutopiterClient::hasAuthorizationCookie() const {
    const QUrl url = serviceURL();
    if (url.isEmpty())
        return false;
    const auto cookies = m_cookies->cookiesForUrl(url);
    return std::any_of(cookies.begin(), cookies.end(), [](const QNetworkCookie& cookie) {
        return QString::fromUtf8(cookie.name()).compare(kCookieName, Qt::CaseInsensitive) == 0;
    });
}

void AutopiterClient::clearAuthorization() {
    const QUrl url = serviceURL();
    if (url.isEmpty())
        return;
    for (const QNetworkCookie& cookie : m_cookies->cookiesForUrl(url)) {
        if (QString::fromUtf8(cookie.name()).compare(kCookieName, Qt::CaseInsensitive) == 0)
            m_cookies->deleteCookie(cookie);
    }
}

QCoro::Task<QByteArray> AutopiterClient::soapRequest(QString operation, QString body) {
    const QUrl url = serviceURL();
    if (url.isEmpty())
        throw AutopiterError::invalidURL(m_endpoints.problem(ServiceEndpoints::Service::autopiter));

    Http::Request request;
    request.request.setUrl(url);
    request.request.setRawHeader("Content-Type", "text/xml; charset=utf-8");
    request.request.setRawHeader("SOAPAction", (QString::fromUtf16(serviceNamespace) + operation).toUtf8());
    request.verb = QByteArrayLiteral("POST");
    request.body = soapEnvelope(operation, body).toUtf8();
    request.timeout = m_timeout;

    Http::Response response;
    try {
        auto exchange = Http::send(*m_network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError& error) {
        throw AutopiterError::invalidSOAPResponse(error.description());
    }
    if (response.status <= 0)
        throw AutopiterError(AutopiterError::Kind::invalidHTTPResponse);
    if (TextUtils::isWebPage(response.body, response.header("Content-Type")))
        throw AutopiterError::webPage(response.status);
    // A fault is the service's "no", whatever the status says. A large answer is left to the
    // parser, off the window's thread, which tells a fault as well.
    constexpr qsizetype kReadHere = 256 * 1024;
    const std::optional<QString> fault = response.isSuccess() && response.body.size() > kReadHere
                                             ? std::nullopt
                                             : AutopiterXmlParser::faultText(response.body);
    if (response.isSuccess()) {
        if (fault)
            throw AutopiterError::soapFault(*fault);
        co_return std::move(response.body);
    }

    // The service's own fault text, on one line.
    const QString cleaned = fault ? *fault : TextUtils::serverText(decodedUtf8(response.body).value_or(QString()));
    if (cleaned.isEmpty())
        throw AutopiterError::httpStatus(response.status);
    throw AutopiterError::invalidSOAPResponse(QStringLiteral("HTTP %1: ").arg(response.status) + cleaned);
}

QCoro::Task<bool> AutopiterClient::isAuthorized() {
    auto request = soapRequest(QStringLiteral("IsAuthorization"), QString());
    const QByteArray body = co_await std::move(request);
    co_return AutopiterXmlParser::booleanResult(QStringLiteral("IsAuthorizationResult"), body);
}

QCoro::Task<AutopiterClient::Credentials> AutopiterClient::storedCredentials() {
    auto userRead = m_credentials.read(QString::fromUtf16(CredentialAccounts::autopiterUserID));
    const std::optional<QString> userID = co_await std::move(userRead);
    auto passwordRead = m_credentials.read(QString::fromUtf16(CredentialAccounts::autopiterPassword));
    const std::optional<QString> password = co_await std::move(passwordRead);
    Credentials credentials{userID.value_or(QString()).trimmed(), password.value_or(QString())};
    if (credentials.userID.isEmpty() || credentials.password.isEmpty())
        throw AutopiterError(AutopiterError::Kind::missingCredentials);
    co_return credentials;
}

QCoro::Task<> AutopiterClient::requireStoredCredentials() {
    auto read = storedCredentials();
    co_await std::move(read);
}

QCoro::Task<> AutopiterClient::login(Credentials credentials) {
    clearAuthorization();
    const QString body = QStringLiteral("<UserID>") + escaped(credentials.userID) + QStringLiteral("</UserID>\n") +
                         QStringLiteral("<Password>") + escaped(credentials.password) +
                         QStringLiteral("</Password>\n") + QStringLiteral("<Save>true</Save>");
    auto request = soapRequest(QStringLiteral("Authorization"), body);
    const QByteArray answer = co_await std::move(request);
    if (!AutopiterXmlParser::booleanResult(QStringLiteral("AuthorizationResult"), answer))
        throw AutopiterError(AutopiterError::Kind::authorizationRejected);
    if (!hasAuthorizationCookie())
        throw AutopiterError(AutopiterError::Kind::missingAuthorizationCookie);
}

QCoro::Task<> AutopiterClient::runLogin(AutopiterClient& client, std::shared_ptr<AutopiterPendingLogin> pending,
                                        std::optional<Credentials> credentials) {
    try {
        if (!credentials) {
            auto read = client.storedCredentials();
            credentials = co_await std::move(read);
        }
        auto attempt = client.login(*credentials);
        co_await std::move(attempt);
        ++client.m_loginGeneration;
    } catch (...) {
        // Handed to every caller that waits for this login, unchanged.
        pending->error = std::current_exception();
    }
    pending->done = true;
    if (client.m_pendingLogin == pending)
        client.m_pendingLogin.reset();
    Q_EMIT pending->finished();
}

std::shared_ptr<AutopiterPendingLogin> AutopiterClient::startLogin(std::optional<Credentials> credentials) {
    auto pending = std::make_shared<AutopiterPendingLogin>();
    m_pendingLogin = pending;
    // Runs on its own, so the login completes for every waiter whichever caller started it.
    runLogin(*this, pending, std::move(credentials));
    return pending;
}

QCoro::Task<> AutopiterClient::serialLogin(std::optional<Credentials> credentials) {
    // Every login starts by deleting the cookie: one must never run over another's.
    while (m_pendingLogin) {
        auto earlier = loginFinished(m_pendingLogin);
        co_await std::move(earlier);
    }
    const auto pending = startLogin(std::move(credentials));
    auto finished = loginFinished(pending);
    co_await std::move(finished);
    if (pending->error)
        std::rethrow_exception(pending->error);
}

QCoro::Task<> AutopiterClient::authorize(QString userID, QString password) {
    return serialLogin(Credentials{std::move(userID), std::move(password)});
}

QCoro::Task<> AutopiterClient::authorizeFromKeychain() {
    return serialLogin(std::nullopt);
}

QCoro::Task<> AutopiterClient::ensureAuthorized() {
    const quint64 generation = m_loginGeneration;
    auto check = isAuthorized();
    if (co_await std::move(check))
        co_return;

    if (m_pendingLogin || m_loginGeneration == generation) {
        // Join the login in flight, or start the one the others will join.
        const auto pending = m_pendingLogin ? m_pendingLogin : startLogin(std::nullopt);
        auto finished = loginFinished(pending);
        co_await std::move(finished);
        if (pending->error)
            std::rethrow_exception(pending->error);
    }
    // Otherwise a login finished after the check was sent; its cookie is the one to try.

    auto recheck = isAuthorized();
    if (!co_await std::move(recheck))
        throw AutopiterError(AutopiterError::Kind::authorizationRejected);
}

QString AutopiterClient::answerText(const QByteArray& body, const QString& operation) {
    auto text = decodedUtf8(body);
    if (!text)
        throw AutopiterError::invalidSOAPResponse(operation);
    return std::move(*text);
}

QCoro::Task<QString> AutopiterClient::findCatalogXML(QString number) {
    auto request = findCatalog(std::move(number));
    const QByteArray body = co_await std::move(request);
    co_return body.isEmpty() ? QString() : answerText(body, QStringLiteral("FindCatalog"));
}

QCoro::Task<QString> AutopiterClient::getPriceXML(std::int64_t articleID, int searchCross) {
    auto request = getPrice(articleID, searchCross);
    const QByteArray body = co_await std::move(request);
    co_return answerText(body, QStringLiteral("GetPriceId"));
}

QCoro::Task<QByteArray> AutopiterClient::findCatalog(QString number) {
    const QString trimmed = number.trimmed();
    if (trimmed.isEmpty())
        co_return QByteArray();
    auto authorization = ensureAuthorized();
    co_await std::move(authorization);
    auto request = soapRequest(QStringLiteral("FindCatalog"),
                               QStringLiteral("<Number>") + escaped(trimmed) + QStringLiteral("</Number>"));
    co_return co_await std::move(request);
}

QCoro::Task<QByteArray> AutopiterClient::getPrice(std::int64_t articleID, int searchCross, bool checkLogin) {
    if (checkLogin) {
        auto authorization = ensureAuthorized();
        co_await std::move(authorization);
    }
    const QString body =
        QStringList{
            QStringLiteral("<ArticleId>%1</ArticleId>").arg(articleID),
            QStringLiteral("<DetailUid xsi:nil=\"true\" />"),
            QStringLiteral("<Currency>РУБ</Currency>"),
            QStringLiteral("<SearchCross>%1</SearchCross>").arg(searchCross),
            QStringLiteral("<MinSalesRating>0</MinSalesRating>"),
            QStringLiteral("<MinRealTimeInProc>0</MinRealTimeInProc>"),
        }
            .join(u'\n');
    auto request = soapRequest(QStringLiteral("GetPriceId"), body);
    co_return co_await std::move(request);
}

#include "AutopiterClient.moc"
