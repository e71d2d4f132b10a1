#include "ListFile.h"

#include "CompoundFile.h"
#include "SpreadsheetReader.h"
#include "ZipEntries.h"

#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace {

const QString kNotAList = QStringLiteral("Файл не похож на список артикулов: ");

ListFile refused(const QString& reason) {
    return {{}, kNotAList + reason, {}};
}

// Text holds letters, digits, blanks and line breaks; other control characters (or a NUL)
// mean the bytes were never text in this encoding.
bool isPlausibleText(const QString& text) {
    qsizetype controls = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || u == 0xFFFD)
            return false;
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != 0x1A) || (u >= 0x7F && u < 0xA0))
            ++controls;
    }
    return controls * 100 <= text.size();
}

std::optional<QString> decodedAs(const QByteArray& bytes, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !isPlausibleText(text))
        return std::nullopt;
    return text;
}

// UTF-16 without a BOM: one byte of every pair is the high byte of Latin (0x00), Cyrillic
// (0x04) or punctuation (0x20) characters, the other is not.
std::optional<QStringConverter::Encoding> utf16Order(const QByteArray& bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0)
        return std::nullopt;
    qsizetype highEven = 0;
    qsizetype highOdd = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto even = static_cast<unsigned char>(bytes[i]);
        const auto odd = static_cast<unsigned char>(bytes[i + 1]);
        highEven += even == 0x00 || even == 0x04 || even == 0x20;
        highOdd += odd == 0x00 || odd == 0x04 || odd == 0x20;
    }
    const qsizetype pairs = bytes.size() / 2;
    if (highOdd * 10 >= pairs * 9 && highEven * 2 < pairs)
        return QStringConverter::Utf16LE;
    if (highEven * 10 >= pairs * 9 && highOdd * 2 < pairs)
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

std::optional<QString> decodedText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodedAs(bytes, QStringConverter::Utf8);
    if (bytes.startsWith("\xFF\xFE"))
        return decodedAs(bytes, QStringConverter::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return decodedAs(bytes, QStringConverter::Utf16BE);
    if (const auto order = utf16Order(bytes)) {
        if (auto text = decodedAs(bytes, *order))
            return text;
    }
    if (auto text = decodedAs(bytes, QStringConverter::Utf8))
        return text;
    QStringDecoder windows1251("windows-1251");
    if (!windows1251.isValid())
        return std::nullopt;
    QString text = windows1251.decode(bytes);
    if (windows1251.hasError() || !isPlausibleText(text))
        return std::nullopt;
    return text;
}

// Tab-separated, a row per line; a cell's own tabs, line breaks and quotes cannot split it.
QString sheetText(const SpreadsheetReader::Sheet& sheet) {
    QString text;
    for (const QStringList& row : sheet.rows) {
        QStringList cells;
        for (QString cell : row) {
            cell.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            if (cell.contains(u'"'))
                cell = u'"' + cell.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
            cells.append(cell);
        }
        // A tab even in a row of one cell: its commas and semicolons do not separate.
        text += cells.join(u'\t') + (cells.size() == 1 ? QStringLiteral("\t\n") : QStringLiteral("\n"));
    }
    return text;
}

ListFile fromSheet(const SpreadsheetReader::Sheet& sheet) {
    if (!sheet.error.isEmpty())
        return {{}, QStringLiteral("Книгу не удалось прочитать: ") + sheet.error + u'.', {}};
    ListFile file{sheetText(sheet), {}, {}};
    QStringList notes;
    if (sheet.sheetCount > 1)
        notes.append(QStringLiteral("Прочитан первый лист «%1» из %2.").arg(sheet.name).arg(sheet.sheetCount));
    if (sheet.truncated)
        notes.append(QStringLiteral("Строки листа ниже %1-й не прочитаны.").arg(SpreadsheetReader::maxRows));
    file.note = notes.join(u' ');
    return file;
}

ListFile fromZip(const QByteArray& bytes) {
    const ZipEntries zip(bytes);
    if (!zip.isOpen()) {
        // The first member's name stands in its header even when the archive's directory is lost.
        const QByteArray head = bytes.left(1024);
        if (head.contains("[Content_Types].xml") || head.contains("xl/") || head.contains("opendocument.spreadsheet"))
            return {{}, QStringLiteral("Книгу не удалось прочитать: файл повреждён или записан не до конца."), {}};
        return refused(QStringLiteral("это повреждённый архив ZIP."));
    }
    const ZipEntries::Member mimetype = zip.read(QStringLiteral("mimetype"), 256);
    const QByteArray type = mimetype.bytes.trimmed();
    if (type == "application/vnd.oasis.opendocument.spreadsheet")
        return fromSheet(SpreadsheetReader::readOds(zip));
    if (zip.contains(QStringLiteral("xl/workbook.xml")) || zip.contains(QStringLiteral("_rels/.rels"))) {
        if (zip.contains(QStringLiteral("word/document.xml")))
            return refused(QStringLiteral("это документ Word."));
        if (zip.contains(QStringLiteral("ppt/presentation.xml")))
            return refused(QStringLiteral("это презентация PowerPoint."));
        return fromSheet(SpreadsheetReader::readXlsx(zip));
    }
    if (type.startsWith("application/vnd.oasis.opendocument."))
        return refused(QStringLiteral("это документ OpenDocument, но не таблица."));
    return refused(QStringLiteral("это архив ZIP, а не таблица."));
}

// Excel 97–2003 books share their container with other Office files, and with encrypted .xlsx.
ListFile fromCompoundFile(const QByteArray& bytes) {
    const CompoundFile file(bytes);
    if (file.contains(QStringLiteral("EncryptionInfo")))
        return {{}, QStringLiteral("Книгу не удалось прочитать: книга защищена паролем."), {}};
    if (file.contains(QStringLiteral("WordDocument")))
        return refused(QStringLiteral("это документ Word."));
    return fromSheet(SpreadsheetReader::readXls(bytes));
}

} // namespace

ListFile ListFile::read(const QByteArray& bytes) {
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06"))
        return fromZip(bytes);
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return fromCompoundFile(bytes);
    static const std::pair<QByteArray, const char*> kinds[] = {
        {"%PDF-", "это документ PDF."},
        {"\x89PNG", "это изображение."},
        {"\xFF\xD8\xFF", "это изображение."},
        {"GIF8", "это изображение."},
        {"Rar!", "это архив RAR, а не таблица."},
        {"7z\xBC\xAF", "это архив 7-Zip, а не таблица."},
        {"\x1F\x8B", "это сжатый файл, а не таблица."},
        {"{\\rtf", "это документ RTF."},
    };
    for (const auto& [magic, reason] : kinds) {
        if (bytes.startsWith(magic))
            return refused(QString::fromUtf8(reason));
    }
    const auto text = decodedText(bytes);
    if (!text)
        return refused(QStringLiteral("в нём двоичные данные, а не текст или таблица."));
    // Excel's "web page" and XML 2003 books often carry an .xls name.
    const QString start = text->left(512).trimmed().toLower();
    if (start.startsWith(u'<') && (start.contains(u"<html") || start.contains(u"<?xml") || start.contains(u"<table") ||
                                   start.contains(u"<!doctype")))
        return refused(QStringLiteral("это веб-страница или XML. Сохраните список как книгу Excel (.xlsx) или текст."));
    return {*text, {}, {}};
}
