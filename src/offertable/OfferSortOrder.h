#pragma once

#include "core/SupplierOffer.h"

#include <QDateTime>
#include <QList>

// The sortable columns of the offer table, in header order.
enum class PFOfferSortColumn { brand, article, price, delivery, risk };

// One sort key (a column's value) with a direction.
struct OfferSortComparator {
    PFOfferSortColumn key = PFOfferSortColumn::price;
    bool forward = true;

    bool operator==(const OfferSortComparator&) const = default;
};

// The order of a sorted column: its comparator, then price and delivery (both forward) for the
// rows that tie in it, leaving out a key the column already is.
QList<OfferSortComparator> offerSortOrder(PFOfferSortColumn column, bool ascending);

// The table's sort state: the comparators applied to the offers and the header that set them.
// A header click on the active column reverses it; on another column sorts by it ascending.
class OfferSortState {
public:
    const QList<OfferSortComparator>& offerSortOrder() const { return m_offerSortOrder; }
    PFOfferSortColumn pfOfferSortColumn() const { return m_column; }
    bool pfOfferSortAscending() const { return m_ascending; }

    void pfSortOffers(PFOfferSortColumn column);

private:
    QList<OfferSortComparator> m_offerSortOrder = ::offerSortOrder(PFOfferSortColumn::price, true);
    PFOfferSortColumn m_column = PFOfferSortColumn::price;
    bool m_ascending = true;
};

// Stable sort by the comparators: the first decides, the next ones break ties.
// Delivery values are counted from `now`.
QList<SupplierOffer> sortedOffers(const QList<SupplierOffer>& offers, const QList<OfferSortComparator>& order,
                                  const QDateTime& now);
