#include "SpreadsheetReader.h"
#include "ZipEntries.h"

#include <QHash>
#include <QXmlStreamReader>

#include <optional>

namespace SpreadsheetReader {

namespace {

// Where a relationship points: relative to the part that names it, or from the package root.
QString resolved(const QString& source, const QString& target) {
    const QString joined = target.startsWith(u'/') ? target : source.left(source.lastIndexOf(u'/') + 1) + target;
    QStringList parts;
    for (const QString& part : joined.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != u".") {
            parts.append(part);
        }
    }
    return parts.join(u'/');
}

// "xl/workbook.xml" has its relationships in "xl/_rels/workbook.xml.rels".
QString relationshipsOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString attribute(const QXmlStreamReader& xml, QStringView name) {
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return {};
}

struct Relationship {
    QString type;
    QString target;
};

// Relationship ids of a part to their types and the parts they point to.
QHash<QString, Relationship> relationships(const QByteArray& bytes, const QString& source) {
    QHash<QString, Relationship> out;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"Relationship")
            out.insert(attribute(xml, u"Id"), {attribute(xml, u"Type"), resolved(source, attribute(xml, u"Target"))});
    }
    return out;
}

// The text of <t> elements up to the end of the current element, phonetic runs left out.
QString runsText(QXmlStreamReader& xml) {
    QString text;
    int phonetic = 0;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0 && text.size() < maxCellText) {
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == u"rPh")
                --phonetic;
        }
    }
    return text.left(maxCellText);
}

QStringList sharedStrings(const QByteArray& bytes) {
    QStringList strings;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si")
            strings.append(runsText(xml));
    }
    return strings;
}

// "AB12" is column 27 (from 0); none without letters.
std::optional<qint64> columnOf(QStringView reference) {
    qint64 column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        column = column * 26 + (u - u'A' + 1);
        if (++letters > 4)
            return std::nullopt;
    }
    if (letters == 0)
        return std::nullopt;
    return column - 1;
}

// A cell's value as the list reads it, the element consumed to its end.
QString cellText(QXmlStreamReader& xml, const QString& type, const QStringList& shared) {
    QString value;
    QString inline_;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"v")
                value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == u"is")
                inline_ = runsText(xml);
            else
                xml.skipCurrentElement();
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    if (type == u"s") {
        bool ok = false;
        const qint64 index = value.trimmed().toLongLong(&ok);
        return ok && index >= 0 && index < shared.size() ? shared.at(index) : QString();
    }
    if (type == u"inlineStr")
        return inline_;
    if (type.isEmpty() || type == u"n") {
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        return ok ? numberText(number) : value;
    }
    if (type == u"e")
        return {};                  // #VALUE! and the like are no article or quantity
    return value.left(maxCellText); // "str", "b", "d": as written
}

} // namespace

Sheet readXlsx(const ZipEntries& zip) {
    Sheet sheet;
    QString failure;
    const auto part = [&zip, &failure](const QString& name, bool required) -> std::optional<QByteArray> {
        const ZipEntries::Member member = zip.read(name, maxUnpackedBytes);
        if (!member.failure)
            return member.bytes;
        if (*member.failure == ZipEntries::Failure::tooLarge)
            failure = QStringLiteral("часть %1 больше %2 МБ").arg(name).arg(maxUnpackedBytes / (1024 * 1024));
        else if (*member.failure == ZipEntries::Failure::damaged || required)
            failure = QStringLiteral("часть %1 повреждена или отсутствует").arg(name);
        return std::nullopt;
    };

    // The package names its workbook; the workbook names its sheets in order and where they are.
    QString workbookPath = QStringLiteral("xl/workbook.xml");
    if (const auto rels = part(QStringLiteral("_rels/.rels"), false)) {
        for (const Relationship& r : relationships(*rels, QString())) {
            if (r.type.endsWith(u"/officeDocument"))
                workbookPath = r.target;
        }
    }
    const auto workbook = part(workbookPath, true);
    if (!workbook) {
        sheet.error = failure;
        return sheet;
    }
    QString firstSheetId;
    QXmlStreamReader xml(*workbook);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"sheet")
            continue;
        if (++sheet.sheetCount == 1) {
            sheet.name = attribute(xml, u"name");
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                    firstSheetId = a.value().toString();
            }
        }
    }
    if (xml.hasError() || sheet.sheetCount == 0) {
        sheet.error = QStringLiteral("в книге нет листов");
        return sheet;
    }

    QString sheetPath = QStringLiteral("xl/worksheets/sheet1.xml");
    QString stringsPath = QStringLiteral("xl/sharedStrings.xml");
    if (const auto rels = part(relationshipsOf(workbookPath), false)) {
        const auto all = relationships(*rels, workbookPath);
        if (all.contains(firstSheetId))
            sheetPath = all.value(firstSheetId).target;
        for (const Relationship& r : all) {
            if (r.type.endsWith(u"/sharedStrings"))
                stringsPath = r.target;
        }
    }
    QStringList shared;
    if (zip.contains(stringsPath)) {
        const auto strings = part(stringsPath, true);
        if (!strings) {
            sheet.error = failure;
            return sheet;
        }
        shared = sharedStrings(*strings);
    }
    const auto bytes = part(sheetPath, true);
    if (!bytes) {
        sheet.error = failure;
        return sheet;
    }

    RowCollector rows(sheet);
    QXmlStreamReader cells(*bytes);
    qint64 row = -1;
    qint64 nextRow = 0;
    qint64 nextColumn = 0;
    while (!cells.atEnd()) {
        cells.readNext();
        if (!cells.isStartElement())
            continue;
        if (cells.name() == u"row") {
            bool ok = false;
            const qint64 number = attribute(cells, u"r").toLongLong(&ok);
            row = ok && number > 0 ? number - 1 : nextRow;
            nextRow = row + 1;
            nextColumn = 0;
        } else if (cells.name() == u"c" && row >= 0) {
            const qint64 column = columnOf(attribute(cells, u"r")).value_or(nextColumn);
            nextColumn = column + 1;
            if (!rows.set(row, column, cellText(cells, attribute(cells, u"t"), shared)))
                break;
        }
    }
    if (cells.hasError() && !sheet.truncated) {
        sheet.rows.clear();
        sheet.error = QStringLiteral("лист %1 повреждён").arg(sheetPath);
    }
    return sheet;
}

} // namespace SpreadsheetReader
