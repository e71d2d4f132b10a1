// Every outside service misbehaving in every way we know of, one at a time, while the others
// behave: each fault must cost that service's own offers (or its check, or the one submission)
// and nothing else, with the service's own Russian text. The table at the end shows which
// cases hold.

#include "app/OfferReport.h"
#include "core/TextUtils.h"
#include "FaultMatrixSupport.h"
#include "feedback/FeedbackForm.h"
#include "feedback/FeedbackTransport.h"
#include "net/Http.h"
#include "offertable/OffersSnapshot.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QMap>
#include <QSet>
#include <QTest>

#include <cstdio>
#include <vector>

using namespace FaultMatrix;
using namespace Qt::StringLiterals;
using Service = ServiceEndpoints::Service;
using Fault = SandboxBehaviour::Fault;

namespace {

enum class Target { autoEuro, autopiter, tradeSoft, portal, feedback };
const QList<Target> kTargets = {Target::autoEuro, Target::autopiter, Target::tradeSoft, Target::portal,
                                Target::feedback};

const QString kArticle = QStringLiteral("OC 90");
// More requests than go to one host at a time.
constexpr int kFanOut = Http::maxRequestsPerHost + 2;
// The faulty service's time-out when it answers slowly, and how slowly: between half the
// time-out and the time-out, so that a request that had to wait for its turn is answered later
// than the time-out after it was queued.
constexpr std::chrono::milliseconds kQueueTimeout{2000};
constexpr int kSlowAnswerMs = 1300;
// Just under the body cap.
constexpr qsizetype kTinyValuesSize = Http::maxBodySize - 64 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
const QString kWrong = QStringLiteral("{\"x\":[1]}"); // of no type any reader takes

// The faults, in the order of the printed table.
const QList<std::pair<const char*, const char*>> kFaults = {
    {"refused", "connection refused"},
    {"hang", "no answer past the time-out"},
    {"closeMidBody", "connection closed mid-body"},
    {"shortBody", "Content-Length beyond the body"},
    {"status4xx", "HTTP 404 with a body"},
    {"status4xxEmpty", "HTTP 404 without a body"},
    {"status5xx", "HTTP 500 with a body"},
    {"status5xxEmpty", "HTTP 503 without a body"},
    {"html", "a web page instead"},
    {"truncated", "document cut in half"},
    {"wrongTypes", "wrong type in every field read"},
    {"oddNumbers", "1e999, NaN, 2^70"},
    {"invalidUtf8", "invalid UTF-8"},
    {"huge", "100 MB body with its length"},
    {"hugeStream", "100 MB body streamed"},
    {"deepNesting", "100 000 levels of nesting"},
    {"redirectLoop", "redirect loop"},
    {"redirectForeign", "redirect to another origin"},
    {"trickle", "trickle past the deadline"},
    {"queue", "more requests than the host limit"},
    {"tinyValues", "millions of tiny values"},
    {"fanOutFailing", "every request failing"},
    {"malformedRecord", "one malformed record"},
    {"controlCharacters", "control characters in texts"},
};

// What each service is called in the table and in its failure texts.
struct TargetInfo {
    QString column;
    Service service;
    bool searches;
    QString searchName;
    QString supplierID;
    // The connector's own words for an answer it must not use.
    QString invalidText;
};

const TargetInfo& info(Target target) {
    static const TargetInfo infos[] = {
        {u"AutoEuro"_s, Service::autoEuro, true, u"AutoEuro"_s, u"autoeuro"_s,
         u"AutoEuro вернул некорректный ответ."_s},
        {u"Autopiter"_s, Service::autopiter, true, u"Autopiter"_s, u"autopiter"_s,
         u"Некорректный SOAP-ответ Autopiter: {*}."_s},
        {u"TradeSoft"_s, Service::tradeSoft, false, u"Автолига (портал)"_s, u"autoliga"_s,
         u"TradeSoft вернул ответ неизвестного формата."_s},
        {u"portal"_s, Service::autoligaPortal, true, u"Автолига (портал)"_s, u"autoliga"_s,
         u"Портал Автолиги вернул ответ неизвестного формата."_s},
        {u"feedback"_s, Service::feedback, false, u"Автолига (портал)"_s, u"autoliga"_s,
         u"Сервис обратной связи вернул некорректный ответ."_s},
    };
    return infos[static_cast<int>(target)];
}

QString columnName(Target target) {
    return info(target).column;
}
QString searchName(Target target) {
    return info(target).searchName;
}
QString supplierIDOf(Target target) {
    return info(target).supplierID;
}
QString invalidText(Target target) {
    return info(target).invalidText;
}

QString statusText(Target target, int status, bool withBody) {
    switch (target) {
    case Target::autoEuro:
        return QStringLiteral("AutoEuro вернул HTTP %1.").arg(status);
    case Target::autopiter:
        return withBody ? QStringLiteral("Некорректный SOAP-ответ Autopiter: HTTP %1: <?xml version=\"1.0\" "
                                         "encoding=\"utf-8\"?> <soap:Envelope{*}Simulated failure.</faultstring>{*}.")
                              .arg(status)
                        : QStringLiteral("Autopiter вернул HTTP %1.").arg(status);
    case Target::tradeSoft:
        return QStringLiteral("TradeSoft вернул HTTP %1.").arg(status);
    case Target::portal:
        return QStringLiteral("Портал Автолиги: HTTP %1. Проверьте учётные данные портала.").arg(status);
    case Target::feedback:
        return withBody ? QStringLiteral("Ошибка сервера %1: simulated failure").arg(status)
                        : QStringLiteral("Сервис обратной связи вернул ошибку %1.").arg(status);
    }
    return {};
}

const QString kJsonNotJson =
    QStringLiteral("JSON dataCorrupted, path: , The given data was not valid JSON. Invalid value around character 0.");

// What a healthy sandbox answered, for the cart lines and the comparisons.
struct Baseline {
    SupplierOffer autoEuro;
    SupplierOffer autoEuroSecond;
    SupplierOffer autopiter;
    SupplierOffer portal;
    SupplierOffer portalSecond;
    QString portalBrand;
    SupplierOffer tradeSoft;
    SupplierOffer tradeSoftSecond;
    std::int64_t autopiterArticleID = 0;
    QHash<Target, QStringList> offerKeys;
    QHash<Target, QString> verdicts;
};

struct Scenario {
    SandboxBehaviour behaviour;
    bool refused = false;
    // A healthy service answers the request that the fault leaves alone.
    // The faulty supplier's failure text in the search ("AutoEuro: …"), or null when it must not fail.
    QString searchFailure;
    // When it does not fail: its offer keys, sorted; nullopt: any offers at all.
    std::optional<QStringList> offerKeys;
    // The re-check: its failure text, or null and the verdict of every line (null: as when healthy).
    QString checkFailure;
    QString verdict;
    // The submission's failure text; null: a receipt.
    QString submitFailure;
    bool twoLines = false;
    bool concurrent = false;
    bool foreign = false;
    bool terminal = false;
    bool memory = false;
    // The faulty service's time-out when the case waits one out; others keep the design's.
    std::optional<std::chrono::milliseconds> timeout;
};

QStringList sortedKeys(const QList<SupplierOffer>& offers, const QString& supplierID) {
    QStringList keys;
    for (const auto& offer : offers) {
        if (offer.supplierID == supplierID)
            keys.append(offer.supplierOfferKey);
    }
    keys.sort();
    return keys;
}

// ---- answers written by hand ----

QByteArray autoEuroAnswer(const QStringList& records) {
    return (QStringLiteral("{\"META\":{\"result\":\"OK\",\"results_count\":%1},\"DATA\":[").arg(records.size()) +
            records.join(u',') + QStringLiteral("]}"))
        .toUtf8();
}

Members autoEuroOffer(const Baseline& b, const QString& key) {
    return {{QStringLiteral("offer_key"), jsonText(key)},
            {QStringLiteral("stock"), QStringLiteral("1")},
            {QStringLiteral("cross"), QStringLiteral("0")},
            {QStringLiteral("brand"), jsonText(b.autoEuro.brand)},
            {QStringLiteral("code"), jsonText(b.autoEuro.article)},
            {QStringLiteral("name"), jsonText(b.autoEuro.name)},
            {QStringLiteral("packing"), QStringLiteral("1")},
            {QStringLiteral("price"), QStringLiteral("250.5")},
            {QStringLiteral("currency"), QStringLiteral("\"RUB\"")},
            {QStringLiteral("amount"), QStringLiteral("5")},
            {QStringLiteral("unit"), QStringLiteral("\"шт\"")},
            {QStringLiteral("return"), QStringLiteral("1")},
            {QStringLiteral("order_before"), QStringLiteral("\"15:30\"")},
            {QStringLiteral("delivery_time"), QStringLiteral("\"2 дн.\"")},
            {QStringLiteral("delivery_time_max"), QStringLiteral("\"4 дн.\"")},
            {QStringLiteral("rejects"), QStringLiteral("1.5")},
            {QStringLiteral("dealer"), QStringLiteral("1")},
            {QStringLiteral("warehouse_name"), QStringLiteral("\"Челябинск\"")},
            {QStringLiteral("warehouse_key"), QStringLiteral("\"CHL\"")},
            {QStringLiteral("product_id"), QStringLiteral("90")},
            {QStringLiteral("ttl"), QStringLiteral("3600")}};
}

QByteArray soapAnswer(const QString& operation, const QString& result) {
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<soap:Envelope "
                           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><") +
            operation + QStringLiteral("Response xmlns=\"http://www.autopiter.ru/\"><") + operation +
            QStringLiteral("Result>") + result + QStringLiteral("</") + operation + QStringLiteral("Result></") +
            operation + QStringLiteral("Response></soap:Body></soap:Envelope>"))
        .toUtf8();
}

