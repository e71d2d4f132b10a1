#include "credentials/CredentialStore.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "SupplierTestSupport.h"

#include <QtTest>

using namespace std::chrono_literals;

namespace {

QString envelope(const QString& operation, const QString& body) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<soap:Envelope\n"
                          "  xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"\n"
                          "  xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                          "  <soap:Body>\n"
                          "    <%1 xmlns=\"http://www.autopiter.ru/\">\n"
                          "      %2\n"
                          "    </%1>\n"
                          "  </soap:Body>\n"
                          "</soap:Envelope>")
        .arg(operation, body);
}

std::int64_t firstArticleID(AutopiterClient& client) {
    const QString xml = awaitTask(client.findCatalogXML(QStringLiteral("OC 90")));
    return AutopiterXmlParser::catalogItems(xml.toUtf8()).value(0).articleID;
}

} // namespace

using namespace Qt::StringLiterals;

class TestAutopiterClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requests_carryTheEnvelopeAndHeadersAsWritten() {
        AutopiterSandbox sandbox;
        const std::int64_t articleID = firstArticleID(sandbox.client);
        QVERIFY(articleID > 0);
        QVERIFY(!awaitTask(sandbox.client.getPriceXML(articleID, 1)).isEmpty());
        QCOMPARE(sandbox.operations(),
                 u"IsAuthorization Authorization IsAuthorization FindCatalog IsAuthorization GetPriceId"_s.split(u' '));
        for (const auto& request : sandbox.server.requests()) {
            QCOMPARE(request.method + u' ' + request.target + u' ' + request.headers.value(u"content-type"_s),
                     u"POST /autopiter/v2/price text/xml; charset=utf-8"_s);
        }
        QCOMPARE(sandbox.requestsTo(QStringLiteral("IsAuthorization")).value(0).body,
                 envelope(QStringLiteral("IsAuthorization"), QString()).toUtf8());
        QCOMPARE(sandbox.requestsTo(QStringLiteral("FindCatalog")).value(0).body,
                 envelope(QStringLiteral("FindCatalog"), QStringLiteral("<Number>OC 90</Number>")).toUtf8());
        QCOMPARE(QString::fromUtf8(sandbox.requestsTo(QStringLiteral("GetPriceId")).value(0).body),
                 envelope(QStringLiteral("GetPriceId"), QStringLiteral("<ArticleId>%1</ArticleId>\n"
                                                                       "<DetailUid xsi:nil=\"true\" />\n"
                                                                       "<Currency>РУБ</Currency>\n"
                                                                       "<SearchCross>1</SearchCross>\n"
                                                                       "<MinSalesRating>0</MinSalesRating>\n"
                                                                       "<MinRealTimeInProc>0</MinRealTimeInProc>")
                                                            .arg(articleID)));
    }

    void credentials_userIdTrimmed_passwordEscapedAsStored_data() {
        QTest::addColumn<QString>("userID");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("sentBody");
        QTest::addColumn<QString>("outcome");
        // The sandbox's password holds every character that must be escaped.
        QTest::newRow("sandbox account, user id with blanks")
            << " sandbox-autopiter\n"
            << QString::fromUtf16(SandboxServer::autopiterPassword)
            << "<UserID>sandbox-autopiter</UserID>\n<Password>Pit&lt;&amp;&gt;&quot;er&apos;42</Password>\n"
               "<Save>true</Save>"
            << "<no error>";
        QTest::newRow("password with a trailing blank and an entity")
            << "sandbox-autopiter"
            << "a&lt;b "
            << "<UserID>sandbox-autopiter</UserID>\n<Password>a&amp;lt;b </Password>\n<Save>true</Save>"
            << "Autopiter отклонил авторизацию.";
    }
    void credentials_userIdTrimmed_passwordEscapedAsStored() {
        QFETCH(QString, userID);
        QFETCH(QString, password);
        QFETCH(QString, sentBody);
        QFETCH(QString, outcome);
        AutopiterSandbox sandbox;
        sandbox.credentials.set(u"autopiter-user-id"_s, userID);
        sandbox.credentials.set(u"autopiter-password"_s, password);
        QCOMPARE(failureOf(sandbox.client.authorizeFromKeychain()), outcome);
        QCOMPARE(QString::fromUtf8(sandbox.requestsTo(QStringLiteral("Authorization")).value(0).body),
                 envelope(QStringLiteral("Authorization"), sentBody));
    }

    void everyFailure_reachesTheUserWithItsText_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("setup"); // see SupplierSandbox::arrange()
        QTest::addColumn<QString>("description");
        const int none = int(Fault::none);
        const QString missing = u"Не указаны User ID или пароль Autopiter."_s;
        const QString rejected = u"Autopiter отклонил авторизацию."_s;
        QTest::newRow("no user id") << none << 0 << QByteArray() << u"autopiter-user-id=<removed>"_s << missing;
        QTest::newRow("user id of blanks") << none << 0 << QByteArray() << u"autopiter-user-id= \t\n"_s << missing;
        QTest::newRow("empty password") << none << 0 << QByteArray() << u"autopiter-password="_s << missing;
        QTest::newRow("wrong password") << none << 0 << QByteArray() << u"autopiter-password=guess"_s << rejected;
        QTest::newRow("login rejected") << int(Fault::loginRejected) << 0 << QByteArray() << QString() << rejected;
        QTest::newRow("login without cookie") << int(Fault::loginWithoutCookie) << 0 << QByteArray() << QString()
                                              << u"Autopiter подтвердил авторизацию, но не вернул AuthCoocies."_s;
        QTest::newRow("SOAP fault with 500")
            << int(Fault::status) << 500 << QByteArray() << QString()
            << "Некорректный SOAP-ответ Autopiter: HTTP 500: <?xml version=\"1.0\" encoding=\"utf-8\"?> "
               "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"> <soap:Body> <soap:Fault> "
               "<faultcode>soap:Server</faultcode> <faultstring>Server was unable to process request. ---> "
               "Simulated failure.</faultstring> </soap:Fault> </soap:Body> </soap:Envelope>.";
        QTest::newRow("empty 503") << int(Fault::emptyStatus) << 503 << QByteArray() << QString()
                                   << u"Autopiter вернул HTTP 503."_s;
        QTest::newRow("malformed answer") << int(Fault::malformed) << 0 << QByteArray() << QString()
                                          << u"Некорректный SOAP-ответ Autopiter: IsAuthorizationResult."_s;
        QTest::newRow("answer not UTF-8") << int(Fault::body) << 200 << QByteArray("<r>\xc3</r>") << QString()
                                          << u"Некорректный SOAP-ответ Autopiter: FindCatalog."_s;
        QTest::newRow("body over 32 MiB") << int(Fault::huge) << 0 << QByteArray() << QString()
                                          << u"Некорректный SOAP-ответ Autopiter: Ответ сервера слишком велик."_s;
        QTest::newRow("no answer") << int(Fault::hang) << 0 << QByteArray() << QString()
                                   << u"Сервер не ответил вовремя."_s;
        QTest::newRow("no address") << none << 0 << QByteArray() << u"<no address>"_s
                                    << u"Не удалось сформировать адрес Autopiter."_s;
        QTest::newRow("credential store failure")
            << none << 0 << QByteArray() << u"<locked>"_s << u"Keychain error: 5"_s;
        // The session check's answer is true, false, 1 or 0 in an element of its own.
        const int body = int(Fault::body);
        const QString invalid = u"Некорректный SOAP-ответ Autopiter: IsAuthorizationResult."_s;
        auto session = [](const QByteArray& result) {
            return "<r><IsAuthorizationResult>" + result + "</IsAuthorizationResult></r>";
        };
        QTest::newRow("session TRUE with blanks") << body << 200 << session(" TRUE\n") << QString() << u"<no error>"_s;
        QTest::newRow("session 1") << body << 200 << session("1") << QString() << u"<no error>"_s;
        QTest::newRow("session 0 even after a login") << body << 200 << session("0") << QString() << rejected;
        QTest::newRow("session another word") << body << 200 << session("yes") << QString() << invalid;
        QTest::newRow("session not UTF-8") << body << 200 << session("true\xff") << QString() << invalid;
        QTest::newRow("session without its closing tag")
            << body << 200 << QByteArray("<IsAuthorizationResult>true</IsAuthorization>") << QString() << invalid;
        QTest::newRow("session in a prefixed element")
            << body << 200 << QByteArray("<a:IsAuthorizationResult>true</a:IsAuthorizationResult>") << QString()
            << invalid;
    }
    void everyFailure_reachesTheUserWithItsText() {
        QFETCH(int, fault);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutopiterSandbox sandbox;
        const bool session = body.contains("IsAuthorizationResult");
        sandbox.setFault(Fault(fault),
                         body.isEmpty() ? QString()
                         : session      ? u"IsAuthorization"_s
                                        : u"FindCatalog"_s,
                         status, body);
        sandbox.client.setTimeout(300ms);
        sandbox.arrange(setup, Service::autopiter);
        // Without a real login the sandbox would refuse the catalogue after a faked session check.
        QCOMPARE(session ? failureOf(sandbox.client.ensureAuthorized())
                         : failureOf(sandbox.client.findCatalogXML(u"OC 90"_s)),
                 description);
    }

    void blankNumber_sendsNothing() {
        AutopiterSandbox sandbox;
        QCOMPARE(awaitTask(sandbox.client.findCatalogXML(QStringLiteral(" \n\t"))), QString());
        QVERIFY(sandbox.server.requests().isEmpty());
    }

    // Every login deletes the cookie first: five of them racing would undo each other.
    void burstOfPriceRequests_afterTheLoginExpired_logsInOnce() {
        AutopiterSandbox sandbox;
        const std::int64_t articleID = firstArticleID(sandbox.client);
        sandbox.client.clearAuthorization(); // as when the cookie has expired
        sandbox.server.clearRequests();
        std::vector<QCoro::Task<QString>> burst;
        for (int i = 0; i < 5; ++i)
            burst.push_back(sandbox.client.getPriceXML(articleID, 1));
        for (auto& task : burst)
            QVERIFY(awaitTask(std::move(task)).contains(u"<PriceSearchModel>"));
        // One login, with its two reads from the store.
        QCOMPARE(std::tuple(sandbox.requestsTo(u"Authorization"_s).size(), sandbox.requestsTo(u"GetPriceId"_s).size(),
                            sandbox.credentials.readCount()),
                 std::tuple(qsizetype(1), qsizetype(5), 4));
    }
};

QTEST_GUILESS_MAIN(TestAutopiterClient)
#include "tst_AutopiterClient.moc"
