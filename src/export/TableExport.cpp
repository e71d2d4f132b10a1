#include "TableExport.h"

#include "core/TextUtils.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <xlsxwriter.h>

#include <algorithm>
#include <memory>

namespace TableExport {

namespace {

constexpr int kLeastWidth = 6;
constexpr int kMostWidth = 60;
// Excel's limits: a cell holds at most 32 767 characters, a sheet name 31.
constexpr qsizetype kMostCellText = 32767;
constexpr qsizetype kMostSheetName = 31;

// What XML 1.0 can carry: no U+FFFE or U+FFFF, no half of a surrogate pair (a cut may leave one).
// Excel refuses a workbook with any of them; LibreOffice only forgives.
QString xmlCharacters(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (!c.isSurrogate() && c.unicode() != 0xfffe && c.unicode() != 0xffff) {
            out += c;
        }
    }
    return out;
}

// Supplier texts may hold line breaks and control characters; neither belongs in a cell
// (XML 1.0 cannot even carry most of them).
QString cellText(const QString& text) {
    QString flat = text;
    flat.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return xmlCharacters(TextUtils::withoutControlCharacters(flat).left(kMostCellText));
}

QString numberText(const ExportCell& cell) {
    return cell.number.toFixed(cell.decimals).replace(u'.', u',');
}

QString shownText(const ExportCell& cell) {
    switch (cell.kind) {
    case ExportCell::Kind::text:
        return cellText(cell.text);
    case ExportCell::Kind::number:
    case ExportCell::Kind::total:
        return numberText(cell);
    case ExportCell::Kind::empty:
        break;
    }
    return {};
}

// A text that a spreadsheet would run as a formula ("=HYPERLINK(…)" in a supplier's name).
bool looksLikeFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (first == u'=' || first == u'@')
        return true;
    return (first == u'+' || first == u'-') && !Decimal::parse(text).has_value();
}

// A text that Excel and LibreOffice would take for a number or a date when they open a CSV:
// "0 451 103 079" becomes 451103079, "000123" becomes 123, "12-03" a date.
bool readAsNumber(const QString& text) {
    static const QString allowed = QStringLiteral("0123456789 .,:/+-%()eE\u00A0\u202F");
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }) &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return allowed.contains(c); });
}

QString csvField(const ExportCell& cell) {
    if (cell.kind != ExportCell::Kind::text)
        return shownText(cell);
    QString text = cellText(cell.text);
    // ="0451103079" is a text in both programs (LibreOffice evaluates formulas on import unless
    // told not to). Only digits and separators ever go inside, never a quote or a name, so no
    // supplier text can become a formula this way.
    if (readAsNumber(text))
        return QStringLiteral("=\"") + text + u'"';
    if (looksLikeFormula(text))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text != text.trimmed()) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + text + u'"';
    }
    return text;
}

QString joined(const QList<ExportCell>& cells, QChar separator, QString (*field)(const ExportCell&)) {
    QStringList parts;
    parts.reserve(cells.size());
    for (const ExportCell& cell : cells)
        parts.append(field(cell));
    return parts.join(separator);
}

QList<ExportCell> headerCells(const ExportTable& table) {
    QList<ExportCell> cells;
    for (const QString& title : table.columns)
        cells.append(ExportCell::ofText(title));
    return cells;
}

QString sheetName(const QString& title, QSet<QString>& taken) {
    QString name;
    for (const QChar c : cellText(title)) {
        static const QString forbidden = QStringLiteral("[]:*?/\\");
        name.append(forbidden.contains(c) ? u'-' : c);
    }
    // Apostrophes may not open or close a sheet name.
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    name = xmlCharacters(name.trimmed().left(kMostSheetName));
    if (name.isEmpty())
        name = QStringLiteral("Лист");
    QString unique = name;
    for (int n = 2; taken.contains(unique.toLower()); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        unique = name.left(kMostSheetName - suffix.size()) + suffix;
    }
    taken.insert(unique.toLower());
    return unique;
}

