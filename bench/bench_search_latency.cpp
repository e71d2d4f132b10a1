// How close a whole search comes to what the network allows: real SearchViewModel searches
// through AppServices against the sandbox, whose operations answer after set times, compared
// with the critical path those times give. Printed, not pass/fail (not registered with ctest).
//
// The request graph of one search, and so the bound (a request on the path counts with its
// answer time; requests that run side by side count once, the longest of them):
//
//   AutoEuro  = max(search_brands, get_deliveries) + search_items      (one per brand, all at once)
//   Autopiter = IsAuthorization [+ Authorization + IsAuthorization]    (the bracket only at a cold
//               + FindCatalog                                           start: no login cookie yet)
//               + IsAuthorization + GetPriceId                         (per catalogue row, all at once)
//   Portal    = warm-up GET + sign-in POST + search GET                (a private session each time)
//
//   sequential:   max(AutoEuro, Autopiter) + Portal
//   overlapped:   max(AutoEuro, Autopiter, warm-up + sign-in) + search GET
//
// The credential reads, the per-brand normalising and the merge are local work, not on the graph.
// Over HTTP/1.1 a client has at most six connections to one host (Qt's limit, as browsers keep
// it), so more than six brands or rows queue. The "6/host" bound is the least time six
// connections need: ceil(brands / 6) answer times of search_items, and for the rows their
// IsAuthorization + GetPriceId pairs spread evenly over six connections.
//
// Options (besides the sandbox's own: --latency SERVICE=MS, --latency SERVICE:OPERATION=MS):
//   --runs N          fresh starts per case, each followed by a warm search (default 3)
//   --cases LIST      articles, comma separated (default "OC 90,BENCH-1,BENCH-5,BENCH-20,BENCH-60")
//   --keep-alive S    how long the sandbox keeps idle connections (default 300)
//   --pause S         seconds between the fresh start's search and the warm one (default 0)
//   --arrival-only    only the arrival targets below, not the table of cases
//
// Then the search as the buyer sees it, rows shown as each supplier answers ("OC 90", fresh
// services each time; the median of three):
//   first row ratio            time to the first row ÷ the whole search               (target <= 0.6)
//   hanging supplier           first row with Autopiter never answering ÷ without it   (target <= 1.05)
//   dribbling supplier         the whole search with Autopiter sending a byte every
//                              200 ms, ÷ its 2 s budget (the portal switched off)      (target <= 1.05)
//   repeat first row           the same article again: time to its earlier table       (target <= 50 ms)

#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxCatalogue.h"
#include "sandbox/SandboxCommandLine.h"
#include "sandbox/SandboxHttp.h"
#include "sandbox/SandboxServer.h"
#include "search/SearchViewModel.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using S = ServiceEndpoints::Service;

SandboxOptions defaultOptions() {
    SandboxOptions options;
    options.keepAliveSeconds = 300;
    const auto set = [&options](S service, std::initializer_list<std::pair<const char16_t*, int>> operations) {
        for (const auto& [operation, ms] : operations)
            options.behaviour[service].operationLatencyMs.insert(QString::fromUtf16(operation), ms);
    };
    set(S::autoEuro, {{u"search_brands/", 300}, {u"get_deliveries/", 250}, {u"search_items/", 400}});
    set(S::autopiter,
        {{u"IsAuthorization", 150}, {u"Authorization", 300}, {u"FindCatalog", 350}, {u"GetPriceId", 450}});
    set(S::autoligaPortal, {{u"autoliga/", 250}, {u"customer/login/", 400}, {u"client/search/", 700}});
    return options;
}

// Answer times of the operations on the graph, read the way the sandbox reads them.
struct Latencies {
    double brands, deliveries, items;
    double isAuthorization, login, catalogue, prices;
    double warmUp, signIn, portalSearch;

