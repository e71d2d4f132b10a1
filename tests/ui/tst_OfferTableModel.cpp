#include "cart/CartStore.h"
#include "core/UserDefaults.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/OfferTableModel.h"
#include "ui/PFOfferWidths.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
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
    void model_staysConsistentThroughResetsAndCellChanges() {
        ModelHarness h;
        QAbstractItemModelTester tester(&h.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&h.model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&h.model, &QAbstractItemModel::dataChanged);

        h.model.setRows(threeOffers(), 0.0);
        QCOMPARE(h.model.rowCount(), 3);
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

    void sortableHeaders_nameTheirShortcuts() {
        ModelHarness h;
        QList<int> sortable;
        for (int c = 0; c < h.model.columnCount(); ++c) {
            if (OfferTableModel::sortColumn(c))
                sortable << c;
        }
        QCOMPARE(sortable, (QList<int>{OfferTableModel::brand, OfferTableModel::article, OfferTableModel::price,
                                       OfferTableModel::delivery, OfferTableModel::risk}));
        // Alt+1 … Alt+5 in header order, named in each sortable header's tooltip.
        for (int i = 0; i < sortable.size(); ++i) {
            QCOMPARE(OfferTableModel::columnOf(*OfferTableModel::sortColumn(sortable[i])), sortable[i]);
            QCOMPARE(OfferTableModel::sortShortcut(sortable[i]), QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i)));
            QVERIFY(h.model.headerData(sortable[i], Qt::Horizontal, Qt::ToolTipRole)
                        .toString()
                        .endsWith(QStringLiteral("Alt+%1").arg(i + 1)));
        }
        QVERIFY(!h.model.headerData(OfferTableModel::name, Qt::Horizontal, Qt::ToolTipRole).isValid());
    }

    void arranged_fitsValuesAndTitlesThenSharesTheRest_data() {
        QTest::addColumn<int>("available");
        QTest::addColumn<QList<int>>("content");
        QTest::addColumn<QList<int>>("titles");
        QTest::addColumn<QList<int>>("chosen"); // -1: automatic, -2: hidden
        QTest::addColumn<QList<int>>("widths");
        const QList<int> small{50, 50, 0, 50, 50, 50, 50, 50};
        const QList<int> smallTitles(8, 40);
        const QList<int> content{100, 170, 0, 120, 40, 50, 60, 70};
        const QList<int> titles{110, 70, 100, 45, 55, 70, 90, 80};
        const QList<int> automatic(8, -1);
        QTest::newRow("roomy: the plain proportions")
            << 1000 << small << smallTitles << automatic << QList<int>{100, 110, 330, 100, 70, 80, 100, 110};
        QTest::newRow("a long article keeps its width, the rest is shared")
            << 1000 << QList<int>{50, 200, 0, 50, 50, 50, 50, 50} << smallTitles << automatic
            << QList<int>{90, 200, 297, 89, 63, 72, 90, 99};
        QTest::newRow("narrow: the name gives first")
            << 800 << content << titles << automatic << QList<int>{110, 170, 105, 120, 55, 70, 90, 80};
        QTest::newRow("narrower: titles give when nothing else can")
            << 700 << content << titles << automatic << QList<int>{100, 170, 90, 120, 40, 50, 60, 70};
        QTest::newRow("too narrow: name, stock, risk and supplier give way, the others keep their titles")
            << 600 << content << titles << automatic << QList<int>{110, 170, 42, 120, 28, 70, 28, 32};
        QTest::newRow("narrower still: they keep their least width, the table gets wider")
            << 500 << content << titles << automatic << QList<int>{100, 170, 28, 120, 28, 50, 28, 28};
        QTest::newRow("a hidden column's room goes to the others")
            << 1000 << small << smallTitles << QList<int>{-1, -1, -1, -1, -1, -1, -2, -1}
            << QList<int>{111, 122, 367, 111, 78, 89, 0, 122};
        QTest::newRow("a dragged column keeps its width")
            << 1000 << small << smallTitles << QList<int>{300, -1, -1, -1, -1, -1, -1, -1}
            << QList<int>{300, 86, 256, 78, 54, 63, 77, 86};
        QTest::newRow("a dragged column gives back down to its needs")
            << 800 << content << titles << QList<int>{200, -1, -1, -1, -1, -1, -1, -1}
            << QList<int>{115, 170, 100, 120, 55, 70, 90, 80};
    }

    void arranged_fitsValuesAndTitlesThenSharesTheRest() {
        QFETCH(int, available);
        QFETCH(QList<int>, content);
        QFETCH(QList<int>, titles);
        QFETCH(QList<int>, chosen);
        QFETCH(QList<int>, widths);
        PFOfferWidths::Columns columns;
        for (int i = 0; i < PFOfferWidths::columnCount; ++i) {
            auto& c = columns[static_cast<size_t>(i)];
            c.content = content[i];
            c.title = titles[i];
            if (chosen[i] >= 0)
                c.chosen = chosen[i];
            c.hidden = chosen[i] == -2;
        }
        const PFOfferWidths result = PFOfferWidths::arranged(available, columns);
        QCOMPARE(QList<int>(result.widths.begin(), result.widths.end()), widths);
    }

    void colours_supplierNamesKeepTheirHue_highlightedPortalRowIsTinted() {
        ModelHarness h;
        h.model.setRows(threeOffers(), 0.0);
        const QPalette original = QGuiApplication::palette();
        const QColor autoEuro(35, 91, 232);
        for (const QColor base : {QColor(Qt::white), QColor(30, 30, 30)}) {
            QPalette palette = original;
            palette.setColor(QPalette::Base, base);
            QGuiApplication::setPalette(palette);
            const QColor name =
                h.model.data(h.model.index(0, OfferTableModel::supplier), Qt::ForegroundRole).value<QColor>();
            QCOMPARE(name.hslHue(), autoEuro.hslHue());
            // Far from the background in lightness, and less saturated than a link.
            QVERIFY2(std::abs(name.lightnessF() - base.lightnessF()) > 0.5, qPrintable(name.name()));
            QVERIFY(name.hslSaturationF() < autoEuro.hslSaturationF());
        }
        QGuiApplication::setPalette(original);

        // A highlighted portal row is tinted.
        const QColor tint = h.model.data(h.model.index(2, OfferTableModel::name), Qt::BackgroundRole).value<QColor>();
        QCOMPARE(tint.rgb(), QColor(0xF1, 0xDD, 0x18).rgb());
        QVERIFY(tint.alpha() > 0 && tint.alpha() < 255);
        // The tint spans the whole row, cart column included; other rows keep the alternating shade.
        QVERIFY(h.model.data(h.model.index(2, OfferTableModel::cart), Qt::BackgroundRole).isValid());
        QVERIFY(!h.model.data(h.model.index(0, OfferTableModel::name), Qt::BackgroundRole).isValid());
    }

    void askedForPart_isMarked_rowTooltipNamesTheWarehouse() {
        ModelHarness h;
        SupplierOffer asked =
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("a")).article(QStringLiteral("oc-90"));
        asked.warehouse = QStringLiteral("Москва, склад партнёра");
        const SupplierOffer analogue =
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("b")).article(QStringLiteral("W 712/75"));
        h.model.setRows({asked, analogue}, 0.0);
        h.model.setSearchedArticle(QStringLiteral("OC 90"));
        const auto font = [&](int row) {
            return h.model.data(h.model.index(row, OfferTableModel::article), Qt::FontRole).value<QFont>();
        };
        QVERIFY(font(0).bold());
        QVERIFY(!font(1).bold());
        QCOMPARE(h.text(0, OfferTableModel::article, Qt::ToolTipRole),
                 QStringLiteral("Искомый артикул\nСклад: Москва, склад партнёра\nНажмите, чтобы скопировать: oc-90"));
        QVERIFY(h.text(0, OfferTableModel::supplier, Qt::ToolTipRole).contains(QStringLiteral("Склад: Москва")));
        QCOMPARE(h.text(1, OfferTableModel::article, Qt::ToolTipRole),
                 QStringLiteral("Нажмите, чтобы скопировать: W 712/75"));
        // The price's hover text names what a click copies: the marked-up number.
        h.model.setRows(threeOffers(), 10.0);
        QVERIFY(h.text(0, OfferTableModel::price, Qt::ToolTipRole)
                    .endsWith(QStringLiteral("Нажмите, чтобы скопировать: 1400")));
    }

    void copy_numbersTakeTheLocalesMarkUnlessThePointIsChosen_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("withPoint");
        QTest::addColumn<QString>("row");
        QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia) << false
                                 << QStringLiteral("MANN\tW 712/75\tФильтр масляный\t1234,50\t—\t—\t3,46%\tAutoEuro");
        QTest::newRow("Russian, with the point")
            << QLocale(QLocale::Russian, QLocale::Russia) << true
            << QStringLiteral("MANN\tW 712/75\tФильтр масляный\t1234.50\t—\t—\t3.46%\tAutoEuro");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << false
                                 << QStringLiteral("MANN\tW 712/75\tФильтр масляный\t1234.50\t—\t—\t3.46%\tAutoEuro");
    }

    // A single price pasted into a spreadsheet of the buyer's locale is a number there; the
    // hover text says which form a click copies.
    void copy_numbersTakeTheLocalesMarkUnlessThePointIsChosen() {
        QFETCH(QLocale, locale);
        QFETCH(bool, withPoint);
        QFETCH(QString, row);
        const QLocale before;
        QLocale::setDefault(locale);
        ModelHarness h;
        h.defaults->setBool(UserDefaultsKeys::copyNumbersWithPoint, withPoint);
        h.model.setCopySettings(h.defaults.get());
        h.model.setRows(threeOffers(), 0.0);
        QCOMPARE(h.model.rowCopyText(0), row);
        const QString price = row.split(u'\t').at(OfferTableModel::price);
        QCOMPARE(h.text(0, OfferTableModel::price, OfferTableModel::CopyValueRole), price);
        QVERIFY(h.text(0, OfferTableModel::price, Qt::ToolTipRole).endsWith(QStringLiteral("скопировать: ") + price));
        QCOMPARE(h.text(0, OfferTableModel::price), QStringLiteral("1234,50 руб."));
        QLocale::setDefault(before);
    }
};

QTEST_MAIN(OfferTableModelTest)
#include "tst_OfferTableModel.moc"