using Elements = QList<std::pair<QString, QString>>;

QString autopiterPriceRow(const Baseline& b, const QString& uid, const Elements& changes = {}) {
    Elements elements = {{QStringLiteral("DetailUid"), uid},
                         {QStringLiteral("SellerId"), QStringLiteral("7401")},
                         {QStringLiteral("Number"), b.autopiter.article},
                         {QStringLiteral("CatalogName"), b.autopiter.brand},
                         {QStringLiteral("Name"), b.autopiter.name},
                         {QStringLiteral("NumberOfAvailable"), QStringLiteral("4")},
                         {QStringLiteral("MinNumberOfSales"), QStringLiteral("1")},
                         {QStringLiteral("SalePrice"), QStringLiteral("270.00")},
                         {QStringLiteral("NumberOfDaysSupply"), QStringLiteral("2")},
                         {QStringLiteral("DeliveryDate"), QStringLiteral("2026-03-02T10:00:00")},
                         {QStringLiteral("Region"), QStringLiteral("Челябинск")},
                         {QStringLiteral("SuccessfulOrdersProcent"), QStringLiteral("99")},
                         {QStringLiteral("CurrencyName"), QStringLiteral("RUB")}};
    for (const auto& [name, value] : changes) {
        auto it = std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.first == name; });
        if (it == elements.end())
            elements.append({name, value});
        else if (value.isNull())
            elements.erase(it);
        else
            it->second = value;
    }
    QString row = QStringLiteral("<PriceSearchModel>");
    for (const auto& [name, value] : elements)
        row += u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
    return row + QStringLiteral("</PriceSearchModel>");
}

QByteArray autopiterPrices(const QStringList& rows) {
    return soapAnswer(QStringLiteral("GetPriceId"), rows.join(QString()));
}

QByteArray portalAnswer(const QStringList& rows) {
    return (QStringLiteral("{\"success\":true,\"data\":{\"rows\":{\"originals\":[") + rows.join(u',') +
            QStringLiteral("]}}}"))
        .toUtf8();
}

Members portalRow(const Baseline& b, const QString& id) {
    return {{QStringLiteral("id"), jsonText(id)},
            {QStringLiteral("article"), jsonText(b.portal.article)},
            {QStringLiteral("brand"), jsonText(b.portal.brand)},
            {QStringLiteral("name"), jsonText(b.portal.name)},
            {QStringLiteral("description"), QStringLiteral("\"\"")},
            {QStringLiteral("price"), QStringLiteral("\"312.50\"")},
            {QStringLiteral("term"), QStringLiteral("\"2\"")},
            {QStringLiteral("amountNum"), QStringLiteral("\"4\"")},
            {QStringLiteral("minimumQuantity"), QStringLiteral("\"1\"")},
            {QStringLiteral("cssRule"), QStringLiteral("\"background: #CCFF99\"")}};
}

QByteArray tradeSoftAnswer(const QStringList& rows) {
    return (QStringLiteral("{\"error\":null,\"container\":[{\"provider\":\"p\",\"error\":null,\"data\":[") +
            rows.join(u',') + QStringLiteral("]}]}"))
        .toUtf8();
}

