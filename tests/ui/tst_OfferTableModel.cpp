#include "cart/CartStore.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/OfferTableModel.h"
#include "ui/PFOfferWidths.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<SupplierOffer> threeOffers() {
    return {OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("a")).price("1234.5").rejectRate("3.456"),
            OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("b")).brand(QStringLiteral("BOSCH")),
            OfferBuilder(QStringLiteral("autoliga"), QStringLiteral("c")).highlight(QStringLiteral("#F1DD18"))};
}

struct ModelHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    CartStore cart{*defaults};
    OfferTableModel model{cart};

    QString text(int row, int column, int role = Qt::DisplayRole) const {
        return model.data(model.index(row, column), role).toString();
    }
};

} // namespace

class OfferTableModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void model_staysConsistentThroughResetsAndCellChanges();
    void cells_showAndCopyTheDisplayTexts();
    void headers_nameEightColumnsAndTheSortableOnes();
    void highlightedPortalRow_isTinted();
    void widths_keepTheMinimumAndGrowInProportion_data();
    void widths_keepTheMinimumAndGrowInProportion();
};

void OfferTableModelTest::model_staysConsistentThroughResetsAndCellChanges() {
    ModelHarness h;
    QAbstractItemModelTester tester(&h.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&h.model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&h.model, &QAbstractItemModel::dataChanged);

    h.model.setRows(threeOffers(), 0.0);
    QCOMPARE(h.model.rowCount(), 3);
    QCOMPARE(h.model.columnCount(), 9);
    QCOMPARE(resets.size(), 1);

    // The same offers at another markup: the cells change, the rows stay (no scroll jump).
    h.model.setRows(threeOffers(), 10.0);
    QCOMPARE(resets.size(), 1);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(h.text(0, OfferTableModel::price), QStringLiteral("1400 руб."));

    // Another order is another list.
    auto reversed = threeOffers();
    std::reverse(reversed.begin(), reversed.end());
    h.model.setRows(reversed, 10.0);
    QCOMPARE(resets.size(), 2);
    QCOMPARE(h.model.offer(0).id(), QStringLiteral("autoliga|c"));

    // A cart change repaints the cart column only.
    changes.clear();
    QVERIFY(h.cart.add(reversed[2]));
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0][0].toModelIndex().column(), int(OfferTableModel::cart));
    QVERIFY(h.model.data(h.model.index(2, OfferTableModel::cart), OfferTableModel::InCartRole).toBool());
    QCOMPARE(h.text(2, OfferTableModel::cart, Qt::ToolTipRole), QStringLiteral("Уже в корзине"));
    QCOMPARE(h.text(1, OfferTableModel::cart, Qt::ToolTipRole), QStringLiteral("Добавить предложение в корзину"));

    h.model.setRows({}, 0.0);
    QCOMPARE(h.model.rowCount(), 0);
}

void OfferTableModelTest::cells_showAndCopyTheDisplayTexts() {
    ModelHarness h;
    h.model.setRows(threeOffers(), 0.0);
    const int row = 0;
    QCOMPARE(h.text(row, OfferTableModel::price), QStringLiteral("1234,50 руб."));
    QCOMPARE(h.text(row, OfferTableModel::price, OfferTableModel::CopyValueRole), QStringLiteral("1234.50"));
    QCOMPARE(h.text(row, OfferTableModel::risk), QStringLiteral("3.46%"));
    QCOMPARE(h.text(row, OfferTableModel::quantity), QStringLiteral("—"));
    QCOMPARE(h.text(row, OfferTableModel::delivery), QStringLiteral("—"));
    QCOMPARE(h.text(row, OfferTableModel::supplier), QStringLiteral("AutoEuro"));
    QCOMPARE(h.text(row, OfferTableModel::article, Qt::ToolTipRole),
             QStringLiteral("Нажмите, чтобы скопировать: W 712/75"));
    // Without markup the price's hover text is the shown price; with one it is the purchase price.
    QVERIFY(h.text(row, OfferTableModel::price, Qt::ToolTipRole).startsWith(QStringLiteral("1234,50 руб.\n")));
    h.model.setRows(threeOffers(), 10.0);
    QCOMPARE(h.text(row, OfferTableModel::price, OfferTableModel::CopyValueRole), QStringLiteral("1400"));
    const QString tip = h.text(row, OfferTableModel::price, Qt::ToolTipRole);
    QVERIFY2(tip.startsWith(QStringLiteral("1") + QChar(0x00A0) + QStringLiteral("234,5")) ||
                 tip.startsWith(QStringLiteral("1 234,5")),
             qPrintable(tip));
    QVERIFY(tip.endsWith(QStringLiteral("Нажмите, чтобы скопировать: 1400")));
    // The supplier's colour marks its name.
    QCOMPARE(h.model.data(h.model.index(row, OfferTableModel::supplier), Qt::ForegroundRole).value<QColor>(),
             QColor(35, 91, 232));
    // The cart column has nothing to copy.
    QVERIFY(!h.model.data(h.model.index(row, OfferTableModel::cart), OfferTableModel::CopyValueRole).isValid());
}