    explicit Latencies(const SandboxOptions& options) {
        const auto ms = [&options](S service, const char16_t* path, const char16_t* soapOperation = u"") {
            return static_cast<double>(SandboxHttp::latencyOf(
                options.behaviour.value(service), QString::fromUtf16(path), QString::fromUtf16(soapOperation)));
        };
        brands = ms(S::autoEuro, u"/autoeuro/api/v2/json/search_brands/");
        deliveries = ms(S::autoEuro, u"/autoeuro/api/v2/json/get_deliveries/");
        items = ms(S::autoEuro, u"/autoeuro/api/v2/json/search_items/");
        isAuthorization = ms(S::autopiter, u"/autopiter/v2/price", u"IsAuthorization");
        login = ms(S::autopiter, u"/autopiter/v2/price", u"Authorization");
        catalogue = ms(S::autopiter, u"/autopiter/v2/price", u"FindCatalog");
        prices = ms(S::autopiter, u"/autopiter/v2/price", u"GetPriceId");
        warmUp = ms(S::autoligaPortal, u"/autoliga/");
        signIn = ms(S::autoligaPortal, u"/autoliga/api/v2/customer/login/");
        portalSearch = ms(S::autoligaPortal, u"/autoliga/api/v2/client/search/");
    }
};

struct Bounds {
    double sequential = 0;
    double overlapped = 0;
    double sequentialPerHost = 0;
    double overlappedPerHost = 0;
};

// `brands` AutoEuro brands and `rows` priced Autopiter catalogue rows.
Bounds bounds(const Latencies& l, int brands, int rows, bool cold) {
    constexpr int kConnections = 6;
    const auto waves = [](int requests) { return static_cast<double>((requests + kConnections - 1) / kConnections); };
    const double autoEuroLookups = std::max(l.brands, l.deliveries);
    const double autopiterStart = l.isAuthorization + (cold ? l.login + l.isAuthorization : 0) + l.catalogue;
    const double perRow = l.isAuthorization + l.prices;
    const double portalStart = l.warmUp + l.signIn;
    const auto combine = [&](double autoEuro, double autopiter) {
        return std::pair{std::max(autoEuro, autopiter) + portalStart + l.portalSearch,
                         std::max({autoEuro, autopiter, portalStart}) + l.portalSearch};
    };
    Bounds b;
    std::tie(b.sequential, b.overlapped) =
        combine(autoEuroLookups + (brands > 0 ? l.items : 0), autopiterStart + (rows > 0 ? perRow : 0));
    std::tie(b.sequentialPerHost, b.overlappedPerHost) =
        combine(autoEuroLookups + waves(brands) * l.items,
                autopiterStart + (rows > 0 ? std::max(1.0, static_cast<double>(rows) / kConnections) * perRow : 0));
    return b;
}

// Runs the portal the plain way: its whole exchange after the other two (no prepare() of its own).
class SequentialPortalConnectors final : public SearchConnectorFactory {
public:
    explicit SequentialPortalConnectors(SearchConnectorFactory& inner)
        : m_inner(inner) {}
    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override { return m_inner.makeAutoEuro(); }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override { return m_inner.makeAutopiter(); }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<Whole>(m_inner.makeAutoligaPortal());
    }

private:
    class Whole final : public PortalOfferSearching {
    public:
        explicit Whole(std::unique_ptr<PortalOfferSearching> inner)
            : m_inner(std::move(inner)) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            return m_inner->search(std::move(article), std::move(brand));
        }

    private:
        std::unique_ptr<PortalOfferSearching> m_inner;
    };

    SearchConnectorFactory& m_inner;
};

struct Sample {
    double wallMs = 0;
    double publishLagMs = 0;
    int autoEuroConnections = 0;
    int autopiterConnections = 0;
    int portalConnections = 0;
    qsizetype offers = 0;
    QStringList failures;
};

class Bench {
public:
    Bench(SandboxServer& sandbox, const QString& stateDir, int pauseSeconds)
        : m_sandbox(sandbox)
        , m_stateDir(stateDir)
        , m_pauseSeconds(pauseSeconds) {}

