#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class ZipEntries;

// The first sheet of a workbook as rows of cell texts: .xlsx (Office Open XML), .ods
// (OpenDocument) and .xls (Excel 5–2003). Numbers come as their exact value ("451103079",
// "2"), texts as written, empty cells as empty texts. A hostile workbook costs bounded memory:
// rows past maxRows, columns past maxColumns and parts that unpack past maxUnpackedBytes are
// not read, nor cells past maxSheetChars of text in all.
namespace SpreadsheetReader {

inline constexpr int maxRows = 5000;
inline constexpr int maxColumns = 64;
inline constexpr qsizetype maxCellText = 1000;
inline constexpr qsizetype maxSheetChars = 4 * 1024 * 1024;
inline constexpr qsizetype maxUnpackedBytes = 16 * 1024 * 1024;

struct Sheet {
    QString name;
    int sheetCount = 0;
    // rows[i] is row i + 1 of the sheet, cells from column A; trailing empty cells left out.
    QList<QStringList> rows;
    // Something stood below row maxRows and was not read.
    bool truncated = false;
    // Why the workbook could not be read, for "Книгу не удалось прочитать: …"; empty when it was.
    QString error;
};

Sheet readXlsx(const ZipEntries& zip);
Sheet readOds(const ZipEntries& zip);
Sheet readXls(const QByteArray& bytes);

// Collects cells within the bounds; empty cells cost nothing.
class RowCollector {
public:
    explicit RowCollector(Sheet& sheet)
        : m_sheet(sheet) {}
    // Row and column from 0. False once the row is past maxRows (reading may stop).
    bool set(qint64 row, qint64 column, const QString& text);

private:
    Sheet& m_sheet;
    qsizetype m_chars = 0;
};

// A number as a list means it: whole numbers without a fraction, others as short as exact.
QString numberText(double value);

} // namespace SpreadsheetReader
