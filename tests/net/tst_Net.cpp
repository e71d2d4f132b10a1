#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <httplib.h>

#include <atomic>
#include <thread>

namespace {

// /chunked streams 1 MiB without announcing a length; /missing is a 404 with a body.
class OddServer {
public:
    OddServer() {
        m_server.Get("/chunked", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("application/json", [](size_t offset, httplib::DataSink& sink) {
                // Incompressible, so that the client sees every byte.
                static const std::string chunk = [] {
                    std::string bytes(64 * 1024, '\0');
                    std::uint32_t state = 1;
                    for (char& c : bytes) {
                        state = state * 1664525u + 1013904223u;
                        c = static_cast<char>(state >> 24);
                    }
                    return bytes;
                }();
                if (offset >= 16 * chunk.size()) {
                    sink.done();
                    return true;
                }
                return sink.write(chunk.data(), chunk.size());
            });
        });
        m_server.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("not here", "text/plain");
        });
        // 200 ms per answer; remembers how many were being answered at once.
        m_server.Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            const int now = ++m_concurrent;
            int seen = m_maxConcurrent.load();
            while (now > seen && !m_maxConcurrent.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            --m_concurrent;
            response.set_content("ok", "text/plain");
        });
        // One byte every 50 ms, for as long as the client listens.
        m_server.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return sink.write("x", 1);
            });
        });
        m_server.Get("/bad", [](const httplib::Request&, httplib::Response& response) {
            response.status = 400;
            response.set_content("{\"error\":\"bad\"}", "application/json");
        });
        m_server.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
            response.status = 302;
            response.set_header("Location", "/loop");
        });
        m_server.set_keep_alive_timeout(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~OddServer() {
        m_server.stop();
        m_thread.join();
    }
    QUrl url(const char* path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(QLatin1StringView(path)));
    }
    int maxConcurrent() const { return m_maxConcurrent; }

private:
    std::atomic<int> m_concurrent{0};
    std::atomic<int> m_maxConcurrent{0};
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

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
        OddServer server;
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        request.bodyLimit = 256 * 1024;
        request.request.setUrl(server.url("/chunked"));
        QVERIFY_THROWS_EXCEPTION(ResponseTooLargeError, awaitTask(Http::send(*network, request)));
        request.bodyLimit = 1024 * 1024;
        QCOMPARE(awaitTask(Http::send(*network, request)).body.size(), 1024 * 1024);

        request.request.setUrl(server.url("/missing"));
        QCOMPARE(awaitTask(Http::send(*network, request)).body, QByteArray("not here"));
        request.request.setUrl(server.url("/bad"));
        QCOMPARE(awaitTask(Http::send(*network, request)).status, 400);
        request.request.setUrl(server.url("/missing"));
        request.bodyOnlyOnSuccess = true;
        const auto response = awaitTask(Http::send(*network, request));
        QCOMPARE(response.status, 404);
        QVERIFY(response.body.isEmpty());
        network.reset(); // closes the connections before the server stops
    }

    void failures_areDescribedInRussian_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("description");
        QTest::newRow("refused") << u"refused"_s << u"Сервер отказал в соединении."_s;
        QTest::newRow("silence past the time-out") << u"silent"_s << u"Сервер не ответил вовремя."_s;
        QTest::newRow("trickle past the deadline") << u"/trickle"_s << u"Сервер не ответил вовремя."_s;
        QTest::newRow("closed before the announced length")
            << u"short"_s << u"Сервер закрыл соединение раньше, чем передал ответ."_s;
        QTest::newRow("redirect loop") << u"/loop"_s << u"Сервер слишком много раз перенаправил запрос."_s;
    }
    void failures_areDescribedInRussian() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        OddServer server;
        // Accepts, then says nothing; or announces 100 bytes and closes after 3.
        QTcpServer raw;
        QVERIFY(raw.listen(QHostAddress::LocalHost));
        QObject::connect(&raw, &QTcpServer::newConnection, &raw, [&] {
            QTcpSocket* socket = raw.nextPendingConnection();
            if (setup == u"short") {
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc");
                socket->disconnectFromHost();
            }
        });
        const QUrl rawUrl(QStringLiteral("http://127.0.0.1:%1/").arg(raw.serverPort()));

        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        request.timeout = std::chrono::milliseconds(300);
        if (setup == u"refused") {
            const quint16 port = raw.serverPort();
            raw.close();
            request.request.setUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
        } else if (setup == u"silent" || setup == u"short") {
            request.request.setUrl(rawUrl);
        } else {
            request.request.setUrl(server.url(setup.toLatin1().constData()));
        }
        try {
            awaitTask(Http::send(*network, request));
            QFAIL("no error");
        } catch (const NetworkError& error) {
            QCOMPARE(error.description(), description);
        }
        network.reset();
    }

    void queuedRequests_startTheirClockWhenSent() {
        // 30 answers of 200 ms each under a 1 s time-out: had the clock run while they
        // waited for a connection, the last ones would have timed out.
        OddServer server;
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        request.request.setUrl(server.url("/slow"));
        request.timeout = std::chrono::milliseconds(1000);
        int answered = 0;
        int failed = 0;
        auto one = [&](QNetworkAccessManager& manager, Http::Request r) -> QCoro::Task<> {
            try {
                auto task = Http::send(manager, std::move(r));
                const auto response = co_await std::move(task);
                answered += response.status == 200 ? 1 : 0;
            } catch (const NetworkError&) {
                ++failed;
            }
        };
        std::vector<QCoro::Task<>> tasks;
        for (int i = 0; i < 30; ++i)
            tasks.push_back(one(*network, request));
        for (auto& task : tasks)
            awaitTask(std::move(task));
        QCOMPARE(answered, 30);
        QCOMPARE(failed, 0);
        QVERIFY(server.maxConcurrent() <= Http::maxRequestsPerHost);
        network.reset();
    }
};

QTEST_GUILESS_MAIN(TestNet)
#include "tst_Net.moc"
