#include "AutoligaTestSupport.h"
#include "credentials/CredentialStore.h"

#include <QJsonDocument>
#include <QJsonObject>

using Fault = SandboxBehaviour::Fault;
using Service = ServiceEndpoints::Service;

namespace {

// The offer keys parse() gives for {"data":{"rows": rows}}, joined by blanks.
QString keysOf(const QByteArray& rows) {
    QStringList keys;
    for (const SupplierOffer& offer : AutoligaPortalSearch::parse("{\"data\":{\"rows\":" + rows + "}}"))
        keys.append(offer.supplierOfferKey.mid(QStringLiteral("portal-selection:").size()));
    return keys.join(u' ');
}

QString cookieNames(const SandboxRequest& request) {
    QStringList names;
    for (const QString& pair : request.headers.value(QStringLiteral("cookie")).split(u';', Qt::SkipEmptyParts))
        names.append(pair.section(u'=', 0, 0).trimmed());
    names.sort();
    return names.join(u',');
}

} // namespace

using namespace Qt::StringLiterals;

class TestAutoligaPortalSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void search_warmsUpSignsInAndSearches_carryingTheSessionCookie() {
        AutoligaSandbox sandbox;
        const QString login = QString::fromUtf16(SandboxServer::autoligaLogin);
        sandbox.credentials.set(QStringLiteral("autoliga-login"), QStringLiteral("  ") + login + QStringLiteral("\n"));
        const auto offers = awaitTask(sandbox.portal.search(QStringLiteral(" OC 90 "), QStringLiteral("KNECHT")));
        QVERIFY(!offers.isEmpty());

