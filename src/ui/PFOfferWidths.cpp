#include "PFOfferWidths.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr int N = PFOfferWidths::columnCount;

// In hundredths of W; they add up to 100.
constexpr std::array<int, N> kShares{10, 11, 33, 10, 7, 8, 10, 11};

// Whole pixels for `amounts` that add up to `total` exactly: the running edges are rounded,
// not each amount.
void roundedInto(std::array<int, N>& out, const std::array<double, N>& amounts, const std::array<bool, N>& take,
                 int total) {
    double sum = 0;
    for (int i = 0; i < N; ++i)
        sum += take[static_cast<size_t>(i)] ? amounts[static_cast<size_t>(i)] : 0.0;
    double edge = 0;
    int previous = 0;
    for (int i = 0; i < N; ++i) {
        const auto k = static_cast<size_t>(i);
        if (!take[k])
            continue;
        edge += amounts[k];
        const int rounded = sum > 0 ? static_cast<int>(std::lround(edge * total / sum)) : 0;
        out[k] = rounded - previous;
        previous = rounded;
    }
}

} // namespace

bool PFOfferWidths::givesWay(int column) {
    // brand, article, name, price, quantity, delivery, risk, supplier
    return column == nameColumn || column == 4 || column == 6 || column == 7;
}

int PFOfferWidths::total() const {
    return std::accumulate(widths.begin(), widths.end(), 0);
}

PFOfferWidths PFOfferWidths::forAvailableWidth(int availableWidth) {
    const int w = std::max(availableWidth - 20, minimumTotal);
    PFOfferWidths result;
    std::array<double, N> shares{};
    std::array<bool, N> all{};
    for (size_t k = 0; k < N; ++k) {
        shares[k] = kShares[k];
        all[k] = true;
    }
    roundedInto(result.widths, shares, all, w);
    return result;
}