    // A fresh start (new services: no key cached, no login, no connections), then one warm search.
    std::pair<Sample, Sample> coldAndWarm(const QString& article, bool overlapped) {
        AppServices::Options options;
        options.memoryCredentials = true;
        options.endpoints = m_sandbox.endpoints();
        options.settingsFile = m_stateDir + QStringLiteral("/settings-%1.ini").arg(++m_starts);
        AppServices services(options);
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services.memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services.supplierPreferences().setAutoligaEnabled(true);

        SequentialPortalConnectors sequential(services.searchConnectors());
        SearchConnectorFactory& connectors =
            overlapped ? services.searchConnectors() : static_cast<SearchConnectorFactory&>(sequential);
        SearchViewModel model(services.supplierPreferences(), connectors);
        Sample cold = search(model, article);
        if (m_pauseSeconds > 0) {
            QEventLoop pause;
            QTimer::singleShot(std::chrono::seconds(m_pauseSeconds), &pause, &QEventLoop::quit);
            pause.exec();
        }
        Sample warm = search(model, article);
        return {cold, warm};
    }

private:
    Sample search(SearchViewModel& model, const QString& article) {
        Sample sample;
        const int autoEuroBefore = m_sandbox.connectionsOpenedFor(S::autoEuro);
        const int autopiterBefore = m_sandbox.connectionsOpenedFor(S::autopiter);
        const int portalBefore = m_sandbox.connectionsOpenedFor(S::autoligaPortal);
        Clock::time_point published;
        QEventLoop loop;
        const auto onOffers =
            QObject::connect(&model, &SearchViewModel::offersChanged, [&] { published = Clock::now(); });
        const auto onEnd = QObject::connect(&model, &SearchViewModel::searchFinished, &loop, &QEventLoop::quit);
        model.setArticle(article);
        const Clock::time_point start = Clock::now();
        model.search();
        loop.exec();
        const Clock::time_point end = Clock::now();
        QObject::disconnect(onOffers);
        QObject::disconnect(onEnd);

        const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
        sample.wallMs = ms(end - start);
        sample.publishLagMs = published == Clock::time_point() ? -1 : ms(published - m_sandbox.lastAnswerReady());
        sample.autoEuroConnections = m_sandbox.connectionsOpenedFor(S::autoEuro) - autoEuroBefore;
        sample.autopiterConnections = m_sandbox.connectionsOpenedFor(S::autopiter) - autopiterBefore;
        sample.portalConnections = m_sandbox.connectionsOpenedFor(S::autoligaPortal) - portalBefore;
        sample.offers = model.offers().size();
        sample.failures = model.supplierFailures();
        return sample;
    }

    SandboxServer& m_sandbox;
    QString m_stateDir;
    int m_pauseSeconds = 0;
    int m_starts = 0;
};

struct Stats {
    double median = 0, min = 0, max = 0;
};

// One search of the buyer's, timed as rows arrive.
struct Arrival {
    double firstRowMs = -1;
    double wallMs = 0;
    double repeatFirstRowMs = -1;
    QStringList failures;
};

class ArrivalBench {
public:
    ArrivalBench(SandboxServer& sandbox, const QString& stateDir)
        : m_sandbox(sandbox)
        , m_stateDir(stateDir) {}

