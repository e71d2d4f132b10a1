#pragma once

#include "export/ExportTable.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>

class QWidget;

// Asking where to save a table as a workbook or CSV, without blocking the window.
namespace ExportDialog {

// "Orelia OC 90 2026-12-01": what the table is and when, safe as a file name.
QString suggestedName(const QString& what, const QDate& date);
// Opens a save dialog over the parent (XLSX by default, CSV to choose) and saves the tables
// where the user said; `done` gets "Сохранено: …" or the error text.
void save(QWidget* parent, const QString& suggestedName, QList<ExportTable> tables,
          std::function<void(const QString& message)> done);

} // namespace ExportDialog
