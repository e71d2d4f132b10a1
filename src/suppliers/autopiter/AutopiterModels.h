#pragma once

#include "core/Decimal.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

// One row of the FindCatalog answer: a catalogue article that carries the number.
struct AutopiterCatalogItem {
    std::int64_t articleID = 0;
    QString catalogName;
    QString name;
    QString number;
    std::optional<std::int64_t> salesRating;

    bool operator==(const AutopiterCatalogItem&) const = default;
};

// One row of the GetPriceId answer: one offer of one warehouse.
struct AutopiterPriceItem {
    QString detailUID;
    std::optional<std::int64_t> sellerID;
    QString number;
    std::optional<QString> shortNumber;
    QString catalogName;
    QString name;
    std::optional<std::int64_t> availableQuantity;
    std::optional<std::int64_t> minimumQuantity;
    Decimal salePrice;
    std::optional<std::int64_t> daysSupply;
    std::optional<QDateTime> deliveryDate;
    std::optional<QString> region;
    std::optional<Decimal> successfulOrdersPercent;
    QString currency;

    bool operator==(const AutopiterPriceItem&) const = default;
};

size_t qHash(const AutopiterCatalogItem& item, size_t seed = 0);
size_t qHash(const AutopiterPriceItem& item, size_t seed = 0);
