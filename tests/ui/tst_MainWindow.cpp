#include "app/AppServices.h"
#include "cart/CartStore.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "search/SearchViewModel.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/ContentView.h"
#include "ui/MainWindow.h"
#include "ui/NotificationOverlay.h"
#include "ui/OfferHeaderView.h"
#include "ui/OfferTableModel.h"
#include "ui/OfferTableView.h"
#include "ui/PFOfferWidths.h"
#include "ui/SearchMoodView.h"
#include "ui/StatusRowView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <memory>

namespace {

using Sheet = ContentView::Sheet;
using Page = ContentView::Page;

SupplierOffer filter(const QString& supplier, const QString& key, const char* price) {
    return OfferBuilder(supplier, key).price(price).article(QStringLiteral("OC 90")).brand(QStringLiteral("KNECHT"));
}

// The real window over a private settings file and fake suppliers (AutoEuro and Autopiter
// are enabled by default, the portal is not).
struct WindowHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SupplierPreferences prefs{*defaults};
    CartStore cart{*defaults};
    FakeConnectorFactory fakes;
    std::unique_ptr<MainWindow> window;

    void open() {
        window = std::make_unique<MainWindow>(prefs, fakes, *defaults, cart);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    ContentView& content() const { return *window->contentView(); }
    OfferTableView& table() const { return *content().tableView(); }
    OfferTableModel& model() const { return *content().tableModel(); }

    // Types the article and presses Return, as the user does.
    void submit(const QString& article) {
        QLineEdit* field = content().searchField();
        field->clear();
        QTest::keyClicks(field, article);
        QTest::keyClick(field, Qt::Key_Return);
    }
    bool search(const QString& article) {
        QSignalSpy finished(&window->viewModel(), &SearchViewModel::searchFinished);
        submit(article);
        return finished.wait(5000);
    }
    void clickCell(int row, int column) const {
        const QRect rect = table().visualRect(model().index(row, column));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, rect.center());
    }
    void clickHeader(int column) const {
        OfferHeaderView* header = table().offerHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QStringList column(int column) const {
        QStringList values;
        for (int r = 0; r < model().rowCount(); ++r)
            values << model().data(model().index(r, column)).toString();
        return values;
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUp_showsTitlePlaceholderAndFocusedField();
    void search_showsMoodLineWhileLoadingThenStatusRowAndRows();
    void failedAndEmptySearches_showErrorOrPlaceholder();
    void clickingCells_copiesValuesAndReportsIt();
    void cartButton_addsOnceThenReportsTheDuplicate();
    void headerClicks_reverseThenSortByAnotherColumn();
    void showAllButton_switchesBetweenUsefulAndAllOffers();
    void riskFilter_hidesRiskyRows_andIsRemembered();
    void sheets_stayDisabledUntilAttached_andEscCloses();
    void moodLine_cyclesPhrasesAndDots();
    void closedWindow_isNotTouchedByPendingClearance();
    void tenThousandOffers_resortAndScroll();
    void demoMode_showsItsMark();
    void typingOrEnterDuringSearch_tableStaysWithTheSearchedArticle();
    void keyboardOnly_fromSearchFieldToCartLine();
    void escOrCancelButton_endsSearch_keepingAnsweredOffers();
    void draggedColumnWidth_isRemembered_doubleClickGivesItBack();
    void widthSweep_cartColumnShows_articlesAndPricesWhole_data();
    void widthSweep_cartColumnShows_articlesAndPricesWhole();
};

void MainWindowTest::startUp_showsTitlePlaceholderAndFocusedField() {
    WindowHarness h;
    h.open();
    QCOMPARE(h.window->windowTitle(),
             QStringLiteral("Orelia Результат проценки деталей ваших Поставщиков в одном окне"));
    QVERIFY(h.window->titleLabel()->isVisible());
    QVERIFY(h.window->titleLabel()->text().contains(QStringLiteral("Результат проценки")));
    QVERIFY(!h.window->demoMark()->isVisible());
    QCOMPARE(h.content().searchField()->placeholderText(), QStringLiteral("OEM / артикул"));
    QCOMPARE(h.content().currentPage(), Page::placeholder);
    const auto labels = h.content().placeholder()->findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* label : labels)
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("Введите OEM-номер или артикул")));
    QVERIFY(texts.contains(QStringLiteral("Результаты поиска появятся здесь.")));
    QVERIFY(!h.content().moodView()->isVisible());
    QVERIFY(!h.content().durationLabel()->isVisible());
    QTRY_VERIFY(h.content().searchField()->hasFocus());

    // Ctrl+L brings the keyboard back to the field from anywhere in the window.
    h.table().setFocus();
    QVERIFY(!h.content().searchField()->hasFocus());
    QTest::keyClick(h.window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(h.content().searchField()->hasFocus());
}

