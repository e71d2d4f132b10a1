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
    // "· нет в наличии: 4" and "· по сроку: 3", when the stock and delivery filters hide some.
    std::optional<QString> stockHidden;
    std::optional<QString> deliveryHidden;
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
    static QString inStockFilterTitle() { return QStringLiteral("Только в наличии"); }
    // "Доставка до" before the days field, "дн." after it.
    static QString deliveryFilterTitle() { return QStringLiteral("Доставка до"); }

    static UsefulResultsStatus of(const OffersSnapshot& snapshot, const OfferTableSettings& settings);
};
