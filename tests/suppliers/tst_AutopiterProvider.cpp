#include "net/LocalServer.h"
#include "suppliers/autopiter/AutopiterProvider.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "SupplierTestSupport.h"
#include "support/OfferBuilder.h"

#include <QtTest>

namespace {

// The catalogue numbers of the articles whose prices were asked for, in request order.
QStringList pricedNumbers(AutopiterSandbox& sandbox, const QString& article) {
    const QString catalog = awaitTask(sandbox.client.findCatalogXML(article));
    QHash<QString, QString> numbers;
    for (const auto& row : AutopiterXmlParser::catalogItems(catalog.toUtf8()))
        numbers.insert(QString::number(row.articleID), row.number);
    QStringList priced;
    for (const auto& request : sandbox.requestsTo(QStringLiteral("GetPriceId"))) {
        const QString body = QString::fromUtf8(request.body);
        if (!body.contains(u"<SearchCross>1</SearchCross>"))
            return {QStringLiteral("without crosses")};
        const auto start = body.indexOf(u"<ArticleId>") + 11;
        priced.append(numbers.value(body.mid(start, body.indexOf(u'<', start) - start), QStringLiteral("?")));
    }
    priced.sort();
    return priced;
}

QString priceRows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    QString xml = QStringLiteral("<r>");
    for (const auto& [uid, price] : rows) {
        xml += QStringLiteral("<PriceSearchModel><DetailUid>%1</DetailUid><SalePrice>%2</SalePrice></PriceSearchModel>")
                   .arg(QString::fromLatin1(uid), QString::fromLatin1(price));
    }
    return xml + QStringLiteral("</r>");
}

} // namespace

using namespace Qt::StringLiterals;

