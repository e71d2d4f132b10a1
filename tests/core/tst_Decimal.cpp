#include "core/Decimal.h"

#include <QtTest>

#include <limits>

// Prices arrive from JSON as doubles; what the user sees must be the text the
// supplier sent, not the binary approximation.
class TestDecimal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromDouble_keepsTheShortestText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("price") << 412.3 << "412.3";
        QTest::newRow("rate") << 12.5 << "12.5";
        QTest::newRow("whole") << 15.0 << "15";
        QTest::newRow("negative") << -2.35 << "-2.35";
    }
    void fromDouble_keepsTheShortestText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        const auto decimal = Decimal::fromDouble(value);
        QVERIFY(decimal);
        QCOMPARE(decimal->toString(), text);
        QCOMPARE(decimal->toDouble(), value);
    }

    void fromDouble_refusesNonFiniteValues() {
        QVERIFY(!Decimal::fromDouble(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY(!Decimal::fromDouble(std::numeric_limits<double>::infinity()));
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_Decimal.moc"
