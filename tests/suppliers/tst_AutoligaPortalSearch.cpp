#include "FieldText.h"
#include "SupplierTestSupport.h"
#include "support/OfferBuilder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

// The offer keys parse() gives for {"data":{"rows": rows}}, joined by blanks.
QString keysOf(const QByteArray& rows) {
    QStringList keys;
    for (const SupplierOffer& offer : AutoligaPortalSearch::parse("{\"data\":{\"rows\":" + rows + "}}"))
        keys.append(offer.supplierOfferKey.mid(QStringLiteral("portal-selection:").size()));
    return keys.join(u' ');
}

// "METHOD path" and the names of the cookies sent.
QString exchange(const SandboxRequest& request) {
    QStringList names;
    for (const QString& pair : request.headers.value(QStringLiteral("cookie")).split(u';', Qt::SkipEmptyParts))
        names.append(pair.section(u'=', 0, 0).trimmed());
    names.sort();
    return request.method + u' ' + request.path + u' ' + names.join(u',');
}

QList<SupplierOffer> portalOffers(const QStringList& keys) {
    QList<SupplierOffer> offers;
    for (const QString& key : keys)
        offers.append(OfferBuilder(u"autoliga"_s, key));
    return offers;
}

QString portalKey(int n) {
    return QStringLiteral("portal-selection:%1").arg(n, 4, 10, QChar(u'0'));
}

using Origin = std::optional<std::pair<QString, QString>>;

} // namespace

class TestAutoligaPortalSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void search_warmsUpSignsInAndSearches_carryingTheSessionCookie_anewEachTime_withAnEncodedQuery() {
        AutoligaSandbox sandbox;
        sandbox.credentials.set(u"autoliga-login"_s, u"  demo@autoliga.test\n"_s);
        const auto offers = awaitTask(sandbox.portal.search(QStringLiteral(" OC 90 "), QStringLiteral("KNECHT")));
        QVERIFY(!offers.isEmpty());

        const auto requests = sandbox.requestsTo(u"/autoliga/"_s);
        QStringList exchanges;
        for (const auto& request : requests)
            exchanges.append(exchange(request));
        QCOMPARE(exchanges, (QStringList{u"GET /autoliga/ "_s, u"POST /autoliga/api/v2/customer/login/ PORTALSESSID"_s,
                                         u"GET /autoliga/api/v2/client/search/ PORTALAUTH,PORTALSESSID"_s}));

        // Exactly the trimmed login and the password as stored.
        QCOMPARE(requests[1].headers.value(QStringLiteral("content-type")), QStringLiteral("application/json"));
        QCOMPARE(QJsonDocument::fromJson(requests[1].body).object(),
                 QJsonDocument::fromJson(R"({"login":"demo@autoliga.test","password":"Автолига-демо 7"})").object());

        // Every offer's origin is the question exactly as asked.
        for (const SupplierOffer& offer : offers) {
            QCOMPARE(offer.supplierID, QStringLiteral("autoliga"));
            QCOMPARE(sandbox.context.lookup(offer.supplierOfferKey), Origin(std::pair{u" OC 90 "_s, u"KNECHT"_s}));
        }

