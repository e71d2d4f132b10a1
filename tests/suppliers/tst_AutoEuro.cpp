#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "credentials/CredentialStore.h"
#include "FieldText.h"
#include "net/LocalServer.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "suppliers/ConnectionChecks.h"
#include "SupplierTestSupport.h"
#include "support/SandboxServices.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestAutoEuro : public QObject {
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
        QTest::newRow("no META") << QString() << answer({}) << u"1"_s;
        QTest::newRow("result null") << QString() << answer(R"("META":{"result":null},)") << u"1"_s;
        QTest::newRow("lower-case ok") << QString() << answer(R"("META":{"result":"ok"},)") << u"Ошибка AutoEuro: ok"_s;
        QTest::newRow("error with rows") << QString() << answer(R"("META":{"result":"Нет доступа"},)")
                                         << u"Ошибка AutoEuro: Нет доступа"_s;
        QTest::newRow("DATA null") << QString() << QByteArray(R"({"META":{"result":"OK"},"DATA":null})") << u"0"_s;
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

    void blankArticle_sendsNoRequest() {
        AutoEuroSandbox sandbox;
        AutoEuroProvider provider(sandbox.client);
        QVERIFY(awaitTask(provider.search(u" \n\t "_s)).isEmpty());
        QVERIFY(sandbox.server.requests().isEmpty());
    }

    // Every brand asked and at which point: the whole-road search and the lookup table below.
    void search_asksForTheBrandsOfTheTrimmedArticleInCapitals() {
        AutoEuroSandbox sandbox;
        AutoEuroProvider provider(sandbox.client);
        const auto offers = awaitTask(provider.search(u"oc 90\n"_s));
        QCOMPARE(sandbox.requestsTo(u"search_brands"_s).value(0).query.value(0).second, u"OC 90"_s);
        QVERIFY(!offers.isEmpty());
        for (const auto& offer : offers)
            QCOMPARE(offer.supplierID + u' ' + offer.supplierName, u"autoeuro AutoEuro"_s);
    }

    void lookups_decideTheSearch_data() {
        QTest::addColumn<QString>("match");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // the failure, or the delivery key the items are asked for
        const QString nowhere = u"В AutoEuro не найдена точка доставки в Челябинске."_s;
        QTest::newRow("brands failing") << u"search_brands/"_s << 502 << QByteArray() << u"AutoEuro вернул HTTP 502."_s;
        QTest::newRow("deliveries failing")
            << u"get_deliveries/"_s << 502 << QByteArray() << u"AutoEuro вернул HTTP 502."_s;
        QTest::newRow("the first point naming Chelyabinsk, in capitals inside a longer name")
            << u"get_deliveries/"_s << 200
            << QByteArray(R"({"DATA":[{"delivery_key":"M","delivery_name":"Москва"},)"
                          R"({"delivery_key":"C1","delivery_name":"Склад ЧЕЛЯБИНСК-Север"},)"
                          R"({"delivery_key":"C2","delivery_name":"г. Челябинск"}]})")
            << u"delivery_key=C1"_s;
        QTest::newRow("no point in Chelyabinsk")
            << u"get_deliveries/"_s << 200 << QByteArray(R"({"DATA":[{"delivery_key":"M","delivery_name":"Москва"}]})")
            << nowhere;
        QTest::newRow("the point named \"name\", numbers as text")
            << u"get_deliveries/"_s << 200
            << QByteArray(R"({"META":{"result":"OK"},"DATA":[{"delivery_key":"C9","name":"Челябинск",)"
                          R"("time_shift_msk":"2"}]})")
            << u"delivery_key=C9"_s;
        // The service's own error, with a 200 or with an error status.
        const QByteArray error = R"({"ERROR":{"code":12,"message":"Превышен лимит запросов"}})";
        QTest::newRow("an ERROR with 200")
            << u"search_brands/"_s << 200 << error << u"Ошибка AutoEuro: Превышен лимит запросов"_s;
        QTest::newRow("an ERROR with 429")
            << u"search_brands/"_s << 429 << error << u"Ошибка AutoEuro: Превышен лимит запросов"_s;
        QTest::newRow("a key not accepted")
            << u"search_brands/"_s << 403 << QByteArray("<html>Forbidden</html>")
            << u"AutoEuro не принял API-key (HTTP 403). Проверьте ключ: «Настройки» → AutoEuro."_s;
    }
    void lookups_decideTheSearch() {
        QFETCH(QString, match);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        AutoEuroSandbox sandbox;
        sandbox.setFault(Fault::body, match, status, body);
        AutoEuroProvider provider(sandbox.client);
        const QString failure = failureOf(provider.search(u"OC 90"_s));
        const auto items = sandbox.requestsTo(u"search_items"_s);
        QCOMPARE(items.isEmpty() ? failure : u"delivery_key="_s + items[0].query.value(2).second, outcome);
    }

    // The whole road: the view model asks every supplier through AppServices' connectors, all
    // answering from the sandbox. One of AutoEuro's brands fails, which costs only its own
    // offers and is reported next to them; the portal asks with the brand the others agree on.
    void oneBrandFailing_isReportedBesideTheOffers_andThePortalAsksWithTheOthersBrand() {
        TestEnvironment environment;
        SupplierSandbox sandbox;
        sandbox.setFault(Service::autoEuro, Fault::status, u"brand=MAHLE"_s, 500);
        const auto services = sandboxServices(environment, sandbox.endpoints, true);

        SearchViewModel model(services->supplierPreferences(), services->searchConnectors());
        QSignalSpy finished(&model, &SearchViewModel::searchFinished);
        model.setArticle(u"oc 90"_s);
        model.search();
        QVERIFY(finished.wait(30000));

        QVERIFY2(model.errorMessage().isNull(), qPrintable(model.errorMessage()));
        const QString partial = u"AutoEuro: часть ответов не получена (1 из 2): AutoEuro вернул HTTP 500."_s;
        QCOMPARE(model.supplierFailures(), QStringList{partial});
        QVERIFY(environment.performanceLogText().contains(u"⚠️ AutoEuro: "));
        // Without AutoEuro's MAHLE lines, KNECHT has the most votes.
        const auto portalSearch = sandbox.requestsTo(u"/autoliga/api/v2/client/search/"_s).value(0);
        QCOMPARE(portalSearch.query,
                 (QList<std::pair<QString, QString>>{
                     {u"article"_s, u"OC 90"_s}, {u"withAnalogs"_s, u"1"_s}, {u"brand"_s, u"KNECHT"_s}}));
    }

    void sharedOfferKey_isKeptOnce() {
        AutoEuroSandbox sandbox;
        // Both brands of OC 90 answer the same lines.
        sandbox.setFault(Fault::body, u"search_items/"_s, 200,
                         R"({"DATA":[{"offer_key":"same","price":10},{"offer_key":" same ","price":11},)"
                         R"({"offer_key":"other","price":12}]})");
        AutoEuroProvider provider(sandbox.client);
        const auto offers = awaitTask(provider.search(u"OC 90"_s));
        QStringList kept;
        for (const auto& offer : offers)
            kept.append(offer.supplierOfferKey + u'=' + offer.price.toString());
        QCOMPARE(kept, (QStringList{u"same=10"_s, u"other=12"_s}));
    }

    void normalize_mapsFieldByField_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("expected"); // "dropped" or field=value pairs checked below
        QTest::newRow("no offer key") << QByteArray(R"({"price":1})") << "dropped";
        QTest::newRow("blank offer key") << QByteArray(R"({"offer_key":"   ","price":1})") << "dropped";
        QTest::newRow("no price") << QByteArray(R"({"offer_key":"k"})") << "dropped";
        QTest::newRow("price zero") << QByteArray(R"({"offer_key":"k","price":0})") << "dropped";
        QTest::newRow("negative price") << QByteArray(R"({"offer_key":"k","price":"-5"})") << "dropped";
        QTest::newRow("out-of-range numbers are absent")
            << QByteArray(R"({"offer_key":"k","price":5,"amount":-3,"packing":0,"rejects":120})")
            << "available=none;package=none;rejects=none";
        QTest::newRow("negative refusal rate")
            << QByteArray(R"({"offer_key":"k","price":5,"rejects":-1})") << "rejects=none";
        QTest::newRow("edges kept") << QByteArray(R"({"offer_key":"k","price":5,"amount":0,"packing":1,"rejects":100})")
                                    << "available=0;package=1;rejects=100";
        QTest::newRow("minimal row") << QByteArray(R"({"offer_key":" k1","price":0.1})")
                                     << "key=k1;price=0.1;currency=RUB;returnable=none;rejects=none;brand=";
        QTest::newRow("not returnable") << QByteArray(R"({"offer_key":"k","price":5,"return":0})")
                                        << "returnable=false";
        QTest::newRow("returnable") << QByteArray(R"({"offer_key":"k","price":5,"return":"2"})") << "returnable=true";
        QTest::newRow("full row")
            << QByteArray(
                   R"({"offer_key":"k","brand":" MAHLE","code":"oc-90","name":"Фильтр","price":"412,30",)"
                   R"("currency":"USD","amount":"7","packing":4,"warehouse_name":"Склад","delivery_time":3,"stock":1})")
            << "brand= MAHLE;article=oc-90;name=Фильтр;price=412.3;currency=USD;available=7;package=4;"
               "warehouse=Склад;delivery=3";
    }
    void normalize_mapsFieldByField() {
        QFETCH(QByteArray, row);
        QFETCH(QString, expected);
        const AutoEuroOffer wire = AutoEuroOffer::decode(Json::parse(QByteArray(row)), {});
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const auto offer = AutoEuroProvider::normalize(wire, u"AutoEuro"_s, now);
        QCOMPARE(offer.has_value(), expected != u"dropped");
        if (!offer)
            return;
        QCOMPARE(offer->updatedAt, now);
        QVERIFY(!offer->minimumQuantity && !offer->deliveryDate && !offer->rowHighlightColor);
        compareFields(expected, {{u"key"_s, offer->supplierOfferKey},
                                 {u"brand"_s, offer->brand},
                                 {u"article"_s, offer->article},
                                 {u"name"_s, offer->name},
                                 {u"price"_s, offer->price.toString()},
                                 {u"currency"_s, offer->currency},
                                 {u"available"_s, fieldText(offer->availableQuantity)},
                                 {u"package"_s, fieldText(offer->packageQuantity)},
                                 {u"warehouse"_s, fieldText(offer->warehouse)},
                                 {u"delivery"_s, fieldText(offer->deliveryDescription)},
                                 {u"rejects"_s, fieldText(offer->rejectRate)},
                                 {u"returnable"_s, fieldText(offer->isReturnable)}});
    }
};

QTEST_GUILESS_MAIN(TestAutoEuro)
#include "tst_AutoEuro.moc"
