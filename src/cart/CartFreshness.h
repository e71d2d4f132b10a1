#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct SupplierOffer;

// What the supplier says of a line it found again: the terms "Принять новые условия" writes
// into the line.
struct CartFreshTerms {
    double unitPrice = 0;
    std::optional<std::int64_t> availableQuantity;
    std::optional<QString> deliveryTime;
    std::optional<QString> warehouse;

    static CartFreshTerms of(const SupplierOffer& offer);
    bool operator==(const CartFreshTerms&) const = default;
};

// The verdict of a re-check for one cart line: a status text and the reasons, in the order
// they were found; and, when the supplier found the line, its terms now.
struct PFCartFreshness {
    QString status;
    QStringList details;
    std::optional<CartFreshTerms> fresh = std::nullopt;

    bool operator==(const PFCartFreshness&) const = default;
};

// Cart line id → verdict, for the lines of one supplier group.
using PFCartFreshnessMap = QHash<QString, PFCartFreshness>;

namespace CartFreshnessStatus {
inline const QString current = QStringLiteral("Актуально");
inline const QString changed = QStringLiteral("Изменилось");
inline const QString unavailable = QStringLiteral("Недоступно");
inline const QString termsChanged = QStringLiteral("Условия изменились");
inline const QString offerUnavailable = QStringLiteral("Предложение недоступно");
inline const QString unconfirmed = QStringLiteral("Не удалось подтвердить");
} // namespace CartFreshnessStatus

// What an order revalidator says of one line.
// `unconfirmed`: the supplier named the offer but said nothing usable about it (a price that
// is no number, say): neither current nor gone.
enum class OrderRevalidationState { current, changed, unavailable, unconfirmed };

namespace OrderRevalidation {
// "1 234,50 ₽": roubles as the Russian currency format writes them (no-break spaces), rounded
// to kopecks from the shortest decimal of the double, so 1000.005 shows as 1 000,01 ₽.
QString money(double amount);
// "1234,50": two decimals, comma, no grouping, rounded the same way.
QString plainRubles(double amount);
// Whether two prices differ by 0.005 roubles or more, compared as the exact decimals of their
// shortest round-trip texts (in doubles, 1000.005 − 1000 falls just short of 0.005).
bool pricesDiffer(double cartPrice, double freshPrice);
// "не указан" for an absent or blank side.
QString orNotStated(const std::optional<QString>& text);
} // namespace OrderRevalidation
