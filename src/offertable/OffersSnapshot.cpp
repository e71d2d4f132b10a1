#include "OffersSnapshot.h"

#include "GroupKey.h"
#include "OfferRowHighlight.h"
#include "RankedOffer.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kUnknown = std::numeric_limits<double>::max();

double finiteOrUnknown(double value) {
    return std::isfinite(value) ? value : kUnknown;
}

// Fill order: sooner delivery, then lower risk, then lower price.
bool fillsBefore(const RankedOffer& a, const RankedOffer& b) {
    if (a.delivery != b.delivery)
        return a.delivery < b.delivery;
    if (a.risk != b.risk)
        return a.risk < b.risk;
    return a.price < b.price;
}

// Picks the useful rows of one group of four or more into `selected`.
void selectFromLargeGroup(const QList<const RankedOffer*>& group, QSet<QString>& selected) {
    const RankedOffer* cheapest = group.first();
    const RankedOffer* fastest = group.first();
    const RankedOffer* safest = nullptr;
    for (const RankedOffer* row : group) {
        if (row->price < cheapest->price)
            cheapest = row;
        if (row->delivery < fastest->delivery || (row->delivery == fastest->delivery && row->price < fastest->price))
            fastest = row;
        if (row->offer->rejectRate &&
            (!safest || row->risk < safest->risk || (row->risk == safest->risk && row->price < safest->price)))
            safest = row;
    }
    selected.insert(cheapest->offer->id());
    selected.insert(fastest->offer->id());
    if (safest)
        selected.insert(safest->offer->id());

    // How many rows of the group carry each id: ids are unique after the search's
    // de-duplication, but a caller may pass anything.
    QHash<QString, qsizetype> rowsWithID;
    qsizetype count = 0;
    for (const RankedOffer* row : group) {
        const QString id = row->offer->id();
        ++rowsWithID[id];
        if (selected.contains(id))
            ++count;
    }
    if (count > 2)
        return;
    QList<const RankedOffer*> byFill = group;
    std::stable_sort(byFill.begin(), byFill.end(),
                     [](const RankedOffer* a, const RankedOffer* b) { return fillsBefore(*a, *b); });
    for (const RankedOffer* row : byFill) {
        const QString id = row->offer->id();
        if (!selected.contains(id)) {
            selected.insert(id);
            count += rowsWithID.value(id);
        }
        if (count >= 3)
            break;
    }
}

// The ids of the useful rows.
QSet<QString> usefulIDs(const QList<RankedOffer>& rows) {
    QSet<QString> selected;
    if (rows.size() < 2) {
        for (const RankedOffer& row : rows)
            selected.insert(row.offer->id());
        return selected;
    }
    QHash<GroupKey, qsizetype> groupIndex;
    QList<QList<const RankedOffer*>> groups;
    for (const RankedOffer& row : rows) {
        const GroupKey key = GroupKey::of(*row.offer);
        auto it = groupIndex.constFind(key);
        if (it == groupIndex.constEnd()) {
            it = groupIndex.insert(key, groups.size());
            groups.append(QList<const RankedOffer*>());
        }
        groups[*it].append(&row);
    }
    selected.reserve(rows.size());
    for (const QList<const RankedOffer*>& group : groups) {
        if (group.size() <= 3) {
            for (const RankedOffer* row : group)
                selected.insert(row->offer->id());
        } else {
            selectFromLargeGroup(group, selected);
        }
    }
    return selected;
}

QList<RankedOffer> keepIfIDIn(const QList<RankedOffer>& rows, const QSet<QString>& ids) {
    QList<RankedOffer> out;
    for (const RankedOffer& row : rows) {
        if (ids.contains(row.offer->id()))
            out.append(row);
    }
    return out;
}

// Unknown rates are never dropped; known ones may be at most `allowed` percent.
bool withinAllowedRisk(const SupplierOffer& offer, double allowed) {
    return !offer.rejectRate || offer.rejectsSortValue() <= allowed;
}

} // namespace

QList<RankedOffer> rankedOffers(const QList<SupplierOffer>& offers, const QDateTime& now) {
    QList<RankedOffer> rows;
    rows.reserve(offers.size());
    for (const SupplierOffer& offer : offers) {
        rows.append(RankedOffer{&offer, finiteOrUnknown(offer.priceSortValue()),
                                finiteOrUnknown(offer.deliverySortValue(now)),
                                finiteOrUnknown(offer.rejectsSortValue())});
    }
    return rows;
}

