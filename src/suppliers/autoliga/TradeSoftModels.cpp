#include "TradeSoftModels.h"

#include "suppliers/JsonDecoding.h"

#include <cmath>

std::optional<std::int64_t> truncatedInteger(double value) {
    // 2^63 itself is one past the largest int64.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value < -limit || value >= limit)
        return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(value));
}

std::optional<std::int64_t> TradeSoftPriceItem::availableQuantity() const {
    if (!rest)
        return std::nullopt;
    const auto number = Json::parseDecimalDouble(rest->trimmed());
    return number ? truncatedInteger(*number) : std::nullopt;
}

std::optional<bool> TradeSoftPriceItem::isReturnable() const {
    if (!returnStatus)
        return std::nullopt;
    const QString status = returnStatus->trimmed().toLower();
    if (status == u"possible" || status == u"yes" || status == u"true" || status == u"1")
        return true;
    if (status == u"impossible" || status == u"no" || status == u"false" || status == u"0")
        return false;
    return std::nullopt;
}
