#include "PFOfferWidths.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// In hundredths of W; they add up to 100.
constexpr std::array<int, PFOfferWidths::columnCount> kShares{10, 11, 33, 10, 7, 8, 10, 11};

} // namespace

int PFOfferWidths::total() const {
    return std::accumulate(widths.begin(), widths.end(), 0);
}

PFOfferWidths PFOfferWidths::forAvailableWidth(int availableWidth) {
    const int w = std::max(availableWidth - 20, minimumTotal);
    PFOfferWidths result;
    // Round the running edges, not each width, so the columns end exactly at W.
    int shareSoFar = 0;
    int previousEdge = 0;
    for (int i = 0; i < columnCount; ++i) {
        shareSoFar += kShares[static_cast<std::size_t>(i)];
        const int edge = static_cast<int>(std::lround(static_cast<double>(w) * shareSoFar / 100.0));
        result.widths[static_cast<std::size_t>(i)] = edge - previousEdge;
        previousEdge = edge;
    }
    return result;
}
