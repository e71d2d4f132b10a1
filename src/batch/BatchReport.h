#pragma once

#include "BatchChoice.h"
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

// One line of a priced list: what was asked, the offer chosen for it and what it costs.
struct BatchRow {
    BatchLineResult result;
    // The article the line asked for, as searched.
    QString askedArticle;
    // All offers of the line, the risk filter applied, cheapest first: what the line expands to.
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
    // The buyer picked the offer, not the rule.
    bool pickedByHand = false;
    // Why a searched line has no offer.
    BatchChoice::Miss miss = BatchChoice::Miss::none;
    // Why there is no offer, or what the user should know about the one chosen.
    QString problem;

    bool isPriced() const { return best.has_value(); }
    qsizetype otherOffers() const { return best ? all.size() - 1 : all.size(); }
    bool isAskedFor(const SupplierOffer& offer) const;
    // "аналог OC 90".
    QString analogueMark() const { return QStringLiteral("аналог ") + askedArticle; }
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
    BatchChoice choice;
    double markupPercent = 0;
    QList<BatchRow> rows;
    QList<BatchSupplierTotal> suppliers;
    Decimal total;
    Decimal purchaseTotal;
    qsizetype pricedLines = 0;

    bool allPriced() const { return pricedLines == rows.size(); }

    // `chosen` maps a line (BatchChoice::lineKey) to the offer id the buyer picked for it instead
    // of the rule's; a pick whose offer is no longer among the line's gives way to the rule.
    static BatchReport evaluate(const QList<BatchLineResult>& results, const BatchChoice& choice,
                                const OfferTableSettings& settings, double markupPercent, const QDateTime& now,
                                const QHash<QString, QString>& chosen = {});

    // "12 345,60 руб."
    static QString money(const Decimal& amount);
    // Sheets for a file: the list with its totals, and every offer of every line.
    QList<ExportTable> exportTables(const QDateTime& now) const;
    // Puts the chosen offers into the cart with the list's quantities (lines with the same offer
    // add up) and the article each line asked for; an offer already in the cart gets the list's
    // quantity. Gives how many were new.
    struct CartOutcome {
        int added = 0;
        int updated = 0;
    };
    CartOutcome addToCart(CartStore& cart) const;
};
