#include "UsefulResultsStatus.h"

#include <cmath>

UsefulResultsStatus UsefulResultsStatus::of(const OffersSnapshot& snapshot, const OfferTableSettings& settings) {
    UsefulResultsStatus status;
    status.summary = QStringLiteral("Найдено: %1 · показано: %2").arg(snapshot.total).arg(snapshot.displayed.size());
    if (snapshot.usefulHidden > 0)
        status.usefulHidden = QStringLiteral("· скрыто менее подходящих: %1").arg(snapshot.usefulHidden);
    if (snapshot.rejectHidden > 0)
        status.rejectHidden = QStringLiteral("· по риску: %1").arg(snapshot.rejectHidden);
    if (snapshot.stockHidden > 0)
        status.stockHidden = QStringLiteral("· нет в наличии: %1").arg(snapshot.stockHidden);
    if (snapshot.deliveryHidden > 0)
        status.deliveryHidden = QStringLiteral("· по сроку: %1").arg(snapshot.deliveryHidden);
    // Offers the stock and delivery filters hide are not for the toggle to bring back.
    if (snapshot.total - snapshot.stockHidden - snapshot.deliveryHidden != snapshot.usefulCount)
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
