#pragma once

#include <QStringView>

#include <cstdint>

// A supplier's colour as a value. Fixed colours carry their sRGB components; the
// others name a role that the widget layer resolves against the current palette.
struct SupplierColor {
    enum class Role { fixed, systemRed, systemPurple, secondaryText };

    Role role = Role::secondaryText;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const SupplierColor&) const = default;
};

namespace SupplierAppearance {

// The fixed colour of a supplier in the offer table, the cart and the settings; the id's case is ignored.
SupplierColor color(QStringView supplierID);

// The colours of the suppliers the buyer adds: hues away from the built-in blue and the two reds, of
// a lightness that the text colour can make readable on light and on dark rows alike.
inline constexpr int accountPaletteSize = 8;
// Any index; it wraps around the palette.
SupplierColor accountColor(int index);

} // namespace SupplierAppearance
