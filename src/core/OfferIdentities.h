#pragma once

#include "SupplierOffer.h"

#include <QList>

#include <vector>

// Numbers the distinct ids (supplierID + "|" + supplierOfferKey) of a list of offers in the
// order they first appear, without building the id texts: one flat table of small slots,
// fetched from memory ahead of their turn, so that a hundred thousand offers cost a hundred
// thousand short probes. Equal ids get equal numbers however the two parts split the text.
namespace OfferIdentities {

// One number per offer, in list order; an offer whose id is new gets the next unused number.
std::vector<qsizetype> numbers(const QList<SupplierOffer>& offers);

} // namespace OfferIdentities
