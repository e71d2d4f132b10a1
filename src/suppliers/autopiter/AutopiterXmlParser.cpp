#include "AutopiterXmlParser.h"

#include "AutopiterError.h"
#include "core/TextUtils.h"
#include "suppliers/JsonDecoding.h"

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

const QString kServiceNamespace = QStringLiteral("http://www.autopiter.ru/");

// What went wrong with a document that could not be read, in the buyer's words.
QString readerProblem(const QXmlStreamReader& reader) {
    switch (reader.error()) {
    case QXmlStreamReader::PrematureEndOfDocumentError:
        return QStringLiteral("ответ оборван");
    case QXmlStreamReader::CustomError:
        return reader.errorString(); // our own words, raised below
    default:
        return QStringLiteral("ответ не в формате XML (строка %1)").arg(reader.lineNumber());
    }
}

// Refuses what could make a few bytes expand: no document type (so no entity declarations),
// no reference to an undeclared entity.
bool refusedToken(QXmlStreamReader& reader, QXmlStreamReader::TokenType token) {
    if (token == QXmlStreamReader::DTD) {
        reader.raiseError(QStringLiteral("ответ содержит объявление типа документа (DTD)"));
        return true;
    }
    if (token == QXmlStreamReader::EntityReference) {
        reader.raiseError(QStringLiteral("ответ ссылается на необъявленную сущность «%1»").arg(reader.name()));
        return true;
    }
    return false;
}

// Walks the document the way an event-driven delegate would: text is gathered only
// inside an item element, every other element closing inside it stores its trimmed text
// under its name (a later one of the same name wins), and the item's end builds a row.
// Rows are read inside the operation's result element only. Element names are compared
// exactly as written (qualifiedName, prefix and all): the service writes its rows unprefixed,
// and a prefixed name, or one in another namespace than the service's, is some other element.
template <typename Item, typename Build>
QList<Item> readItems(const QByteArray& xml, const QString& operation, const QString& itemElement, Build build) {
    QList<Item> items;
    if (xml.trimmed().isEmpty())
        throw AutopiterError::noResult(QStringLiteral("пустой ответ"));
    if (TextUtils::isWebPage(xml))
        throw AutopiterError::webPage(200);

    const QString resultElement = operation + QStringLiteral("Result");
    QXmlStreamReader reader(xml);
    Values values;
    QString text;
    bool insideItem = false;
    qsizetype rows = 0;
    int depth = 0;
    int resultDepth = -1;
    bool sawResult = false;
    bool sawFault = false;
    // Direct children of the result that are no rows of ours.
    qsizetype otherChildren = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (refusedToken(reader, token))
            break;
        switch (token) {
        case QXmlStreamReader::StartElement:
            ++depth;
            text.clear();
            if (resultDepth < 0) {
                if (!sawResult && reader.name() == resultElement && reader.namespaceUri() == kServiceNamespace) {
                    resultDepth = depth;
                    sawResult = true;
                } else if (reader.name() == u"Fault") {
                    sawFault = true;
                }
                break;
            }
            if (!insideItem && reader.qualifiedName() == itemElement && reader.namespaceUri() == kServiceNamespace) {
                // Rows by the hundred thousand would cost many times the answer's size in memory
                // and freeze the window while they are read: such an answer is no answer.
                if (++rows > maxRows)
                    throw AutopiterError::invalidSOAPResponse(Json::tooManyRowsText());
                insideItem = true;
                values.clear();
            } else if (!insideItem && depth == resultDepth + 1) {
                ++otherChildren;
            }
            break;
        case QXmlStreamReader::Characters:
            if (insideItem)
                text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            if (depth == resultDepth)
                resultDepth = -1;
            --depth;
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
    if (reader.hasError())
        throw AutopiterError::invalidSOAPResponse(readerProblem(reader));
    if (!sawResult) {
        if (sawFault)
            throw AutopiterError::soapFault(faultText(xml).value_or(QStringLiteral("без описания")));
        throw AutopiterError::noResult(QStringLiteral("в ответе нет %1").arg(resultElement));
    }
    // Rows in another namespace are not rows of this service: no answer, rather than "nothing found".
    if (rows == 0 && otherChildren > 0)
        throw AutopiterError::noResult(QStringLiteral("в %1 нет строк %2").arg(resultElement, itemElement));
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
    return readItems<AutopiterCatalogItem>(xml, QStringLiteral("FindCatalog"), QStringLiteral("SearchCatalogModel"),
                                           catalogItem);
}

QList<AutopiterPriceItem> priceItems(const QByteArray& xml) {
    return readItems<AutopiterPriceItem>(xml, QStringLiteral("GetPriceId"), QStringLiteral("PriceSearchModel"),
                                         priceItem);
}

std::optional<QString> faultText(const QByteArray& xml) {
    // Cheap refusal of the usual answer, which has no fault in it.
    if (!xml.contains("Fault"))
        return std::nullopt;
    QXmlStreamReader reader(xml);
    int faultDepth = -1;
    int depth = 0;
    QString reason;
    QString all;
    bool inReason = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (refusedToken(reader, token))
            return std::nullopt;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (faultDepth < 0 && reader.name() == u"Fault")
                faultDepth = depth;
            // SOAP 1.1 says faultstring; SOAP 1.2 says Reason/Text.
            inReason =
                faultDepth >= 0 && reason.isEmpty() && (reader.name() == u"faultstring" || reader.name() == u"Text");
        } else if (token == QXmlStreamReader::Characters && faultDepth >= 0) {
            all += reader.text();
            all += u' ';
            if (inReason)
                reason += reader.text();
        } else if (token == QXmlStreamReader::EndElement) {
            inReason = false;
            if (depth-- == faultDepth)
                break;
        }
    }
    if (faultDepth < 0)
        return std::nullopt;
    const QString text = TextUtils::singleLine(reason.isEmpty() ? all : reason);
    return text.isEmpty() ? QStringLiteral("без описания") : text;
}

} // namespace AutopiterXmlParser
