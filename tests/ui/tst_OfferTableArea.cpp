#include "app/AppServices.h"
#include "search/SearchHistory.h"
#include "ui/FiltersBarView.h"
#include "ui/NotificationOverlay.h"
#include "ui/PFOfferWidths.h"
#include "ui/SearchHistoryPopup.h"
#include "ui/StatusRowView.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The window over AutoEuro alone with three KNECHT OC 90 at 1000.50, 1001.50 and 1002.50.
struct Harness : WindowHarness {
    Harness() {
        for (int i = 0; i < 3; ++i)
            fakes.autoEuro.offers.append(
                knechtOC90(u"autoeuro"_s, QString::number(i), QByteArray::number(1000 + i).append(".5").constData()));
        prefs.setAutopiterEnabled(false);
        open();
    }
    SearchHistoryPopup& history() const { return *content().historyPopup(); }
};

} // namespace

class OfferTableAreaTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pickedRows_copyAsSpreadsheetRows_aClickStillCopiesItsCell_exportSavesShownOrAll() {
        Harness h;
        for (int i = 3; i < 6; ++i) // six offers of one group: three of them useful
            h.fakes.autoEuro.offers.append(knechtOC90(u"autoeuro"_s, QString::number(i), "2000"));
        QVERIFY(h.search(u"OC 90"_s));
        QCOMPARE(h.content().tableModel()->rowCount(), 3);
        h.clickCell(0, OfferTableModel::article);
        QCOMPARE(QApplication::clipboard()->text(), u"OC 90"_s);
        h.clickCell(2, OfferTableModel::brand, Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"OC 90"_s); // a Shift click picks, it does not copy
        QTest::keyClick(&h.table(), Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith(u"Производитель\tАртикул\tНаименование\tЦена\t"_s));
        // Numbers with the copy's decimal mark, as a single value is copied (the C locale's point here).
        QCOMPARE(lines[1].split(u'\t').mid(0, 5),
                 (QStringList{u"KNECHT"_s, u"OC 90"_s, u"Фильтр масляный"_s, u"1000.50"_s, u"руб."_s}));
        QCOMPARE(h.content().overlay()->message(), u"Скопировано строк: 3"_s);

