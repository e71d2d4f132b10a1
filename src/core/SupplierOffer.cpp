#include "SupplierOffer.h"

#include <QHashFunctions>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr double kUnknown = std::numeric_limits<double>::max();

template <typename T> size_t hashOptional(size_t seed, const std::optional<T>& value) {
    seed = qHash(value.has_value(), seed);
    if (value)
        seed = qHash(*value, seed);
    return seed;
}

// The whole piece must be a finite number with a decimal point; "2-4" or "1,5" are not.
std::optional<double> parseDays(QStringView piece) {
    const QByteArray ascii = piece.toLatin1();
    if (ascii.isEmpty() || piece.size() != ascii.size())
        return std::nullopt;
    for (const QChar c : piece) {
        if (c.unicode() > 127)
            return std::nullopt;
    }
    double value = 0;
    const char* begin = ascii.constData();
    const char* end = begin + ascii.size();
    // from_chars takes no leading "+"; a stated "+3" is still a number.
    if (*begin == '+' && ascii.size() > 1 && begin[1] != '-')
        ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QList<QStringView> splitAtWhiteSpace(QStringView text) {
    QList<QStringView> pieces;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text[i].isSpace();
        if (space && start >= 0) {
            pieces.append(text.mid(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return pieces;
}

} // namespace

QString SupplierOffer::id() const {
    return supplierID + u'|' + supplierOfferKey;
}

double SupplierOffer::priceSortValue() const {
    return price.toDouble();
}

double SupplierOffer::rejectsSortValue() const {
    return rejectRate ? rejectRate->toDouble() : kUnknown;
}

double SupplierOffer::deliverySortValue() const {
    return deliverySortValue(QDateTime::currentDateTime());
}

double SupplierOffer::deliverySortValue(const QDateTime& now) const {
    if (deliveryDescription) {
        const QString text = deliveryDescription->trimmed().toLower();
        const QList<QStringView> pieces = splitAtWhiteSpace(text);
        if (pieces.size() >= 2 && pieces.at(1).startsWith(u"дн")) {
            if (const auto days = parseDays(pieces.at(0)))
                return *days;
        }
    }
    if (!deliveryDate)
        return kUnknown;
    const QDate today = now.toLocalTime().date();
    const QDate day = deliveryDate->toLocalTime().date();
    if (!today.isValid() || !day.isValid())
        return 0.0;
    return std::max<double>(0.0, static_cast<double>(today.daysTo(day)));
}

size_t qHash(const SupplierOffer& o, size_t seed) {
    seed = qHashMulti(seed, o.supplierID, o.supplierName, o.supplierOfferKey, o.brand, o.article, o.name, o.price,
                      o.currency);
    seed = hashOptional(seed, o.availableQuantity);
    seed = hashOptional(seed, o.minimumQuantity);
    seed = hashOptional(seed, o.packageQuantity);
    seed = hashOptional(seed, o.warehouse);
    seed = hashOptional(seed, o.deliveryDescription);
    seed = hashOptional(seed, o.deliveryDate);
    seed = hashOptional(seed, o.rejectRate);
    seed = hashOptional(seed, o.isReturnable);
    seed = qHash(o.updatedAt, seed);
    return hashOptional(seed, o.rowHighlightColor);
}
