#include "CartItem.h"

#include "core/TextUtils.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 kReferenceMSecs = 978307200000;
// About ±3000 years around the reference date; anything beyond is no date of a cart line.
constexpr double kMaxAbsSeconds = 1e11;

template <typename T> size_t hashOptional(size_t seed, const std::optional<T>& value) {
    seed = qHash(value.has_value(), seed);
    return value ? qHash(*value, seed) : seed;
}

bool isAbsent(const QJsonValue& v) {
    return v.isUndefined() || v.isNull();
}

bool readText(const QJsonObject& o, const char* key, QString& out) {
    const QJsonValue v = o.value(QLatin1StringView(key));
    if (!v.isString())
        return false;
    out = v.toString();
    return true;
}

bool readOptionalText(const QJsonObject& o, const char* key, std::optional<QString>& out) {
    const QJsonValue v = o.value(QLatin1StringView(key));
    if (isAbsent(v))
        return true;
    if (!v.isString())
        return false;
    out = v.toString();
    return true;
}

bool readInteger(const QJsonValue& v, std::int64_t& out) {
    if (!v.isDouble())
        return false;
    // A whole number within 64 bits reads the same whatever the fallback.
    const qint64 a = v.toInteger(0);
    const qint64 b = v.toInteger(1);
    if (a != b)
        return false;
    out = a;
    return true;
}

bool readFinite(const QJsonValue& v, double& out) {
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return false;
    out = v.toDouble();
    return true;
}

void putOptional(QJsonObject& o, const char* key, const std::optional<QString>& value) {
    if (value)
        o.insert(QLatin1StringView(key), *value);
}

} // namespace

CartItem CartItem::supplierOffer(const SupplierOffer& from, const QDateTime& now) {
    CartItem item;
    item.id = from.id();
    item.supplierID = from.supplierID;
    item.supplierName = from.supplierName;
    item.offerID = from.supplierOfferKey;
    item.supplierOfferKey = from.supplierOfferKey;
    item.brand = from.brand;
    item.article = from.article;
    item.name = from.name;
    item.unitPrice = from.price.toDouble();
    item.currency = from.currency;
    item.quantity = 1;
    item.availableQuantity = from.availableQuantity;
    item.warehouse = from.warehouse;
    item.deliveryTime = from.deliveryDescription;
    if (from.rejectRate)
        item.rejects = from.rejectRate->toDouble();
    item.addedAt = now;
    return item;
}

bool CartItem::isAnalogue() const {
    return askedArticle && TextUtils::canonicalPartNumber(*askedArticle) != TextUtils::canonicalPartNumber(article);
}

QString CartItem::analogueMark() const {
    return isAnalogue() ? QStringLiteral("аналог ") + *askedArticle : QString();
}

QJsonObject CartItem::toJson() const {
    // QJsonDocument writes doubles in their shortest round-trip form and 64-bit integers exactly.
    QJsonObject o;
    o.insert(u"id"_s, id);
    o.insert(u"supplierID"_s, supplierID);
    o.insert(u"supplierName"_s, supplierName);
    o.insert(u"offerID"_s, offerID);
    putOptional(o, "supplierOfferKey", supplierOfferKey);
    o.insert(u"brand"_s, brand);
    o.insert(u"article"_s, article);
    o.insert(u"name"_s, name);
    o.insert(u"unitPrice"_s, unitPrice);
    o.insert(u"currency"_s, currency);
    o.insert(u"quantity"_s, qint64(quantity));
    if (availableQuantity)
        o.insert(u"availableQuantity"_s, qint64(*availableQuantity));
    putOptional(o, "warehouse", warehouse);
    putOptional(o, "deliveryTime", deliveryTime);
    if (rejects)
        o.insert(u"rejects"_s, *rejects);
    o.insert(u"addedAt"_s, double(addedAt.toMSecsSinceEpoch() - kReferenceMSecs) / 1000.0);
    // Newer than the other keys: readers that do not know it pass over it.
    putOptional(o, "askedArticle", askedArticle);
    return o;
}

std::optional<CartItem> CartItem::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    CartItem item;
    if (!readText(o, "id", item.id) || !readText(o, "supplierID", item.supplierID) ||
        !readText(o, "supplierName", item.supplierName) || !readText(o, "offerID", item.offerID) ||
        !readOptionalText(o, "supplierOfferKey", item.supplierOfferKey) || !readText(o, "brand", item.brand) ||
        !readText(o, "article", item.article) || !readText(o, "name", item.name) ||
        !readFinite(o.value(u"unitPrice"_s), item.unitPrice) || !readText(o, "currency", item.currency) ||
        !readInteger(o.value(u"quantity"_s), item.quantity) || !readOptionalText(o, "warehouse", item.warehouse) ||
        !readOptionalText(o, "deliveryTime", item.deliveryTime) ||
        !readOptionalText(o, "askedArticle", item.askedArticle))
        return std::nullopt;

    const QJsonValue available = o.value(u"availableQuantity"_s);
    if (!isAbsent(available)) {
        std::int64_t n = 0;
        if (!readInteger(available, n))
            return std::nullopt;
        item.availableQuantity = n;
    }
    const QJsonValue rejects = o.value(u"rejects"_s);
    if (!isAbsent(rejects)) {
        double rate = 0;
        if (!readFinite(rejects, rate))
            return std::nullopt;
        item.rejects = rate;
    }
    double seconds = 0;
    if (!readFinite(o.value(u"addedAt"_s), seconds) || std::abs(seconds) > kMaxAbsSeconds)
        return std::nullopt;
    item.addedAt = QDateTime::fromMSecsSinceEpoch(kReferenceMSecs + std::llround(seconds * 1000.0), Qt::UTC);
    // A line always holds at least one unit, whatever a hand-edited file says.
    item.quantity = std::max<std::int64_t>(item.quantity, 1);
    return item;
}

QByteArray CartItem::encodeList(const QList<CartItem>& items) {
    QJsonArray array;
    for (const CartItem& item : items)
        array.append(item.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<CartItem>> CartItem::decodeList(const QByteArray& data) {
    auto lines = decodeReadableLines(data);
    if (!lines || lines->unreadable > 0)
        return std::nullopt;
    return std::move(lines->items);
}

std::optional<CartItem::DecodedLines> CartItem::decodeReadableLines(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    DecodedLines lines;
    const QJsonArray array = document.array();
    lines.items.reserve(array.size());
    for (const QJsonValue& value : array) {
        if (auto item = fromJson(value))
            lines.items.append(std::move(*item));
        else
            ++lines.unreadable;
    }
    return lines;
}

size_t qHash(const CartItem& i, size_t seed) {
    seed = qHashMulti(seed, i.id, i.supplierID, i.supplierName, i.offerID);
    seed = hashOptional(seed, i.supplierOfferKey);
    seed = qHashMulti(seed, i.brand, i.article, i.name, i.unitPrice, i.currency, i.quantity);
    seed = hashOptional(seed, i.availableQuantity);
    seed = hashOptional(seed, i.warehouse);
    seed = hashOptional(seed, i.deliveryTime);
    seed = hashOptional(seed, i.rejects);
    seed = hashOptional(seed, i.askedArticle);
    return qHash(i.addedAt, seed);
}
