#include "LocalServer.h"
#include "net/Http.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"

#include <QNetworkAccessManager>
#include <QtTest>

namespace {

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

    void send_followsRedirectsWithinTheOrigin_readsUpToTheCap_andSkipsFailedBodiesWhenAsked() {
        LocalServer server(oddRoutes);
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        auto answer = [&](const QString& path) {
            request.request.setUrl(server.url(path));
            const auto response = awaitTask(Http::send(*network, request));
            return QString::number(response.status) + u' ' + QString::fromUtf8(response.body);
        };
        QCOMPARE(answer(u"/redirect?status=302&to=/missing"_s), u"404 not here"_s);
        QCOMPARE(answer(u"/redirect?status=301&to=/redirect%3Fstatus%3D302%26to%3D/missing"_s), u"404 not here"_s);
        QCOMPARE(answer(u"/redirect?status=300"_s), u"300 "_s); // no target: the answer itself

        request.bodyLimit = 1024 * 1024;
        QCOMPARE(answer(u"/chunked"_s), u"200 "_s + QString(1024 * 1024, u'x'));
        request.bodyOnlyOnSuccess = true;
        QCOMPARE(answer(u"/missing"_s), u"404 "_s);
        network.reset(); // closes the connections before the server stops
    }
};

QTEST_GUILESS_MAIN(TestNet)
#include "tst_Net.moc"
