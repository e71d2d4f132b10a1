#include "ArticleFakes.h"
#include "batch/BatchReport.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 1), QTime(10, 0));

BatchLineResult finished(BatchLine line, QList<SupplierOffer> offers) {
    BatchLineResult r;
    r.line = std::move(line);
    r.state = BatchLineResult::State::finished;
    r.offers = std::move(offers);
    return r;
}

} // namespace

// Which offer a list line buys: the faults here cost money.
class BatchChoiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bestOffer_followsTheRule_data() {
        QTest::addColumn<QString>("offers");
        QTest::addColumn<int>("rule");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("expected");

        const int cheapest = int(BestOfferRule::cheapest);
        const int fastest = int(BestOfferRule::fastest);
        const int risk = int(BestOfferRule::lowestRisk);
        QTest::newRow("cheapest") << QStringLiteral("a:300:1 b:100:9 c:200:2") << cheapest << 1 << QStringLiteral("b");
        QTest::newRow("cheapest tie: sooner")
            << QStringLiteral("a:100:5 b:100:2 c:100:9") << cheapest << 1 << QStringLiteral("b");
        QTest::newRow("cheapest, exact decimals")
            << QStringLiteral("a:0.3:1 b:0.29999999999999999:1") << cheapest << 1 << QStringLiteral("b");
        QTest::newRow("fastest") << QStringLiteral("a:100:5 b:900:1 c:50:3") << fastest << 1 << QStringLiteral("b");
        QTest::newRow("fastest tie: cheaper")
            << QStringLiteral("a:300:2 b:200:2 c:100:4") << fastest << 1 << QStringLiteral("b");
        QTest::newRow("lowest risk") << QStringLiteral("a:100:1:20 b:500:9:2 c:50:1:7") << risk << 1
                                     << QStringLiteral("b");
        QTest::newRow("unknown risk loses") << QStringLiteral("a:100:1 b:900:9:50") << risk << 1 << QStringLiteral("b");
        QTest::newRow("all risks unknown: cheaper")
            << QStringLiteral("a:300:1 b:200:9") << risk << 1 << QStringLiteral("b");
        QTest::newRow("stock covers the quantity first")
            << QStringLiteral("a:100:1::2 b:150:1::10 c:120:1::3") << cheapest << 4 << QStringLiteral("b");
        QTest::newRow("unstated stock covers")
            << QStringLiteral("a:100:1::2 b:150:1") << cheapest << 4 << QStringLiteral("b");
        QTest::newRow("none covers: the rule alone")
            << QStringLiteral("a:100:1::2 b:150:1::3") << cheapest << 4 << QStringLiteral("a");
        QTest::newRow("full tie: the first")
            << QStringLiteral("a:100:1 b:100:1") << fastest << 1 << QStringLiteral("a");
    }

    void bestOffer_followsTheRule() {
        QFETCH(QString, offers);
        QFETCH(int, rule);
        QFETCH(int, quantity);
        QFETCH(QString, expected);
        const auto best = BatchChoice::bestOffer(offersOf(offers), BestOfferRule(rule), quantity, kNow);
        QVERIFY(best);
        QCOMPARE(best->supplierOfferKey, expected);
    }

    void choice_buysTheAskedForPart_analoguesOnlyWhenAllowed_data() {
        // Offers as "key article brand price days stock" ("-": not stated), comma-separated.
        QTest::addColumn<QString>("offers");
        QTest::addColumn<QString>("request");  // "article;brand;quantity"
        QTest::addColumn<QString>("choice");   // "cheapest|fastest analogues maxDays inStock", "-" for off
        QTest::addColumn<QString>("expected"); // key, "+" for an analogue; "-" for no offer

        const QString exactAndCheaperAnalogue = u"a;OC 90;MAHLE;400;5;9, b;OP 520;FILTRON;200;1;9"_s;
        QTest::newRow("the exact part, not a cheaper analogue")
            << exactAndCheaperAnalogue << u"OC 90;;1"_s << u"cheapest - - -"_s << u"a"_s;
        QTest::newRow("the exact part, even with analogues allowed")
            << exactAndCheaperAnalogue << u"OC 90;;1"_s << u"cheapest analogues - -"_s << u"a"_s;
        QTest::newRow("a longer article is another part") << u"a;OC 90 OF;MAHLE;300;1;9, b;OC 90;MAHLE;400;5;9"_s
                                                          << u"oc-90;MAHLE;1"_s << u"fastest - - -"_s << u"b"_s;
        QTest::newRow("brand given: the article of another brand is an analogue")
            << u"a;OC 90;KNECHT;300;1;9, b;OC 90;MAHLE;400;5;9"_s << u"OC 90;mahle;1"_s << u"cheapest - - -"_s
            << u"b"_s;
        QTest::newRow("brand given in a shorter spelling")
            << u"a;W 712/75;MANN-FILTER;500;1;9"_s << u"W712/75;MANN;1"_s << u"cheapest - - -"_s << u"a"_s;
        QTest::newRow("no brand given: any maker of the article")
            << u"a;OC 90;KNECHT;300;1;9, b;OC 90;MAHLE;400;5;9"_s << u"OC 90;;1"_s << u"cheapest - - -"_s << u"a"_s;
        QTest::newRow("only analogues, not allowed: nothing")
            << u"b;OP 520;FILTRON;200;1;9"_s << u"OC 90;;1"_s << u"cheapest - - -"_s << u"-"_s;
        QTest::newRow("only analogues, allowed: the analogue")
            << u"b;OP 520;FILTRON;200;1;9"_s << u"OC 90;;1"_s << u"cheapest analogues - -"_s << u"b+"_s;
        QTest::newRow("delivery limit passes over slower offers")
            << u"a;OC 90;MAHLE;300;24;9, b;OC 90;MAHLE;400;2;9"_s << u"OC 90;;1"_s << u"cheapest - 3 -"_s << u"b"_s;
        QTest::newRow("delivery limit: an allowed analogue within it")
            << u"a;OC 90;MAHLE;300;24;9, b;OP 520;FILTRON;350;1;9"_s << u"OC 90;;1"_s << u"cheapest analogues 3 -"_s
            << u"b+"_s;
        QTest::newRow("delivery limit: unknown delivery does not keep it")
            << u"a;OC 90;MAHLE;300;-;9"_s << u"OC 90;;1"_s << u"cheapest - 10 -"_s << u"-"_s;
        QTest::newRow("enough stock passes over smaller stocks")
            << u"a;OC 90;MAHLE;300;1;2, b;OC 90;MAHLE;400;1;10"_s << u"OC 90;;4"_s << u"cheapest - - stock"_s << u"b"_s;
        QTest::newRow("enough stock: unknown stock does not keep it")
            << u"a;OC 90;MAHLE;300;1;-"_s << u"OC 90;;1"_s << u"cheapest - - stock"_s << u"-"_s;
    }

    void choice_buysTheAskedForPart_analoguesOnlyWhenAllowed() {
        QFETCH(QString, offers);
        QFETCH(QString, request);
        QFETCH(QString, choice);
        QFETCH(QString, expected);
        QList<SupplierOffer> list;
        for (const QString& written : offers.split(u", "_s)) {
            const QStringList f = written.split(u';');
            OfferBuilder b(u"autoeuro"_s, f[0]);
            b.article(f[1]).brand(f[2]).price(f[3].toLatin1().constData());
            if (f[4] != u"-")
                b.delivery(f[4] + u" дн."_s);
            if (f[5] != u"-")
                b.available(f[5].toLongLong());
            list.append(b);
        }
        const QStringList r = request.split(u';');
        const QStringList c = choice.split(u' ');
        BatchChoice rules;
        rules.rule = *BestOfferRules::fromKey(c[0]);
        rules.analoguesAllowed = c[1] != u"-";
        if (c[2] != u"-")
            rules.maxDeliveryDays = c[2].toInt();
        rules.enoughStockOnly = c[3] != u"-";
        BatchLineResult result = finished({1, r[0], r[1], r[2].toLongLong()}, list);
        result.searchedArticle = r[0].toUpper();
        const BatchRow row = BatchReport::evaluate({result}, rules, {}, 0, kNow).rows.first();
        const QString got = row.best ? row.best->supplierOfferKey + (row.analogue ? u"+"_s : QString()) : u"-"_s;
        QCOMPARE(got, expected);
        // An analogue says what it stands in for; a line without an offer says why.
        QCOMPARE(row.problem.startsWith(u"аналог "_s + result.searchedArticle), row.analogue);
        QCOMPARE(row.problem.isEmpty(), row.best && !row.analogue);
    }
};

QTEST_GUILESS_MAIN(BatchChoiceTest)
#include "tst_BatchChoice.moc"