// A TradeSoft row with the terms of the healthy offer, so that the line checks as current.
Members tradeSoftRow(const SupplierOffer& offer) {
    // "2 дн." or "2-5 дн."
    const QStringList days = offer.deliveryDescription.value_or(QString()).section(u' ', 0, 0).split(u'-');
    Members row = {{QStringLiteral("code"), jsonText(offer.article)},
                   {QStringLiteral("producer"), jsonText(offer.brand)},
                   {QStringLiteral("price"), offer.price.toString()},
                   {QStringLiteral("currencycode"), jsonText(offer.currency)},
                   {QStringLiteral("caption"), jsonText(offer.name)},
                   {QStringLiteral("deliverydays_min"), days.first()},
                   {QStringLiteral("deliverydays_max"), days.last()},
                   {QStringLiteral("itemHash"), jsonText(offer.supplierOfferKey)},
                   {QStringLiteral("itemId"), QStringLiteral("\"9\"")},
                   {QStringLiteral("return"), QStringLiteral("\"possible\"")}};
    if (offer.availableQuantity)
        row.append({QStringLiteral("rest"), QString::number(*offer.availableQuantity)});
    if (offer.warehouse)
        row.append({QStringLiteral("direction"), jsonText(*offer.warehouse)});
    return row;
}

QByteArray feedbackReceipt(const QString& extra = {}) {
    return (QStringLiteral("{\"id\":\"FB-000123\",\"status\":\"received\",\"createdAt\":\"2026-03-01T09:30:00Z\"") +
            extra + u'}')
        .toUtf8();
}

// Arrays of a thousand zeros inside one array, none longer than the reader allows, up to `size` bytes.
QByteArray tinyValues(const QByteArray& before, const QByteArray& after, qsizetype size) {
    QByteArray inner = "[";
    for (int i = 0; i < 1000; ++i)
        inner += i == 0 ? "0" : ",0";
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

QByteArray nested(int depth) {
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

// Clean of everything a terminal could take for a command.
bool isTerminalSafe(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7f && u <= 0x9f))
            return false;
    }
    return true;
}

} // namespace

class FaultMatrixTest : public QObject {
    Q_OBJECT

private:
    Baseline m_baseline;
    // fault -> target -> passed
    QMap<QString, QHash<Target, bool>> m_results;
    QStringList m_notes;
    QString m_fault;
    Target m_target = Target::autoEuro;

    Scenario scenario(const QString& fault, Target target, const ForeignOrigin& foreign) const;
    SupplierCartGroup cartGroup(Target target, bool twoLines) const;
    void runSearch(Target target, const Scenario& s, Rig& rig);
    void runCheck(Target target, const Scenario& s, Rig& rig);
    void runOtherCheck(Target target, Rig& rig);
    void runSubmission(const Scenario& s, Rig& rig);
    void runConcurrent(Target target, Rig& rig);

private Q_SLOTS:
    void initTestCase();
    void supplierFault_costsThatSupplierAloneWithItsOwnText_data();
    void supplierFault_costsThatSupplierAloneWithItsOwnText();
    void cleanup();
    void cleanupTestCase();
};

SupplierCartGroup FaultMatrixTest::cartGroup(Target target, bool twoLines) const {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto line = [&](const SupplierOffer& offer) { return CartItem::supplierOffer(offer, now); };
    SupplierCartGroup group;
    switch (target) {
    case Target::autoEuro:
        group = {QStringLiteral("autoeuro"), QStringLiteral("AutoEuro"), {line(m_baseline.autoEuro)}};
        if (twoLines)
            group.items.append(line(m_baseline.autoEuroSecond));
        break;
    case Target::autopiter:
        group = {QStringLiteral("autopiter"), QStringLiteral("Autopiter"), {line(m_baseline.autopiter)}};
        break;
    case Target::portal:
        group = {QStringLiteral("autoliga"), QStringLiteral("Автолига"), {line(m_baseline.portal)}};
        if (twoLines)
            group.items.append(line(m_baseline.portalSecond));
        break;
    case Target::tradeSoft:
        group = {QStringLiteral("autoliga"), QStringLiteral("Автолига"), {line(m_baseline.tradeSoft)}};
        if (twoLines)
            group.items.append(line(m_baseline.tradeSoftSecond));
        break;
    case Target::feedback:
        break;
    }
    return group;
}

void FaultMatrixTest::initTestCase() {
    // A healthy round: the offers the cart lines are made of, and what every check says of them.
    Rig rig(Service::feedback, {}, false);
    const SearchOutcome healthy = search(*rig.services, kArticle);
    QVERIFY2(healthy.finished && healthy.failures.isEmpty(), qPrintable(healthy.failures.join(u'\n')));
    for (const Target target : {Target::autoEuro, Target::autopiter, Target::portal}) {
        m_baseline.offerKeys[target] = sortedKeys(healthy.offers, supplierIDOf(target));
        QVERIFY2(!m_baseline.offerKeys[target].isEmpty(), qPrintable(columnName(target)));
    }
    const QString prefix = QStringLiteral("portal-selection:");
    QList<SupplierOffer> portal;
    for (const SupplierOffer& offer : healthy.offers) {
        const bool withOwnID = !PFCartFreshnessChecker::isPositionalPortalID(offer.supplierOfferKey.mid(prefix.size()));
        if (offer.supplierID == u"autoeuro" && offer.article == kArticle) {
            (m_baseline.autoEuro.supplierID.isEmpty() ? m_baseline.autoEuro : m_baseline.autoEuroSecond) = offer;
        } else if (offer.supplierID == u"autopiter" && offer.article == kArticle) {
            m_baseline.autopiter = offer;
        } else if (offer.supplierID == u"autoliga" && offer.article == kArticle && withOwnID) {
            portal.append(offer);
        }
    }
    QVERIFY(!m_baseline.autoEuroSecond.supplierID.isEmpty() && !m_baseline.autopiter.supplierID.isEmpty());
    QVERIFY(portal.size() >= 2);
    m_baseline.portal = portal.at(0);
    m_baseline.portalSecond = portal.at(1);
    m_baseline.portalBrand = m_baseline.portal.brand.toUpper();

    // TradeSoft knows the portal's rows by the same handle.
    for (auto [offer, into] : {std::pair{&m_baseline.portal, &m_baseline.tradeSoft},
                               std::pair{&m_baseline.portalSecond, &m_baseline.tradeSoftSecond}}) {
        const auto fresh = awaitTask(rig.services->autoligaProvider().preOrderCheck(
            offer->article, offer->brand, offer->supplierOfferKey.mid(prefix.size())));
        QVERIFY(fresh.has_value());
        *into = fresh->offer;
    }

    const QString catalogue = awaitTask(rig.services->autopiterClient().findCatalogXML(kArticle));
    for (const auto& item : AutopiterXmlParser::catalogItems(catalogue.toUtf8())) {
        if (item.number == kArticle)
            m_baseline.autopiterArticleID = item.articleID;
    }
    QVERIFY(m_baseline.autopiterArticleID != 0);

    rig.services->autoligaPortalContext().remember({m_baseline.portal}, kArticle, m_baseline.portalBrand);
    for (const Target target : {Target::autoEuro, Target::autopiter, Target::portal, Target::tradeSoft}) {
        const CheckOutcome outcome = check(*rig.services, cartGroup(target, false));
        QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
        m_baseline.verdicts[target] = outcome.verdicts.value(cartGroup(target, false).items.first().id).status;
    }
}

