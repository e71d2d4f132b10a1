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

} // namespace SupplierAppearance
