#pragma once

#include "core/Decimal.h"

#include <QList>
#include <QString>

#include <cstdint>

// One cell of an exported table: nothing, a text, a number with the fraction digits it is
// shown with, or a total. Spreadsheets get numbers as numbers and articles as text, so
// "0451103079" keeps its leading zero and a price can be summed.
struct ExportCell {
    enum class Kind { empty, text, number, total };

    Kind kind = Kind::empty;
    QString text;
    Decimal number;
    int decimals = 0;
    // A total sums its column over the table's rows: all of them, or those whose cell in
    // matchColumn equals `text` (is not empty when `text` is). A workbook gets it as a formula
    // with `number` as its value, so a line the buyer deletes leaves the total right.
    qsizetype matchColumn = -1;

    static ExportCell ofText(QString text) { return {Kind::text, std::move(text), Decimal(), 0}; }
    static ExportCell ofNumber(Decimal number, int decimals) { return {Kind::number, {}, std::move(number), decimals}; }
    static ExportCell ofInteger(std::int64_t value) { return {Kind::number, {}, Decimal(value), 0}; }
    static ExportCell ofTotal(Decimal value, int decimals, qsizetype matchColumn = -1, QString match = {}) {
        return {Kind::total, std::move(match), std::move(value), decimals, matchColumn};
    }

    bool operator==(const ExportCell&) const = default;
};

// A table as it goes into a file: a sheet name, the column titles, the rows, and a footer
// (totals) that follows the rows after one blank line.
struct ExportTable {
    QString title;
    QStringList columns;
    QList<QList<ExportCell>> rows;
    QList<QList<ExportCell>> footer;
};
