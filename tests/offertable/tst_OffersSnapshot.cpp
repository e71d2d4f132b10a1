#include "offertable/OfferRowHighlight.h"
#include "offertable/OffersSnapshot.h"
#include "offertable/PriceDisplay.h"
#include "offertable/UsefulResultsStatus.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));

// Offers of the default brand and article as "key price days [rate [supplier]]", separated by ",";
// "-" for no delivery or no rate.
QList<SupplierOffer> offers(const QString& text) {
    QList<SupplierOffer> list;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(u' ', Qt::SkipEmptyParts);
        OfferBuilder b(f.value(4, u"autoeuro"_s), f[0]);
        b.price(f[1].toLatin1().constData());
        if (f[2] != u"-")
            b.delivery(f[2] + u" дн."_s);
        if (f.size() > 3 && f[3] != u"-")
            b.rejectRate(f[3].toLatin1().constData());
        list << b;
    }
    return list;
}

QStringList keys(const QList<SupplierOffer>& offers) {
    QStringList out;
    for (const SupplierOffer& o : offers)
        out << o.supplierOfferKey;
    return out;
}

// The status row's texts in one list, "-" for an absent one.
QStringList texts(const UsefulResultsStatus& status) {
    QStringList out{status.summary};
    for (const auto& text : {status.usefulHidden, status.rejectHidden, status.toggleTitle, status.allowedRisk})
        out << text.value_or(u"-"_s);
    return out;
}

} // namespace

class OffersSnapshotTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void usefulOffers_selectsPerGroup_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one") << u"a 900 9"_s << u"a"_s;
        QTest::newRow("three, all kept") << u"a 1 1, b 2 2, c 3 3"_s << u"a b c"_s;
        // Cheapest a, fastest b, least risky c: d is left out.
        QTest::newRow("four, three champions") << u"a 100 10 5, b 300 1 5, c 200 5 1, d 150 7 3"_s << u"a b c"_s;
        // a wins all three; d and c follow in fill order (delivery 3 both, d less risky).
        QTest::newRow("five, one dominant") << u"a 100 1 1, b 500 5 2, c 400 3 9, d 300 3 4, e 200 9"_s << u"a c d"_s;
        // Equal on delivery, risk and price: the group order decides the fill.
        QTest::newRow("fill ties keep group order") << u"z 200 2 2, a 100 1 1, y 200 2 2, x 200 2 2"_s << u"z a y"_s;
        // Fastest ties on delivery go to the cheaper; no rate anywhere, so the fill picks by delivery then price.
        QTest::newRow("no rates, price breaks delivery ties")
            << u"a 400 2, b 300 2, c 100 8, d 350 2, e 50 -"_s << u"b d e"_s;
    }

    void usefulOffers_selectsPerGroup() {
        QFETCH(QString, group);
        QFETCH(QString, expected);
        QCOMPARE(keys(usefulOffers(offers(group), kNow)).join(u' '), expected);
    }

    void groupKey_ignoresSpellingButNotSupplier_data() {
        QTest::addColumn<QStringList>("offers"); // "supplier|brand|article"
        QTest::addColumn<int>("useful");
        QTest::newRow("leading blank, case and punctuation: one group")
            << QStringList{u"autoeuro| bosch|oc 90"_s, u"autoeuro|BOSCH|OC-90"_s, u"autoeuro|Bosch\n|oc.90"_s,
                           u"autoeuro|bosch|OC90"_s}
            << 3;
        QTest::newRow("supplier id case: one group")
            << QStringList{u"autoliga|MANN|W1"_s, u"Autoliga|MANN|W1"_s, u"AUTOLIGA|MANN|W1"_s, u"autoliga|MANN|W-1"_s}
            << 3;
        QTest::newRow("two suppliers: two groups")
            << QStringList{u"autoeuro|MANN|W1"_s, u"autoeuro|MANN|W1"_s, u"autopiter|MANN|W1"_s, u"autopiter|MANN|W1"_s}
            << 4;
        // Cyrillic С and О are letters of their own, not the Latin C and O.
        QTest::newRow("Cyrillic letters stay distinct")
            << QStringList{u"autoeuro|MANN|OC90"_s, u"autoeuro|MANN|OC90"_s, u"autoeuro|MANN|ОС90"_s,
                           u"autoeuro|MANN|ос-90"_s}
            << 4;
        // Й and И differ by a combining mark, which belongs to the article; typed precomposed or
        // decomposed it is the same letter. A letter outside the BMP is a letter, too.
        QTest::newRow("combining mark keeps Й apart from И")
            << QStringList{u"autoeuro|MANN|\u0438\u0306-1"_s, u"autoeuro|MANN|И\u0306 1"_s, u"autoeuro|MANN|И1"_s,
                           u"autoeuro|MANN|и-1"_s}
            << 4;
        QTest::newRow("Й precomposed or decomposed: one group")
            << QStringList{u"autoeuro|L\u00D6MMEL|\u04191"_s, u"autoeuro|lo\u0308mmel|й-1"_s,
                           u"autoeuro|LÖMMEL|\u0438\u0306 1"_s, u"autoeuro|Lo\u0308mmel|И\u0306.1"_s}
            << 3;
        QTest::newRow("letter beyond the BMP counts")
            << QStringList{u"autoeuro|MANN|\U0001D400-1"_s, u"autoeuro|MANN|\U0001D400 1"_s, u"autoeuro|MANN|1"_s,
                           u"autoeuro|MANN|-1"_s}
            << 4;
    }

    void groupKey_ignoresSpellingButNotSupplier() {
        QFETCH(QStringList, offers);
        QFETCH(int, useful);
        QList<SupplierOffer> list;
        for (const QString& text : offers) {
            const QStringList parts = text.split(u'|');
            list << OfferBuilder(parts[0], QString::number(list.size())).brand(parts[1]).article(parts[2]);
        }
        QCOMPARE(usefulOffers(list, kNow).size(), useful);
    }

    void rejectFilter_keepsRatesUpToAllowed_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<bool>("kept");

        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("filter off keeps everything") << false << 100.0 << u"99"_s << true;
        QTest::newRow("no rate is never dropped") << true << 100.0 << QString() << true;
        QTest::newRow("exactly 100 - threshold stays") << true << 30.0 << u"70"_s << true;
        QTest::newRow("just above is dropped") << true << 30.0 << u"70.01"_s << false;
        QTest::newRow("threshold 100 drops any rate above 0") << true << 100.0 << u"0.01"_s << false;
        QTest::newRow("threshold 0 keeps 100") << true << 0.0 << u"100"_s << true;
        QTest::newRow("threshold 0 drops above 100") << true << 0.0 << u"100.5"_s << false;
        QTest::newRow("unreadable threshold acts as 30") << true << nan << u"69"_s << true;
        QTest::newRow("threshold beyond 100 acts as 100") << true << 250.0 << u"0"_s << true;
    }

    void rejectFilter_keepsRatesUpToAllowed() {
        QFETCH(bool, enabled);
        QFETCH(double, threshold);
        QFETCH(QString, rate);
        QFETCH(bool, kept);
        SupplierOffer o = OfferBuilder();
        if (!rate.isNull())
            o.rejectRate = Decimal::parse(rate);
        QCOMPARE(applyRejectFilter({o}, enabled, threshold).size(), kept ? 1 : 0);

        OfferTableSettings settings;
        settings.rejectFilterEnabled = enabled;
        settings.rejectThreshold = threshold;
        const OffersSnapshot snapshot = makeOffersSnapshot({o}, settings, kNow);
        QCOMPARE(snapshot.displayed.size(), kept ? 1 : 0);
        QCOMPARE(snapshot.rejectHidden, kept ? 0 : 1);
    }

    void highlight_ranksAndColoursAutoligaRows_data() {
        QTest::addColumn<QString>("supplier");
        QTest::addColumn<QString>("color");
        QTest::addColumn<int>("rank");
        // "r g b a", or empty for no colour.
        QTest::addColumn<QString>("rgba");

        const QString al = QStringLiteral("autoliga");
        QTest::newRow("yellow") << al << u"#F1DD18"_s << 0 << u"241 221 24 255"_s;
        QTest::newRow("green, lower case") << al << u"#ccff99"_s << 1 << u"204 255 153 255"_s;
        QTest::newRow("cyan") << al << u"#CCFFFF"_s << 2 << u"204 255 255 255"_s;
        QTest::newRow("supplier id in capitals") << u"AutoLiga"_s << u"#F1DD18"_s << 0 << u"241 221 24 255"_s;
        QTest::newRow("other colour: coloured, not ranked") << al << u"#123456"_s << 3 << u"18 52 86 255"_s;
        QTest::newRow("three digits double up") << al << u"#abc"_s << 3 << u"170 187 204 255"_s;
        QTest::newRow("eight digits carry opacity") << al << u"#11223380"_s << 3 << u"17 34 51 128"_s;
        QTest::newRow("seven digits: none") << al << u"#1234567"_s << 3 << QString();
        QTest::newRow("not hex: none") << al << u"#GG0000"_s << 3 << QString();
        QTest::newRow("sign is no digit") << al << u"#+f0000"_s << 3 << QString();
        QTest::newRow("without #: none") << al << u"F1DD18"_s << 3 << QString();
        QTest::newRow("no colour") << al << QString() << 3 << QString();
        QTest::newRow("other supplier") << u"autoeuro"_s << u"#F1DD18"_s << 3 << QString();
    }

    void highlight_ranksAndColoursAutoligaRows() {
        QFETCH(QString, supplier);
        QFETCH(QString, color);
        QFETCH(int, rank);
        QFETCH(QString, rgba);
        SupplierOffer o = OfferBuilder(supplier);
        if (!color.isNull())
            o.rowHighlightColor = color;
        QCOMPARE(OfferRowHighlight::rank(o), rank);
        const auto c = OfferRowHighlight::color(o);
        QCOMPARE(c ? QStringLiteral("%1 %2 %3 %4").arg(c->red).arg(c->green).arg(c->blue).arg(c->alpha) : QString(),
                 rgba);
    }

    void snapshot_highlightedRowsLeadEvenWhenNotUseful() {
        // Four plain offers of one group plus an expensive, slow green Autoliga row in a group of its own
        // that is not useful (the fifth of five Autoliga offers), and a yellow one.
        QList<SupplierOffer> list = offers(u"a 100 1 1, b 200 2 2, c 300 3 3, d 400 4 4, 1 50 1 1 autoliga, "
                                           u"2 50 1 1 autoliga, 3 50 1 1 autoliga, 4 50 1 1 autoliga, "
                                           u"green 9000 30 50 autoliga, yellow 9500 30 - autoliga"_s);
        list[list.size() - 2].rowHighlightColor = u"#ccff99"_s;
        list.last().rowHighlightColor = u"#F1DD18"_s;
        QVERIFY(!keys(usefulOffers(list, kNow)).contains(u"green"_s));

        for (const bool showAll : {false, true}) {
            OfferTableSettings settings;
            settings.showingAllOffers = showAll;
            const QStringList shown = keys(makeOffersSnapshot(list, settings, kNow).displayed);
            QCOMPARE(shown.mid(0, 2), (QStringList{u"yellow"_s, u"green"_s}));
        }
    }

    void snapshot_firstThreeRowsOfEachSupplierLead() {
        // Ten AutoEuro rows (all useful, each its own article) are cheaper than the two Autopiter rows.
        QList<SupplierOffer> offers;
        for (int i = 0; i < 10; ++i) {
            const QByteArray price = QByteArray::number(100 + i);
            offers << OfferBuilder(u"autoeuro"_s, QString::number(i))
                          .article(u"A"_s + QString::number(i))
                          .price(price.constData());
        }
        offers << OfferBuilder(u"autopiter"_s, u"p1"_s).price("500")
               << OfferBuilder(u"autopiter"_s, u"p2"_s).price("600");

        const OffersSnapshot s = makeOffersSnapshot(offers, OfferTableSettings{}, kNow);
        QCOMPARE(keys(s.displayed), (QStringList{u"0"_s, u"1"_s, u"2"_s, u"p1"_s, u"p2"_s, u"3"_s, u"4"_s, u"5"_s,
                                                 u"6"_s, u"7"_s, u"8"_s, u"9"_s}));
        QCOMPARE(s.pinnedCount, 5); // the table marks where the sorted rest begins
    }

    void snapshot_countsAndStatusTexts() {
        OfferTableSettings settings;
        QCOMPARE(texts(UsefulResultsStatus::of(makeOffersSnapshot({}, settings, kNow), settings)),
                 (QStringList{u"Найдено: 0 · показано: 0"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s}));

        // Five offers of one group (two not useful); one of the useful ones is too risky.
        const QList<SupplierOffer> five = offers(u"a 100 1 1, b 200 2 80, c 300 3 3, d 400 4 4, e 500 5 5"_s);
        settings.rejectFilterEnabled = true;
        settings.rejectThreshold = 29.5; // allowed 70.5, shown rounded half away from zero
        OffersSnapshot s = makeOffersSnapshot(five, settings, kNow);
        QCOMPARE((QList<qsizetype>{s.total, s.usefulCount, s.usefulHidden, s.rejectHidden}),
                 (QList<qsizetype>{5, 3, 2, 1}));
        QCOMPARE(keys(s.displayed), (QStringList{u"a"_s, u"c"_s}));
        QCOMPARE(texts(UsefulResultsStatus::of(s, settings)),
                 (QStringList{u"Найдено: 5 · показано: 2"_s, u"· скрыто менее подходящих: 2"_s, u"· по риску: 1"_s,
                              u"Показать все"_s, u"≤ 71%"_s}));

        // Out of stock and slow offers leave before the useful ones are picked: their places go to others.
        QList<SupplierOffer> stocked = five;
        stocked[0].availableQuantity = 0;
        stocked[4].deliveryDescription = u"9 дн."_s;
        settings.rejectFilterEnabled = false;
        settings.inStockOnly = true;
        settings.deliveryFilterEnabled = true;
        settings.deliveryFilterDays = 4;
        s = makeOffersSnapshot(stocked, settings, kNow);
        QCOMPARE((QList<qsizetype>{s.stockHidden, s.deliveryHidden, s.usefulHidden}), (QList<qsizetype>{1, 1, 0}));
        QCOMPARE(keys(s.displayed), (QStringList{u"b"_s, u"c"_s, u"d"_s}));
        const UsefulResultsStatus filtered = UsefulResultsStatus::of(s, settings);
        QCOMPARE((QStringList{filtered.summary, *filtered.stockHidden, *filtered.deliveryHidden}),
                 (QStringList{u"Найдено: 5 · показано: 3"_s, u"· нет в наличии: 1"_s, u"· по сроку: 1"_s}));
        QVERIFY(!filtered.toggleTitle); // nothing more to show

        settings = OfferTableSettings{};
        settings.showingAllOffers = true;
        s = makeOffersSnapshot(five, settings, kNow);
        QCOMPARE((QList<qsizetype>{s.total, s.usefulCount, s.usefulHidden, s.rejectHidden}),
                 (QList<qsizetype>{5, 3, 0, 0}));
        QCOMPARE(texts(UsefulResultsStatus::of(s, settings)),
                 (QStringList{u"Найдено: 5 · показано: 5"_s, u"-"_s, u"-"_s, u"Показать полезные"_s, u"-"_s}));
    }

    void headerClick_reversesActiveColumnOrSortsAscending() {
        const QList<SupplierOffer> three{
            OfferBuilder(u"autoeuro"_s, u"1"_s).brand(u"mann"_s).price("300"),
            OfferBuilder(u"autoeuro"_s, u"2"_s).brand(u"MANN"_s).price("100"),
            OfferBuilder(u"autoeuro"_s, u"3"_s).brand(u"Bosch"_s).price("200"),
        };
        // The table starts out sorted by price.
        OfferSortState state;
        QCOMPARE(OfferTableSettings().offerSortOrder, state.offerSortOrder());
        QCOMPARE(keys(sortedOffers(three, state.offerSortOrder(), kNow)), (QStringList{u"2"_s, u"3"_s, u"1"_s}));

        state.pfSortOffers(PFOfferSortColumn::price); // the initial column: reversed
        QVERIFY(!state.pfOfferSortAscending());
        QCOMPARE(keys(sortedOffers(three, state.offerSortOrder(), kNow)), (QStringList{u"1"_s, u"3"_s, u"2"_s}));

        state.pfSortOffers(PFOfferSortColumn::brand); // another column: ascending, plain case-sensitive order
        QCOMPARE(state.pfOfferSortColumn(), PFOfferSortColumn::brand);
        QVERIFY(state.pfOfferSortAscending());
        QCOMPARE(keys(sortedOffers(three, state.offerSortOrder(), kNow)), (QStringList{u"3"_s, u"2"_s, u"1"_s}));
    }

    void sortedColumnTies_goByPriceThenDelivery_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QString>("expected");
        // a: MANN 300 ₽ 5 days 2 %; b: MANN 100 ₽ 7 days 2 %; c: MANN 100 ₽ 2 days 9 %; d: BOSCH, else as b;
        // e: MANN 200 ₽, delivery and risk unknown ("—").
        using enum PFOfferSortColumn;
        QTest::newRow("brand") << int(brand) << true << u"d c b e a"_s;
        QTest::newRow("brand reversed") << int(brand) << false << u"c b e a d"_s;
        QTest::newRow("article") << int(article) << true << u"c b d e a"_s;
        QTest::newRow("price") << int(price) << true << u"c b d e a"_s;
        QTest::newRow("price reversed") << int(price) << false << u"a e c b d"_s;
        QTest::newRow("delivery") << int(delivery) << true << u"c a b d e"_s;
        QTest::newRow("risk") << int(risk) << true << u"b d a c e"_s;
        QTest::newRow("risk reversed: unknown still last") << int(risk) << false << u"c b d a e"_s;
        QTest::newRow("delivery reversed: unknown still last") << int(delivery) << false << u"b d a c e"_s;
    }

    void sortedColumnTies_goByPriceThenDelivery() {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(QString, expected);
        const QList<SupplierOffer> offers{
            OfferBuilder(u"autoeuro"_s, u"a"_s).brand(u"MANN"_s).price("300").delivery(u"5 дн."_s).rejectRate("2"),
            OfferBuilder(u"autoeuro"_s, u"b"_s).brand(u"MANN"_s).price("100").delivery(u"7 дн."_s).rejectRate("2"),
            OfferBuilder(u"autoeuro"_s, u"c"_s).brand(u"MANN"_s).price("100").delivery(u"2 дн."_s).rejectRate("9"),
            OfferBuilder(u"autoeuro"_s, u"d"_s).brand(u"BOSCH"_s).price("100").delivery(u"7 дн."_s).rejectRate("2"),
            OfferBuilder(u"autoeuro"_s, u"e"_s).brand(u"MANN"_s).price("200"),
        };
        const auto sortColumn = static_cast<PFOfferSortColumn>(column);
        QCOMPARE(keys(sortedOffers(offers, offerSortOrder(sortColumn, ascending), kNow)).join(u' '), expected);
    }

    void storedSettings_damagedValuesGiveDefaults() {
        // Risk filter on, threshold, markup.
        const auto stored = [](const UserDefaults& defaults) {
            const OfferTableSettings settings = storedOfferTableSettings(defaults);
            return QList<double>{double(settings.rejectFilterEnabled), settings.rejectThreshold,
                                 PriceDisplay::storedMarkupPercent(defaults), double(settings.deliveryFilterDays)};
        };
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setString(UserDefaultsKeys::rejectFilterEnabled, u"vielleicht"_s);
        defaults->setString(UserDefaultsKeys::rejectThreshold, u"nan"_s);
        defaults->setString(UserDefaultsKeys::markupPercent, u"10%"_s);
        defaults->setString(UserDefaultsKeys::deliveryFilterDays, u"nan"_s);
        QCOMPARE(stored(*defaults), (QList<double>{0, 30, 0, 3}));

        defaults->setBool(UserDefaultsKeys::rejectFilterEnabled, true);
        defaults->setDouble(UserDefaultsKeys::rejectThreshold, 45);
        defaults->setDouble(UserDefaultsKeys::markupPercent, 12.5);
        defaults->setDouble(UserDefaultsKeys::deliveryFilterDays, 1e9);
        QCOMPARE(stored(*env.makeDefaults()), (QList<double>{1, 45, 12.5, 365}));
    }
};

QTEST_GUILESS_MAIN(OffersSnapshotTest)
#include "tst_OffersSnapshot.moc"
