#include "support/OfferBuilder.h"

#include <QTest>

#include <limits>

namespace {
constexpr double kUnknown = std::numeric_limits<double>::max();

// A fixed "now" at local noon, so "later today" and "tomorrow" are unambiguous.
QDateTime localNoon() {
    return QDateTime(QDate(2026, 6, 15), QTime(12, 0));
}
} // namespace

class SupplierOfferTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliverySortValue_readsDaysFromDescription_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<double>("expected");
        // The date fallback is five days ahead: a fallback shows up as 5.
        QTest::newRow("fraction") << "1.5 дней" << 1.5;
        QTest::newRow("upper case, extra spaces") << "  7   ДН  " << 7.0;
        QTest::newRow("tab and line break") << "\t2\nдн" << 2.0;
        QTest::newRow("decimal comma") << "1,5 дн." << 5.0;
        QTest::newRow("weeks") << "5 недель" << 5.0;
        QTest::newRow("nan") << "nan дн." << 5.0;
        QTest::newRow("inf") << "inf дн." << 5.0;
        QTest::newRow("overflow") << "1e999 дн." << 5.0;
        QTest::newRow("exponent") << "1e1 дн." << 10.0;
    }

    void deliverySortValue_readsDaysFromDescription() {
        QFETCH(QString, description);
        QFETCH(double, expected);
        const SupplierOffer offer = OfferBuilder().delivery(description).deliveryDate(localNoon().addDays(5));
        QCOMPARE(offer.deliverySortValue(localNoon()), expected);
    }

    void unknownDelivery_fallsBackToDateOrSortsLast() {
        const QDateTime now = localNoon();
        auto withDate = [&](const QDateTime& date) {
            return OfferBuilder().deliveryDate(date).build().deliverySortValue(now);
        };
        QCOMPARE(withDate(now.addDays(-1)), 0.0);
        QCOMPARE(withDate(now.addSecs(3600)), 0.0);
        // Whole calendar days, not 24-hour periods: early and late tomorrow are both one day.
        QCOMPARE(withDate(QDateTime(now.date().addDays(1), QTime(0, 1))), 1.0);
        QCOMPARE(withDate(QDateTime(now.date().addDays(1), QTime(23, 59))), 1.0);
        QCOMPARE(OfferBuilder().delivery(QStringLiteral("под заказ")).build().deliverySortValue(now), kUnknown);
        // An unknown refusal rate sorts last, too.
        QCOMPARE(OfferBuilder().build().rejectsSortValue(), kUnknown);
        QCOMPARE(OfferBuilder().rejectRate("2.35").build().rejectsSortValue(), 2.35);
    }
};

QTEST_GUILESS_MAIN(SupplierOfferTest)
#include "tst_SupplierOffer.moc"
