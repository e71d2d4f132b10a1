#include "OfferSortOrder.h"

#include "RankedOffer.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

void OfferSortState::pfSortOffers(PFOfferSortColumn column) {
    if (column == m_column) {
        m_ascending = !m_ascending;
    } else {
        m_column = column;
        m_ascending = true;
    }
    m_offerSortOrder = {OfferSortComparator{column, m_ascending}};
}

namespace {

// -1, 0 or 1 for one key, before the direction is applied.
int compareByKey(const RankedOffer& a, const RankedOffer& b, PFOfferSortColumn key) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (key) {
    case PFOfferSortColumn::brand:
        return three(QString::compare(a.offer->brand, b.offer->brand, Qt::CaseSensitive), 0);
    case PFOfferSortColumn::article:
        return three(QString::compare(a.offer->article, b.offer->article, Qt::CaseSensitive), 0);
    case PFOfferSortColumn::price:
        return three(a.price, b.price);
    case PFOfferSortColumn::delivery:
        return three(a.delivery, b.delivery);
    case PFOfferSortColumn::risk:
        return three(a.risk, b.risk);
    }
    return 0;
}

// The value of a numeric column, or nothing for a text column.
std::optional<double RankedOffer::*> numericKey(PFOfferSortColumn key) {
    switch (key) {
    case PFOfferSortColumn::price:
        return &RankedOffer::price;
    case PFOfferSortColumn::delivery:
        return &RankedOffer::delivery;
    case PFOfferSortColumn::risk:
        return &RankedOffer::risk;
    case PFOfferSortColumn::brand:
    case PFOfferSortColumn::article:
        break;
    }
    return std::nullopt;
}

} // namespace

void sortRanked(QList<RankedOffer>& rows, const QList<OfferSortComparator>& order) {
    if (order.isEmpty())
        return;
    // One numeric column, the usual case: sort small (value, position) pairs, then place the rows once.
    if (const auto member = order.size() == 1 ? numericKey(order.front().key) : std::nullopt) {
        using Keyed = std::pair<double, qsizetype>;
        std::vector<Keyed> keyed;
        keyed.reserve(static_cast<size_t>(rows.size()));
        for (qsizetype i = 0; i < rows.size(); ++i)
            keyed.emplace_back(rows[i].*(*member), i);
        if (order.front().forward)
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const Keyed& a, const Keyed& b) { return a.first < b.first; });
        else
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const Keyed& a, const Keyed& b) { return b.first < a.first; });
        QList<RankedOffer> sorted;
        sorted.reserve(rows.size());
        for (const auto& [value, i] : keyed)
            sorted.append(rows[i]);
        rows = std::move(sorted);
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [&order](const RankedOffer& a, const RankedOffer& b) {
        for (const OfferSortComparator& c : order) {
            const int r = compareByKey(a, b, c.key);
            if (r != 0)
                return c.forward ? r < 0 : r > 0;
        }
        return false;
    });
}

QList<SupplierOffer> sortedOffers(const QList<SupplierOffer>& offers, const QList<OfferSortComparator>& order,
                                  const QDateTime& now) {
    QList<RankedOffer> rows = rankedOffers(offers, now);
    sortRanked(rows, order);
    return offersOf(rows);
}
