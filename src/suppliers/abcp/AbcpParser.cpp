#include "AbcpParser.h"

#include "AbcpError.h"
#include "core/TextUtils.h"

#include <cmath>

namespace AbcpParser {

namespace {

using Type = Json::Value::Type;

Json::Value document(const QByteArray& body) {
    try {
        return Json::parse(body);
    } catch (const Json::DecodingError& error) {
        throw AbcpError::unreadable(Json::unreadableAnswer(body, error));
    } catch (const Json::LimitError&) {
        throw AbcpError(AbcpError::Kind::invalidResponse);
    }
}

// The values of an object, or the entries of an array; nothing for anything else.
QList<Json::Value> entries(const Json::Value& value) {
    if (value.type() == Type::array)
        return value.elements();
    QList<Json::Value> list;
    if (value.type() == Type::object) {
        for (const auto& [key, member] : value.members())
            list.append(member);
    }
    return list;
}

// A number's text, or a string's trimmed text with a decimal comma read as a point.
QString numberText(const std::optional<Json::Value>& value) {
    if (!value)
        return {};
    if (value->type() == Type::number)
        return value->text();
    if (value->type() != Type::string)
        return {};
    return TextUtils::trimmed(value->text()).replace(u',', u'.');
}

} // namespace

QString text(const std::optional<Json::Value>& value) {
    if (!value || (value->type() != Type::string && value->type() != Type::number))
        return {};
    return TextUtils::trimmed(value->text());
}

std::optional<std::int64_t> integer(const std::optional<Json::Value>& value) {
    const QString digits = numberText(value);
    if (digits.isEmpty())
        return std::nullopt;
    if (const auto exact = Json::integerValue(digits.startsWith(u'+') ? QStringView(digits).sliced(1) : digits))
        return exact;
    // "12.0", "1e3": whole values within range only.
    const auto real = Json::parseDecimalDouble(digits);
    constexpr double limit = 9223372036854775808.0;
    if (!real || std::trunc(*real) != *real || *real >= limit || *real < -limit)
        return std::nullopt;
    return static_cast<std::int64_t>(*real);
}

std::optional<double> number(const std::optional<Json::Value>& value) {
    return Json::parseDecimalDouble(numberText(value));
}

std::optional<bool> flag(const std::optional<Json::Value>& value) {
    if (value && value->type() == Type::boolean)
        return value->boolean();
    const QString word = text(value).toLower();
    if (word == u"1" || word == u"true" || word == u"y" || word == u"yes")
        return true;
    if (word == u"0" || word == u"false" || word == u"n" || word == u"no")
        return false;
    return std::nullopt;
}

std::optional<Decimal> decimal(const std::optional<Json::Value>& value) {
    return Decimal::parse(numberText(value));
}

QList<AbcpBrand> brands(const QByteArray& body) {
    QList<AbcpBrand> hits;
    const QList<Json::Value> list = entries(document(body));
    if (list.size() > Json::maxRows)
        throw AbcpError::unreadable(Json::tooManyRowsText());
    for (const Json::Value& hit : list) {
        if (hit.type() != Type::object)
            continue;
        AbcpBrand brand{text(hit.member(u"brand")), text(hit.member(u"number")), text(hit.member(u"numberFix")),
                        text(hit.member(u"description"))};
        if (!brand.brand.isEmpty())
            hits.append(std::move(brand));
    }
    return hits;
}

AbcpArticles articles(const QByteArray& body) {
    const Json::Value answer = document(body);
    AbcpArticles result;
    const QList<Json::Value> rows = entries(answer);
    // A lone offer object is no list of offers.
    if (answer.type() == Type::object && answer.member(u"itemKey"))
        throw AbcpError(AbcpError::Kind::invalidResponse);
    if (rows.size() > Json::maxRows)
        throw AbcpError::unreadable(Json::tooManyRowsText());
    for (const Json::Value& row : rows) {
        const auto price = row.type() == Type::object ? decimal(row.member(u"price")) : std::nullopt;
        AbcpOffer offer;
        if (row.type() == Type::object) {
            offer.itemKey = text(row.member(u"itemKey"));
            offer.supplierCode = text(row.member(u"supplierCode"));
            offer.brand = text(row.member(u"brand"));
            offer.number = text(row.member(u"number"));
        }
        if (!price || offer.itemKey.isEmpty() || offer.supplierCode.isEmpty() || offer.brand.isEmpty() ||
            offer.number.isEmpty()) {
            ++result.skipped;
            continue;
        }
        offer.price = *price;
        offer.numberFix = text(row.member(u"numberFix"));
        offer.description = text(row.member(u"description"));
        offer.availability = integer(row.member(u"availability"));
        offer.packing = integer(row.member(u"packing"));
        offer.deliveryPeriod = integer(row.member(u"deliveryPeriod"));
        offer.deliveryPeriodMax = integer(row.member(u"deliveryPeriodMax"));
        offer.deadlineReplace = text(row.member(u"deadlineReplace"));
        offer.deliveryProbability = number(row.member(u"deliveryProbability"));
        offer.supplierDescription = text(row.member(u"supplierDescription"));
        offer.noReturn = flag(row.member(u"noReturn"));
        result.offers.append(std::move(offer));
    }
    return result;
}

void requireJson(const QByteArray& body) {
    document(body);
}

std::optional<AbcpErrorBody> error(const QByteArray& body) {
    Json::Value answer;
    try {
        answer = Json::parse(body);
    } catch (const Json::DecodingError&) {
        return std::nullopt;
    } catch (const Json::LimitError&) {
        return std::nullopt;
    }
    if (answer.type() != Type::object)
        return std::nullopt;
    const auto code = integer(answer.member(u"errorCode"));
    if (!code || *code == 0)
        return std::nullopt;
    return AbcpErrorBody{*code, text(answer.member(u"errorMessage"))};
}

} // namespace AbcpParser
