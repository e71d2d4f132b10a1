#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "FieldText.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "SupplierTestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestAutoEuroProvider : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
            << QByteArray("{\"DATA\":[{\"delivery_key\":\"M\",\"delivery_name\":\"Москва\"},"
                          "{\"delivery_key\":\"C1\",\"delivery_name\":\"Склад ЧЕЛЯБИНСК-Север\"},"
                          "{\"delivery_key\":\"C2\",\"delivery_name\":\"г. Челябинск\"}]}")
            << u"delivery_key=C1"_s;
        QTest::newRow("no point in Chelyabinsk")
            << u"get_deliveries/"_s << 200
            << QByteArray("{\"DATA\":[{\"delivery_key\":\"M\",\"delivery_name\":\"Москва\"}]}") << nowhere;
        QTest::newRow("no points at all") << u"get_deliveries/"_s << 200 << QByteArray("{\"DATA\":[]}") << nowhere;
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
        AppServices::Options options;
        options.settingsFile = environment.settingsPath();
        options.memoryCredentials = true;
        options.endpoints = sandbox.endpoints;
        AppServices services(options);
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services.memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services.supplierPreferences().setAutoligaEnabled(true);

        SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
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
                         "{\"DATA\":[{\"offer_key\":\"same\",\"price\":10},{\"offer_key\":\" same \",\"price\":11},"
                         "{\"offer_key\":\"other\",\"price\":12}]}");
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
        QTest::newRow("no offer key") << QByteArray("{\"price\":1}") << "dropped";
        QTest::newRow("blank offer key") << QByteArray("{\"offer_key\":\"   \",\"price\":1}") << "dropped";
        QTest::newRow("no price") << QByteArray("{\"offer_key\":\"k\"}") << "dropped";
        QTest::newRow("price zero") << QByteArray("{\"offer_key\":\"k\",\"price\":0}") << "dropped";
        QTest::newRow("negative price") << QByteArray("{\"offer_key\":\"k\",\"price\":\"-5\"}") << "dropped";
        QTest::newRow("out-of-range numbers are absent")
            << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"amount\":-3,\"packing\":0,\"rejects\":120}")
            << "available=none;package=none;rejects=none";
        QTest::newRow("negative refusal rate")
            << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"rejects\":-1}") << "rejects=none";
        QTest::newRow("edges kept") << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"amount\":0,\"packing\":1,"
                                                  "\"rejects\":100}")
                                    << "available=0;package=1;rejects=100";
        QTest::newRow("minimal row") << QByteArray("{\"offer_key\":\" k1\",\"price\":0.1}")
                                     << "key=k1;price=0.1;currency=RUB;returnable=none;rejects=none;brand=";
        QTest::newRow("not returnable") << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"return\":0}")
                                        << "returnable=false";
        QTest::newRow("returnable") << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"return\":\"2\"}")
                                    << "returnable=true";
        QTest::newRow("full row")
            << QByteArray("{\"offer_key\":\"k\",\"brand\":\" MAHLE\",\"code\":\"oc-90\",\"name\":\"Фильтр\","
                          "\"price\":\"412,30\",\"currency\":\"USD\",\"amount\":\"7\",\"packing\":4,"
                          "\"warehouse_name\":\"Склад\",\"delivery_time\":3,\"stock\":1}")
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

QTEST_GUILESS_MAIN(TestAutoEuroProvider)
#include "tst_AutoEuroProvider.moc"
