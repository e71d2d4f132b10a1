#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"
#include "support/OfferBuilder.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));

QString ruGrouped(QString text) {
    return text.replace(u' ', QLocale(QLocale::Russian, QLocale::Russia).groupSeparator());
}

} // namespace

class PriceDisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void priceTexts_data() {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<double>("markup");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("hover"); // null: the cell's text

        // The hover text with a markup is the purchase price, grouped as in ru_RU.
        const auto row = [](const char* name, const char* price, const char* currency, double markup,
                            const char* display, const char* copy, const char* hover = nullptr) {
            QTest::newRow(name) << QString::fromUtf8(price) << QString::fromUtf8(currency) << markup
                                << QString::fromUtf8(display) << QString::fromUtf8(copy)
                                << (hover ? ruGrouped(QString::fromUtf8(hover)) : QString());
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        row("10% rounds up to 50", "1234.5", "RUB", 10.0, "1400 руб.", "1400", "1 234,5");
        row("1500 at 10% is exactly 1650", "1500", "RUB", 10.0, "1650 руб.", "1650", "1 500");
        row("a cent over a multiple goes up", "1500.01", "RUB", 10.0, "1700 руб.", "1700", "1 500,01");
        row("fractional markup", "1000", "RUB", 0.1, "1050 руб.", "1050", "1 000");
        row("millions, hover rounded to cents", "1234567.891", "RUB", 10.0, "1358050 руб.", "1358050", "1 234 567,89");
        row("beyond 64 bits", "123456789012345678901", "RUB", 10.0, "135802467913580246800 руб.",
            "135802467913580246800", "123 456 789 012 345 678 901");
        row("a tenth of a kopeck", "0.001", "RUB", 10.0, "50 руб.", "50", "0");
        row("negative markup is none", "99.9", "RUB", -5.0, "99,90 руб.", "99.90");
        row("NaN markup is none", "99.9", "RUB", nan, "99,90 руб.", "99.90");
        row("infinite markup is none", "99.9", "RUB", inf, "99,90 руб.", "99.90");
        row("cents rounded half away from zero", "0.125", "RUB", 0.0, "0,13 руб.", "0.13");
        row("more digits than a double holds", "12345678901234567890.12", "RUB", 0.0, "12345678901234567890,12 руб.",
            "12345678901234567890.12");
        row("rur with blanks is roubles", "10", " rur ", 0.0, "10,00 руб.", "10.00");
        row("rouble sign", "10", "₽", 0.0, "10,00 руб.", "10.00");
        row("руб. in any case", "10", "Руб.", 0.0, "10,00 руб.", "10.00");
        row("code case as given", "7", " usd\n", 0.0, "7.00 usd", "7.00");
        row("no currency", "1234.5", "", 0.0, "1234.50", "1234.50");
    }

    void priceTexts() {
        QFETCH(QString, price);
        QFETCH(QString, currency);
        QFETCH(double, markup);
        QFETCH(QString, display);
        QFETCH(QString, copy);
        QFETCH(QString, hover);
        SupplierOffer offer = OfferBuilder().currency(currency);
        offer.price = *Decimal::parse(price);
        QCOMPARE(priceDisplay(offer, markup), display);
        QCOMPARE(priceCopyValue(offer, markup), copy);
        QCOMPARE(priceHoverText(offer, markup), hover.isNull() ? display : hover);
    }

    void deliveryDaysText_readsDescriptionThenDate_data() {
        QTest::addColumn<QString>("description"); // null: absent
        QTest::addColumn<QDateTime>("date");      // invalid: absent
        QTest::addColumn<QString>("text");

        const QDateTime none;
        QTest::newRow("first number of a range") << u"от 2 до 5 дней"_s << none << u"2 дн."_s;
        QTest::newRow("English days") << u"5 days"_s << none << u"5 дн."_s;
        QTest::newRow("bare number, blanks trimmed") << u" 7\n"_s << none << u"7 дн."_s;
        QTest::newRow("negative number, not clamped") << u"-3"_s << none << u"-3 дн."_s;
        QTest::newRow("plus sign") << u"+4"_s << none << u"4 дн."_s;
        QTest::newRow("description wins over date") << u"3 дн."_s << kNow.addDays(10) << u"3 дн."_s;
        QTest::newRow("written date without leading zeros") << u"7.12.2026"_s << none << u"1 дн."_s;
        QTest::newRow("written date and time without leading zeros") << u"9.12.2026 9:30"_s << none << u"3 дн."_s;
        QTest::newRow("on request, date tomorrow") << u"по запросу"_s << kNow.addDays(1) << u"1 дн."_s;
        QTest::newRow("too many digits is no number") << u"99999999999999999999 дн."_s << none << u"—"_s;
        QTest::newRow("no description, date yesterday") << QString() << kNow.addDays(-1) << u"0 дн."_s;
        QTest::newRow("later today") << QString() << kNow.addSecs(3600) << u"0 дн."_s;
        QTest::newRow("a minute past midnight tomorrow")
            << QString() << QDateTime(kNow.date().addDays(1), QTime(0, 1)) << u"1 дн."_s;
        QTest::newRow("nothing known") << QString() << none << u"—"_s;
    }

    void deliveryDaysText_readsDescriptionThenDate() {
        QFETCH(QString, description);
        QFETCH(QDateTime, date);
        QFETCH(QString, text);
        const std::optional<QString> d = description.isNull() ? std::nullopt : std::optional(description);
        const std::optional<QDateTime> when = date.isValid() ? std::optional(date) : std::nullopt;
        QCOMPARE(deliveryDaysText(d, when, kNow), text);
    }

    void stockAndRiskCells() {
        QCOMPARE(stockText(OfferBuilder().available(12)), u"12"_s);
        QCOMPARE(stockText(OfferBuilder()), u"—"_s);
        QCOMPARE(riskText(OfferBuilder().rejectRate("3.456")), u"3.46%"_s);
        QCOMPARE(riskText(OfferBuilder().rejectRate("2")), u"2.00%"_s);
        QCOMPARE(riskText(OfferBuilder()), u"—"_s);
    }
};

QTEST_GUILESS_MAIN(PriceDisplayTest)
#include "tst_PriceDisplay.moc"