void MainWindowTest::search_showsMoodLineWhileLoadingThenStatusRowAndRows() {
    WindowHarness h;
    Gate gate;
    h.fakes.autoEuro.gate = &gate;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500"),
                               filter(QStringLiteral("autoeuro"), QStringLiteral("2"), "450")};
    h.fakes.autopiter.offers = {filter(QStringLiteral("autopiter"), QStringLiteral("9"), "480")};
    h.open();

    QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
    QWidget* pages = h.content().placeholder()->parentWidget();
    const QPoint fieldAt = h.content().searchField()->mapTo(h.window.get(), QPoint());
    const QPoint pagesAt = pages->mapTo(h.window.get(), QPoint());
    h.submit(QStringLiteral("  oc 90"));
    QVERIFY(h.window->viewModel().isLoading());
    QCOMPARE(h.fakes.autoEuro.requests, QStringList{QStringLiteral("OC 90")});
    QCOMPARE(h.content().searchField()->text(), QStringLiteral("OC 90"));
    QVERIFY(h.content().moodView()->isVisible());
    QVERIFY(h.content().moodView()->isRunning());
    QCOMPARE(h.content().moodView()->text(), QStringLiteral("Ищем оригинал и аналоги."));
    QCOMPARE(h.content().currentPage(), Page::empty);
    QCOMPARE(h.content().searchButton()->text(), QStringLiteral("Отменить"));
    // Nothing moves when the mood line comes: it kept its room.
    QCOMPARE(h.content().searchField()->mapTo(h.window.get(), QPoint()), fieldAt);
    QCOMPARE(pages->mapTo(h.window.get(), QPoint()), pagesAt);

    gate.open();
    QVERIFY(finished.wait(5000));
    QVERIFY(!h.content().moodView()->isVisible());
    QVERIFY(!h.content().moodView()->isRunning());
    QCOMPARE(h.content().currentPage(), Page::results);
    QVERIFY(h.content().statusRow()->isVisible());
    QCOMPARE(h.content().statusRow()->summaryLabel()->text(), QStringLiteral("Найдено: 3 · показано: 3"));
    QVERIFY(!h.content().statusRow()->toggleButton()->isVisible());
    QVERIFY(!h.content().statusRow()->thresholdSlider()->isVisible());
    // Cheapest first, the first three of each supplier ahead of the rest.
    QCOMPARE(
        h.column(OfferTableModel::price),
        (QStringList{QStringLiteral("450,00 руб."), QStringLiteral("500,00 руб."), QStringLiteral("480,00 руб.")}));
    QVERIFY(h.content().durationLabel()->isVisible());
    QVERIFY(h.content().durationLabel()->text().startsWith(QStringLiteral("Поиск: ")));
    QCOMPARE(h.content().searchButton()->text(), QStringLiteral("Найти"));
    QCOMPARE(h.content().searchField()->mapTo(h.window.get(), QPoint()), fieldAt);
    QCOMPARE(pages->mapTo(h.window.get(), QPoint()), pagesAt);
    // The line above the table says what the rows are.
    QCOMPARE(h.content().resultLine()->text(), QStringLiteral("<b>OC 90</b> — найдено предложений: 3"));

    // "Найти" searches again; the table empties while loading.
    Gate second;
    h.fakes.autoEuro.gate = &second;
    QTest::mouseClick(h.content().searchButton(), Qt::LeftButton);
    QCOMPARE(h.content().currentPage(), Page::empty);
    QCOMPARE(h.model().rowCount(), 0);
    QCOMPARE(h.content().moodView()->text(), QStringLiteral("Ищем оригинал и аналоги."));
    second.open();
    QVERIFY(finished.wait(5000));
    QCOMPARE(h.model().rowCount(), 3);
}

