#pragma once

#include <array>

// The widths of the eight offer columns (brand, article, name, price, quantity, delivery,
// risk, supplier) for a table of the given width: shares of W = max(width − 20, 870), so a
// narrow window scrolls sideways instead of squeezing the columns. Whole pixels that add up
// to W exactly. The cart button column follows with its own fixed width.
struct PFOfferWidths {
    static constexpr int columnCount = 8;
    static constexpr int minimumTotal = 870;
    static constexpr int cartColumnWidth = 32;

    std::array<int, columnCount> widths{};

    int total() const;
    static PFOfferWidths forAvailableWidth(int availableWidth);
};
