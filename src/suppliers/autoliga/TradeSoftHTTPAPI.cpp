#include "TradeSoftHTTPAPI.h"

#include "core/Offload.h"
#include "core/TextUtils.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "TradeSoftError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

using Type = Json::Value::Type;

QString quoted(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

// A compact JSON text of a value the readers do not expect as text (arrays, objects).
QString describe(const Json::Value& value) {
    switch (value.type()) {
    case Type::null:
        return QStringLiteral("null");
    case Type::boolean:
        return value.boolean() ? QStringLiteral("true") : QStringLiteral("false");
    case Type::number:
        return value.text();
    case Type::string:
        return quoted(value.text());
    case Type::array: {
        QStringList parts;
        for (const Json::Value& element : value.elements())
            parts.append(describe(element));
        return u'[' + parts.join(u',') + u']';
    }
    case Type::object: {
        QStringList parts;
        for (const auto& [key, member] : value.members())
            parts.append(quoted(key) + u':' + describe(member));
        return u'{' + parts.join(u',') + u'}';
    }
    }
    return {};
}

bool isArrayOfObjects(const std::optional<Json::Value>& value) {
    if (!value || value->type() != Type::array)
        return false;
    const QList<Json::Value> elements = value->elements();
    return std::all_of(elements.begin(), elements.end(),
                       [](const Json::Value& element) { return element.type() == Type::object; });
}

// Optional sign and ASCII digits only.
bool isDecimalIntegerText(QStringView text) {
    const QStringView digits = text.startsWith(u'+') || text.startsWith(u'-') ? text.sliced(1) : text;
    return !digits.isEmpty() &&
           std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

TradeSoftHTTPAPI::TradeSoftHTTPAPI(QNetworkAccessManager& network, CredentialStore& credentials,
                                   const ServiceEndpoints& endpoints)
    : m_network(network)
    , m_credentials(credentials)
    , m_endpoints(endpoints) {}

QCoro::Task<QList<Json::Value>> TradeSoftHTTPAPI::request(QString action, TradeSoftCredentials credentials,
                                                          QJsonObject containerItem, std::optional<int> timeLimit) {
    auto call = post(std::move(action), std::move(credentials), QJsonArray{containerItem}, timeLimit);
    QByteArray body = co_await std::move(call);
    // A large answer is read off the window's thread.
    auto reading = offload([body = std::move(body)] { return answerRows(body); });
    co_return co_await std::move(reading);
}

QCoro::Task<QByteArray> TradeSoftHTTPAPI::post(QString action, TradeSoftCredentials credentials,
                                               std::optional<QJsonArray> container, std::optional<int> timeLimit) {
    const QUrl url = m_endpoints.url(ServiceEndpoints::Service::tradeSoft, u"3/");
    if (url.isEmpty())
        throw TradeSoftError::invalidURL(m_endpoints.problem(ServiceEndpoints::Service::tradeSoft));

    QJsonObject body{{QStringLiteral("service"), QStringLiteral("provider")},
                     {QStringLiteral("action"), action},
                     {QStringLiteral("user"), credentials.user},
                     {QStringLiteral("password"), credentials.password}};
    if (container)
        body.insert(QStringLiteral("container"), *container);
    if (timeLimit)
        body.insert(QStringLiteral("timelimit"), *timeLimit);

    Http::Request request;
    request.request.setUrl(url);
    request.verb = QByteArrayLiteral("POST");
    request.request.setRawHeader("Content-Type", "application/json");
    request.request.setRawHeader("Accept", "application/json");
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    request.timeout = m_timeout;
    request.bodyOnlyOnSuccess = true;

    Http::Response response;
    try {
        auto exchange = Http::send(m_network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError&) {
        throw TradeSoftError(TradeSoftError::Kind::invalidResponse);
    }
    if (response.status <= 0)
        throw TradeSoftError(TradeSoftError::Kind::invalidResponse);
    if (TextUtils::isWebPage(response.body, response.header("Content-Type")))
        throw TradeSoftError::webPage(response.status);
    if (!response.isSuccess())
        throw TradeSoftError::httpStatus(response.status);
    co_return response.body;
}

Json::Value TradeSoftHTTPAPI::answerObject(const QByteArray& body) {
    Json::Value answer;
    try {
        answer = Json::parse(body);
    } catch (const Json::DecodingError& error) {
        throw TradeSoftError::unreadable(Json::unreadableAnswer(body, error));
    } catch (const Json::LimitError&) {
        throw TradeSoftError(TradeSoftError::Kind::invalidResponse);
    }
    if (answer.type() != Type::object)
        throw TradeSoftError(TradeSoftError::Kind::invalidResponse);
    if (auto message = apiError(answer))
        throw TradeSoftError::api(*message);
    return answer;
}

QList<Json::Value> TradeSoftHTTPAPI::answerRows(const QByteArray& body) {
    const Json::Value answer = answerObject(body);

    const std::optional<Json::Value> container = answer.member(u"container");
    if (!isArrayOfObjects(container))
        throw TradeSoftError::api(QStringLiteral("TradeSoft: в ответе отсутствует container."));
    QList<Json::Value> rows;
    for (const Json::Value& entry : container->elements()) {
        if (auto message = apiError(entry))
            throw TradeSoftError::api(*message);
        for (const auto* name : {u"data", u"items"}) {
            const std::optional<Json::Value> list = entry.member(name);
            if (isArrayOfObjects(list)) {
                // Counted over the whole answer, however many entries share the rows.
                if (rows.size() + list->size() > Json::maxRows)
                    throw TradeSoftError::unreadable(Json::tooManyRowsText());
                rows += list->elements();
                break;
            }
        }
    }
    return rows;
}

QCoro::Task<QList<TradeSoftPriceItem>> TradeSoftHTTPAPI::preOrderSearch(QString article, QString producer,
                                                                        QString itemHash, QString providerID) {
    auto load = TradeSoftCredentials::load(m_credentials);
    const TradeSoftCredentials credentials = co_await std::move(load);
    auto search = preOrderSearch(std::move(article), std::move(producer), std::move(itemHash), std::move(providerID),
                                 credentials);
    co_return co_await std::move(search);
}

QCoro::Task<QList<TradeSoftPriceItem>> TradeSoftHTTPAPI::preOrderSearch(QString article, QString producer,
                                                                        QString itemHash, QString providerID,
                                                                        TradeSoftCredentials credentials) {
    QJsonObject item{{QStringLiteral("provider"), providerID},
                     {QStringLiteral("login"), credentials.providerLogin},
                     {QStringLiteral("password"), credentials.providerPassword},
                     {QStringLiteral("code"), article},
                     {QStringLiteral("producer"), producer}};
    const QString hash = TextUtils::trimmed(itemHash);
    if (!hash.isEmpty())
        item.insert(QStringLiteral("itemHash"), hash);
    auto call = request(QStringLiteral("preOrderSearch"), credentials, item, preOrderTimeLimit);
    QList<Json::Value> rows = co_await std::move(call);
    auto decoding = offload([rows = std::move(rows)] {
        QList<TradeSoftPriceItem> items;
        items.reserve(rows.size());
        for (const Json::Value& row : rows)
            items.append(decodePriceItem(row));
        return items;
    });
    co_return co_await std::move(decoding);
}

QCoro::Task<QList<TradeSoftProducer>> TradeSoftHTTPAPI::producers(QString article, QString providerID) {
    auto load = TradeSoftCredentials::load(m_credentials);
    const TradeSoftCredentials credentials = co_await std::move(load);
    const QJsonObject item{{QStringLiteral("provider"), providerID},
                           {QStringLiteral("login"), credentials.providerLogin},
                           {QStringLiteral("password"), credentials.providerPassword},
                           {QStringLiteral("code"), article}};
    auto call = request(QStringLiteral("GetProducerList"), credentials, item, std::nullopt);
    const QList<Json::Value> rows = co_await std::move(call);
    QList<TradeSoftProducer> producers;
    for (const Json::Value& row : rows) {
        const QString name = TextUtils::trimmed(stringValue(row.member(u"producer")));
        if (!name.isEmpty())
            producers.append(TradeSoftProducer{name});
    }
    co_return producers;
}

std::optional<QString> TradeSoftHTTPAPI::apiError(const Json::Value& object) {
    for (const auto* name : {u"error", u"message", u"errorMessage", u"error_message"}) {
        const std::optional<Json::Value> value = object.member(name);
        if (!value)
            continue;
        switch (value->type()) {
        case Type::null:
            continue;
        case Type::number: {
            const auto number = Json::doubleValue(value->text());
            if (number && std::trunc(*number) == 0)
                continue;
            return QStringLiteral("TradeSoft API error: ") + value->text();
        }
        case Type::boolean:
            // "error": false says there is none; true is error number 1.
            if (!value->boolean())
                continue;
            return QStringLiteral("TradeSoft API error: 1");
        default: {
            const QString text = TextUtils::trimmed(stringValue(value));
            if (text.isEmpty() || text.compare(u"null", Qt::CaseInsensitive) == 0 || text == u"0")
                continue;
            return text;
        }
        }
    }
    return std::nullopt;
}

QString TradeSoftHTTPAPI::stringValue(const std::optional<Json::Value>& value) {
    if (!value)
        return {};
    switch (value->type()) {
    case Type::null:
        return {};
    case Type::string:
    case Type::number:
        return value->text();
    default:
        return describe(*value);
    }
}

std::optional<QString> TradeSoftHTTPAPI::optionalStringValue(const std::optional<Json::Value>& value) {
    const QString text = TextUtils::trimmed(stringValue(value));
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<std::int64_t> TradeSoftHTTPAPI::intValue(const std::optional<Json::Value>& value) {
    if (value && value->type() == Type::number) {
        if (const auto exact = Json::integerValue(value->text()))
            return exact;
        const auto number = Json::doubleValue(value->text());
        return number ? truncatedInteger(*number) : std::nullopt;
    }
    const QString text = TextUtils::trimmed(stringValue(value));
    if (text.isEmpty())
        return std::nullopt;
    if (isDecimalIntegerText(text)) {
        if (const auto exact =
                Json::integerValue(text.startsWith(u'+') ? QStringView(text).sliced(1) : QStringView(text)))
            return exact;
    }
    const auto number = Json::parseDecimalDouble(text);
    return number ? truncatedInteger(*number) : std::nullopt;
}

double TradeSoftHTTPAPI::priceValue(const std::optional<Json::Value>& value) {
    if (value && value->type() == Type::number)
        return Json::doubleValue(value->text()).value_or(0.0);
    QString text = stringValue(value);
    text.replace(u',', u'.');
    return Json::parseDecimalDouble(text).value_or(0.0);
}

TradeSoftPriceItem TradeSoftHTTPAPI::decodePriceItem(const Json::Value& row) {
    TradeSoftPriceItem item;
    item.code = stringValue(row.member(u"code"));
    item.producer = stringValue(row.member(u"producer"));
    item.price = priceValue(row.member(u"price"));
    item.currencyCode = stringValue(row.member(u"currencycode"));
    item.caption = stringValue(row.member(u"caption"));
    item.rest = optionalStringValue(row.member(u"rest"));
    item.deliveryDays = optionalStringValue(row.member(u"deliverydays"));
    item.deliveryDaysMin = intValue(row.member(u"deliverydays_min"));
    item.deliveryDaysMax = intValue(row.member(u"deliverydays_max"));
    item.direction = optionalStringValue(row.member(u"direction"));
    item.minimumQuantity = intValue(row.member(u"minquantity"));
    item.providerRating = optionalStringValue(row.member(u"provider_rating"));
    item.itemHash = stringValue(row.member(u"itemHash"));
    item.itemID = optionalStringValue(row.member(u"itemId"));
    item.returnStatus = optionalStringValue(row.member(u"return"));
    item.itemType = optionalStringValue(row.member(u"itemtype"));
    return item;
}
