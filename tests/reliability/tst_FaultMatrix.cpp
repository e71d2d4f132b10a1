// Every outside service misbehaving in every way we know of, one at a time, while the others
// behave: each fault must cost that service's own offers (or its check, or the one submission)
// and nothing else, with the service's own Russian text. The table at the end shows which
// cases hold.

#include "app/AppServices.h"
#include "app/OfferReport.h"
#include "cart/CartItem.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "credentials/MemoryCredentialStore.h"
#include "feedback/FeedbackForm.h"
#include "feedback/FeedbackTransport.h"
#include "net/Http.h"
#include "net/LocalServer.h"
#include "offertable/OffersSnapshot.h"
#include "SandboxServer.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "support/AwaitTask.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;
using Service = ServiceEndpoints::Service;
using Fault = SandboxBehaviour::Fault;

namespace {

enum class Target { autoEuro, autopiter, tradeSoft, portal, feedback };
const QList<Target> kTargets = {Target::autoEuro, Target::autopiter, Target::tradeSoft, Target::portal,
                                Target::feedback};

const QString kArticle = u"OC 90"_s;
// The faulty service's time-out where a case waits for one: short, so that a hang ends soon.
constexpr std::chrono::milliseconds kTimeout{800};
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
const QString kWrong = u"{\"x\":[1]}"_s; // of no type any reader takes

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
    {"errorAnswer", "an error in a success answer"},
    {"outOfRange", "values out of range"},
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
    // How a cart check names the service in a transport failure.
    QString checkName;
};

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
        return u"TradeSoft вернул HTTP %1."_s.arg(status);
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

// "{*}" stands for any text; everything else must match exactly.
bool matches(const QString& text, const QString& pattern) {
    QStringList parts = pattern.split(u"{*}"_s);
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(u".*"_s)),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
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

// What a buyer can read in a status line: one line, of a sensible length, nothing a terminal obeys.
bool isOneReadableLine(const QString& text) {
    return text.size() <= 360 && !text.contains(u'\n') && isTerminalSafe(text);
}

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

// ---- the services under one entry point, and what they did ----

// The sandbox with every account in a memory store, and the services of one entry point over it,
// all three suppliers switched on; the faulty service's connector may wait less than its own.
class Rig {
public:
    Rig(Service faulty, const Scenario& s) {
        if (!sandbox.start())
            qFatal("sandbox did not start");
        sandbox.setBehaviour(faulty, s.behaviour);
        ServiceEndpoints endpoints = sandbox.endpoints();
        if (s.refused) {
            // The same address on a port where nothing listens.
            QUrl origin = sandbox.origin(faulty);
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            origin.setPort(probe.serverPort());
            probe.close();
            endpoints.setOrigin(faulty, origin);
        }
        AppServices::Options options;
        if (s.timeout)
            options.timeouts.insert(faulty, *s.timeout);
        services = sandboxServices(env, endpoints, true, options);
    }
    ~Rig() {
        // The clients' connections close first, so that the server's workers end at once.
        services.reset();
        sandbox.stop();
    }

    TestEnvironment env;
    SandboxServer sandbox;
    std::unique_ptr<AppServices> services;
};

struct SearchOutcome {
    bool finished = false;
    QStringList failures;
    QList<SupplierOffer> offers;
    QString status;
    QString error;
    QString duration;
};

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

struct CheckOutcome {
    // Null when the check answered.
    QString failure;
    PFCartFreshnessMap verdicts;
};

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

