#pragma once

#include "core/SupplierOffer.h"

#include <cstdint>
#include <optional>

// A row background as sRGB bytes with opacity; the widget layer turns it into a QColor.
struct OfferRowColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    bool operator==(const OfferRowColor&) const = default;
};

// The Autoliga portal marks some of its rows with a colour; those rows rank above
// all others (yellow, then green, then cyan) and keep their colour in the table.
namespace OfferRowHighlight {

// 0 to 2 for the three ranked portal colours, 3 for everything else.
int rank(const SupplierOffer& offer);
// The portal's colour for an Autoliga row: "#RGB", "#RRGGBB" or "#RRGGBBAA"; none otherwise.
std::optional<OfferRowColor> color(const SupplierOffer& offer);

} // namespace OfferRowHighlight
