#include "OfferRanges.h"

#include <QRegularExpression>

namespace OfferRanges {

namespace {

// The days a delivery text begins with ("3 дн.", "2-5 дн.", "-3 дн."); nothing when it begins
// otherwise. Every bound must lie within the range.
bool daysInRange(const QString& description) {
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?\\d+)(?:[.,]\\d+)?(?:\\s*[-–]\\s*(\\d+))?"));
    const QRegularExpressionMatch match = leading.match(description);
    if (!match.hasMatch())
        return true;
    for (const int group : {1, 2}) {
        const QString bound = match.captured(group);
        if (bound.isEmpty())
            continue;
        bool ok = false;
        const qlonglong days = bound.toLongLong(&ok);
        if (!ok || days < 0 || days > maxDeliveryDays)
            return false;
    }
    return true;
}

} // namespace

bool isUsablePrice(const Decimal& price) {
    static const Decimal lowest = *Decimal::parse(u"0.01");
    static const Decimal ceiling(100'000'000);
    return price >= lowest && price < ceiling;
}

bool apply(SupplierOffer& offer, const QDateTime& now) {
    if (!isUsablePrice(offer.price))
        return false;
    if (offer.availableQuantity && *offer.availableQuantity < 0)
        offer.availableQuantity.reset();
    if (offer.minimumQuantity && *offer.minimumQuantity < 1)
        offer.minimumQuantity.reset();
    if (offer.packageQuantity && *offer.packageQuantity < 1)
        offer.packageQuantity.reset();
    if (offer.deliveryDescription && !daysInRange(*offer.deliveryDescription))
        offer.deliveryDescription.reset();
    if (offer.deliveryDate && now.daysTo(*offer.deliveryDate) > maxDeliveryDays)
        offer.deliveryDate.reset();
    if (offer.rejectRate && (offer.rejectRate->isNegative() || *offer.rejectRate > Decimal(100)))
        offer.rejectRate.reset();
    return true;
}

} // namespace OfferRanges
