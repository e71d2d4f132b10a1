#include "BatchInput.h"

#include "core/TextUtils.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

namespace {

enum class Field { article, brand, quantity, unknown };

// Column titles of a header line, compared in lower case without blanks and dots.
Field fieldOfTitle(const QString& title) {
    QString key = title.toLower();
    key.remove(QRegularExpression(QStringLiteral("[\\s.,:№#-]")));
    static const QStringList articles = {QStringLiteral("артикул"), QStringLiteral("article"),
                                         QStringLiteral("oem"),     QStringLiteral("код"),
                                         QStringLiteral("номер"),   QStringLiteral("partnumber"),
                                         QStringLiteral("part"),    QStringLiteral("каталожныйномер")};
    static const QStringList brands = {QStringLiteral("производитель"), QStringLiteral("бренд"),
                                       QStringLiteral("brand"),         QStringLiteral("марка"),
                                       QStringLiteral("manufacturer"),  QStringLiteral("фирма")};
    static const QStringList quantities = {QStringLiteral("количество"), QStringLiteral("колво"),
                                           QStringLiteral("кол"),        QStringLiteral("qty"),
                                           QStringLiteral("quantity"),   QStringLiteral("шт")};
    if (articles.contains(key))
        return Field::article;
    if (brands.contains(key))
        return Field::brand;
    if (quantities.contains(key))
        return Field::quantity;
    return Field::unknown;
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

// "3", "3 шт", "3 шт." and "3.0"/"3,0" are three; none for anything else.
std::optional<std::int64_t> quantityOf(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\+?(\\d{1,12})(?:[.,]0+)?\\s*(?:шт\\.?)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLongLong();
}

struct Columns {
    qsizetype article = 0;
    qsizetype brand = -1;
    qsizetype quantity = -1;
};

// A header names the article column and nothing in it reads as a quantity.
std::optional<Columns> headerColumns(const QStringList& fields) {
    Columns columns{-1, -1, -1};
    for (qsizetype i = 0; i < fields.size(); ++i) {
        switch (fieldOfTitle(fields[i])) {
        case Field::article:
            if (columns.article < 0)
                columns.article = i;
            break;
        case Field::brand:
            if (columns.brand < 0)
                columns.brand = i;
            break;
        case Field::quantity:
            if (columns.quantity < 0)
                columns.quantity = i;
            break;
        case Field::unknown:
            break;
        }
    }
    if (columns.article < 0)
        return std::nullopt;
    return columns;
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
    std::optional<Columns> header;
    bool firstLine = true;
    for (qsizetype n = 0; n < rawLines.size(); ++n) {
        const int lineNumber = static_cast<int>(n + 1);
        const QStringList fields = fieldsOf(rawLines[n]);
        if (std::all_of(fields.begin(), fields.end(), [](const QString& f) { return f.isEmpty(); }))
            continue;
        if (firstLine) {
            firstLine = false;
            header = headerColumns(fields);
            if (header) {
                input.headerSkipped = true;
                continue;
            }
        }
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
        } else {
            // Article; article and quantity or brand; article, brand and quantity.
            line.article = fields.value(0);
            if (fields.size() == 2) {
                if (quantityOf(fields[1]))
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

std::optional<QString> BatchInput::decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1251("windows-1251");
    if (!windows1251.isValid())
        return std::nullopt;
    text = windows1251.decode(bytes);
    if (windows1251.hasError())
        return std::nullopt;
    return text;
}
