#pragma once

#include "core/Decimal.h"
#include "core/SupplierOffer.h"

#include <QString>
#include <QStringView>

// Prices as the offer table and the cart show them. `markupPercent` is the user's markup;
// 0, below 0 or not a number means none. With a markup the price is raised exactly
// (price × (100 + m) / 100) and then rounded up to the next multiple of 50.
class UserDefaults;

namespace PriceDisplay {

// The stored markup ("oreliaMarkupPercent"); 0 when missing or unreadable.
double storedMarkupPercent(const UserDefaults& defaults);
Decimal shownPrice(const Decimal& price, double markupPercent);

} // namespace PriceDisplay

// The price cell's text: "1234,50 руб." without markup, "1400 руб." with one.
QString priceDisplay(const SupplierOffer& offer, double markupPercent);
// What a click on the price cell copies: the same number with a point and no currency.
QString priceCopyValue(const SupplierOffer& offer, double markupPercent);
// The purchase price without markup in ru_RU form ("1 234,5"), for the hover text.
QString purchasePriceTooltip(const SupplierOffer& offer);
// The price cell's hover text: the purchase price while a markup applies, else the cell text.
QString priceHoverText(const SupplierOffer& offer, double markupPercent);

namespace PFCurrencyDisplay {

// Roubles (RUB, RUR, РУБ, РУБ., ₽ in any case) as "1234,50 руб."; other codes after a blank.
QString price(const QString& amount, QStringView currency);

} // namespace PFCurrencyDisplay
