#include "credentials/CredentialStore.h"
#include "net/LocalServer.h"
#include "suppliers/ConnectionChecks.h"
#include "SupplierTestSupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestAutoEuroClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void payers_failOrCountWhatTheAnswerSays_data() {
        QTest::addColumn<QString>("setup");   // see SupplierSandbox::arrange()
        QTest::addColumn<QByteArray>("body"); // get_payers' answer; null: the sandbox's own
        QTest::addColumn<QString>("outcome"); // a failure text, or the number of payers
        const QString missing = u"API-key AutoEuro не настроен."_s;
        const QByteArray own;
        QTest::newRow("no key stored") << u"autoeuro-api-key=<removed>"_s << own << missing;
        QTest::newRow("key of blanks") << u"autoeuro-api-key= \t\n "_s << own << missing;
        QTest::newRow("key with a line break inside") << u"autoeuro-api-key=abc\r\nX-Evil: 1"_s << own << missing;
        QTest::newRow("no address") << u"<no address>"_s << own << u"Не удалось сформировать URL AutoEuro."_s;
        const auto answer = [](const QByteArray& meta) {
            return "{" + meta + R"("DATA":[{"payer_key":"1","payer_name":"A"}]})";
        };
        QTest::newRow("OK") << QString() << answer(R"("META":{"result":"OK"},)") << u"1"_s;
        QTest::newRow("no META") << QString() << answer({}) << u"1"_s;
        QTest::newRow("META without result") << QString() << answer(R"("META":{"results_count":"1"},)") << u"1"_s;
        QTest::newRow("result null") << QString() << answer(R"("META":{"result":null},)") << u"1"_s;
        QTest::newRow("lower-case ok") << QString() << answer(R"("META":{"result":"ok"},)") << u"Ошибка AutoEuro: ok"_s;
        QTest::newRow("error with rows") << QString() << answer(R"("META":{"result":"Нет доступа"},)")
                                         << u"Ошибка AutoEuro: Нет доступа"_s;
        QTest::newRow("DATA null") << QString() << QByteArray(R"({"META":{"result":"OK"},"DATA":null})") << u"0"_s;
        QTest::newRow("DATA missing") << QString() << QByteArray(R"({"META":{"result":"OK"}})") << u"0"_s;
    }
    void payers_failOrCountWhatTheAnswerSays() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        AutoEuroSandbox sandbox;
        if (!body.isNull())
            sandbox.setFault(Fault::body, u"get_payers/"_s, 200, body);
        sandbox.arrange(setup, Service::autoEuro);
        QString payers;
        const QString failure = failureOf([&] { payers = QString::number(awaitTask(sandbox.client.payers()).size()); });
        QCOMPARE(payers.isNull() ? failure : payers, outcome);
    }

    void apiKey_isTrimmedAndTravelsOnlyInTheHeader_theQueryAsSent() {
        AutoEuroSandbox sandbox;
        const QString key = QString::fromUtf16(SandboxServer::autoEuroAPIKey);
        sandbox.credentials.set(u"autoeuro-api-key"_s, u"  "_s + key + u"\n"_s);
        QCOMPARE(awaitTask(sandbox.client.payers()).size(), 1);
        const auto requests = sandbox.requestsTo(u"get_payers"_s);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].headers.value(u"key"_s) + u' ' + requests[0].headers.value(u"accept"_s),
                 key + u" application/json"_s);
        QCOMPARE(requests[0].method + u' ' + requests[0].target, u"GET /autoeuro/api/v2/json/get_payers/"_s);

        // The query arrives in order and as sent.
        awaitTask(sandbox.client.offers(u"MANN+HUMMEL"_s, u"C 27 009"_s, u"CHL-07"_s));
        QCOMPARE(sandbox.requestsTo(u"search_items"_s).value(0).target,
                 u"/autoeuro/api/v2/json/search_items/"
                 "?brand=MANN%2BHUMMEL&code=C%2027%20009&delivery_key=CHL-07&with_crosses=1&with_offers=1"_s);

        awaitTask(sandbox.client.brands(u" фильтр&a=b "_s));
        const auto brands = sandbox.requestsTo(u"search_brands"_s).value(0);
        QCOMPARE(brands.query.size(), 1);
        QCOMPARE(brands.query[0].second, u" фильтр&a=b "_s);
    }

    void originWithEncodedPath_isKeptAsWritten() {
        std::string target;
        LocalServer server([&](httplib::Server& s) {
            s.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
                target = request.target;
                response.set_content("{\"DATA\":[]}", "application/json");
            });
        });
        AutoEuroSandbox sandbox;
        sandbox.endpoints.setOrigin(Service::autoEuro, server.url(u"/shop%20one"_s));
        awaitTask(sandbox.client.payers());
        QCOMPARE(target, "/shop%20one/api/v2/json/get_payers/");
    }

    void connectionCheck_describesTheAccount_evenWithoutPayers() {
        AutoEuroSandbox sandbox;
        sandbox.setFault(Fault::body, u"get_payers/"_s, 200, "{\"DATA\":[]}");
        const auto result = awaitTask(ConnectionChecks::autoEuro(sandbox.client));
        QVERIFY(result.ok);
        QCOMPARE(result.accountInfo, u"API AutoEuro: доступ подтверждён\n\nПлательщики:\nне найдены\n\n"
                                     "Точка получения:\nг. Челябинск, ул. Линейная 98\n\ndelivery_key:\nCHL-07\n\n"
                                     "Статусов заказа получено:\n4"_s);
    }

    void apiKey_isReadOnceForABurst_butAFailedReadIsNotCached() {
        AutoEuroSandbox sandbox;
        sandbox.credentials.setFailure(KeychainError(5, u"Хранилище заблокировано"_s));
        QCOMPARE(failureOf(sandbox.client.payers()), u"Хранилище заблокировано"_s);
        sandbox.credentials.setFailure(std::nullopt);
        const int failedReads = sandbox.credentials.readCount();

        std::vector<QCoro::Task<QList<AutoEuroPayer>>> burst;
        for (int i = 0; i < 5; ++i)
            burst.push_back(sandbox.client.payers());
        for (auto& task : burst)
            QCOMPARE(awaitTask(std::move(task)).size(), 1);
        // Answering from the cache must leave the cache intact.
        awaitTask(sandbox.client.payers());
        awaitTask(sandbox.client.payers());
        QCOMPARE(sandbox.credentials.readCount(), failedReads + 1);
        sandbox.client.invalidateCachedAPIKey();
        awaitTask(sandbox.client.payers());
        QCOMPARE(sandbox.credentials.readCount(), failedReads + 2);
    }
};

QTEST_GUILESS_MAIN(TestAutoEuroClient)
#include "tst_AutoEuroClient.moc"
