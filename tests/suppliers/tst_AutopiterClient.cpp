#include "AutopiterTestSupport.h"
#include "credentials/CredentialStore.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QtTest>

using Fault = SandboxBehaviour::Fault;
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
        const std::int64_t articleID = firstArticleID(*sandbox.client);
        QVERIFY(articleID > 0);
        QVERIFY(!awaitTask(sandbox.client->getPriceXML(articleID, 1)).isEmpty());
        QCOMPARE(sandbox.operations(), (QStringList{QStringLiteral("IsAuthorization"), QStringLiteral("Authorization"),
                                                    QStringLiteral("IsAuthorization"), QStringLiteral("FindCatalog"),
                                                    QStringLiteral("IsAuthorization"), QStringLiteral("GetPriceId")}));

        for (const auto& request : sandbox.server.requests()) {
            QCOMPARE(request.method, QStringLiteral("POST"));
            QCOMPARE(request.target, QStringLiteral("/autopiter/v2/price"));
            QCOMPARE(request.headers.value(QStringLiteral("content-type")), QStringLiteral("text/xml; charset=utf-8"));
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
        sandbox.credentials.set(kAutopiterUser, userID);
        sandbox.credentials.set(kAutopiterPassword, password);
        QCOMPARE(autopiterFailureOf(sandbox.client->authorizeFromKeychain()), outcome);
        QCOMPARE(QString::fromUtf8(sandbox.requestsTo(QStringLiteral("Authorization")).value(0).body),
                 envelope(QStringLiteral("Authorization"), sentBody));
    }

    void everyFailure_reachesTheUserWithItsText_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("description");
        QTest::newRow("no user id") << u"no user id"_s << u"Не указаны User ID или пароль Autopiter."_s;
        QTest::newRow("user id of blanks") << u"blank user id"_s << u"Не указаны User ID или пароль Autopiter."_s;
        QTest::newRow("empty password") << u"empty password"_s << u"Не указаны User ID или пароль Autopiter."_s;
        QTest::newRow("wrong password") << u"wrong password"_s << u"Autopiter отклонил авторизацию."_s;
        QTest::newRow("login rejected") << u"login rejected"_s << u"Autopiter отклонил авторизацию."_s;
        QTest::newRow("login without cookie")
            << u"login without cookie"_s << u"Autopiter подтвердил авторизацию, но не вернул AuthCoocies."_s;
        QTest::newRow("SOAP fault with 500")
            << u"status 500"_s
            << "Некорректный SOAP-ответ Autopiter: HTTP 500: <?xml version=\"1.0\" encoding=\"utf-8\"?> "
               "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"> <soap:Body> <soap:Fault> "
               "<faultcode>soap:Server</faultcode> <faultstring>Server was unable to process request. ---> "
               "Simulated failure.</faultstring> </soap:Fault> </soap:Body> </soap:Envelope>.";
        QTest::newRow("empty 503") << u"empty 503"_s << u"Autopiter вернул HTTP 503."_s;
        QTest::newRow("malformed answer")
            << u"malformed"_s << u"Некорректный SOAP-ответ Autopiter: IsAuthorizationResult."_s;
        QTest::newRow("body over 32 MiB")
            << u"huge"_s << u"Некорректный SOAP-ответ Autopiter: Ответ сервера слишком велик."_s;
        QTest::newRow("no address") << u"no address"_s << u"Не удалось сформировать адрес Autopiter."_s;
        QTest::newRow("credential store failure") << u"store failure"_s << u"Keychain error: 5"_s;
    }
    void everyFailure_reachesTheUserWithItsText() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutopiterSandbox sandbox;
        if (setup == u"no user id")
            awaitTask(sandbox.credentials.remove(kAutopiterUser));
        else if (setup == u"blank user id")
            sandbox.credentials.set(kAutopiterUser, QStringLiteral(" \t\n"));
        else if (setup == u"empty password")
            sandbox.credentials.set(kAutopiterPassword, QString());
        else if (setup == u"wrong password")
            sandbox.credentials.set(kAutopiterPassword, QStringLiteral("guess"));
        else if (setup == u"login rejected")
            sandbox.setFault(Fault::loginRejected);
        else if (setup == u"login without cookie")
            sandbox.setFault(Fault::loginWithoutCookie);
        else if (setup == u"status 500")
            sandbox.setFault(Fault::status, {}, 500);
        else if (setup == u"empty 503")
            sandbox.setFault(Fault::emptyStatus, {}, 503);
        else if (setup == u"malformed")
            sandbox.setFault(Fault::malformed);
        else if (setup == u"huge")
            sandbox.setFault(Fault::huge);
        else if (setup == u"no address")
            sandbox.endpoints.setOrigin(ServiceEndpoints::Service::autopiter, QUrl());
        else if (setup == u"store failure")
            sandbox.credentials.setFailure(KeychainError(5, QString()));
        QCOMPARE(autopiterFailureOf(sandbox.client->findCatalogXML(QStringLiteral("OC 90"))), description);
    }

    void unansweredRequest_endsWithTheNetworkError() {
        AutopiterSandbox sandbox;
        sandbox.setFault(Fault::hang);
        sandbox.client->setTimeout(300ms);
        QCOMPARE(autopiterFailureOf(sandbox.client->ensureAuthorized()), QStringLiteral("Сервер не ответил вовремя."));
    }

    void booleanAnswer_isTrueFalseOneOrZero_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "kept" (no login), "logged in", or the failure text
        const QString invalid = QStringLiteral("Некорректный SOAP-ответ Autopiter: IsAuthorizationResult.");
        QTest::newRow("TRUE with blanks")
            << QByteArray("<r><IsAuthorizationResult> TRUE\n</IsAuthorizationResult></r>") << "kept";
        QTest::newRow("1") << QByteArray("<IsAuthorizationResult>1</IsAuthorizationResult>") << "kept";
        QTest::newRow("0 even after a login")
            << QByteArray("<IsAuthorizationResult>0</IsAuthorizationResult>") << "Autopiter отклонил авторизацию.";
        QTest::newRow("another word") << QByteArray("<IsAuthorizationResult>yes</IsAuthorizationResult>") << invalid;
        QTest::newRow("no closing tag") << QByteArray("<IsAuthorizationResult>true</IsAuthorization>") << invalid;
        QTest::newRow("prefixed element")
            << QByteArray("<a:IsAuthorizationResult>true</a:IsAuthorizationResult>") << invalid;
        QTest::newRow("not UTF-8") << QByteArray("<IsAuthorizationResult>true\xff</IsAuthorizationResult>") << invalid;
    }
    void booleanAnswer_isTrueFalseOneOrZero() {
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        ScriptedAutopiter server({{"IsAuthorization", {200, body.toStdString()}}});
        const QString failure = autopiterFailureOf(server.client->ensureAuthorized());
        const auto seen = server.seen();
        const bool loggedIn = std::find(seen.begin(), seen.end(), "Authorization") != seen.end();
        QCOMPARE(failure == u"<no error>" ? (loggedIn ? QStringLiteral("logged in") : QStringLiteral("kept")) : failure,
                 outcome);
    }

    void answerThatIsNotUtf8_namesItsOperation() {
        ScriptedAutopiter server({{"FindCatalog", {200, "<r>\xc3</r>"}}, {"GetPriceId", {200, "\xfe\xff"}}});
        QCOMPARE(autopiterFailureOf(server.client->findCatalogXML(QStringLiteral("OC 90"))),
                 QStringLiteral("Некорректный SOAP-ответ Autopiter: FindCatalog."));
        QCOMPARE(autopiterFailureOf(server.client->getPriceXML(1, 1)),
                 QStringLiteral("Некорректный SOAP-ответ Autopiter: GetPriceId."));
    }

    void blankNumber_sendsNothing() {
        AutopiterSandbox sandbox;
        QCOMPARE(awaitTask(sandbox.client->findCatalogXML(QStringLiteral(" \n\t"))), QString());
        QVERIFY(sandbox.server.requests().isEmpty());
    }

    // Every login deletes the cookie first: five of them racing would undo each other.
    void burstOfPriceRequests_afterTheLoginExpired_logsInOnce() {
        AutopiterSandbox sandbox;
        const std::int64_t articleID = firstArticleID(*sandbox.client);
        sandbox.client->clearAuthorization(); // as when the cookie has expired
        sandbox.server.clearRequests();
        std::vector<QCoro::Task<QString>> burst;
        for (int i = 0; i < 5; ++i)
            burst.push_back(sandbox.client->getPriceXML(articleID, 1));
        for (auto& task : burst)
            QVERIFY(awaitTask(std::move(task)).contains(u"<PriceSearchModel>"));
        QCOMPARE(sandbox.requestsTo(QStringLiteral("Authorization")).size(), 1);
        QCOMPARE(sandbox.requestsTo(QStringLiteral("GetPriceId")).size(), 5);
        QCOMPARE(sandbox.credentials.readCount(), 4); // two reads per login
    }
};

QTEST_GUILESS_MAIN(TestAutopiterClient)
#include "tst_AutopiterClient.moc"
