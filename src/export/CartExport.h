#pragma once

#include "cart/CartItem.h"
#include "ExportTable.h"

#include <QList>
#include <QString>

// The cart handed on: as a sheet for a spreadsheet (the same writers as the offer table) and as
// one supplier's order list to paste into a spreadsheet or the supplier's order form.
namespace CartExport {

// Every line by supplier: supplier, brand, article, name, quantity, price, line total, delivery,
// warehouse; the totals per supplier and of the whole cart below.
ExportTable table(const QList<SupplierCartGroup>& groups);
// One line per cart line: article, brand, quantity and price (with `decimalMark`), tab-separated.
QString orderText(const SupplierCartGroup& group, QChar decimalMark = u'.');
// The line's price as an exact decimal (a price that is no number counts as 0).
Decimal priceOf(const CartItem& item);

} // namespace CartExport
