#include "CartFreshness.h"

#include "core/Decimal.h"

#include <QLocale>

namespace OrderRevalidation {

QString money(double amount) {
    return QLocale(QLocale::Russian, QLocale::Russia).toCurrencyString(amount, QStringLiteral("₽"), 2);
}

bool pricesDiffer(double cartPrice, double freshPrice) {
    const auto cart = Decimal::fromDouble(cartPrice);
    const auto fresh = Decimal::fromDouble(freshPrice);
    if (!cart || !fresh)
        return cartPrice != freshPrice;
    Decimal difference = *fresh - *cart;
    if (difference.isNegative())
        difference = -difference;
    return difference >= *Decimal::parse(u"0.005");
}

QString orNotStated(const std::optional<QString>& text) {
    return text && !text->trimmed().isEmpty() ? text->trimmed() : QStringLiteral("не указан");
}

} // namespace OrderRevalidation
