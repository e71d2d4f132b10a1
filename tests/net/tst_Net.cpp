#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QtTest>

#include <httplib.h>

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

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

} // namespace

using Service = ServiceEndpoints::Service;

class TestNet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endpoint_appendsFixedPathsToTheOrigin_data() {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("url");
        QTest::newRow("host only") << "https://api.example.ru"
                                   << "https://api.example.ru/api/v2/json/";
        QTest::newRow("port and prefix") << "http://127.0.0.1:8080/autoeuro"
                                         << "http://127.0.0.1:8080/autoeuro/api/v2/json/";
        QTest::newRow("prefix with slash") << "http://127.0.0.1:8080/a/"
                                           << "http://127.0.0.1:8080/a/api/v2/json/";
        QTest::newRow("unset") << ""
                               << "";
        QTest::newRow("not http") << "ftp://example.ru"
                                  << "";
        QTest::newRow("no host") << "http://"
                                 << "";
        QTest::newRow("garbage") << "не адрес"
                                 << "";
    }
    void endpoint_appendsFixedPathsToTheOrigin() {
        QFETCH(QString, origin);
        QFETCH(QString, url);
        const QByteArray name = ServiceEndpoints::environmentVariable(Service::autoEuro).toLatin1();
        qputenv(name.constData(), origin.toUtf8());
        const auto endpoints = ServiceEndpoints::fromEnvironment();
        qunsetenv(name.constData());
        QCOMPARE(endpoints.autoEuroAPI().toString(QUrl::FullyEncoded), url);
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
        request.bodyOnlyOnSuccess = true;
        const auto response = awaitTask(Http::send(*network, request));
        QCOMPARE(response.status, 404);
        QVERIFY(response.body.isEmpty());
        network.reset(); // closes the connections before the server stops
    }

    void refusedConnection_isANetworkErrorWithQtsText() {
        // A port that was just free: nobody listens there.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();

        QNetworkAccessManager network;
        Http::Request request;
        request.request.setUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
        try {
            awaitTask(Http::send(network, request));
            QFAIL("no error");
        } catch (const NetworkError& error) {
            QCOMPARE(error.code(), QNetworkReply::ConnectionRefusedError);
            QCOMPARE(error.description(), QStringLiteral("Connection refused"));
        }
    }
};

QTEST_GUILESS_MAIN(TestNet)
#include "tst_Net.moc"
