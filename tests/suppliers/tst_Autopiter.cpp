#include "net/LocalServer.h"
#include "suppliers/autopiter/AutopiterProvider.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "SupplierTestSupport.h"
#include "support/OfferBuilder.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString envelope(const QString& operation, const QString& body) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<soap:Envelope\n"
                          "  xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"\n"
                          "  xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                          "  <soap:Body>\n"
                          "    <%1 xmlns=\"http://www.autopiter.ru/\">\n"
                          "      %2\n"
                          "    </%1>\n"
                          "  </soap:Body>\n"
                          "</soap:Envelope>")
        .arg(operation, body);
}

std::int64_t firstArticleID(AutopiterClient& client) {
    const QString xml = awaitTask(client.findCatalogXML(QStringLiteral("OC 90")));
    return AutopiterXmlParser::catalogItems(xml.toUtf8()).value(0).articleID;
}

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
    QString xml = QStringLiteral("<GetPriceIdResult xmlns=\"http://www.autopiter.ru/\">");
    for (const auto& [uid, price] : rows) {
        xml += QStringLiteral("<PriceSearchModel><DetailUid>%1</DetailUid><SalePrice>%2</SalePrice></PriceSearchModel>")
                   .arg(QString::fromLatin1(uid), QString::fromLatin1(price));
    }
    return xml + QStringLiteral("</GetPriceIdResult>");
}

} // namespace