void OfferTableModelTest::headers_nameEightColumnsAndTheSortableOnes() {
    ModelHarness h;
    QStringList titles;
    for (int c = 0; c < h.model.columnCount(); ++c)
        titles << h.model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles,
             (QStringList{QStringLiteral("Производитель"), QStringLiteral("Артикул"), QStringLiteral("Наименование"),
                          QStringLiteral("Цена"), QStringLiteral("Кол-во"), QStringLiteral("Доставка"),
                          QStringLiteral("Риск отказа"), QStringLiteral("Поставщик"), QString()}));
    QList<int> sortable;
    for (int c = 0; c < h.model.columnCount(); ++c) {
        if (const auto column = OfferTableModel::sortColumn(c)) {
            sortable << c;
            QCOMPARE(OfferTableModel::columnOf(*column), c);
        }
    }
    QCOMPARE(sortable, (QList<int>{OfferTableModel::brand, OfferTableModel::article, OfferTableModel::price,
                                   OfferTableModel::delivery, OfferTableModel::risk}));
}

void OfferTableModelTest::highlightedPortalRow_isTinted() {
    ModelHarness h;
    h.model.setRows(threeOffers(), 0.0);
    const QColor tint = h.model.data(h.model.index(2, OfferTableModel::name), Qt::BackgroundRole).value<QColor>();
    QCOMPARE(tint.rgb(), QColor(0xF1, 0xDD, 0x18).rgb());
    QVERIFY(tint.alpha() > 0 && tint.alpha() < 255);
    // The tint spans the whole row, cart column included; other rows keep the alternating shade.
    QVERIFY(h.model.data(h.model.index(2, OfferTableModel::cart), Qt::BackgroundRole).isValid());
    QVERIFY(!h.model.data(h.model.index(0, OfferTableModel::name), Qt::BackgroundRole).isValid());
}

void OfferTableModelTest::widths_keepTheMinimumAndGrowInProportion_data() {
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("total");
    QTest::addColumn<QList<int>>("widths");
    QTest::newRow("narrow window keeps 870") << 500 << 870 << QList<int>{87, 96, 287, 87, 61, 69, 87, 96};
    QTest::newRow("just under 890") << 889 << 870 << QList<int>{87, 96, 287, 87, 61, 69, 87, 96};
    QTest::newRow("wide window grows") << 1020 << 1000 << QList<int>{100, 110, 330, 100, 70, 80, 100, 110};
    QTest::newRow("twice as wide") << 2020 << 2000 << QList<int>{200, 220, 660, 200, 140, 160, 200, 220};
}

void OfferTableModelTest::widths_keepTheMinimumAndGrowInProportion() {
    QFETCH(int, available);
    QFETCH(int, total);
    QFETCH(QList<int>, widths);
    const PFOfferWidths result = PFOfferWidths::forAvailableWidth(available);
    QCOMPARE(result.total(), total);
    QCOMPARE(QList<int>(result.widths.begin(), result.widths.end()), widths);
}

QTEST_MAIN(OfferTableModelTest)
#include "tst_OfferTableModel.moc"
