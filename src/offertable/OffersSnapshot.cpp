#include "OffersSnapshot.h"

#include "core/UserDefaults.h"
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
    selected.insert(cheapest->id);
    selected.insert(fastest->id);
    if (safest)
        selected.insert(safest->id);

    // Counted over rows, not ids: ids are unique after the search's de-duplication, but a
    // caller may pass anything.
    const auto rowsWithID = [&group](const QString& id) {
        return std::count_if(group.begin(), group.end(), [&id](const RankedOffer* row) { return row->id == id; });
    };
    qsizetype count = 0;
    for (const RankedOffer* row : group) {
        if (selected.contains(row->id))
            ++count;
    }
    if (count > 2)
        return;
    QList<const RankedOffer*> byFill = group;
    std::stable_sort(byFill.begin(), byFill.end(),
                     [](const RankedOffer* a, const RankedOffer* b) { return fillsBefore(*a, *b); });
    // Every newly selected id adds at least its own row, so this scans the group at most three times.
    for (const RankedOffer* row : byFill) {
        if (!selected.contains(row->id)) {
            selected.insert(row->id);
            count += rowsWithID(row->id);
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
            selected.insert(row.id);
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
                selected.insert(row->id);
        } else {
            selectFromLargeGroup(group, selected);
        }
    }
    return selected;
}

QList<RankedOffer> keepIfIDIn(const QList<RankedOffer>& rows, const QSet<QString>& ids) {
    QList<RankedOffer> out;
    for (const RankedOffer& row : rows) {
        if (ids.contains(row.id))
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
        rows.append(RankedOffer{&offer, offer.id(), OfferRowHighlight::rank(offer),
                                finiteOrUnknown(offer.priceSortValue()), finiteOrUnknown(offer.deliverySortValue(now)),
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

OfferTableSettings storedOfferTableSettings(const UserDefaults& defaults) {
    OfferTableSettings settings;
    settings.rejectFilterEnabled = defaults.boolValue(UserDefaultsKeys::rejectFilterEnabled, false);
    settings.rejectThreshold = defaults.doubleValue(UserDefaultsKeys::rejectThreshold, kDefaultRejectThreshold);
    return settings;
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
        if (useful.contains(row.id))
            ++usefulCount;
    }

    QList<RankedOffer> base;
    base.reserve(all.size());
    for (const RankedOffer& row : all) {
        if (settings.showingAllOffers || row.highlightRank < 3 || useful.contains(row.id))
            base.append(row);
    }

    QList<RankedOffer> filtered;
    if (settings.rejectFilterEnabled) {
        const double allowed = 100.0 - effectiveRejectThreshold(settings.rejectThreshold);
        filtered.reserve(base.size());
        for (const RankedOffer& row : base) {
            if (withinAllowedRisk(*row.offer, allowed))
                filtered.append(row);
        }
    } else {
        filtered = base;
    }

    // Highlighted rows first by colour, cheapest first within a colour; the rest keep their order.
    // stable_sort supplies the final tie-break by position.
    QList<RankedOffer> ordered = filtered;
    std::stable_sort(ordered.begin(), ordered.end(), [](const RankedOffer& a, const RankedOffer& b) {
        if (a.highlightRank != b.highlightRank)
            return a.highlightRank < b.highlightRank;
        if (a.highlightRank == 3)
            return false;
        return a.price < b.price;
    });

    // The first three rows of every supplier lead, supplier after supplier. Few suppliers: a list will do.
    struct SupplierTop {
        QString supplierID;
        QList<qsizetype> rows;
    };
    QList<SupplierTop> tops;
    QSet<QString> topIDs;
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        const QString& supplierID = ordered[i].offer->supplierID;
        auto it =
            std::find_if(tops.begin(), tops.end(), [&](const SupplierTop& t) { return t.supplierID == supplierID; });
        if (it == tops.end())
            it = tops.insert(tops.end(), SupplierTop{supplierID, {}});
        if (it->rows.size() < 3) {
            it->rows.append(i);
            topIDs.insert(ordered[i].id);
        }
    }

    OffersSnapshot snapshot;
    snapshot.displayed.reserve(ordered.size());
    for (const SupplierTop& top : tops) {
        for (const qsizetype i : top.rows)
            snapshot.displayed.append(*ordered[i].offer);
    }
    for (const RankedOffer& row : ordered) {
        if (!topIDs.contains(row.id))
            snapshot.displayed.append(*row.offer);
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
