#pragma once

// What the fault matrix's parts share: the services it misbehaves, the healthy round's offers, the
// answers it writes by hand and the cases it makes of them.

#include "app/AppServices.h"
#include "cart/CartFreshness.h"
#include "cart/CartItem.h"
#include "feedback/FeedbackModels.h"
#include "net/Http.h"
#include "net/LocalServer.h"
#include "SandboxServer.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"

#include <QHash>
#include <QStringList>
#include <QTcpServer>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;
using Service = ServiceEndpoints::Service;
using Fault = SandboxBehaviour::Fault;

// `abcp`: the demo's ABCP shop; `tradeSoftAccount`: its supplier inside TradeSoft (the service Autoliga's
// check uses, `tradeSoft`).
enum class Target { autoEuro, autopiter, tradeSoft, portal, feedback, abcp, tradeSoftAccount };
inline const QList<Target> kTargets = {Target::autoEuro, Target::autopiter, Target::tradeSoft,       Target::portal,
                                       Target::feedback, Target::abcp,      Target::tradeSoftAccount};
// The suppliers a search asks.
inline const QList<Target> kSearched = {Target::autoEuro, Target::autopiter, Target::portal, Target::abcp,
                                        Target::tradeSoftAccount};

inline const QString kArticle = u"OC 90"_s;
// The faulty service's time-out where a case waits for one: short, so that a hang ends soon.
inline constexpr std::chrono::milliseconds kTimeout{800};
// More requests than go to one host at a time.
inline constexpr int kFanOut = Http::maxRequestsPerHost + 2;
// The faulty service's time-out when it answers slowly, and how slowly: between half the
// time-out and the time-out, so that a request that had to wait for its turn is answered later
// than the time-out after it was queued.
inline constexpr std::chrono::milliseconds kQueueTimeout{2000};
inline constexpr int kSlowAnswerMs = 1300;
// Just under the body cap.
inline constexpr qsizetype kTinyValuesSize = Http::maxBodySize - 64 * 1024;
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
inline const QString kWrong = u"{\"x\":[1]}"_s; // of no type any reader takes

// The faults, in the order of the printed table.
inline const QList<std::pair<const char*, const char*>> kFaults = {
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
    // A supplier the buyer added: its check names it before any failure.
    bool account = false;
};

const TargetInfo& info(Target target);
QString statusText(Target target, int status, bool withBody);
// "{*}" stands for any text; everything else must match exactly.
bool matches(const QString& text, const QString& pattern);
// Clean of everything a terminal could take for a command.
bool isTerminalSafe(const QString& text);
// What a buyer can read in a status line: one line, of a sensible length, nothing a terminal obeys.
bool isOneReadableLine(const QString& text);

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
    SupplierOffer abcp;
    SupplierOffer abcpSecond;
    SupplierOffer tradeSoftAccount;
    SupplierOffer tradeSoftAccountSecond;
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
// all five suppliers switched on; the faulty service's connector may wait less than its own.
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
        addDemoSuppliers(*services);
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

SearchOutcome search(AppServices& services);

struct CheckOutcome {
    // Null when the check answered.
    QString failure;
    PFCartFreshnessMap verdicts;
};

CheckOutcome check(AppServices& services, const SupplierCartGroup& group);

QStringList sortedKeys(const QList<SupplierOffer>& offers, const QString& supplierID);

// Offer keys written as words: "G N-big".
QStringList keys(const QString& words, const QString& prefix = {});

FeedbackDraft feedbackDraft();

// Kibibytes of a line of /proc/self/status ("VmHWM", "VmRSS").
qint64 processStatusKiB(QByteArrayView field);

// From now on VmHWM counts from the present resident size.
void resetPeakMemory();

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

QString jsonText(const QString& text);
QStringList memberNames(const QString& object);
QString with(QString object, const QString& name, const QString& raw);
QByteArray autoEuroAnswer(const QStringList& records);
QString autoEuroOffer(const Baseline& b, const QString& key);
QByteArray soapAnswer(const QString& operation, const QString& result);
QString autopiterPriceRow(const Baseline& b, const QString& uid,
                          const QList<std::pair<QString, QString>>& changes = {});
