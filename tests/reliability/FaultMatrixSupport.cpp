#include "FaultMatrix.h"

#include "cart/PFCartFreshnessChecker.h"
#include "core/UserFacingError.h"
#include "feedback/FeedbackForm.h"
#include "search/SearchViewModel.h"
#include "support/AwaitTask.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>

const TargetInfo& info(Target target) {
    static const TargetInfo infos[] = {
        {u"AutoEuro"_s, Service::autoEuro, true, u"AutoEuro"_s, u"autoeuro"_s, u"AutoEuro вернул некорректный ответ."_s,
         u"AutoEuro"_s},
        {u"Autopiter"_s, Service::autopiter, true, u"Autopiter"_s, u"autopiter"_s,
         u"Некорректный SOAP-ответ Autopiter: {*}."_s, u"Autopiter"_s},
        {u"TradeSoft"_s, Service::tradeSoft, false, u"Автолига"_s, u"autoliga"_s,
         u"TradeSoft вернул ответ неизвестного формата."_s, u"TradeSoft"_s},
        {u"portal"_s, Service::autoligaPortal, true, u"Автолига"_s, u"autoliga"_s,
         u"Портал Автолиги вернул ответ неизвестного формата."_s, u"Портал Автолиги"_s},
        {u"feedback"_s, Service::feedback, false, u"Автолига"_s, u"autoliga"_s,
         u"Сервис обратной связи вернул некорректный ответ."_s, QString()},
        {u"ABCP"_s, Service::abcp, true, u"Автомаркет Урал"_s, u"abcp-avtomarket-ural"_s, u"некорректный ответ API"_s,
         u"Автомаркет Урал"_s, true},
        {u"TS-supplier"_s, Service::tradeSoft, true, u"УралЗапчасть"_s, u"tradesoft-uralparts"_s,
         u"TradeSoft вернул ответ неизвестного формата."_s, u"TradeSoft"_s, true},
    };
    return infos[static_cast<int>(target)];
}

QString statusText(Target target, int status, bool withBody) {
    switch (target) {
    case Target::autoEuro:
        return u"AutoEuro вернул HTTP %1."_s.arg(status);
    case Target::autopiter:
        // The fault's own text, not the envelope around it.
        return withBody ? u"Некорректный SOAP-ответ Autopiter: HTTP %1: Server was unable to process request. ---> "
                          u"Simulated failure."_s.arg(status)
                        : u"Autopiter вернул HTTP %1."_s.arg(status);
    case Target::tradeSoft:
    case Target::tradeSoftAccount:
        return u"TradeSoft вернул HTTP %1."_s.arg(status);
    case Target::abcp:
        return u"сервер вернул HTTP %1"_s.arg(status);
    case Target::portal:
        // A server's failure is no reason to doubt the buyer's login.
        return status >= 500 ? u"Портал Автолиги: HTTP %1, сбой на стороне портала."_s.arg(status)
                             : u"Портал Автолиги: HTTP %1. Проверьте учётные данные портала."_s.arg(status);
    case Target::feedback:
        return withBody ? u"Ошибка сервера %1: simulated failure"_s.arg(status)
                        : u"Сервис обратной связи вернул ошибку %1."_s.arg(status);
    }
    return {};
}

bool matches(const QString& text, const QString& pattern) {
    QStringList parts = pattern.split(u"{*}"_s);
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(u".*"_s)),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}

bool isTerminalSafe(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7f && u <= 0x9f))
            return false;
    }
    return true;
}

bool isOneReadableLine(const QString& text) {
    return text.size() <= 360 && !text.contains(u'\n') && isTerminalSafe(text);
}

SearchOutcome search(AppServices& services) {
    SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
    QSignalSpy finished(&model, &SearchViewModel::searchFinished);
    model.setArticle(kArticle);
    model.search();
    const bool ended = finished.count() > 0 || finished.wait(90000);
    return {ended,
            model.supplierFailures(),
            model.offers(),
            model.statusMessage(),
            model.errorMessage(),
            model.searchDurationDisplay()};
}

CheckOutcome check(AppServices& services, const SupplierCartGroup& group) {
    PFCartFreshnessChecker checker = services.cartFreshnessChecker();
    try {
        return {QString(), awaitTask(checker.check(group))};
    } catch (const UserFacingError& error) {
        return {error.description(), {}};
    }
}

