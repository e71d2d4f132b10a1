#include "AutoEuroModels.h"

#include <QHashFunctions>

#include <cmath>
#include <limits>

using Json::CodingPath;
using Json::ObjectReader;
using Json::Value;

namespace {

// Toward zero, or nothing when the double has no 64-bit integer.
std::optional<std::int64_t> truncated(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = std::trunc(value);
    // 2^63 is exactly representable; everything in [-2^63, 2^63) fits.
    constexpr double limit = 9223372036854775808.0;
    if (whole < -limit || whole >= limit)
        return std::nullopt;
    return static_cast<std::int64_t>(whole);
}

bool isPlainInteger(QStringView text) {
    qsizetype i = (text.startsWith(u'+') || text.startsWith(u'-')) ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

QString commaAsPoint(QString text) {
    return text.replace(u',', u'.');
}

auto text = &Json::decodeString;

} // namespace

FlexibleString FlexibleString::decode(const Value& json, const CodingPath& path) {
    switch (json.type()) {
    case Value::Type::string:
        return {json.text()};
    case Value::Type::number:
        if (const auto i = Json::integerValue(json.text()))
            return {QString::number(*i)};
        if (const auto d = Json::doubleValue(json.text()))
            return {Json::shortestText(*d)};
        break;
    case Value::Type::boolean:
        return {json.boolean() ? QStringLiteral("true") : QStringLiteral("false")};
    default:
        break;
    }
    Json::throwTypeMismatch(QStringLiteral("String"), path, QStringLiteral("Expected String, Int, Double or Bool."));
}

FlexibleInt FlexibleInt::decode(const Value& json, const CodingPath& path) {
    if (json.type() == Value::Type::number) {
        if (const auto i = Json::integerValue(json.text()))
            return {*i};
        if (const auto d = Json::doubleValue(json.text())) {
            if (const auto i = truncated(*d))
                return {*i};
        }
    } else if (json.type() == Value::Type::string) {
        QString s = json.text().trimmed();
        if (isPlainInteger(s)) {
            if (s.startsWith(u'+'))
                s.remove(0, 1);
            if (const auto i = Json::integerValue(s))
                return {*i};
        }
        if (const auto d = Json::parseDecimalDouble(commaAsPoint(s))) {
            if (const auto i = truncated(*d))
                return {*i};
        }
    }
    Json::throwTypeMismatch(QStringLiteral("Int64"), path, QStringLiteral("Expected Int-compatible number or string."));
}

FlexibleDouble FlexibleDouble::decode(const Value& json, const CodingPath& path) {
    if (json.type() == Value::Type::number) {
        if (const auto d = Json::doubleValue(json.text()))
            return {*d};
    } else if (json.type() == Value::Type::string) {
        if (const auto d = Json::parseDecimalDouble(commaAsPoint(json.text().trimmed())))
            return {*d};
    }
    Json::throwTypeMismatch(QStringLiteral("Double"), path,
                            QStringLiteral("Expected Double-compatible number or string."));
}

size_t qHash(const FlexibleString& v, size_t seed) {
    return qHash(v.value, seed);
}
size_t qHash(const FlexibleInt& v, size_t seed) {
    return qHash(static_cast<qint64>(v.value), seed);
}
size_t qHash(const FlexibleDouble& v, size_t seed) {
    return qHash(v.value, seed);
}

AutoEuroMeta AutoEuroMeta::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    return {r.optional(QStringLiteral("result"), text),
            r.optional(QStringLiteral("results_count"), &FlexibleInt::decode),
            r.optional(QStringLiteral("client_state"), text)};
}

