#pragma once

#include <array>
#include <optional>

// The widths of the eight offer columns (brand, article, name, price, quantity, delivery,
// risk, supplier). Whole pixels; the cart button column follows with its own fixed width.
struct PFOfferWidths {
    static constexpr int columnCount = 8;
    static constexpr int minimumTotal = 870;
    static constexpr int cartColumnWidth = 32;
    static constexpr int nameColumn = 2;
    // The name elides first, down to this.
    static constexpr int nameMinimum = 90;
    // Where even the values do not fit, the columns that give way (name, stock, risk, supplier)
    // elide down to this (no less than the header's least section), so brand, article, price and
    // delivery stay whole.
    static constexpr int giveWayMinimum = 28;
    static bool givesWay(int column);

    // What one column needs to show its values and its title without eliding, the width the
    // user dragged it to, if any, and whether the user hid it.
    struct Column {
        int content = 0;
        int title = 0;
        std::optional<int> chosen;
        bool hidden = false;
    };
    using Columns = std::array<Column, columnCount>;

    std::array<int, columnCount> widths{};

    int total() const;

    // Shares of W = max(width − 20, 870): 10, 11, 33, 10, 7, 8, 10 and 11 hundredths of W,
    // adding up to W exactly.
    static PFOfferWidths forAvailableWidth(int availableWidth);

    // The columns for exactly `available` pixels. A column gets at least its content and its
    // title (the name at least nameMinimum); what is left is shared in the proportions above, so
    // the name, with the largest share, gives first. A column the user sized keeps that width
    // while the others fit, and gives back no more than down to its own needs when they do not.
    // Titles give next (they elide); when even the content does not fit, the columns that give
    // way share what the others leave, each down to giveWayMinimum; below that the columns add up
    // to more than `available`. A hidden column gets 0.
    static PFOfferWidths arranged(int available, const Columns& columns);
};
