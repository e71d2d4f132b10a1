#pragma once

#include "AutopiterModels.h"

#include <QByteArray>
#include <QList>

// The rows of the Autopiter answers, read from the raw XML with no network involved.
// Rows without what an offer needs are skipped; a document that cannot be read at all
// throws AutopiterError::invalidSOAPResponse.
namespace AutopiterXmlParser {

// The "SearchCatalogModel" rows of a FindCatalog answer, in document order.
QList<AutopiterCatalogItem> catalogItems(const QByteArray& xml);
// The "PriceSearchModel" rows of a GetPriceId answer, in document order.
QList<AutopiterPriceItem> priceItems(const QByteArray& xml);

} // namespace AutopiterXmlParser
