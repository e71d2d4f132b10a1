#include "app/AppServices.h"
#include "ui/FiltersBarView.h"
#include "ui/NotificationOverlay.h"
#include "ui/PFOfferWidths.h"
#include "ui/SearchMoodView.h"
#include "ui/StatusRowView.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using Sheet = ContentView::Sheet;
using Page = ContentView::Page;

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void search_showsMoodLineWhileLoadingThenStatusRowAndRows() {
        WindowHarness h;
        Gate gate;
        h.fakes.autoEuro.gate = &gate;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"1"_s, "500"), knechtOC90(u"autoeuro"_s, u"2"_s, "450")};
        h.fakes.autopiter.offers = {knechtOC90(u"autopiter"_s, u"9"_s, "480")};
        h.open();
        QCOMPARE(h.content().currentPage(), Page::placeholder);
        QVERIFY(!h.content().moodView()->isVisible() && !h.content().durationLabel()->isVisible());
        QTRY_VERIFY(h.field().hasFocus());

        QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        QWidget* pages = h.content().placeholder()->parentWidget();
        const QPoint fieldAt = h.field().mapTo(h.window.get(), QPoint());
        const QPoint pagesAt = pages->mapTo(h.window.get(), QPoint());
        h.submit(u"  oc 90"_s);
        QCOMPARE(h.fakes.autoEuro.requests, QStringList{u"OC 90"_s});
        QCOMPARE(h.field().text(), u"OC 90"_s);
        QVERIFY(h.content().moodView()->isVisible() && h.content().moodView()->isRunning());
        QCOMPARE(h.content().currentPage(), Page::empty);
        QCOMPARE(h.content().searchButton()->text(), u"Отменить"_s);
        // Nothing moves when the mood line comes: it kept its room.
        QCOMPARE(h.field().mapTo(h.window.get(), QPoint()), fieldAt);
        QCOMPARE(pages->mapTo(h.window.get(), QPoint()), pagesAt);

        gate.open();
        QVERIFY(finished.wait(5000));
        QVERIFY(!h.content().moodView()->isVisible() && !h.content().moodView()->isRunning());
        QCOMPARE(h.content().currentPage(), Page::results);
        QCOMPARE(h.content().statusRow()->summaryLabel()->text(), u"Найдено: 3 · показано: 3"_s);
        QVERIFY(!h.content().statusRow()->toggleButton()->isVisible());
        // Cheapest first, the first three of each supplier ahead of the rest.
        QCOMPARE(h.column(OfferTableModel::price), (QStringList{u"450,00 руб."_s, u"500,00 руб."_s, u"480,00 руб."_s}));
        QVERIFY(h.content().durationLabel()->text().startsWith(u"Поиск: "_s));
        QCOMPARE(h.field().selectedText(), u"OC 90"_s); // typing replaces it
        QCOMPARE(h.content().searchButton()->text(), u"Найти"_s);
        QCOMPARE(h.field().mapTo(h.window.get(), QPoint()), fieldAt);
        QCOMPARE(pages->mapTo(h.window.get(), QPoint()), pagesAt);
        QCOMPARE(h.content().resultLine()->text(), u"<b>OC 90</b> — найдено предложений: 3"_s);

        // "Найти" searches again; the table of a minute ago stays, marked, until the answers come.
        Gate second;
        h.fakes.autoEuro.gate = &second;
        QTest::mouseClick(h.content().searchButton(), Qt::LeftButton);
        QCOMPARE(h.model().rowCount(), 3);
        QCOMPARE(h.content().currentPage(), Page::results);
        QCOMPARE(h.content().articleNoteLabel()->text(), u"результат меньше минуты назад, обновляется…"_s);
        QCOMPARE(h.content().resultLine()->text(), u"Ищем оригинал и аналоги… AutoEuro: ждём… · Autopiter: ждём…"_s);
        second.open();
        QVERIFY(finished.wait(5000));
        QCOMPARE(h.model().rowCount(), 3);
        // The duration belongs to that search: it goes as soon as the field changes.
        QVERIFY(h.content().durationLabel()->isVisible());
        QTest::keyClick(&h.field(), Qt::Key_End);
        QTest::keyClick(&h.field(), Qt::Key_1);
        QVERIFY(!h.content().durationLabel()->isVisible());
    }

    void failedAndEmptySearches_showErrorOrPlaceholder() {
        WindowHarness h;
        h.fakes.autoEuro.error = u"Неверный API-ключ."_s;
        h.fakes.autopiter.error = u"Сервис недоступен."_s;
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        QCOMPARE(h.content().currentPage(), Page::error);
        QCOMPARE(h.content().errorLabel()->text(), u"AutoEuro: Неверный API-ключ.\nAutopiter: Сервис недоступен."_s);
        QVERIFY(h.content().errorLabel()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));

        // Nothing found and nobody failed: the empty state's headline says so.
        h.fakes.autoEuro.error.reset();
        h.fakes.autopiter.error.reset();
        QVERIFY(h.search(u"XYZ"_s));
        QCOMPARE(h.content().currentPage(), Page::placeholder);
        QCOMPARE(h.content().placeholderTitle()->text(), u"По артикулу XYZ предложения не найдены."_s);
        QVERIFY(!h.content().placeholderSubtitle()->isVisible());

        // One supplier fails while the other finds offers: the table shows, and the line above it
        // names the failure, with a warning mark.
        h.fakes.autopiter.error = u"Сервис недоступен."_s;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"1"_s, "500")};
        QVERIFY(h.search(u"OC 90"_s));
        QCOMPARE(h.content().currentPage(), Page::results);
        QLabel* line = h.content().resultLine();
        QVERIFY(line->text().endsWith(u". Autopiter: Сервис недоступен."_s));
        QVERIFY(h.content().resultWarningMark()->isVisible());
        h.fakes.autopiter.error.reset();
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(!line->text().contains(u"Autopiter"_s));
        QVERIFY(!h.content().resultWarningMark()->isVisible());
    }

    void sheets_markupCopyAndCart_andAClosedWindowIsLeftAlone() {
        WindowHarness h;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"1"_s, "1234.5")};
        h.open();
        for (const Sheet sheet : {Sheet::feedback, Sheet::settings, Sheet::cart})
            QVERIFY(!h.content().sheetButton(sheet)->isEnabled());

        // A sheet that changes the markup: the table follows when it closes.
        QVERIFY(h.search(u"OC 90"_s));
        QCOMPARE(h.content().sheetButton(Sheet::cart)->text(), u"Открыть корзину (0)"_s);
        QPointer<QDialog> opened;
        h.content().attachSheet(Sheet::settings, [&](QWidget* parent) {
            opened = new QDialog(parent);
            h.defaults->setDouble(UserDefaultsKeys::markupPercent, 10.0);
            return opened.data();
        });
        QTest::mouseClick(h.content().sheetButton(Sheet::settings), Qt::LeftButton);
        QVERIFY(opened && h.content().isShowingSheet(Sheet::settings));
        QVERIFY(QTest::qWaitForWindowExposed(opened.data()));
        QTest::keyClick(opened.data(), Qt::Key_Escape);
        QVERIFY(!h.content().isShowingSheet(Sheet::settings));
        QTRY_VERIFY(!opened); // closed and deleted
        QCOMPARE(h.column(OfferTableModel::price), QStringList{u"1400 руб."_s});

        // The markup shows by the status line, and a click on it opens the settings.
        QPushButton* markup = h.content().statusRow()->markupMark();
        QCOMPARE(markup->text(), u"Наценка 10 %"_s);
        QTest::mouseClick(markup, Qt::LeftButton);
        QVERIFY(h.content().isShowingSheet(Sheet::settings));
        opened->reject();

        // The price copies the marked-up number without currency.
        h.clickCell(0, OfferTableModel::price);
        QCOMPARE(QApplication::clipboard()->text(), u"1400"_s);
        QCOMPARE(h.content().overlay()->message(), u"Скопировано: 1400"_s);
        QCOMPARE(h.content().overlay()->geometry().bottom() + 1,
                 h.content().height() - NotificationOverlay::bottomMargin);

        // A second copy replaces the message at once.
        h.clickCell(0, OfferTableModel::article);
        QCOMPARE(QApplication::clipboard()->text(), u"OC 90"_s);
        QCOMPARE(h.content().overlay()->message(), u"Скопировано: OC 90"_s);

        // The cart button adds once and copies nothing; a second click reports the duplicate.
        h.clickCell(0, OfferTableModel::cart);
        QCOMPARE(h.cart.items().size(), 1);
        QCOMPARE(h.cart.items().first().id, u"autoeuro|1"_s);
        QCOMPARE(h.content().overlay()->message(), u"Добавлено: KNECHT OC 90"_s);
        QCOMPARE(h.content().sheetButton(Sheet::cart)->text(), u"Открыть корзину (1)"_s);
        QCOMPARE(QApplication::clipboard()->text(), u"OC 90"_s);
        // Its key opens the cart, as the button says.
        h.content().attachSheet(Sheet::cart, [](QWidget* parent) { return new QDialog(parent); });
        QCOMPARE(h.content().sheetButton(Sheet::cart)->toolTip(), u"Корзина: Ctrl+K"_s);
        h.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        QTest::keyClick(h.window.get(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(h.content().isShowingSheet(Sheet::cart));
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
        h.clickCell(0, OfferTableModel::cart);
        QCOMPARE(h.cart.totalItemCount(), 1);
        QCOMPARE(h.content().overlay()->message(), u"Предложение уже находится в корзине"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!h.content().copiedMessage() && !h.content().cartMessage(), 5000);
        QVERIFY(!h.content().overlay()->isVisible());

        QCOMPARE(StatusRowView::markupText(12.5), u"Наценка 12,5 %"_s);
        h.defaults->setDouble(UserDefaultsKeys::markupPercent, 0.0);
        h.content().refreshTable();
        QVERIFY(!markup->isVisible());

        // A window closed while both messages wait to be cleared is not touched by the clearance.
        h.clickCell(0, OfferTableModel::cart);
        h.clickCell(0, OfferTableModel::price);
        h.window.reset();
        QTest::qWait(ContentView::messageClearanceMs + 300);
        QCOMPARE(h.cart.items().size(), 1);
    }

    void moodLine_cyclesPhrasesAndDots() {
        SearchMoodView mood;
        mood.start();
        QList<int> dots{mood.dotCount()};
        for (int i = 0; i < 4; ++i) {
            mood.advanceDots();
            dots << mood.dotCount();
        }
        QCOMPARE(dots, (QList<int>{1, 2, 3, 1, 2}));
        for (int i = 0; i < 30; ++i)
            mood.advancePhrase();
        QCOMPARE(mood.phraseIndex(), 0);
        // Every search starts over from the first phrase with one dot.
        mood.advancePhrase();
        mood.stop();
        mood.start();
        QCOMPARE(mood.text(), u"Ищем оригинал и аналоги."_s);
        // The real timers tick the dots faster than the phrases.
        QTRY_COMPARE_WITH_TIMEOUT(mood.dotCount(), 2, 3000);
        QCOMPARE(mood.phraseIndex(), 0);
    }

    void typingOrEnterDuringSearch_tableStaysWithTheSearchedArticle() {
        WindowHarness h;
        Gate first;
        h.fakes.autoEuro.gate = &first;
        h.fakes.autoEuro.offers = {
            knechtOC90(u"autoeuro"_s, u"1"_s, "500"),
            OfferBuilder(u"autoeuro"_s, u"2"_s).brand(u"MANN-FILTER"_s).article(u"W 712/75"_s).price("600")};
        h.open();
        QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        const auto askedForArticles = [&] {
            QStringList articles;
            for (int r = 0; r < h.model().rowCount(); ++r) {
                if (h.model().isAskedForPart(r))
                    articles << h.model().offer(r).article;
            }
            return articles;
        };

        // Typed while the search runs, without Return: the rows stay under the article they belong to.
        h.submit(u"OC 90"_s);
        h.field().clear();
        QTest::keyClicks(&h.field(), u"W 712/75"_s);
        first.open();
        QVERIFY(finished.wait(5000));
        QCOMPARE(h.field().text(), u"W 712/75"_s);
        QCOMPARE(h.content().resultLine()->text(), u"<b>OC 90</b> — найдено предложений: 2"_s);
        QCOMPARE(askedForArticles(), QStringList{u"OC 90"_s});

        // Return while it runs: the article is searched when the running search ends.
        Gate second;
        h.fakes.autoEuro.gate = &second;
        h.submit(u"OC 90"_s);
        h.submit(u"W 712/75"_s);
        second.open();
        QTRY_COMPARE(finished.size(), 3);
        QCOMPARE(h.content().resultLine()->text(), u"<b>W 712/75</b> — найдено предложений: 2"_s);
        QCOMPARE(askedForArticles(), QStringList{u"W 712/75"_s});
    }

    void keyboardOnly_fromSearchFieldToCartLine() {
        WindowHarness h;
        for (int i = 0; i < 5; ++i)
            h.fakes.autoEuro.offers.append(
                knechtOC90(u"autoeuro"_s, QString::number(i), QByteArray::number(100 + i).constData()));
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(h.field().hasFocus());

        // Tab walks the controls above the table, then into it, then out again.
        QWidgetList visited;
        for (int i = 0; i < 16 && QApplication::focusWidget() != &h.table(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QVERIFY(visited.contains(h.content().statusRow()->toggleButton()));
        QVERIFY(visited.contains(h.content().filtersBar()->rejectFilterCheckBox()));
        QCOMPARE(QApplication::focusWidget(), &h.table());
        QTest::keyClick(&h.table(), Qt::Key_Tab);
        QVERIFY(!h.table().hasFocus());

        // Ctrl+L and Ctrl+F go back to the field, Down into the rows, Down once more, Ctrl+Enter: into the cart.
        h.table().setFocus();
        QTest::keyClick(h.window.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(h.field().hasFocus());
        h.table().setFocus();
        QTest::keyClick(h.window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(h.field().hasFocus());
        QTest::keyClick(&h.field(), Qt::Key_Down);
        QVERIFY(h.table().hasFocus());
        QTest::keyClick(&h.table(), Qt::Key_Down);
        QCOMPARE(h.table().currentIndex().row(), 1);
        QTest::keyClick(&h.table(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.cart.totalItemCount(), 1);
        QCOMPARE(h.cart.items().first().id, h.model().offer(1).id());
        QTest::keyClick(&h.table(), Qt::Key_Insert);
        QCOMPARE(h.content().overlay()->message(), u"Предложение уже находится в корзине"_s);

        // Alt+1…5 sort by the sortable columns.
        OfferHeaderView* header = h.table().offerHeader();
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
        QCOMPARE(menu->actions().at(1)->text(), u"Копировать строку"_s);
        menu->actions().at(1)->trigger();
        menu->close();
        QCOMPARE(QApplication::clipboard()->text(), h.model().rowCopyText(h.table().currentIndex().row()));
        QVERIFY(QApplication::clipboard()->text().startsWith(u"KNECHT\tOC 90\t"_s));
        QCOMPARE(QApplication::clipboard()->text().split(u'\t').size(), 8);
    }

    void escOrCancelButton_endsSearch_keepingAnsweredOffers() {
        WindowHarness h;
        Gate late;
        h.fakes.autoEuro.gate = &late;
        h.fakes.autoEuro.offers = {knechtOC90(u"autoeuro"_s, u"1"_s, "500")};
        h.fakes.autopiter.offers = {knechtOC90(u"autopiter"_s, u"9"_s, "480")};
        h.open();
        QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);

        h.submit(u"OC 90"_s);
        QTRY_VERIFY(h.fakes.events.contains(u"autopiter end"_s));
        QTest::keyClick(&h.field(), Qt::Key_Escape);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(h.column(OfferTableModel::supplier), QStringList{u"Autopiter"_s});
        QCOMPARE(h.content().resultLine()->text(),
                 u"<b>OC 90</b> — найдено предложений: 1. AutoEuro: не дождались ответа"_s);

        // "Отменить" stands where "Найти" was; with nobody answered the failures are the message.
        h.fakes.autopiter.gate = &late;
        h.submit(u"OC 90"_s);
        QTest::mouseClick(h.content().searchButton(), Qt::LeftButton);
        QCOMPARE(finished.size(), 2);
        QCOMPARE(h.content().currentPage(), Page::error);

        // Esc without a search does nothing.
        QTest::keyClick(&h.field(), Qt::Key_Escape);
        QCOMPARE(h.content().currentPage(), Page::error);
        QCOMPARE(finished.size(), 2);
        // The abandoned answers still end, as a real exchange does by its time-out.
        late.open();
        QTRY_COMPARE(h.fakes.events.count(u"autopiter end"_s), 2);
    }

    // orelia-cli changes the cart the window shows: the window follows within a second, and its
    // own next change keeps the line the other process added.
    void cartChangedByOreliaCli_showsAtOnce_andStays() {
        QTemporaryDir config;
        const QString file = config.filePath(u"Orelia/Orelia Demo.conf"_s);
        auto defaults = UserDefaults::atPath(file);
        defaults->watchForChanges();
        SupplierPreferences prefs(*defaults);
        CartStore cart(*defaults);
        FakeConnectorFactory fakes;
        MainWindow window(prefs, fakes, *defaults, cart);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const auto cli = [&config](const QStringList& args) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"XDG_CONFIG_HOME"_s, config.path());
            env.insert(u"ORELIA_DEMO_LATENCY_MS"_s, u"0"_s);
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(ORELIA_CLI_PATH), args + QStringList{u"--demo"_s});
            process.waitForFinished(30000);
            return process.readAllStandardOutput();
        };
        const QString offer = QJsonDocument::fromJson(cli({u"search"_s, u"OC 90"_s, u"--json"_s}))
                                  .object()[u"offers"]
                                  .toArray()
                                  .first()
                                  .toObject()[u"id"]
                                  .toString();
        QVERIFY(cli({u"cart"_s, u"add"_s, u"OC 90"_s, offer}).startsWith("Добавлено"));
        QElapsedTimer shown;
        shown.start();
        QTRY_COMPARE_WITH_TIMEOUT(cart.items().size(), 1, 1000);
        qInfo("the window showed the line %lld ms after orelia-cli returned", shown.elapsed());
        const auto* button = window.findChild<QPushButton*>(u"openCart"_s);
        QVERIFY(button && button->text().endsWith(u"(1)"_s));

        QVERIFY(cart.add(knechtOC90(u"autoeuro"_s, u"window"_s, "100")));
        QCOMPARE(CartStore(*UserDefaults::atPath(file)).items().size(), 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
