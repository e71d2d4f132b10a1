#pragma once

#include "SupplierDescriptor.h"
#include "SupplierOffer.h"

#include <QCoroTask>

#include <chrono>
#include <QList>

// What a search noticed besides its offers: requests of its fan-out (one per brand or
// catalogue row) that failed while others answered, and malformed records it left out.
struct SupplierSearchReport {
    int failedRequests = 0;
    int totalRequests = 0;
    // The description of the first failed request, in request order.
    QString firstFailure;
    qsizetype skippedRecords = 0;
    // Brands or catalogue rows beyond the fan-out cap: not asked.
    int skippedRequests = 0;
    // Offers beyond the per-search cap: read, but not kept.
    qsizetype skippedOffers = 0;
};

// How far one search reaches into one supplier: however a supplier answers, a search asks at most
// so many of its brands or catalogue rows and keeps at most so many offers (the rest are named
// as skipped, never dropped silently).
namespace SearchLimits {
inline constexpr int maxRequestsPerSupplier = 100;
inline constexpr qsizetype maxOffersPerSearch = 20000;
} // namespace SearchLimits

// The shape of a supplier search connector. search() takes the article already
// trimmed and upper-cased and returns the supplier's offers in its own order; an
// empty list is an answer, not a failure. Failures are thrown as UserFacingError.
class SupplierSearchProviding {
public:
    virtual ~SupplierSearchProviding() = default;
    virtual const SupplierDescriptor& descriptor() const = 0;
    virtual QCoro::Task<QList<SupplierOffer>> search(QString article) = 0;
    // About the last search() of this instance (providers are made anew for every search).
    virtual SupplierSearchReport lastSearchReport() const { return {}; }
    // How long a search gives this supplier for all its requests together: by default the time-out
    // of one of its requests, since the buyer never waits longer than that for anyone.
    virtual std::chrono::milliseconds searchBudget() const { return std::chrono::seconds(30); }
};

// A connector that can tell whether the supplier answers with the stored credentials.
// Completes normally when it does; throws UserFacingError with the reason otherwise.
class SupplierConnectionChecking {
public:
    virtual ~SupplierConnectionChecking() = default;
    virtual QCoro::Task<void> checkConnection() = 0;
};
