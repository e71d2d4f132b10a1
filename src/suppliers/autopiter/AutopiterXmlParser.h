#pragma once

#include "AutopiterModels.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// The rows of the Autopiter answers, read from the raw XML with no network involved.
// Rows without what an offer needs are skipped; a document that cannot be read at all, or
// holds more than maxRows rows, throws AutopiterError::invalidSOAPResponse; one without the
// operation's result element (a SOAP fault, an empty body, rows in another namespace) throws
// AutopiterError::soapFault or noResult, never an empty list.
namespace AutopiterXmlParser {

// An answer with more rows than a search ever shows is refused, as the JSON answers are.
inline constexpr qsizetype maxRows = 20000;

// The "SearchCatalogModel" rows of a FindCatalog answer, in document order.
QList<AutopiterCatalogItem> catalogItems(const QByteArray& xml);
// The "PriceSearchModel" rows of a GetPriceId answer, in document order.
QList<AutopiterPriceItem> priceItems(const QByteArray& xml);
// The text of a SOAP fault in the answer (its faultstring, on one line), or nothing when the
// answer holds no fault.
std::optional<QString> faultText(const QByteArray& xml);
// The text of <name>…</name> in a UTF-8 answer, found literally: true/1 or false/0 in any
// letter case and with blanks around. Anything else throws invalidSOAPResponse(name).
bool booleanResult(const QString& name, const QByteArray& body);

} // namespace AutopiterXmlParser
