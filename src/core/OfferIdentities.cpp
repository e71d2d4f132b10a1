#include "OfferIdentities.h"

#include <QStringView>

#include <algorithm>
#include <bit>
#include <cstdint>

namespace OfferIdentities {

namespace {

constexpr std::uint64_t kIndexMask = 0xffffffffull;

// FNV-1a over the whole id text, so that equal ids hash alike however they split.
std::uint64_t hashOf(const SupplierOffer& offer) {
    std::uint64_t h = 14695981039346656037ull;
    const auto add = [&h](char16_t c) {
        h ^= c;
        h *= 1099511628211ull;
    };
    for (const QChar c : offer.supplierID)
        add(c.unicode());
    add(u'|');
    for (const QChar c : offer.supplierOfferKey)
        add(c.unicode());
    // The low bits pick the slot; mix the high ones in, which FNV leaves poorly spread.
    return h ^ (h >> 29);
}

bool sameID(const SupplierOffer& a, const SupplierOffer& b) {
    const QStringView aID = a.supplierID;
    const QStringView bID = b.supplierID;
    const QStringView aKey = a.supplierOfferKey;
    const QStringView bKey = b.supplierOfferKey;
    if (aID.size() == bID.size())
        return aKey.size() == bKey.size() && aID == bID && aKey == bKey;
    const qsizetype size = aID.size() + 1 + aKey.size();
    if (size != bID.size() + 1 + bKey.size())
        return false;
    const auto at = [](QStringView id, QStringView key, qsizetype i) -> char16_t {
        if (i < id.size())
            return id[i].unicode();
        if (i == id.size())
            return u'|';
        return key[i - id.size() - 1].unicode();
    };
    for (qsizetype i = 0; i < size; ++i) {
        if (at(aID, aKey, i) != at(bID, bKey, i))
            return false;
    }
    return true;
}

} // namespace

std::vector<qsizetype> numbers(const QList<SupplierOffer>& offers) {
    const auto n = static_cast<size_t>(offers.size());
    std::vector<qsizetype> result(n);
    std::vector<std::uint64_t> hashes(n);
    for (size_t i = 0; i < n; ++i)
        hashes[i] = hashOf(offers[static_cast<qsizetype>(i)]);

    // At most half full. A slot of the table holds the upper half of the hash and the position + 1 of the
    // offer that brought the id; 0 is free. The number of an id is kept at that position.
    std::vector<std::uint64_t> table(std::bit_ceil(std::max<size_t>(16, 2 * n)), 0);
    const std::uint64_t mask = table.size() - 1;
    // Far enough ahead for a slot to arrive from memory before its probe.
    constexpr size_t kAhead = 16;
    qsizetype next = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(&table[hashes[i + kAhead] & mask]);
        const std::uint64_t tag = hashes[i] & ~kIndexMask;
        const SupplierOffer& offer = offers[static_cast<qsizetype>(i)];
        for (std::uint64_t slot = hashes[i] & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t entry = table[slot];
            if (entry == 0) {
                table[slot] = tag | (i + 1);
                result[i] = next++;
                break;
            }
            const size_t first = (entry & kIndexMask) - 1;
            if ((entry & ~kIndexMask) == tag && sameID(offers[static_cast<qsizetype>(first)], offer)) {
                result[i] = result[first];
                break;
            }
        }
    }
    return result;
}

} // namespace OfferIdentities
