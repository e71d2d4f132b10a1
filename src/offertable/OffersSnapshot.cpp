#include "OffersSnapshot.h"

#include "core/OfferIdentities.h"
#include "core/UserDefaults.h"
#include "GroupKey.h"
#include "OfferRowHighlight.h"
#include "RankedOffer.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Whether each identity (RankedOffer::identity) is selected.
using IdentitySet = std::vector<char>;

// Picks the useful rows of one group of four or more into `selected`.
void selectFromLargeGroup(std::span<const RankedOffer* const> group, IdentitySet& selected) {
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
    selected[cheapest->identity] = true;
    selected[fastest->identity] = true;
    if (safest)
        selected[safest->identity] = true;

    // Counted over rows, not ids: ids are unique after the search's de-duplication, but a
    // caller may pass anything.
    const auto rowsWithIdentity = [&group](qsizetype identity) {
        return std::count_if(group.begin(), group.end(),
                             [identity](const RankedOffer* row) { return row->identity == identity; });
    };
    qsizetype count = 0;
    for (const RankedOffer* row : group) {
        if (selected[row->identity])
            ++count;
    }
    if (count > 2)
        return;
    std::vector<const RankedOffer*> byFill(group.begin(), group.end());
    std::stable_sort(byFill.begin(), byFill.end(),
                     [](const RankedOffer* a, const RankedOffer* b) { return fillsBefore(*a, *b); });
    // Every newly selected id adds at least its own row, so this scans the group at most three times.
    for (const RankedOffer* row : byFill) {
        if (!selected[row->identity]) {
            selected[row->identity] = true;
            count += rowsWithIdentity(row->identity);
        }
        if (count >= 3)
            break;
    }
}

qsizetype identityCount(const QList<RankedOffer>& rows) {
    qsizetype count = 0;
    for (const RankedOffer& row : rows)
        count = std::max(count, row.identity + 1);
    return count;
}

