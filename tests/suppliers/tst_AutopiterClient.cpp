#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "SupplierTestSupport.h"

#include <QtTest>

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
        sandbox.credentials.set(u"autopiter-user-id"_s, u" sandbox-autopiter\n"_s);
        const std::int64_t articleID = firstArticleID(sandbox.client);
        QVERIFY(articleID > 0);
        QVERIFY(!awaitTask(sandbox.client.getPriceXML(articleID, 1)).isEmpty());
        // The user id trimmed; the sandbox's password holds every character that must be escaped.
        const QString session = envelope(u"IsAuthorization"_s, QString());
        const QStringList expected{
            session,
            envelope(u"Authorization"_s, u"<UserID>sandbox-autopiter</UserID>\n"
                                         "<Password>Pit&lt;&amp;&gt;&quot;er&apos;42</Password>\n<Save>true</Save>"_s),
            session,
            envelope(u"FindCatalog"_s, u"<Number>OC 90</Number>"_s),
            session,
            envelope(u"GetPriceId"_s,
                     u"<ArticleId>%1</ArticleId>\n<DetailUid xsi:nil=\"true\" />\n<Currency>РУБ</Currency>\n"
                     "<SearchCross>1</SearchCross>\n<MinSalesRating>0</MinSalesRating>\n"
                     "<MinRealTimeInProc>0</MinRealTimeInProc>"_s.arg(articleID))};
        QStringList operations;
        QStringList sent;
        for (const auto& request : sandbox.server.requests()) {
            QCOMPARE(request.method + u' ' + request.target + u' ' + request.headers.value(u"content-type"_s),
                     u"POST /autopiter/v2/price text/xml; charset=utf-8"_s);
            operations.append(request.headers.value(u"soapaction"_s).section(u'/', -1));
            sent.append(QString::fromUtf8(request.body));
        }
        QCOMPARE(operations,
                 u"IsAuthorization Authorization IsAuthorization FindCatalog IsAuthorization GetPriceId"_s.split(u' '));
        QCOMPARE(sent, expected);
    }

    void password_isEscapedAsStored_entityAndTrailingBlankIncluded() {
        AutopiterSandbox sandbox;
        sandbox.credentials.set(u"autopiter-password"_s, u"a&lt;b "_s);
        QCOMPARE(failureOf(sandbox.client.authorizeFromKeychain()), u"Autopiter отклонил авторизацию."_s);
        QCOMPARE(
            QString::fromUtf8(sandbox.requestsTo(QStringLiteral("Authorization")).value(0).body),
            envelope(QStringLiteral("Authorization"), QStringLiteral("<UserID>sandbox-autopiter</UserID>\n<Password>"
                                                                     "a&amp;lt;b </Password>\n<Save>true</Save>")));
    }

    void everyFailure_reachesTheUserWithItsText_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("setup"); // see SupplierSandbox::arrange()
        QTest::addColumn<QString>("description");
        const int none = int(Fault::none);
        const QString missing = u"Не указаны User ID или пароль Autopiter."_s;
        const QString rejected = u"Autopiter отклонил авторизацию."_s;
        QTest::newRow("no user id") << none << QByteArray() << u"autopiter-user-id=<removed>"_s << missing;
        QTest::newRow("user id of blanks") << none << QByteArray() << u"autopiter-user-id= \t\n"_s << missing;
        QTest::newRow("empty password") << none << QByteArray() << u"autopiter-password="_s << missing;
        QTest::newRow("wrong password") << none << QByteArray() << u"autopiter-password=guess"_s << rejected;
        QTest::newRow("login without cookie") << int(Fault::loginWithoutCookie) << QByteArray() << QString()
                                              << u"Autopiter подтвердил авторизацию, но не вернул AuthCoocies."_s;
        QTest::newRow("no address") << none << QByteArray() << u"<no address>"_s
                                    << u"Не удалось сформировать адрес Autopiter."_s;
        QTest::newRow("credential store failure") << none << QByteArray() << u"<locked>"_s << u"Keychain error: 5"_s;
        // The session check's answer is true, false, 1 or 0 in an element of its own.
        const int body = int(Fault::body);
        const QString invalid = u"Некорректный SOAP-ответ Autopiter: IsAuthorizationResult."_s;
        auto session = [](const QByteArray& result) {
            return "<r><IsAuthorizationResult>" + result + "</IsAuthorizationResult></r>";
        };
        QTest::newRow("session TRUE with blanks") << body << session(" TRUE\n") << QString() << u"<no error>"_s;
        QTest::newRow("session 1") << body << session("1") << QString() << u"<no error>"_s;
        QTest::newRow("session 0 even after a login") << body << session("0") << QString() << rejected;
        QTest::newRow("session another word") << body << session("yes") << QString() << invalid;
        QTest::newRow("session not UTF-8") << body << session("true\xff") << QString() << invalid;
        QTest::newRow("session without its closing tag")
            << body << QByteArray("<IsAuthorizationResult>true</IsAuthorization>") << QString() << invalid;
        QTest::newRow("session in a prefixed element")
            << body << QByteArray("<a:IsAuthorizationResult>true</a:IsAuthorizationResult>") << QString() << invalid;
    }
    void everyFailure_reachesTheUserWithItsText() {
        QFETCH(int, fault);
        QFETCH(QByteArray, body);
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutopiterSandbox sandbox;
        const bool session = !body.isEmpty();
        sandbox.setFault(Fault(fault), session ? u"IsAuthorization"_s : QString(), 200, body);
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