AutoEuroOffer AutoEuroOffer::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    AutoEuroOffer o;
    o.offer_key = r.optional(QStringLiteral("offer_key"), text);
    o.stock = r.optional(QStringLiteral("stock"), &FlexibleInt::decode);
    o.cross = r.optional(QStringLiteral("cross"), &FlexibleInt::decode);
    o.brand = r.optional(QStringLiteral("brand"), text);
    o.code = r.optional(QStringLiteral("code"), text);
    o.name = r.optional(QStringLiteral("name"), text);
    o.packing = r.optional(QStringLiteral("packing"), &FlexibleInt::decode);
    o.price = r.optional(QStringLiteral("price"), &FlexibleDouble::decode);
    o.currency = r.optional(QStringLiteral("currency"), text);
    o.amount = r.optional(QStringLiteral("amount"), &FlexibleInt::decode);
    o.unit = r.optional(QStringLiteral("unit"), text);
    o.return_ = r.optional(QStringLiteral("return"), &FlexibleInt::decode);
    o.order_before = r.optional(QStringLiteral("order_before"), &FlexibleString::decode);
    o.delivery_time = r.optional(QStringLiteral("delivery_time"), &FlexibleString::decode);
    o.delivery_time_max = r.optional(QStringLiteral("delivery_time_max"), &FlexibleString::decode);
    o.rejects = r.optional(QStringLiteral("rejects"), &FlexibleDouble::decode);
    o.dealer = r.optional(QStringLiteral("dealer"), &FlexibleInt::decode);
    o.warehouse_name = r.optional(QStringLiteral("warehouse_name"), text);
    o.warehouse_key = r.optional(QStringLiteral("warehouse_key"), &FlexibleString::decode);
    o.product_id = r.optional(QStringLiteral("product_id"), &FlexibleInt::decode);
    o.ttl = r.optional(QStringLiteral("ttl"), &FlexibleInt::decode);
    return o;
}

QString AutoEuroOffer::id() const {
    if (offer_key && !offer_key->isEmpty())
        return *offer_key;
    return QStringList{brand.value_or(QString()), code.value_or(QString()),
                       price ? Json::shortestText(price->value) : QString(),
                       delivery_time ? delivery_time->value : QString()}
        .join(u'|');
}

AutoEuroBrand AutoEuroBrand::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    const QString string = QStringLiteral("String");
    AutoEuroBrand b;
    b.brand = r.required(QStringLiteral("brand"), string, text);
    b.code = r.required(QStringLiteral("code"), string, text);
    b.name = r.optional(QStringLiteral("name"), text);
    return b;
}

AutoEuroPayer AutoEuroPayer::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    const QString string = QStringLiteral("String");
    AutoEuroPayer p;
    p.payer_key = r.required(QStringLiteral("payer_key"), string, text);
    p.payer_name = r.required(QStringLiteral("payer_name"), string, text);
    return p;
}

AutoEuroDelivery AutoEuroDelivery::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    const QString string = QStringLiteral("String");
    AutoEuroDelivery d;
    d.delivery_key = r.required(QStringLiteral("delivery_key"), string, text);
    // Some answers name the point "name"; "delivery_name" wins when both are there.
    const bool onlyName = !json.member(u"delivery_name") && json.member(u"name");
    d.delivery_name = r.required(onlyName ? QStringLiteral("name") : QStringLiteral("delivery_name"), string, text);
    d.time_shift_msk = r.optional(QStringLiteral("time_shift_msk"), &FlexibleString::decode);
    return d;
}

AutoEuroOrderStatus AutoEuroOrderStatus::decode(const Value& json, const CodingPath& path) {
    const ObjectReader r(json, path);
    const QString string = QStringLiteral("String");
    AutoEuroOrderStatus s;
    s.status_id = r.required(QStringLiteral("status_id"), QStringLiteral("Int64"), &FlexibleInt::decode);
    s.group = r.required(QStringLiteral("group"), string, text);
    s.name = r.required(QStringLiteral("name"), string, text);
    s.description = r.required(QStringLiteral("description"), string, text);
    return s;
}

std::optional<QString> autoEuroErrorMessage(const Value& document) {
    const std::optional<Value> error = document.member(u"ERROR");
    if (!error)
        return std::nullopt;
    const auto textOf = [](const std::optional<Value>& value) -> QString {
        if (!value || (value->type() != Value::Type::string && value->type() != Value::Type::number))
            return {};
        return value->text().trimmed();
    };
    QString message;
    if (error->type() == Value::Type::object) {
        message = textOf(error->member(u"message"));
        const QString code = textOf(error->member(u"code"));
        if (message.isEmpty() && !code.isEmpty() && code != u"0")
            message = QStringLiteral("код ") + code;
    } else if (error->type() == Value::Type::string) {
        message = textOf(error);
    }
    if (message.isEmpty())
        return std::nullopt;
    return message;
}

std::optional<QString> autoEuroErrorMessage(const QByteArray& body) {
    try {
        return autoEuroErrorMessage(Json::parse(body));
    } catch (const Json::DecodingError&) {
    } catch (const Json::LimitError&) {
    }
    // Not JSON (a web page, a proxy's text): no message of the service's own.
    return std::nullopt;
}