void MainWindowTest::failedAndEmptySearches_showErrorOrPlaceholder() {
    WindowHarness h;
    h.fakes.autoEuro.error = QStringLiteral("Неверный API-ключ.");
    h.fakes.autopiter.error = QStringLiteral("Сервис недоступен.");
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QCOMPARE(h.content().currentPage(), Page::error);
    QCOMPARE(h.content().errorLabel()->text(),
             QStringLiteral("AutoEuro: Неверный API-ключ.\nAutopiter: Сервис недоступен."));
    QVERIFY(h.content().errorLabel()->isVisible());
    QVERIFY(h.content().errorLabel()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));

    // Nothing found and nobody failed: the empty state's headline says so.
    h.fakes.autoEuro.error.reset();
    h.fakes.autopiter.error.reset();
    QVERIFY(h.search(QStringLiteral("XYZ")));
    QCOMPARE(h.content().currentPage(), Page::placeholder);
    QVERIFY(h.content().placeholderTitle()->isVisible());
    QCOMPARE(h.content().placeholderTitle()->text(), QStringLiteral("По артикулу XYZ предложения не найдены."));
    QVERIFY(!h.content().placeholderSubtitle()->isVisible());

    // One supplier fails while the other finds offers: the table shows, and the line above it
    // names the failure, with a warning mark.
    h.fakes.autopiter.error = QStringLiteral("Сервис недоступен.");
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500")};
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QCOMPARE(h.content().currentPage(), Page::results);
    QLabel* line = h.content().resultLine();
    QVERIFY(line->isVisible());
    QVERIFY(line->text().endsWith(QStringLiteral(". Autopiter: Сервис недоступен.")));
    QVERIFY(line->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    QVERIFY(h.content().resultWarningMark()->isVisible());
    h.fakes.autopiter.error.reset();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QVERIFY(!line->text().contains(QStringLiteral("Autopiter")));
    QVERIFY(!h.content().resultWarningMark()->isVisible());
}

void MainWindowTest::clickingCells_copiesValuesAndReportsIt() {
    WindowHarness h;
    h.defaults->setDouble(UserDefaultsKeys::markupPercent, 10.0);
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "1234.5")};
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));

    // The price copies the marked-up number without currency.
    h.clickCell(0, OfferTableModel::price);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1400"));
    QCOMPARE(h.content().copiedMessage(), std::optional<QString>(QStringLiteral("Скопировано: 1400")));
    QVERIFY(h.content().overlay()->isVisible());
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Скопировано: 1400"));
    // The box sits 16 points above the bottom edge.
    QCOMPARE(h.content().overlay()->geometry().bottom() + 1, h.content().height() - NotificationOverlay::bottomMargin);

    // A second copy replaces the message at once.
    h.clickCell(0, OfferTableModel::article);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("OC 90"));
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Скопировано: OC 90"));

    // Ctrl+C in the table copies the current cell; in the field it stays the field's own copy.
    h.table().setFocus();
    h.table().setCurrentIndex(h.model().index(0, OfferTableModel::brand));
    QTest::keyClick(h.table().viewport(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("KNECHT"));

    QTRY_VERIFY_WITH_TIMEOUT(!h.content().copiedMessage().has_value(), 5000);
    QVERIFY(!h.content().overlay()->isVisible());
}

void MainWindowTest::cartButton_addsOnceThenReportsTheDuplicate() {
    WindowHarness h;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500"),
                               filter(QStringLiteral("autoeuro"), QStringLiteral("2"), "700")};
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QCOMPARE(h.content().sheetButton(Sheet::cart)->text(), QStringLiteral("Открыть корзину (0)"));
    const QString clipboardBefore = QApplication::clipboard()->text();

    h.clickCell(0, OfferTableModel::cart);
    QCOMPARE(h.cart.items().size(), 1);
    QCOMPARE(h.cart.items().first().id, QStringLiteral("autoeuro|1"));
    QCOMPARE(h.content().cartMessage(), std::optional<QString>(QStringLiteral("Добавлено: KNECHT OC 90")));
    QCOMPARE(h.content().sheetButton(Sheet::cart)->text(), QStringLiteral("Открыть корзину (1)"));
    QCOMPARE(h.model().data(h.model().index(0, OfferTableModel::cart), Qt::ToolTipRole).toString(),
             QStringLiteral("Уже в корзине"));
    // The cart button copies nothing.
    QCOMPARE(QApplication::clipboard()->text(), clipboardBefore);

    h.clickCell(0, OfferTableModel::cart);
    QCOMPARE(h.cart.items().size(), 1);
    QCOMPARE(h.cart.totalItemCount(), 1);
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Предложение уже находится в корзине"));

    QTRY_VERIFY_WITH_TIMEOUT(!h.content().cartMessage().has_value(), 5000);
    QVERIFY(!h.content().overlay()->isVisible());
}

