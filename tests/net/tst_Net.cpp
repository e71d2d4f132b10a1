#include "LocalServer.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"

#include <QNetworkAccessManager>
#include <QtTest>

#include <atomic>

namespace {

std::atomic<int> concurrent{0};
std::atomic<int> maxConcurrent{0};

// /chunked streams 1 MiB without announcing a length; /missing is a 404 with a body.
void oddRoutes(httplib::Server& server) {
    server.Get("/chunked", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("application/json", [](size_t offset, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, 'x');
            if (offset >= 16 * chunk.size()) {
                sink.done();
                return true;
            }
            return sink.write(chunk.data(), chunk.size());
        });
    });
    server.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content("not here", "text/plain");
    });
    // 200 ms per answer; remembers how many were being answered at once.
    server.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
        const int now = ++concurrent;
        int seen = maxConcurrent.load();
        while (now > seen && !maxConcurrent.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        --concurrent;
        response.set_content("ok", "text/plain");
    });
    // A redirect names its target in the query: /redirect?status=302&to=/missing.
    server.Get("/redirect", [](const httplib::Request& request, httplib::Response& response) {
        response.status = std::stoi(request.get_param_value("status"));
        if (request.has_param("to"))
            response.set_header("Location", request.get_param_value("to"));
    });
}

} // namespace

using Service = ServiceEndpoints::Service;
using namespace Qt::StringLiterals;

class TestNet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endpoint_appendsFixedPathsToTheOrigin_data() {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("url");
        QTest::newRow("host only") << u"https://api.example.ru"_s << u"https://api.example.ru/api/v2/json/"_s;
        QTest::newRow("port and prefix") << u"http://127.0.0.1:8080/autoeuro"_s
                                         << u"http://127.0.0.1:8080/autoeuro/api/v2/json/"_s;
        QTest::newRow("prefix with slash")
            << u"http://127.0.0.1:8080/a/"_s << u"http://127.0.0.1:8080/a/api/v2/json/"_s;
        QTest::newRow("unset") << u""_s << u""_s;
        QTest::newRow("not http") << u"ftp://example.ru"_s << u""_s;
        QTest::newRow("no host") << u"http://"_s << u""_s;
        QTest::newRow("garbage") << u"не адрес"_s << u""_s;
    }
    void endpoint_appendsFixedPathsToTheOrigin() {
        QFETCH(QString, origin);
        QFETCH(QString, url);
        const QByteArray name = ServiceEndpoints::environmentVariable(Service::autoEuro).toLatin1();
        qputenv(name.constData(), origin.toUtf8());
        const auto endpoints = ServiceEndpoints::fromEnvironment();
        qunsetenv(name.constData());
        QCOMPARE(endpoints.autoEuroAPI().toString(QUrl::FullyEncoded), url);
        // A variable set to something unusable is named in the connector's error.
        const QString problem = endpoints.problem(Service::autoEuro);
        QCOMPARE(problem.contains(u"ORELIA_AUTOEURO_URL"), url.isEmpty() && !origin.isEmpty());
    }

    void body_isCappedEvenWithoutALength_andSkippedOnFailureWhenAsked() {
        LocalServer server(oddRoutes);
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        request.bodyLimit = 256 * 1024;
        request.request.setUrl(server.url(u"/chunked"_s));
        QVERIFY_THROWS_EXCEPTION(ResponseTooLargeError, awaitTask(Http::send(*network, request)));
        request.bodyLimit = 1024 * 1024;
        QCOMPARE(awaitTask(Http::send(*network, request)).body.size(), 1024 * 1024);

        request.request.setUrl(server.url(u"/missing"_s));
        QCOMPARE(awaitTask(Http::send(*network, request)).body, QByteArray("not here"));
        request.bodyOnlyOnSuccess = true;
        const auto response = awaitTask(Http::send(*network, request));
        QCOMPARE(response.status, 404);
        QVERIFY(response.body.isEmpty());
        network.reset(); // closes the connections before the server stops
    }

    // A redirect is followed only within the origin: another one never sees the request,
    // so a service's key header never leaves it.
    void redirect_isFollowedOnlyWithinTheOrigin() {
        LocalServer server(oddRoutes);
        std::atomic<int> foreignRequests{0};
        LocalServer foreign([&](httplib::Server& s) {
            s.Get(".*", [&](const httplib::Request&, httplib::Response&) { ++foreignRequests; });
        });
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        auto status = [&](const QString& query) {
            request.request.setUrl(server.url(u"/redirect?"_s + query));
            const auto response = awaitTask(Http::send(*network, request));
            return QString::number(response.status) + u' ' + QString::fromUtf8(response.body);
        };
        QCOMPARE(status(u"status=302&to=/missing"_s), u"404 not here"_s);
        QCOMPARE(status(u"status=301&to=/redirect%3Fstatus%3D302%26to%3D/missing"_s), u"404 not here"_s);
        QCOMPARE(status(u"status=300"_s), u"300 "_s); // no target: the answer itself
        request.request.setUrl(server.url(u"/redirect?status=302&to="_s + QString::fromLatin1(QUrl::toPercentEncoding(
                                                                              foreign.url(u"/x"_s).toString()))));
        QVERIFY_THROWS_EXCEPTION(ForeignRedirectError, awaitTask(Http::send(*network, request)));
        QCOMPARE(foreignRequests, 0);
        network.reset();
    }

    void queuedRequests_startTheirClockWhenSent() {
        // 30 answers of 200 ms each under a 1 s time-out: had the clock run while they
        // waited for a connection, the last ones would have timed out.
        LocalServer server(oddRoutes);
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        request.request.setUrl(server.url(u"/slow"_s));
        request.timeout = std::chrono::milliseconds(1000);
        int answered = 0;
        auto one = [&](QNetworkAccessManager& manager, Http::Request r) -> QCoro::Task<> {
            auto task = Http::send(manager, std::move(r));
            const auto response = co_await std::move(task);
            answered += response.status == 200 ? 1 : 0;
        };
        std::vector<QCoro::Task<>> tasks;
        for (int i = 0; i < 30; ++i)
            tasks.push_back(one(*network, request));
        for (auto& task : tasks)
            awaitTask(std::move(task));
        QCOMPARE(answered, 30);
        QVERIFY(maxConcurrent <= Http::maxRequestsPerHost);
        network.reset();
    }
};

QTEST_GUILESS_MAIN(TestNet)
#include "tst_Net.moc"
