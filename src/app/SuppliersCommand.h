#pragma once

#include "core/SupplierDescriptor.h"

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli suppliers: the suppliers with their switch and the address of each of their services
// (and where it comes from), switching them on and off, the connection check of their sheet, and
// adding and removing the suppliers the buyer has on a known platform.
int suppliersCommand(AppServices& services, const QStringList& args);
QString suppliersHelpText();
// The built-in suppliers, then those the buyer added, in the settings' order.
QList<SupplierDescriptor> everySupplier(AppServices& services);
// "autoeuro, autopiter, autoliga" and the added suppliers' ids.
QString supplierIDsText(AppServices& services);
