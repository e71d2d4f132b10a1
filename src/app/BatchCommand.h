#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli batch: prices a whole list with the window's search, line by line, and prints
// the best offer of every line with the totals, or writes them as JSON, CSV or XLSX.
int batchCommand(AppServices& services, QStringList args);
QString batchHelpText();
