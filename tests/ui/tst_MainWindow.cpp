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
#include "ui/SearchMoodView.h"
#include "ui/StatusRowView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
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
    h.submit(QStringLiteral("  oc 90"));
    QVERIFY(h.window->viewModel().isLoading());
    QCOMPARE(h.fakes.autoEuro.requests, QStringList{QStringLiteral("OC 90")});
    QCOMPARE(h.content().searchField()->text(), QStringLiteral("OC 90"));
    QVERIFY(h.content().moodView()->isVisible());
    QVERIFY(h.content().moodView()->isRunning());
    QCOMPARE(h.content().moodView()->text(), QStringLiteral("Ищем оригинал и аналоги."));
    QCOMPARE(h.content().currentPage(), Page::empty);
    QVERIFY(!h.content().searchButton()->isEnabled());

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
    QVERIFY(h.content().searchButton()->isEnabled());

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

    // Nothing found and nobody failed: back to the placeholder, which says what happened.
    h.fakes.autoEuro.error.reset();
    h.fakes.autopiter.error.reset();
    QVERIFY(h.search(QStringLiteral("XYZ")));
    QCOMPARE(h.content().currentPage(), Page::placeholder);
    QVERIFY(h.content().placeholder()->isVisible());
    bool saysNothingFound = false;
    for (const QLabel* label : h.content().placeholder()->findChildren<QLabel*>())
        saysNothingFound |= label->isVisible() && label->text().contains(QStringLiteral("не найдены"));
    QVERIFY(saysNothingFound);

    // One supplier fails while the other finds offers: the table shows, and so does the failure.
    h.fakes.autopiter.error = QStringLiteral("Сервис недоступен.");
    h.fakes.autoEuro.offers = {filter(QStringLiteral("autoeuro"), QStringLiteral("1"), "500")};
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QCOMPARE(h.content().currentPage(), Page::results);
    QLabel* failure = nullptr;
    for (QLabel* label : h.content().findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().contains(QStringLiteral("Autopiter: Сервис недоступен.")))
            failure = label;
    }
    QVERIFY(failure);
    QVERIFY(failure->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    h.fakes.autopiter.error.reset();
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QVERIFY(!failure->isVisible());
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
        QVERIFY(h.content().sheetButton(sheet)->toolTip().contains(QStringLiteral("пока недоступно")));
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

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