        // The next search starts a session of its own; the query is fully encoded and names
        // the brand only when there is one.
        awaitTask(sandbox.portal.search(u" oc 90\n"_s, QString()));
        awaitTask(sandbox.portal.search(u"C 27 009"_s, u"MANN+HUMMEL"_s));
        const auto again = sandbox.requestsTo(u"/autoliga/"_s);
        QCOMPARE(again.size(), 9);
        QCOMPARE(exchange(again[3]), u"GET /autoliga/ "_s);
        QVERIFY(again[4].headers.value(u"cookie"_s) != again[1].headers.value(u"cookie"_s));
        const QString path = u"/autoliga/api/v2/client/search/?"_s;
        QCOMPARE(QStringList({again[5].target, again[8].target}),
                 QStringList({path + u"article=oc%2090&withAnalogs=1"_s,
                              path + u"article=C%2027%20009&withAnalogs=1&brand=MANN%2BHUMMEL"_s}));
    }

    void prepare_signsInAtOnce_beforeTheBrandIsKnown() {
        AutoligaSandbox sandbox;
        auto prepared = sandbox.portal.prepare();
        QTRY_COMPARE(sandbox.requestsTo(u"/autoliga/"_s).size(), 2);
        QCOMPARE(sandbox.requestsTo(u"/autoliga/"_s).at(1).path, QStringLiteral("/autoliga/api/v2/customer/login/"));
        QVERIFY(!awaitTask(prepared->search(QStringLiteral("OC 90"), QStringLiteral("KNECHT"))).isEmpty());
    }

    void failure_reachesTheUser_withoutASearch_andLeavesTheOriginsAlone_data() {
        QTest::addColumn<QString>("setup"); // see SupplierSandbox::arrange()
        QTest::addColumn<QString>("description");
        const QString missing = u"Укажите логин и пароль портала Автолиги в настройках поставщика."_s;
        QTest::newRow("no login") << u"autoliga-login=<removed>"_s << missing;
        QTest::newRow("blank login") << u"autoliga-login= \n"_s << missing;
        QTest::newRow("no address") << u"<no address>"_s
                                    << u"Не удалось сформировать адрес запроса к порталу Автолиги."_s;
        QTest::newRow("wrong password") << u"autoliga-password=guess"_s
                                        << u"Портал Автолиги: HTTP 403. Проверьте учётные данные портала."_s;
        QTest::newRow("credential store") << u"<locked>"_s << u"Keychain error: 5"_s;
    }
    void failure_reachesTheUser_withoutASearch_andLeavesTheOriginsAlone() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutoligaSandbox sandbox;
        sandbox.arrange(setup, Service::autoligaPortal);
        QCOMPARE(failureOf(sandbox.portal.search(u"OC 90"_s, QString())), description);
        QVERIFY(sandbox.requestsTo(u"/autoliga/api/v2/client/search/"_s).isEmpty());
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
    }
    void parse_ordersGroupsByKey_andIdentifiesRows() {
        QFETCH(QByteArray, rows);
        QFETCH(QString, keys);
        QCOMPARE(keysOf(rows), keys);
    }

    void parse_readsOrSkipsEachRow_data() {
        // Members over a usable row; the outcome is "price delivery available minimum name [colour]" or "skip".
        QTest::addColumn<QByteArray>("members");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("price as a JSON number") << QByteArray(R"({"price":1250})") << "1250 2 дн. none none Фильтр";
        QTest::newRow("price with a unit")
            << QByteArray(R"({"price":"1250.50 руб"})") << "1250.5 2 дн. none none Фильтр";
        QTest::newRow("price after blanks, exponent")
            << QByteArray(R"({"price":" 1.5e3x"})") << "1500 2 дн. none none Фильтр";
        // Russian forms: a blank, no-break or thin space between thousands, a decimal comma.
        for (const char* price : {"12,5", "1 250,50 руб.", "1\u00a0250,50", "1\u202f250,5", "1.250,50", "1,250.50"}) {
            const QByteArray text(price);
            QTest::addRow("price %s", price)
                << ("{\"price\":\"" + text + "\"}")
                << (text.startsWith("12") ? u"12.5"_s : u"1250.5"_s) + u" 2 дн. none none Фильтр"_s;
        }
        // Read two ways (1.25 or 1250?): no price rather than a guess. Nor is a cent's fraction one.
        for (const char* price : {"1,250", "1.2.3", "0.001", "1e-30", "100000000"})
            QTest::addRow("price %s", price) << ("{\"price\":\"" + QByteArray(price) + "\"}") << "skip";
        QTest::newRow("price 0") << QByteArray(R"({"price":"0"})") << "skip";
        QTest::newRow("price a word") << QByteArray(R"({"price":"договорная"})") << "skip";
        QTest::newRow("term 0") << QByteArray(R"({"term":0})") << "100 0 дн. none none Фильтр";
        QTest::newRow("term with plus") << QByteArray(R"({"term":"+07"})") << "100 7 дн. none none Фильтр";
        QTest::newRow("term -1") << QByteArray(R"({"term":"-1"})") << "skip";
        QTest::newRow("term range") << QByteArray(R"({"term":"3-5"})") << "skip";
        QTest::newRow("term of ages, stock below 0")
            << QByteArray(R"({"term":"4611686018427387904","amountNum":"-5","minimumQuantity":"0"})")
            << "100  none none Фильтр";
        QTest::newRow("quantities") << QByteArray(R"({"amountNum":"12","minimumQuantity":4})")
                                    << "100 2 дн. 12 4 Фильтр";
        QTest::newRow("malformed quantities kept absent")
            << QByteArray(R"({"amountNum":">10","minimumQuantity":" 4"})") << "100 2 дн. none none Фильтр";
        QTest::newRow("description for an empty name")
            << QByteArray(R"({"name":"","description":"Фильтр масла"})") << "100 2 дн. none none Фильтр масла";
        QTest::newRow("no name at all") << QByteArray(R"({"name":null})") << "skip";
        QTest::newRow("empty brand") << QByteArray(R"({"brand":""})") << "skip";
        // The row's colour is the first background written in hex.
        const QString usable = u"100 2 дн. none none Фильтр"_s;
        auto colour = [](const QString& rule) {
            return QJsonDocument(QJsonObject{{u"cssRule"_s, rule}}).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("background after another declaration")
            << colour(u"color: red; background: #ffcc00 !important"_s) << usable + u" #FFCC00"_s;
        QTest::newRow("background of three digits") << colour(u"background-color: #abc"_s) << usable + u" #ABC"_s;
        QTest::newRow("background of eight digits") << colour(u"background: #ffcc00aa"_s) << usable + u" #FFCC00AA"_s;
        QTest::newRow("upper-case property") << colour(u"BACKGROUND-COLOR:#ccff99;"_s) << usable + u" #CCFF99"_s;
        QTest::newRow("background of five digits") << colour(u"background: #ffcc0"_s) << usable;
        QTest::newRow("inside another property") << colour(u"border-background: #fff"_s) << usable;
        QTest::newRow("a later declaration when the first is no hex")
            << colour(u"background: red; background-color: #CCFFFF"_s) << usable + u" #CCFFFF"_s;
    }
    void parse_readsOrSkipsEachRow() {
        QFETCH(QByteArray, members);
        QFETCH(QString, outcome);
        QJsonObject row =
            QJsonDocument::fromJson(R"({"article":"OC 90","brand":"MAHLE","name":"Фильтр","price":"100","term":"2"})")
                .object();
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
        QStringList read{o.price.toString(), o.deliveryDescription.value_or(QString()), fieldText(o.availableQuantity),
                         fieldText(o.minimumQuantity), o.name};
        if (o.rowHighlightColor)
            read.append(*o.rowHighlightColor);
        QCOMPARE(read.join(u' '), outcome);
        QCOMPARE(o.supplierOfferKey + u' ' + o.currency + u' ' + o.supplierName,
                 u"portal-selection:g:0 RUB Автолига"_s);
    }

    void parse_refusesAnAnswerWithoutDataAndRows_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        const QString unknown = QStringLiteral("Портал Автолиги вернул ответ неизвестного формата.");
        QTest::newRow("top level a list") << QByteArray("[]") << unknown;
        QTest::newRow("no data") << QByteArray(R"({"rows":{}})") << unknown;
        QTest::newRow("rows a list") << QByteArray(R"({"data":{"rows":[]}})") << unknown;
    }
    void parse_refusesAnAnswerWithoutDataAndRows() {
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        QCOMPARE(failureOf([&] { AutoligaPortalSearch::parse(body); }), description);
    }

    void origins_surviveARestart_asTheyWereAsked() {
        TestEnvironment env;
        {
            auto defaults = env.makeDefaults();
            AutoligaPortalSearchContext context(*defaults);
            context.remember(portalOffers({u"portal-selection:42"_s, u"EKB-1"_s}), u" oc 90 "_s, QString());
            context.remember(portalOffers({u"portal-selection:42"_s}), u"OC 90"_s, u"MAHLE"_s);
        }
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext again(*defaults);
        QCOMPARE(again.searches().size(), 1);
        QCOMPARE(again.lookup(u"portal-selection:42"_s), Origin(std::pair{u"OC 90"_s, u"MAHLE"_s}));
        QCOMPARE(again.lookup(u"EKB-1"_s), Origin());

        // A search that found nothing still saves.
        defaults->remove(AutoligaPortalSearchContext::key());
        again.remember({}, u"X"_s, QString());
        QVERIFY(defaults->contains(AutoligaPortalSearchContext::key()));
    }

    void overTwoThousandOrigins_keepTheThousandGreatestKeys() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext context(*defaults);
        QStringList keys;
        for (int i = 0; i < 2000; ++i)
            keys.append(portalKey(i));
        context.remember(portalOffers(keys), u"A"_s, u"B"_s);
        QCOMPARE(context.searches().size(), 2000);
        context.remember(portalOffers({portalKey(5000)}), u"A"_s, u"B"_s);
        QCOMPARE(context.searches().size(), 1000);
        QCOMPARE(context.searches().firstKey(), portalKey(1001));
        QCOMPARE(context.searches().lastKey(), portalKey(5000));
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1000);
    }

    void malformedEntries_costThemselvesOnly() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setMap(AutoligaPortalSearchContext::key(),
                         {{u"portal-selection:1"_s, QStringList{u"OC 90"_s, QString()}},
                          {u"portal-selection:2"_s, u"OC 90"_s},
                          {u"portal-selection:3"_s, QVariantList{u"OC 90"_s, 5}},
                          {u"portal-selection:4"_s, QStringList{u"OC 90"_s}},
                          {u"portal-selection:5"_s, QVariantList{u"W 914/2"_s, u"MANN"_s}}});
        AutoligaPortalSearchContext context(*defaults);
        QCOMPARE(context.lookup(u"portal-selection:1"_s), Origin(std::pair{u"OC 90"_s, QString()}));
        QCOMPARE(context.lookup(u"portal-selection:5"_s), Origin(std::pair{u"W 914/2"_s, u"MANN"_s}));
        // A list of texts of another length is kept, but is no origin.
        QCOMPARE(context.lookup(u"portal-selection:4"_s), Origin());
        QCOMPARE(context.searches().keys(),
                 (QStringList{u"portal-selection:1"_s, u"portal-selection:4"_s, u"portal-selection:5"_s}));
    }

    void unreadableValue_isKeptAsideBeforeTheNextSave_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("kept");
        QTest::newRow("text") << QByteArray("{not a map") << u"{not a map"_s;
        // Bytes QSettings cannot read back: it would write "@Invalid()" over them.
        QTest::newRow("damaged value") << QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3garbage)")
                                       << u"@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3garbage)"_s;
    }
    void unreadableValue_isKeptAsideBeforeTheNextSave() {
        QFETCH(QByteArray, line);
        QFETCH(QString, kept);
        TestEnvironment env;
        {
            QFile file(env.settingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\n" + AutoligaPortalSearchContext::key().toUtf8() + '=' + line + '\n');
        }
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext context(*defaults);
        QVERIFY(context.searches().isEmpty());
        context.remember(portalOffers({u"portal-selection:7"_s}), u"A"_s, QString());

        const QSettings file(env.settingsPath(), QSettings::IniFormat);
        const QStringList aside = file.allKeys().filter(AutoligaPortalSearchContext::key() + u".unreadable-"_s);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QString::fromUtf8(file.value(aside.first()).toByteArray()), kept);
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAutoligaPortalSearch)
#include "tst_AutoligaPortalSearch.moc"