// "A", "Z", "AA": the letters of a column from 0.
QByteArray columnLetters(qsizetype column) {
    QByteArray letters;
    for (qsizetype n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(char('A' + (n - 1) % 26));
    return letters;
}

// The rows of a column as a range of the sheet: the header is row 1.
QByteArray rowsRange(qsizetype column, qsizetype rows) {
    const QByteArray letters = columnLetters(column);
    return letters + '2' + ':' + letters + QByteArray::number(rows + 1);
}

// SUM over the rows, or SUMIF over those that match; the text to match is a literal, its
// quotes doubled and its wildcards (* ? ~) escaped.
QByteArray totalFormula(const ExportCell& cell, qsizetype column, qsizetype rows) {
    if (cell.matchColumn < 0)
        return "=SUM(" + rowsRange(column, rows) + ')';
    QString match = cell.text;
    match.replace(u'~', QStringLiteral("~~")).replace(u'*', QStringLiteral("~*")).replace(u'?', QStringLiteral("~?"));
    match.replace(u'"', QStringLiteral("\"\""));
    const QString criterion = match.isEmpty() ? QStringLiteral("<>") : u'=' + match;
    return "=SUMIF(" + rowsRange(cell.matchColumn, rows) + ",\"" + criterion.toUtf8() + "\"," +
           rowsRange(column, rows) + ')';
}

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const {
        if (workbook)
            workbook_close(workbook);
    }
};

} // namespace

QString currencyText(const QString& currency) {
    return PFCurrencyDisplay::price(QString(), currency).trimmed();
}

std::optional<std::int64_t> deliveryDays(const QString& deliveryText) {
    const QString suffix = QStringLiteral(" дн.");
    if (!deliveryText.endsWith(suffix))
        return std::nullopt;
    bool ok = false;
    const qlonglong days = deliveryText.chopped(suffix.size()).toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(days) : std::nullopt;
}

ExportTable offersTable(const QList<SupplierOffer>& offers, double markupPercent, const QDateTime& now,
                        const QString& title) {
    ExportTable table;
    table.title = title;
    table.columns = {QStringLiteral("Производитель"), QStringLiteral("Артикул"),        QStringLiteral("Наименование"),
                     QStringLiteral("Цена"),          QStringLiteral("Валюта"),         QStringLiteral("Кол-во"),
                     QStringLiteral("Доставка, дн."), QStringLiteral("Риск отказа, %"), QStringLiteral("Поставщик"),
                     QStringLiteral("Склад")};
    for (const SupplierOffer& offer : offers) {
        const auto days = deliveryDays(deliveryDaysText(offer.deliveryDescription, offer.deliveryDate, now));
        table.rows.append({
            ExportCell::ofText(offer.brand),
            ExportCell::ofText(offer.article),
            ExportCell::ofText(offer.name),
            ExportCell::ofNumber(PriceDisplay::shownPrice(offer.price, markupPercent), 2),
            ExportCell::ofText(currencyText(offer.currency)),
            offer.stockNote           ? ExportCell::ofText(*offer.stockNote)
            : offer.availableQuantity ? ExportCell::ofInteger(*offer.availableQuantity)
                                      : ExportCell(),
            days ? ExportCell::ofInteger(*days) : ExportCell(),
            offer.rejectRate ? ExportCell::ofNumber(*offer.rejectRate, 2) : ExportCell(),
            ExportCell::ofText(offer.supplierName),
            offer.warehouse ? ExportCell::ofText(*offer.warehouse) : ExportCell(),
        });
    }
    return table;
}

int columnWidth(const ExportTable& table, qsizetype column) {
    qsizetype widest = column < table.columns.size() ? table.columns[column].size() : 0;
    for (const auto* rows : {&table.rows, &table.footer}) {
        for (const auto& row : *rows) {
            if (column < row.size())
                widest = std::max(widest, shownText(row[column]).size());
        }
    }
    return static_cast<int>(std::clamp<qsizetype>(widest + 2, kLeastWidth, kMostWidth));
}

