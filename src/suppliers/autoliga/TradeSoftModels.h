#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// One row of a TradeSoft price answer, read leniently: a row always yields an item.
struct TradeSoftPriceItem {
    QString code;
    QString producer;
    // 0 when absent or unreadable; never NaN or infinite.
    double price = 0;
    QString currencyCode;
    QString caption;
    // Stock as the provider writes it ("12", ">10").
    std::optional<QString> rest;
    std::optional<QString> deliveryDays;
    std::optional<std::int64_t> deliveryDaysMin;
    std::optional<std::int64_t> deliveryDaysMax;
    // The provider's warehouse or shipping direction.
    std::optional<QString> direction;
    std::optional<std::int64_t> minimumQuantity;
    std::optional<QString> providerRating;
    // The provider's handle of this exact offer.
    QString itemHash;
    std::optional<QString> itemID;
    std::optional<QString> returnStatus;
    std::optional<QString> itemType;

    // `rest` when it is a plain number (truncated); nothing for ">10", words or units.
    std::optional<std::int64_t> availableQuantity() const;
    // From `returnStatus`: possible/yes/true/1 and impossible/no/false/0; nothing otherwise.
    std::optional<bool> isReturnable() const;

    bool operator==(const TradeSoftPriceItem&) const = default;
};

// A brand TradeSoft knows for the article asked.
struct TradeSoftProducer {
    QString producer;

    bool operator==(const TradeSoftProducer&) const = default;
};

// The value truncated toward zero, when it is finite and within 64 bits.
std::optional<std::int64_t> truncatedInteger(double value);
