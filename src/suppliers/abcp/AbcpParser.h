#pragma once

#include "core/Decimal.h"
#include "suppliers/JsonDecoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// A brand the shop knows for a number (search/brands).
struct AbcpBrand {
    QString brand;
    QString number;
    // The number without spaces and signs, as the shop normalises it.
    QString numberFix;
    QString description;

    bool operator==(const AbcpBrand&) const = default;
};

// One offer of search/articles: one warehouse's line of one part.
struct AbcpOffer {
    QString brand;
    QString number;
    QString numberFix;
    QString description;
    // The two halves of the line's handle (what the shop's basket takes).
    QString itemKey;
    QString supplierCode;
    Decimal price;
    // Pieces in stock; -1, -2, -3: "+", "++", "+++"; -10: on order.
    std::optional<std::int64_t> availability;
    std::optional<std::int64_t> packing;
    // Hours until delivery, at least and at most.
    std::optional<std::int64_t> deliveryPeriod;
    std::optional<std::int64_t> deliveryPeriodMax;
    // Shown by the shop instead of the period ("до 7 раб.дн.").
    QString deadlineReplace;
    // Percent; 0 when unknown.
    std::optional<double> deliveryProbability;
    QString supplierDescription;
    std::optional<bool> noReturn;

    bool operator==(const AbcpOffer&) const = default;
};

struct AbcpArticles {
    QList<AbcpOffer> offers;
    // Rows left out: no object, no handle, or no price to read.
    qsizetype skipped = 0;
};

// An error answer: {"errorCode": 102, "errorMessage": "…"}.
struct AbcpErrorBody {
    std::int64_t code = 0;
    QString message;
};

// The shop's answers read from their bytes, with no network in them. Numbers, flags and prices may
// come as numbers, as text or as empty text; every reader takes each. A body that is no JSON
// throws AbcpError (unreadable or invalidResponse).
namespace AbcpParser {

// Hits with a brand, from an object of hits ("0": {…}) or an array of them.
QList<AbcpBrand> brands(const QByteArray& body);
AbcpArticles articles(const QByteArray& body);
// Whether the body is a JSON document at all (user/info answers anything else about the user).
void requireJson(const QByteArray& body);
// The error a body states; nothing for any other body.
std::optional<AbcpErrorBody> error(const QByteArray& body);

// Lenient readers of one member (nullopt: missing, null, empty or unreadable).
QString text(const std::optional<Json::Value>& value);
std::optional<std::int64_t> integer(const std::optional<Json::Value>& value);
std::optional<double> number(const std::optional<Json::Value>& value);
// 1, "1", true, "true", "Y" and 0, "0", false, "false", "N".
std::optional<bool> flag(const std::optional<Json::Value>& value);
std::optional<Decimal> decimal(const std::optional<Json::Value>& value);

} // namespace AbcpParser
