#include "BatchInput.h"

#include "core/TextUtils.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>

namespace {

// A title row may stand above the header: the header is looked for among the first lines.
constexpr qsizetype kHeaderSearchLines = 5;

enum class Field { article, brand, quantity, unknown };

// How surely a title names its column: "Артикул" beats a bare "Номер", which may count rows.
struct Title {
    Field field = Field::unknown;
    int rank = 0;
};

// One spelling of a column title: its words in lower case run together, units dropped
// ("Кол-во, шт" is "колво", "Код детали" is "коддетали").
Title titleOfWords(QStringList words) {
    static const QStringList units = {QStringLiteral("шт"), QStringLiteral("штук"), QStringLiteral("ед"),
                                      QStringLiteral("pcs")};
    if (words == QStringList{QStringLiteral("№")})
        return {}; // a row counter
    while (words.size() > 1 && units.contains(words.last()))
        words.removeLast();
    words.replaceInStrings(QStringLiteral("№"), QStringLiteral("номер"));
    const QString key = words.join(QString());
    static const QStringList articles = {QStringLiteral("артикул"),
                                         QStringLiteral("article"),
                                         QStringLiteral("oem"),
                                         QStringLiteral("oe"),
                                         QStringLiteral("коддетали"),
                                         QStringLiteral("номердетали"),
                                         QStringLiteral("каталожныйномер"),
                                         QStringLiteral("номерпокаталогу"),
                                         QStringLiteral("partnumber"),
                                         QStringLiteral("partno"),
                                         QStringLiteral("part"),
                                         QStringLiteral("oemномер"),
                                         QStringLiteral("номероригинала")};
    static const QStringList plainNumbers = {QStringLiteral("код"), QStringLiteral("номер")};
    static const QStringList brands = {QStringLiteral("производитель"), QStringLiteral("бренд"),
                                       QStringLiteral("brand"),         QStringLiteral("марка"),
                                       QStringLiteral("manufacturer"),  QStringLiteral("фирма"),
                                       QStringLiteral("изготовитель"),  QStringLiteral("maker")};
    static const QStringList quantities = {
        QStringLiteral("количество"), QStringLiteral("колво"),    QStringLiteral("кол"), QStringLiteral("кво"),
        QStringLiteral("qty"),        QStringLiteral("quantity"), QStringLiteral("шт")};
    if (articles.contains(key) || (!words.isEmpty() && words.first() == u"артикул"))
        return {Field::article, 0};
    if (plainNumbers.contains(key))
        return {Field::article, 1};
    if (brands.contains(key))
        return {Field::brand, 0};
    if (quantities.contains(key))
        return {Field::quantity, 0};
    return {};
}

// A column title as buyers write it; "Бренд/Производитель" names the brand either way.
Title titleOf(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]+|№"));
    QString lower = text.toLower();
    lower.replace(u'ё', u'е');
    for (const QString& part : lower.split(QRegularExpression(QStringLiteral("[/\\\\|]")), Qt::SkipEmptyParts)) {
        QStringList words;
        for (auto it = word.globalMatch(part); it.hasNext();)
            words.append(it.next().captured());
        if (const Title title = titleOfWords(words); title.field != Field::unknown)
            return title;
    }
    return {};
}

QChar separatorOf(QStringView line) {
    for (const QChar candidate : {u'\t', u';', u','}) {
        if (line.contains(candidate))
            return candidate;
    }
    return QChar();
}

// Splits one line at the separator; a field in double quotes may hold the separator, and ""
// inside it is one quote.
QStringList fieldsOf(QStringView line) {
    const QChar separator = separatorOf(line);
    if (separator.isNull())
        return {TextUtils::trimmed(TextUtils::withoutControlCharacters(line))};
    QStringList fields;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                current.append(u'"');
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                current.append(c);
            }
        } else if (c == u'"' && current.trimmed().isEmpty()) {
            current.clear();
            quoted = true;
        } else if (c == separator) {
            fields.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    fields.append(current);
    for (QString& field : fields)
        field = TextUtils::trimmed(TextUtils::withoutControlCharacters(field));
    return fields;
}

// A whole number with an optional unit: "3", "3 шт.", "2 компл.", "1 к-т", "2 пар", "3,0",
// "1 000"; none for anything else.
std::optional<std::int64_t> quantityOf(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\+?(\\d{1,3}(?:[ \\x{00A0}\\x{202F}]\\d{3})+|\\d{1,12})(?:[.,]0+)?\\s*"
                       "(?:шт|штук[аи]?|ед|компл|комплект(?:а|ов)?|к-т|кт|пар[аы]?|pcs|pc)?\\.?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString digits = match.captured(1);
    digits.remove(QRegularExpression(QStringLiteral("\\D")));
    return digits.toLongLong();
}