    Arrival search(const QString& article, AppServices::Options options, bool portal) {
        options.memoryCredentials = true;
        options.endpoints = m_sandbox.endpoints();
        options.settingsFile = m_stateDir + QStringLiteral("/arrival-%1.ini").arg(++m_starts);
        AppServices services(options);
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services.memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services.supplierPreferences().setAutoligaEnabled(portal);
        SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
        Arrival arrival;
        arrival.wallMs = timed(model, article, &arrival.firstRowMs);
        arrival.failures = model.supplierFailures();
        timed(model, article, &arrival.repeatFirstRowMs);
        return arrival;
    }

private:
    // The whole search's time; `firstRow` gets the time to the first shown row.
    static double timed(SearchViewModel& model, const QString& article, double* firstRow) {
        const Clock::time_point start = Clock::now();
        const auto ms = [&start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
        QEventLoop loop;
        const auto onOffers = QObject::connect(&model, &SearchViewModel::offersChanged, [&] {
            if (*firstRow < 0 && !model.offers().isEmpty())
                *firstRow = ms();
        });
        const auto onEnd = QObject::connect(&model, &SearchViewModel::searchFinished, &loop, &QEventLoop::quit);
        model.setArticle(article);
        model.search();
        if (model.isLoading())
            loop.exec();
        QObject::disconnect(onOffers);
        QObject::disconnect(onEnd);
        return ms();
    }

    SandboxServer& m_sandbox;
    QString m_stateDir;
    int m_starts = 0;
};

Stats stats(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(u' ', 0, 2);
}

void arrivalTargets(QTextStream& out, SandboxServer& sandbox, const SandboxOptions& options, const QString& stateDir) {
    ArrivalBench bench(sandbox, stateDir);
    const QString article = QStringLiteral("OC 90");
    const auto medianOf = [&](const AppServices::Options& extra, bool portal, auto pick) {
        std::vector<double> values;
        for (int run = 0; run < 3; ++run) {
            const Arrival arrival = bench.search(article, extra, portal);
            values.push_back(pick(arrival));
            if (!arrival.failures.isEmpty())
                out << QStringLiteral("    (%1)\n").arg(arrival.failures.join(QStringLiteral("; ")));
        }
        return stats(values).median;
    };
    const auto target = [&out](const QString& name, double value, double limit, const QString& unit) {
        out << QStringLiteral("TARGET %1: %2%3 (target <= %4%3) %5\n")
                   .arg(name)
                   .arg(value, 0, 'f', unit.isEmpty() ? 2 : 0)
                   .arg(unit)
                   .arg(limit, 0, 'f', unit.isEmpty() ? 2 : 0)
                   .arg(value >= 0 && value <= limit ? QStringLiteral("met") : QStringLiteral("not met"));
        out.flush();
    };

    out << QStringLiteral("\nRows as they arrive (\"%1\", median of three fresh starts)\n").arg(article);
    const AppServices::Options plain;
    double firstRow = 0;
    double wall = 0;
    double repeat = 0;
    {
        std::vector<double> firsts, walls, repeats;
        for (int run = 0; run < 3; ++run) {
            const Arrival a = bench.search(article, plain, true);
            firsts.push_back(a.firstRowMs);
            walls.push_back(a.wallMs);
            repeats.push_back(a.repeatFirstRowMs);
        }
        firstRow = stats(firsts).median;
        wall = stats(walls).median;
        repeat = stats(repeats).median;
    }
    out << QStringLiteral("    first row %1 ms of %2 ms; the same article again: first row after %3 ms\n")
               .arg(firstRow, 0, 'f', 0)
               .arg(wall, 0, 'f', 0)
               .arg(repeat, 0, 'f', 1);
    target(QStringLiteral("first row ratio"), firstRow / wall, 0.6, {});
    target(QStringLiteral("repeat first row"), repeat, 50, QStringLiteral(" ms"));

    // Autopiter never answers; its budget is cut to 3 s so that the runs end sooner.
    SandboxBehaviour hanging = options.behaviour.value(S::autopiter);
    hanging.fault = SandboxBehaviour::Fault::hang;
    sandbox.setBehaviour(S::autopiter, hanging);
    AppServices::Options shortBudget;
    shortBudget.budgets.insert(S::autopiter, std::chrono::milliseconds(3000));
    const double hungFirstRow = medianOf(shortBudget, true, [](const Arrival& a) { return a.firstRowMs; });
    out << QStringLiteral("    Autopiter hanging: first row %1 ms\n").arg(hungFirstRow, 0, 'f', 0);
    target(QStringLiteral("first row with a hanging supplier"), hungFirstRow / firstRow, 1.05, {});

    // Autopiter sends a byte every 200 ms and never ends; its budget is 2 s.
    SandboxBehaviour dribbling = options.behaviour.value(S::autopiter);
    dribbling.fault = SandboxBehaviour::Fault::trickle;
    dribbling.trickleMs = 200;
    sandbox.setBehaviour(S::autopiter, dribbling);
    AppServices::Options budget;
    budget.budgets.insert(S::autopiter, std::chrono::milliseconds(2000));
    const double dribbleWall = medianOf(budget, false, [](const Arrival& a) { return a.wallMs; });
    out << QStringLiteral("    Autopiter dribbling: the search ends after %1 ms\n").arg(dribbleWall, 0, 'f', 0);
    target(QStringLiteral("dribbling supplier"), dribbleWall / 2000.0, 1.05, {});
    sandbox.setBehaviour(S::autopiter, options.behaviour.value(S::autopiter));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int runs = 3;
    int pauseSeconds = 0;
    const bool arrivalOnly = arguments.removeAll(QStringLiteral("--arrival-only")) > 0;
    QStringList cases{QStringLiteral("OC 90"), QStringLiteral("BENCH-1"), QStringLiteral("BENCH-5"),
                      QStringLiteral("BENCH-20"), QStringLiteral("BENCH-60")};
    for (qsizetype i = 0; i + 1 < arguments.size();) {
        if (arguments[i] == u"--runs") {
            runs = std::max(1, arguments[i + 1].toInt());
            arguments.remove(i, 2);
        } else if (arguments[i] == u"--pause") {
            pauseSeconds = std::max(0, arguments[i + 1].toInt());
            arguments.remove(i, 2);
        } else if (arguments[i] == u"--cases") {
            cases = arguments[i + 1].split(u',', Qt::SkipEmptyParts);
            arguments.remove(i, 2);
        } else {
            i += 2;
        }
    }
    QString error;
    const auto options = SandboxCommandLine::parse(arguments, &error, defaultOptions());
    if (!options) {
        out << error << u'\n';
        return 2;
    }

    // The searches' timing log goes to a directory of the bench's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.filePath(QStringLiteral("state")).toUtf8());
    SandboxServer sandbox;
    if (!sandbox.start(*options)) {
        out << "the sandbox did not start\n";
        return 1;
    }
    const Latencies latencies(*options);
    Bench bench(sandbox, state.path(), pauseSeconds);

    out << QStringLiteral("load average at start: %1; %2 fresh starts per case, each with one warm search %3 s after "
                          "it; idle connections kept %4 s by the sandbox\n")
               .arg(loadAverage())
               .arg(runs)
               .arg(pauseSeconds)
               .arg(options->keepAliveSeconds);
    out << QStringLiteral("wall ÷ bound as median (min–max); lag = last answer ready → list published\n\n");
    out.flush();
    if (arrivalOnly)
        cases.clear();
    for (const QString& article : cases) {
        // The width of the answer: brands at AutoEuro, exactly matching catalogue rows at Autopiter.
        const int width = SandboxCatalogue::benchWidth(article);
        const int brands = width ? width : static_cast<int>(SandboxCatalogue::partsWithArticle(article).size());
        const int rows = brands;
        for (const bool overlapped : {false, true}) {
            std::vector<Sample> colds;
            std::vector<Sample> warms;
            for (int run = 0; run < runs; ++run) {
                auto [cold, warm] = bench.coldAndWarm(article, overlapped);
                colds.push_back(cold);
                warms.push_back(warm);
            }
            for (const bool cold : {true, false}) {
                const std::vector<Sample>& samples = cold ? colds : warms;
                const Bounds b = bounds(latencies, brands, rows, cold);
                std::vector<double> walls, lags;
                for (const Sample& s : samples) {
                    walls.push_back(s.wallMs);
                    lags.push_back(s.publishLagMs);
                }
                const auto ratio = [&walls](double bound) {
                    std::vector<double> r;
                    for (double w : walls)
                        r.push_back(w / bound);
                    const Stats st = stats(r);
                    return QStringLiteral("%1 (%2–%3)")
                        .arg(st.median, 0, 'f', 3)
                        .arg(st.min, 0, 'f', 3)
                        .arg(st.max, 0, 'f', 3);
                };
                const Stats wall = stats(walls);
                const Sample& first = samples.front();
                out << QStringLiteral("%1 | %2 | %3\n")
                           .arg(article, -9)
                           .arg(overlapped ? QStringLiteral("overlapped") : QStringLiteral("sequential"), -11)
                           .arg(cold ? QStringLiteral("fresh start") : QStringLiteral("warm"));
                out << QStringLiteral("    wall %1 ms (%2–%3); bounds: sequential %4, overlapped %5, 6/host %6 ms\n")
                           .arg(wall.median, 0, 'f', 0)
                           .arg(wall.min, 0, 'f', 0)
                           .arg(wall.max, 0, 'f', 0)
                           .arg(b.sequential, 0, 'f', 0)
                           .arg(b.overlapped, 0, 'f', 0)
                           .arg(overlapped ? b.overlappedPerHost : b.sequentialPerHost, 0, 'f', 0);
                out << QStringLiteral("    wall ÷ sequential bound %1").arg(ratio(b.sequential));
                if (overlapped)
                    out << QStringLiteral("; ÷ overlapped bound %1").arg(ratio(b.overlapped));
                out << QStringLiteral("; ÷ 6/host bound %1\n")
                           .arg(ratio(overlapped ? b.overlappedPerHost : b.sequentialPerHost));
                out << QStringLiteral("    lag %1 ms; connections AutoEuro %2, Autopiter %3, portal %4; %5 offers%6\n")
                           .arg(stats(lags).median, 0, 'f', 1)
                           .arg(first.autoEuroConnections)
                           .arg(first.autopiterConnections)
                           .arg(first.portalConnections)
                           .arg(first.offers)
                           .arg(first.failures.isEmpty() ? QString()
                                                         : QStringLiteral("; failed: ") + first.failures.join(u' '));
                out.flush();
            }
        }
    }
    arrivalTargets(out, sandbox, *options, state.path());
    out << QStringLiteral("\nload average at end: %1\n").arg(loadAverage());
    return 0;
}