QByteArray autopiterPrices(const QStringList& rows);
QByteArray portalAnswer(const QStringList& rows);
QString portalRow(const Baseline& b, const QString& id);
QByteArray tradeSoftAnswer(const QStringList& rows);
QString tradeSoftRow(const SupplierOffer& offer);
QByteArray feedbackReceipt(const QString& extra = {});
QByteArray tinyValues(const QByteArray& before, const QByteArray& after, qsizetype size);
// An ABCP shop's offers of the baseline's part, each with its own itemKey and supplierCode 7001.
QByteArray abcpAnswer(const QStringList& rows);
QString abcpRow(const Baseline& b, const QString& itemKey);
// The keys of such rows: "G" → "G|7001".
QStringList abcpKeys(const QString& words);
// A price list of the demo's TradeSoft supplier for both brands of the article.
QByteArray tradeSoftAccountAnswer(const QStringList& rows);

// ---- the cases ----

// Makes the case of one fault for one target; what it fills in is the Scenario's.
struct ScenarioMaker {
    Target target;
    const Baseline& b;
    Scenario s;
    const QString notFound = u"Не удалось подтвердить"_s;
    const QString gone = u"Предложение недоступно"_s;
    const QString changed = u"Условия изменились"_s;
    const QString portalKey = u"portal-selection:"_s;
    const QString big = u"1180591620717411303424"_s; // 2^70
    const QString timedOut = u"Сервер не ответил вовремя."_s;
    // Content faults hit the catalogue of Autopiter: its login answers are read elsewhere.
    QString contentMatch;
    // Where each supplier's answer with offers is asked for.
    QString offersMatch;

    ScenarioMaker(Target faulty, const Baseline& baseline);
    // A transport failure: the same text everywhere, the feedback form wording it as its own.
    void network(const QString& text);
    // A failure in the connector's own words.
    void own(const QString& text);
    void customBody(const QByteArray& body, const QString& match = {});
    // The search fails; the check cannot confirm the line but says nothing of it being gone.
    void unconfirmedAnswer(const QString& text);
    // Healthy but for what the fault took out.
    void unaffected(std::optional<QStringList> offerKeys = std::nullopt, QString verdict = {});
};

Scenario scenario(const QString& fault, Target target, const Baseline& b, const ForeignOrigin& foreign);
// Each fills in the faults of its kind and says whether `fault` was one of them.
// The scenario maker's parts under short names, for the two tables of cases.
#define FAULT_MATRIX_NAMES(m)                                                                                          \
    [[maybe_unused]] const Baseline& b = m.b;                                                                          \
    [[maybe_unused]] Scenario& s = m.s;                                                                                \
    [[maybe_unused]] SandboxBehaviour& behaviour = s.behaviour;                                                        \
    [[maybe_unused]] const Target target = m.target;                                                                   \
    [[maybe_unused]] const auto network = [&m](const QString& text) { m.network(text); };                              \
    [[maybe_unused]] const auto own = [&m](const QString& text) { m.own(text); };                                      \
    [[maybe_unused]] const auto customBody = [&m](const QByteArray& body, const QString& match = {}) {                 \
        m.customBody(body, match);                                                                                     \
    };                                                                                                                 \
    [[maybe_unused]] const auto unconfirmedAnswer = [&m](const QString& text) { m.unconfirmedAnswer(text); };          \
    [[maybe_unused]] const auto unaffected = [&m](std::optional<QStringList> offerKeys = std::nullopt,                 \
                                                  QString verdict = {}) {                                              \
        m.unaffected(std::move(offerKeys), std::move(verdict));                                                        \
    };                                                                                                                 \
    [[maybe_unused]] const QString& notFound = m.notFound;                                                             \
    [[maybe_unused]] const QString& gone = m.gone;                                                                     \
    [[maybe_unused]] const QString& changed = m.changed;                                                               \
    [[maybe_unused]] const QString& portalKey = m.portalKey;                                                           \
    [[maybe_unused]] const QString& big = m.big;                                                                       \
    [[maybe_unused]] const QString& timedOut = m.timedOut;                                                             \
    [[maybe_unused]] const QString& contentMatch = m.contentMatch;                                                     \
    [[maybe_unused]] const QString& offersMatch = m.offersMatch;

bool transportScenario(const QString& fault, ScenarioMaker& m, const ForeignOrigin& foreign);
bool contentScenario(const QString& fault, ScenarioMaker& m);
// The same faults for the suppliers the buyer added.
bool accountScenario(const QString& fault, ScenarioMaker& m, const ForeignOrigin& foreign);