PFOfferWidths PFOfferWidths::arranged(int available, const Columns& columns) {
    // First with every title whole, then with titles allowed to elide.
    for (const bool wholeTitles : {true, false}) {
        std::array<int, N> least{};
        int autoLeast = 0;
        int chosenFloor = 0;
        int chosenWant = 0;
        for (size_t k = 0; k < N; ++k) {
            const Column& c = columns[k];
            if (c.hidden)
                continue;
            least[k] = std::max(c.content, wholeTitles ? c.title : 0);
            if (k == nameColumn)
                least[k] = std::max(least[k], nameMinimum);
            if (c.chosen) {
                chosenFloor += std::min(*c.chosen, least[k]);
                chosenWant += *c.chosen;
            } else {
                autoLeast += least[k];
            }
        }
        if (autoLeast + chosenFloor > available)
            continue;

        PFOfferWidths result;
        // Columns the user sized: as chosen, or each giving back part of what it has above its needs.
        const int chosenRoom = std::min(chosenWant, available - autoLeast);
        if (chosenWant > 0) {
            std::array<double, N> spare{};
            std::array<bool, N> chosen{};
            for (size_t k = 0; k < N; ++k) {
                if (!columns[k].chosen || columns[k].hidden)
                    continue;
                chosen[k] = true;
                result.widths[k] = std::min(*columns[k].chosen, least[k]);
                spare[k] = *columns[k].chosen - result.widths[k];
            }
            std::array<int, N> extra{};
            roundedInto(extra, spare, chosen, chosenRoom - chosenFloor);
            for (size_t k = 0; k < N; ++k)
                result.widths[k] += chosen[k] ? extra[k] : 0;
        }

        // The others share the rest in proportion; a column whose share is below its needs gets
        // its needs, and the rest is shared again among the others.
        const int rest = available - chosenRoom;
        std::array<bool, N> pinned{};
        for (bool changed = true; changed;) {
            changed = false;
            double room = rest;
            double shareSum = 0;
            for (size_t k = 0; k < N; ++k) {
                if (columns[k].chosen || columns[k].hidden)
                    continue;
                if (pinned[k])
                    room -= least[k];
                else
                    shareSum += kShares[k];
            }
            for (size_t k = 0; k < N && shareSum > 0; ++k) {
                if (!columns[k].chosen && !columns[k].hidden && !pinned[k] && kShares[k] * room / shareSum < least[k]) {
                    pinned[k] = true;
                    changed = true;
                }
            }
        }
        std::array<double, N> shares{};
        std::array<bool, N> sharing{};
        int pinnedSum = 0;
        for (size_t k = 0; k < N; ++k) {
            if (columns[k].chosen || columns[k].hidden)
                continue;
            if (pinned[k]) {
                result.widths[k] = least[k];
                pinnedSum += least[k];
            } else {
                sharing[k] = true;
                shares[k] = kShares[k];
            }
        }
        std::array<int, N> shared{};
        roundedInto(shared, shares, sharing, rest - pinnedSum);
        for (size_t k = 0; k < N; ++k) {
            if (sharing[k])
                result.widths[k] = shared[k];
        }
        // Rounding may leave a shared column a pixel short of its needs; the name pays for it.
        for (size_t k = 0; k < N; ++k) {
            if (sharing[k] && result.widths[k] < least[k] && k != nameColumn && sharing[nameColumn]) {
                result.widths[nameColumn] -= least[k] - result.widths[k];
                result.widths[k] = least[k];
            }
        }
        return result;
    }

    // The values do not fit: the columns that do not give way keep theirs (with their titles when
    // the others still get their least widths; a dragged one no more than it needs), and the
    // others share the rest in proportion to their needs.
    PFOfferWidths result;
    int rest = available;
    std::array<double, N> needs{};
    std::array<bool, N> giving{};
    int floors = 0;
    for (const bool keyTitles : {true, false}) {
        rest = available;
        floors = 0;
        for (size_t k = 0; k < N; ++k) {
            const Column& c = columns[k];
            if (c.hidden)
                continue;
            giving[k] = givesWay(static_cast<int>(k));
            int content = k == nameColumn ? std::max(c.content, nameMinimum) : c.content;
            if (keyTitles && !giving[k])
                content = std::max(content, c.title);
            const int need = c.chosen ? std::min(*c.chosen, content) : content;
            if (giving[k]) {
                needs[k] = need;
                floors += giveWayMinimum;
            } else {
                result.widths[k] = need;
                rest -= need;
            }
        }
        if (rest > floors)
            break;
    }
    if (rest <= floors) {
        for (size_t k = 0; k < N; ++k) {
            if (giving[k])
                result.widths[k] = giveWayMinimum;
        }
        return result;
    }
    // Each takes its share of the rest, but never less than its floor: those below it are set to
    // the floor and the others share again.
    std::array<bool, N> floored{};
    for (bool changed = true; changed;) {
        changed = false;
        double room = rest;
        double needSum = 0;
        for (size_t k = 0; k < N; ++k) {
            if (!giving[k])
                continue;
            if (floored[k])
                room -= giveWayMinimum;
            else
                needSum += needs[k];
        }
        for (size_t k = 0; k < N && needSum > 0; ++k) {
            if (giving[k] && !floored[k] && needs[k] * room / needSum < giveWayMinimum) {
                floored[k] = true;
                changed = true;
            }
        }
    }
    std::array<bool, N> sharing{};
    int flooredSum = 0;
    for (size_t k = 0; k < N; ++k) {
        if (!giving[k])
            continue;
        if (floored[k]) {
            result.widths[k] = giveWayMinimum;
            flooredSum += result.widths[k];
        } else {
            sharing[k] = true;
        }
    }
    std::array<int, N> shared{};
    roundedInto(shared, needs, sharing, rest - flooredSum);
    for (size_t k = 0; k < N; ++k) {
        if (sharing[k])
            result.widths[k] = shared[k];
    }
    return result;
}