Scenario FaultMatrixTest::scenario(const QString& fault, Target target, const ForeignOrigin& foreign) const {
    const Baseline& b = m_baseline;
    Scenario s;
    SandboxBehaviour& behaviour = s.behaviour;
    // A transport failure: the same text everywhere, the feedback form wording it as its own.
    const auto network = [&](const QString& text) {
        s.searchFailure = searchName(target) + QStringLiteral(": ") + text;
        s.checkFailure = text;
        s.submitFailure = QStringLiteral("Не удалось отправить обращение: ") + text;
    };
    // A failure in the connector's own words.
    const auto own = [&](const QString& text) {
        s.searchFailure = searchName(target) + QStringLiteral(": ") + text;
        s.checkFailure = text;
        s.submitFailure = text;
    };
    const auto customBody = [&](const QByteArray& body, const QString& match = {}) {
        behaviour.fault = Fault::body;
        behaviour.status = target == Target::feedback ? 201 : 200;
        behaviour.body = body;
        behaviour.faultMatch = match;
    };
    // Healthy but for what the fault took out.
    const auto unaffected = [&](std::optional<QStringList> keys = std::nullopt, QString verdict = {}) {
        s.searchFailure = QString();
        s.offerKeys = std::move(keys);
        s.checkFailure = QString();
        s.verdict = std::move(verdict);
        s.submitFailure = QString();
    };
    const QString notFound = QStringLiteral("Не удалось подтвердить");
    const QString gone = QStringLiteral("Предложение недоступно");
    const QString changed = QStringLiteral("Условия изменились");
    // Content faults hit the catalogue of Autopiter: its login answers are read elsewhere.
    const QString contentMatch = target == Target::autopiter ? QStringLiteral("FindCatalog") : QString();

    if (fault == u"refused") {
        s.refused = true;
        network(QStringLiteral("Сервер отказал в соединении."));
    } else if (fault == u"hang") {
        behaviour.fault = Fault::hang;
        s.timeout = timeout;
        network(QStringLiteral("Сервер не ответил вовремя."));
    } else if (fault == u"closeMidBody") {
        behaviour.fault = Fault::closeMidBody;
        network(QStringLiteral("Сервер закрыл соединение раньше, чем передал ответ."));
    } else if (fault == u"shortBody") {
        behaviour.fault = Fault::shortBody;
        s.timeout = timeout;
        network(QStringLiteral("Сервер не ответил вовремя."));
    } else if (fault == u"status4xx" || fault == u"status5xx" || fault == u"status4xxEmpty" ||
               fault == u"status5xxEmpty") {
        const bool withBody = !fault.endsWith(u"Empty");
        behaviour.fault = withBody ? Fault::status : Fault::emptyStatus;
        behaviour.status = fault.startsWith(u"status4") ? 404 : withBody ? 500 : 503;
        own(statusText(target, behaviour.status, withBody));
    } else if (fault == u"html") {
        behaviour.fault = Fault::html;
        behaviour.faultMatch = contentMatch;
        switch (target) {
        case Target::autoEuro:
            own(QStringLiteral("Ошибка AutoEuro: ") + kJsonNotJson);
            break;
        case Target::autopiter:
            own(QStringLiteral("Некорректный SOAP-ответ Autopiter: DTD is not allowed.."));
            break;
        case Target::feedback:
            own(invalidText(target));
            break;
        default:
            own(kJsonNotJson);
        }
    } else if (fault == u"truncated") {
        behaviour.fault = Fault::truncated;
        behaviour.faultMatch = contentMatch;
        const QString cut = QStringLiteral("JSON dataCorrupted, path: , The given data was not valid JSON. {*}");
        switch (target) {
        case Target::autoEuro:
            own(QStringLiteral("Ошибка AutoEuro: ") + cut);
            break;
        case Target::autopiter:
            own(QStringLiteral("Некорректный SOAP-ответ Autopiter: Premature end of document.."));
            break;
        case Target::feedback:
            own(invalidText(target));
            break;
        default:
            own(cut);
        }
    } else if (fault == u"wrongTypes") {
        switch (target) {
        case Target::autoEuro: {
            // One record per field, each with that field of a wrong type: none is left.
            QStringList records;
            for (const auto& [name, raw] : autoEuroOffer(b, {})) {
                Q_UNUSED(raw);
                records.append(object(with(autoEuroOffer(b, QStringLiteral("W-") + name), name, kWrong)));
            }
            customBody(autoEuroAnswer(records), QStringLiteral("search_items/"));
            own(QStringLiteral("Ошибка AutoEuro: JSON typeMismatch String, path: DATA.Index 0.offer_key, Expected "
                               "to decode String but found another value instead."));
            break;
        }
        case Target::autopiter: {
            // XML has no types: words where numbers belong. Without a price the row is gone; the
            // other fields are left out of their rows.
            QStringList rows;
            QStringList kept;
            for (const char* element : {"SalePrice", "SellerId", "NumberOfAvailable", "MinNumberOfSales",
                                        "NumberOfDaysSupply", "DeliveryDate", "SuccessfulOrdersProcent"}) {
                const QString name = QString::fromLatin1(element);
                rows.append(autopiterPriceRow(b, QStringLiteral("W-") + name, {{name, QStringLiteral("дёшево")}}));
                if (name != u"SalePrice")
                    kept.append(QStringLiteral("W-") + name);
            }
            customBody(autopiterPrices(rows), QStringLiteral("GetPriceId"));
            kept.sort();
            unaffected(kept, notFound);
            break;
        }
        case Target::portal: {
            QStringList rows;
            QStringList kept = {QStringLiteral("portal-selection:originals:0")};
            for (const auto& [name, raw] : portalRow(b, {})) {
                Q_UNUSED(raw);
                rows.append(object(with(portalRow(b, QStringLiteral("W-") + name), name, kWrong)));
                if (name == u"description" || name == u"amountNum" || name == u"minimumQuantity" || name == u"cssRule")
                    kept.append(QStringLiteral("portal-selection:W-") + name);
            }
            customBody(portalAnswer(rows));
            kept.sort();
            unaffected(kept, notFound);
            break;
        }
        case Target::tradeSoft: {
            Members row = tradeSoftRow(b.tradeSoft);
            for (auto& member : row)
                member.second = kWrong;
            customBody(tradeSoftAnswer({object(row)}));
            // An answer without a positive price says the offer is gone.
            unaffected({}, gone);
            break;
        }
        case Target::feedback:
            customBody(QStringLiteral("{\"id\":%1,\"status\":%1,\"createdAt\":%1}").arg(kWrong).toUtf8());
            own(invalidText(target));
            break;
        }
    } else if (fault == u"oddNumbers") {
        const QString big = QStringLiteral("1180591620717411303424"); // 2^70
        switch (target) {
        case Target::autoEuro: {
            const auto record = [&](const QString& key, const QString& name, const QString& raw) {
                return object(with(autoEuroOffer(b, key), name, raw));
            };
            customBody(autoEuroAnswer(
                           {record(QStringLiteral("N-inf"), QStringLiteral("price"), QStringLiteral("1e999")),
                            record(QStringLiteral("N-nan"), QStringLiteral("price"), QStringLiteral("\"NaN\"")),
                            record(QStringLiteral("N-big"), QStringLiteral("price"), big),
                            record(QStringLiteral("N-amount"), QStringLiteral("amount"), big),
                            record(QStringLiteral("N-amount-inf"), QStringLiteral("amount"), QStringLiteral("1e999")),
                            record(QStringLiteral("N-rejects"), QStringLiteral("rejects"), QStringLiteral("\"NaN\"")),
                            record(QStringLiteral("N-packing"), QStringLiteral("packing"), big),
                            object(autoEuroOffer(b, QStringLiteral("G")))}),
                       QStringLiteral("search_items/"));
            unaffected(QStringList{QStringLiteral("G"), QStringLiteral("N-big")}, notFound);
            break;
        }
        case Target::autopiter:
            customBody(
                autopiterPrices(
                    {autopiterPriceRow(b, QStringLiteral("N-inf"),
                                       {{QStringLiteral("SalePrice"), QStringLiteral("1e999")}}),
                     autopiterPriceRow(b, QStringLiteral("N-nan"),
                                       {{QStringLiteral("SalePrice"), QStringLiteral("NaN")}}),
                     autopiterPriceRow(b, QStringLiteral("N-big"), {{QStringLiteral("SalePrice"), big}}),
                     autopiterPriceRow(b, QStringLiteral("N-available"), {{QStringLiteral("NumberOfAvailable"), big}}),
                     autopiterPriceRow(b, QStringLiteral("N-days"),
                                       {{QStringLiteral("NumberOfDaysSupply"), QStringLiteral("1e999")}}),
                     autopiterPriceRow(b, QStringLiteral("N-percent"),
                                       {{QStringLiteral("SuccessfulOrdersProcent"), QStringLiteral("NaN")}}),
                     autopiterPriceRow(b, QStringLiteral("G"))}),
                QStringLiteral("GetPriceId"));
            unaffected(QStringList{QStringLiteral("G"), QStringLiteral("N-available"), QStringLiteral("N-big"),
                                   QStringLiteral("N-days"), QStringLiteral("N-percent")},
                       notFound);
            break;
        case Target::portal: {
            const auto row = [&](const QString& id, const QString& name, const QString& raw) {
                return object(with(portalRow(b, id), name, raw));
            };
            customBody(
                portalAnswer({row(QStringLiteral("N-inf"), QStringLiteral("price"), QStringLiteral("\"1e999\"")),
                              row(QStringLiteral("N-nan"), QStringLiteral("price"), QStringLiteral("\"NaN\"")),
                              row(QStringLiteral("N-big"), QStringLiteral("price"), big),
                              row(QStringLiteral("N-term"), QStringLiteral("term"), jsonText(big)),
                              row(QStringLiteral("N-amount"), QStringLiteral("amountNum"), QStringLiteral("\"1e999\"")),
                              object(portalRow(b, QStringLiteral("G")))}));
            unaffected(QStringList{QStringLiteral("portal-selection:G"), QStringLiteral("portal-selection:N-amount"),
                                   QStringLiteral("portal-selection:N-big")},
                       notFound);
            break;
        }
        case Target::tradeSoft: {
            Members row = tradeSoftRow(b.tradeSoft);
            row = with(row, QStringLiteral("rest"), QStringLiteral("1e999"));
            row = with(row, QStringLiteral("deliverydays_max"), big);
            row = with(row, QStringLiteral("minquantity"), QStringLiteral("\"NaN\""));
            customBody(tradeSoftAnswer({object(row)}));
            // The stock is no number: said so, the rest holds.
            unaffected({}, changed);
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(QStringLiteral(",\"createdAt\":1e999")));
            own(invalidText(target));
            break;
        }
    } else if (fault == u"invalidUtf8") {
        behaviour.fault = Fault::invalidUtf8;
        switch (target) {
        case Target::autoEuro:
            // Every Cyrillic name damaged, so "Челябинск" with them; in the offers only, the
            // names are shown as the reader repaired them.
            // The guard can no longer tell a wrong kind of part by its name and keeps it.
            // The check sees the delivery text changed.
            behaviour.faultMatch = QStringLiteral("search_items/");
            unaffected(std::nullopt, changed);
            break;
        case Target::autopiter:
            own(QStringLiteral("Некорректный SOAP-ответ Autopiter: FindCatalog."));
            break;
        case Target::portal:
            unaffected(std::nullopt, QStringLiteral("Изменилось"));
            break;
        case Target::tradeSoft:
            unaffected({}, changed);
            break;
        case Target::feedback:
            customBody(QByteArray("{\"id\":\"FB-\xFF\xFE\",\"status\":\"received\"}"));
            own(invalidText(target));
            break;
        }
    } else if (fault == u"huge") {
        behaviour.fault = Fault::huge;
        own(target == Target::autopiter
                ? QStringLiteral("Некорректный SOAP-ответ Autopiter: Ответ сервера слишком велик.")
                : invalidText(target));
    } else if (fault == u"hugeStream") {
        behaviour.fault = Fault::hugeStream;
        own(invalidText(target));
    } else if (fault == u"deepNesting") {
        if (target == Target::autopiter) {
            QString deep;
            for (int i = 0; i < 100000; ++i)
                deep += QStringLiteral("<a>");
            for (int i = 0; i < 100000; ++i)
                deep += QStringLiteral("</a>");
            customBody(soapAnswer(QStringLiteral("FindCatalog"), deep), QStringLiteral("FindCatalog"));
            unaffected(QStringList(), notFound);
        } else {
            customBody(nested(100000));
            own(invalidText(target));
        }
    } else if (fault == u"redirectLoop") {
        behaviour.fault = Fault::redirectLoop;
        network(QStringLiteral("Сервер слишком много раз перенаправил запрос."));
    } else if (fault == u"redirectForeign") {
        behaviour.fault = Fault::redirectForeign;
        behaviour.redirectTarget = foreign.url();
        s.foreign = true;
        own(target == Target::autopiter
                ? QStringLiteral("Некорректный SOAP-ответ Autopiter: Сервер перенаправил запрос на другой адрес.")
                : invalidText(target));
    } else if (fault == u"trickle") {
        behaviour.fault = Fault::trickle;
        s.timeout = timeout;
        behaviour.trickleMs = static_cast<int>(timeout.count() / 3);
        network(QStringLiteral("Сервер не ответил вовремя."));
    } else if (fault == u"queue") {
        behaviour.latencyMs = kSlowAnswerMs;
        s.timeout = kQueueTimeout;
        s.concurrent = true;
        unaffected();
        if (target == Target::autoEuro)
            behaviour.latencyMatch = QStringLiteral("search_items/");
        if (target == Target::autopiter)
            behaviour.latencyMatch = QStringLiteral("GetPriceId");
        if (target == Target::portal)
            behaviour.latencyMatch = QStringLiteral("client/search/");
        if (target == Target::autoEuro) {
            QStringList brands;
            for (int i = 0; i < kFanOut; ++i)
                brands.append(object({{QStringLiteral("brand"), jsonText(b.autoEuro.brand)},
                                      {QStringLiteral("code"), jsonText(b.autoEuro.article)}}));
            customBody(autoEuroAnswer(brands), QStringLiteral("search_brands/"));
        } else if (target == Target::autopiter) {
            QString rows;
            for (int i = 0; i < kFanOut; ++i)
                rows += QStringLiteral("<SearchCatalogModel><ArticleId>%1</ArticleId><Number>%2</Number>"
                                       "</SearchCatalogModel>")
                            .arg(b.autopiterArticleID)
                            .arg(kArticle);
            customBody(soapAnswer(QStringLiteral("FindCatalog"), rows), QStringLiteral("FindCatalog"));
        }
    } else if (fault == u"tinyValues") {
        s.memory = true;
        switch (target) {
        case Target::autoEuro:
            customBody(tinyValues("{\"DATA\":", "}", kTinyValuesSize), QStringLiteral("search_brands/"));
            own(QStringLiteral("Ошибка AutoEuro: JSON typeMismatch Dictionary, path: DATA.Index 0, Expected to "
                               "decode Dictionary but found another value instead."));
            s.checkFailure = QString();
            break;
        case Target::autopiter: {
            QString rows;
            const QString row = QStringLiteral("<PriceSearchModel><DetailUid>%1</DetailUid><SalePrice>1</SalePrice>"
                                               "<Number>OC 90</Number><Name>x</Name></PriceSearchModel>");
            for (int i = 0; rows.size() < kTinyValuesSize - 1024; ++i)
                rows += row.arg(i);
            customBody(autopiterPrices({rows}), QStringLiteral("GetPriceId"));
            own(QStringLiteral("Некорректный SOAP-ответ Autopiter: больше 50000 строк."));
            break;
        }
        case Target::portal:
            customBody(tinyValues("{\"data\":{\"rows\":{\"a\":", "}}}", kTinyValuesSize));
            unaffected(QStringList(), notFound);
            break;
        case Target::tradeSoft:
            customBody(tinyValues("{\"container\":[{\"data\":", "}]}", kTinyValuesSize));
            unaffected({}, gone);
            break;
        case Target::feedback:
            customBody(tinyValues("{\"id\":\"FB-1\",\"status\":\"received\",\"padding\":", "}", kTinyValuesSize));
            unaffected();
            break;
        }
    } else if (fault == u"fanOutFailing") {
        behaviour.fault = Fault::status;
        behaviour.status = 500;
        s.twoLines = true;
        if (target == Target::autoEuro)
            behaviour.faultMatch = QStringLiteral("search_items/");
        if (target == Target::autopiter)
            behaviour.faultMatch = QStringLiteral("GetPriceId");
        own(statusText(target, 500, true));
    } else if (fault == u"malformedRecord") {
        switch (target) {
        case Target::autoEuro:
            customBody(
                autoEuroAnswer({object(autoEuroOffer(b, QStringLiteral("G1"))),
                                object(with(autoEuroOffer(b, QStringLiteral("B")), QStringLiteral("price"), kWrong)),
                                object(autoEuroOffer(b, QStringLiteral("G2")))}),
                QStringLiteral("search_items/"));
            unaffected(QStringList{QStringLiteral("G1"), QStringLiteral("G2")}, notFound);
            break;
        case Target::autopiter:
            customBody(
                autopiterPrices(
                    {autopiterPriceRow(b, QStringLiteral("G1")),
                     autopiterPriceRow(b, QStringLiteral("B1"), {{QStringLiteral("DetailUid"), QString()}}),
                     autopiterPriceRow(b, QStringLiteral("B2"), {{QStringLiteral("SalePrice"), QStringLiteral(" ")}}),
                     autopiterPriceRow(b, QStringLiteral("G2"))}),
                QStringLiteral("GetPriceId"));
            unaffected(QStringList{QStringLiteral("G1"), QStringLiteral("G2")}, notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({object(portalRow(b, QStringLiteral("G1"))),
                                     object(with(portalRow(b, QStringLiteral("B")), QStringLiteral("price"), kWrong)),
                                     object(portalRow(b, QStringLiteral("G2")))}));
            unaffected(QStringList{QStringLiteral("portal-selection:G1"), QStringLiteral("portal-selection:G2")},
                       notFound);
            break;
        case Target::tradeSoft: {
            Members bad = tradeSoftRow(b.tradeSoft);
            bad = with(bad, QStringLiteral("price"), kWrong);
            bad = with(bad, QStringLiteral("itemHash"), QStringLiteral("\"other\""));
            customBody(tradeSoftAnswer({object(bad), object(tradeSoftRow(b.tradeSoft))}));
            unaffected();
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(QStringLiteral(",\"extra\":{\"x\":[1,{}]},\"note\":null")));
            unaffected();
            break;
        }
    } else if (fault == u"controlCharacters") {
        s.terminal = true;
        const QString escape = QStringLiteral("\\u001b[2J\\u001b[1;1HAutoEuro: OK, найдено предложений: 99\\u0007");
        switch (target) {
        case Target::autoEuro:
            customBody(autoEuroAnswer({object(with(autoEuroOffer(b, QStringLiteral("C")), QStringLiteral("name"),
                                                   u'"' + b.autoEuro.name + escape + u'"'))}),
                       QStringLiteral("search_items/"));
            unaffected(QStringList{QStringLiteral("C")}, notFound);
            break;
        case Target::autopiter:
            // XML 1.0 refuses C0 characters even as references; C1 ones it lets through.
            customBody(autopiterPrices({autopiterPriceRow(
                           b, QStringLiteral("C"),
                           {{QStringLiteral("Name"), b.autopiter.name + QStringLiteral("&#x9B;2J\u009b0m")}})}),
                       QStringLiteral("GetPriceId"));
            unaffected(QStringList{QStringLiteral("C")}, notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({object(with(portalRow(b, QStringLiteral("C")), QStringLiteral("name"),
                                                 u'"' + b.portal.name + escape + u'"'))}));
            unaffected(QStringList{QStringLiteral("portal-selection:C")}, notFound);
            break;
        case Target::tradeSoft:
            customBody(tradeSoftAnswer({object(with(tradeSoftRow(b.tradeSoft), QStringLiteral("direction"),
                                                    QStringLiteral("\"Склад") + escape + u'"'))}));
            unaffected({}, changed);
            break;
        case Target::feedback:
            behaviour.fault = Fault::body;
            behaviour.status = 500;
            behaviour.body = (QStringLiteral("{\"error\":\"") + escape + QStringLiteral("\"}")).toUtf8();
            own(QStringLiteral("Ошибка сервера 500: \u001b[2J\u001b[1;1HAutoEuro: OK, найдено предложений: 99\u0007"));
            break;
        }
    } else {
        qFatal("unknown fault %s", qPrintable(fault));
    }
    return s;
}

