#include "AbcpClient.h"

#include "AbcpError.h"
#include "core/Offload.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceAddress.h"
#include "net/ServiceEndpoints.h"

#include <QCryptographicHash>

namespace {

constexpr qint64 kErrorTextLimit = 64 * 1024;
// The platform's "nothing found".
constexpr std::int64_t kNotFound = 301;

QCoro::Task<QString> readSecret(CredentialStore& store, QString account) {
    auto read = store.read(account);
    const std::optional<QString> value = co_await std::move(read);
    co_return value.value_or(QString());
}

bool isHeaderSafe(const QString& text) {
    return TextUtils::withoutControlCharacters(text) == text;
}

} // namespace

QString AbcpCredentials::hash(const QString& password) {
    return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
}

QCoro::Task<AbcpCredentials> AbcpCredentials::load(CredentialStore& store, SupplierAccount account) {
    auto login = readSecret(store, account.loginAccount());
    const QString storedLogin = co_await std::move(login);
    auto password = readSecret(store, account.passwordAccount());
    const QString storedPassword = co_await std::move(password);
    const QString trimmed = TextUtils::trimmed(storedLogin);
    if (trimmed.isEmpty() || storedPassword.isEmpty() || !isHeaderSafe(trimmed))
        throw AbcpError(AbcpError::Kind::missingCredentials);
    co_return AbcpCredentials{trimmed, hash(storedPassword)};
}

AbcpClient::AbcpClient(QNetworkAccessManager& network, const ServiceEndpoints& endpoints, SupplierAccount account,
                       std::chrono::milliseconds timeout)
    : m_network(network)
    , m_endpoints(endpoints)
    , m_account(std::move(account))
    , m_timeout(timeout) {}

QUrl AbcpClient::baseURL(const ServiceEndpoints& endpoints, const SupplierAccount& account) {
    using Source = ServiceEndpoints::Source;
    const Source source = endpoints.source(ServiceEndpoints::Service::abcp);
    QUrl url = source == Source::environment || source == Source::demo
                   ? endpoints.origin(ServiceEndpoints::Service::abcp)
                   : QUrl(account.address.trimmed(), QUrl::StrictMode);
    if (!ServiceAddress::isUsable(url))
        return {};
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path(QUrl::FullyEncoded) + u'/', QUrl::StrictMode);
    return url;
}

QCoro::Task<std::optional<QByteArray>> AbcpClient::get(QString operation, QueryItems query,
                                                       AbcpCredentials credentials) {
    QUrl url = baseURL(m_endpoints, m_account);
    if (url.isEmpty())
        throw AbcpError::invalidURL(m_account.name);
    url.setPath(url.path(QUrl::FullyEncoded) + operation, QUrl::StrictMode);
    // Every reserved character escaped, "+" included: a brand such as MANN+HUMMEL stays itself.
    QByteArray encoded = "userlogin=" + QUrl::toPercentEncoding(credentials.login) +
                         "&userpsw=" + QUrl::toPercentEncoding(credentials.passwordHash);
    for (const auto& [name, value] : query)
        encoded += '&' + QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    url.setQuery(QString::fromLatin1(encoded), QUrl::StrictMode);
    if (!url.isValid())
        throw AbcpError::invalidURL(m_account.name);

    Http::Request request;
    request.request.setUrl(url);
    request.request.setRawHeader("Accept", "application/json");
    request.timeout = m_timeout;
    request.errorBodyLimit = kErrorTextLimit;
    Http::Response response;
    try {
        auto exchange = Http::send(m_network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError&) {
        throw AbcpError(AbcpError::Kind::invalidResponse);
    }
    if (response.status <= 0)
        throw AbcpError(AbcpError::Kind::invalidResponse);
    // The platform's error object comes with a 4xx (sometimes a 5xx, or even a 200).
    if (const auto error = AbcpParser::error(response.body)) {
        if (error->code == kNotFound)
            co_return std::nullopt;
        throw AbcpError::api(error->code, error->message);
    }
    if (TextUtils::isWebPage(response.body, response.header("Content-Type")))
        throw AbcpError::webPage(response.status);
    if (!response.isSuccess())
        throw AbcpError::httpStatus(response.status);
    co_return response.body;
}

QCoro::Task<QList<AbcpBrand>> AbcpClient::brands(AbcpCredentials credentials, QString number) {
    auto request = get(QStringLiteral("search/brands"),
                       {{QStringLiteral("number"), number}, {QStringLiteral("useOnlineStocks"), QStringLiteral("1")}},
                       std::move(credentials));
    std::optional<QByteArray> body = co_await std::move(request);
    if (!body)
        co_return QList<AbcpBrand>();
    // A large answer is read off the window's thread.
    auto reading = offload([body = std::move(*body)] { return AbcpParser::brands(body); });
    co_return co_await std::move(reading);
}

QCoro::Task<AbcpArticles> AbcpClient::articles(AbcpCredentials credentials, QString number, QString brand) {
    auto request = get(QStringLiteral("search/articles"),
                       {{QStringLiteral("number"), number},
                        {QStringLiteral("brand"), brand},
                        {QStringLiteral("useOnlineStocks"), QStringLiteral("1")}},
                       std::move(credentials));
    std::optional<QByteArray> body = co_await std::move(request);
    if (!body)
        co_return AbcpArticles();
    auto reading = offload([body = std::move(*body)] { return AbcpParser::articles(body); });
    co_return co_await std::move(reading);
}

QCoro::Task<> AbcpClient::userInfo(AbcpCredentials credentials) {
    auto request = get(QStringLiteral("user/info"), {}, std::move(credentials));
    const std::optional<QByteArray> body = co_await std::move(request);
    // "No such user" is no confirmation either.
    if (!body)
        throw AbcpError::api(kNotFound, QString());
    AbcpParser::requireJson(*body);
}
