#include "SearchRun.h"

#include "core/SupplierSearchProviding.h"
#include "OfferMerge.h"
#include "OfferSemanticGuard.h"

namespace {

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

QList<QList<SupplierOffer>> SearchRun::offerLists() const {
    QList<QList<SupplierOffer>> lists;
    for (const Slot& slot : suppliers) {
        if (!slot.enabled)
            continue;
        if (slot.result)
            lists.append(slot.result->offers());
        else if (slot.earlier)
            lists.append(*slot.earlier);
    }
    return lists;
}

QString SearchRun::progressText() const {
    QStringList parts;
    for (const Slot& slot : suppliers) {
        if (!slot.enabled)
            continue;
        QString state = QStringLiteral("ждём…");
        if (slot.result && slot.result->isSuccess())
            state = QString::number(slot.result->offers().size());
        else if (slot.result)
            state = QStringLiteral("ошибка");
        parts.append(slot.name + QStringLiteral(": ") + state);
    }
    return parts.join(QStringLiteral(" · "));
}

QHash<QString, QList<SupplierOffer>> SearchRun::answers() const {
    QHash<QString, QList<SupplierOffer>> answered;
    for (const Slot& slot : suppliers) {
        if (slot.enabled && slot.result && slot.result->isSuccess())
            answered.insert(slot.name, slot.result->offers());
    }
    return answered;
}

MergedOffers MergedOffers::of(QList<QList<SupplierOffer>> lists, const QString& article) {
    MergedOffers result;
    QList<SupplierOffer> merged;
    for (QList<SupplierOffer>& list : lists) {
        if (merged.isEmpty())
            merged = std::move(list);
        else
            merged.append(std::move(list));
    }
    QElapsedTimer timer;
    timer.start();
    result.merged = merged.size();
    QList<SupplierOffer> unique = OfferMerge::deduplicated(std::move(merged));
    result.unique = unique.size();
    result.dedupSeconds = elapsedSeconds(timer);
    timer.restart();
    result.offers = OfferSemanticGuard::filter(std::move(unique), article);
    result.guardSeconds = elapsedSeconds(timer);
    result.guarded = result.offers.size();
    if (result.offers.size() > SearchLimits::maxOffersPerSearch)
        result.offers.resize(SearchLimits::maxOffersPerSearch);
    return result;
}
