#include "OfferSortOrder.h"

#include "RankedOffer.h"

#include <algorithm>

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

} // namespace

void sortRanked(QList<RankedOffer>& rows, const QList<OfferSortComparator>& order) {
    if (order.isEmpty())
        return;
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