// Starts like a number ("2,5", "-1", "5 литров"): meant as a quantity even when it cannot be
// read as one. "3M" is a brand.
bool looksLikeQuantity(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?\\d[\\d\\s.,]*(?:\\s\\S.*)?$"));
    return pattern.match(text).hasMatch();
}

struct Columns {
    qsizetype article = 0;
    qsizetype brand = -1;
    qsizetype quantity = -1;
    int named = 0; // how many of the three the titles name
};

// A header names the article column, and no field of it reads as a quantity.
std::optional<Columns> headerColumns(const QStringList& fields) {
    Columns columns{-1, -1, -1, 0};
    int articleRank = std::numeric_limits<int>::max();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (quantityOf(fields[i]))
            return std::nullopt;
        const Title title = titleOf(fields[i]);
        qsizetype* column = title.field == Field::brand      ? &columns.brand
                            : title.field == Field::quantity ? &columns.quantity
                                                             : nullptr;
        if (title.field == Field::article && title.rank < articleRank) {
            articleRank = title.rank;
            columns.article = i;
        } else if (column && *column < 0) {
            *column = i;
        }
    }
    if (columns.article < 0)
        return std::nullopt;
    columns.named = 1 + (columns.brand >= 0) + (columns.quantity >= 0);
    return columns;
}

qsizetype filledCount(const QStringList& fields) {
    return std::count_if(fields.begin(), fields.end(), [](const QString& f) { return !f.isEmpty(); });
}

} // namespace

QString BatchInputIssue::text() const {
    return QStringLiteral("Строка %1: %2").arg(lineNumber).arg(message);
}

BatchInput BatchInput::parse(QStringView text) {
    BatchInput input;
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    const QList<QStringView> rawLines = QStringView(text).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    QList<std::pair<int, QStringList>> rows; // the lines that hold anything, with their numbers
    for (qsizetype n = 0; n < rawLines.size(); ++n) {
        QStringList fields = fieldsOf(rawLines[n]);
        if (filledCount(fields) > 0)
            rows.append({static_cast<int>(n + 1), std::move(fields)});
    }

    // The header is the first line, or comes after a title of one or two cells (a merged
    // "Заявка №…" above the table); then it names more than the article.
    std::optional<Columns> header;
    qsizetype first = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(rows.size(), kHeaderSearchLines); ++i) {
        const auto columns = headerColumns(rows[i].second);
        if (columns && (i == 0 || columns->named > 1)) {
            header = columns;
            first = i + 1;
            input.headerSkipped = true;
            break;
        }
        if (filledCount(rows[i].second) > 2)
            break;
    }

    for (qsizetype r = first; r < rows.size(); ++r) {
        const auto& [lineNumber, fields] = rows[r];
        if (input.lines.size() >= maxLines) {
            input.issues.append(
                {lineNumber, QStringLiteral("в списке больше %1 строк, остальные не проценены").arg(maxLines)});
            break;
        }

        BatchLine line;
        line.lineNumber = lineNumber;
        QString quantityText;
        if (header) {
            line.article = fields.value(header->article);
            line.brand = header->brand >= 0 ? fields.value(header->brand) : QString();
            quantityText = header->quantity >= 0 ? fields.value(header->quantity) : QString();
            // Other columns only (a row number, a note): a line of the form left unfilled.
            if (line.article.isEmpty() && line.brand.isEmpty() && quantityText.isEmpty())
                continue;
        } else {
            // Article; article and quantity or brand; article, brand and quantity.
            line.article = fields.value(0);
            if (fields.size() == 2) {
                if (looksLikeQuantity(fields[1]))
                    quantityText = fields[1];
                else
                    line.brand = fields[1];
            } else if (fields.size() >= 3) {
                line.brand = fields[1];
                quantityText = fields[2];
            }
        }
        if (line.article.isEmpty()) {
            input.issues.append({lineNumber, QStringLiteral("не указан артикул")});
            continue;
        }
        if (line.article.size() > 64) {
            input.issues.append({lineNumber, QStringLiteral("артикул длиннее 64 символов")});
            continue;
        }
        if (!quantityText.isEmpty()) {
            const auto quantity = quantityOf(quantityText);
            if (!quantity || *quantity < 1 || *quantity > maxQuantity) {
                input.issues.append(
                    {lineNumber,
                     QStringLiteral("количество «%1» — не целое число от 1 до %2").arg(quantityText).arg(maxQuantity)});
                continue;
            }
            line.quantity = *quantity;
        }
        input.lines.append(line);
    }
    return input;
}