void MainWindowTest::headerClicks_reverseThenSortByAnotherColumn() {
    WindowHarness h;
    h.fakes.autoEuro.offers = {
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("1")).brand(QStringLiteral("MANN")).price("300"),
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("2")).brand(QStringLiteral("BOSCH")).price("100"),
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("3")).brand(QStringLiteral("KNECHT")).price("200")};
    h.open();
    QVERIFY(h.search(QStringLiteral("W 712/75")));
    const QStringList ascending{QStringLiteral("BOSCH"), QStringLiteral("KNECHT"), QStringLiteral("MANN")};
    QCOMPARE(h.column(OfferTableModel::brand), ascending);
    OfferHeaderView* header = h.table().offerHeader();
    QCOMPARE(header->sortSection(), int(OfferTableModel::price));
    QVERIFY(header->sortAscending());

    h.clickHeader(OfferTableModel::price);
    QCOMPARE(h.column(OfferTableModel::brand),
             (QStringList{QStringLiteral("MANN"), QStringLiteral("KNECHT"), QStringLiteral("BOSCH")}));
    QVERIFY(!header->sortAscending());

    // The name column is not sortable: nothing moves.
    h.clickHeader(OfferTableModel::name);
    QCOMPARE(header->sortSection(), int(OfferTableModel::price));
    QCOMPARE(h.column(OfferTableModel::brand).first(), QStringLiteral("MANN"));

    h.clickHeader(OfferTableModel::brand);
    QCOMPARE(h.column(OfferTableModel::brand), ascending);
    QCOMPARE(header->sortSection(), int(OfferTableModel::brand));
    QVERIFY(header->sortAscending());
}

void MainWindowTest::showAllButton_switchesBetweenUsefulAndAllOffers() {
    WindowHarness h;
    for (int i = 0; i < 5; ++i)
        h.fakes.autoEuro.offers.append(
            filter(QStringLiteral("autoeuro"), QString::number(i), QByteArray::number(100 + i).constData()));
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    StatusRowView* row = h.content().statusRow();
    QCOMPARE(h.model().rowCount(), 3);
    QCOMPARE(row->usefulHiddenLabel()->text(), QStringLiteral("· скрыто менее подходящих: 2"));
    QVERIFY(row->usefulHiddenLabel()->isVisible());
    QCOMPARE(row->toggleButton()->text(), QStringLiteral("Показать все"));

    QTest::mouseClick(row->toggleButton(), Qt::LeftButton);
    QCOMPARE(h.model().rowCount(), 5);
    QCOMPARE(row->summaryLabel()->text(), QStringLiteral("Найдено: 5 · показано: 5"));
    QVERIFY(!row->usefulHiddenLabel()->isVisible());
    QCOMPARE(row->toggleButton()->text(), QStringLiteral("Показать полезные"));

    QTest::mouseClick(row->toggleButton(), Qt::LeftButton);
    QCOMPARE(h.model().rowCount(), 3);
}

void MainWindowTest::riskFilter_hidesRiskyRows_andIsRemembered() {
    WindowHarness h;
    h.fakes.autoEuro.offers = {
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("safe")).rejectRate("5").price("100"),
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("risky")).rejectRate("80").price("200"),
        OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("unknown")).price("300")};
    h.open();
    QVERIFY(h.search(QStringLiteral("W 712/75")));
    StatusRowView* row = h.content().statusRow();
    QCOMPARE(h.model().rowCount(), 3);
    QVERIFY(!row->rejectFilterCheckBox()->isChecked());
    QCOMPARE(row->rejectFilterCheckBox()->text(), QStringLiteral("Скрывать высокий риск отказа"));

    row->rejectFilterCheckBox()->click();
    QCOMPARE(h.column(OfferTableModel::risk), (QStringList{QStringLiteral("5.00%"), QStringLiteral("—")}));
    QCOMPARE(row->rejectHiddenLabel()->text(), QStringLiteral("· по риску: 1"));
    QVERIFY(row->thresholdSlider()->isVisible());
    QCOMPARE(row->thresholdSlider()->value(), 30);
    QCOMPARE(row->allowedRiskLabel()->text(), QStringLiteral("≤ 70%"));
    QCOMPARE(row->thresholdSlider()->toolTip(),
             QStringLiteral("Вправо — строже: допустимая вероятность отказа уменьшается"));
    QCOMPARE(row->allowedRiskLabel()->toolTip(),
             QStringLiteral("Максимальная известная вероятность отказа, которую Orelia допускает"));

    // Stricter: only the offer of unknown risk is left.
    row->thresholdSlider()->setValue(98);
    QCOMPARE(h.column(OfferTableModel::risk), QStringList{QStringLiteral("—")});
    QCOMPARE(row->allowedRiskLabel()->text(), QStringLiteral("≤ 2%"));
    QCOMPARE(h.defaults->boolValue(UserDefaultsKeys::rejectFilterEnabled), std::optional<bool>(true));
    QCOMPARE(h.defaults->doubleValue(UserDefaultsKeys::rejectThreshold), std::optional<double>(98.0));

    // A new window reads both back.
    h.window.reset();
    h.open();
    QVERIFY(h.search(QStringLiteral("W 712/75")));
    row = h.content().statusRow();
    QVERIFY(row->rejectFilterCheckBox()->isChecked());
    QCOMPARE(row->thresholdSlider()->value(), 98);
    QCOMPARE(h.model().rowCount(), 1);

    row->rejectFilterCheckBox()->click();
    QCOMPARE(h.model().rowCount(), 3);
    QVERIFY(!row->thresholdSlider()->isVisible());
    QVERIFY(!row->rejectHiddenLabel()->isVisible());
    QCOMPARE(h.defaults->boolValue(UserDefaultsKeys::rejectFilterEnabled), std::optional<bool>(false));
}

