#pragma once

#include "SupplierOffer.h"

#include <QDateTime>

// What a supplier may say and still be believed. A price outside the range drops the offer (it
// would sort first or last and be ordered by mistake); any other value outside its range is as
// good as not said.
namespace OfferRanges {

inline constexpr std::int64_t maxDeliveryDays = 730;

// At least 0.01 and below 100 000 000.
bool isUsablePrice(const Decimal& price);
// False when the offer's price is unusable: the caller drops the offer. Otherwise clears a stock
// below 0, a minimum or package below 1, a delivery text whose days lie outside 0–730, a delivery
// date more than 730 days ahead and a refusal rate outside 0–100.
bool apply(SupplierOffer& offer, const QDateTime& now = QDateTime::currentDateTime());

} // namespace OfferRanges
