#include "core/Decimal.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

class DecimalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_acceptsPlainDecimalText_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::newRow("trailing zeros dropped") << u"2.50"_s << u"2.5"_s;
        QTest::newRow("leading dot") << u".5"_s << u"0.5"_s;
        QTest::newRow("trailing dot") << u"5."_s << u"5"_s;
        QTest::newRow("negative") << u"-0.25"_s << u"-0.25"_s;
        QTest::newRow("plus sign") << u"+3"_s << u"3"_s;
        QTest::newRow("exponent") << u"1.5e3"_s << u"1500"_s;
        QTest::newRow("negative exponent") << u"125E-5"_s << u"0.00125"_s;
        QTest::newRow("negative zero") << u"-0.0"_s << u"0"_s;
        QTest::newRow("38 significant digits")
            << u"12345678901234567890.123456789012345678"_s << u"12345678901234567890.123456789012345678"_s;
    }

    void parse_acceptsPlainDecimalText() {
        QFETCH(QString, input);
        QFETCH(QString, text);
        const auto value = Decimal::parse(input);
        QVERIFY(value);
        QCOMPARE(value->toString(), text);
    }

    void parse_rejectsAnythingElse_data() {
        QTest::addColumn<QString>("input");
        for (const char* bad : {"", " 1", "1 ", "1,5", "1e", "nan", "inf", "0x10", "--1", ".", "1e999999", "١٢"})
            QTest::newRow(bad) << QString::fromUtf8(bad);
    }

    void parse_rejectsAnythingElse() {
        QFETCH(QString, input);
        QVERIFY(!Decimal::parse(input));
    }

    void fromDouble_usesShortestRoundTripText() {
        QStringList texts;
        for (double d : {0.1, 1234.56, 1e21, -2.5e-7})
            texts << Decimal::fromDouble(d)->toString();
        QCOMPARE(texts, (QStringList{u"0.1"_s, u"1234.56"_s, u"1000000000000000000000"_s, u"-0.00000025"_s}));
        for (double d : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity()})
            QVERIFY(!Decimal::fromDouble(d));
    }

    void equalValues_compareAndHashAlike() {
        const Decimal a = *Decimal::parse(u"2.5");
        const Decimal b = *Decimal::parse(u"2.50");
        const Decimal c = *Decimal::parse(u"25e-1");
        QCOMPARE(qHash(a), qHash(b));
        QCOMPARE(qHash(a), qHash(c));
        QCOMPARE(qHash(Decimal(0)), qHash(*Decimal::parse(u"-0.00")));
        QSet<Decimal> set{a, b, c, Decimal(3)};
        QCOMPARE(set.size(), 2);
        QVERIFY(*Decimal::parse(u"2.4999") < a);
        QVERIFY(*Decimal::parse(u"-10") < *Decimal::parse(u"-9.99"));
        QVERIFY(a != *Decimal::parse(u"2.5000000000000000000000000000001"));
    }

    void toDouble_isCorrectlyRounded() {
        QCOMPARE(Decimal::parse(u"0.1")->toDouble(), 0.1);
        // Exactly halfway between two doubles: ties to even.
        QCOMPARE(Decimal::parse(u"9007199254740993")->toDouble(), 9007199254740992.0);
        QCOMPARE(Decimal::parse(u"0.30000000000000004")->toDouble(), 0.1 + 0.2);
        for (double d : {1234.56, 0.07, 1e-300, 123456789.123, -42.42})
            QCOMPARE(Decimal::fromDouble(d)->toDouble(), d);
        // Beyond the double range the value saturates instead of becoming infinite.
        const double huge = Decimal::parse(u"1e400")->toDouble();
        QVERIFY(std::isfinite(huge));
        QCOMPARE(huge, std::numeric_limits<double>::max());
    }

    void arithmetic_isExact() {
        const Decimal price = *Decimal::parse(u"1500");
        const Decimal withMarkup = *(price * Decimal(110)).dividedBy(Decimal(100));
        QCOMPARE(withMarkup.toString(), QStringLiteral("1650"));
        QVERIFY(withMarkup.isInteger());
        QCOMPARE((*Decimal::parse(u"0.1") + *Decimal::parse(u"0.2")).toString(), QStringLiteral("0.3"));
        QCOMPARE(Decimal::parse(u"1650.01")->ceil().toString(), QStringLiteral("1651"));
        QCOMPARE(Decimal::parse(u"-1.5")->ceil().toString(), QStringLiteral("-1"));
        QVERIFY(!Decimal(1).dividedBy(Decimal(0)));
    }
};

QTEST_GUILESS_MAIN(DecimalTest)
#include "tst_Decimal.moc"
