#include "OfferSortOrder.h"

#include "RankedOffer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

QList<OfferSortComparator> offerSortOrder(PFOfferSortColumn column, bool ascending) {
    QList<OfferSortComparator> order{{column, ascending}};
    for (const PFOfferSortColumn tieBreak : {PFOfferSortColumn::price, PFOfferSortColumn::delivery}) {
        if (tieBreak != column)
            order.append({tieBreak, true});
    }
    return order;
}

void OfferSortState::pfSortOffers(PFOfferSortColumn column) {
    if (column == m_column) {
        m_ascending = !m_ascending;
    } else {
        m_column = column;
        m_ascending = true;
    }
    m_offerSortOrder = ::offerSortOrder(column, m_ascending);
}

namespace {

constexpr double kUnknown = std::numeric_limits<double>::max();

// Unknown values ("—") go last whichever way the column is sorted: -1 when only b is unknown,
// 1 when only a is, 0 when both or neither are.
int unknownLast(double a, double b) {
    return (a == kUnknown) == (b == kUnknown) ? 0 : a == kUnknown ? 1 : -1;
}

// -1, 0 or 1 for one key, before the direction is applied.
int compareByKey(const RankedOffer& a, const RankedOffer& b, PFOfferSortColumn key) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (key) {
    case PFOfferSortColumn::brand:
        return three(QString::compare(a.offer->brand, b.offer->brand, Qt::CaseSensitive), 0);
    case PFOfferSortColumn::article:
        return three(QString::compare(a.offer->article, b.offer->article, Qt::CaseSensitive), 0);
    case PFOfferSortColumn::price:
        return three(a.price, b.price);
    case PFOfferSortColumn::delivery:
        return three(a.delivery, b.delivery);
    case PFOfferSortColumn::risk:
        return three(a.risk, b.risk);
    }
    return 0;
}

// The value of a numeric column, or nothing for a text column.
std::optional<double RankedOffer::*> numericKey(PFOfferSortColumn key) {
    switch (key) {
    case PFOfferSortColumn::price:
        return &RankedOffer::price;
    case PFOfferSortColumn::delivery:
        return &RankedOffer::delivery;
    case PFOfferSortColumn::risk:
        return &RankedOffer::risk;
    case PFOfferSortColumn::brand:
    case PFOfferSortColumn::article:
        break;
    }
    return std::nullopt;
}

} // namespace

void sortRanked(QList<RankedOffer>& rows, const QList<OfferSortComparator>& order) {
    if (order.isEmpty())
        return;
    // Numeric columns only, the usual case: sort small (values, position) records, then place the rows once.
    constexpr qsizetype kMaxNumericKeys = 3;
    std::array<double RankedOffer::*, kMaxNumericKeys> members{};
    bool numeric = order.size() <= kMaxNumericKeys;
    for (qsizetype k = 0; numeric && k < order.size(); ++k) {
        const auto member = numericKey(order[k].key);
        numeric = member.has_value();
        if (numeric)
            members[static_cast<size_t>(k)] = *member;
    }
    if (numeric) {
        struct Keyed {
            std::array<double, kMaxNumericKeys> values;
            qsizetype position;
        };
        const auto keyCount = static_cast<size_t>(order.size());
        std::array<bool, kMaxNumericKeys> forward{};
        for (size_t k = 0; k < keyCount; ++k)
            forward[k] = order[static_cast<qsizetype>(k)].forward;
        std::vector<Keyed> keyed;
        keyed.reserve(static_cast<size_t>(rows.size()));
        for (qsizetype i = 0; i < rows.size(); ++i) {
            Keyed entry{{}, i};
            for (size_t k = 0; k < keyCount; ++k)
                entry.values[k] = rows[i].*members[k];
            keyed.push_back(entry);
        }
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            for (size_t k = 0; k < keyCount; ++k) {
                if (const int u = unknownLast(a.values[k], b.values[k]))
                    return u < 0;
                if (a.values[k] != b.values[k])
                    return forward[k] ? a.values[k] < b.values[k] : b.values[k] < a.values[k];
            }
            return false;
        });
        QList<RankedOffer> sorted;
        sorted.reserve(rows.size());
        for (const Keyed& entry : keyed)
            sorted.append(rows[entry.position]);
        rows = std::move(sorted);
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [&order](const RankedOffer& a, const RankedOffer& b) {
        for (const OfferSortComparator& c : order) {
            if (const auto member = numericKey(c.key)) {
                if (const int u = unknownLast(a.*(*member), b.*(*member)))
                    return u < 0;
            }
            const int r = compareByKey(a, b, c.key);
            if (r != 0)
                return c.forward ? r < 0 : r > 0;
        }
        return false;
    });
}

QList<SupplierOffer> sortedOffers(const QList<SupplierOffer>& offers, const QList<OfferSortComparator>& order,
                                  const QDateTime& now) {
    QList<RankedOffer> rows = rankedOffers(offers, now);
    sortRanked(rows, order);
    return offersOf(rows);
}
