#pragma once

#include "core/SupplierAppearance.h"

#include <QColor>
#include <QPalette>

// A supplier colour resolved against the palette: fixed colours as they are, the system
// red and purple as the platform's standard shades, secondary text as the palette's dimmed text.
QColor supplierQColor(const SupplierColor& color, const QPalette& palette);
