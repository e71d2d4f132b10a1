#include "AutopiterModels.h"

#include <QHashFunctions>

namespace {

// An absent value hashes apart from every present one.
template <typename T> size_t hashOptional(const std::optional<T>& value, size_t seed) {
    return value ? qHashMulti(seed, true, *value) : qHash(false, seed);
}

} // namespace

size_t qHash(const AutopiterCatalogItem& item, size_t seed) {
    seed = qHashMulti(seed, item.articleID, item.catalogName, item.name, item.number);
    return hashOptional(item.salesRating, seed);
}

size_t qHash(const AutopiterPriceItem& item, size_t seed) {
    seed = qHashMulti(seed, item.detailUID, item.number, item.catalogName, item.name, item.salePrice, item.currency);
    seed = hashOptional(item.sellerID, seed);
    seed = hashOptional(item.shortNumber, seed);
    seed = hashOptional(item.availableQuantity, seed);
    seed = hashOptional(item.minimumQuantity, seed);
    seed = hashOptional(item.daysSupply, seed);
    seed = hashOptional(item.deliveryDate, seed);
    seed = hashOptional(item.region, seed);
    return hashOptional(item.successfulOrdersPercent, seed);
}