        // A plain click drops the picked rows: Ctrl+C copies the current cell again.
        h.clickCell(1, OfferTableModel::price);
        QCOMPARE(QApplication::clipboard()->text(), u"1001.50"_s);
        QTest::keyClick(&h.table(), Qt::Key_Right);
        QTest::keyClick(&h.table(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"—"_s);
        QVERIFY(h.table().selectionModel()->selectedRows().isEmpty());

        QTemporaryDir dir;
        // The export saves the shown rows or every offer.
        const auto exported = [&](bool all) {
            const QString path = dir.filePath(all ? u"all.csv"_s : u"shown.csv"_s);
            if (h.content().exportOffers(all, path))
                return QStringList();
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return QString::fromUtf8(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        };
        QCOMPARE(exported(false).size(), 1 + 3);
        QCOMPARE(exported(true).size(), 1 + 6);
        QVERIFY(h.content().exportButton()->isVisible());
    }

    void statusRow_switchesUsefulAndAllOffers_andRemembersTheRiskFilter() {
        WindowHarness h;
        // Five offers of one group: safe is cheapest and least risky, unknown the fastest, risky fills the third place.
        h.fakes.autoEuro.offers = {OfferBuilder(u"autoeuro"_s, u"safe"_s).price("100").rejectRate("5"),
                                   OfferBuilder(u"autoeuro"_s, u"risky"_s).price("200").rejectRate("80"),
                                   OfferBuilder(u"autoeuro"_s, u"unknown"_s).price("300").delivery(u"1 дн."_s),
                                   OfferBuilder(u"autoeuro"_s, u"d"_s).price("400").rejectRate("90"),
                                   OfferBuilder(u"autoeuro"_s, u"e"_s).price("500").rejectRate("95")};
        h.open();
        QVERIFY(h.search(u"W 712/75"_s));
        StatusRowView* row = h.content().statusRow();
        FiltersBarView* filters = h.content().filtersBar();
        QCOMPARE(h.model().rowCount(), 3);
        QCOMPARE(row->usefulHiddenLabel()->text(), u"· скрыто менее подходящих: 2"_s);
        QTest::mouseClick(row->toggleButton(), Qt::LeftButton);
        QCOMPARE(h.model().rowCount(), 5);
        QCOMPARE(row->toggleButton()->text(), u"Показать полезные"_s);
        QTest::mouseClick(row->toggleButton(), Qt::LeftButton);
        QCOMPARE(h.model().rowCount(), 3);

        QVERIFY(!filters->thresholdSlider()->isVisible());
        filters->rejectFilterCheckBox()->click();
        QCOMPARE(h.column(OfferTableModel::risk), (QStringList{u"5.00%"_s, u"—"_s}));
        QCOMPARE(row->rejectHiddenLabel()->text(), u"· по риску: 1"_s);
        QCOMPARE(filters->thresholdSlider()->value(), 30);
        QCOMPARE(filters->allowedRiskLabel()->text(), u"≤ 70%"_s);
        // Stricter: only the offer of unknown risk is left.
        filters->thresholdSlider()->setValue(98);
        QCOMPARE(h.column(OfferTableModel::risk), QStringList{u"—"_s});
        QCOMPARE(filters->allowedRiskLabel()->text(), u"≤ 2%"_s);

        // A new window reads both back.
        h.window.reset();
        h.open();
        QVERIFY(h.search(u"W 712/75"_s));
        row = h.content().statusRow();
        filters = h.content().filtersBar();
        QVERIFY(filters->rejectFilterCheckBox()->isChecked());
        QCOMPARE(filters->thresholdSlider()->value(), 98);
        QCOMPARE(h.model().rowCount(), 1);
        filters->rejectFilterCheckBox()->click();
        QCOMPARE(h.model().rowCount(), 3);
        QVERIFY(!filters->thresholdSlider()->isVisible() && !row->rejectHiddenLabel()->isVisible());
        QCOMPARE(h.defaults->boolValue(UserDefaultsKeys::rejectFilterEnabled), std::optional<bool>(false));
    }

    void stockFilter_outOfStockRowsAreGreyed_andTheFilterHidesThem_andIsKept() {
        WindowHarness h;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"none"_s, "100"),
                                   knechtOC90(u"autoeuro"_s, u"five"_s, "200"),
                                   knechtOC90(u"autoeuro"_s, u"unstated"_s, "300")};
        h.fakes.autoEuro.offers[0].availableQuantity = 0;
        h.fakes.autoEuro.offers[1].availableQuantity = 5;
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        const QModelIndex stock = h.model().index(0, OfferTableModel::quantity);
        QCOMPARE(stock.data().toString(), u"нет в наличии"_s);
        QCOMPARE(stock.data(OfferTableModel::CopyValueRole).toString(), u"0"_s);
        const QColor grey = QGuiApplication::palette().color(QPalette::PlaceholderText);
        QCOMPARE(h.model().index(0, OfferTableModel::supplier).data(Qt::ForegroundRole).value<QColor>(), grey);
        QVERIFY(h.model().index(1, OfferTableModel::brand).data(Qt::ForegroundRole).value<QColor>() != grey);

