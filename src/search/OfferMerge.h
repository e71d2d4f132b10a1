#pragma once

#include "core/SupplierOffer.h"

#include <QList>
#include <QString>

// Pure steps of merging the suppliers' answers into one list.
namespace OfferMerge {

// Keeps the first offer of every id, in input order. Works in place on a list handed over with
// std::move; one without repeats comes back unchanged.
QList<SupplierOffer> deduplicated(QList<SupplierOffer> offers);
// The most frequent brand among offers whose trimmed, upper-cased article equals the query
// exactly; ties go to the brand seen first; empty when nothing matches.
QString consensusBrand(const QString& article, const QList<SupplierOffer>& first, const QList<SupplierOffer>& second);

} // namespace OfferMerge
