#include "AutoligaPortalSearch.h"

#include "AutoligaPortalError.h"
#include "AutoligaPortalSearchContext.h"
#include "core/SupplierDescriptor.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "suppliers/JsonDecoding.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>

namespace {

using Kind = AutoligaPortalError::Kind;

const QString kOfferKeyPrefix = QStringLiteral("portal-selection:");

// One exchange on the search's own session: the body of an answer whose status lies in
// 200..highestAccepted.
QCoro::Task<QByteArray> fetch(QNetworkAccessManager& session, Http::Request request, int highestAccepted,
                              AutoligaPortalSearch::Timeouts timeouts) {
    // Silence ends a stalled exchange; the deadline ends one that trickles on.
    request.timeout = timeouts.request;
    request.deadline = timeouts.resource;
    request.bodyOnlyOnSuccess = true;

    Http::Response response;
    try {
        auto exchange = Http::send(session, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError&) {
        throw AutoligaPortalError(Kind::invalidResponse);
    }
    if (response.status <= 0)
        throw AutoligaPortalError(Kind::invalidResponse);
    if (response.status < 200 || response.status > highestAccepted)
        throw AutoligaPortalError::http(response.status);
    co_return response.body;
}

QCoro::Task<QString> readSecret(CredentialStore& store, const char16_t* account) {
    auto read = store.read(QString::fromUtf16(account));
    const std::optional<QString> stored = co_await std::move(read);
    co_return stored.value_or(QString());
}

// A member as text: a string, or a number as written; other types count as absent.
std::optional<QString> text(const Json::Value& row, QStringView key) {
    const std::optional<Json::Value> value = row.member(key);
    if (!value || (value->type() != Json::Value::Type::string && value->type() != Json::Value::Type::number))
        return std::nullopt;
    return value->text();
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Optional sign and ASCII digits only, within 64 bits.
std::optional<std::int64_t> decimalInteger(QStringView text) {
    const bool negative = text.startsWith(u'-');
    const QStringView digits = negative || text.startsWith(u'+') ? text.sliced(1) : text;
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    const QByteArray ascii = (negative ? QByteArrayLiteral("-") : QByteArray()) + digits.toLatin1();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    if (error != std::errc() || end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> quantity(const Json::Value& row, QStringView key) {
    const auto value = text(row, key);
    return value ? decimalInteger(*value) : std::nullopt;
}

// The longest number at the start of the text (after white space), in the point-decimal
// convention; whatever follows it ("руб", a second number) is ignored.
std::optional<Decimal> leadingNumber(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    auto digitAt = [&](qsizetype at) { return at < n && isDigit(text[at]); };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (digitAt(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.' && (digits > 0 || digitAt(i + 1))) {
        ++i;
        while (digitAt(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (digitAt(j)) {
            while (digitAt(j))
                ++j;
            i = j;
        }
    }
    return Decimal::parse(text.sliced(start, i - start));
}

bool isArrayOfObjects(const QList<Json::Value>& elements) {
    return std::all_of(elements.begin(), elements.end(),
                       [](const Json::Value& element) { return element.type() == Json::Value::Type::object; });
}

std::optional<SupplierOffer> offerFromRow(const Json::Value& row, const QString& identifier, const QDateTime& now) {
    const QString article = text(row, u"article").value_or(QString());
    const QString brand = text(row, u"brand").value_or(QString());
    QString name = text(row, u"name").value_or(QString());
    if (name.isEmpty())
        name = text(row, u"description").value_or(QString());
    if (article.isEmpty() || brand.isEmpty() || name.isEmpty())
        return std::nullopt;

    const auto priceText = text(row, u"price");
    if (!priceText)
        return std::nullopt;
    const auto price = leadingNumber(*priceText);
    // A number beyond the double range (1e400) counts as infinite: no table could sort it.
    if (!price || price->isZero() || price->isNegative() || !(price->toDouble() < std::numeric_limits<double>::max()))
        return std::nullopt;

    const auto termText = text(row, u"term");
    const auto term = termText ? decimalInteger(*termText) : std::nullopt;
    if (!term || *term < 0)
        return std::nullopt;

    const SupplierDescriptor& descriptor = SupplierDescriptors::autoliga();
    SupplierOffer offer;
    offer.supplierID = descriptor.id;
    offer.supplierName = descriptor.displayName;
    offer.supplierOfferKey = kOfferKeyPrefix + identifier;
    offer.brand = brand;
    offer.article = article;
    offer.name = name;
    offer.price = *price;
    offer.currency = QStringLiteral("RUB");
    offer.availableQuantity = quantity(row, u"amountNum");
    offer.minimumQuantity = quantity(row, u"minimumQuantity");
    offer.deliveryDescription = QString::number(*term) + QStringLiteral(" дн.");
    offer.updatedAt = now;
    if (const auto css = text(row, u"cssRule")) {
        const QRegularExpressionMatch match = AutoligaPortalSearch::backgroundRule().match(*css);
        if (match.hasMatch())
            offer.rowHighlightColor = match.captured(1).toUpper();
    }
    return offer;
}

} // namespace

AutoligaPortalSearch::AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                                           AutoligaPortalSearchContext& context)
    : AutoligaPortalSearch(credentials, endpoints, context, {requestTimeout, resourceTimeout}) {}

AutoligaPortalSearch::AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                                           AutoligaPortalSearchContext& context, Timeouts timeouts)
    : m_credentials(credentials)
    , m_endpoints(endpoints)
    , m_context(context)
    , m_timeouts(timeouts) {}

// GCC 12 may destroy temporaries of a co_await full-expression twice, so every awaited
// task is a named local first.
QCoro::Task<QList<SupplierOffer>> AutoligaPortalSearch::search(QString article, QString brand) {
    auto loginRead = readSecret(m_credentials, CredentialAccounts::autoligaLogin);
    const QString storedLogin = co_await std::move(loginRead);
    const QString login = TextUtils::trimmed(storedLogin);
    auto passwordRead = readSecret(m_credentials, CredentialAccounts::autoligaPassword);
    const QString password = co_await std::move(passwordRead);
    if (login.isEmpty() || password.isEmpty())
        throw AutoligaPortalError(Kind::missingCredentials);

    // A session of this search alone: its cookies live in memory and die with it on every
    // way out, so nothing of one sign-in reaches the next search.
    auto session = std::make_unique<QNetworkAccessManager>();
    session->setCookieJar(new QNetworkCookieJar(session.get()));

    using S = ServiceEndpoints::Service;
    const QUrl base = m_endpoints.url(S::autoligaPortal, u"");
    const QUrl loginURL = m_endpoints.url(S::autoligaPortal, u"api/v2/customer/login/");
    QUrl searchURL = m_endpoints.url(S::autoligaPortal, u"api/v2/client/search/");
    if (base.isEmpty() || loginURL.isEmpty() || searchURL.isEmpty())
        throw AutoligaPortalError(Kind::invalidAddress);
    // Every reserved character is escaped, "+" included, so that MANN+HUMMEL arrives as sent.
    QByteArray query = "article=" + QUrl::toPercentEncoding(TextUtils::trimmed(article)) + "&withAnalogs=1";
    if (!brand.isEmpty())
        query += "&brand=" + QUrl::toPercentEncoding(brand);
    searchURL.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    if (!searchURL.isValid())
        throw AutoligaPortalError(Kind::invalidAddress);

    // The warm-up only collects the portal's session cookies.
    Http::Request warmUp;
    warmUp.request.setUrl(base);
    auto warmUpExchange = fetch(*session, std::move(warmUp), 399, m_timeouts);
    co_await std::move(warmUpExchange);

    Http::Request signIn;
    signIn.request.setUrl(loginURL);
    signIn.verb = QByteArrayLiteral("POST");
    signIn.request.setRawHeader("Content-Type", "application/json");
    signIn.body = QJsonDocument(QJsonObject{{QStringLiteral("login"), login}, {QStringLiteral("password"), password}})
                      .toJson(QJsonDocument::Compact);
    auto signInExchange = fetch(*session, std::move(signIn), 299, m_timeouts);
    co_await std::move(signInExchange);

    Http::Request searchRequest;
    searchRequest.request.setUrl(searchURL);
    auto searchExchange = fetch(*session, std::move(searchRequest), 299, m_timeouts);
    const QByteArray body = co_await std::move(searchExchange);
    session.reset();

    QList<SupplierOffer> offers = parse(body);
    m_context.remember(offers, article, brand);
    co_return offers;
}

QList<SupplierOffer> AutoligaPortalSearch::parse(const QByteArray& body, const QDateTime& now) {
    Json::Value document;
    try {
        document = Json::parse(body);
    } catch (const Json::DecodingError& error) {
        throw Json::SyntaxError(error);
    } catch (const Json::LimitError&) {
        throw AutoligaPortalError(Kind::invalidResponse);
    }
    const std::optional<Json::Value> data = document.member(u"data");
    const std::optional<Json::Value> rows = data ? data->member(u"rows") : std::nullopt;
    if (!rows || rows->type() != Json::Value::Type::object)
        throw AutoligaPortalError(Kind::invalidResponse);

    // Group keys in ascending order; a key written twice counts once, with its last value.
    QMap<QString, Json::Value> groups;
    for (const auto& [key, value] : rows->members())
        groups.insert(key, value);

    QList<SupplierOffer> offers;
    // One set for the whole answer: a row repeated in a later group is the same offer.
    QSet<QString> seen;
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        if (group.value().type() != Json::Value::Type::array)
            continue;
        const QList<Json::Value> entries = group.value().elements();
        if (!isArrayOfObjects(entries))
            continue;
        for (qsizetype index = 0; index < entries.size(); ++index) {
            const Json::Value& row = entries.at(index);
            QString identifier = text(row, u"id").value_or(QString());
            if (identifier.isEmpty())
                identifier = group.key() + u':' + QString::number(index);
            if (seen.contains(identifier))
                continue;
            seen.insert(identifier);
            if (auto offer = offerFromRow(row, identifier, now))
                offers.append(std::move(*offer));
        }
    }
    return offers;
}

const QRegularExpression& AutoligaPortalSearch::backgroundRule() {
    static const QRegularExpression rule(
        QStringLiteral(
            R"re((?:^|;)\s*background(?:-color)?\s*:\s*(#[0-9a-fA-F]{8}|#[0-9a-fA-F]{6}|#[0-9a-fA-F]{3})(?=\s*(?:!important)?\s*(?:;|$)))re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return rule;
}
