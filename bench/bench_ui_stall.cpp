// How long the window's thread stops answering while a search runs, as the buyer would feel it:
// a timer due every 5 ms records the longest gap beyond that, from pressing "Найти" until the
// table shows the end of the search. Cases: the demo's search, a table of 10 000 offers, and for
// each supplier an answer of 32 MB (rows up to the cap) that the search must read and refuse.
// Printed, not pass/fail; --only TEXT runs the cases whose name holds it. Without a display the window runs on Qt's
// offscreen platform.

#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "search/SearchViewModel.h"
#include "SyntheticOffers.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCoroTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using S = ServiceEndpoints::Service;
constexpr int kTickMs = 5;
constexpr double kTargetMs = 50;

// AutoEuro answers with 10 000 rows, made before the search as a supplier's reader would have
// made them on its own thread; the others with none.
class WideAnswer final : public SupplierSearchProviding {
public:
    WideAnswer(const SupplierDescriptor& descriptor, QList<SupplierOffer> offers)
        : m_descriptor(descriptor)
        , m_offers(std::move(offers)) {}
    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString) override {
        auto pause = QCoro::sleepFor(std::chrono::milliseconds(1));
        co_await std::move(pause);
        co_return m_offers;
    }

private:
    const SupplierDescriptor& m_descriptor;
    QList<SupplierOffer> m_offers;
};

class WideConnectors final : public SearchConnectorFactory {
public:
    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<WideAnswer>(SupplierDescriptors::autoEuro(), m_offers);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<WideAnswer>(SupplierDescriptors::autopiter(), QList<SupplierOffer>());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return nullptr; }

private:
    const QList<SupplierOffer> m_offers = SyntheticOffers::table(10000);
};

// The longest the event loop was away while `run` searched, in ms beyond the timer's period.
double longestStall(MainWindow& window, const QString& article) {
    QElapsedTimer clock;
    double longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6 - kTickMs);
        clock.restart();
    });
    QEventLoop loop;
    QObject::connect(&window.viewModel(), &SearchViewModel::searchFinished, &loop, [&loop] {
        // What the end of the search shows is painted too.
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
    });
    window.viewModel().setArticle(article);
    clock.start();
    tick.start();
    window.viewModel().search();
    loop.exec();
    return longest;
}

QString g_only; // --only TEXT: the cases whose name holds it

bool wanted(const char* name) {
    return g_only.isEmpty() || QString::fromUtf8(name).contains(g_only);
}

void report(const char* name, double stall) {
    std::printf("TARGET UI stall %s: %.0f ms (target <= %.0f ms) %s\n", name, stall, kTargetMs,
                stall <= kTargetMs ? "met" : "not met");
    std::fflush(stdout);
}

// Rows of one kind, as many as fit into 32 MB, between the two ends of the answer.
QByteArray toTheCap(const QByteArray& head, const QByteArray& row, const QByteArray& separator,
                    const QByteArray& tail) {
    QByteArray body = head;
    body.reserve(32 * 1024 * 1024);
    while (body.size() + row.size() + separator.size() + tail.size() < 32 * 1024 * 1024 - 1024) {
        if (body.size() > head.size())
            body += separator;
        body += row;
    }
    return body + tail;
}

struct Hostile {
    const char* name;
    S service;
    QString match;
    QByteArray body;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--only")); at >= 0)
        g_only = arguments.value(at + 1);
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.filePath(QStringLiteral("state")).toUtf8());
    int made = 0;
    const auto options = [&state, &made] {
        AppServices::Options o;
        o.memoryCredentials = true;
        o.settingsFile = state.filePath(QStringLiteral("settings-%1.ini").arg(++made));
        return o;
    };

    if (wanted("demo search")) {
        AppServices::Options o = options();
        o.demo = true;
        AppServices services(o);
        MainWindow window(services.supplierPreferences(), services.searchConnectors(), services.userDefaults(),
                          services.cartStore());
        window.show();
        report("demo search", longestStall(window, QStringLiteral("OC 90")));
    }
    if (wanted("10 000 offers")) {
        AppServices services(options());
        WideConnectors connectors;
        MainWindow window(services.supplierPreferences(), connectors, services.userDefaults(), services.cartStore());
        window.show();
        report("10 000 offers", longestStall(window, QStringLiteral("T-0")));
    }

    const QByteArray autoEuroRow =
        R"({"offer_key":"K-1","stock":1,"cross":0,"brand":"MAHLE","code":"OC 90","name":"Фильтр масляный",)"
        R"("packing":1,"price":412.3,"currency":"RUB","amount":"7","unit":"шт","return":1,"delivery_time":"3 дн."})";
    const QByteArray autopiterRow =
        "<PriceSearchModel><DetailUid>AP1</DetailUid><SellerId>7802</SellerId><Number>OC 90</Number>"
        "<CatalogName>MAHLE</CatalogName><Name>Фильтр масляный</Name><NumberOfAvailable>1</NumberOfAvailable>"
        "<SalePrice>395.52</SalePrice><NumberOfDaysSupply>3</NumberOfDaysSupply></PriceSearchModel>";
    const QByteArray portalRow = R"({"amountNum":"18","article":"OC 90","brand":"KNECHT","description":"Фильтр",)"
                                 R"("id":111605316,"minimumQuantity":"1","price":410.46,"term":"1"})";
    const QList<Hostile> hostile{
        {"32 MB answer AutoEuro", S::autoEuro, QStringLiteral("search_items"),
         toTheCap(R"({"META":{"result":"OK"},"DATA":[)", autoEuroRow, ",", "]}")},
        {"32 MB answer Autopiter", S::autopiter, QStringLiteral("GetPriceId"),
         toTheCap("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                  "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><GetPriceIdResponse "
                  "xmlns=\"http://www.autopiter.ru/\"><GetPriceIdResult>",
                  autopiterRow, "", "</GetPriceIdResult></GetPriceIdResponse></soap:Body></soap:Envelope>")},
        {"32 MB answer Автолига", S::autoligaPortal, QStringLiteral("client/search"),
         toTheCap(R"({"data":{"article":"OC 90","rows":{"analogs":[)", portalRow, ",", "]}}}")},
    };
    for (const Hostile& h : hostile) {
        if (!wanted(h.name))
            continue;
        SandboxServer sandbox;
        if (!sandbox.start())
            return 1;
        SandboxBehaviour behaviour;
        behaviour.fault = SandboxBehaviour::Fault::body;
        behaviour.status = 200;
        behaviour.faultMatch = h.match;
        behaviour.body = h.body;
        sandbox.setBehaviour(h.service, behaviour);
        AppServices::Options o = options();
        o.endpoints = sandbox.endpoints();
        {
            AppServices services(o);
            for (const auto& [account, secret] : SandboxServer::demoAccounts)
                services.memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
            services.supplierPreferences().setAutoligaEnabled(true);
            MainWindow window(services.supplierPreferences(), services.searchConnectors(), services.userDefaults(),
                              services.cartStore());
            window.show();
            const double stall = longestStall(window, QStringLiteral("OC 90"));
            const QStringList failures = window.viewModel().supplierFailures();
            std::printf("    %s\n", qPrintable(failures.join(QStringLiteral("; ")).left(160)));
            report(h.name, stall);
        }
        sandbox.stop();
    }
    return 0;
}
