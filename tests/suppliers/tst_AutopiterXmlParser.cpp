#include "FieldText.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QtTest>

namespace {

// A SOAP answer of the operation whose result holds `rows`.
QByteArray answer(const QByteArray& rows, const QByteArray& operation = "FindCatalog") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><" +
           operation + "Response xmlns=\"http://www.autopiter.ru/\"><" + operation + "Result>" + rows + "</" +
           operation + "Result></" + operation + "Response></soap:Body></soap:Envelope>";
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
        QTest::newRow("prefixed name") << QByteArray("<a:ArticleId xmlns:a=\"urn:x\">42</a:ArticleId>") << "skipped";
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
                                                        "/SalePrice></PriceSearchModel>",
                                                  "GetPriceId"));
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

    // Whatever is no answer with a result fails with a text of what was wrong, never "nothing found".
    void documentWithoutResult_failsWithWhatWasWrong_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("description");
        QTest::newRow("empty") << QByteArray(" \n") << "Некорректный SOAP-ответ Autopiter: пустой ответ.";
        QTest::newRow("not XML") << QByteArray("{\"DATA\": []}")
                                 << "Некорректный SOAP-ответ Autopiter: ответ не в формате XML (строка 1).";
        QTest::newRow("cut short") << answer("<SearchCatalogModel><ArticleId>1</ArticleId>").left(150)
                                   << "Некорректный SOAP-ответ Autopiter: ответ оборван.";
        // Entities could make a few bytes expand into gigabytes; a document type is refused outright.
        QTest::newRow("entity declarations")
            << QByteArray("<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                          "<r><SearchCatalogModel><ArticleId>1</ArticleId><Name>&b;</Name></SearchCatalogModel></r>")
            << "Некорректный SOAP-ответ Autopiter: ответ содержит объявление типа документа (DTD).";
        QTest::newRow("SOAP fault")
            << QByteArray("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                          "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Server was unable to\n"
                          "process request.</faultstring></soap:Fault></soap:Body></soap:Envelope>")
            << "Autopiter сообщил об ошибке: Server was unable to process request.";
        QTest::newRow("no result element")
            << answer("", "Other") << "Некорректный SOAP-ответ Autopiter: в ответе нет FindCatalogResult.";
        QTest::newRow("rows in another namespace")
            << answer("<x:SearchCatalogModel xmlns:x=\"urn:other\"><x:ArticleId>1</x:ArticleId></x:SearchCatalogModel>"
                      "<PriceSearchModel xmlns=\"urn:other\"><DetailUid>d</DetailUid></PriceSearchModel>")
            << "Некорректный SOAP-ответ Autopiter: в FindCatalogResult нет строк SearchCatalogModel.";
    }
    void documentWithoutResult_failsWithWhatWasWrong() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, description);
        QCOMPARE(failureOf([&] { AutopiterXmlParser::catalogItems(xml); }), description);
    }

    void emptyResult_hasNoRows() {
        QVERIFY(AutopiterXmlParser::catalogItems(answer("\n  ")).isEmpty());
        QVERIFY(AutopiterXmlParser::priceItems(answer("", "GetPriceId")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAutopiterXmlParser)
#include "tst_AutopiterXmlParser.moc"