        const auto requests = sandbox.requestsTo(QStringLiteral("autoliga"));
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].method + u' ' + requests[0].path, QStringLiteral("GET /autoliga/"));
        QCOMPARE(requests[1].method + u' ' + requests[1].path, QStringLiteral("POST /autoliga/api/v2/customer/login/"));
        QCOMPARE(requests[2].method + u' ' + requests[2].path, QStringLiteral("GET /autoliga/api/v2/client/search/"));
        QCOMPARE(cookieNames(requests[0]), QString());
        QCOMPARE(cookieNames(requests[1]), QStringLiteral("PORTALSESSID"));
        QCOMPARE(cookieNames(requests[2]), QStringLiteral("PORTALAUTH,PORTALSESSID"));

        // Exactly the trimmed login and the password as stored.
        QCOMPARE(requests[1].headers.value(QStringLiteral("content-type")), QStringLiteral("application/json"));
        const QJsonObject body = QJsonDocument::fromJson(requests[1].body).object();
        QCOMPARE(body,
                 (QJsonObject{{QStringLiteral("login"), login},
                              {QStringLiteral("password"), QString::fromUtf16(SandboxServer::autoligaPassword)}}));

        // Every offer's origin is the question exactly as asked.
        for (const SupplierOffer& offer : offers) {
            QCOMPARE(offer.supplierID, QStringLiteral("autoliga"));
            QCOMPARE(sandbox.context.lookup(offer.supplierOfferKey),
                     std::make_optional(std::pair{QStringLiteral(" OC 90 "), QStringLiteral("KNECHT")}));
        }
        const auto colours = std::count_if(offers.begin(), offers.end(),
                                           [](const SupplierOffer& o) { return o.rowHighlightColor.has_value(); });
        QVERIFY(colours > 0 && colours < offers.size());
    }

    void searchQuery_isFullyEncoded_andNamesTheBrandOnlyWhenGiven_data() {
        QTest::addColumn<QString>("article");
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("query");
        QTest::newRow("no brand") << u" oc 90\n"_s << u""_s << u"article=oc%2090&withAnalogs=1"_s;
        QTest::newRow("brand with a plus")
            << u"C 27 009"_s << u"MANN+HUMMEL"_s << u"article=C%2027%20009&withAnalogs=1&brand=MANN%2BHUMMEL"_s;
    }
    void searchQuery_isFullyEncoded_andNamesTheBrandOnlyWhenGiven() {
        QFETCH(QString, article);
        QFETCH(QString, brand);
        QFETCH(QString, query);
        AutoligaSandbox sandbox;
        awaitTask(sandbox.portal.search(article, brand));
        const SandboxRequest search = sandbox.requestsTo(QStringLiteral("autoliga")).value(2);
        QCOMPARE(search.target, QStringLiteral("/autoliga/api/v2/client/search/?") + query);
        if (!brand.isEmpty())
            QCOMPARE(search.query.value(2), std::pair(QStringLiteral("brand"), brand));
    }

    void everySearch_startsWithoutCookies() {
        AutoligaSandbox sandbox;
        awaitTask(sandbox.portal.search(QStringLiteral("OC 90"), QString()));
        awaitTask(sandbox.portal.search(QStringLiteral("OC 90"), QString()));
        const auto requests = sandbox.requestsTo(QStringLiteral("autoliga"));
        QCOMPARE(requests.size(), 6);
        QCOMPARE(cookieNames(requests[3]), QString());
        QVERIFY(requests[4].headers.value(QStringLiteral("cookie")) !=
                requests[1].headers.value(QStringLiteral("cookie")));
    }

    void prepare_signsInAtOnce_andTheSearchStepWaitsForTheBrand() {
        AutoligaSandbox sandbox;
        auto prepared = sandbox.portal.prepare();
        // Warm-up and sign-in go out before anyone knows the brand.
        QTRY_COMPARE(sandbox.requestsTo(QStringLiteral("autoliga")).size(), 2);
        QCOMPARE(sandbox.requestsTo(QStringLiteral("autoliga")).at(1).path,
                 QStringLiteral("/autoliga/api/v2/customer/login/"));
        QVERIFY(!awaitTask(prepared->search(QStringLiteral("OC 90"), QStringLiteral("KNECHT"))).isEmpty());
        const auto search = sandbox.requestsTo(QStringLiteral("autoliga")).value(2);
        QCOMPARE(cookieNames(search), QStringLiteral("PORTALAUTH,PORTALSESSID"));
        QCOMPARE(search.query.value(2), std::pair(QStringLiteral("brand"), QStringLiteral("KNECHT")));

        // A refused sign-in is the search step's failure, and no search is sent.
        sandbox.setFault(Service::autoligaPortal, Fault::signInRejected);
        auto refused = sandbox.portal.prepare();
        QTRY_COMPARE(sandbox.requestsTo(QStringLiteral("autoliga")).size(), 5);
        QCOMPARE(failureText(refused->search(QStringLiteral("OC 90"), QString())),
                 QStringLiteral("Портал Автолиги: HTTP 403. Проверьте учётные данные портала."));
        QCOMPARE(sandbox.requestsTo(QStringLiteral("autoliga")).size(), 5);
    }

    void failure_reachesTheUser_andLeavesTheOriginsAlone_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("description");
        const QString missing = QStringLiteral("Укажите логин и пароль портала Автолиги в настройках поставщика.");
        QTest::newRow("no login") << u"no login"_s << missing;
        QTest::newRow("blank login") << u"blank login"_s << missing;
        QTest::newRow("no address") << u"no address"_s
                                    << u"Не удалось сформировать адрес запроса к порталу Автолиги."_s;
        QTest::newRow("sign-in refused") << u"sign-in refused"_s
                                         << u"Портал Автолиги: HTTP 403. Проверьте учётные данные портала."_s;
        QTest::newRow("wrong password") << u"wrong password"_s
                                        << u"Портал Автолиги: HTTP 403. Проверьте учётные данные портала."_s;
        QTest::newRow("server error") << u"status 502"_s
                                      << u"Портал Автолиги: HTTP 502. Проверьте учётные данные портала."_s;
        QTest::newRow("not JSON") << u"malformed"_s
                                  << "JSON dataCorrupted, path: , The given data was not valid JSON. Unexpected end "
                                     "of data around character 46.";
        QTest::newRow("no data member") << u"api error"_s << u"Портал Автолиги вернул ответ неизвестного формата."_s;
        QTest::newRow("body over 32 MiB") << u"huge"_s << u"Портал Автолиги вернул ответ неизвестного формата."_s;
        QTest::newRow("credential store") << u"store failure"_s << u"Keychain error: 5"_s;
    }
    void failure_reachesTheUser_andLeavesTheOriginsAlone() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutoligaSandbox sandbox;
        if (setup == u"no login")
            awaitTask(sandbox.credentials.remove(QStringLiteral("autoliga-login")));
        else if (setup == u"blank login")
            sandbox.credentials.set(QStringLiteral("autoliga-login"), QStringLiteral(" \n"));
        else if (setup == u"no password")
            sandbox.credentials.set(QStringLiteral("autoliga-password"), QString());
        else if (setup == u"no address")
            sandbox.endpoints.setOrigin(Service::autoligaPortal, QUrl());
        else if (setup == u"sign-in refused")
            sandbox.setFault(Service::autoligaPortal, Fault::signInRejected);
        else if (setup == u"wrong password")
            sandbox.credentials.set(QStringLiteral("autoliga-password"), QStringLiteral("guess"));
        else if (setup.startsWith(u"status "))
            sandbox.setFault(Service::autoligaPortal, Fault::status, setup.mid(7).toInt());
        else if (setup == u"malformed")
            sandbox.setFault(Service::autoligaPortal, Fault::malformed);
        else if (setup == u"api error")
            sandbox.setFault(Service::autoligaPortal, Fault::apiError);
        else if (setup == u"huge")
            sandbox.setFault(Service::autoligaPortal, Fault::huge);
        else if (setup == u"store failure")
            sandbox.credentials.setFailure(KeychainError(5, QString()));
        QCOMPARE(failureText(sandbox.portal.search(QStringLiteral("OC 90"), QString())), description);
        QVERIFY(!sandbox.defaults->contains(AutoligaPortalSearchContext::key()));
    }

    void parse_ordersGroupsByKey_andIdentifiesRows_data() {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("keys");
        const QByteArray row = R"("article":"OC 90","brand":"MAHLE","name":"Фильтр","price":"100","term":"1")";
        auto withId = [&](const QByteArray& id) { return "{\"id\":" + id + "," + row + "}"; };
        const QByteArray plain = "{" + row + "}";
        QTest::newRow("keys ascending, positions per group")
            << QByteArray("{\"b\":[" + plain + "],\"a\":[" + plain + "," + plain + "],\"9\":[" + plain + "],\"10\":[" +
                          plain + "]}")
            << "10:0 9:0 a:0 a:1 b:0";
        QTest::newRow("one id in two groups")
            << QByteArray("{\"0\":[" + withId("42") + "],\"1\":[" + withId("\"42\"") + "," + withId("\"\"") + "]}")
            << "42 1:1";
        QTest::newRow("id equal to a later position")
            << QByteArray("{\"a\":[" + withId("\"b:0\"") + "],\"b\":[" + plain + "]}") << "b:0";
        QTest::newRow("skipped row still takes its id")
            << QByteArray("{\"a\":[{\"id\":7,\"price\":\"0\"}],\"b\":[" + withId("7") + "]}") << "";
        QTest::newRow("groups that are no lists of rows")
            << QByteArray("{\"a\":{\"x\":1},\"b\":[1," + plain + "],\"c\":\"text\",\"d\":[" + plain + "]}") << "d:0";
        QTest::newRow("key written twice: the last counts")
            << QByteArray("{\"a\":[" + withId("1") + "],\"a\":[" + withId("2") + "]}") << "2";
        QTest::newRow("no groups") << QByteArray("{}") << "";
    }
    void parse_ordersGroupsByKey_andIdentifiesRows() {
        QFETCH(QByteArray, rows);
        QFETCH(QString, keys);
        QCOMPARE(keysOf(rows), keys);
    }

    void parse_readsOrSkipsEachRow_data() {
        // Members over a usable row; the outcome is "price delivery available minimum name" or "skip".
        QTest::addColumn<QByteArray>("members");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("usable row") << QByteArray("{}") << "100 2 дн. - - Фильтр";
        QTest::newRow("price as a JSON number") << QByteArray(R"({"price":1250})") << "1250 2 дн. - - Фильтр";
        QTest::newRow("price with a unit") << QByteArray(R"({"price":"1250.50 руб"})") << "1250.5 2 дн. - - Фильтр";
        QTest::newRow("price after blanks, exponent")
            << QByteArray(R"({"price":" 1.5e3x"})") << "1500 2 дн. - - Фильтр";
        QTest::newRow("price with a decimal comma") << QByteArray(R"({"price":"12,5"})") << "12 2 дн. - - Фильтр";
        QTest::newRow("price 0") << QByteArray(R"({"price":"0"})") << "skip";
        QTest::newRow("price a word") << QByteArray(R"({"price":"договорная"})") << "skip";
        QTest::newRow("price beyond any double") << QByteArray(R"({"price":"1e400"})") << "skip";
        QTest::newRow("term 0") << QByteArray(R"({"term":0})") << "100 0 дн. - - Фильтр";
        QTest::newRow("term with plus") << QByteArray(R"({"term":"+07"})") << "100 7 дн. - - Фильтр";
        QTest::newRow("term -1") << QByteArray(R"({"term":"-1"})") << "skip";
        QTest::newRow("term range") << QByteArray(R"({"term":"3-5"})") << "skip";
        QTest::newRow("term fraction") << QByteArray(R"({"term":1.5})") << "skip";
        QTest::newRow("term beyond 64 bits") << QByteArray(R"({"term":"9223372036854775808"})") << "skip";
        QTest::newRow("quantities") << QByteArray(R"({"amountNum":"12","minimumQuantity":4})")
                                    << "100 2 дн. 12 4 Фильтр";
        QTest::newRow("malformed quantities kept absent")
            << QByteArray(R"({"amountNum":">10","minimumQuantity":" 4"})") << "100 2 дн. - - Фильтр";
        QTest::newRow("description for an empty name")
            << QByteArray(R"({"name":"","description":"Фильтр масла"})") << "100 2 дн. - - Фильтр масла";
        QTest::newRow("no name at all") << QByteArray(R"({"name":null})") << "skip";
        QTest::newRow("empty brand") << QByteArray(R"({"brand":""})") << "skip";
    }
    void parse_readsOrSkipsEachRow() {
        QFETCH(QByteArray, members);
        QFETCH(QString, outcome);
        QJsonObject row{{QStringLiteral("article"), QStringLiteral("OC 90")},
                        {QStringLiteral("brand"), QStringLiteral("MAHLE")},
                        {QStringLiteral("name"), QStringLiteral("Фильтр")},
                        {QStringLiteral("price"), QStringLiteral("100")},
                        {QStringLiteral("term"), QStringLiteral("2")}};
        const QJsonObject changes = QJsonDocument::fromJson(members).object();
        for (auto it = changes.begin(); it != changes.end(); ++it) {
            if (it->isNull())
                row.remove(it.key());
            else
                row.insert(it.key(), *it);
        }
        const QByteArray rowText = QJsonDocument(row).toJson(QJsonDocument::Compact);
        const auto offers = AutoligaPortalSearch::parse("{\"data\":{\"rows\":{\"g\":[" + rowText + "]}}}");
        if (outcome == u"skip") {
            QVERIFY2(offers.isEmpty(), rowText.constData());
            return;
        }
        QCOMPARE(offers.size(), 1);
        const SupplierOffer& o = offers.first();
        auto number = [](const std::optional<std::int64_t>& n) {
            return n ? QString::number(*n) : QStringLiteral("-");
        };
        QCOMPARE(QStringList({o.price.toString(), o.deliveryDescription.value_or(QString()),
                              number(o.availableQuantity), number(o.minimumQuantity), o.name})
                     .join(u' '),
                 outcome);
        QCOMPARE(o.supplierOfferKey, QStringLiteral("portal-selection:g:0"));
        QCOMPARE(o.currency, QStringLiteral("RUB"));
        QCOMPARE(o.supplierName, QStringLiteral("Автолига"));
    }

    void backgroundRule_findsTheRowColour_data() {
        QTest::addColumn<QString>("cssRule");
        QTest::addColumn<QString>("colour");
        QTest::newRow("after another declaration") << u"color: red; background: #ffcc00 !important"_s << u"#FFCC00"_s;
        QTest::newRow("three digits") << u"background-color: #abc"_s << u"#ABC"_s;
        QTest::newRow("eight digits") << u"background: #ffcc00aa"_s << u"#FFCC00AA"_s;
        QTest::newRow("upper-case property") << u"BACKGROUND-COLOR:#ccff99;"_s << u"#CCFF99"_s;
        QTest::newRow("five digits") << u"background: #ffcc0"_s << u""_s;
        QTest::newRow("inside another property") << u"border-background: #fff"_s << u""_s;
        QTest::newRow("a later declaration when the first is no hex")
            << u"background: red; background-color: #CCFFFF"_s << u"#CCFFFF"_s;
        QTest::newRow("trailing words") << u"background: #fff url(x.png)"_s << u""_s;
    }
    void backgroundRule_findsTheRowColour() {
        QFETCH(QString, cssRule);
        QFETCH(QString, colour);
        const QByteArray row = QJsonDocument(QJsonObject{{QStringLiteral("article"), QStringLiteral("A")},
                                                         {QStringLiteral("brand"), QStringLiteral("B")},
                                                         {QStringLiteral("name"), QStringLiteral("N")},
                                                         {QStringLiteral("price"), 1},
                                                         {QStringLiteral("term"), 1},
                                                         {QStringLiteral("cssRule"), cssRule}})
                                   .toJson(QJsonDocument::Compact);
        const auto offers = AutoligaPortalSearch::parse("{\"data\":{\"rows\":{\"g\":[" + row + "]}}}");
        QCOMPARE(offers.value(0).rowHighlightColor.value_or(QString()), colour);
    }

    void parse_refusesAnAnswerWithoutDataAndRows_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        const QString unknown = QStringLiteral("Портал Автолиги вернул ответ неизвестного формата.");
        QTest::newRow("top level a list") << QByteArray("[]") << unknown;
        QTest::newRow("no data") << QByteArray(R"({"rows":{}})") << unknown;
        QTest::newRow("rows a list") << QByteArray(R"({"data":{"rows":[]}})") << unknown;
        QTest::newRow("not JSON") << QByteArray("{\"data\":")
                                  << "JSON dataCorrupted, path: , The given data was not valid JSON. Unexpected end of "
                                     "data around character 8.";
    }
    void parse_refusesAnAnswerWithoutDataAndRows() {
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        try {
            AutoligaPortalSearch::parse(body);
            QFAIL("parsed");
        } catch (const UserFacingError& error) {
            QCOMPARE(error.description(), description);
        }
    }
};

QTEST_GUILESS_MAIN(TestAutoligaPortalSearch)
#include "tst_AutoligaPortalSearch.moc"
