#include "DeliveryDisplay.h"

#include <QStringList>

#include <cstdint>
#include <limits>

namespace {

const QString kUnknown = QStringLiteral("—");

QString days(std::int64_t n) {
    return QString::number(n) + QStringLiteral(" дн.");
}

// An optional sign, then ASCII digits only, within the 64-bit range.
std::optional<std::int64_t> parseInteger(QStringView text, bool allowSign) {
    bool negative = false;
    if (allowSign && !text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Accumulate towards the negative side, which has room for the minimum.
    std::int64_t value = 0;
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value < (kMin + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin)
            return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<std::int64_t> firstNumberIn(QStringView text) {
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool digit = i < text.size() && text[i].isDigit();
        if (digit && start < 0) {
            start = i;
        } else if (!digit && start >= 0) {
            if (const auto n = parseInteger(text.mid(start, i - start), false))
                return n;
            start = -1;
        }
    }
    return std::nullopt;
}

} // namespace

QString deliveryDaysUntil(const QDateTime& date, const QDateTime& now) {
    const QDate today = now.toLocalTime().date();
    const QDate day = date.toLocalTime().date();
    if (!today.isValid() || !day.isValid())
        return days(0);
    return days(std::max<std::int64_t>(0, today.daysTo(day)));
}

QString deliveryDaysUntil(const QDateTime& date) {
    return deliveryDaysUntil(date, QDateTime::currentDateTime());
}

QString deliveryDaysText(const std::optional<QString>& description, const std::optional<QDateTime>& date,
                         const QDateTime& now) {
    const QString text = description ? description->trimmed() : QString();
    if (!text.isEmpty()) {
        const QString lower = text.toLower();
        if (lower == SupplierOffer::inStockText())
            return days(0);
        if (lower.contains(u"дн") || lower.contains(u"day")) {
            if (const auto n = firstNumberIn(text))
                return days(*n);
        }
        if (const auto n = parseInteger(text, true))
            return days(*n);
        // Day, month and hour may come without their leading zero ("5.1.2027 9:30"), as a date
        // formatter reading "dd.MM.yyyy HH:mm" accepts them; "d", "M" and "H" read one digit or two.
        for (const QString& format : {QStringLiteral("d.M.yyyy H:mm"), QStringLiteral("d.M.yyyy")}) {
            const QDateTime parsed = QDateTime::fromString(text, format);
            if (parsed.isValid())
                return deliveryDaysUntil(parsed, now);
        }
    }
    if (date)
        return deliveryDaysUntil(*date, now);
    return kUnknown;
}

QString deliveryDaysText(const std::optional<QString>& description, const std::optional<QDateTime>& date) {
    return deliveryDaysText(description, date, QDateTime::currentDateTime());
}

QString stockText(const SupplierOffer& offer) {
    if (offer.stockNote && !offer.stockNote->isEmpty())
        return *offer.stockNote;
    return offer.availableQuantity ? QString::number(*offer.availableQuantity) : kUnknown;
}

QString riskText(const SupplierOffer& offer) {
    return offer.rejectRate ? offer.rejectRate->toFixed(2) + u'%' : kUnknown;
}
