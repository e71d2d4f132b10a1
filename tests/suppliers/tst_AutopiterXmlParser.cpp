#include "FieldText.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QtTest>

namespace {

QByteArray answer(const QByteArray& rows) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><R "
           "xmlns=\"http://www.autopiter.ru/\">" +
           rows + "</R></soap:Body></soap:Envelope>";
}

QByteArray priceRow(const QByteArray& fields) {
    return "<PriceSearchModel><DetailUid>d1</DetailUid><SalePrice>10</SalePrice>" + fields + "</PriceSearchModel>";
}

} // namespace

class TestAutopiterXmlParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void catalogRow_needsAnIntegerArticleId_data() {
        QTest::addColumn<QByteArray>("articleId");
        QTest::addColumn<QString>("expected"); // the id, or "skipped"
        QTest::newRow("signed and padded") << QByteArray("<ArticleId>\n +42 </ArticleId>") << "42";
        QTest::newRow("negative") << QByteArray("<ArticleId>-7</ArticleId>") << "-7";
        QTest::newRow("largest") << QByteArray("<ArticleId>9223372036854775807</ArticleId>") << "9223372036854775807";
        QTest::newRow("beyond 64 bits") << QByteArray("<ArticleId>9223372036854775808</ArticleId>") << "skipped";
        QTest::newRow("missing") << QByteArray() << "skipped";
        QTest::newRow("prefixed name") << QByteArray("<a:ArticleId>42</a:ArticleId>") << "skipped";
        QTest::newRow("later one wins") << QByteArray("<ArticleId>1</ArticleId><ArticleId>2</ArticleId>") << "2";
    }
    void catalogRow_needsAnIntegerArticleId() {
        QFETCH(QByteArray, articleId);
        QFETCH(QString, expected);
        const QByteArray xml = answer("<SearchCatalogModel>" + articleId +
                                      "<Number>OC 90</Number></SearchCatalogModel><SearchCatalogModel><ArticleId>5<"
                                      "/ArticleId></SearchCatalogModel>");
        const auto items = AutopiterXmlParser::catalogItems(xml);
        QCOMPARE(items.last().articleID, 5); // the other row is kept either way
        QCOMPARE(items.size(), expected == u"skipped" ? 1 : 2);
        if (items.size() == 2)
            QCOMPARE(QString::number(items.first().articleID) + u' ' + items.first().number,
                     expected + QStringLiteral(" OC 90"));
    }

    void catalogRow_readsTextOnlyInsideItsElement() {
        const QByteArray xml = answer("<Name>outside</Name><SearchCatalogModel><ArticleId>1</ArticleId>"
                                      "<CatalogName> MAHLE </CatalogName><SalesRating>high</SalesRating>"
                                      "<Name>Фильтр <b>x</b> масляный</Name></SearchCatalogModel>"
                                      "<SearchCatalogModel><ArticleId>2</ArticleId><SalesRating>7</SalesRating>"
                                      "</SearchCatalogModel>");
        const auto items = AutopiterXmlParser::catalogItems(xml);
        QStringList read; // brand|name|number|sales rating
        for (const auto& item : items)
            read.append(QStringList{item.catalogName, item.name, item.number, fieldText(item.salesRating)}.join(u'|'));
        // A child element starts the text anew: only what follows it is the name.
        QCOMPARE(read, (QStringList{QStringLiteral("MAHLE|масляный||none"), QStringLiteral("|||7")}));
    }

    void priceRow_isBuiltFieldByField_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("expected"); // "skipped" or field=value pairs
        QTest::newRow("blank DetailUid")
            << QByteArray("<PriceSearchModel><DetailUid> \n</DetailUid><SalePrice>1</SalePrice></PriceSearchModel>")
            << "skipped";
        for (const char* price : {"", "abc", "NaN", "inf", "-Infinity", "12,5", "1.2.3"}) {
            QTest::addRow("SalePrice '%s'", price) << ("<PriceSearchModel><DetailUid>d</DetailUid><SalePrice>" +
                                                       QByteArray(price) + "</SalePrice></PriceSearchModel>")
                                                   << "skipped";
        }
        QTest::newRow("minimal") << priceRow({})
                                 << "uid=d1;price=10;currency=RUB;seller=none;short=none;region=none;percent=none;"
                                    "days=none;available=none;minimum=none;date=none;number=;brand=;name=";
        QTest::newRow("full")
            << priceRow("<SellerId>17</SellerId><Number>OC 90</Number><ShotNumber> OC90 </ShotNumber>"
                        "<CatalogName>MAHLE</CatalogName><Name>Фильтр</Name><NumberOfAvailable>+5</NumberOfAvailable>"
                        "<MinNumberOfSales>2</MinNumberOfSales><NumberOfDaysSupply>0</NumberOfDaysSupply>"
                        "<Region> Москва </Region><SuccessfulOrdersProcent>97.5</SuccessfulOrdersProcent>"
                        "<CurrencyName> USD </CurrencyName><DeliveryDate>2026-03-07T18:05:09</DeliveryDate>")
            << "seller=17;number=OC 90;short=OC90;brand=MAHLE;name=Фильтр;available=5;minimum=2;days=0;"
               "region=Москва;percent=97.5;currency=USD;date=2026-03-07 18:05:09";
        QTest::newRow("exact decimal price") << priceRow("<SalePrice> 412.30 </SalePrice>") << "price=412.3";
        QTest::newRow("blank texts") << priceRow("<ShotNumber> </ShotNumber><Region></Region><CurrencyName> "
                                                 "</CurrencyName>")
                                     << "short=none;region=none;currency=RUB";
        QTest::newRow("non-integer counts")
            << priceRow("<SellerId>x</SellerId><NumberOfAvailable>1.5</NumberOfAvailable>"
                        "<NumberOfDaysSupply>99999999999999999999</NumberOfDaysSupply>")
            << "seller=none;available=none;days=none";
        QTest::newRow("non-finite percent")
            << priceRow("<SuccessfulOrdersProcent>NaN</SuccessfulOrdersProcent>") << "percent=none";
        QTest::newRow("percent out of range is still read")
            << priceRow("<SuccessfulOrdersProcent>120</SuccessfulOrdersProcent>") << "percent=120";
        for (const char* date : {"2026-03-07T18:05:09Z", "2026-03-07T18:05", "2026-02-30T10:00:00"}) {
            QTest::addRow("DeliveryDate '%s'", date)
                << priceRow("<DeliveryDate>" + QByteArray(date) + "</DeliveryDate>") << "date=none";
        }
    }
    void priceRow_isBuiltFieldByField() {
        QFETCH(QByteArray, row);
        QFETCH(QString, expected);
        const auto items =
            AutopiterXmlParser::priceItems(answer(row + "<PriceSearchModel><DetailUid>keep</DetailUid><SalePrice>1<"
                                                        "/SalePrice></PriceSearchModel>"));
        QCOMPARE(items.last().detailUID, QStringLiteral("keep"));
        QCOMPARE(items.size(), expected == u"skipped" ? 1 : 2);
        if (items.size() < 2)
            return;
        const AutopiterPriceItem& item = items.first();
        if (item.deliveryDate)
            QCOMPARE(item.deliveryDate->timeSpec(), Qt::LocalTime);
        compareFields(expected, {{QStringLiteral("uid"), item.detailUID},
                                 {QStringLiteral("price"), item.salePrice.toString()},
                                 {QStringLiteral("currency"), item.currency},
                                 {QStringLiteral("number"), item.number},
                                 {QStringLiteral("brand"), item.catalogName},
                                 {QStringLiteral("name"), item.name},
                                 {QStringLiteral("seller"), fieldText(item.sellerID)},
                                 {QStringLiteral("available"), fieldText(item.availableQuantity)},
                                 {QStringLiteral("minimum"), fieldText(item.minimumQuantity)},
                                 {QStringLiteral("days"), fieldText(item.daysSupply)},
                                 {QStringLiteral("short"), fieldText(item.shortNumber)},
                                 {QStringLiteral("region"), fieldText(item.region)},
                                 {QStringLiteral("percent"), fieldText(item.successfulOrdersPercent)},
                                 {QStringLiteral("date"), fieldText(item.deliveryDate)}});
    }

    void unreadableDocument_isAnInvalidSOAPResponse_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("description");
        QTest::newRow("not XML") << QByteArray("{\"DATA\": []}")
                                 << "Некорректный SOAP-ответ Autopiter: Start tag expected..";
        QTest::newRow("undeclared entity")
            << QByteArray("<r>&bomb;</r>") << "Некорректный SOAP-ответ Autopiter: Entity 'bomb' not declared..";
        // Entities could make a few bytes expand into gigabytes; a document type is refused outright.
        QTest::newRow("entity declarations")
            << QByteArray("<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                          "<r><SearchCatalogModel><ArticleId>1</ArticleId><Name>&b;</Name></SearchCatalogModel></r>")
            << "Некорректный SOAP-ответ Autopiter: DTD is not allowed..";
    }
    void unreadableDocument_isAnInvalidSOAPResponse() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, description);
        QCOMPARE(failureOf([&] { AutopiterXmlParser::catalogItems(xml); }), description);
        QCOMPARE(failureOf([&] { AutopiterXmlParser::priceItems(xml); }), description);
    }

    void emptyAnswer_hasNoRows() { QVERIFY(AutopiterXmlParser::catalogItems({}).isEmpty()); }
};

QTEST_GUILESS_MAIN(TestAutopiterXmlParser)
#include "tst_AutopiterXmlParser.moc"
