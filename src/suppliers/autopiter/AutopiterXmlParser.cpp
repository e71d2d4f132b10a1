#include "AutopiterXmlParser.h"

#include "AutopiterError.h"

#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <cmath>
#include <limits>
#include <optional>

namespace AutopiterXmlParser {

namespace {

using Values = QHash<QString, QString>;

// Optional sign and ASCII digits, within 64 bits; anything else is no number.
std::optional<std::int64_t> strictInteger(const QString& text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

std::optional<std::int64_t> integerValue(const Values& values, const QString& name) {
    const auto it = values.constFind(name);
    return it == values.cend() ? std::nullopt : strictInteger(*it);
}

std::optional<QString> nonBlank(const Values& values, const QString& name) {
    const QString text = values.value(name).trimmed();
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

bool isTwoDigits(QStringView text, qsizetype at) {
    return text[at] >= u'0' && text[at] <= u'9' && text[at + 1] >= u'0' && text[at + 1] <= u'9';
}

// Only "yyyy-MM-ddTHH:mm:ss", read as local time: fractions of a second or a zone
// suffix make it another form, which gives no date.
std::optional<QDateTime> deliveryDate(const QString& text) {
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u'T' || text[13] != u':' ||
        text[16] != u':')
        return std::nullopt;
    for (const qsizetype at : {0, 2, 5, 8, 11, 14, 17}) {
        if (!isTwoDigits(text, at))
            return std::nullopt;
    }
    const auto number = [&](qsizetype at, qsizetype length) { return QStringView(text).mid(at, length).toInt(); };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime result(date, time, Qt::LocalTime);
    return result.isValid() ? std::optional<QDateTime>(result) : std::nullopt;
}

std::optional<AutopiterCatalogItem> catalogItem(const Values& values) {
    const auto articleID = integerValue(values, QStringLiteral("ArticleId"));
    if (!articleID)
        return std::nullopt;
    AutopiterCatalogItem item;
    item.articleID = *articleID;
    item.catalogName = values.value(QStringLiteral("CatalogName"));
    item.name = values.value(QStringLiteral("Name"));
    item.number = values.value(QStringLiteral("Number"));
    item.salesRating = integerValue(values, QStringLiteral("SalesRating"));
    return item;
}

std::optional<AutopiterPriceItem> priceItem(const Values& values) {
    const QString detailUID = values.value(QStringLiteral("DetailUid")).trimmed();
    if (detailUID.isEmpty())
        return std::nullopt;
    // Decimal refuses NaN and infinities: such a price is no price; nor is one beyond what a
    // double holds (1e999), which no table could sort or sum.
    const auto salePrice = Decimal::parse(values.value(QStringLiteral("SalePrice")).trimmed());
    if (!salePrice || !(std::abs(salePrice->toDouble()) < std::numeric_limits<double>::max()))
        return std::nullopt;

    AutopiterPriceItem item;
    item.detailUID = detailUID;
    item.salePrice = *salePrice;
    item.sellerID = integerValue(values, QStringLiteral("SellerId"));
    item.availableQuantity = integerValue(values, QStringLiteral("NumberOfAvailable"));
    item.minimumQuantity = integerValue(values, QStringLiteral("MinNumberOfSales"));
    item.daysSupply = integerValue(values, QStringLiteral("NumberOfDaysSupply"));
    item.number = values.value(QStringLiteral("Number"));
    item.catalogName = values.value(QStringLiteral("CatalogName"));
    item.name = values.value(QStringLiteral("Name"));
    item.shortNumber = nonBlank(values, QStringLiteral("ShotNumber"));
    item.region = nonBlank(values, QStringLiteral("Region"));
    item.deliveryDate = deliveryDate(values.value(QStringLiteral("DeliveryDate")));
    const auto percent = values.constFind(QStringLiteral("SuccessfulOrdersProcent"));
    if (percent != values.cend())
        item.successfulOrdersPercent = Decimal::parse(*percent);
    item.currency = nonBlank(values, QStringLiteral("CurrencyName")).value_or(QStringLiteral("RUB"));
    return item;
}

// Walks the document the way an event-driven delegate would: text is gathered only
// inside an item element, every other element closing inside it stores its trimmed text
// under its name (a later one of the same name wins), and the item's end builds a row.
// Element names are compared exactly as written (qualifiedName, prefix and all): the
// service writes its rows unprefixed, and a prefixed name is some other element.
template <typename Item, typename Build>
QList<Item> readItems(const QByteArray& xml, const QString& itemElement, const QString& fallbackError, Build build) {
    QList<Item> items;
    // An empty answer has no rows.
    if (xml.trimmed().isEmpty())
        return items;

    QXmlStreamReader reader(xml);
    reader.setNamespaceProcessing(false);
    Values values;
    QString text;
    bool insideItem = false;
    qsizetype rows = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            // No document type, so no entity declarations: nothing in an answer can make
            // the reader expand entities.
            reader.raiseError(QStringLiteral("DTD is not allowed."));
            break;
        case QXmlStreamReader::EntityReference:
            reader.raiseError(QStringLiteral("Entity '%1' not declared.").arg(reader.name()));
            break;
        case QXmlStreamReader::StartElement:
            text.clear();
            if (reader.qualifiedName() == itemElement) {
                // Rows by the hundred thousand would cost many times the answer's size in memory
                // and freeze the window while they are read: such an answer is no answer.
                if (++rows > maxRows)
                    throw AutopiterError::invalidSOAPResponse(QStringLiteral("больше %1 строк").arg(maxRows));
                insideItem = true;
                values.clear();
            }
            break;
        case QXmlStreamReader::Characters:
            if (insideItem)
                text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            if (!insideItem)
                break;
            const QString name = reader.qualifiedName().toString();
            if (name == itemElement) {
                if (auto item = build(values))
                    items.append(std::move(*item));
                insideItem = false;
                values.clear();
                text.clear();
            } else {
                const QString trimmed = text.trimmed();
                if (!trimmed.isEmpty())
                    values.insert(name, trimmed);
                text.clear();
            }
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        const QString message = reader.errorString();
        throw AutopiterError::invalidSOAPResponse(message.isEmpty() ? fallbackError : message);
    }
    return items;
}

} // namespace

bool booleanResult(const QString& name, const QByteArray& body) {
    const auto invalid = [&] { return AutopiterError::invalidSOAPResponse(name); };
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        throw invalid();
    const QString open = u'<' + name + u'>';
    const QString close = QStringLiteral("</") + name + u'>';
    const qsizetype start = text.indexOf(open);
    if (start < 0)
        throw invalid();
    const qsizetype end = text.indexOf(close, start + open.size());
    if (end < 0)
        throw invalid();
    const QString value = text.mid(start + open.size(), end - start - open.size()).trimmed().toLower();
    if (value == u"true" || value == u"1")
        return true;
    if (value == u"false" || value == u"0")
        return false;
    throw invalid();
}

QList<AutopiterCatalogItem> catalogItems(const QByteArray& xml) {
    return readItems<AutopiterCatalogItem>(xml, QStringLiteral("SearchCatalogModel"),
                                           QStringLiteral("Не удалось разобрать FindCatalog."), catalogItem);
}

QList<AutopiterPriceItem> priceItems(const QByteArray& xml) {
    return readItems<AutopiterPriceItem>(xml, QStringLiteral("PriceSearchModel"),
                                         QStringLiteral("Не удалось разобрать GetPriceId."), priceItem);
}

} // namespace AutopiterXmlParser
