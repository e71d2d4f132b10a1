#include "OfferMerge.h"

#include "core/OfferIdentities.h"
#include "core/TextUtils.h"

#include <QHash>
#include <QStringList>

#include <vector>

namespace OfferMerge {

QList<SupplierOffer> deduplicated(QList<SupplierOffer> offers) {
    // Read without detaching: a list without repeats is handed back as it came, shared.
    const QList<SupplierOffer>& input = offers;
    const std::vector<qsizetype> numbers = OfferIdentities::numbers(input);
    // Numbers are handed out in order, so an offer whose id is new carries the next one.
    std::vector<bool> repeated(numbers.size(), false);
    qsizetype firstRepeat = -1;
    qsizetype next = 0;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] == next) {
            ++next;
        } else {
            repeated[i] = true;
            if (firstRepeat < 0)
                firstRepeat = static_cast<qsizetype>(i);
        }
    }
    if (firstRepeat < 0)
        return offers;
    // Moved up in place: no offer is copied unless the list was shared.
    auto out = offers.begin() + firstRepeat;
    for (qsizetype i = firstRepeat + 1; i < offers.size(); ++i) {
        if (!repeated[static_cast<size_t>(i)])
            *out++ = std::move(offers[i]);
    }
    offers.erase(out, offers.end());
    return offers;
}

QString consensusBrand(const QString& article, const QList<SupplierOffer>& first, const QList<SupplierOffer>& second) {
    const QString query = TextUtils::trimmedUpper(article);
    QHash<QString, int> counts;
    QStringList order;
    for (const auto* list : {&first, &second}) {
        for (const auto& offer : *list) {
            if (TextUtils::trimmedUpper(offer.article) != query)
                continue;
            const QString brand = TextUtils::trimmedUpper(offer.brand);
            if (brand.isEmpty())
                continue;
            if (!counts.contains(brand))
                order.append(brand);
            ++counts[brand];
        }
    }
    QString best;
    int bestCount = 0;
    for (const auto& brand : order) {
        if (counts.value(brand) > bestCount) {
            best = brand;
            bestCount = counts.value(brand);
        }
    }
    return best.isNull() ? QStringLiteral("") : best;
}

} // namespace OfferMerge
