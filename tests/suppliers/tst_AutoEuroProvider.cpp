#include "AutoEuroTestSupport.h"
#include "core/SupplierPreferences.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

using Fault = SandboxBehaviour::Fault;

namespace {

QSet<QString> idsOf(const QList<SupplierOffer>& offers) {
    QSet<QString> ids;
    for (const auto& offer : offers)
        ids.insert(offer.id());
    return ids;
}

} // namespace

using namespace Qt::StringLiterals;

class TestAutoEuroProvider : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blankArticle_sendsNoRequest() {
        AutoEuroSandbox sandbox;
        AutoEuroProvider provider(*sandbox.client);
        QVERIFY(awaitTask(provider.search(QStringLiteral(" \n\t "))).isEmpty());
        QVERIFY(sandbox.server.requests().isEmpty());
    }

    void search_asksEveryBrandAtChelyabinskAndMergesWithoutDuplicates() {
        AutoEuroSandbox sandbox;
        AutoEuroProvider provider(*sandbox.client);
        const auto offers = awaitTask(provider.search(QStringLiteral("oc 90\n")));

        QCOMPARE(sandbox.requestsTo(QStringLiteral("search_brands")).value(0).query.value(0).second,
                 QStringLiteral("OC 90"));
        const auto itemRequests = sandbox.requestsTo(QStringLiteral("search_items"));
        QCOMPARE(itemRequests.size(), 2); // MAHLE and KNECHT carry OC 90
        QSet<QString> askedBrands;
        for (const auto& request : itemRequests) {
            askedBrands.insert(request.query.value(0).second);
            QCOMPARE(request.query.value(2).second, QStringLiteral("CHL-07"));
        }
        QCOMPARE(askedBrands, (QSet<QString>{QStringLiteral("MAHLE"), QStringLiteral("KNECHT")}));

        // Each brand's answer lists the other's lines as crosses: every line once.
        QCOMPARE(idsOf(offers).size(), offers.size());
        QVERIFY(offers.size() > 8);
        for (const auto& offer : offers) {
            QCOMPARE(offer.supplierID, QStringLiteral("autoeuro"));
            QCOMPARE(offer.supplierName, QStringLiteral("AutoEuro"));
            QVERIFY(offer.deliveryDescription->endsWith(u"дн."));
        }
    }

    void failingBrand_costsOnlyItsOwnOffers_butAllFailingFailsTheSearch() {
        AutoEuroSandbox sandbox;
        AutoEuroProvider provider(*sandbox.client);
        const auto all = awaitTask(provider.search(QStringLiteral("OC 90")));
        QCOMPARE(provider.lastSearchReport().failedRequests, 0);
        const int brands = provider.lastSearchReport().totalRequests;
        QVERIFY(brands > 1);

        sandbox.setFault(Fault::status, QStringLiteral("brand=MAHLE"), 500);
        const auto rest = awaitTask(provider.search(QStringLiteral("OC 90")));
        QVERIFY(!rest.isEmpty());
        QVERIFY(idsOf(rest).size() <= idsOf(all).size());
        QCOMPARE(provider.lastSearchReport().failedRequests, 1);
        QCOMPARE(provider.lastSearchReport().totalRequests, brands);
        QCOMPARE(provider.lastSearchReport().firstFailure, QStringLiteral("AutoEuro вернул HTTP 500."));

        for (const auto fault : {Fault::malformed, Fault::status, Fault::huge}) {
            sandbox.setFault(fault, QStringLiteral("search_items/"), 500);
            const QString failure = failureOf(provider.search(QStringLiteral("OC 90")));
            QVERIFY2(failure.startsWith(u"AutoEuro вернул") || failure.startsWith(u"Ошибка AutoEuro: JSON"),
                     qPrintable(failure));
        }
    }

    void searchViewModel_reportsAPartialAnswerNextToItsOffers() {
        TestEnvironment environment;
        AutoEuroSandbox sandbox;
        sandbox.setFault(Fault::status, QStringLiteral("brand=MAHLE"), 500);
        struct Factory final : SearchConnectorFactory {
            AutoEuroClient& client;
            explicit Factory(AutoEuroClient& c)
                : client(c) {}
            std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
                return std::make_unique<AutoEuroProvider>(client);
            }
            std::unique_ptr<SupplierSearchProviding> makeAutopiter() override { return nullptr; }
            std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return nullptr; }
        } factory(*sandbox.client);
        auto defaults = environment.makeDefaults();
        SupplierPreferences preferences(*defaults);
        preferences.setAutopiterEnabled(false);
        SearchViewModel model(preferences, factory);
        model.setArticle(QStringLiteral("OC 90"));
        QSignalSpy finished(&model, &SearchViewModel::searchFinished);
        model.search();
        QVERIFY(finished.wait(10000));
        QVERIFY(!model.offers().isEmpty());
        QVERIFY2(model.statusMessage().contains(QStringLiteral(". AutoEuro: часть ответов не получена (1 из ")),
                 qPrintable(model.statusMessage()));
        QVERIFY(model.statusMessage().endsWith(u"): AutoEuro вернул HTTP 500."));
        QVERIFY(environment.performanceLogText().contains(u"⚠️ AutoEuro: "));
    }

    void lookupFailures_failTheSearch_data() {
        QTest::addColumn<QString>("match");
        QTest::addColumn<QString>("description");
        QTest::newRow("brands") << u"search_brands/"_s << u"AutoEuro вернул HTTP 502."_s;
        QTest::newRow("deliveries") << u"get_deliveries/"_s << u"AutoEuro вернул HTTP 502."_s;
    }
    void lookupFailures_failTheSearch() {
        QFETCH(QString, match);
        QFETCH(QString, description);
        AutoEuroSandbox sandbox;
        sandbox.setFault(Fault::status, match, 502);
        AutoEuroProvider provider(*sandbox.client);
        QCOMPARE(failureOf(provider.search(QStringLiteral("OC 90"))), description);
        QVERIFY(sandbox.requestsTo(QStringLiteral("search_items")).isEmpty());
    }

    void noChelyabinskPoint_failsEvenWithBrands() {
        ScriptedAutoEuro server(
            {{"search_brands", {200, "{\"DATA\":[{\"brand\":\"MAHLE\",\"code\":\"OC 90\"}]}"}},
             {"get_deliveries", {200, "{\"DATA\":[{\"delivery_key\":\"M\",\"delivery_name\":\"Москва\"}]}"}}});
        AutoEuroProvider provider(*server.client);
        QCOMPARE(failureOf(provider.search(QStringLiteral("OC 90"))),
                 QStringLiteral("В AutoEuro не найдена точка доставки в Челябинске."));
        const auto seen = server.seen();
        QVERIFY(std::find(seen.begin(), seen.end(), "search_items") == seen.end());
    }

    void sharedOfferKey_isKeptOnce() {
        const std::string deliveries = "{\"DATA\":[{\"delivery_key\":\"C\",\"delivery_name\":\"Челябинск\"}]}";
        const std::string brands = "{\"DATA\":[{\"brand\":\"A\",\"code\":\"1\"},{\"brand\":\"B\",\"code\":\"1\"}]}";
        const std::string items =
            "{\"DATA\":[{\"offer_key\":\"same\",\"price\":10},{\"offer_key\":\" same \",\"price\":"
            "11},{\"offer_key\":\"other\",\"price\":12}]}";
        ScriptedAutoEuro server(
            {{"get_deliveries", {200, deliveries}}, {"search_brands", {200, brands}}, {"search_items", {200, items}}});
        AutoEuroProvider provider(*server.client);
        const auto offers = awaitTask(provider.search(QStringLiteral("1")));
        QCOMPARE(offers.size(), 2);
        QCOMPARE(offers[0].supplierOfferKey, QStringLiteral("same"));
        QCOMPARE(offers[0].price, Decimal(10));
        QCOMPARE(offers[1].supplierOfferKey, QStringLiteral("other"));
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
        QTest::newRow("rejects with comma")
            << QByteArray("{\"offer_key\":\"k\",\"price\":5,\"rejects\":\"12,5\"}") << "rejects=12.5";
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
        const auto offer = AutoEuroProvider::normalize(wire, QStringLiteral("AutoEuro"), now);
        if (expected == u"dropped") {
            QVERIFY(!offer);
            return;
        }
        QVERIFY(offer);
        QCOMPARE(offer->updatedAt, now);
        QVERIFY(!offer->minimumQuantity && !offer->deliveryDate && !offer->rowHighlightColor);
        auto optionalText = [](const auto& value, auto toText) {
            return value ? toText(*value) : QStringLiteral("none");
        };
        const QHash<QString, QString> actual = {
            {QStringLiteral("key"), offer->supplierOfferKey},
            {QStringLiteral("brand"), offer->brand},
            {QStringLiteral("article"), offer->article},
            {QStringLiteral("name"), offer->name},
            {QStringLiteral("price"), offer->price.toString()},
            {QStringLiteral("currency"), offer->currency},
            {QStringLiteral("available"),
             optionalText(offer->availableQuantity, [](qint64 v) { return QString::number(v); })},
            {QStringLiteral("package"),
             optionalText(offer->packageQuantity, [](qint64 v) { return QString::number(v); })},
            {QStringLiteral("warehouse"), optionalText(offer->warehouse, [](const QString& v) { return v; })},
            {QStringLiteral("delivery"), optionalText(offer->deliveryDescription, [](const QString& v) { return v; })},
            {QStringLiteral("rejects"), optionalText(offer->rejectRate, [](const Decimal& v) { return v.toString(); })},
            {QStringLiteral("returnable"),
             optionalText(offer->isReturnable,
                          [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); })},
        };
        for (const QString& pair : expected.split(u';')) {
            const auto field = pair.section(u'=', 0, 0);
            QCOMPARE(field + u'=' + actual.value(field), pair);
        }
    }
};

QTEST_GUILESS_MAIN(TestAutoEuroProvider)
#include "tst_AutoEuroProvider.moc"
