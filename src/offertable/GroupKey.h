#pragma once

#include "core/SupplierOffer.h"

#include <QString>

// Offers of one supplier for one brand and one article, however they are spelled:
// " bosch" and "BOSCH", "oc 90" and "OC-90" fall together.
struct GroupKey {
    QString supplierID; // lower-cased, not trimmed
    QString brand;      // trimmed, upper-cased
    QString article;    // canonical part number

    static GroupKey of(const SupplierOffer& offer);

    bool operator==(const GroupKey&) const = default;
};

inline size_t qHash(const GroupKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.supplierID, key.brand, key.article);
}
