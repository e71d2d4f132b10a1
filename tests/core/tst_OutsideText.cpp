// What suppliers write, made fit to show and to believe.
#include "core/OfferRanges.h"
#include "core/TextUtils.h"
#include "support/OfferBuilder.h"

#include <QTest>

using namespace Qt::StringLiterals;

class OutsideTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serverText_isOneShortLineWithoutMarkup_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line breaks and a forged line")
            << u"Сбой\r\nAutoEuro: OK, найдено предложений: 99"_s << u"Сбой AutoEuro: OK, найдено предложений: 99"_s;
        QTest::newRow("escape sequences and a bell") << u"\u001b[2JТекст\u0007"_s << u"[2JТекст"_s;
        QTest::newRow("bidirectional overrides, line separator") << u"abc\u202edcba\u2066x\u2028y"_s << u"abcdcbax y"_s;
        QTest::newRow("a page") << u"<html><head><style>p{}</style></head><body><h1>503</h1><p>Service &amp; co"
                                   u"&#8230;</p><!-- x --></body></html>"_s
                                << u"503 Service & co…"_s;
        QTest::newRow("not markup") << u"a < b and c > d"_s << u"a < b and c > d"_s;
        QTest::newRow("long") << u"слово "_s.repeated(100) << u"слово "_s.repeated(50).left(299).trimmed() + u'…';
    }
    void serverText_isOneShortLineWithoutMarkup() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(TextUtils::serverText(text), shown);
    }

    void forTerminal_replacesWhatATerminalWouldObey() {
        QCOMPARE(TextUtils::forTerminal(u"a\tb\nc\u001bd\u009be\u202ef\u2069g\u2029h"_s),
                 u"a\tb\nc\ufffdd\ufffde\ufffdf\ufffdg\ufffdh"_s);
        QVERIFY(TextUtils::isWebPage("\xEF\xBB\xBF  <!DOCTYPE HTML><html>"));
        QVERIFY(TextUtils::isWebPage("{}", "text/html; charset=utf-8"));
        QVERIFY(!TextUtils::isWebPage("<?xml version=\"1.0\"?><soap:Envelope/>", "text/xml"));
    }

    // Each row changes one field of a sane offer; the outcome is "dropped" or what is left of it.
    void offerRanges_dropOrForgetWhatCannotBeTrue_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("price of a kopeck") << u"price"_s << u"0.01"_s << u"kept"_s;
        QTest::newRow("price below a kopeck") << u"price"_s << u"1e-30"_s << u"dropped"_s;
        QTest::newRow("price of 301 digits") << u"price"_s << u"1"_s + QString(300, u'0') << u"dropped"_s;
        QTest::newRow("price of a hundred million") << u"price"_s << u"100000000"_s << u"dropped"_s;
        QTest::newRow("stock below 0") << u"stock"_s << u"-5"_s << u"no stock"_s;
        QTest::newRow("stock 0") << u"stock"_s << u"0"_s << u"kept"_s;
        QTest::newRow("minimum 0") << u"minimum"_s << u"0"_s << u"no minimum"_s;
        QTest::newRow("package 0") << u"package"_s << u"0"_s << u"no package"_s;
        QTest::newRow("delivery -3 days") << u"delivery"_s << u"-3 дн."_s << u"no delivery"_s;
        QTest::newRow("delivery of ages") << u"delivery"_s << u"4611686018427387904 дн."_s << u"no delivery"_s;
        QTest::newRow("delivery 2-999 days") << u"delivery"_s << u"2-999 дн."_s << u"no delivery"_s;
        QTest::newRow("delivery 730 days") << u"delivery"_s << u"730 дн."_s << u"kept"_s;
        QTest::newRow("delivery in words") << u"delivery"_s << u"под заказ"_s << u"kept"_s;
        QTest::newRow("delivery in 3 years") << u"date"_s << u"1100"_s << u"no date"_s;
        QTest::newRow("risk above 100") << u"risk"_s << u"101"_s << u"no risk"_s;
    }
    void offerRanges_dropOrForgetWhatCannotBeTrue() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, outcome);
        const QDateTime now = QDateTime::currentDateTime();
        SupplierOffer offer = OfferBuilder(u"autoeuro"_s, u"1"_s).price("100").available(5);
        offer.minimumQuantity = 1;
        offer.packageQuantity = 1;
        offer.deliveryDescription = u"3 дн."_s;
        offer.deliveryDate = now.addDays(3);
        offer.rejectRate = Decimal(2);
        if (field == u"price")
            offer.price = *Decimal::parse(value);
        else if (field == u"stock" || field == u"minimum" || field == u"package")
            (field == u"stock"     ? offer.availableQuantity
             : field == u"minimum" ? offer.minimumQuantity
                                   : offer.packageQuantity) = value.toLongLong();
        else if (field == u"delivery")
            offer.deliveryDescription = value;
        else if (field == u"date")
            offer.deliveryDate = now.addDays(value.toInt());
        else
            offer.rejectRate = *Decimal::parse(value);
        const SupplierOffer before = offer;
        if (!OfferRanges::apply(offer, now)) {
            QCOMPARE(outcome, u"dropped"_s);
            return;
        }
        QString left = u"kept"_s;
        if (!offer.availableQuantity)
            left = u"no stock"_s;
        else if (!offer.minimumQuantity)
            left = u"no minimum"_s;
        else if (!offer.packageQuantity)
            left = u"no package"_s;
        else if (!offer.deliveryDescription)
            left = u"no delivery"_s;
        else if (!offer.deliveryDate)
            left = u"no date"_s;
        else if (!offer.rejectRate)
            left = u"no risk"_s;
        QCOMPARE(left, outcome);
        QCOMPARE(offer.price, before.price);
    }
};

QTEST_GUILESS_MAIN(OutsideTextTest)
#include "tst_OutsideText.moc"
