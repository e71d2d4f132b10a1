#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli suppliers: the suppliers with their switch and the address of each of their services
// (and where it comes from), switching them on and off, and the connection check of their sheet.
int suppliersCommand(AppServices& services, const QStringList& args);
QString suppliersHelpText();
