#pragma once

#include "suppliers/JsonDecoding.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// Lenient scalars: AutoEuro sends the same field as a string one day and as a number
// the next. Each decodes from a JSON value or throws a typeMismatch Json::DecodingError.
struct FlexibleString {
    QString value;
    static FlexibleString decode(const Json::Value& json, const Json::CodingPath& path);
    bool operator==(const FlexibleString&) const = default;
};

struct FlexibleInt {
    std::int64_t value = 0;
    static FlexibleInt decode(const Json::Value& json, const Json::CodingPath& path);
    bool operator==(const FlexibleInt&) const = default;
};

struct FlexibleDouble {
    double value = 0;
    static FlexibleDouble decode(const Json::Value& json, const Json::CodingPath& path);
    bool operator==(const FlexibleDouble&) const = default;
};

size_t qHash(const FlexibleString& v, size_t seed = 0);
size_t qHash(const FlexibleInt& v, size_t seed = 0);
size_t qHash(const FlexibleDouble& v, size_t seed = 0);

struct AutoEuroMeta {
    std::optional<QString> result;
    std::optional<FlexibleInt> results_count;
    std::optional<QString> client_state;
    static AutoEuroMeta decode(const Json::Value& json, const Json::CodingPath& path);
};

struct AutoEuroOffer {
    std::optional<QString> offer_key;
    std::optional<FlexibleInt> stock;
    std::optional<FlexibleInt> cross;
    std::optional<QString> brand;
    std::optional<QString> code;
    std::optional<QString> name;
    std::optional<FlexibleInt> packing;
    std::optional<FlexibleDouble> price;
    std::optional<QString> currency;
    std::optional<FlexibleInt> amount;
    std::optional<QString> unit;
    std::optional<FlexibleInt> return_; // "return"
    std::optional<FlexibleString> order_before;
    std::optional<FlexibleString> delivery_time;
    std::optional<FlexibleString> delivery_time_max;
    std::optional<FlexibleDouble> rejects;
    std::optional<FlexibleInt> dealer;
    std::optional<QString> warehouse_name;
    std::optional<FlexibleString> warehouse_key;
    std::optional<FlexibleInt> product_id;
    std::optional<FlexibleInt> ttl;

    // "offer_key" when present and not empty, else brand|code|price|delivery_time.
    QString id() const;
    static AutoEuroOffer decode(const Json::Value& json, const Json::CodingPath& path);
};

struct AutoEuroBrand {
    QString brand;
    QString code;
    std::optional<QString> name;

    QString id() const { return brand + u'|' + code; }
    bool operator==(const AutoEuroBrand&) const = default;
    static AutoEuroBrand decode(const Json::Value& json, const Json::CodingPath& path);
};

struct AutoEuroPayer {
    QString payer_key;
    QString payer_name;
    static AutoEuroPayer decode(const Json::Value& json, const Json::CodingPath& path);
};

struct AutoEuroDelivery {
    QString delivery_key;
    QString delivery_name;
    std::optional<FlexibleString> time_shift_msk;
    static AutoEuroDelivery decode(const Json::Value& json, const Json::CodingPath& path);
};

struct AutoEuroOrderStatus {
    FlexibleInt status_id;
    QString group;
    QString name;
    QString description;

    std::int64_t id() const { return status_id.value; }
    static AutoEuroOrderStatus decode(const Json::Value& json, const Json::CodingPath& path);
};

// The service's own message in {"ERROR": {"code": …, "message": "…"}} (or {"ERROR": "…"}), which it
// may send with a 200 or with an error status; nothing when the document carries no error.
std::optional<QString> autoEuroErrorMessage(const Json::Value& document);
// The same for a body that may not be JSON at all.
std::optional<QString> autoEuroErrorMessage(const QByteArray& body);

// Every AutoEuro answer: {"META": {...}, "DATA": [...]}, both optional. The envelope is
// read strictly; the records of "DATA" one by one, so that one malformed record costs only
// itself (it is counted in skippedRecords). When every record is malformed, the answer
// fails with the first one's error.
template <typename Record> struct AutoEuroEnvelope {
    std::optional<AutoEuroMeta> META;
    std::optional<QList<Record>> DATA;
    qsizetype skippedRecords = 0;
    // The service's error message; when set, nothing else of the answer is read.
    std::optional<QString> ERROR;

    // Throws Json::DecodingError or Json::LimitError.
    static AutoEuroEnvelope decode(const QByteArray& body) {
        const Json::Value document = Json::parse(body);
        AutoEuroEnvelope envelope;
        envelope.ERROR = autoEuroErrorMessage(document);
        if (envelope.ERROR)
            return envelope;
        const Json::ObjectReader reader(document, {});
        envelope.META = reader.optional(QStringLiteral("META"), &AutoEuroMeta::decode);
        auto data = reader.optional(QStringLiteral("DATA"), [](const Json::Value& v, const Json::CodingPath& p) {
            return Json::decodeLenientList(v, p, &Record::decode);
        });
        if (data) {
            if (data->records.isEmpty() && data->firstFailure)
                throw *data->firstFailure;
            envelope.skippedRecords = data->skipped;
            envelope.DATA = std::move(data->records);
        }
        return envelope;
    }
};
