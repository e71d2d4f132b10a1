#pragma once

#include "core/SupplierOffer.h"
#include "OfferSortOrder.h"

#include <QDateTime>
#include <QList>

// An offer with its three sort values worked out once: the delivery value parses text,
// and a sort asks for it many times. Internal to the offer table.
struct RankedOffer {
    const SupplierOffer* offer = nullptr;
    qsizetype identity = 0; // numbers the distinct ids in input order: equal ids, equal numbers
    qsizetype group = 0;    // numbers the GroupKeys in input order
    qsizetype supplier = 0; // numbers the supplier ids in input order
    int highlightRank = 3;
    bool hasRejectRate = false;
    double price = 0;
    double delivery = 0;
    double risk = 0;
};

// Everything is read in input order, where the offers lie next to each other in memory; later
// passes in sorted order then touch only these rows. The sort values are finite by construction;
// anything else counts as unknown (the largest double).
QList<RankedOffer> rankedOffers(const QList<SupplierOffer>& offers, const QDateTime& now);
QList<SupplierOffer> offersOf(const QList<RankedOffer>& rows);
void sortRanked(QList<RankedOffer>& rows, const QList<OfferSortComparator>& order);
