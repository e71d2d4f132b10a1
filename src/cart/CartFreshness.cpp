#include "CartFreshness.h"

#include "core/SupplierOffer.h"

#include "core/Decimal.h"

CartFreshTerms CartFreshTerms::of(const SupplierOffer& offer) {
    return {offer.price.toDouble(), offer.availableQuantity, offer.deliveryDescription, offer.warehouse};
}

namespace OrderRevalidation {

namespace {

// "1234.50", or "-0.50": half away from zero, as the displayed amounts of a decimal price.
QString fixed(double amount) {
    const auto exact = Decimal::fromDouble(amount);
    return exact ? exact->toFixed(2) : QString::asprintf("%.2f", amount);
}

} // namespace

QString money(double amount) {
    const QString text = fixed(amount);
    const bool negative = text.startsWith(u'-');
    const QString digits = text.mid(negative ? 1 : 0);
    const qsizetype point = digits.indexOf(u'.');
    const QString whole = digits.left(point);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QChar(0x00A0);
        grouped += whole[i];
    }
    return (negative ? QStringLiteral("-") : QString()) + grouped + u',' + digits.mid(point + 1) + QChar(0x00A0) +
           QStringLiteral("₽");
}

QString plainRubles(double amount) {
    return fixed(amount).replace(u'.', u',');
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
