#pragma once

#include "core/SupplierOffer.h"
#include "OfferSortOrder.h"

#include <QDateTime>
#include <QList>

// What the offer table shows for the current offers and table settings, with the counts
// of the status row.
struct OffersSnapshot {
    qsizetype total = 0;
    qsizetype usefulCount = 0;
    qsizetype usefulHidden = 0;
    qsizetype rejectHidden = 0;
    QList<SupplierOffer> displayed;
    // Hidden by "Только в наличии" and by "Доставка до N дн." (0 while the filter is off).
    qsizetype stockHidden = 0;
    qsizetype deliveryHidden = 0;
    // The first rows of `displayed` that stand above the sorted rest: the highlighted portal rows
    // and the first rows of each supplier.
    qsizetype pinnedCount = 0;
};

// The settings the window (or the CLI) keeps for the table.
struct OfferTableSettings {
    QList<OfferSortComparator> offerSortOrder = ::offerSortOrder(PFOfferSortColumn::price, true);
    bool showingAllOffers = false;
    bool rejectFilterEnabled = false;
    // Strictness in percent points: the allowed refusal rate is 100 minus this.
    double rejectThreshold = 30.0;
    // Offers whose stated stock is 0 are left out; an unstated stock stays.
    bool inStockOnly = false;
    // Offers delivered later than deliveryFilterDays are left out; an unknown delivery stays.
    bool deliveryFilterEnabled = false;
    int deliveryFilterDays = 3;
};

class UserDefaults;

// The default threshold, also used for a value that is not a number; others are clamped to 0…100.
constexpr double kDefaultRejectThreshold = 30.0;
double effectiveRejectThreshold(double threshold);
// The delivery filter's days, 0…365.
constexpr int kMaxDeliveryFilterDays = 365;

// The stored filters (risk, stock, delivery) over the initial sort order and the useful offers
// only; missing or unreadable values give the defaults.
OfferTableSettings storedOfferTableSettings(const UserDefaults& defaults);

// Per supplier, brand and article at most three offers worth looking at: the cheapest, the
// fastest, the least risky, filled up by delivery, risk and price. A subset in input order.
QList<SupplierOffer> usefulOffers(const QList<SupplierOffer>& offers, const QDateTime& now);
QList<SupplierOffer> usefulOffers(const QList<SupplierOffer>& offers);

// Drops offers whose known refusal rate exceeds 100 − threshold; unknown rates stay.
QList<SupplierOffer> applyRejectFilter(const QList<SupplierOffer>& offers, bool enabled, double threshold);

OffersSnapshot makeOffersSnapshot(const QList<SupplierOffer>& offers, const OfferTableSettings& settings,
                                  const QDateTime& now);
OffersSnapshot makeOffersSnapshot(const QList<SupplierOffer>& offers, const OfferTableSettings& settings);