void MainWindowTest::sheets_stayDisabledUntilAttached_andEscCloses() {
    WindowHarness h;
    h.open();
    for (const Sheet sheet : {Sheet::feedback, Sheet::settings, Sheet::cart}) {
        QVERIFY(!h.content().sheetButton(sheet)->isEnabled());
        QVERIFY(h.content().sheetButton(sheet)->toolTip().contains(QStringLiteral("пока недоступна")));
    }
    QCOMPARE(h.content().sheetButton(Sheet::feedback)->text(), QStringLiteral("Обратная связь"));
    QCOMPARE(h.content().sheetButton(Sheet::settings)->text(), QStringLiteral("Настройки"));

    // A sheet that changes the markup: the table follows when it closes.
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "1234.5")};
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QPointer<QDialog> opened;
    h.content().attachSheet(Sheet::settings, [&](QWidget* parent) {
        opened = new QDialog(parent);
        h.defaults->setDouble(UserDefaultsKeys::markupPercent, 10.0);
        return opened.data();
    });
    QVERIFY(h.content().sheetButton(Sheet::settings)->isEnabled());
    QTest::mouseClick(h.content().sheetButton(Sheet::settings), Qt::LeftButton);
    QVERIFY(opened);
    QVERIFY(h.content().isShowingSheet(Sheet::settings));
    QVERIFY(QTest::qWaitForWindowExposed(opened.data()));
    QTest::keyClick(opened.data(), Qt::Key_Escape);
    QVERIFY(!h.content().isShowingSheet(Sheet::settings));
    QTRY_VERIFY(!opened); // closed and deleted
    QCOMPARE(h.column(OfferTableModel::price), QStringList{QStringLiteral("1400 руб.")});

    // The markup shows by the status line, and a click on it opens the settings.
    QPushButton* markup = h.content().statusRow()->markupMark();
    QVERIFY(markup->isVisible());
    QCOMPARE(markup->text(), QStringLiteral("Наценка 10 %"));
    QTest::mouseClick(markup, Qt::LeftButton);
    QVERIFY(h.content().isShowingSheet(Sheet::settings));
    opened->reject();
    QCOMPARE(StatusRowView::markupText(12.5), QStringLiteral("Наценка 12,5 %"));
    h.defaults->setDouble(UserDefaultsKeys::markupPercent, 0.0);
    h.content().refreshTable();
    QVERIFY(!markup->isVisible());
}

void MainWindowTest::moodLine_cyclesPhrasesAndDots() {
    SearchMoodView mood;
    const QStringList& phrases = SearchMoodView::phrases();
    QCOMPARE(phrases.size(), 30);
    QCOMPARE(QSet<QString>(phrases.begin(), phrases.end()).size(), 30);
    QCOMPARE(phrases.last(), QStringLiteral("Orelia работает. Можно сохранять спокойствие"));

    mood.start();
    QVERIFY(mood.isRunning());
    QCOMPARE(mood.phraseIndex(), 0);
    QList<int> dots{mood.dotCount()};
    for (int i = 0; i < 4; ++i) {
        mood.advanceDots();
        dots << mood.dotCount();
    }
    QCOMPARE(dots, (QList<int>{1, 2, 3, 1, 2}));
    for (int i = 0; i < 29; ++i)
        mood.advancePhrase();
    QCOMPARE(mood.text(), phrases.last() + QStringLiteral(".."));
    mood.advancePhrase();
    QCOMPARE(mood.phraseIndex(), 0);

    // Every search starts over from the first phrase with one dot.
    mood.advancePhrase();
    mood.stop();
    QVERIFY(!mood.isRunning());
    mood.start();
    QCOMPARE(mood.text(), QStringLiteral("Ищем оригинал и аналоги."));

    // The real timers tick the dots faster than the phrases.
    QTRY_COMPARE_WITH_TIMEOUT(mood.dotCount(), 2, 3000);
    QCOMPARE(mood.phraseIndex(), 0);
}

