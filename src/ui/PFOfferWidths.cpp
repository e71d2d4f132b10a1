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
                if (!columns[k].chosen)
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
                if (columns[k].chosen)
                    continue;
                if (pinned[k])
                    room -= least[k];
                else
                    shareSum += kShares[k];
            }
            for (size_t k = 0; k < N && shareSum > 0; ++k) {
                if (!columns[k].chosen && !pinned[k] && kShares[k] * room / shareSum < least[k]) {
                    pinned[k] = true;
                    changed = true;
                }
            }
        }
        std::array<double, N> shares{};
        std::array<bool, N> sharing{};
        int pinnedSum = 0;
        for (size_t k = 0; k < N; ++k) {
            if (columns[k].chosen)
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

    PFOfferWidths result;
    for (size_t k = 0; k < N; ++k) {
        const int content = k == nameColumn ? std::max(columns[k].content, nameMinimum) : columns[k].content;
        result.widths[k] = columns[k].chosen ? std::min(*columns[k].chosen, content) : content;
    }
    return result;
}
