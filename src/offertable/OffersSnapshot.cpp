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
#include <span>
#include <vector>

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
void selectFromLargeGroup(std::span<const RankedOffer* const> group, QSet<QString>& selected) {
    const RankedOffer* cheapest = group.front();
    const RankedOffer* fastest = group.front();
    const RankedOffer* safest = nullptr;
    for (const RankedOffer* row : group) {
        if (row->price < cheapest->price)
            cheapest = row;
        if (row->delivery < fastest->delivery || (row->delivery == fastest->delivery && row->price < fastest->price))
            fastest = row;
        if (row->hasRejectRate &&
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
    QList<const RankedOffer*> byFill(group.begin(), group.end());
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
    selected.reserve(rows.size());
    if (rows.size() < 2) {
        for (const RankedOffer& row : rows)
            selected.insert(row.id);
        return selected;
    }
    // Groups in the order their first row appears, rows in order inside them, laid out in one array.
    qsizetype groupCount = 0;
    for (const RankedOffer& row : rows)
        groupCount = std::max(groupCount, row.group + 1);
    QList<qsizetype> sizes(groupCount, 0);
    QList<qsizetype> starts(groupCount, -1);
    QList<qsizetype> groupOrder;
    for (const RankedOffer& row : rows) {
        if (sizes[row.group]++ == 0)
            groupOrder.append(row.group);
    }
    qsizetype next = 0;
    for (const qsizetype g : groupOrder) {
        starts[g] = next;
        next += sizes[g];
    }
    std::vector<const RankedOffer*> grouped(static_cast<size_t>(rows.size()));
    QList<qsizetype> fill = starts;
    for (const RankedOffer& row : rows)
        grouped[static_cast<size_t>(fill[row.group]++)] = &row;

    for (const qsizetype g : groupOrder) {
        const std::span<const RankedOffer* const> group(grouped.data() + starts[g], static_cast<size_t>(sizes[g]));
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
    QHash<GroupKey, qsizetype> groups;
    groups.reserve(offers.size());
    QList<QString> suppliers;
    for (const SupplierOffer& offer : offers) {
        const GroupKey key = GroupKey::of(offer);
        auto it = groups.constFind(key);
        if (it == groups.constEnd())
            it = groups.insert(key, groups.size());
        const qsizetype g = *it;
        qsizetype supplier = suppliers.indexOf(offer.supplierID);
        if (supplier < 0) {
            supplier = suppliers.size();
            suppliers.append(offer.supplierID);
        }
        rows.append(RankedOffer{&offer, offer.id(), g, supplier, OfferRowHighlight::rank(offer),
                                offer.rejectRate.has_value(), finiteOrUnknown(offer.priceSortValue()),
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
    QList<RankedOffer> base;
    base.reserve(all.size());
    for (const RankedOffer& row : all) {
        const bool isUseful = useful.contains(row.id);
        usefulCount += isUseful ? 1 : 0;
        if (settings.showingAllOffers || row.highlightRank < 3 || isUseful)
            base.append(row);
    }

    QList<RankedOffer> filtered;
    if (settings.rejectFilterEnabled) {
        const double allowed = 100.0 - effectiveRejectThreshold(settings.rejectThreshold);
        filtered.reserve(base.size());
        for (const RankedOffer& row : base) {
            if (!row.hasRejectRate || row.risk <= allowed)
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

    // The first three rows of every supplier lead, supplier after supplier.
    QList<QList<qsizetype>> topOfSupplier;
    QList<qsizetype> supplierOrder;
    QSet<QString> topIDs;
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        const qsizetype supplier = ordered[i].supplier;
        if (supplier >= topOfSupplier.size())
            topOfSupplier.resize(supplier + 1);
        QList<qsizetype>& top = topOfSupplier[supplier];
        if (top.isEmpty())
            supplierOrder.append(supplier);
        if (top.size() < 3) {
            top.append(i);
            topIDs.insert(ordered[i].id);
        }
    }

    OffersSnapshot snapshot;
    snapshot.displayed.reserve(ordered.size());
    for (const qsizetype supplier : supplierOrder) {
        for (const qsizetype i : topOfSupplier[supplier])
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