void MainWindowTest::closedWindow_isNotTouchedByPendingClearance() {
    WindowHarness h;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500")};
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    h.clickCell(0, OfferTableModel::cart);
    h.clickCell(0, OfferTableModel::price);
    QVERIFY(h.content().overlay()->isVisible());
    h.window.reset();
    // Both clearances would have fired by now.
    QTest::qWait(ContentView::messageClearanceMs + 300);
    QCOMPARE(h.cart.items().size(), 1);
}

void MainWindowTest::tenThousandOffers_resortAndScroll() {
    WindowHarness h;
    for (int i = 0; i < 10000; ++i) {
        // Distinct articles: every offer is its own group and useful.
        h.fakes.autoEuro.offers.append(OfferBuilder(QStringLiteral("autoeuro"), QString::number(i))
                                           .article(QStringLiteral("A%1").arg(i))
                                           .price(QByteArray::number(1000 + (i * 7919) % 10000).constData()));
    }
    h.open();
    QVERIFY(h.search(QStringLiteral("A1")));
    QCOMPARE(h.model().rowCount(), 10000);
    const QString cheapest = h.model().data(h.model().index(0, OfferTableModel::price)).toString();
    h.clickHeader(OfferTableModel::price);
    QCOMPARE(h.model().rowCount(), 10000);
    QCOMPARE(h.model().data(h.model().index(9999, OfferTableModel::price)).toString(), cheapest);
    h.table().scrollToBottom();
    QCOMPARE(h.table().verticalScrollBar()->value(), h.table().verticalScrollBar()->maximum());
    QVERIFY(h.table().indexAt(QPoint(5, h.table().viewport()->height() - 5)).row() > 9900);
    h.clickCell(h.table().indexAt(QPoint(5, 5)).row(), OfferTableModel::supplier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("AutoEuro"));
}

void MainWindowTest::demoMode_showsItsMark() {
    WindowHarness h;
    h.open();
    h.window->setDemoMode(true);
    QVERIFY(h.window->demoMark()->isVisible());
    QCOMPARE(h.window->demoMark()->text(), QStringLiteral("Демо-режим"));
    h.window->setDemoMode(false);
    QVERIFY(!h.window->demoMark()->isVisible());
}

void MainWindowTest::typingOrEnterDuringSearch_tableStaysWithTheSearchedArticle() {
    WindowHarness h;
    Gate first;
    h.fakes.autoEuro.gate = &first;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500"),
                               OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("2"))
                                   .brand(QStringLiteral("MANN-FILTER"))
                                   .article(QStringLiteral("W 712/75"))
                                   .price("600")};
    h.open();
    QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
    QLineEdit* field = h.content().searchField();
    const auto askedForArticles = [&] {
        QStringList articles;
        for (int r = 0; r < h.model().rowCount(); ++r) {
            if (h.model().isAskedForPart(r))
                articles << h.model().offer(r).article;
        }
        return articles;
    };

    // Typed while the search runs, without Return: the rows stay under the article they belong to.
    h.submit(QStringLiteral("OC 90"));
    field->clear();
    QTest::keyClicks(field, QStringLiteral("W 712/75"));
    first.open();
    QVERIFY(finished.wait(5000));
    QCOMPARE(field->text(), QStringLiteral("W 712/75"));
    QCOMPARE(h.content().resultLine()->text(), QStringLiteral("<b>OC 90</b> — найдено предложений: 2"));
    QCOMPARE(askedForArticles(), QStringList{QStringLiteral("OC 90")});

    // Return while it runs: that article is searched as soon as the running search ends.
    Gate second;
    h.fakes.autoEuro.gate = &second;
    h.fakes.events.clear();
    h.submit(QStringLiteral("OC 90"));
    h.submit(QStringLiteral("C 27 009"));
    h.submit(QStringLiteral("W 712/75")); // only the last one counts
    QCOMPARE(h.fakes.autoEuro.requests.last(), QStringLiteral("OC 90"));
    second.open();
    QTRY_COMPARE(finished.size(), 3);
    QVERIFY(!h.window->viewModel().isLoading());
    QCOMPARE(h.fakes.autoEuro.requests.mid(1), (QStringList{QStringLiteral("OC 90"), QStringLiteral("W 712/75")}));
    // The next search starts only after both answers of the running one.
    const qsizetype next = h.fakes.events.indexOf(QStringLiteral("autoeuro start"), 1);
    QVERIFY(next > h.fakes.events.indexOf(QStringLiteral("autoeuro end")));
    QVERIFY(next > h.fakes.events.indexOf(QStringLiteral("autopiter end")));
    QCOMPARE(field->text(), QStringLiteral("W 712/75"));
    QCOMPARE(h.content().resultLine()->text(), QStringLiteral("<b>W 712/75</b> — найдено предложений: 2"));
    QCOMPARE(askedForArticles(), QStringList{QStringLiteral("W 712/75")});
}