class TestAutopiterProvider : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exactMatchesArePriced_orEveryRowWhenNoneMatches_data() {
        QTest::addColumn<QString>("article");
        QTest::addColumn<QStringList>("priced");
        // The catalogue also lists "OC 90 OF" and a discontinued row without a usable id.
        QTest::newRow("lower case with a dash") << "oc-90" << QStringLiteral("OC 90|OC 90").split(u'|');
        QTest::newRow("no exact match") << "OC 9" << QStringLiteral("OC 90|OC 90|OC 90 OF").split(u'|');
        QTest::newRow("nothing in the catalogue") << "ZZ 999" << QStringList{};
    }
    void exactMatchesArePriced_orEveryRowWhenNoneMatches() {
        QFETCH(QString, article);
        QFETCH(QStringList, priced);
        AutopiterSandbox sandbox;
        AutopiterProvider provider(sandbox.client);
        const auto offers = awaitTask(provider.search(article));
        QCOMPARE(pricedNumbers(sandbox, article.toUpper()), priced);
        QCOMPARE(offers.isEmpty(), priced.isEmpty());
        for (const auto& offer : offers)
            QCOMPARE(offer.supplierID, QStringLiteral("autopiter"));
    }

    void catalogueFailure_endsTheSearchBeforeAnyPrice_aFailingPriceRequestCostsItsRows() {
        AutopiterSandbox sandbox;
        AutopiterProvider provider(sandbox.client);
        sandbox.setFault(Fault::emptyStatus, QStringLiteral("FindCatalog"), 502);
        QCOMPARE(failureOf(provider.search(QStringLiteral("OC 90"))), QStringLiteral("Autopiter вернул HTTP 502."));
        QVERIFY(sandbox.requestsTo(QStringLiteral("GetPriceId")).isEmpty());

        sandbox.setFault(Fault::none);
        const QString catalog = awaitTask(sandbox.client.findCatalogXML(QStringLiteral("OC 90")));
        const auto first = AutopiterXmlParser::catalogItems(catalog.toUtf8()).value(0);
        sandbox.setFault(Fault::emptyStatus, QStringLiteral("<ArticleId>%1</ArticleId>").arg(first.articleID), 500);
        QVERIFY(!awaitTask(provider.search(QStringLiteral("OC 90"))).isEmpty());
        const SupplierSearchReport report = provider.lastSearchReport();
        QCOMPARE(std::tuple(report.failedRequests, report.totalRequests, report.firstFailure),
                 std::tuple(1, 2, u"Autopiter вернул HTTP 500."_s));
    }

    void sharedDetailUid_keepsTheRowOfTheFirstAnswer_andOnlyPositivePrices() {
        // Both catalogue rows match X1; their answers share the row "S".
        const std::map<std::string, QString> prices = {{"1", priceRows({{"S", "10"}, {"A", "11"}, {"Z", "0"}})},
                                                       {"2", priceRows({{"S", "20"}, {"B", "21"}, {"N", "-5"}})}};
        LocalServer server([&](httplib::Server& s) {
            s.Post("/v2/price", [&](const httplib::Request& request, httplib::Response& response) {
                const std::string action = request.get_header_value("SOAPAction");
                std::string answer = "<IsAuthorizationResult>true</IsAuthorizationResult>";
                if (action.ends_with("/FindCatalog"))
                    answer = "<r><SearchCatalogModel><ArticleId>1</ArticleId><Number>X-1</Number></SearchCatalogModel>"
                             "<SearchCatalogModel><ArticleId>2</ArticleId><Number>x1</Number></SearchCatalogModel></r>";
                else if (action.ends_with("/GetPriceId"))
                    answer =
                        prices.at(request.body.find("<ArticleId>1<") != std::string::npos ? "1" : "2").toStdString();
                response.set_content(answer, "text/xml; charset=utf-8");
            });
        });
        AutopiterSandbox sandbox;
        sandbox.endpoints.setOrigin(Service::autopiter, server.url());
        AutopiterProvider provider(sandbox.client);
        const auto offers = awaitTask(provider.search(u"X1"_s));
        QStringList keys;
        for (const auto& offer : offers)
            keys.append(offer.supplierOfferKey);
        // Completion order decides; the list shows which answer came first.
        const bool firstWasArticle1 = keys.value(1) == u"A";
        QCOMPARE(keys.join(u','), firstWasArticle1 ? u"S,A,B"_s : u"S,B,A"_s);
        QCOMPARE(offers.first().price, Decimal(firstWasArticle1 ? 10 : 20));
    }

    void normalize_mapsFieldByField_data() {
        QTest::addColumn<QString>("percent"); // "none" when missing
        QTest::addColumn<QString>("rejectRate");
        QTest::addColumn<int>("days"); // -1 when missing
        QTest::addColumn<QString>("delivery");
        QTest::newRow("97.5 percent") << u"97.5"_s << u"2.5"_s << 3 << u"3 дн."_s;
        QTest::newRow("100 percent") << u"100"_s << u"0"_s << 0 << u"0 дн."_s;
        QTest::newRow("0 percent") << u"0"_s << u"100"_s << -1 << u"none"_s;
        QTest::newRow("above 100") << u"120"_s << u"none"_s << 12 << u"12 дн."_s;
        QTest::newRow("below 0") << u"-3"_s << u"none"_s << 1 << u"1 дн."_s;
        QTest::newRow("missing") << u"none"_s << u"none"_s << -1 << u"none"_s;
    }
    void normalize_mapsFieldByField() {
        QFETCH(QString, percent);
        QFETCH(QString, rejectRate);
        QFETCH(int, days);
        QFETCH(QString, delivery);
        QByteArray row = "<PriceSearchModel><DetailUid>uid-7</DetailUid><SellerId>5</SellerId><Number>OC 90</Number>"
                         "<ShotNumber>OC90</ShotNumber><CatalogName>MAHLE</CatalogName><Name>Фильтр</Name>"
                         "<NumberOfAvailable>4</NumberOfAvailable><MinNumberOfSales>2</MinNumberOfSales>"
                         "<SalePrice>412.30</SalePrice><DeliveryDate>2026-03-07T18:00:00</DeliveryDate>"
                         "<Region>Москва</Region>";
        if (days >= 0)
            row += "<NumberOfDaysSupply>" + QByteArray::number(days) + "</NumberOfDaysSupply>";
        if (percent != u"none")
            row += "<SuccessfulOrdersProcent>" + percent.toUtf8() + "</SuccessfulOrdersProcent>";
        const AutopiterPriceItem item =
            AutopiterXmlParser::priceItems("<r>" + row + "</PriceSearchModel></r>").value(0);
        const QDateTime now = QDateTime::currentDateTimeUtc();

        const SupplierOffer offer = AutopiterProvider::normalize(item, now);
        SupplierOffer expected = OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("uid-7"))
                                     .brand(QStringLiteral("MAHLE"))
                                     .article(QStringLiteral("OC 90"))
                                     .name(QStringLiteral("Фильтр"))
                                     .price("412.3")
                                     .available(4)
                                     .deliveryDate(*item.deliveryDate);
        expected.minimumQuantity = 2;
        expected.warehouse = QStringLiteral("Москва");
        if (delivery != u"none")
            expected.deliveryDescription = delivery;
        if (rejectRate != u"none")
            expected.rejectRate = Decimal::parse(rejectRate);
        expected.updatedAt = now;
        QCOMPARE(offer, expected);
    }
};

QTEST_GUILESS_MAIN(TestAutopiterProvider)
#include "tst_AutopiterProvider.moc"
