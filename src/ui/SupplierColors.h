#pragma once

#include "core/SupplierAppearance.h"

#include <QColor>
#include <QPalette>

// A supplier colour resolved against the palette: fixed colours as they are, the system
// red and purple as the platform's standard shades, secondary text as the palette's dimmed text.
QColor supplierQColor(const SupplierColor& color, const QPalette& palette);
// The colour of a supplier's name as text on the palette's rows: the supplier's hue, at a
// lightness that reads on the row background (dark on light rows, light on dark ones) and with
// the saturation of a label rather than a link.
QColor supplierTextColor(const SupplierColor& color, const QPalette& palette);