void FaultMatrixTest::supplierFault_costsThatSupplierAloneWithItsOwnText_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("target");
    for (const auto& [fault, title] : kFaults) {
        Q_UNUSED(title);
        for (const Target target : kTargets)
            QTest::addRow("%s/%s", fault, qPrintable(columnName(target)))
                << QString::fromLatin1(fault) << static_cast<int>(target);
    }
}

void FaultMatrixTest::supplierFault_costsThatSupplierAloneWithItsOwnText() {
    QFETCH(QString, fault);
    QFETCH(int, target);
    m_fault = fault;
    m_target = static_cast<Target>(target);
    const Target faulty = m_target;

    ForeignOrigin foreign;
    const Scenario s = scenario(fault, faulty, foreign);
    Rig rig(info(faulty).service, s.behaviour, s.refused, s.timeout);
    rig.services->autoligaPortalContext().remember({m_baseline.portal}, kArticle, m_baseline.portalBrand);
    // The second portal line came from another question.
    rig.services->autoligaPortalContext().remember({m_baseline.portalSecond}, kArticle, QString());

    const qint64 residentBefore = processStatusKiB("VmRSS");
    if (s.memory)
        resetPeakMemory();

    if (s.concurrent && !info(faulty).searches) {
        runConcurrent(faulty, rig);
    } else if (faulty == Target::feedback) {
        runSubmission(s, rig);
    } else {
        if (info(faulty).searches) {
            runSearch(faulty, s, rig);
            if (QTest::currentTestFailed())
                return;
        }
        runCheck(faulty, s, rig);
        if (QTest::currentTestFailed())
            return;
        runOtherCheck(faulty, rig);
    }
    if (QTest::currentTestFailed())
        return;

    if (s.memory) {
        // Everything the process held at its peak beyond what it held before: the answer in the
        // sandbox and in the client, and what was made of it.
        const qint64 grownKiB = processStatusKiB("VmHWM") - residentBefore;
        m_notes.append(QStringLiteral("%1 %2: peak %3 MiB over %4 MiB before, for an answer of %5 MiB")
                           .arg(fault, columnName(faulty))
                           .arg(grownKiB / 1024)
                           .arg(residentBefore / 1024)
                           .arg(kTinyValuesSize / (1024 * 1024)));
        // AddressSanitizer keeps freed memory in quarantine: its figures are not the program's.
        if (!kUnderAddressSanitizer)
            QVERIFY2(grownKiB * 1024 < 20 * kTinyValuesSize, qPrintable(m_notes.last()));
    }
    if (s.foreign) {
        const auto seen = foreign.seen();
        QVERIFY2(seen.empty(), seen.empty() ? "" : seen.front().c_str());
    }
}

