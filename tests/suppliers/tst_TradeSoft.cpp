#include "SupplierTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The member "v" of a one-member document ({} when the text is empty), read by a reader.
std::optional<Json::Value> member(const QByteArray& valueText) {
    return Json::parse(valueText.isEmpty() ? QByteArray("{}") : "{\"v\":" + valueText + "}").member(u"v");
}

QString optionalText(const std::optional<std::int64_t>& n) {
    return n ? QString::number(*n) : QStringLiteral("-");
}

TradeSoftPriceItem item(const QByteArray& rowJson) {
    return TradeSoftHTTPAPI::decodePriceItem(Json::parse(rowJson));
}

} // namespace

using namespace Qt::StringLiterals;

class TestTradeSoft : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void request_carriesTheEnvelopeAndTheContainerItem() {
        AutoligaSandbox sandbox;
        sandbox.credentials.set(u"autoliga-login"_s, u" demo@autoliga.test\n"_s);
        const QString id = QString::fromUtf16(AutoligaProvider::tradeSoftProviderID);
        QVERIFY(!awaitTask(sandbox.tradeSoft.preOrderSearch(u"OC 90"_s, u"MAHLE"_s, u" h1 "_s, id)).isEmpty());
        awaitTask(sandbox.tradeSoft.preOrderSearch(u"OC 90"_s, u"MAHLE"_s, u" \t"_s, id));
        QCOMPARE(awaitTask(sandbox.tradeSoft.producers(u"OC 90"_s, id)),
                 (QList<TradeSoftProducer>{{u"MAHLE"_s}, {u"KNECHT"_s}}));
        const auto requests = sandbox.requestsTo(u"/tradesoft/"_s);
        QCOMPARE(requests.size(), 3);
        const QByteArray account = R"({"service":"provider","user":"sandbox-tradesoft","password":"ts-demo-5521",)";
        const QByteArray item = R"("container":[{"provider":"autoliga74ru0","login":"demo@autoliga.test",)"
                                R"("password":"Автолига-демо 7","code":"OC 90")";
        const QList<QByteArray> expected = {account + R"("action":"preOrderSearch","timelimit":50,)" + item +
                                                R"(,"producer":"MAHLE","itemHash":"h1"}]})",
                                            account + R"("action":"preOrderSearch","timelimit":50,)" + item +
                                                R"(,"producer":"MAHLE"}]})",
                                            account + R"("action":"GetProducerList",)" + item + "}]}"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(requests[i].method + u' ' + requests[i].path + u' ' +
                         requests[i].headers.value(u"content-type"_s) + u' ' + requests[i].headers.value(u"accept"_s),
                     u"POST /tradesoft/3/ application/json application/json"_s);
            QVERIFY(!requests[i].body.contains('\n'));
            QCOMPARE(QJsonDocument::fromJson(requests[i].body).object(), QJsonDocument::fromJson(expected[i]).object());
        }
    }

    void answer_isProbedForErrors_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // rows found, or the failure text
        const QString noContainer = u"TradeSoft: в ответе отсутствует container."_s;
        QTest::newRow("message text") << QByteArray(R"({"message":" Нет доступа ","container":[]})") << "Нет доступа";
        QTest::newRow("error number") << QByteArray(R"({"error":5,"container":[]})") << "TradeSoft API error: 5";
        QTest::newRow("null, \"null\", \"0\" pass")
            << QByteArray(R"({"error":null,"message":"NULL","errorMessage":"0","container":[]})") << "0";
        QTest::newRow("last member speaks")
            << QByteArray(R"({"error":"","error_message":"e4","container":[]})") << "e4";
        QTest::newRow("false is no error") << QByteArray(R"({"error":false,"container":[]})") << "0";
        QTest::newRow("object as error") << QByteArray(R"({"error":{"code":7},"container":[]})") << "{\"code\":7}";
        QTest::newRow("no container") << QByteArray(R"({"error":0})") << noContainer;
        QTest::newRow("container of numbers") << QByteArray(R"({"container":[1]})") << noContainer;
        QTest::newRow("entry error") << QByteArray(R"({"container":[{"data":[{}]},{"errorMessage":"Ошибка"}]})")
                                     << "Ошибка";
        QTest::newRow("data, items, neither")
            << QByteArray(R"({"container":[{"data":[{},{}],"items":[{}]},{"data":[1],"items":[{}]},{}]})") << "3";
        QTest::newRow("top level a list") << QByteArray("[]") << "TradeSoft вернул ответ неизвестного формата.";
    }
    void answer_isProbedForErrors() {
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QString rows;
        const QString failure = failureOf([&] { rows = QString::number(TradeSoftHTTPAPI::answerRows(body).size()); });
        QCOMPARE(rows.isNull() ? failure : rows, outcome);
    }

    void failure_reachesTheUser_data() {
        QTest::addColumn<QString>("setup"); // see SupplierSandbox::arrange()
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("sent");
        QTest::newRow("blank login") << u"autoliga-login= "_s << u"Не указаны данные TradeSoft / Автолиги."_s << false;
        QTest::newRow("no address") << u"<no address>"_s << u"Некорректный адрес TradeSoft."_s << false;
        QTest::newRow("refused by Autoliga")
            << u"autoliga-password=guess"_s << u"Ошибка авторизации у поставщика Автолига"_s << true;
    }
    void failure_reachesTheUser() {
        QFETCH(QString, setup);
        QFETCH(QString, description);
        QFETCH(bool, sent);
        AutoligaSandbox sandbox;
        sandbox.arrange(setup, Service::tradeSoft);
        QCOMPARE(failureOf(sandbox.provider.preOrderCheck(u"OC 90"_s, u"MAHLE"_s, u"h"_s)), description);
        QCOMPARE(!sandbox.requestsTo(u"/tradesoft/"_s).isEmpty(), sent);
    }

    void readers_areLenient_data() {
        QTest::addColumn<QString>("reader");   // "stock" and "return" read a price row
        QTest::addColumn<QByteArray>("value"); // empty: member missing
        QTest::addColumn<QString>("result");
        QTest::newRow("int fraction") << "int" << QByteArray("-2.9") << "-2";
        QTest::newRow("int huge number") << "int" << QByteArray("1e30") << "-";
        QTest::newRow("int huge text") << "int" << QByteArray("\"99999999999999999999\"") << "-";
        QTest::newRow("int text") << "int" << QByteArray("\" +7 \"") << "7";
        QTest::newRow("int decimal text") << "int" << QByteArray("\"2.9\"") << "2";
        QTest::newRow("int inf text") << "int" << QByteArray("\"inf\"") << "-";
        QTest::newRow("int missing") << "int" << QByteArray() << "-";
        QTest::newRow("price decimal comma") << "price" << QByteArray("\"1234,50\"") << "1234.5";
        QTest::newRow("price thousands blank") << "price" << QByteArray("\"1 234,50\"") << "0";
        QTest::newRow("price inf") << "price" << QByteArray("\"inf\"") << "0";
        QTest::newRow("price huge number") << "price" << QByteArray("1e400") << "0";
        QTest::newRow("text number as written") << "text" << QByteArray("12.50") << "12.50";
        QTest::newRow("text null") << "text" << QByteArray("null") << "";
        QTest::newRow("optional blank") << "optional" << QByteArray("\"  \\n\"") << "-";
        QTest::newRow("stock fraction") << "stock" << QByteArray("\"12.7\"") << "12";
        QTest::newRow("stock comparison sign") << "stock" << QByteArray("\">10\"") << "-";
        QTest::newRow("return possible") << "return" << QByteArray("\" Possible \"") << "yes";
        QTest::newRow("return 0") << "return" << QByteArray("\"0\"") << "no";
        QTest::newRow("return unknown") << "return" << QByteArray("\"maybe\"") << "-";
        QTest::newRow("return impossible") << "return" << QByteArray("\"impossible\"") << "no";
    }
    void readers_areLenient() {
        QFETCH(QString, reader);
        QFETCH(QByteArray, value);
        QFETCH(QString, result);
        const auto v = member(value);
        QString got;
        if (reader == u"int")
            got = optionalText(TradeSoftHTTPAPI::intValue(v));
        else if (reader == u"price")
            got = QString::number(TradeSoftHTTPAPI::priceValue(v), 'g', 17);
        else if (reader == u"text")
            got = TradeSoftHTTPAPI::stringValue(v);
        else if (reader == u"optional")
            got = TradeSoftHTTPAPI::optionalStringValue(v).value_or(QStringLiteral("-"));
        else if (reader == u"stock")
            got = optionalText(item("{\"rest\":" + value + "}").availableQuantity());
        else if (const auto r = item("{\"return\":" + value + "}").isReturnable())
            got = *r ? u"yes"_s : u"no"_s;
        else
            got = u"-"_s;
        QCOMPARE(got, result);
    }

    void normalize_keysAndDescribesTheOffer_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("fallback"); // "-": none
        QTest::addColumn<QString>("outcome");  // "key | delivery", or "nothing"
        const QByteArray base = R"("producer":" ABC ","code":"12345","price":350,"deliverydays_max":3)";
        QTest::newRow("composite key") << QByteArray("{" + base + "}") << u"-"_s << u"ABC|12345|350.0||3 | 3 дн."_s;
        QTest::newRow("fallback") << QByteArray("{" + base + "}") << u"fb"_s << u"fb | 3 дн."_s;
        QTest::newRow("item hash first") << QByteArray("{" + base + R"(,"itemHash":" h "})") << u"fb"_s
                                         << u"h | 3 дн."_s;
        QTest::newRow("direction, fraction")
            << QByteArray(R"({"producer":"A","code":"1","price":"1234,5","direction":" Склад ","deliverydays_min":2,)"
                          R"("deliverydays_max":"5"})")
            << u"-"_s << u"A|1|1234.5|Склад|5 | 2-5 дн."_s;
        QTest::newRow("same min and max") << QByteArray(R"({"price":1,"deliverydays_min":2,"deliverydays_max":2})")
                                          << u"-"_s << u"||1.0||2 | 2 дн."_s;
        QTest::newRow("days as text") << QByteArray(R"({"price":1,"deliverydays":" 7 "})") << u"-"_s
                                      << u"||1.0|| | 7 дн."_s;
        QTest::newRow("price 0") << QByteArray(R"({"price":"0","itemHash":"h"})") << u"-"_s << u"nothing"_s;
    }
    void normalize_keysAndDescribesTheOffer() {
        QFETCH(QByteArray, row);
        QFETCH(QString, fallback);
        QFETCH(QString, outcome);
        const auto offer =
            AutoligaProvider::normalize(item(row), fallback == u"-" ? std::nullopt : std::optional<QString>(fallback));
        if (offer)
            QCOMPARE(offer->supplierID + u' ' + offer->currency, u"autoliga RUB"_s);
        QCOMPARE(offer ? offer->supplierOfferKey + u" | "_s + offer->deliveryDescription.value_or(u"-"_s)
                       : u"nothing"_s,
                 outcome);
    }

    void preOrderCheck_choosesTheRow_data() {
        QTest::addColumn<QByteArray>("rows");
        // itemId and offer key of the chosen row ("unusable" for its key when its price is no
        // price), or "nothing"
        QTest::addColumn<QString>("chosen");
        const QByteArray other = R"({"itemId":"other","code":"X","producer":"Y","price":1,"itemHash":"h2"})";
        const QByteArray byBrand = R"({"itemId":"brand","code":"oc 90","producer":"mahle","price":1})";
        const QByteArray byHash = R"({"itemId":"hash","code":"X","producer":"Y","price":1,"itemHash":"h1"})";
        QTest::newRow("item hash wins") << QByteArray("[" + other + "," + byBrand + "," + byHash + "]") << "hash h1";
        QTest::newRow("then article and brand") << QByteArray("[" + other + "," + byBrand + "]") << "brand h1";
        QTest::newRow("then the first row") << QByteArray("[" + other + "]") << "other h2";
        QTest::newRow("no rows") << QByteArray("[]") << "nothing";
        // The line was named: an unreadable price is no proof that it is gone.
        for (const char* price : {"0", "-5", "1e999", "\"NaN\""}) {
            QTest::addRow("chosen row priced %s", price)
                << QByteArray(R"([{"itemId":"free","itemHash":"h1","price":)" + QByteArray(price) + "}," + other + "]")
                << "free unusable";
        }
    }
    void preOrderCheck_choosesTheRow() {
        QFETCH(QByteArray, rows);
        QFETCH(QString, chosen);
        AutoligaSandbox sandbox;
        sandbox.setFault(Service::tradeSoft, Fault::body, {}, 200, "{\"container\":[{\"data\":" + rows + "}]}");
        const auto found = awaitTask(sandbox.provider.preOrderCheck(u" OC 90 "_s, u"MAHLE "_s, u" h1"_s));
        const QString key = found && found->unusablePrice ? u"unusable"_s
                            : found                       ? found->offer.supplierOfferKey
                                                          : QString();
        QCOMPARE(found ? found->itemID.value_or(QString()) + u' ' + key : u"nothing"_s, chosen);
    }

    void preOrderCheck_withABlankInput_asksNobody() {
        AutoligaSandbox sandbox;
        for (const auto& [article, producer, hash] : {std::tuple{u" ", u"MAHLE", u"h"}, std::tuple{u"OC 90", u"", u"h"},
                                                      std::tuple{u"OC 90", u"MAHLE", u" \n"}}) {
            QVERIFY(!awaitTask(sandbox.provider.preOrderCheck(QString::fromUtf16(article), QString::fromUtf16(producer),
                                                              QString::fromUtf16(hash))));
        }
        QVERIFY(sandbox.server.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTradeSoft)
#include "tst_TradeSoft.moc"
