#include "SupplierColors.h"

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