class TestAutopiter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requests_carryTheEnvelopeAndHeadersAsWritten() {
        AutopiterSandbox sandbox;
        sandbox.credentials.set(u"autopiter-user-id"_s, u" sandbox-autopiter\n"_s);
        const std::int64_t articleID = firstArticleID(sandbox.client);
        QVERIFY(articleID > 0);
        QVERIFY(!awaitTask(sandbox.client.getPriceXML(articleID, 1)).isEmpty());
        // The user id trimmed; the sandbox's password holds every character that must be escaped.
        const QString session = envelope(u"IsAuthorization"_s, QString());
        const QStringList expected{
            session,
            envelope(u"Authorization"_s, u"<UserID>sandbox-autopiter</UserID>\n"
                                         "<Password>Pit&lt;&amp;&gt;&quot;er&apos;42</Password>\n<Save>true</Save>"_s),
            session,
            envelope(u"FindCatalog"_s, u"<Number>OC 90</Number>"_s),
            session,
            envelope(u"GetPriceId"_s,
                     u"<ArticleId>%1</ArticleId>\n<DetailUid xsi:nil=\"true\" />\n<Currency>РУБ</Currency>\n"
                     "<SearchCross>1</SearchCross>\n<MinSalesRating>0</MinSalesRating>\n"
                     "<MinRealTimeInProc>0</MinRealTimeInProc>"_s.arg(articleID))};
        QStringList operations;
        QStringList sent;
        for (const auto& request : sandbox.server.requests()) {
            QCOMPARE(request.method + u' ' + request.target + u' ' + request.headers.value(u"content-type"_s),
                     u"POST /autopiter/v2/price text/xml; charset=utf-8"_s);
            operations.append(request.headers.value(u"soapaction"_s).section(u'/', -1));
            sent.append(QString::fromUtf8(request.body));
        }
        QCOMPARE(operations,
                 u"IsAuthorization Authorization IsAuthorization FindCatalog IsAuthorization GetPriceId"_s.split(u' '));
        QCOMPARE(sent, expected);
    }

    void password_isEscapedAsStored_entityAndTrailingBlankIncluded() {
        AutopiterSandbox sandbox;
        sandbox.credentials.set(u"autopiter-password"_s, u"a&lt;b "_s);
        QCOMPARE(failureOf(sandbox.client.authorizeFromKeychain()), u"Autopiter отклонил авторизацию."_s);
        QCOMPARE(
            QString::fromUtf8(sandbox.requestsTo(QStringLiteral("Authorization")).value(0).body),
            envelope(QStringLiteral("Authorization"), QStringLiteral("<UserID>sandbox-autopiter</UserID>\n<Password>"
                                                                     "a&amp;lt;b </Password>\n<Save>true</Save>")));
    }

    void everyFailure_reachesTheUserWithItsText_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("setup"); // see SupplierSandbox::arrange()
        QTest::addColumn<QString>("description");
        const int none = int(Fault::none);
        const QString missing = u"Не указаны User ID или пароль Autopiter."_s;
        const QString rejected = u"Autopiter отклонил авторизацию."_s;
        QTest::newRow("no user id") << none << QByteArray() << u"autopiter-user-id=<removed>"_s << missing;
        QTest::newRow("user id of blanks") << none << QByteArray() << u"autopiter-user-id= \t\n"_s << missing;
        QTest::newRow("empty password") << none << QByteArray() << u"autopiter-password="_s << missing;
        QTest::newRow("login without cookie") << int(Fault::loginWithoutCookie) << QByteArray() << QString()
                                              << u"Autopiter подтвердил авторизацию, но не вернул AuthCoocies."_s;
        QTest::newRow("no address") << none << QByteArray() << u"<no address>"_s
                                    << u"Не удалось сформировать адрес Autopiter."_s;
        QTest::newRow("credential store failure") << none << QByteArray() << u"<locked>"_s << u"Keychain error: 5"_s;
        // The session check's answer is true, false, 1 or 0 in an element of its own.
        const int body = int(Fault::body);
        const QString invalid = u"Некорректный SOAP-ответ Autopiter: IsAuthorizationResult."_s;
        auto session = [](const QByteArray& result) {
            return "<r><IsAuthorizationResult>" + result + "</IsAuthorizationResult></r>";
        };
        QTest::newRow("session TRUE with blanks") << body << session(" TRUE\n") << QString() << u"<no error>"_s;
        QTest::newRow("session 1") << body << session("1") << QString() << u"<no error>"_s;
        QTest::newRow("session 0 even after a login") << body << session("0") << QString() << rejected;
        QTest::newRow("session another word") << body << session("yes") << QString() << invalid;
        QTest::newRow("session not UTF-8") << body << session("true\xff") << QString() << invalid;
        QTest::newRow("session without its closing tag")
            << body << QByteArray("<IsAuthorizationResult>true</IsAuthorization>") << QString() << invalid;
        QTest::newRow("session in a prefixed element")
            << body << QByteArray("<a:IsAuthorizationResult>true</a:IsAuthorizationResult>") << QString() << invalid;
    }
    void everyFailure_reachesTheUserWithItsText() {
        QFETCH(int, fault);
        QFETCH(QByteArray, body);
        QFETCH(QString, setup);
        QFETCH(QString, description);
        AutopiterSandbox sandbox;
        const bool session = !body.isEmpty();
        sandbox.setFault(Fault(fault), session ? u"IsAuthorization"_s : QString(), 200, body);
        sandbox.arrange(setup, Service::autopiter);
        // Without a real login the sandbox would refuse the catalogue after a faked session check.
        QCOMPARE(session ? failureOf(sandbox.client.ensureAuthorized())
                         : failureOf(sandbox.client.findCatalogXML(u"OC 90"_s)),
                 description);
    }

    void blankNumber_sendsNothing() {
        AutopiterSandbox sandbox;
        QCOMPARE(awaitTask(sandbox.client.findCatalogXML(QStringLiteral(" \n\t"))), QString());
        QVERIFY(sandbox.server.requests().isEmpty());
    }

    // Every login deletes the cookie first: five of them racing would undo each other.
    void burstOfPriceRequests_afterTheLoginExpired_logsInOnce() {
        AutopiterSandbox sandbox;
        const std::int64_t articleID = firstArticleID(sandbox.client);
        sandbox.client.clearAuthorization(); // as when the cookie has expired
        sandbox.server.clearRequests();
        std::vector<QCoro::Task<QString>> burst;
        for (int i = 0; i < 5; ++i)
            burst.push_back(sandbox.client.getPriceXML(articleID, 1));
        for (auto& task : burst)
            QVERIFY(awaitTask(std::move(task)).contains(u"<PriceSearchModel>"));
        // One login, with its two reads from the store.
        QCOMPARE(std::tuple(sandbox.requestsTo(u"Authorization"_s).size(), sandbox.requestsTo(u"GetPriceId"_s).size(),
                            sandbox.credentials.readCount()),
                 std::tuple(qsizetype(1), qsizetype(5), 4));
    }

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
        const std::int64_t first = firstArticleID(sandbox.client);
        sandbox.setFault(Fault::emptyStatus, QStringLiteral("<ArticleId>%1</ArticleId>").arg(first), 500);
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
                    answer = "<FindCatalogResult xmlns=\"http://www.autopiter.ru/\"><SearchCatalogModel><ArticleId>1"
                             "</ArticleId><Number>X-1</Number></SearchCatalogModel><SearchCatalogModel><ArticleId>2"
                             "</ArticleId><Number>x1</Number></SearchCatalogModel></FindCatalogResult>";
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
            AutopiterXmlParser::priceItems("<GetPriceIdResult xmlns=\"http://www.autopiter.ru/\">" + row +
                                           "</PriceSearchModel></GetPriceIdResult>")
                .value(0);
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

QTEST_GUILESS_MAIN(TestAutopiter)
#include "tst_Autopiter.moc"
