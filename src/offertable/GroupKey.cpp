#include "GroupKey.h"

#include "core/TextUtils.h"

GroupKey GroupKey::of(const SupplierOffer& offer) {
    return GroupKey{offer.supplierID.toLower(), TextUtils::trimmedUpper(offer.brand),
                    TextUtils::canonicalPartNumber(offer.article)};
}
