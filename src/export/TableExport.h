#pragma once

#include "core/SupplierOffer.h"
#include "ExportTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Offers and lists into spreadsheet files: XLSX (real number and text cells, a bold frozen
// header row, column widths, totals as formulas) and CSV as Russian Excel and LibreOffice open
// it (UTF-8 with BOM, ";" between cells, decimal comma, texts of digits as ="…" so that
// "0451103079" keeps its zero). The same rows serve the clipboard as tab-separated text.
namespace TableExport {

// The offer rows as the table shows them: prices with the markup, delivery in days, stock and
// refusal risk as numbers.
ExportTable offersTable(const QList<SupplierOffer>& offers, double markupPercent, const QDateTime& now,
                        const QString& title = QStringLiteral("Предложения"));
// "руб." for roubles, the code as given otherwise.
QString currencyText(const QString& currency);
// The number of days in a delivery text ("3 дн."), none for "—".
std::optional<std::int64_t> deliveryDays(const QString& deliveryText);

QByteArray csv(const ExportTable& table);
// Header and rows, tab-separated, numbers with the given decimal mark (the copy's, a comma for a
// Russian spreadsheet): pasted into a spreadsheet, every value lands in its own cell.
QString tabSeparated(const ExportTable& table, QChar decimalMark = u',');
// Writes every table as a sheet of one workbook; the error text when it could not be written.
std::optional<QString> writeXlsx(const QList<ExportTable>& sheets, const QString& path);
// By the file's suffix: ".xlsx" a workbook of all sheets, anything else the first sheet as CSV.
// Gives the error text ("Не удалось сохранить файл …: …") when it failed.
std::optional<QString> save(const QList<ExportTable>& sheets, const QString& path);

// Column width in characters: the longest of the title and the cells, within bounds.
int columnWidth(const ExportTable& table, qsizetype column);

} // namespace TableExport