QByteArray csv(const ExportTable& table) {
    QStringList lines;
    lines.append(joined(headerCells(table), u';', csvField));
    for (const auto& row : table.rows)
        lines.append(joined(row, u';', csvField));
    if (!table.footer.isEmpty()) {
        lines.append(QString());
        for (const auto& row : table.footer)
            lines.append(joined(row, u';', csvField));
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QString tabSeparated(const ExportTable& table, QChar decimalMark) {
    const auto line = [decimalMark](const QList<ExportCell>& cells) {
        QStringList parts;
        for (const ExportCell& cell : cells) {
            parts.append(cell.kind == ExportCell::Kind::number
                             ? cell.number.toFixed(cell.decimals).replace(u'.', decimalMark)
                             : shownText(cell));
        }
        return parts.join(u'\t');
    };
    QStringList lines{line(headerCells(table))};
    for (const auto& row : table.rows)
        lines.append(line(row));
    return lines.join(u'\n') + u'\n';
}

std::optional<QString> writeXlsx(const QList<ExportTable>& sheets, const QString& path) {
    const QByteArray fileName = QFile::encodeName(path);
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new(fileName.constData()));
    if (!workbook)
        return QStringLiteral("книгу не удалось создать");
    lxw_format* header = workbook_add_format(workbook.get());
    format_set_bold(header);
    format_set_bottom(header, LXW_BORDER_THIN);
    lxw_format* integer = workbook_add_format(workbook.get());
    format_set_num_format(integer, "0");
    lxw_format* fraction = workbook_add_format(workbook.get());
    format_set_num_format(fraction, "#,##0.00");
    lxw_format* bold = workbook_add_format(workbook.get());
    format_set_bold(bold);
    lxw_format* boldInteger = workbook_add_format(workbook.get());
    format_set_bold(boldInteger);
    format_set_num_format(boldInteger, "0");
    lxw_format* boldFraction = workbook_add_format(workbook.get());
    format_set_bold(boldFraction);
    format_set_num_format(boldFraction, "#,##0.00");

    QSet<QString> taken;
    for (const ExportTable& table : sheets) {
        const QByteArray name = sheetName(table.title, taken).toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), name.constData());
        if (!sheet)
            return QStringLiteral("лист «%1» не удалось добавить").arg(table.title);
        const auto write = [&](lxw_row_t row, const QList<ExportCell>& cells, lxw_format* textFormat) {
            for (qsizetype c = 0; c < cells.size(); ++c) {
                const ExportCell& cell = cells[c];
                const auto column = static_cast<lxw_col_t>(c);
                if (cell.kind == ExportCell::Kind::text) {
                    const QByteArray text = cellText(cell.text).toUtf8();
                    worksheet_write_string(sheet, row, column, text.constData(), textFormat);
                } else if (cell.kind == ExportCell::Kind::number ||
                           (cell.kind == ExportCell::Kind::total && table.rows.isEmpty())) {
                    worksheet_write_number(sheet, row, column, cell.number.toDouble(),
                                           cell.decimals > 0 ? fraction : integer);
                } else if (cell.kind == ExportCell::Kind::total) {
                    const QByteArray formula = totalFormula(cell, c, table.rows.size());
                    worksheet_write_formula_num(sheet, row, column, formula.constData(),
                                                cell.decimals > 0 ? boldFraction : boldInteger, cell.number.toDouble());
                }
            }
        };
        write(0, headerCells(table), header);
        lxw_row_t row = 1;
        for (const auto& cells : table.rows)
            write(row++, cells, nullptr);
        if (!table.footer.isEmpty()) {
            ++row;
            for (const auto& cells : table.footer)
                write(row++, cells, bold);
        }
        for (qsizetype c = 0; c < table.columns.size(); ++c)
            worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), columnWidth(table, c),
                                 nullptr);
        worksheet_freeze_panes(sheet, 1, 0);
        if (!table.columns.isEmpty())
            worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(table.rows.size()),
                                 static_cast<lxw_col_t>(table.columns.size() - 1));
    }
    const lxw_error error = workbook_close(workbook.release());
    if (error != LXW_NO_ERROR)
        return QString::fromUtf8(lxw_strerror(error));
    return std::nullopt;
}

std::optional<QString> save(const QList<ExportTable>& sheets, const QString& path) {
    const QString failed = QStringLiteral("Не удалось сохранить файл %1: ").arg(QFileInfo(path).fileName());
    if (sheets.isEmpty())
        return failed + QStringLiteral("нечего сохранять");
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return failed + QStringLiteral("нет такой папки");
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        if (const auto error = writeXlsx(sheets, path)) {
            QFile::remove(path);
            return failed + *error;
        }
        return std::nullopt;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed + file.errorString();
    file.write(csv(sheets.first()));
    if (!file.commit())
        return failed + file.errorString();
    return std::nullopt;
}

} // namespace TableExport
