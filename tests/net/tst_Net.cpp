#include "core/UserDefaults.h"
#include "LocalServer.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceAddress.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTcpServer>
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

    // env / saved: null when unset. The built-in origins are compiled in: no variable is needed.
    void endpoint_environmentOverSavedOverBuiltIn_data() {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("problem");
        const QString none;
        const auto source = [](ServiceEndpoints::Source s) { return int(s); };
        QTest::newRow("built in") << none << none << u"https://api.autoeuro.ru/"_s
                                  << source(ServiceEndpoints::Source::builtIn) << false;
        QTest::newRow("saved in the sheet") << none << u"https://gw.shop.ru/ae/"_s << u"https://gw.shop.ru/ae/"_s
                                            << source(ServiceEndpoints::Source::settings) << false;
        QTest::newRow("a variable over the saved one")
            << u"http://127.0.0.1:8123/autoeuro"_s << u"https://gw.shop.ru/"_s << u"http://127.0.0.1:8123/autoeuro"_s
            << source(ServiceEndpoints::Source::environment) << false;
        QTest::newRow("a damaged saved value is no fallback")
            << none << u"ftp://gw.shop.ru/"_s << QString() << source(ServiceEndpoints::Source::settings) << true;
        QTest::newRow("an empty variable: no address")
            << u""_s << u"https://gw.shop.ru/"_s << QString() << source(ServiceEndpoints::Source::none) << false;
    }
    void endpoint_environmentOverSavedOverBuiltIn() {
        QFETCH(QString, env);
        QFETCH(QString, saved);
        QFETCH(QString, origin);
        QFETCH(int, source);
        QFETCH(bool, problem);
        TestEnvironment home;
        const auto defaults = home.makeDefaults();
        if (!saved.isNull())
            defaults->setString(UserDefaultsKeys::autoEuroAddress, saved);
        const QByteArray name = ServiceEndpoints::environmentVariable(Service::autoEuro).toLatin1();
        if (!env.isNull())
            qputenv(name.constData(), env.toUtf8());
        auto endpoints = ServiceEndpoints::fromEnvironment();
        qunsetenv(name.constData());
        endpoints.setSavedAddresses(defaults.get());
        QCOMPARE(endpoints.origin(Service::autoEuro).toString(), origin);
        QCOMPARE(int(endpoints.source(Service::autoEuro)), source);
        QCOMPARE(endpoints.problem(Service::autoEuro).contains(u"«Настройки» → AutoEuro"_s), problem);
        QCOMPARE(endpoints.origin(Service::autopiter).toString(), u"https://service.autopiter.ru/"_s);
        QCOMPARE(endpoints.origin(Service::tradeSoft).toString(), u"https://service.tradesoft.ru/"_s);
        QCOMPARE(endpoints.source(Service::autoligaPortal), ServiceEndpoints::Source::none);
    }

    // "ok URL", "warn URL" (plain http to another computer) or "error".
    void addressCheck_refusesWhatIsNoServiceAddress_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("host in capitals, no slash")
            << u" HTTPS://API.autoeuro.ru "_s << u"ok https://api.autoeuro.ru/"_s;
        QTest::newRow("loopback over http")
            << u"http://127.0.0.1:8123/autoeuro"_s << u"ok http://127.0.0.1:8123/autoeuro/"_s;
        QTest::newRow("IPv6 loopback") << u"http://[::1]:8080/"_s << u"ok http://[::1]:8080/"_s;
        QTest::newRow("http elsewhere") << u"http://gw.shop.ru/api"_s << u"warn http://gw.shop.ru/api/"_s;
        QTest::newRow("no scheme") << u"api.autoeuro.ru"_s << u"error"_s;
        QTest::newRow("ftp") << u"ftp://api.autoeuro.ru/"_s << u"error"_s;
        QTest::newRow("no host") << u"https://"_s << u"error"_s;
        QTest::newRow("user info") << u"https://me@api.autoeuro.ru/"_s << u"error"_s;
        QTest::newRow("query") << u"https://api.autoeuro.ru/?key=1"_s << u"error"_s;
        QTest::newRow("fragment") << u"https://api.autoeuro.ru/#x"_s << u"error"_s;
    }
    void addressCheck_refusesWhatIsNoServiceAddress() {
        QFETCH(QString, typed);
        QFETCH(QString, outcome);
        const ServiceAddressCheck check = ServiceAddress::check(typed);
        const QString got =
            !check.error.isEmpty() ? u"error"_s : (check.unencrypted ? u"warn "_s : u"ok "_s) + check.url.toString();
        QCOMPARE(got, outcome);
    }

    // Each says what happened and where to look, naming the server.
    void transportFailures_areNamedInRussian_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << u"refused"_s << u"Сервер 127.0.0.1 отказал в соединении.{*}"_s;
        QTest::newRow("TLS with a plain server")
            << u"tls"_s << u"Соединение с 127.0.0.1 не защищено: {*}. Запрос не отправлен."_s;
        QTest::newRow("proxy asks for a password") << u"proxy"_s << u"Прокси-сервер требует логин и пароль.{*}"_s;
    }
    void transportFailures_areNamedInRussian() {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        // A plain HTTP server that answers every request as a proxy asking for a password.
        LocalServer server([](httplib::Server& s) {
            s.Get(".*", [](const httplib::Request&, httplib::Response& response) {
                response.status = 407;
                response.set_header("Proxy-Authenticate", "Basic realm=\"shop\"");
            });
        });
        auto network = std::make_unique<QNetworkAccessManager>();
        Http::Request request;
        if (failure == u"refused") {
            QTcpServer probe; // a port that nobody listens on any more
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            const quint16 port = probe.serverPort();
            probe.close();
            request.request.setUrl(QUrl(u"http://127.0.0.1:%1/"_s.arg(port)));
        } else if (failure == u"tls") {
            QUrl url = server.url(u"/"_s);
            url.setScheme(u"https"_s);
            request.request.setUrl(url);
        } else {
            network->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, quint16(server.url().port())));
            request.request.setUrl(QUrl(u"http://parts.example.ru/"_s));
            request.bodyOnlyOnSuccess = true; // the proxy's 407 is no status of the service's
        }
        QString description;
        try {
            awaitTask(Http::send(*network, request));
        } catch (const UserFacingError& error) {
            description = error.description();
        }
        network.reset();
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(
                                        QRegularExpression::escape(text).replace(u"\\{\\*\\}"_s, u".*"_s)))
                     .match(description)
                     .hasMatch(),
                 qPrintable(description));
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