QStringList sortedKeys(const QList<SupplierOffer>& offers, const QString& supplierID) {
    QStringList keys;
    for (const auto& offer : offers) {
        if (offer.supplierID == supplierID)
            keys.append(offer.supplierOfferKey);
    }
    keys.sort();
    return keys;
}

QStringList keys(const QString& words, const QString& prefix) {
    QStringList list = words.split(u' ', Qt::SkipEmptyParts);
    for (QString& key : list)
        key.prepend(prefix);
    list.sort();
    return list;
}

FeedbackDraft feedbackDraft() {
    FeedbackForm::Fields fields;
    fields.subject = u"Проверка"_s;
    fields.message = u"Сообщение"_s;
    return std::get<FeedbackDraft>(FeedbackForm::makeDraft(fields, u"0.1.0"_s, u"Debian 12"_s));
}

qint64 processStatusKiB(QByteArrayView field) {
    QFile file(u"/proc/self/status"_s);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field) && line.size() > field.size() && line[field.size()] == ':')
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetPeakMemory() {
    QFile file(u"/proc/self/clear_refs"_s);
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

QString jsonText(const QString& text) {
    const QString array = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1, array.size() - 2);
}

// The names of the members of a flat object written here.
QStringList memberNames(const QString& object) {
    QStringList names;
    static const QRegularExpression name(u"[{,]\"(\\w+)\":"_s);
    for (const auto& match : name.globalMatch(object))
        names.append(match.captured(1));
    return names;
}

// The object with the member's value replaced by raw text, or the member added.
QString with(QString object, const QString& name, const QString& raw) {
    const QRegularExpression member(u"[{,]\"%1\":(\"(?:[^\"\\\\]|\\\\.)*\"|[^,}]*)"_s.arg(name));
    const QRegularExpressionMatch match = member.match(object);
    if (match.hasMatch())
        return object.replace(match.capturedStart(1), match.capturedLength(1), raw);
    return object.insert(object.size() - 1, u",\"%1\":%2"_s.arg(name, raw));
}

QByteArray autoEuroAnswer(const QStringList& records) {
    return u"{\"META\":{\"result\":\"OK\",\"results_count\":%1},\"DATA\":[%2]}"_s.arg(records.size())
        .arg(records.join(u','))
        .toUtf8();
}

QString autoEuroOffer(const Baseline& b, const QString& key) {
    return uR"({"offer_key":%1,"stock":1,"cross":0,"brand":%2,"code":%3,"name":%4,"packing":1,"price":250.5,)"
           uR"("currency":"RUB","amount":5,"unit":"шт","return":1,"order_before":"15:30","delivery_time":"2 дн.",)"
           uR"("delivery_time_max":"4 дн.","rejects":1.5,"dealer":1,"warehouse_name":"Челябинск",)"
           uR"("warehouse_key":"CHL","product_id":90,"ttl":3600})"_s.arg(
               jsonText(key), jsonText(b.autoEuro.brand), jsonText(b.autoEuro.article), jsonText(b.autoEuro.name));
}

QByteArray soapAnswer(const QString& operation, const QString& result) {
    return u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<soap:Envelope "
           u"xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><%1Response "
           u"xmlns=\"http://www.autopiter.ru/\"><%1Result>%2</%1Result></%1Response></soap:Body></soap:Envelope>"_s
               .arg(operation, result)
               .toUtf8();
}

// A price row of the baseline's part, with elements given new text or, for a null text, left out.
QString autopiterPriceRow(const Baseline& b, const QString& uid, const QList<std::pair<QString, QString>>& changes) {
    QString row = u"<PriceSearchModel><DetailUid>%1</DetailUid><SellerId>7401</SellerId><Number>%2</Number>"
                  u"<CatalogName>%3</CatalogName><Name>%4</Name><NumberOfAvailable>4</NumberOfAvailable>"
                  u"<MinNumberOfSales>1</MinNumberOfSales><SalePrice>270.00</SalePrice>"
                  u"<NumberOfDaysSupply>2</NumberOfDaysSupply><DeliveryDate>2026-03-02T10:00:00</DeliveryDate>"
                  u"<Region>Челябинск</Region><SuccessfulOrdersProcent>99</SuccessfulOrdersProcent>"
                  u"<CurrencyName>RUB</CurrencyName></PriceSearchModel>"_s.arg(uid, b.autopiter.article,
                                                                               b.autopiter.brand, b.autopiter.name);
    for (const auto& [name, value] : changes) {
        const QRegularExpression element(u"<%1>[^<]*</%1>"_s.arg(name));
        if (!element.match(row).hasMatch())
            qFatal("no element %s in the price row", qPrintable(name));
        row.replace(element, value.isNull() ? QString() : u"<%1>%2</%1>"_s.arg(name, value));
    }
    return row;
}

