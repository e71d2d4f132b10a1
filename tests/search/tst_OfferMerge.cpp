#include "search/OfferMerge.h"
#include "support/OfferBuilder.h"

#include <QSet>
#include <QTest>

class OfferMergeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void consensusBrand_data() {
        QTest::addColumn<QString>("autoEuro"); // "brand/article" pairs, separated by ";"
        QTest::addColumn<QString>("autopiter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("majority across suppliers")
            << u"MANN/OC 90;MANN/OC 90;BOSCH/OC 90"_qs << u"BOSCH/OC 90;BOSCH/OC 90"_qs << u"BOSCH"_qs;
        QTest::newRow("case and blanks ignored")
            << u"mann/OC 90"_qs << u"Knecht/ oc 90;KNECHT /OC 90"_qs << u"KNECHT"_qs;
        QTest::newRow("tie goes to the first seen")
            << u"MANN/OC 90;BOSCH/OC 90"_qs << u"BOSCH/OC 90;MANN/OC 90"_qs << u"MANN"_qs;
        QTest::newRow("near matches do not vote")
            << u"MANN/OC 90;BOSCH/OC90;BOSCH/OC-90;BOSCH/OC  90"_qs << QString() << u"MANN"_qs;
        QTest::newRow("blank brands are skipped") << u" /OC 90; /OC 90;knecht/oc 90"_qs << QString() << u"KNECHT"_qs;
        QTest::newRow("no exact match") << u"MANN/OC90"_qs << QString() << u""_qs;
    }

    void consensusBrand() {
        QFETCH(QString, autoEuro);
        QFETCH(QString, autopiter);
        QFETCH(QString, expected);
        auto build = [](const QString& pairs) {
            QList<SupplierOffer> list;
            for (const auto& pair : pairs.split(u';', Qt::SkipEmptyParts)) {
                const auto parts = pair.split(u'/');
                list.append(OfferBuilder().brand(parts[0]).article(parts[1]));
            }
            return list;
        };
        const QString brand =
            OfferMerge::consensusBrand(QStringLiteral("OC 90"), build(autoEuro), build(autopiter));
        QCOMPARE(brand, expected);
        QVERIFY(!brand.isNull());
    }

    void deduplicated_keepsFirstOccurrencePerSupplier() {
        const SupplierOffer first = OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("7")).price("100");
        const SupplierOffer again = OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("7")).price("90");
        const SupplierOffer other = OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("8"));
        const SupplierOffer sameKeyElsewhere = OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("7"));
        QCOMPARE(OfferMerge::deduplicated({first, other, again, sameKeyElsewhere, first}),
                 (QList<SupplierOffer>{first, other, sameKeyElsewhere}));

        // The id is the whole text: "a|b" + "c" and "a" + "b|c" are one offer.
        const SupplierOffer left = OfferBuilder(QStringLiteral("a|b"), QStringLiteral("c"));
        const SupplierOffer right = OfferBuilder(QStringLiteral("a"), QStringLiteral("b|c"));
        QCOMPARE(OfferMerge::deduplicated({left, right}), QList<SupplierOffer>{left});

        // A long list with repeats anywhere keeps exactly what a plain set of id texts keeps.
        QList<SupplierOffer> many;
        QList<SupplierOffer> expected;
        QSet<QString> seen;
        for (int i = 0; i < 5000; ++i) {
            const int key = (i * 7919) % 3001;
            many.append(
                OfferBuilder(i % 3 ? QStringLiteral("autoeuro") : QStringLiteral("autopiter"), QString::number(key))
                    .price(i % 2 ? "1" : "2"));
            if (!seen.contains(many.last().id())) {
                seen.insert(many.last().id());
                expected.append(many.last());
            }
        }
        QCOMPARE(OfferMerge::deduplicated(many), expected);
    }

    // The merged answers are de-duplicated, then the guard drops analogues of another kind.
};

QTEST_GUILESS_MAIN(OfferMergeTest)
#include "tst_OfferMerge.moc"
