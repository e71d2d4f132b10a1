#include "BatchChoice.h"

#include "core/TextUtils.h"

#include <algorithm>
#include <array>

namespace {

// How a measure compares two offers: below zero when a is better.
using Measure = int (*)(const SupplierOffer&, const SupplierOffer&, const QDateTime&);

int byPrice(const SupplierOffer& a, const SupplierOffer& b, const QDateTime&) {
    const auto order = a.price <=> b.price;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int byDelivery(const SupplierOffer& a, const SupplierOffer& b, const QDateTime& now) {
    const double x = a.deliverySortValue(now);
    const double y = b.deliverySortValue(now);
    return x < y ? -1 : x > y ? 1 : 0;
}

int byRisk(const SupplierOffer& a, const SupplierOffer& b, const QDateTime&) {
    const double x = a.rejectsSortValue();
    const double y = b.rejectsSortValue();
    return x < y ? -1 : x > y ? 1 : 0;
}

std::array<Measure, 3> measuresOf(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return {byDelivery, byPrice, byRisk};
    case BestOfferRule::lowestRisk:
        return {byRisk, byPrice, byDelivery};
    case BestOfferRule::cheapest:
        break;
    }
    return {byPrice, byDelivery, byRisk};
}

bool coversQuantity(const SupplierOffer& offer, std::int64_t quantity) {
    return !offer.availableQuantity || *offer.availableQuantity >= quantity;
}

bool sameBrand(const QString& offerBrand, const QString& wanted) {
    const QString a = TextUtils::canonicalPartNumber(offerBrand);
    const QString b = TextUtils::canonicalPartNumber(wanted);
    if (a == b)
        return true;
    const QString& shorter = a.size() < b.size() ? a : b;
    const QString& longer = a.size() < b.size() ? b : a;
    // "MANN" and "MANN-FILTER" are one maker; "VA" is not "VAG".
    return shorter.size() >= 4 && longer.startsWith(shorter);
}

} // namespace

namespace BestOfferRules {

QString key(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return QStringLiteral("fastest");
    case BestOfferRule::lowestRisk:
        return QStringLiteral("risk");
    case BestOfferRule::cheapest:
        break;
    }
    return QStringLiteral("cheapest");
}

std::optional<BestOfferRule> fromKey(QStringView key) {
    for (const auto rule : {BestOfferRule::cheapest, BestOfferRule::fastest, BestOfferRule::lowestRisk}) {
        if (key == BestOfferRules::key(rule))
            return rule;
    }
    return std::nullopt;
}

QString title(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return QStringLiteral("Самое быстрое");
    case BestOfferRule::lowestRisk:
        return QStringLiteral("Наименьший риск отказа");
    case BestOfferRule::cheapest:
        break;
    }
    return QStringLiteral("Самое дешёвое");
}

} // namespace BestOfferRules

bool BatchChoice::isAskedFor(const SupplierOffer& offer, const QString& askedArticle, const QString& brand) {
    const QString asked = TextUtils::canonicalPartNumber(askedArticle);
    if (asked.isEmpty() || TextUtils::canonicalPartNumber(offer.article) != asked)
        return false;
    return TextUtils::canonicalPartNumber(brand).isEmpty() || sameBrand(offer.brand, brand);
}

QString BatchChoice::lineKey(const BatchLine& line) {
    return TextUtils::canonicalPartNumber(line.article) + u'|' + TextUtils::canonicalPartNumber(line.brand);
}

bool BatchChoice::keepsLimits(const SupplierOffer& offer, std::int64_t quantity, const QDateTime& now) const {
    if (maxDeliveryDays && !(offer.deliverySortValue(now) <= *maxDeliveryDays))
        return false;
    return !enoughStockOnly || (offer.availableQuantity && *offer.availableQuantity >= quantity);
}

QString BatchChoice::limitsText(std::int64_t quantity) const {
    QStringList limits;
    if (maxDeliveryDays)
        limits.append(QStringLiteral("не дольше %1 дн.").arg(*maxDeliveryDays));
    if (enoughStockOnly)
        limits.append(QStringLiteral("в наличии не меньше %1 шт.").arg(quantity));
    return limits.join(QStringLiteral(" · "));
}

std::optional<SupplierOffer> BatchChoice::bestOffer(const QList<SupplierOffer>& candidates, BestOfferRule rule,
                                                    std::int64_t quantity, const QDateTime& now) {
    const bool anyCovers = std::any_of(candidates.begin(), candidates.end(),
                                       [quantity](const auto& o) { return coversQuantity(o, quantity); });
    const auto measures = measuresOf(rule);
    const SupplierOffer* best = nullptr;
    for (const SupplierOffer& offer : candidates) {
        if (anyCovers && !coversQuantity(offer, quantity))
            continue;
        if (!best) {
            best = &offer;
            continue;
        }
        for (const Measure measure : measures) {
            const int order = measure(offer, *best, now);
            if (order < 0)
                best = &offer;
            if (order != 0)
                break;
        }
    }
    return best ? std::optional<SupplierOffer>(*best) : std::nullopt;
}

BatchChoice::Outcome BatchChoice::choose(const QList<SupplierOffer>& offers, const BatchLine& line,
                                         const QString& asked, const QDateTime& now) const {
    QList<SupplierOffer> exact;
    QList<SupplierOffer> analogues;
    qsizetype exactCount = 0;
    for (const SupplierOffer& offer : offers) {
        const bool isExact = isAskedFor(offer, asked, line.brand);
        exactCount += isExact ? 1 : 0;
        if (keepsLimits(offer, line.quantity, now))
            (isExact ? exact : analogues).append(offer);
    }
    Outcome outcome;
    if (!exact.isEmpty()) {
        outcome.offer = bestOffer(exact, rule, line.quantity, now);
        return outcome;
    }
    const qsizetype analogueCount = offers.size() - exactCount;
    if (analoguesAllowed && !analogues.isEmpty()) {
        outcome.offer = bestOffer(analogues, rule, line.quantity, now);
        outcome.analogue = true;
        return outcome;
    }
    const QString part =
        TextUtils::trimmed(line.brand).isEmpty() ? asked : TextUtils::trimmed(line.brand) + u' ' + asked;
    const QString limits = limitsText(line.quantity);
    outcome.miss = exactCount > 0 || analoguesAllowed ? Miss::outsideLimits : Miss::onlyAnalogues;
    if (exactCount > 0)
        outcome.problem = QStringLiteral("Предложения %1 (%2) не подходят: %3").arg(part).arg(exactCount).arg(limits);
    else if (!analoguesAllowed)
        outcome.problem =
            QStringLiteral("Нет предложений %1, только аналоги (%2): разрешите аналоги или выберите вручную")
                .arg(part)
                .arg(analogueCount);
    else
        outcome.problem =
            QStringLiteral("Нет предложений %1; аналоги (%2) не подходят: %3").arg(part).arg(analogueCount).arg(limits);
    return outcome;
}