void MainWindowTest::keyboardOnly_fromSearchFieldToCartLine() {
    WindowHarness h;
    for (int i = 0; i < 5; ++i)
        h.fakes.autoEuro.offers.append(
            filter(QStringLiteral("autoeuro"), QString::number(i), QByteArray::number(100 + i).constData()));
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QLineEdit* field = h.content().searchField();
    QVERIFY(field->hasFocus());

    // Tab walks the controls above the table, then into it, then out again.
    QWidgetList visited;
    for (int i = 0; i < 12 && QApplication::focusWidget() != &h.table(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QVERIFY(visited.contains(h.content().statusRow()->toggleButton()));
    QVERIFY(visited.contains(h.content().statusRow()->rejectFilterCheckBox()));
    QCOMPARE(QApplication::focusWidget(), &h.table());
    QTest::keyClick(&h.table(), Qt::Key_Tab);
    QVERIFY(!h.table().hasFocus());

    // Ctrl+F back to the field, Down into the rows, Down once more, Ctrl+Enter: into the cart.
    QTest::keyClick(h.window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Down);
    QVERIFY(h.table().hasFocus());
    QTest::keyClick(&h.table(), Qt::Key_Down);
    QCOMPARE(h.table().currentIndex().row(), 1);
    QCOMPARE(h.cart.totalItemCount(), 0);
    QTest::keyClick(&h.table(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(h.cart.totalItemCount(), 1);
    QCOMPARE(h.cart.items().first().id, h.model().offer(1).id());
    QCOMPARE(h.content().sheetButton(Sheet::cart)->text(), QStringLiteral("Открыть корзину (1)"));
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Добавлено: KNECHT OC 90"));
    QTest::keyClick(&h.table(), Qt::Key_Insert);
    QCOMPARE(h.cart.totalItemCount(), 1);
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Предложение уже находится в корзине"));

    // Ctrl+C copies the current cell; Right moves to the next one.
    QTest::keyClick(&h.table(), Qt::Key_Right);
    QTest::keyClick(&h.table(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("OC 90"));

    // Alt+1…5 sort by the sortable columns, as the headers' tooltips say.
    OfferHeaderView* header = h.table().offerHeader();
    QVERIFY(h.model()
                .headerData(OfferTableModel::brand, Qt::Horizontal, Qt::ToolTipRole)
                .toString()
                .contains(QStringLiteral("Alt+1")));
    QTest::keyClick(&h.table(), Qt::Key_1, Qt::AltModifier);
    QCOMPARE(header->sortSection(), int(OfferTableModel::brand));
    QTest::keyClick(&h.table(), Qt::Key_3, Qt::AltModifier);
    QCOMPARE(header->sortSection(), int(OfferTableModel::price));

    // The context menu, from the keyboard: copy the row, tab-separated.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              h.table().viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(h.table().viewport(), &menuKey);
    auto* menu = h.table().findChild<QMenu*>();
    QVERIFY(menu);
    QStringList titles;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            titles << action->text();
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("Копировать ячейку"), QStringLiteral("Копировать строку"),
                                  QStringLiteral("Добавить в корзину")}));
    menu->actions().at(1)->trigger();
    menu->close();
    const int row = h.table().currentIndex().row();
    QCOMPARE(QApplication::clipboard()->text(), h.model().rowCopyText(row));
    QCOMPARE(QApplication::clipboard()->text().split(u'\t').size(), 8);
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("KNECHT\tOC 90\t")));
}