QList<SupplierOffer> offersOf(const QList<RankedOffer>& rows) {
    QList<SupplierOffer> out;
    out.reserve(rows.size());
    for (const RankedOffer& row : rows)
        out.append(*row.offer);
    return out;
}

double effectiveRejectThreshold(double threshold) {
    if (std::isnan(threshold))
        return kDefaultRejectThreshold;
    return std::clamp(threshold, 0.0, 100.0);
}

QList<SupplierOffer> usefulOffers(const QList<SupplierOffer>& offers, const QDateTime& now) {
    if (offers.size() < 2)
        return offers;
    const QList<RankedOffer> rows = rankedOffers(offers, now);
    return offersOf(keepIfIDIn(rows, usefulIDs(rows)));
}

QList<SupplierOffer> usefulOffers(const QList<SupplierOffer>& offers) {
    return usefulOffers(offers, QDateTime::currentDateTime());
}

QList<SupplierOffer> applyRejectFilter(const QList<SupplierOffer>& offers, bool enabled, double threshold) {
    if (!enabled)
        return offers;
    const double allowed = 100.0 - effectiveRejectThreshold(threshold);
    QList<SupplierOffer> out;
    for (const SupplierOffer& offer : offers) {
        if (withinAllowedRisk(offer, allowed))
            out.append(offer);
    }
    return out;
}

OffersSnapshot makeOffersSnapshot(const QList<SupplierOffer>& offers, const OfferTableSettings& settings,
                                  const QDateTime& now) {
    QList<RankedOffer> all = rankedOffers(offers, now);
    sortRanked(all, settings.offerSortOrder);

    const QSet<QString> useful = usefulIDs(all);
    qsizetype usefulCount = 0;
    for (const RankedOffer& row : all) {
        if (useful.contains(row.offer->id()))
            ++usefulCount;
    }

    struct Row {
        RankedOffer ranked;
        int rank;
    };
    QList<Row> base;
    base.reserve(all.size());
    for (const RankedOffer& row : all) {
        const int rank = OfferRowHighlight::rank(*row.offer);
        if (settings.showingAllOffers || rank < 3 || useful.contains(row.offer->id()))
            base.append(Row{row, rank});
    }

    QList<Row> filtered;
    if (settings.rejectFilterEnabled) {
        const double allowed = 100.0 - effectiveRejectThreshold(settings.rejectThreshold);
        filtered.reserve(base.size());
        for (const Row& row : base) {
            if (withinAllowedRisk(*row.ranked.offer, allowed))
                filtered.append(row);
        }
    } else {
        filtered = base;
    }

    // Highlighted rows first by colour, cheapest first within a colour; the rest keep their order.
    // stable_sort supplies the final tie-break by position.
    QList<Row> ordered = filtered;
    std::stable_sort(ordered.begin(), ordered.end(), [](const Row& a, const Row& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.rank == 3)
            return false;
        return a.ranked.price < b.ranked.price;
    });

    // The first three rows of every supplier lead, supplier after supplier.
    QList<QString> supplierOrder;
    QHash<QString, QList<qsizetype>> topOf;
    QSet<QString> topIDs;
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        const SupplierOffer& offer = *ordered[i].ranked.offer;
        auto it = topOf.find(offer.supplierID);
        if (it == topOf.end()) {
            supplierOrder.append(offer.supplierID);
            it = topOf.insert(offer.supplierID, {});
        }
        if (it->size() < 3) {
            it->append(i);
            topIDs.insert(offer.id());
        }
    }

    OffersSnapshot snapshot;
    snapshot.displayed.reserve(ordered.size());
    for (const QString& supplier : supplierOrder) {
        for (const qsizetype i : topOf.value(supplier))
            snapshot.displayed.append(*ordered[i].ranked.offer);
    }
    for (const Row& row : ordered) {
        if (!topIDs.contains(row.ranked.offer->id()))
            snapshot.displayed.append(*row.ranked.offer);
    }

    snapshot.total = all.size();
    snapshot.usefulCount = usefulCount;
    snapshot.usefulHidden = settings.showingAllOffers ? 0 : std::max<qsizetype>(0, all.size() - base.size());
    snapshot.rejectHidden = settings.rejectFilterEnabled ? std::max<qsizetype>(0, base.size() - filtered.size()) : 0;
    return snapshot;
}

OffersSnapshot makeOffersSnapshot(const QList<SupplierOffer>& offers, const OfferTableSettings& settings) {
    return makeOffersSnapshot(offers, settings, QDateTime::currentDateTime());
}
