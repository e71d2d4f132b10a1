#include "search/OfferMerge.h"
#include "search/OfferSemanticGuard.h"
#include "support/OfferBuilder.h"

#include <QSet>
#include <QTest>

using namespace OfferSemanticGuard;
using namespace Qt::StringLiterals;

namespace {

int counter = 0;

// Offers from "brand|article|name" texts separated by ";".
QList<SupplierOffer> offers(const QString& text) {
    QList<SupplierOffer> list;
    for (const QString& item : text.split(u';')) {
        const QStringList f = item.split(u'|');
        list << OfferBuilder(QStringLiteral("autoeuro"), QString::number(++counter))
                    .brand(f[0])
                    .article(f[1])
                    .name(f[2]);
    }
    return list;
}

QStringList names(const QList<SupplierOffer>& offers) {
    QStringList out;
    for (const auto& o : offers)
        out.append(o.name);
    return out;
}

} // namespace

class OfferSemanticGuardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void meaning_readsKindAndPurpose_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");    // empty: no meaning
        QTest::addColumn<QString>("purpose"); // empty: no purpose
        QTest::newRow("oil filter") << u"Фильтр масляный"_s << u"filter"_s << u"oil"_s;
        QTest::newRow("valve wins over pump") << u"Клапан насоса"_s << u"valve"_s << QString();
        QTest::newRow("first purpose in list order") << u"Filter air/oil separator"_s << u"filter"_s << u"air"_s;
        QTest::newRow("diesel is fuel") << u"ТНВД diesel"_s << u"pump"_s << u"fuel"_s;
        QTest::newRow("bearing has no purpose") << u"Подшипник ступицы масляный"_s << u"bearing"_s << QString();
        QTest::newRow("leaf spring") << u"Рессора задняя"_s << u"leafSpring"_s << QString();
        QTest::newRow("purpose word alone") << u"масляный"_s << QString() << QString();
        QTest::newRow("word inside another word") << u"Фильтрующий элемент"_s << QString() << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
    }

    void meaning_readsKindAndPurpose() {
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(QString, purpose);
        const auto m = meaning(text);
        QCOMPARE(m ? rawValue(m->partType) : QString(), type);
        QCOMPARE(m && m->purpose ? rawValue(*m->purpose) : QString(), purpose);
    }

    void normalisation_splitsWordsAndCanonicalisesNumbers() {
        QCOMPARE(normalizedWords(u"Ёлка-ФИЛЬТР,  oil\nфильтр"),
                 (QSet<QString>{QStringLiteral("елка"), QStringLiteral("фильтр"), QStringLiteral("oil")}));
        QCOMPARE(canonicalPartNumber(u" w.712/75 "), QStringLiteral("W71275"));
        QCOMPARE(canonicalPartNumber(u"ф-12"), QStringLiteral("Ф12"));
        QCOMPARE(canonicalPartNumber(u"-./"), QString());
    }

    void filter_dropsOtherKindsOfPart() {
        const QList<SupplierOffer> list = offers(u"MANN|W 712/75|Фильтр масляный;mann |W712/75|Фильтр масляный;"
                                                 u"MANN|w-712-75|Масляный фильтр;BOSCH|F 026|Фильтр воздушный;"
                                                 u"FILTRON|OP 526|Фильтр;VAG|06A|Насос масляный;"
                                                 u"ELRING|123|Уплотнительное кольцо;BIG|GB-1|Фильтр топливный"_qs);
        const auto kept = filter(list, u"W 712/75"_qs);
        QCOMPARE(names(kept), (QStringList{u"Фильтр масляный"_qs, u"Фильтр масляный"_qs, u"Масляный фильтр"_qs,
                                           u"Фильтр"_qs, u"Уплотнительное кольцо"_qs}));
        // Kept offers are the same records in the same order.
        QCOMPARE(kept.first(), list.first());
        QCOMPARE(kept.last(), list[6]);

        // Articles in other scripts vote the same way.
        const QList<SupplierOffer> cyrillic =
            offers(u"ВАЗ|ф-12|Фильтр масляный;ВАЗ|Ф 12|Фильтр масляный;ВАЗ|Ф12А|Фильтр воздушный"_qs);
        QCOMPARE(names(filter(cyrillic, u"Ф12"_qs)), (QStringList{u"Фильтр масляный"_qs, u"Фильтр масляный"_qs}));
    }

    void filter_leavesListAloneWhenVoteIsUnclear() {
        const QList<SupplierOffer> split = offers(u"A|X1|Фильтр;A|X1|Фильтр;A|X1|Насос;A|X1|Насос;B|Y2|Подшипник"_qs);
        // No strict majority inside the only voting brand.
        QCOMPARE(filter(split, u"X1"_qs), split);
        // Punctuation-only query, and a query that no offer carries.
        QCOMPARE(filter(split, u"-/-"_qs), split);
        QCOMPARE(filter(split, u"Z9"_qs), split);

        // Two brands, equally sure, of different kinds: ambiguous.
        const QList<SupplierOffer> ambiguous =
            offers(u"A|X1|Фильтр;A|X1|Фильтр;B|X1|Насос;B|X1|Насос;C|Y2|Подшипник"_qs);
        QCOMPARE(filter(ambiguous, u"X1"_qs), ambiguous);

        // Only unrecognised descriptions among the exact rows: no vote.
        const QList<SupplierOffer> silent = offers(u"A|X1|Деталь;B|Y2|Насос"_qs);
        QCOMPARE(filter(silent, u"X1"_qs), silent);
    }

    void vote_prefersTheBrandWithMoreRecognisedRows() {
        // Brand A: two filters (votes 2, recognised 2). Brand B: two pumps and a valve
        // (votes 2, recognised 3) sorts first; A differs in recognised rows, so no ambiguity.
        const QList<SupplierOffer> list =
            offers(u"A|X1|Фильтр;A|X1|Фильтр;B|X1|Насос масляный;B|X1|Насос;B|X1|Клапан;C|Q|Насос топливный"_qs);
        const auto identity = canonicalIdentity(list, u"X1"_qs);
        QVERIFY(identity);
        QCOMPARE(identity->meaning.partType, PartType::pump);
        // Only rows that name a purpose vote on it: the one oil pump decides.
        QCOMPARE(identity->meaning.purpose, std::optional<Purpose>(Purpose::oil));
        QCOMPARE(identity->brands, QSet<QString>{u"B"_qs});
        QCOMPARE(names(filter(list, u"X1"_qs)), (QStringList{u"Насос масляный"_qs, u"Насос"_qs}));
    }

    // The merge steps before the guard.
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
        const QString brand = OfferMerge::consensusBrand(QStringLiteral("OC 90"), build(autoEuro), build(autopiter));
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
};

QTEST_GUILESS_MAIN(OfferSemanticGuardTest)
#include "tst_OfferSemanticGuard.moc"
