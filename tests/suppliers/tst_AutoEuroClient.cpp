#include "AutoEuroTestSupport.h"
#include "credentials/CredentialStore.h"
#include "suppliers/ConnectionChecks.h"

#include <QtTest>

using Fault = SandboxBehaviour::Fault;
using namespace std::chrono_literals;

using namespace Qt::StringLiterals;

class TestAutoEuroClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFailure_reachesTheUserWithItsText_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("description");
        QTest::newRow("http status") << u"status 404"_s << u"AutoEuro вернул HTTP 404."_s;
        QTest::newRow("server error") << u"status 500"_s << u"AutoEuro вернул HTTP 500."_s;
        QTest::newRow("META error") << u"api-error"_s << u"Ошибка AutoEuro: Сервис временно недоступен"_s;
        QTest::newRow("malformed body") << u"malformed"_s
                                        << "Ошибка AutoEuro: JSON dataCorrupted, path: , The given data was not valid "
                                           "JSON. Unexpected end of data around character 46.";
        QTest::newRow("body over 32 MiB") << u"huge"_s << u"AutoEuro вернул некорректный ответ."_s;
        QTest::newRow("no key stored") << u"no key"_s << u"API-key AutoEuro не настроен."_s;
        QTest::newRow("key of blanks") << u"blank key"_s << u"API-key AutoEuro не настроен."_s;
        QTest::newRow("key with a line break inside") << u"broken key"_s << u"API-key AutoEuro не настроен."_s;
        QTest::newRow("wrong key") << u"wrong key"_s << u"AutoEuro вернул HTTP 401."_s;
        QTest::newRow("no address") << u"no address"_s << u"Не удалось сформировать URL AutoEuro."_s;
        QTest::newRow("credential store failure") << u"store failure"_s << u"Keychain error: 5"_s;
    }
    void everyFailure_reachesTheUserWithItsText() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutoEuroSandbox sandbox;
        const QString account = QStringLiteral("autoeuro-api-key");
        if (setup.startsWith(u"status "))
            sandbox.setFault(Fault::status, {}, setup.mid(7).toInt());
        else if (setup == u"api-error")
            sandbox.setFault(Fault::apiError);
        else if (setup == u"malformed")
            sandbox.setFault(Fault::malformed);
        else if (setup == u"huge")
            sandbox.setFault(Fault::huge);
        else if (setup == u"no key")
            awaitTask(sandbox.credentials.remove(account));
        else if (setup == u"blank key")
            sandbox.credentials.set(account, QStringLiteral(" \t\n "));
        else if (setup == u"broken key")
            sandbox.credentials.set(account, QStringLiteral("abc\r\nX-Evil: 1"));
        else if (setup == u"wrong key")
            sandbox.credentials.set(account, QStringLiteral("guess"));
        else if (setup == u"no address")
            sandbox.endpoints.setOrigin(ServiceEndpoints::Service::autoEuro, QUrl());
        else if (setup == u"store failure")
            sandbox.credentials.setFailure(KeychainError(5, QString()));
        QCOMPARE(failureOf(sandbox.client->payers()), description);
    }

    void unansweredRequest_endsWithTheNetworkError() {
        AutoEuroSandbox sandbox;
        sandbox.setFault(Fault::hang);
        sandbox.client->setTimeout(300ms);
        QCOMPARE(failureOf(sandbox.client->payers()), QStringLiteral("Сервер не ответил вовремя."));
    }

    void apiKey_isTrimmedAndTravelsOnlyInTheHeader() {
        AutoEuroSandbox sandbox;
        const QString key = QString::fromUtf16(SandboxServer::autoEuroAPIKey);
        sandbox.credentials.set(QStringLiteral("autoeuro-api-key"), QStringLiteral("  ") + key + QStringLiteral("\n"));
        const auto payers = awaitTask(sandbox.client->payers());
        QCOMPARE(payers.size(), 1);
        const auto requests = sandbox.requestsTo(QStringLiteral("get_payers"));
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].headers.value(QStringLiteral("key")), key);
        QCOMPARE(requests[0].headers.value(QStringLiteral("accept")), QStringLiteral("application/json"));
        QCOMPARE(requests[0].method, QStringLiteral("GET"));
        QVERIFY(!requests[0].target.contains(key));
        QCOMPARE(requests[0].target, QStringLiteral("/autoeuro/api/v2/json/get_payers/"));
    }

    void query_arrivesInOrderAndAsSent() {
        AutoEuroSandbox sandbox;
        const auto offers = awaitTask(sandbox.client->offers(QStringLiteral("MANN+HUMMEL"), QStringLiteral("C 27 009"),
                                                             QStringLiteral("CHL-07")));
        QVERIFY(!offers.isEmpty());
        QCOMPARE(offers.first().brand, QStringLiteral("MANN+HUMMEL"));
        const auto request = sandbox.requestsTo(QStringLiteral("search_items")).value(0);
        QCOMPARE(request.target, QStringLiteral("/autoeuro/api/v2/json/search_items/"
                                                "?brand=MANN%2BHUMMEL&code=C%2027%20009&delivery_key=CHL-07"
                                                "&with_crosses=1&with_offers=1"));
        const QList<std::pair<QString, QString>> expected = {{QStringLiteral("brand"), QStringLiteral("MANN+HUMMEL")},
                                                             {QStringLiteral("code"), QStringLiteral("C 27 009")},
                                                             {QStringLiteral("delivery_key"), QStringLiteral("CHL-07")},
                                                             {QStringLiteral("with_crosses"), QStringLiteral("1")},
                                                             {QStringLiteral("with_offers"), QStringLiteral("1")}};
        QCOMPARE(request.query, expected);

        awaitTask(sandbox.client->brands(QStringLiteral(" фильтр&a=b ")));
        const auto brands = sandbox.requestsTo(QStringLiteral("search_brands")).value(0);
        QCOMPARE(brands.query.size(), 1);
        QCOMPARE(brands.query[0].second, QStringLiteral(" фильтр&a=b "));
    }

    void originWithEncodedPath_isKeptAsWritten() {
        ScriptedAutoEuro server({});
        server.endpoints.setOrigin(ServiceEndpoints::Service::autoEuro,
                                   QUrl(server.origin().toString() + QStringLiteral("/shop%20one")));
        awaitTask(server.client->payers());
        QCOMPARE(QString::fromStdString(server.targets().at(0)), QStringLiteral("/shop%20one/api/v2/json/get_payers/"));
    }

    void envelopeMeta_decidesSuccess_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // a failure text, or the number of payers
        const QByteArray rows = "[{\"payer_key\":\"1\",\"payer_name\":\"A\"}]";
        QTest::newRow("OK") << "{\"META\":{\"result\":\"OK\"},\"DATA\":" + rows + "}" << u"1"_s;
        QTest::newRow("no META") << "{\"DATA\":" + rows + "}" << u"1"_s;
        QTest::newRow("META without result") << "{\"META\":{\"results_count\":\"1\"},\"DATA\":" + rows + "}" << u"1"_s;
        QTest::newRow("result null") << "{\"META\":{\"result\":null},\"DATA\":" + rows + "}" << u"1"_s;
        QTest::newRow("lower-case ok") << "{\"META\":{\"result\":\"ok\"},\"DATA\":" + rows + "}"
                                       << u"Ошибка AutoEuro: ok"_s;
        QTest::newRow("error with rows") << "{\"META\":{\"result\":\"Нет доступа\"},\"DATA\":" + rows + "}"
                                         << u"Ошибка AutoEuro: Нет доступа"_s;
        QTest::newRow("DATA null") << QByteArray("{\"META\":{\"result\":\"OK\"},\"DATA\":null}") << u"0"_s;
        QTest::newRow("DATA missing") << QByteArray("{\"META\":{\"result\":\"OK\"}}") << u"0"_s;
        QTest::newRow("row without key")
            << QByteArray("{\"DATA\":[{\"payer_name\":\"A\"}]}")
            << "Ошибка AutoEuro: JSON keyNotFound payer_key, path: DATA.Index 0, No value associated with key "
               "\"payer_key\".";
    }
    void envelopeMeta_decidesSuccess() {
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        ScriptedAutoEuro server({{"get_payers", {200, body.toStdString()}}});
        try {
            const auto payers = awaitTask(server.client->payers());
            QCOMPARE(QString::number(payers.size()), outcome);
        } catch (const UserFacingError& error) {
            QCOMPARE(error.description(), outcome);
        }
    }

    void redirect_isFollowedOnlyWithinTheOrigin() {
        const std::string payers = "{\"DATA\":[{\"payer_key\":\"1\",\"payer_name\":\"A\"}]}";
        ScriptedAutoEuro server({{"get_payers", {302, "/api/v2/json/payers_moved/"}},
                                 {"payers_moved", {200, payers}},
                                 {"get_statuses", {301, "/api/v2/json/gone/"}},
                                 {"gone", {404, "{}"}},
                                 {"get_deliveries", {302, "http://127.0.0.2:9/api/v2/json/stolen/"}}});
        QCOMPARE(awaitTask(server.client->payers()).size(), 1);
        QCOMPARE(failureOf(server.client->orderStatuses()), QStringLiteral("AutoEuro вернул HTTP 404."));
        // Another host never gets the request, so the key header never leaves the service.
        QCOMPARE(failureOf(server.client->deliveries()), QStringLiteral("AutoEuro вернул некорректный ответ."));
        const auto seen = server.seen();
        QVERIFY(std::find(seen.begin(), seen.end(), "stolen") == seen.end());

        ScriptedAutoEuro nowhere({{"get_payers", {300, ""}}});
        QCOMPARE(failureOf(nowhere.client->payers()), QStringLiteral("AutoEuro вернул HTTP 300."));
    }

    void connectionCheck_describesTheAccount_evenWithoutPayers() {
        ScriptedAutoEuro server(
            {{"get_deliveries",
              {200, "{\"DATA\":[{\"delivery_key\":\"C1\",\"delivery_name\":\"г. Челябинск, склад\"}]}"}}});
        const auto result = awaitTask(ConnectionChecks::autoEuro(*server.client));
        QVERIFY(result.ok);
        QCOMPARE(result.accountInfo, QStringLiteral("API AutoEuro: доступ подтверждён\n\nПлательщики:\nне найдены\n\n"
                                                    "Точка получения:\nг. Челябинск, склад\n\ndelivery_key:\nC1\n\n"
                                                    "Статусов заказа получено:\n0"));
    }

    void chelyabinsk_isTheFirstDeliveryNamingTheCity_data() {
        QTest::addColumn<QByteArray>("deliveries");
        QTest::addColumn<QString>("outcome"); // key or failure text
        QTest::newRow("capitals inside a longer name")
            << QByteArray("{\"DATA\":[{\"delivery_key\":\"M\",\"delivery_name\":\"Москва\"},"
                          "{\"delivery_key\":\"C1\",\"delivery_name\":\"Склад ЧЕЛЯБИНСК-Север\"},"
                          "{\"delivery_key\":\"C2\",\"delivery_name\":\"г. Челябинск\"}]}")
            << u"C1"_s;
        QTest::newRow("none") << QByteArray("{\"DATA\":[{\"delivery_key\":\"M\",\"delivery_name\":\"Москва\"}]}")
                              << u"В AutoEuro не найдена точка доставки в Челябинске."_s;
        QTest::newRow("empty") << QByteArray("{\"DATA\":[]}")
                               << u"В AutoEuro не найдена точка доставки в Челябинске."_s;
    }
    void chelyabinsk_isTheFirstDeliveryNamingTheCity() {
        QFETCH(QByteArray, deliveries);
        QFETCH(QString, outcome);
        ScriptedAutoEuro server({{"get_deliveries", {200, deliveries.toStdString()}}});
        try {
            QCOMPARE(awaitTask(server.client->chelyabinskDelivery()).delivery_key, outcome);
        } catch (const UserFacingError& error) {
            QCOMPARE(error.description(), outcome);
        }
    }

    void burstOfRequests_readsTheStoreOnce() {
        AutoEuroSandbox sandbox;
        std::vector<QCoro::Task<QList<AutoEuroPayer>>> burst;
        for (int i = 0; i < 5; ++i)
            burst.push_back(sandbox.client->payers());
        for (auto& task : burst)
            QCOMPARE(awaitTask(std::move(task)).size(), 1);
        QCOMPARE(sandbox.credentials.readCount(), 1);

        // Answering from the cache must leave the cache intact.
        awaitTask(sandbox.client->payers());
        awaitTask(sandbox.client->payers());
        QCOMPARE(sandbox.credentials.readCount(), 1);
        sandbox.client->invalidateCachedAPIKey();
        awaitTask(sandbox.client->payers());
        QCOMPARE(sandbox.credentials.readCount(), 2);
    }

    void failedKeyRead_isNotCached() {
        AutoEuroSandbox sandbox;
        sandbox.credentials.setFailure(KeychainError(5, QStringLiteral("Хранилище заблокировано")));
        QCOMPARE(failureOf(sandbox.client->payers()), QStringLiteral("Хранилище заблокировано"));
        sandbox.credentials.setFailure(std::nullopt);
        QCOMPARE(awaitTask(sandbox.client->payers()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAutoEuroClient)
#include "tst_AutoEuroClient.moc"
