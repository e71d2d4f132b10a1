#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"
#include "support/AwaitTask.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QtTest>

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

    void environmentNames_matchTheBuildVariables() {
        QCOMPARE(ServiceEndpoints::environmentVariable(Service::autopiter), QStringLiteral("ORELIA_AUTOPITER_URL"));
        QCOMPARE(ServiceEndpoints::environmentVariable(Service::tradeSoft), QStringLiteral("ORELIA_TRADESOFT_URL"));
        QCOMPARE(ServiceEndpoints::environmentVariable(Service::autoligaPortal),
                 QStringLiteral("ORELIA_AUTOLIGA_PORTAL_URL"));
        QCOMPARE(ServiceEndpoints::environmentVariable(Service::feedback), QStringLiteral("ORELIA_FEEDBACK_URL"));
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