// Offer keys written as words: "G N-big".
QStringList keys(const QString& words, const QString& prefix = {}) {
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

// Kibibytes of a line of /proc/self/status ("VmHWM", "VmRSS").
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

// From now on VmHWM counts from the present resident size.
void resetPeakMemory() {
    QFile file(u"/proc/self/clear_refs"_s);
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

// Another origin that records whatever reaches it.
class ForeignOrigin {
public:
    QString url() const { return m_server.url(u"/collect"_s).toString(); }
    std::vector<std::string> seen() const {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_seen;
    LocalServer m_server{[this](httplib::Server& server) {
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(request.method + ' ' + request.target);
            response.set_content("{}", "application/json");
            return httplib::Server::HandlerResponse::Handled;
        });
    }};
};

// ---- answers written by hand, as text, so that they can say what no JSON library would (1e999) ----

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
QString autopiterPriceRow(const Baseline& b, const QString& uid,
                          const QList<std::pair<QString, QString>>& changes = {}) {
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

QByteArray feedbackReceipt(const QString& extra = {}) {
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
    const auto group = [&](const QString& id, const QString& name, const SupplierOffer& first,
                           const SupplierOffer* second) {
        SupplierCartGroup g{id, name, {CartItem::supplierOffer(first, now)}};
        if (twoLines && second)
            g.items.append(CartItem::supplierOffer(*second, now));
        return g;
    };
    const Baseline& b = m_baseline;
    switch (target) {
    case Target::autoEuro:
        return group(u"autoeuro"_s, u"AutoEuro"_s, b.autoEuro, &b.autoEuroSecond);
    case Target::autopiter:
        return group(u"autopiter"_s, u"Autopiter"_s, b.autopiter, nullptr);
    case Target::portal:
        return group(u"autoliga"_s, u"Автолига"_s, b.portal, &b.portalSecond);
    case Target::tradeSoft:
        return group(u"autoliga"_s, u"Автолига"_s, b.tradeSoft, &b.tradeSoftSecond);
    case Target::feedback:
        break;
    }
    return {};
}

void FaultMatrixTest::initTestCase() {
    // A healthy round: the offers the cart lines are made of, and what every check says of them.
    Rig rig(Service::feedback, {});
    const SearchOutcome healthy = search(*rig.services);
    QVERIFY2(healthy.finished && healthy.failures.isEmpty(), qPrintable(healthy.failures.join(u'\n')));
    for (const Target target : {Target::autoEuro, Target::autopiter, Target::portal}) {
        m_baseline.offerKeys[target] = sortedKeys(healthy.offers, info(target).supplierID);
        QVERIFY2(!m_baseline.offerKeys[target].isEmpty(), qPrintable(info(target).column));
    }
    const QString prefix = u"portal-selection:"_s;
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
        s.searchFailure = info(target).searchName + u": "_s + text;
        // The check's text names whom it could not reach.
        s.checkFailure = info(target).checkName + u": "_s + text;
        s.submitFailure = u"Не удалось отправить обращение: "_s + text;
    };
    // A failure in the connector's own words.
    const auto own = [&](const QString& text) {
        s.searchFailure = info(target).searchName + u": "_s + text;
        s.checkFailure = text;
        s.submitFailure = text;
    };
    const auto customBody = [&](const QByteArray& body, const QString& match = {}) {
        behaviour.fault = Fault::body;
        behaviour.status = target == Target::feedback ? 201 : 200;
        behaviour.body = body;
        behaviour.faultMatch = match;
    };
    // The search fails; the check cannot confirm the line but says nothing of it being gone.
    const auto unconfirmedAnswer = [&](const QString& text) {
        s.searchFailure = info(target).searchName + u": "_s + text;
        s.verdict = u"Не удалось подтвердить"_s;
    };
    // Healthy but for what the fault took out.
    const auto unaffected = [&](std::optional<QStringList> offerKeys = std::nullopt, QString verdict = {}) {
        s.offerKeys = std::move(offerKeys);
        s.verdict = std::move(verdict);
    };
    const QString notFound = u"Не удалось подтвердить"_s;
    const QString gone = u"Предложение недоступно"_s;
    const QString changed = u"Условия изменились"_s;
    const QString portalKey = u"portal-selection:"_s;
    const QString big = u"1180591620717411303424"_s; // 2^70
    const QString timedOut = u"Сервер не ответил вовремя."_s;
    // Content faults hit the catalogue of Autopiter: its login answers are read elsewhere.
    const QString contentMatch = target == Target::autopiter ? u"FindCatalog"_s : QString();
    // Where each supplier's answer with offers is asked for.
    const QString offersMatch = target == Target::autoEuro    ? u"search_items/"_s
                                : target == Target::autopiter ? u"GetPriceId"_s
                                                              : QString();

    if (fault == u"refused") {
        s.refused = true;
        network(u"Сервер 127.0.0.1 отказал в соединении. Проверьте адрес сервиса в настройках поставщика."_s);
    } else if (fault == u"hang" || fault == u"shortBody") {
        behaviour.fault = fault == u"hang" ? Fault::hang : Fault::shortBody;
        s.timeout = kTimeout;
        network(timedOut);
    } else if (fault == u"closeMidBody") {
        behaviour.fault = Fault::closeMidBody;
        network(u"Сервер закрыл соединение раньше, чем передал ответ."_s);
    } else if (fault.startsWith(u"status")) {
        const bool withBody = !fault.endsWith(u"Empty");
        behaviour.fault = withBody ? Fault::status : Fault::emptyStatus;
        behaviour.status = fault.startsWith(u"status4") ? 404 : withBody ? 500 : 503;
        own(statusText(target, behaviour.status, withBody));
    } else if (fault == u"html" || fault == u"truncated") {
        const bool html = fault == u"html";
        behaviour.fault = html ? Fault::html : Fault::truncated;
        behaviour.faultMatch = contentMatch;
        // AutoEuro keeps its decoding texts; the others say in Russian what was wrong.
        const QString json = u"JSON dataCorrupted, path: , The given data was not valid JSON. "_s +
                             (html ? u"Invalid value around character 0."_s : u"{*}"_s);
        const QString page = u" вернул веб-страницу вместо ответа (HTTP 200)."_s;
        if (target == Target::autoEuro)
            own(u"Ошибка AutoEuro: "_s + json);
        else if (target == Target::autopiter)
            own(html ? u"Autopiter"_s + page : u"Некорректный SOAP-ответ Autopiter: ответ оборван."_s);
        else if (target == Target::tradeSoft)
            own(html ? u"TradeSoft"_s + page : u"TradeSoft: ответ оборван."_s);
        else if (target == Target::portal)
            own(html ? u"Портал Автолиги"_s + page : u"Портал Автолиги: ответ оборван."_s);
        else
            own(info(target).invalidText);
    } else if (fault == u"wrongTypes") {
        switch (target) {
        case Target::autoEuro: {
            // One record per field, each with that field of a wrong type: none is left.
            QStringList records;
            for (const QString& name : memberNames(autoEuroOffer(b, {})))
                records.append(with(autoEuroOffer(b, u"W-"_s + name), name, kWrong));
            customBody(autoEuroAnswer(records), offersMatch);
            own(u"Ошибка AutoEuro: JSON typeMismatch String, path: DATA.Index 0.offer_key, Expected to decode "
                u"String but found another value instead."_s);
            break;
        }
        case Target::autopiter: {
            // XML has no types: words where numbers belong. Without a price the row is gone; the
            // other fields are left out of their rows.
            QStringList rows;
            for (const QString& name : u"SalePrice SellerId NumberOfAvailable MinNumberOfSales NumberOfDaysSupply "
                                       u"DeliveryDate SuccessfulOrdersProcent"_s.split(u' '))
                rows.append(autopiterPriceRow(b, u"W-"_s + name, {{name, u"дёшево"_s}}));
            customBody(autopiterPrices(rows), offersMatch);
            unaffected(keys(u"W-SellerId W-NumberOfAvailable W-MinNumberOfSales W-NumberOfDaysSupply "
                            u"W-DeliveryDate W-SuccessfulOrdersProcent"_s),
                       notFound);
            break;
        }
        case Target::portal: {
            QStringList rows;
            for (const QString& name : memberNames(portalRow(b, {})))
                rows.append(with(portalRow(b, u"W-"_s + name), name, kWrong));
            customBody(portalAnswer(rows));
            // A row whose own id is of no use is known by its place.
            unaffected(keys(u"originals:0 W-description W-amountNum W-minimumQuantity W-cssRule"_s, portalKey),
                       notFound);
            break;
        }
        case Target::tradeSoft: {
            QStringList members;
            for (const QString& name : memberNames(tradeSoftRow(b.tradeSoft)))
                members.append(jsonText(name) + u':' + kWrong);
            customBody(tradeSoftAnswer({u'{' + members.join(u',') + u'}'}));
            // The only row has no price: nothing can be confirmed, nor is the offer shown gone.
            unaffected(QStringList(), notFound);
            break;
        }
        case Target::feedback:
            customBody(u"{\"id\":%1,\"status\":%1,\"createdAt\":%1}"_s.arg(kWrong).toUtf8());
            own(info(target).invalidText);
            break;
        }
    } else if (fault == u"oddNumbers") {
        switch (target) {
        case Target::autoEuro: {
            const auto record = [&](const QString& key, const QString& name, const QString& raw) {
                return with(autoEuroOffer(b, key), name, raw);
            };
            customBody(autoEuroAnswer({record(u"N-inf"_s, u"price"_s, u"1e999"_s),
                                       record(u"N-nan"_s, u"price"_s, u"\"NaN\""_s),
                                       record(u"N-big"_s, u"price"_s, big), record(u"N-amount"_s, u"amount"_s, big),
                                       record(u"N-amount-inf"_s, u"amount"_s, u"1e999"_s),
                                       record(u"N-rejects"_s, u"rejects"_s, u"\"NaN\""_s),
                                       record(u"N-packing"_s, u"packing"_s, big), autoEuroOffer(b, u"G"_s)}),
                       offersMatch);
            // 2^70 roubles is no price either.
            unaffected(keys(u"G"_s), notFound);
            break;
        }
        case Target::autopiter:
            customBody(
                autopiterPrices({autopiterPriceRow(b, u"N-inf"_s, {{u"SalePrice"_s, u"1e999"_s}}),
                                 autopiterPriceRow(b, u"N-nan"_s, {{u"SalePrice"_s, u"NaN"_s}}),
                                 autopiterPriceRow(b, u"N-big"_s, {{u"SalePrice"_s, big}}),
                                 autopiterPriceRow(b, u"N-available"_s, {{u"NumberOfAvailable"_s, big}}),
                                 autopiterPriceRow(b, u"N-days"_s, {{u"NumberOfDaysSupply"_s, u"1e999"_s}}),
                                 autopiterPriceRow(b, u"N-percent"_s, {{u"SuccessfulOrdersProcent"_s, u"NaN"_s}}),
                                 autopiterPriceRow(b, u"G"_s)}),
                offersMatch);
            unaffected(keys(u"G N-available N-days N-percent"_s), notFound);
            break;
        case Target::portal: {
            const auto row = [&](const QString& id, const QString& name, const QString& raw) {
                return with(portalRow(b, id), name, raw);
            };
            customBody(
                portalAnswer({row(u"N-inf"_s, u"price"_s, u"\"1e999\""_s), row(u"N-nan"_s, u"price"_s, u"\"NaN\""_s),
                              row(u"N-big"_s, u"price"_s, big), row(u"N-term"_s, u"term"_s, jsonText(big)),
                              row(u"N-amount"_s, u"amountNum"_s, u"\"1e999\""_s), portalRow(b, u"G"_s)}));
            unaffected(keys(u"G N-amount"_s, portalKey), notFound);
            break;
        }
        case Target::tradeSoft: {
            QString row = with(tradeSoftRow(b.tradeSoft), u"rest"_s, u"1e999"_s);
            row = with(with(row, u"deliverydays_max"_s, big), u"minquantity"_s, u"\"NaN\""_s);
            customBody(tradeSoftAnswer({row}));
            // The stock is no number: said so, the rest holds.
            unaffected(QStringList(), changed);
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(u",\"createdAt\":1e999"_s));
            own(info(target).invalidText);
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
            behaviour.faultMatch = offersMatch;
            unaffected(std::nullopt, changed);
            break;
        case Target::autopiter:
            own(u"Некорректный SOAP-ответ Autopiter: FindCatalog."_s);
            break;
        case Target::portal:
            unaffected(std::nullopt, u"Изменилось"_s);
            break;
        case Target::tradeSoft:
            unaffected(QStringList(), changed);
            break;
        case Target::feedback:
            customBody(QByteArray("{\"id\":\"FB-\xFF\xFE\",\"status\":\"received\"}"));
            own(info(target).invalidText);
            break;
        }
    } else if (fault == u"huge" || fault == u"hugeStream") {
        behaviour.fault = fault == u"huge" ? Fault::huge : Fault::hugeStream;
        own(target == Target::autopiter && fault == u"huge"
                ? u"Некорректный SOAP-ответ Autopiter: Ответ сервера слишком велик."_s
                : info(target).invalidText);
    } else if (fault == u"deepNesting") {
        if (target == Target::autopiter) {
            customBody(soapAnswer(u"FindCatalog"_s, u"<a>"_s.repeated(100000) + u"</a>"_s.repeated(100000)),
                       contentMatch);
            unconfirmedAnswer(
                u"Некорректный SOAP-ответ Autopiter: в FindCatalogResult нет строк SearchCatalogModel."_s);
        } else {
            customBody(QByteArray(100000, '[') + QByteArray(100000, ']'));
            own(info(target).invalidText);
        }
    } else if (fault == u"redirectLoop") {
        behaviour.fault = Fault::redirectLoop;
        network(u"Сервер слишком много раз перенаправил запрос."_s);
    } else if (fault == u"redirectForeign") {
        behaviour.fault = Fault::redirectForeign;
        behaviour.redirectTarget = foreign.url();
        s.foreign = true;
        own(target == Target::autopiter
                ? u"Некорректный SOAP-ответ Autopiter: Сервер перенаправил запрос на другой адрес."_s
                : info(target).invalidText);
    } else if (fault == u"trickle") {
        behaviour.fault = Fault::trickle;
        s.timeout = kTimeout;
        behaviour.trickleMs = static_cast<int>(kTimeout.count() / 3);
        network(timedOut);
    } else if (fault == u"queue") {
        behaviour.latencyMs = kSlowAnswerMs;
        behaviour.latencyMatch = target == Target::portal ? u"client/search/"_s : offersMatch;
        s.timeout = kQueueTimeout;
        s.concurrent = true;
        if (target == Target::autoEuro) {
            const QString brand =
                u"{\"brand\":%1,\"code\":%2}"_s.arg(jsonText(b.autoEuro.brand), jsonText(b.autoEuro.article));
            customBody(autoEuroAnswer(QStringList(kFanOut, brand)), u"search_brands/"_s);
        } else if (target == Target::autopiter) {
            const QString row =
                u"<SearchCatalogModel><ArticleId>%1</ArticleId><Number>%2</Number></SearchCatalogModel>"_s
                    .arg(b.autopiterArticleID)
                    .arg(kArticle);
            customBody(soapAnswer(u"FindCatalog"_s, row.repeated(kFanOut)), contentMatch);
        }
    } else if (fault == u"tinyValues") {
        s.memory = true;
        switch (target) {
        case Target::autoEuro:
            customBody(tinyValues("{\"DATA\":", "}", kTinyValuesSize), u"search_brands/"_s);
            own(u"Ошибка AutoEuro: JSON typeMismatch Dictionary, path: DATA.Index 0, Expected to decode Dictionary "
                u"but found another value instead."_s);
            s.checkFailure = QString();
            break;
        case Target::autopiter: {
            QString rows;
            const QString row = u"<PriceSearchModel><DetailUid>%1</DetailUid><SalePrice>1</SalePrice>"
                                u"<Number>OC 90</Number><Name>x</Name></PriceSearchModel>"_s;
            for (int i = 0; rows.size() < kTinyValuesSize - 1024; ++i)
                rows += row.arg(i);
            customBody(autopiterPrices({rows}), offersMatch);
            own(u"Некорректный SOAP-ответ Autopiter: ответ слишком велик: больше 20{*}000 строк."_s);
            break;
        }
        case Target::portal:
            customBody(tinyValues("{\"data\":{\"rows\":{\"a\":", "}}}", kTinyValuesSize));
            unaffected(QStringList(), notFound);
            break;
        case Target::tradeSoft:
            customBody(tinyValues("{\"container\":[{\"data\":", "}]}", kTinyValuesSize));
            unaffected(QStringList(), gone);
            break;
        case Target::feedback:
            customBody(tinyValues("{\"id\":\"FB-1\",\"status\":\"received\",\"padding\":", "}", kTinyValuesSize));
            break;
        }
    } else if (fault == u"fanOutFailing") {
        behaviour.fault = Fault::status;
        behaviour.status = 500;
        behaviour.faultMatch = offersMatch;
        s.twoLines = true;
        own(statusText(target, 500, true));
    } else if (fault == u"malformedRecord") {
        switch (target) {
        case Target::autoEuro:
            customBody(autoEuroAnswer({autoEuroOffer(b, u"G1"_s), with(autoEuroOffer(b, u"B"_s), u"price"_s, kWrong),
                                       autoEuroOffer(b, u"G2"_s)}),
                       offersMatch);
            unaffected(keys(u"G1 G2"_s), notFound);
            break;
        case Target::autopiter:
            customBody(autopiterPrices(
                           {autopiterPriceRow(b, u"G1"_s), autopiterPriceRow(b, u"B1"_s, {{u"DetailUid"_s, QString()}}),
                            autopiterPriceRow(b, u"B2"_s, {{u"SalePrice"_s, u" "_s}}), autopiterPriceRow(b, u"G2"_s)}),
                       offersMatch);
            unaffected(keys(u"G1 G2"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer(
                {portalRow(b, u"G1"_s), with(portalRow(b, u"B"_s), u"price"_s, kWrong), portalRow(b, u"G2"_s)}));
            unaffected(keys(u"G1 G2"_s, portalKey), notFound);
            break;
        case Target::tradeSoft: {
            const QString bad =
                with(with(tradeSoftRow(b.tradeSoft), u"price"_s, kWrong), u"itemHash"_s, u"\"other\""_s);
            customBody(tradeSoftAnswer({bad, tradeSoftRow(b.tradeSoft)}));
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(u",\"extra\":{\"x\":[1,{}]},\"note\":null"_s));
            break;
        }
    } else if (fault == u"controlCharacters") {
        s.terminal = true;
        const QString escape = u"\\u001b[2J\\u001b[1;1HAutoEuro: OK, найдено предложений: 99\\u0007"_s;
        switch (target) {
        case Target::autoEuro:
            customBody(
                autoEuroAnswer({with(autoEuroOffer(b, u"C"_s), u"name"_s, u'"' + b.autoEuro.name + escape + u'"')}),
                offersMatch);
            unaffected(keys(u"C"_s), notFound);
            break;
        case Target::autopiter:
            // XML 1.0 refuses C0 characters even as references; C1 ones it lets through.
            customBody(autopiterPrices(
                           {autopiterPriceRow(b, u"C"_s, {{u"Name"_s, b.autopiter.name + u"&#x9B;2J\u009b0m"_s}})}),
                       offersMatch);
            unaffected(keys(u"C"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({with(portalRow(b, u"C"_s), u"name"_s, u'"' + b.portal.name + escape + u'"')}));
            unaffected(keys(u"C"_s, portalKey), notFound);
            break;
        case Target::tradeSoft:
            customBody(
                tradeSoftAnswer({with(tradeSoftRow(b.tradeSoft), u"direction"_s, u"\"Склад"_s + escape + u'"')}));
            unaffected(QStringList(), changed);
            break;
        case Target::feedback:
            customBody(u"{\"error\":\"%1\"}"_s.arg(escape).toUtf8());
            behaviour.status = 500;
            // The server's words on one line, without what a terminal would obey.
            own(u"Ошибка сервера 500: [2J [1;1HAutoEuro: OK, найдено предложений: 99"_s);
            break;
        }
    } else if (fault == u"errorAnswer") {
        // What the service says of itself in a success answer is its failure, on one line and of a
        // length a status line can show; never "nothing found".
        const QString lines = u"Сбой\\r\\nAutoEuro: OK, найдено предложений: 99 "_s + u"очень долго "_s.repeated(3000);
        const QString cut = u"Сбой AutoEuro: OK, найдено предложений: 99 очень долго {*}…"_s;
        switch (target) {
        case Target::autoEuro:
            customBody(u"{\"META\":{\"result\":\"%1\"}}"_s.arg(lines).toUtf8(), offersMatch);
            own(u"Ошибка AutoEuro: "_s + cut);
            break;
        case Target::autopiter:
            customBody(
                u"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><soap:Fault>"
                u"<faultcode>soap:Server</faultcode><faultstring>%1</faultstring></soap:Fault></soap:Body>"
                u"</soap:Envelope>"_s.arg(QString(lines).replace(u"\\r\\n"_s, u"\r\n"_s))
                    .toUtf8(),
                contentMatch);
            unconfirmedAnswer(u"Autopiter сообщил об ошибке: "_s + cut);
            break;
        case Target::tradeSoft:
            customBody(u"{\"error\":\"%1\"}"_s.arg(lines).toUtf8());
            own(cut);
            break;
        case Target::portal:
            customBody(u"{\"success\":false,\"message\":\"%1\"}"_s.arg(lines).toUtf8());
            own(info(target).invalidText);
            break;
        case Target::feedback:
            customBody(u"{\"error\":\"<html><body><h1>%1</h1></body></html>\"}"_s.arg(lines).toUtf8());
            behaviour.status = 503;
            own(u"Ошибка сервера 503: "_s + cut);
            break;
        }
    } else if (fault == u"outOfRange") {
        // A kopeck's fraction and a fortune of 301 digits are no prices: those offers go.
        const QString tiny = u"1e-30"_s;
        const QString fortune = u"1"_s + QString(300, u'0');
        switch (target) {
        case Target::autoEuro:
            customBody(autoEuroAnswer({with(autoEuroOffer(b, u"R-tiny"_s), u"price"_s, tiny),
                                       with(autoEuroOffer(b, u"R-fortune"_s), u"price"_s, fortune),
                                       with(autoEuroOffer(b, u"R-stock"_s), u"amount"_s, u"-5"_s),
                                       with(autoEuroOffer(b, u"R-days"_s), u"delivery_time"_s, u"\"-3 дн.\""_s),
                                       autoEuroOffer(b, u"G"_s)}),
                       offersMatch);
            unaffected(keys(u"G R-stock R-days"_s), notFound);
            break;
        case Target::autopiter:
            customBody(autopiterPrices({autopiterPriceRow(b, u"R-tiny"_s, {{u"SalePrice"_s, tiny}}),
                                        autopiterPriceRow(b, u"R-fortune"_s, {{u"SalePrice"_s, fortune}}),
                                        autopiterPriceRow(b, u"R-stock"_s, {{u"NumberOfAvailable"_s, u"-5"_s}}),
                                        autopiterPriceRow(b, u"G"_s)}),
                       offersMatch);
            unaffected(keys(u"G R-stock"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({with(portalRow(b, u"R-tiny"_s), u"price"_s, jsonText(tiny)),
                                     with(portalRow(b, u"R-fortune"_s), u"price"_s, jsonText(fortune)),
                                     with(portalRow(b, u"R-days"_s), u"term"_s, u"\"4611686018427387904\""_s),
                                     portalRow(b, u"G"_s)}));
            unaffected(keys(u"G R-days"_s, portalKey), notFound);
            break;
        case Target::tradeSoft:
            // The line itself, priced at nothing: neither confirmed nor gone.
            customBody(tradeSoftAnswer({with(tradeSoftRow(b.tradeSoft), u"price"_s, tiny)}));
            unaffected(QStringList(), notFound);
            break;
        case Target::feedback:
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
            QTest::addRow("%s/%s", fault, qPrintable(info(target).column))
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
    Rig rig(info(faulty).service, s);
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
        m_notes.append(
            u"%1 %2: peak %3 MiB over %4 MiB before, for an answer of %5 MiB"_s.arg(fault, info(faulty).column)
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
    const SearchOutcome outcome = search(*rig.services);
    QVERIFY2(outcome.finished, "the search did not end");
    QStringList own;
    QStringList others;
    for (const QString& failure : outcome.failures)
        (failure.startsWith(info(faulty).searchName + u": "_s) ? own : others).append(failure);
    QVERIFY2(others.isEmpty(), qPrintable(others.join(u'\n')));
    const QStringList keys = sortedKeys(outcome.offers, info(faulty).supplierID);
    if (!s.searchFailure.isNull()) {
        QVERIFY2(own.size() == 1 && matches(own.first(), s.searchFailure),
                 qPrintable(own.join(u'\n') + u"\nexpected: "_s + s.searchFailure));
        QVERIFY2(isOneReadableLine(own.first()), qPrintable(own.first()));
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
            QCOMPARE(sortedKeys(outcome.offers, info(other).supplierID), m_baseline.offerKeys[other]);
    }
    if (s.concurrent && faulty != Target::portal) {
        // Every request of the fan-out was sent, and every one was answered.
        const QString operation = s.behaviour.latencyMatch;
        int sent = 0;
        for (const SandboxRequest& request : rig.sandbox.requests()) {
            if (request.target.contains(operation) || request.headers.value(u"soapaction"_s).endsWith(operation))
                ++sent;
        }
        QCOMPARE(sent, kFanOut);
        QVERIFY2(!outcome.status.contains(u"часть ответов"_s), qPrintable(outcome.status));
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
        // The table itself holds nothing a terminal would obey, before the terminal filter.
        const QString text = OfferReport::searchText(report, now);
        QVERIFY2(isTerminalSafe(text) && text.contains(u"2J"_s), qPrintable(text));
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
                 qPrintable(outcome.failure + u"\nexpected: "_s + s.checkFailure));
        QVERIFY2(isOneReadableLine(outcome.failure), qPrintable(outcome.failure));
        return;
    }
    QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
    const QString expected = s.verdict.isNull() ? m_baseline.verdicts[faulty] : s.verdict;
    for (const CartItem& item : group.items) {
        const PFCartFreshness verdict = outcome.verdicts.value(item.id);
        QVERIFY2(verdict.status == expected, qPrintable(verdict.status + u": "_s + verdict.details.join(u" | "_s)));
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
    QString failure;
    try {
        const FeedbackReceipt receipt = awaitTask(rig.services->feedbackTransport().submit(feedbackDraft()));
        QVERIFY(!receipt.id.isEmpty());
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (s.submitFailure.isNull()) {
        QVERIFY2(failure.isNull(), qPrintable(failure));
        return;
    }
    QVERIFY2(matches(failure, s.submitFailure), qPrintable(failure + u"\nexpected: "_s + s.submitFailure));
    QVERIFY2(isOneReadableLine(failure), qPrintable(failure));
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
        const FeedbackDraft draft = feedbackDraft();
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
    QString table = u"\nFault matrix (ok: the fault cost that service alone, with its own text)\n"_s;
    table += u"%1"_s.arg(u"fault"_s, -36);
    for (const Target target : kTargets)
        table += u"%1"_s.arg(info(target).column, -11);
    table += u'\n';
    int cases = 0;
    int passed = 0;
    for (const auto& [fault, title] : kFaults) {
        table += u"%1"_s.arg(QString::fromLatin1(title), -36);
        const auto results = m_results.value(QString::fromLatin1(fault));
        for (const Target target : kTargets) {
            QString cell = u"-"_s;
            if (results.contains(target)) {
                ++cases;
                passed += results.value(target) ? 1 : 0;
                cell = results.value(target) ? u"ok"_s : u"FAILED"_s;
            }
            table += u"%1"_s.arg(cell, -11);
        }
        table += u'\n';
    }
    table += u"cases: %1, passed: %2\n"_s.arg(cases).arg(passed);
    for (const QString& note : std::as_const(m_notes))
        table += note + u'\n';
    std::fputs(table.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(FaultMatrixTest)
#include "tst_FaultMatrix.moc"
