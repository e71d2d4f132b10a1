#pragma once

#include "Decimal.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

// One offer of one part from one warehouse of one supplier, as every connector
// normalises it. A plain value: copied freely, compared and hashed by all fields.
struct SupplierOffer {
    QString supplierID;
    QString supplierName;
    QString supplierOfferKey;
    QString brand;
    QString article;
    QString name;
    Decimal price;
    QString currency;
    std::optional<std::int64_t> availableQuantity;
    // How the supplier states a stock it gives no number for ("+", "++", "+++", "под заказ"); shown
    // instead of availableQuantity, which then holds the rank it sorts by (if any).
    std::optional<QString> stockNote;
    std::optional<std::int64_t> minimumQuantity;
    std::optional<std::int64_t> packageQuantity;
    std::optional<QString> warehouse;
    std::optional<QString> deliveryDescription;
    std::optional<QDateTime> deliveryDate;
    std::optional<Decimal> rejectRate;
    std::optional<bool> isReturnable;
    QDateTime updatedAt;
    std::optional<QString> rowHighlightColor;

    // The delivery description of an offer at the supplier's own warehouse: no days to wait.
    static QString inStockText() { return QStringLiteral("в наличии"); }

    // supplierID + "|" + supplierOfferKey: the identity in lists and the de-duplication key.
    QString id() const;

    double priceSortValue() const;
    // The largest finite double when the refusal rate is unknown, so unknowns sort last.
    double rejectsSortValue() const;
    // Estimated days until delivery; the largest finite double when nothing is known.
    double deliverySortValue() const;
    // Same as deliverySortValue(), with "today" given (for a stable clock in callers and tests).
    double deliverySortValue(const QDateTime& now) const;

    bool operator==(const SupplierOffer& other) const = default;
};

size_t qHash(const SupplierOffer& offer, size_t seed = 0);

Q_DECLARE_METATYPE(SupplierOffer)
