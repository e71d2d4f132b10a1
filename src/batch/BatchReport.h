#pragma once

#include "BatchPricer.h"
#include "core/Decimal.h"
#include "export/ExportTable.h"
#include "offertable/OffersSnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class CartStore;

// Which offer of a line is the one to buy.
enum class BestOfferRule { cheapest, fastest, lowestRisk };

namespace BestOfferRules {
// "cheapest", "fastest", "risk".
QString key(BestOfferRule rule);
std::optional<BestOfferRule> fromKey(QStringView key);
// "Самое дешёвое", "Самое быстрое", "Наименьший риск отказа".
QString title(BestOfferRule rule);
} // namespace BestOfferRules

// One line of a priced list: what was asked, the offer chosen for it and what it costs.
struct BatchRow {
    BatchLineResult result;
    // The offers the line's table would show (useful ones, risk filter applied), in table order.
    QList<SupplierOffer> shown;
    // All offers of the line in table order, the risk filter applied: what the line expands to.
    QList<SupplierOffer> all;
    std::optional<SupplierOffer> best;
    // Price with markup, and times the quantity.
    Decimal unitPrice;
    Decimal lineTotal;
    Decimal purchaseTotal; // without markup
    // The chosen offer's stock covers the quantity (or is not stated).
    bool enoughStock = true;
    // The chosen offer is another part than the asked-for article (an analogue).
    bool analogue = false;
    // Why there is no offer, or what the user should know about the one chosen.
    QString problem;

    bool isPriced() const { return best.has_value(); }
    qsizetype otherOffers() const { return best ? all.size() - 1 : all.size(); }
};

struct BatchSupplierTotal {
    QString supplierID;
    QString supplierName;
    qsizetype lines = 0;
    std::int64_t quantity = 0;
    Decimal total;
    Decimal purchaseTotal;
};

// The priced list: a row per input line, totals per supplier (in order of their first row)
// and overall, in exact decimals.
struct BatchReport {
    BestOfferRule rule = BestOfferRule::cheapest;
    double markupPercent = 0;
    QList<BatchRow> rows;
    QList<BatchSupplierTotal> suppliers;
    Decimal total;
    Decimal purchaseTotal;
    qsizetype pricedLines = 0;

    bool allPriced() const { return pricedLines == rows.size(); }

    // `chosen` maps a row index to the offer id the user picked for it instead of the rule's.
    static BatchReport evaluate(const QList<BatchLineResult>& results, BestOfferRule rule,
                                const OfferTableSettings& settings, double markupPercent, const QDateTime& now,
                                const QHash<int, QString>& chosen = {});
    // The rule's pick among candidate offers for a quantity: offers whose stock covers it come
    // first when there are any; ties go by the other two measures, then table order.
    static std::optional<SupplierOffer> bestOffer(const QList<SupplierOffer>& candidates, BestOfferRule rule,
                                                  std::int64_t quantity, const QDateTime& now);
    // Offers of the brand asked for (any when the brand is empty); spellings such as "MANN" and
    // "MANN-FILTER" count as one brand.
    static QList<SupplierOffer> ofBrand(const QList<SupplierOffer>& offers, const QString& brand);

    // "12 345,60 руб."
    static QString money(const Decimal& amount);
    // Sheets for a file: the list with its totals, and every offer of every line.
    QList<ExportTable> exportTables(const QDateTime& now) const;
    // Puts the chosen offers into the cart with the list's quantities (lines with the same offer
    // add up); an offer already in the cart gets the list's quantity. Gives how many were new.
    struct CartOutcome {
        int added = 0;
        int updated = 0;
    };
    CartOutcome addToCart(CartStore& cart) const;
};