void FaultMatrixTest::runSearch(Target faulty, const Scenario& s, Rig& rig) {
    const SearchOutcome outcome = search(*rig.services, kArticle);
    QVERIFY2(outcome.finished, "the search did not end");
    QStringList own;
    QStringList others;
    const QString prefix = searchName(faulty) + QStringLiteral(": ");
    for (const QString& failure : outcome.failures)
        (failure.startsWith(prefix) ? own : others).append(failure);
    QVERIFY2(others.isEmpty(), qPrintable(others.join(u'\n')));
    const QStringList keys = sortedKeys(outcome.offers, supplierIDOf(faulty));
    if (!s.searchFailure.isNull()) {
        QVERIFY2(own.size() == 1 && matches(own.first(), s.searchFailure),
                 qPrintable(own.join(u'\n') + QStringLiteral("\nexpected: ") + s.searchFailure));
        QVERIFY2(keys.isEmpty(), qPrintable(keys.join(u' ')));
        // Its error is in the line the user reads.
        QVERIFY2(outcome.status.contains(own.first()), qPrintable(outcome.status));
    } else {
        QVERIFY2(own.isEmpty(), qPrintable(own.join(u'\n')));
        if (s.offerKeys)
            QCOMPARE(keys, *s.offerKeys);
        else
            QVERIFY2(!keys.isEmpty(), "no offers of the supplier");
    }
    for (const Target other : {Target::autoEuro, Target::autopiter, Target::portal}) {
        if (other != faulty)
            QCOMPARE(sortedKeys(outcome.offers, supplierIDOf(other)), m_baseline.offerKeys[other]);
    }
    if (s.concurrent && faulty != Target::portal) {
        // Every request of the fan-out was sent, and every one was answered.
        const QString operation =
            faulty == Target::autoEuro ? QStringLiteral("search_items/") : QStringLiteral("GetPriceId");
        int sent = 0;
        for (const SandboxRequest& request : rig.sandbox.requests()) {
            if (request.target.contains(operation) ||
                request.headers.value(QStringLiteral("soapaction")).endsWith(operation))
                ++sent;
        }
        QCOMPARE(sent, kFanOut);
        QVERIFY2(!outcome.status.contains(QStringLiteral("часть ответов")), qPrintable(outcome.status));
    }
    if (s.terminal) {
        const QDateTime now = QDateTime::currentDateTime();
        OfferReport::SearchOutcome report{
            kArticle,
            outcome.status,
            outcome.error,
            outcome.duration,
            makeOffersSnapshot(outcome.offers, storedOfferTableSettings(rig.services->userDefaults()), now),
            0};
        const QString text = TextUtils::forTerminal(OfferReport::searchText(report, now));
        QVERIFY2(isTerminalSafe(text), qPrintable(text));
        QVERIFY2(text.contains(QChar(QChar::ReplacementCharacter)), qPrintable(text));
    }
}

