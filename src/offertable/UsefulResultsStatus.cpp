#include "UsefulResultsStatus.h"

#include <cmath>

UsefulResultsStatus UsefulResultsStatus::of(const OffersSnapshot& snapshot, const OfferTableSettings& settings) {
    UsefulResultsStatus status;
    status.summary = QStringLiteral("Найдено: %1 · показано: %2").arg(snapshot.total).arg(snapshot.displayed.size());
    if (snapshot.usefulHidden > 0)
        status.usefulHidden = QStringLiteral("· скрыто менее подходящих: %1").arg(snapshot.usefulHidden);
    if (snapshot.rejectHidden > 0)
        status.rejectHidden = QStringLiteral("· по риску: %1").arg(snapshot.rejectHidden);
    if (snapshot.total != snapshot.usefulCount)
        status.toggleTitle =
            settings.showingAllOffers ? QStringLiteral("Показать полезные") : QStringLiteral("Показать все");
    if (settings.rejectFilterEnabled) {
        // std::round rounds halves away from zero.
        const auto allowed =
            static_cast<long long>(std::round(100.0 - effectiveRejectThreshold(settings.rejectThreshold)));
        status.allowedRisk = QStringLiteral("≤ %1%").arg(allowed);
    }
    return status;
}
