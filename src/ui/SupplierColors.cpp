#include "SupplierColors.h"

#include <algorithm>

QColor supplierQColor(const SupplierColor& color, const QPalette& palette) {
    switch (color.role) {
    case SupplierColor::Role::fixed:
        return QColor(color.red, color.green, color.blue);
    case SupplierColor::Role::systemRed:
        return QColor(255, 59, 48);
    case SupplierColor::Role::systemPurple:
        return QColor(175, 82, 222);
    case SupplierColor::Role::secondaryText:
        return palette.color(QPalette::PlaceholderText);
    }
    return palette.color(QPalette::Text);
}

QColor supplierTextColor(const SupplierColor& color, const QPalette& palette) {
    const QColor base = supplierQColor(color, palette);
    if (color.role == SupplierColor::Role::secondaryText)
        return base;
    const bool darkRows = palette.color(QPalette::Base).lightnessF() < 0.5;
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    float alpha = 1;
    base.getHslF(&hue, &saturation, &lightness, &alpha);
    saturation = std::min(saturation, darkRows ? 0.75f : 0.6f);
    lightness = darkRows ? std::max(lightness, 0.72f) : std::min(lightness, 0.36f);
    return QColor::fromHslF(hue, saturation, lightness, alpha);
}