void FaultMatrixTest::runCheck(Target faulty, const Scenario& s, Rig& rig) {
    // The portal search asks one request at a time: many searches at once make its queue.
    if (s.concurrent && faulty == Target::portal) {
        runConcurrent(faulty, rig);
        return;
    }
    const SupplierCartGroup group = cartGroup(faulty, s.twoLines);
    const CheckOutcome outcome = check(*rig.services, group);
    if (!s.checkFailure.isNull()) {
        QVERIFY2(matches(outcome.failure, s.checkFailure),
                 qPrintable(outcome.failure + QStringLiteral("\nexpected: ") + s.checkFailure));
        if (s.terminal)
            QVERIFY(isTerminalSafe(TextUtils::forTerminal(outcome.failure)));
        return;
    }
    QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
    const QString expected = s.verdict.isNull() ? m_baseline.verdicts[faulty] : s.verdict;
    for (const CartItem& item : group.items) {
        const PFCartFreshness verdict = outcome.verdicts.value(item.id);
        QVERIFY2(verdict.status == expected,
                 qPrintable(verdict.status + QStringLiteral(": ") + verdict.details.join(QStringLiteral(" | "))));
        // Of the checks, only TradeSoft's verdicts quote the supplier's words.
        if (s.terminal && faulty == Target::tradeSoft) {
            const QString text = TextUtils::forTerminal(verdict.details.join(u'\n'));
            QVERIFY2(isTerminalSafe(text) && text.contains(QChar(QChar::ReplacementCharacter)), qPrintable(text));
        }
    }
}

