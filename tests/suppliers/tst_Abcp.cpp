#include "cart/CartItem.h"
#include "offertable/DeliveryDisplay.h"
#include "suppliers/abcp/AbcpOrderRevalidator.h"
#include "suppliers/abcp/AbcpProvider.h"
#include "SupplierTestSupport.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

const SupplierAccount kShop{
    u"abcp-avtomarket-ural"_s, u"abcp"_s, u"Автомаркет Урал"_s, u"https://shop.test/"_s, {}, 0, true};

// One shop over the sandbox, every shop's address being the sandbox's.
struct AbcpSandbox : SupplierSandbox {
    QNetworkAccessManager network;
    AbcpClient client{network, endpoints, kShop};

    AbcpProvider provider() { return AbcpProvider(client, credentials, {kShop.id, kShop.name, {}, {}, true}, kShop); }
    QList<SupplierOffer> search() {
        AbcpProvider shop = provider();
        return awaitTask(shop.search(u"OC 90"_s));
    }
};

} // namespace

class TestAbcp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What shops write, in the types they write it, as the table shows it.
    void offerRow_readAsTheTableShowsIt_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("fields"); // empty: the row is left out
        const QByteArray base = R"({"itemKey":"K1","supplierCode":7001,"brand":"MAHLE","number":"OC 90",)";
        QTest::newRow("numbers, in stock here")
            << base + R"(  "price":412.5,"availability":5,"deliveryPeriod":0,"deliveryProbability":99.6,"noReturn":0})"
            << u"key=K1|7001;stock=5;days=в наличии;risk=0.4;returnable=true"_s;
        QTest::newRow("text, approximate stock")
            << base + R"(  "price":"320,50","availability":"-2","deliveryPeriod":"36","deliveryPeriodMax":"",)"
                      R"(  "deliveryProbability":"0","noReturn":"1"})"
            << u"price=320.5;stock=++;rank=10;days=2 дн.;risk=none;returnable=false"_s;
        QTest::newRow("on order, a range of hours")
            << base + R"(  "price":99,"availability":-10,"deliveryPeriod":24,"deliveryPeriodMax":72})"
            << u"stock=под заказ;rank=none;days=1-3 дн."_s;
        QTest::newRow("the shop's own words")
            << base + R"(  "price":99,"deadlineReplace":"до 7 раб.дн."})" << u"days=до 7 раб.дн.;stock=—"_s;
        QTest::newRow("no price to trust") << base + R"(  "price":"1e999"})" << QString();
        QTest::newRow("no handle") << QByteArray(R"({"brand":"MAHLE","number":"OC 90","price":10})") << QString();
    }
    void offerRow_readAsTheTableShowsIt() {
        QFETCH(QByteArray, row);
        QFETCH(QString, fields);
        const AbcpArticles answer = AbcpParser::articles('[' + row + ']');
        const auto offer =
            answer.offers.isEmpty() ? std::nullopt : AbcpProvider::normalize(answer.offers.first(), kShop);
        if (fields.isEmpty()) {
            QVERIFY(!offer);
            return;
        }
        QVERIFY(offer);
        QCOMPARE(offer->supplierID + u'/' + offer->supplierName, kShop.id + u'/' + kShop.name);
        compareFields(fields, {{u"key"_s, offer->supplierOfferKey},
                               {u"price"_s, offer->price.toString()},
                               {u"stock"_s, stockText(*offer)},
                               {u"rank"_s, fieldText(offer->availableQuantity)},
                               {u"days"_s, offer->deliveryDescription.value_or(u"—"_s)},
                               {u"risk"_s, fieldText(offer->rejectRate)},
                               {u"returnable"_s, fieldText(offer->isReturnable)}});
    }

    // The shop's answers to a search, as the search says them (nothing found is no failure).
    void shopAnswer_isTheSearchsOutcome_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("wrong login") << 403 << QByteArray(R"({"errorCode":102,"errorMessage":"Неправильное имя!"})")
                                     << u"неверный логин или пароль"_s;
        QTest::newRow("request limit") << 403 << QByteArray(R"({"errorCode":"303","errorMessage":"locked"})")
                                       << u"превышен лимит запросов, повторите позже"_s;
        QTest::newRow("nothing found") << 404 << QByteArray(R"({"errorCode":301,"errorMessage":"No results"})")
                                       << u"<no error>"_s;
        QTest::newRow("another code") << 400 << QByteArray(R"({"errorCode":4,"errorMessage":"<b>number</b>\nпуст"})")
                                      << u"ошибка 4: number пуст"_s;
        QTest::newRow("no error object") << 502 << QByteArray("Bad Gateway") << u"сервер вернул HTTP 502"_s;
        QTest::newRow("cut off") << 200 << QByteArray("{\"0\":{\"brand\":\"MAH") << u"ответ оборван"_s;
    }
    void shopAnswer_isTheSearchsOutcome() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        AbcpSandbox sandbox;
        sandbox.setFault(Service::abcp, Fault::body, u"search/brands"_s, status, body);
        QCOMPARE(failureOf([&] { QVERIFY(sandbox.search().isEmpty()); }), outcome);
    }

    // The password goes as its MD5 only; each brand of the number is asked for its offers once.
    void search_sendsTheHashAndAsksEachBrand() {
        AbcpSandbox sandbox;
        const QList<SupplierOffer> offers = sandbox.search();
        QVERIFY(!offers.isEmpty());
        const QString hash = QString::fromLatin1(
            QCryptographicHash::hash(QString::fromUtf16(SandboxServer::abcpPassword).toUtf8(), QCryptographicHash::Md5)
                .toHex());
        QStringList brands;
        for (const SandboxRequest& request : sandbox.requestsTo(u"/abcp/"_s)) {
            const QHash<QString, QString> query(request.query.begin(), request.query.end());
            QCOMPARE(query.value(u"userpsw"_s), hash);
            QVERIFY(!request.target.contains(u"%D0%90%D0%B2%D1%82%D0%BE"_s)); // "Авто", the password's start
            if (request.path.endsWith(u"search/articles"_s))
                brands.append(query.value(u"brand"_s));
        }
        QCOMPARE(brands.size(), 2);
        QCOMPARE(QSet<QString>(brands.begin(), brands.end()), (QSet<QString>{u"MAHLE"_s, u"KNECHT"_s}));
        sandbox.credentials.set(kShop.passwordAccount(), QString());
        QCOMPARE(failureOf([&] { sandbox.search(); }), u"не указаны логин и пароль"_s);
    }

    // The cart's lines asked again: found by their handle, or not confirmed.
    void cartLine_checkedAgainByItsHandle_data() {
        QTest::addColumn<int>("drift");
        QTest::addColumn<QString>("status");
        QTest::newRow("as it was") << int(SandboxDrift::none) << u"Актуально"_s;
        QTest::newRow("dearer") << int(SandboxDrift::priceMoved) << u"Изменилось"_s;
        QTest::newRow("withdrawn") << int(SandboxDrift::withdrawn) << u"Не удалось подтвердить"_s;
        QTest::newRow("listed twice") << int(SandboxDrift::duplicated) << u"Не удалось подтвердить"_s;
    }
    void cartLine_checkedAgainByItsHandle() {
        QFETCH(int, drift);
        QFETCH(QString, status);
        AbcpSandbox sandbox;
        const QList<SupplierOffer> offers = sandbox.search();
        const auto own = std::find_if(offers.begin(), offers.end(), [](const SupplierOffer& o) {
            return o.article == u"OC 90" && o.availableQuantity && o.deliveryDescription;
        });
        QVERIFY(own != offers.end());
        sandbox.server.setDrift(static_cast<SandboxDrift>(drift));
        const CartItem line = CartItem::supplierOffer(*own, QDateTime::currentDateTimeUtc());
        AbcpOrderRevalidator revalidator(sandbox.client, sandbox.credentials, kShop);
        QCOMPARE(awaitTask(revalidator.check({line})).value(line.id).status, status);
    }
};

QTEST_GUILESS_MAIN(TestAbcp)
#include "tst_Abcp.moc"
