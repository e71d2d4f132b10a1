#pragma once

#include "OffersSnapshot.h"

#include <QString>

#include <optional>

// The texts of the status row above the offer table; the widgets lay them out.
struct UsefulResultsStatus {
    // "Найдено: 12 · показано: 9".
    QString summary;
    // "· скрыто менее подходящих: 3", when some offers are hidden as less useful.
    std::optional<QString> usefulHidden;
    // "· по риску: 2", when the risk filter hides some.
    std::optional<QString> rejectHidden;
    // "Показать все" / "Показать полезные", when the useful offers are not all offers.
    std::optional<QString> toggleTitle;
    // "≤ 70%", while the risk filter is on (its slider is shown with it).
    std::optional<QString> allowedRisk;

    static QString rejectFilterTitle() { return QStringLiteral("Скрывать высокий риск отказа"); }
    static QString thresholdHelp() {
        return QStringLiteral("Вправо — строже: допустимая вероятность отказа уменьшается");
    }
    static QString allowedRiskHelp() {
        return QStringLiteral("Максимальная известная вероятность отказа, которую Orelia допускает");
    }

    static UsefulResultsStatus of(const OffersSnapshot& snapshot, const OfferTableSettings& settings);
};