// The identities of the useful rows.
IdentitySet usefulIdentities(const QList<RankedOffer>& rows) {
    IdentitySet selected(static_cast<size_t>(identityCount(rows)), false);
    if (rows.size() < 2) {
        for (const RankedOffer& row : rows)
            selected[row.identity] = true;
        return selected;
    }
    // Groups in the order their first row appears, rows in order inside them, laid out in one array.
    qsizetype groupCount = 0;
    for (const RankedOffer& row : rows)
        groupCount = std::max(groupCount, row.group + 1);
    std::vector<qsizetype> sizes(static_cast<size_t>(groupCount), 0);
    std::vector<qsizetype> starts(static_cast<size_t>(groupCount), -1);
    std::vector<qsizetype> groupOrder;
    for (const RankedOffer& row : rows) {
        if (sizes[row.group]++ == 0)
            groupOrder.push_back(row.group);
    }
    qsizetype next = 0;
    for (const qsizetype g : groupOrder) {
        starts[g] = next;
        next += sizes[g];
    }
    std::vector<const RankedOffer*> grouped(static_cast<size_t>(rows.size()));
    std::vector<qsizetype> fill = starts;
    for (const RankedOffer& row : rows)
        grouped[static_cast<size_t>(fill[row.group]++)] = &row;

    for (const qsizetype g : groupOrder) {
        const std::span<const RankedOffer* const> group(grouped.data() + starts[g], static_cast<size_t>(sizes[g]));
        if (group.size() <= 3) {
            for (const RankedOffer* row : group)
                selected[row->identity] = true;
        } else {
            selectFromLargeGroup(group, selected);
        }
    }
    return selected;
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
    const std::vector<qsizetype> identities = OfferIdentities::numbers(offers);
    QList<QString> suppliers;
    const SupplierOffer* previous = nullptr;
    qsizetype g = -1;
    for (qsizetype i = 0; i < offers.size(); ++i) {
        const SupplierOffer& offer = offers[i];
        const qsizetype identity = identities[static_cast<size_t>(i)];
        // Answers list the offers of one brand and article together: spelled as the offer before,
        // the offer is in its group, and no key needs to be built.
        const bool sameAsPrevious = previous && offer.article == previous->article && offer.brand == previous->brand &&
                                    offer.supplierID == previous->supplierID;
        if (!sameAsPrevious) {
            const GroupKey key = GroupKey::of(offer);
            auto it = groups.constFind(key);
            if (it == groups.constEnd())
                it = groups.insert(key, groups.size());
            g = *it;
        }
        previous = &offer;
        qsizetype supplier = suppliers.indexOf(offer.supplierID);
        if (supplier < 0) {
            supplier = suppliers.size();
            suppliers.append(offer.supplierID);
        }
        rows.append(RankedOffer{&offer, identity, g, supplier, OfferRowHighlight::rank(offer),
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
    settings.inStockOnly = defaults.boolValue(UserDefaultsKeys::inStockFilterEnabled, false);
    settings.deliveryFilterEnabled = defaults.boolValue(UserDefaultsKeys::deliveryFilterEnabled, false);
    const double days = defaults.doubleValue(UserDefaultsKeys::deliveryFilterDays, settings.deliveryFilterDays);
    if (std::isfinite(days))
        settings.deliveryFilterDays =
            static_cast<int>(std::clamp(std::round(days), 0.0, double(kMaxDeliveryFilterDays)));
    return settings;
}

QList<SupplierOffer> usefulOffers(const QList<SupplierOffer>& offers, const QDateTime& now) {
    if (offers.size() < 2)
        return offers;
    const QList<RankedOffer> rows = rankedOffers(offers, now);
    const IdentitySet useful = usefulIdentities(rows);
    QList<SupplierOffer> out;
    for (const RankedOffer& row : rows) {
        if (useful[row.identity])
            out.append(*row.offer);
    }
    return out;
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

    // The stock and delivery filters come before the useful offers are picked, so a group's
    // places go to offers the buyer can use.
    qsizetype stockHidden = 0;
    qsizetype deliveryHidden = 0;
    QList<RankedOffer> kept;
    if (settings.inStockOnly || settings.deliveryFilterEnabled) {
        kept.reserve(all.size());
        for (const RankedOffer& row : all) {
            const auto stock = row.offer->availableQuantity;
            if (settings.inStockOnly && stock && *stock <= 0)
                ++stockHidden;
            else if (settings.deliveryFilterEnabled && row.delivery != kUnknown &&
                     row.delivery > settings.deliveryFilterDays)
                ++deliveryHidden;
            else
                kept.append(row);
        }
    }
    const QList<RankedOffer>& candidates = settings.inStockOnly || settings.deliveryFilterEnabled ? kept : all;

    // From here on the rows are only pointed at; the offers are copied once, into `displayed`.
    const IdentitySet useful = usefulIdentities(candidates);
    qsizetype usefulCount = 0;
    std::vector<const RankedOffer*> base;
    base.reserve(static_cast<size_t>(candidates.size()));
    for (const RankedOffer& row : candidates) {
        const bool isUseful = useful[row.identity];
        usefulCount += isUseful ? 1 : 0;
        if (settings.showingAllOffers || row.highlightRank < 3 || isUseful)
            base.push_back(&row);
    }

    std::vector<const RankedOffer*> ordered;
    if (settings.rejectFilterEnabled) {
        const double allowed = 100.0 - effectiveRejectThreshold(settings.rejectThreshold);
        ordered.reserve(base.size());
        for (const RankedOffer* row : base) {
            if (!row->hasRejectRate || row->risk <= allowed)
                ordered.push_back(row);
        }
    } else {
        ordered = base;
    }
    const auto filteredCount = static_cast<qsizetype>(ordered.size());

    // Highlighted rows first by colour, cheapest first within a colour; the rest keep their order.
    // stable_sort supplies the final tie-break by position.
    std::stable_sort(ordered.begin(), ordered.end(), [](const RankedOffer* a, const RankedOffer* b) {
        if (a->highlightRank != b->highlightRank)
            return a->highlightRank < b->highlightRank;
        if (a->highlightRank == 3)
            return false;
        return a->price < b->price;
    });

    // The first three rows of every supplier lead, supplier after supplier.
    std::vector<std::vector<const RankedOffer*>> topOfSupplier;
    std::vector<qsizetype> supplierOrder;
    IdentitySet inTop(useful.size(), false);
    for (const RankedOffer* row : ordered) {
        const auto supplier = static_cast<size_t>(row->supplier);
        if (supplier >= topOfSupplier.size())
            topOfSupplier.resize(supplier + 1);
        std::vector<const RankedOffer*>& top = topOfSupplier[supplier];
        if (top.empty())
            supplierOrder.push_back(row->supplier);
        if (top.size() < 3) {
            top.push_back(row);
            inTop[row->identity] = true;
        }
    }

    OffersSnapshot snapshot;
    snapshot.displayed.reserve(filteredCount);
    for (const qsizetype supplier : supplierOrder) {
        for (const RankedOffer* row : topOfSupplier[supplier])
            snapshot.displayed.append(*row->offer);
    }
    snapshot.pinnedCount = snapshot.displayed.size();
    for (const RankedOffer* row : ordered) {
        if (inTop[row->identity])
            continue;
        snapshot.displayed.append(*row->offer);
        // Highlighted rows beyond a supplier's first three still lead the rest: pinned too.
        if (row->highlightRank < 3 && snapshot.pinnedCount == snapshot.displayed.size() - 1)
            ++snapshot.pinnedCount;
    }

    const auto baseCount = static_cast<qsizetype>(base.size());
    snapshot.total = all.size();
    snapshot.usefulCount = usefulCount;
    snapshot.usefulHidden = settings.showingAllOffers ? 0 : std::max<qsizetype>(0, candidates.size() - baseCount);
    snapshot.rejectHidden = settings.rejectFilterEnabled ? std::max<qsizetype>(0, baseCount - filteredCount) : 0;
    snapshot.stockHidden = stockHidden;
    snapshot.deliveryHidden = deliveryHidden;
    return snapshot;
}

OffersSnapshot makeOffersSnapshot(const QList<SupplierOffer>& offers, const OfferTableSettings& settings) {
    return makeOffersSnapshot(offers, settings, QDateTime::currentDateTime());
}
