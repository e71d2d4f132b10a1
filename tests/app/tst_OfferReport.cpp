#include "app/OfferReport.h"
#include "core/TextUtils.h"
#include "support/OfferBuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace OfferReport;
using namespace Qt::StringLiterals;

namespace {
const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));
const QChar kNbsp(0x00A0);
// Thousands are grouped with a no-break space; tests write it as "_".
QString withNbsp(QString text) {
    return text.replace(u'_', kNbsp);
}
} // namespace

class OfferReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offerJson_carriesEveryFieldExactly() {
        const SupplierOffer offer = OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("k1"))
                                        .price("1234.10")
                                        .rejectRate("2.35")
                                        .available(std::numeric_limits<std::int64_t>::max())
                                        .delivery(QStringLiteral("3 дн."));
        // Every field exactly. Beyond 2^53 a JSON number would silently change: such a count goes out as text.
        // The marked-up 1357.51 goes up to the next 50.
        QCOMPARE(
            QString::fromUtf8(QJsonDocument(offerJson(offer, 10.0, kNow)).toJson(QJsonDocument::Compact)),
            withNbsp(
                uR"({"article":"W 712/75","availableQuantity":"9223372036854775807","brand":"MANN","currency":"RUB",)"
                uR"("deliveryDate":null,"deliveryDescription":"3 дн.","display":{"delivery":"3 дн.","highlightRank":3,)"
                uR"("price":"1400 руб.","priceCopy":"1400","risk":"2.35%","stock":"9223372036854775807",)"
                uR"("tooltip":"1_234,1"},"id":"autoeuro|k1","isReturnable":null,"minimumQuantity":null,)"
                uR"("name":"Фильтр масляный","packageQuantity":null,"price":"1234.1","rejectRate":"2.35",)"
                uR"("rowHighlightColor":null,"supplierID":"autoeuro","supplierName":"AutoEuro","supplierOfferKey":"k1",)"
                uR"("updatedAt":"2026-12-01T12:00:00.000Z","warehouse":null})"_s));
    }

    void searchOutcome_asJsonAndAsAlignedText() {
        SearchOutcome outcome;
        outcome.article = QStringLiteral("OC 90");
        outcome.status = QStringLiteral("OC 90 — найдено предложений: 2");
        outcome.duration = QStringLiteral("Поиск: 1,2 с");
        outcome.snapshot.total = 5;
        outcome.snapshot.usefulCount = 3;
        outcome.snapshot.usefulHidden = 2;
        outcome.snapshot.rejectHidden = 1;
        outcome.snapshot.displayed = {
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("1"))
                .brand(QStringLiteral("KNECHT"))
                .price("410.5"),
            OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("2"))
                .brand(QStringLiteral("MAHLE"))
                .name(QStringLiteral("Фильтр масляный\tс клапаном, очень длинное наименование детали для проверки"))};
        QJsonObject json = searchJson(outcome, kNow);
        QCOMPARE(json.take(u"offers").toArray().size(), 2);
        QCOMPARE(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)),
                 u"{\"article\":\"OC 90\",\"duration\":\"Поиск: 1,2 с\",\"error\":null,\"rejectHidden\":1,"
                 u"\"status\":\"OC 90 — найдено предложений: 2\",\"total\":5,\"usefulCount\":3,\"usefulHidden\":2}"_s);

        const QStringList lines = searchText(outcome, kNow).split(u'\n');
        QVERIFY(lines[0].startsWith(QStringLiteral("Производитель  Артикул")));
        // Every column starts at the same place in each row.
        const qsizetype priceColumn = lines[0].indexOf(QStringLiteral("Цена"));
        QCOMPARE(lines[1].indexOf(QStringLiteral("410,50 руб.")), priceColumn);
        QVERIFY(lines[2].contains(u'…'));
        QVERIFY(!lines[2].contains(u'\t'));
        QCOMPARE(lines[4], QStringLiteral("Найдено: 5 · показано: 2 · скрыто менее подходящих: 2 · по риску: 1"));
        QCOMPARE(lines[5], outcome.status);
        QCOMPARE(lines[6], outcome.duration);

        // What reaches the terminal: escape sequences of a supplier cannot clear the screen.
        QCOMPARE(TextUtils::forTerminal(u"A\u001b[2J\u0007B\tC\nD\u007f\u009bE"),
                 QStringLiteral("A\uFFFD[2J\uFFFDB\tC\nD\uFFFD\uFFFDE"));
    }

    void money_roundsExactlyAndGroupsThousands_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("kopecks") << u"0.05"_s << u"0,05 руб."_s;
        QTest::newRow("half up") << u"1.005"_s << u"1,01 руб."_s;
        QTest::newRow("below half") << u"1.00499"_s << u"1,00 руб."_s;
        QTest::newRow("thousands") << "1234567.8" << withNbsp(u"1_234_567,80 руб."_s);
    }

    void money_roundsExactlyAndGroupsThousands() {
        QFETCH(QString, amount);
        QFETCH(QString, text);
        QCOMPARE(money(*Decimal::parse(amount)), text);
    }

    void cartTotals_addUpWithoutBinaryDrift() {
        CartItem a = CartItem::supplierOffer(OfferBuilder(u"autoeuro"_s, u"a"_s).price("0.1"), kNow);
        a.quantity = 3;
        CartItem b = CartItem::supplierOffer(OfferBuilder(u"autoeuro"_s, u"b"_s).price("1234.56"), kNow);
        b.quantity = 2;
        QCOMPARE(cartTotal({a, b}).toString(), QStringLiteral("2469.42"));

        const SupplierCartGroup group{QStringLiteral("autoeuro"), QStringLiteral("AutoEuro"), {a, b}};
        const QJsonObject json = cartJson({group}, 5);
        QCOMPARE(json[u"total"].toString(), QStringLiteral("2469.42"));
        QCOMPARE(json[u"groups"].toArray().first()[u"items"].toArray().size(), 2);
        const QString text = cartText({group}, 5);
        QVERIFY(text.contains(withNbsp(u"Итого по поставщику: 2_469,42 руб."_s)));
        QVERIFY(text.contains(QStringLiteral("Всего позиций: 5")));
        QCOMPARE(cartText({}, 0), QStringLiteral("Корзина пуста.\n"));
    }
};

QTEST_GUILESS_MAIN(OfferReportTest)
#include "tst_OfferReport.moc"