// A fault of one service leaves the cart checks of the others as they were.
void FaultMatrixTest::runOtherCheck(Target faulty, Rig& rig) {
    const Target other = faulty == Target::autoEuro ? Target::autopiter : Target::autoEuro;
    const SupplierCartGroup group = cartGroup(other, false);
    const CheckOutcome outcome = check(*rig.services, group);
    QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
    QCOMPARE(outcome.verdicts.value(group.items.first().id).status, m_baseline.verdicts[other]);
}

void FaultMatrixTest::runSubmission(const Scenario& s, Rig& rig) {
    FeedbackForm::Fields fields;
    fields.subject = QStringLiteral("Проверка");
    fields.message = QStringLiteral("Сообщение");
    const auto draft = FeedbackForm::makeDraft(fields, QStringLiteral("0.1.0"), QStringLiteral("Debian 12"));
    QVERIFY(std::holds_alternative<FeedbackDraft>(draft));
    QString failure;
    try {
        const FeedbackReceipt receipt =
            awaitTask(rig.services->feedbackTransport().submit(std::get<FeedbackDraft>(draft)));
        QVERIFY(!receipt.id.isEmpty());
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (s.submitFailure.isNull()) {
        QVERIFY2(failure.isNull(), qPrintable(failure));
        return;
    }
    QVERIFY2(matches(failure, s.submitFailure), qPrintable(failure + QStringLiteral("\nexpected: ") + s.submitFailure));
    if (s.terminal) {
        const QString text = TextUtils::forTerminal(failure);
        QVERIFY2(isTerminalSafe(text) && text.contains(QChar(QChar::ReplacementCharacter)), qPrintable(text));
    }
}

// More operations at once than one host takes at a time, each answered a little before the
// time-out: the ones that waited for their turn are not cut off.
void FaultMatrixTest::runConcurrent(Target faulty, Rig& rig) {
    AppServices& services = *rig.services;
    int succeeded = 0;
    QStringList failures;
    const auto note = [&](auto run) {
        try {
            run();
            ++succeeded;
        } catch (const UserFacingError& error) {
            failures.append(error.description());
        }
    };
    if (faulty == Target::feedback) {
        FeedbackForm::Fields fields;
        fields.subject = QStringLiteral("Проверка");
        fields.message = QStringLiteral("Сообщение");
        const auto draft = std::get<FeedbackDraft>(
            FeedbackForm::makeDraft(fields, QStringLiteral("0.1.0"), QStringLiteral("Debian 12")));
        std::vector<QCoro::Task<FeedbackReceipt>> tasks;
        for (int i = 0; i < kFanOut; ++i)
            tasks.push_back(services.feedbackTransport().submit(draft));
        for (auto& task : tasks)
            note([&] { awaitTask(std::move(task)); });
    } else if (faulty == Target::portal) {
        std::vector<std::unique_ptr<PortalOfferSearching>> portals;
        std::vector<QCoro::Task<QList<SupplierOffer>>> tasks;
        for (int i = 0; i < kFanOut; ++i) {
            portals.push_back(services.searchConnectors().makeAutoligaPortal());
            tasks.push_back(portals.back()->search(kArticle, m_baseline.portalBrand));
        }
        for (auto& task : tasks)
            note([&] { QVERIFY(!awaitTask(std::move(task)).isEmpty()); });
    } else {
        // The cart of one supplier checked again and again at once (TradeSoft shares one connection pool).
        PFCartFreshnessChecker checker = services.cartFreshnessChecker();
        const SupplierCartGroup group = cartGroup(faulty, false);
        std::vector<QCoro::Task<PFCartFreshnessMap>> tasks;
        for (int i = 0; i < kFanOut; ++i)
            tasks.push_back(checker.check(group));
        for (auto& task : tasks)
            note([&] {
                const PFCartFreshnessMap verdicts = awaitTask(std::move(task));
                QCOMPARE(verdicts.value(group.items.first().id).status, m_baseline.verdicts[faulty]);
            });
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    QCOMPARE(succeeded, kFanOut);
}

void FaultMatrixTest::cleanup() {
    if (!m_fault.isEmpty())
        m_results[m_fault][m_target] = !QTest::currentTestFailed();
    m_fault.clear();
}

void FaultMatrixTest::cleanupTestCase() {
    QString table = QStringLiteral("\nFault matrix (ok: the fault cost that service alone, with its own text)\n");
    table += QStringLiteral("%1").arg(QStringLiteral("fault"), -36);
    for (const Target target : kTargets)
        table += QStringLiteral("%1").arg(columnName(target), -11);
    table += u'\n';
    int cases = 0;
    int passed = 0;
    for (const auto& [fault, title] : kFaults) {
        table += QStringLiteral("%1").arg(QString::fromLatin1(title), -36);
        const auto results = m_results.value(QString::fromLatin1(fault));
        for (const Target target : kTargets) {
            QString cell = QStringLiteral("-");
            if (results.contains(target)) {
                ++cases;
                passed += results.value(target) ? 1 : 0;
                cell = results.value(target) ? QStringLiteral("ok") : QStringLiteral("FAILED");
            }
            table += QStringLiteral("%1").arg(cell, -11);
        }
        table += u'\n';
    }
    table += QStringLiteral("cases: %1, passed: %2\n").arg(cases).arg(passed);
    for (const QString& note : std::as_const(m_notes))
        table += note + u'\n';
    std::fputs(table.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(FaultMatrixTest)
#include "tst_FaultMatrix.moc"
