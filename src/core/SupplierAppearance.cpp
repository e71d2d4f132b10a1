#include "SupplierAppearance.h"

#include <QString>

namespace SupplierAppearance {

SupplierColor color(QStringView supplierID) {
    using Role = SupplierColor::Role;
    const QString id = supplierID.toString().toLower();
    if (id == u"autoeuro")
        return {Role::fixed, 35, 91, 232};
    if (id == u"autopiter")
        return {Role::fixed, 225, 53, 64};
    if (id == u"autoliga")
        return {Role::fixed, 235, 77, 62};
    if (id == u"rossko")
        return {Role::systemRed};
    if (id == u"armtek")
        return {Role::systemPurple};
    return {Role::secondaryText};
}

SupplierColor accountColor(int index) {
    // Green, violet, amber, teal, magenta, olive, brown, slate: neighbours differ most.
    static constexpr SupplierColor palette[accountPaletteSize] = {
        {SupplierColor::Role::fixed, 46, 139, 87},  {SupplierColor::Role::fixed, 126, 87, 194},
        {SupplierColor::Role::fixed, 214, 140, 0},  {SupplierColor::Role::fixed, 0, 137, 123},
        {SupplierColor::Role::fixed, 194, 24, 140}, {SupplierColor::Role::fixed, 120, 144, 32},
        {SupplierColor::Role::fixed, 141, 98, 62},  {SupplierColor::Role::fixed, 96, 125, 139},
    };
    const int wrapped = ((index % accountPaletteSize) + accountPaletteSize) % accountPaletteSize;
    return palette[wrapped];
}

} // namespace SupplierAppearance
