#include "SupplierOffer.h"

#include <QHashFunctions>

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

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
    // Asked for every offer at every sort: short pieces are read from the stack.
    constexpr qsizetype kShort = 64;
    if (piece.isEmpty())
        return std::nullopt;
    char stack[kShort] = {};
    QByteArray heap;
    char* ascii = stack;
    if (piece.size() > kShort) {
        heap.resize(piece.size());
        ascii = heap.data();
    }
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char16_t c = piece[i].unicode();
        if (c > 127)
            return std::nullopt;
        ascii[i] = static_cast<char>(c);
    }
    double value = 0;
    const char* begin = ascii;
    const char* end = ascii + piece.size();
    // from_chars takes no leading "+"; a stated "+3" is still a number.
    if (*begin == '+' && piece.size() > 1 && begin[1] != '-')
        ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

// The first two pieces of the text split at white space; empty views where there are fewer.
std::pair<QStringView, QStringView> firstTwoPieces(QStringView text) {
    std::pair<QStringView, QStringView> pieces;
    int found = 0;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size() && found < 2; ++i) {
        const bool space = i == text.size() || text[i].isSpace();
        if (space && start >= 0) {
            (found++ == 0 ? pieces.first : pieces.second) = text.mid(start, i - start);
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
        if (deliveryDescription->compare(inStockText(), Qt::CaseInsensitive) == 0)
            return 0.0;
        // "3 дн.", in any letter case; read in place, as every sort asks for it.
        const auto [amount, unit] = firstTwoPieces(*deliveryDescription);
        if (unit.startsWith(u"дн", Qt::CaseInsensitive)) {
            if (const auto days = parseDays(amount))
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
    seed = hashOptional(seed, o.stockNote);
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