QByteArray autopiterPrices(const QStringList& rows) {
    return soapAnswer(u"GetPriceId"_s, rows.join(QString()));
}

QByteArray portalAnswer(const QStringList& rows) {
    return u"{\"success\":true,\"data\":{\"rows\":{\"originals\":[%1]}}}"_s.arg(rows.join(u',')).toUtf8();
}

QString portalRow(const Baseline& b, const QString& id) {
    return uR"({"id":%1,"article":%2,"brand":%3,"name":%4,"description":"","price":"312.50","term":"2",)"
           uR"("amountNum":"4","minimumQuantity":"1","cssRule":"background: #CCFF99"})"_s.arg(
               jsonText(id), jsonText(b.portal.article), jsonText(b.portal.brand), jsonText(b.portal.name));
}

QByteArray tradeSoftAnswer(const QStringList& rows) {
    return u"{\"error\":null,\"container\":[{\"provider\":\"p\",\"error\":null,\"data\":[%1]}]}"_s.arg(rows.join(u','))
        .toUtf8();
}

// A TradeSoft row with the terms of the healthy offer, so that the line checks as current.
QString tradeSoftRow(const SupplierOffer& offer) {
    // "2 дн." or "2-5 дн."
    const QStringList days = offer.deliveryDescription.value_or(QString()).section(u' ', 0, 0).split(u'-');
    QString row = uR"({"code":%1,"producer":%2,"price":%3,"currencycode":%4,"caption":%5,"deliverydays_min":%6,)"
                  uR"("deliverydays_max":%7,"itemHash":%8,"itemId":"9","return":"possible"})"_s.arg(
                      jsonText(offer.article), jsonText(offer.brand), offer.price.toString(), jsonText(offer.currency),
                      jsonText(offer.name), days.first(), days.last(), jsonText(offer.supplierOfferKey));
    if (offer.availableQuantity)
        row = with(row, u"rest"_s, QString::number(*offer.availableQuantity));
    if (offer.warehouse)
        row = with(row, u"direction"_s, jsonText(*offer.warehouse));
    return row;
}

QByteArray feedbackReceipt(const QString& extra) {
    return u"{\"id\":\"FB-000123\",\"status\":\"received\",\"createdAt\":\"2026-03-01T09:30:00Z\"%1}"_s.arg(extra)
        .toUtf8();
}

// Arrays of a thousand zeros inside one array, none longer than the reader allows, up to `size` bytes.
QByteArray tinyValues(const QByteArray& before, const QByteArray& after, qsizetype size) {
    QByteArray inner = "[0";
    for (int i = 1; i < 1000; ++i)
        inner += ",0";
    inner += ']';
    QByteArray body = before + '[';
    body.reserve(size);
    while (body.size() + inner.size() + 1 + after.size() + 1 < size) {
        if (body.size() > before.size() + 1)
            body += ',';
        body += inner;
    }
    return body + ']' + after;
}

QByteArray abcpAnswer(const QStringList& rows) {
    return (u'[' + rows.join(u',') + u']').toUtf8();
}

QString abcpRow(const Baseline& b, const QString& itemKey) {
    // Numbers as numbers and as text, as shops write them.
    return uR"({"itemKey":%1,"supplierCode":7001,"brand":%2,"number":%3,"numberFix":"OC90","description":%4,)"
           uR"("price":250.5,"availability":"5","packing":1,"deliveryPeriod":24,"deliveryPeriodMax":"48",)"
           uR"("deliveryProbability":98.5,"supplierDescription":"Челябинск","noReturn":0})"_s.arg(
               jsonText(itemKey), jsonText(b.abcp.brand), jsonText(b.abcp.article), jsonText(b.abcp.name));
}

QStringList abcpKeys(const QString& words) {
    QStringList list = keys(words);
    for (QString& key : list)
        key += u"|7001"_s;
    list.sort();
    return list;
}

QByteArray tradeSoftAccountAnswer(const QStringList& rows) {
    // One entry for each brand the supplier was asked for.
    const QString entry = u"{\"provider\":\"uralparts\",\"error\":\"\",\"data\":[%1]}"_s.arg(rows.join(u','));
    return u"{\"error\":null,\"container\":[%1,%1]}"_s.arg(entry).toUtf8();
}
