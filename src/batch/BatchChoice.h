#pragma once

#include "BatchInput.h"
#include "core/SupplierOffer.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Which offer of a line is the one to buy.
enum class BestOfferRule { cheapest, fastest, lowestRisk };

namespace BestOfferRules {
// "cheapest", "fastest", "risk".
QString key(BestOfferRule rule);
std::optional<BestOfferRule> fromKey(QStringView key);
// "Самое дешёвое", "Самое быстрое", "Наименьший риск отказа".
QString title(BestOfferRule rule);
} // namespace BestOfferRules

// How the offer of a list line is picked. Only offers of the asked-for part count (the article's
// canonical form equal, and the brand when the line names one): "OC 90 OF" is another part than
// "OC 90", whatever it costs. Analogues stand in only when the line has no such offer and the
// buyer allowed them. Both kinds must keep the list's limits.
struct BatchChoice {
    BestOfferRule rule = BestOfferRule::cheapest;
    bool analoguesAllowed = false;
    // Delivered within this many days; an offer of unknown delivery does not keep the limit.
    std::optional<int> maxDeliveryDays;
    // Stock stated and at least the line's quantity.
    bool enoughStockOnly = false;

    // Why a line has no offer.
    enum class Miss { none, notFound, failed, riskFiltered, onlyAnalogues, outsideLimits };

    struct Outcome {
        std::optional<SupplierOffer> offer;
        bool analogue = false;
        Miss miss = Miss::none;
        // Why there is no offer; empty when there is one.
        QString problem;
    };

    // The pick among the line's offers (risk filter applied), `asked` being the searched article.
    Outcome choose(const QList<SupplierOffer>& offers, const BatchLine& line, const QString& asked,
                   const QDateTime& now) const;
    // Whether the offer keeps the delivery and stock limits for the quantity.
    bool keepsLimits(const SupplierOffer& offer, std::int64_t quantity, const QDateTime& now) const;
    // "не дольше 5 дн. · в наличии не меньше 4 шт."; empty without limits.
    QString limitsText(std::int64_t quantity) const;

    // The offer is the part asked for: the same canonical article and, when a brand is given, its brand
    // ("MANN" and "MANN-FILTER" count as one).
    static bool isAskedFor(const SupplierOffer& offer, const QString& askedArticle, const QString& brand);
    // The rule's pick among candidates: offers whose stock covers the quantity (or is not stated)
    // come first when there are any; ties go by the other two measures, then list order.
    static std::optional<SupplierOffer> bestOffer(const QList<SupplierOffer>& candidates, BestOfferRule rule,
                                                  std::int64_t quantity, const QDateTime& now);
    // What a line stores to remember a hand-picked offer: its article and brand in canonical form.
    static QString lineKey(const BatchLine& line);

    bool operator==(const BatchChoice&) const = default;
};