        h.content().filtersBar()->inStockCheckBox()->click();
        QCOMPARE(h.column(OfferTableModel::price), (QStringList{u"200,00 руб."_s, u"300,00 руб."_s}));
        QCOMPARE(h.content().statusRow()->stockHiddenLabel()->text(), u"· нет в наличии: 1"_s);
        h.window.reset();
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(h.content().filtersBar()->inStockCheckBox()->isChecked());
        QCOMPARE(h.model().rowCount(), 2);
    }

    void deliveryFilter_hidesSlowerOffers_keepsUnknownOnes_andIsKept() {
        WindowHarness h;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"1"_s, "100"), knechtOC90(u"autoeuro"_s, u"5"_s, "200"),
                                   knechtOC90(u"autoeuro"_s, u"unknown"_s, "300")};
        h.fakes.autoEuro.offers[0].deliveryDescription = u"1 дн."_s;
        h.fakes.autoEuro.offers[1].deliveryDescription = u"5 дн."_s;
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        FiltersBarView* filters = h.content().filtersBar();
        filters->deliveryDaysBox()->setValue(4);
        QCOMPARE(h.model().rowCount(), 3); // the days alone change nothing while the filter is off
        filters->deliveryCheckBox()->click();
        QCOMPARE(h.column(OfferTableModel::delivery), (QStringList{u"1 дн."_s, u"—"_s}));
        QCOMPARE(h.content().statusRow()->deliveryHiddenLabel()->text(), u"· по сроку: 1"_s);
        filters->deliveryDaysBox()->setValue(5);
        QCOMPARE(h.model().rowCount(), 3);
        filters->deliveryDaysBox()->setValue(2);
        h.window.reset();
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(h.content().filtersBar()->deliveryCheckBox()->isChecked());
        QCOMPARE(h.content().filtersBar()->deliveryDaysBox()->value(), 2);
        QCOMPARE(h.model().rowCount(), 2);
    }

    void pinnedRows_standAboveADividerThatNamesTheSort() {
        WindowHarness h;
        // Ten AutoEuro rows, each its own article and cheaper than the two Autopiter rows.
        for (int i = 0; i < 10; ++i)
            h.fakes.autoEuro.offers << OfferBuilder(u"autoeuro"_s, QString::number(i))
                                           .article(u"A"_s + QString::number(i))
                                           .price(QByteArray::number(100 + i).constData());
        h.fakes.autopiter.offers = {OfferBuilder(u"autopiter"_s, u"p"_s).price("500")};
        h.open();
        QVERIFY(h.search(u"A1"_s));
        // The first three of AutoEuro and Autopiter's row, then the rest by price.
        QCOMPARE(h.table().pinnedDividerRow(), 4);
        QCOMPARE(h.table().pinnedDividerCaption(), u"Остальные предложения — по столбцу «Цена» ▲"_s);
        QVERIFY(h.table().rowHeight(4) > h.table().rowHeight(3));
        h.clickHeader(OfferTableModel::price);
        QCOMPARE(h.table().pinnedDividerCaption(), u"Остальные предложения — по столбцу «Цена» ▼"_s);
    }

    void arrivingRows_keepTheBuyersRowCurrent_andAreTintedForAMoment() {
        Harness h;
        QVERIFY(h.search(u"OC 90"_s));
        h.clickCell(2, OfferTableModel::price);
        const QString picked = h.model().offer(2).id();
        // A slower supplier's cheaper rows come in above the buyer's row.
        QList<SupplierOffer> offers = h.model().rows();
        offers << knechtOC90(u"autopiter"_s, u"a"_s, "900") << knechtOC90(u"autopiter"_s, u"b"_s, "901");
        h.content().tableArea()->setOffers(offers, u"OC 90"_s, true);
        QCOMPARE(h.model().rowCount(), 5);
        QCOMPARE(h.model().offer(h.table().currentIndex().row()).id(), picked);
        QVERIFY(h.model().isArrived(0) && !h.model().isArrived(4));
        QTRY_VERIFY_WITH_TIMEOUT(!h.model().isArrived(0), 3000);
    }

    void header_clicksSort_draggedWidthIsRemembered_doubleClickGivesItBack() {
        WindowHarness h;
        h.fakes.autoEuro.offers = {OfferBuilder(u"autoeuro"_s, u"1"_s).brand(u"MANN"_s).price("300"),
                                   OfferBuilder(u"autoeuro"_s, u"2"_s).brand(u"BOSCH"_s).price("100"),
                                   OfferBuilder(u"autoeuro"_s, u"3"_s).brand(u"KNECHT"_s).price("200")};
        h.open();
        QVERIFY(h.search(u"W 712/75"_s));
        const QStringList ascending{u"BOSCH"_s, u"KNECHT"_s, u"MANN"_s};
        QCOMPARE(h.column(OfferTableModel::brand), ascending);
        OfferHeaderView* header = h.table().offerHeader();
        h.clickHeader(OfferTableModel::price);
        QCOMPARE(h.column(OfferTableModel::brand), (QStringList{u"MANN"_s, u"KNECHT"_s, u"BOSCH"_s}));
        QVERIFY(!header->sortAscending());
        // The name column is not sortable: nothing moves.
        h.clickHeader(OfferTableModel::name);
        QCOMPARE(header->sortSection(), int(OfferTableModel::price));
        h.clickHeader(OfferTableModel::brand);
        QCOMPARE(h.column(OfferTableModel::brand), ascending);
        QCOMPARE(header->sortSection(), int(OfferTableModel::brand));

        const int automatic = header->sectionSize(OfferTableModel::brand);
        const auto mouse = [&](QEvent::Type type, int x) {
            QMouseEvent event(type, QPointF(x, header->height() / 2.0), header->viewport()->mapToGlobal(QPointF()),
                              Qt::LeftButton, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
            QApplication::sendEvent(header->viewport(), &event);
        };
        // The border between brand and article, dragged 40 pixels to the right.
        const int border = header->sectionViewportPosition(OfferTableModel::article);
        mouse(QEvent::MouseButtonPress, border);
        mouse(QEvent::MouseMove, border + 20);
        mouse(QEvent::MouseMove, border + 40);
        mouse(QEvent::MouseButtonRelease, border + 40);
        QCOMPARE(header->sectionSize(OfferTableModel::brand), automatic + 40);
        // The cart column is still in view: another column gave the room.
        QVERIFY(h.table().columnViewportPosition(OfferTableModel::cart) +
                    h.table().columnWidth(OfferTableModel::cart) <=
                h.table().viewport()->width());

        // A new window keeps it.
        h.window.reset();
        h.open();
        QVERIFY(h.search(u"W 712/75"_s));
        header = h.table().offerHeader();
        QCOMPARE(header->sectionSize(OfferTableModel::brand), automatic + 40);

        // A double-click on the border gives the column back to the automatic width.
        mouse(QEvent::MouseButtonDblClick, header->sectionViewportPosition(OfferTableModel::article));
        QCOMPARE(header->sectionSize(OfferTableModel::brand), automatic);
        QVERIFY(!h.defaults->contains(OfferTableArea::columnWidthsKey));

        // The header's menu hides a column (not the article) and brings it back; a new window keeps it hidden.
        const auto toggleFromMenu = [&h](int column) {
            OfferHeaderView* header = h.table().offerHeader();
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    header->viewport()->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(header->viewport(), &event);
            QMenu* menu = header->findChild<QMenu*>();
            QVERIFY(menu && !menu->actions().at(OfferTableModel::article)->isEnabled());
            menu->actions().at(column)->trigger();
            delete menu;
        };
        toggleFromMenu(OfferTableModel::supplier);
        QVERIFY(h.table().isColumnHidden(OfferTableModel::supplier));
        h.window.reset();
        h.open();
        QVERIFY(h.search(u"W 712/75"_s));
        QVERIFY(h.table().isColumnHidden(OfferTableModel::supplier));
        toggleFromMenu(OfferTableModel::supplier);
        QVERIFY(!h.table().isColumnHidden(OfferTableModel::supplier));
    }

    void widthSweep_cartColumnShows_keyColumnsWhole_data() {
        QTest::addColumn<QString>("article");
        QTest::newRow("oil filter, long original article") << u"OC 90"_s;
        QTest::newRow("air filter, prices over 1000") << u"C 27 009"_s;
    }

    // Against the demo catalogue, as a new user sees it: usable down to half a 1366-px screen.
    void widthSweep_cartColumnShows_keyColumnsWhole() {
        QFETCH(QString, article);
        TestEnvironment env;
        AppServices::Options options;
        options.demo = true;
        options.demoLatencyMs = 0;
        AppServices services(options);
        QVERIFY(services.demoSuppliersRunning());
        MainWindow window(services.supplierPreferences(), services.searchConnectors(), services.userDefaults(),
                          services.cartStore());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ContentView& content = *window.contentView();
        QSignalSpy finished(&window.viewModel(), &SearchViewModel::searchFinished);
        QTest::keyClicks(content.searchField(), article);
        QTest::keyClick(content.searchField(), Qt::Key_Return);
        QVERIFY(finished.wait(15000));
        if (content.statusRow()->toggleButton()->isVisible())
            content.statusRow()->toggleButton()->click(); // every offer, not only the useful ones
        OfferTableView& table = *content.tableView();
        OfferTableModel& model = *content.tableModel();
        QVERIFY(model.rowCount() > 5);

        window.resize(1, window.height());
        QTRY_VERIFY(window.width() > 1);
        const int minimum = window.width();
        QVERIFY2(minimum <= 683, qPrintable(QString::number(minimum)));
        const int margin = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 1);
        for (const int width : {minimum, 683, 900, 1280}) {
            window.resize(width, window.height());
            QTRY_COMPARE(window.width(), width);
            QApplication::processEvents();
            const QString at = u"at %1 px: "_s.arg(width);
            QVERIFY2(table.horizontalScrollBar()->maximum() == 0, qPrintable(at + u"scrolls sideways"_s));
            QVERIFY2(table.columnViewportPosition(OfferTableModel::cart) + table.columnWidth(OfferTableModel::cart) <=
                         table.viewport()->width(),
                     qPrintable(at + u"cart column cut"_s));
            for (int r = 0; r < model.rowCount(); ++r) {
                for (const int column : {int(OfferTableModel::brand), int(OfferTableModel::article),
                                         int(OfferTableModel::price), int(OfferTableModel::delivery)}) {
                    const QModelIndex index = model.index(r, column);
                    const QString text = index.data().toString();
                    const int needed =
                        QFontMetrics(index.data(Qt::FontRole).value<QFont>()).horizontalAdvance(text) + margin;
                    QVERIFY2(needed <= table.columnWidth(column), qPrintable(at + text + u" is cut"_s));
                }
            }
            if (width < 900)
                continue;
            for (int c = 0; c < PFOfferWidths::columnCount; ++c)
                QCOMPARE(table.offerHeader()->shownTitle(c), OfferTableModel::columnTitle(c));
        }
    }
    void history_offeredAsTyped_andWithDown_beside_theTableDown() {
        Harness h;
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(h.search(u"W 712/75"_s));
        QCOMPARE(SearchHistory(*h.defaults).entries().first().article, u"W 712/75"_s);
        // The searched article is selected: the next one typed replaces it.
        QCOMPARE(h.field().selectedText(), u"W 712/75"_s);

        // Typing offers what holds the typed letters and digits, with when and how much was found.
        h.field().clear();
        QTest::keyClicks(&h.field(), u"oc9"_s);
        QVERIFY(h.history().isShown());
        QCOMPARE(h.history().list()->topLevelItemCount(), 1);
        QCOMPARE(h.history().list()->topLevelItem(0)->text(0), u"OC 90"_s);
        QVERIFY(h.history().list()->topLevelItem(0)->text(1).endsWith(u"предложений: 3"_s));
        // Esc closes the list first; the Down that opens it again picks its first entry; Return searches it.
        QTest::keyClick(&h.field(), Qt::Key_Escape);
        QVERIFY(!h.history().isShown());
        QTest::keyClick(&h.field(), Qt::Key_Down);
        QVERIFY(h.history().isShown());
        QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        QTest::keyClick(&h.field(), Qt::Key_Return);
        QVERIFY(!h.history().isShown());
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(h.window->viewModel().searchedArticle(), u"OC 90"_s);
        QCOMPARE(SearchHistory(*h.defaults).entries().first().article, u"OC 90"_s);

        // With the table's own article in the field Down goes to the rows; with the field emptied, to the history.
        QTest::keyClick(&h.field(), Qt::Key_Down);
        QVERIFY(h.table().hasFocus());
        QVERIFY(!h.history().isShown());
        h.content().focusSearchField();
        QTest::keyClick(&h.field(), Qt::Key_Backspace);
        QTest::keyClick(&h.field(), Qt::Key_Down);
        QVERIFY(h.history().isShown());
        QCOMPARE(h.history().list()->topLevelItemCount(), 2);
        // A click into the empty field opens it too.
        QTest::keyClick(&h.field(), Qt::Key_Escape);
        QTest::mouseClick(&h.field(), Qt::LeftButton);
        QVERIFY(h.history().isShown());
        // Return with no entry picked searches what is typed.
        QTest::keyClicks(&h.field(), u"OP 520"_s);
        QSignalSpy typedFinished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        QTest::keyClick(&h.field(), Qt::Key_Return);
        QVERIFY(!h.history().isShown());
        QCOMPARE(h.window->viewModel().searchedArticle(), u"OP 520"_s);
        QVERIFY(typedFinished.wait(5000));
    }
};

QTEST_MAIN(OfferTableAreaTest)
#include "tst_OfferTableArea.moc"