void MainWindowTest::escOrCancelButton_endsSearch_keepingAnsweredOffers() {
    WindowHarness h;
    Gate late;
    h.fakes.autoEuro.gate = &late;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500")};
    h.fakes.autopiter.offers = {filter(QStringLiteral("autopiter"), QStringLiteral("9"), "480")};
    h.open();
    QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);

    h.submit(QStringLiteral("OC 90"));
    QTRY_VERIFY(h.fakes.events.contains(QStringLiteral("autopiter end")));
    QTest::keyClick(h.content().searchField(), Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(h.content().currentPage(), Page::results);
    QCOMPARE(h.column(OfferTableModel::supplier), QStringList{QStringLiteral("Autopiter")});
    QCOMPARE(h.content().resultLine()->text(),
             QStringLiteral("<b>OC 90</b> — найдено предложений: 1. AutoEuro: не дождались ответа"));
    QVERIFY(h.content().resultWarningMark()->isVisible());
    QCOMPARE(h.content().searchButton()->text(), QStringLiteral("Найти"));

    // "Отменить" stands where "Найти" was; with nobody answered the failures are the message.
    h.fakes.autopiter.gate = &late;
    h.submit(QStringLiteral("OC 90"));
    QCOMPARE(h.content().searchButton()->text(), QStringLiteral("Отменить"));
    QTest::mouseClick(h.content().searchButton(), Qt::LeftButton);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(h.content().currentPage(), Page::error);
    QCOMPARE(h.content().errorLabel()->text(),
             QStringLiteral("AutoEuro: не дождались ответа\nAutopiter: не дождались ответа"));

    // The late answers change nothing; Esc without a search does nothing either.
    late.open();
    QTRY_COMPARE(h.fakes.events.count(QStringLiteral("autoeuro end")), 2);
    QTest::keyClick(h.content().searchField(), Qt::Key_Escape);
    QCOMPARE(h.content().currentPage(), Page::error);
    QCOMPARE(finished.size(), 2);
}

void MainWindowTest::draggedColumnWidth_isRemembered_doubleClickGivesItBack() {
    WindowHarness h;
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500")};
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    OfferHeaderView* header = h.table().offerHeader();
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
    QVERIFY(h.defaults->stringValue(ContentView::columnWidthsKey)
                .value_or(QString())
                .contains(QStringLiteral("\"brand\":%1").arg(automatic + 40)));
    // The cart column is still in view: another column gave the room.
    QVERIFY(h.table().columnViewportPosition(OfferTableModel::cart) + h.table().columnWidth(OfferTableModel::cart) <=
            h.table().viewport()->width());

    // A new window keeps it.
    h.window.reset();
    h.open();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    header = h.table().offerHeader();
    QCOMPARE(header->sectionSize(OfferTableModel::brand), automatic + 40);

    // A double-click on the border gives the column back to the automatic width.
    QMouseEvent twice(QEvent::MouseButtonDblClick,
                      QPointF(header->sectionViewportPosition(OfferTableModel::article), header->height() / 2.0),
                      header->viewport()->mapToGlobal(QPointF()), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(header->viewport(), &twice);
    QCOMPARE(header->sectionSize(OfferTableModel::brand), automatic);
    QVERIFY(!h.defaults->contains(ContentView::columnWidthsKey));
}

void MainWindowTest::widthSweep_cartColumnShows_articlesAndPricesWhole_data() {
    QTest::addColumn<QString>("article");
    QTest::newRow("oil filter, long original article") << QStringLiteral("OC 90");
    QTest::newRow("air filter, prices over 1000") << QStringLiteral("C 27 009");
}

// Against the demo catalogue, as a new user sees it.
void MainWindowTest::widthSweep_cartColumnShows_articlesAndPricesWhole() {
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
    QVERIFY2(minimum <= 900, qPrintable(QString::number(minimum)));
    const int margin = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 1);
    for (const int width : {minimum, 900, 1280}) {
        window.resize(width, window.height());
        QTRY_COMPARE(window.width(), width);
        QApplication::processEvents();
        const QString at = QStringLiteral("at %1 px: ").arg(width);
        QVERIFY2(table.horizontalScrollBar()->maximum() == 0, qPrintable(at + QStringLiteral("scrolls sideways")));
        QVERIFY2(table.columnViewportPosition(OfferTableModel::cart) + table.columnWidth(OfferTableModel::cart) <=
                     table.viewport()->width(),
                 qPrintable(at + QStringLiteral("cart column cut")));
        for (int r = 0; r < model.rowCount(); ++r) {
            for (const int column : {int(OfferTableModel::article), int(OfferTableModel::price)}) {
                const QModelIndex index = model.index(r, column);
                const QString text = index.data().toString();
                const int needed =
                    QFontMetrics(index.data(Qt::FontRole).value<QFont>()).horizontalAdvance(text) + margin;
                QVERIFY2(needed <= table.columnWidth(column), qPrintable(at + text + QStringLiteral(" is cut")));
            }
        }
        if (width == minimum)
            continue;
        for (int c = 0; c < PFOfferWidths::columnCount; ++c)
            QCOMPARE(table.offerHeader()->shownTitle(c), OfferTableModel::columnTitle(c));
    }
}

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
