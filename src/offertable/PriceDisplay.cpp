#include "PriceDisplay.h"

#include "core/UserDefaults.h"

#include <QLocale>

#include <cmath>

namespace {

bool hasMarkup(double markupPercent) {
    return std::isfinite(markupPercent) && markupPercent > 0;
}

QString amountText(const SupplierOffer& offer, double markupPercent) {
    return PriceDisplay::shownPrice(offer.price, markupPercent).toFixed(hasMarkup(markupPercent) ? 0 : 2);
}

// Digits grouped by three from the right.
QString grouped(QStringView digits, QStringView separator) {
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

} // namespace

namespace PriceDisplay {

double storedMarkupPercent(const UserDefaults& defaults) {
    return defaults.doubleValue(UserDefaultsKeys::markupPercent, 0.0);
}

Decimal shownPrice(const Decimal& price, double markupPercent) {
    if (!hasMarkup(markupPercent))
        return price;
    const auto markup = Decimal::fromDouble(markupPercent);
    if (!markup)
        return price;
    const Decimal raised = (price * (Decimal(100) + *markup)).dividedBy(Decimal(100)).value_or(price);
    const Decimal step(50);
    return raised.dividedBy(step).value_or(raised).ceil() * step;
}

} // namespace PriceDisplay

QString priceDisplay(const SupplierOffer& offer, double markupPercent) {
    return PFCurrencyDisplay::price(amountText(offer, markupPercent), offer.currency);
}

QString priceCopyValue(const SupplierOffer& offer, double markupPercent) {
    return amountText(offer, markupPercent);
}

QString purchasePriceTooltip(const SupplierOffer& offer) {
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    QString text = offer.price.toFixed(2);
    const bool negative = text.startsWith(u'-');
    if (negative)
        text.remove(0, 1);
    const qsizetype point = text.indexOf(u'.');
    QString fraction = text.mid(point + 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString out = grouped(QStringView(text).left(point), locale.groupSeparator());
    if (!fraction.isEmpty())
        out += locale.decimalPoint() + fraction;
    return negative ? locale.negativeSign() + out : out;
}

QString priceHoverText(const SupplierOffer& offer, double markupPercent) {
    return hasMarkup(markupPercent) ? purchasePriceTooltip(offer) : priceDisplay(offer, markupPercent);
}

namespace PFCurrencyDisplay {

QString price(const QString& amount, QStringView currency) {
    const QString code = currency.trimmed().toString();
    const QString upper = code.toUpper();
    if (upper == u"RUB" || upper == u"RUR" || upper == u"РУБ" || upper == u"РУБ." || upper == u"₽")
        return QString(amount).replace(u'.', u',') + QStringLiteral(" руб.");
    if (code.isEmpty())
        return amount;
    return amount + u' ' + code;
}

} // namespace PFCurrencyDisplay
