#include "SpreadsheetReader.h"
#include "ZipEntries.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace SpreadsheetReader {

namespace {

QString attribute(const QXmlStreamReader& xml, QStringView name) {
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return {};
}

// A repeat count ("number-rows-repeated"): at least 1, and never more than a sheet has.
qint64 repeatOf(const QXmlStreamReader& xml, QStringView name) {
    bool ok = false;
    const qint64 n = attribute(xml, name).toLongLong(&ok);
    return ok ? std::clamp<qint64>(n, 1, 1 << 24) : 1;
}

// The text of a paragraph: spans and links read through, <text:s/> as its blanks, tabs and
// line breaks as a blank, notes left out.
void appendParagraph(QXmlStreamReader& xml, QString& text) {
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isCharacters()) {
            if (text.size() < maxCellText)
                text += xml.text();
        } else if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == u"s") {
                text += QString(static_cast<qsizetype>(std::min<qint64>(repeatOf(xml, u"c"), 100)), u' ');
                xml.skipCurrentElement();
            } else if (name == u"tab" || name == u"line-break") {
                text += u' ';
                xml.skipCurrentElement();
            } else if (name == u"note" || name == u"annotation" || name == u"ruby-text") {
                xml.skipCurrentElement();
            } else {
                ++depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
}

// A cell's value as the list reads it, the element consumed to its end: numbers by their value
// ("451103079", not the "451 103 079" a format shows), texts by their paragraphs.
QString cellText(QXmlStreamReader& xml) {
    const QString type = attribute(xml, u"value-type");
    // LibreOffice marks a formula's error (Err:502, #VALUE!) in a value type of its own.
    bool error = false;
    for (const QXmlStreamAttribute& a : xml.attributes())
        error = error || (a.name() == u"value-type" && a.value() == u"error");
    QString value;
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        bool ok = false;
        const double number = attribute(xml, u"value").toDouble(&ok);
        value = ok ? numberText(number) : QString();
    } else if (type == u"date") {
        value = attribute(xml, u"date-value");
    } else if (type == u"time") {
        value = attribute(xml, u"time-value");
    } else if (type == u"boolean") {
        value = attribute(xml, u"boolean-value");
    }
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"p" || xml.name() == u"h") {
                if (!text.isEmpty())
                    text += u' ';
                appendParagraph(xml, text);
            } else {
                xml.skipCurrentElement();
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    if (error)
        return {};
    return (value.isNull() ? text : value).left(maxCellText);
}

struct Cell {
    qint64 column;
    QString text;
};

// The cells of one row that hold something, the row element consumed to its end.
QList<Cell> rowCells(QXmlStreamReader& xml) {
    QList<Cell> cells;
    qint64 column = 0;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"table-cell" || xml.name() == u"covered-table-cell") {
                const qint64 repeat = repeatOf(xml, u"number-columns-repeated");
                const QString text = cellText(xml);
                for (qint64 k = 0; !text.isEmpty() && k < repeat && column + k < maxColumns; ++k)
                    cells.append({column + k, text});
                column += repeat;
            } else {
                xml.skipCurrentElement();
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return cells;
}

} // namespace

Sheet readOds(const ZipEntries& zip) {
    Sheet sheet;
    const ZipEntries::Member content = zip.read(QStringLiteral("content.xml"), maxUnpackedBytes);
    if (content.failure) {
        sheet.error = *content.failure == ZipEntries::Failure::tooLarge
                          ? QStringLiteral("часть content.xml больше %1 МБ").arg(maxUnpackedBytes / (1024 * 1024))
                          : QStringLiteral("часть content.xml повреждена или отсутствует");
        return sheet;
    }

    RowCollector rows(sheet);
    QXmlStreamReader xml(content.bytes);
    qint64 row = 0;
    bool reading = true;
    int tableDepth = 0; // inside the first table: its row groups and header rows
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && tableDepth > 0) {
            --tableDepth;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (tableDepth == 0) {
            if (name != u"table")
                continue;
            if (++sheet.sheetCount > 1) {
                xml.skipCurrentElement();
                continue;
            }
            sheet.name = attribute(xml, u"name");
            tableDepth = 1;
        } else if (name == u"table-row" && reading) {
            const qint64 repeat = repeatOf(xml, u"number-rows-repeated");
            const QList<Cell> cells = rowCells(xml);
            for (qint64 k = 0; reading && !cells.isEmpty() && k < repeat; ++k) {
                for (const Cell& cell : cells)
                    reading = reading && rows.set(row + k, cell.column, cell.text);
            }
            row += repeat;
        } else if (name == u"table-header-rows" || name == u"table-row-group" || name == u"table-rows") {
            ++tableDepth;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        sheet.rows.clear();
        sheet.error = QStringLiteral("часть content.xml повреждена");
    } else if (sheet.sheetCount == 0) {
        sheet.error = QStringLiteral("в книге нет листов");
    }
    return sheet;
}

QString numberText(double value) {
    if (!std::isfinite(value))
        return {};
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

bool RowCollector::set(qint64 row, qint64 column, const QString& text) {
    if (text.isEmpty() || column < 0 || column >= maxColumns)
        return true;
    if (row < 0 || row >= maxRows || m_chars + text.size() > maxSheetChars) {
        m_sheet.truncated = true;
        return false;
    }
    if (m_sheet.rows.size() <= row)
        m_sheet.rows.resize(row + 1);
    QStringList& cells = m_sheet.rows[row];
    if (cells.size() <= column)
        cells.resize(column + 1);
    m_chars += text.size() - cells[column].size();
    cells[column] = text;
    return true;
}

} // namespace SpreadsheetReader
