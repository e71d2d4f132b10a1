#include "app/AppServices.h"
#include "cart/CartStore.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "search/SearchHistory.h"
#include "search/SearchViewModel.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/ContentView.h"
#include "ui/MainWindow.h"
#include "ui/NotificationOverlay.h"
#include "ui/OfferTableModel.h"
#include "ui/OfferTableView.h"
#include "ui/SearchHistoryPopup.h"
#include "ui/SettingsSheet.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

struct Harness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SupplierPreferences prefs{*defaults};
    CartStore cart{*defaults};
    FakeConnectorFactory fakes;
    std::unique_ptr<MainWindow> window;

    Harness() {
        for (int i = 0; i < 3; ++i)
            fakes.autoEuro.offers.append(OfferBuilder(QStringLiteral("autoeuro"), QString::number(i))
                                             .article(QStringLiteral("OC 90"))
                                             .brand(QStringLiteral("KNECHT"))
                                             .price(QByteArray::number(1000 + i).append(".5").constData()));
        prefs.setAutopiterEnabled(false);
        window = std::make_unique<MainWindow>(prefs, fakes, *defaults, cart);
        window->show();
    }
    ContentView& content() const { return *window->contentView(); }
    OfferTableView& table() const { return *content().tableView(); }
    QLineEdit& field() const { return *content().searchField(); }
    SearchHistoryPopup& history() const { return *content().historyPopup(); }
    bool search(const QString& article) {
        QSignalSpy finished(&window->viewModel(), &SearchViewModel::searchFinished);
        field().clear();
        QTest::keyClicks(&field(), article);
        QTest::keyClick(&field(), Qt::Key_Return);
        return finished.wait(5000);
    }
    void click(int row, int column, Qt::KeyboardModifiers modifiers = {}) const {
        const QRect rect = table().visualRect(content().tableModel()->index(row, column));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, modifiers, rect.center());
    }
};

} // namespace

class TableCopyAndHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pickedRows_copyAsSpreadsheetRows_aClickStillCopiesItsCell();
    void export_savesShownOrAllOffers();
    void history_offeredAsTyped_andWithDown_beside_theTableDown();
    void settingsSheet_clearsTheHistory();
};

void TableCopyAndHistoryTest::pickedRows_copyAsSpreadsheetRows_aClickStillCopiesItsCell() {
    Harness h;
    QVERIFY(h.search(QStringLiteral("OC 90")));
    h.click(0, OfferTableModel::article);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("OC 90"));
    h.click(2, OfferTableModel::brand, Qt::ShiftModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("OC 90")); // a Shift click picks, it does not copy
    QTest::keyClick(&h.table(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].startsWith(QStringLiteral("Производитель\tАртикул\tНаименование\tЦена\t")));
    QCOMPARE(lines[1].split(u'\t').mid(0, 5),
             (QStringList{QStringLiteral("KNECHT"), QStringLiteral("OC 90"), QStringLiteral("Фильтр масляный"),
                          QStringLiteral("1000,50"), QStringLiteral("руб.")}));
    QCOMPARE(h.content().overlay()->message(), QStringLiteral("Скопировано строк: 3"));

    // A plain click drops the picked rows: Ctrl+C copies the current cell again.
    h.click(1, OfferTableModel::price);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1001.50"));
    QTest::keyClick(&h.table(), Qt::Key_Right);
    QTest::keyClick(&h.table(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("—"));
    QVERIFY(h.table().selectionModel()->selectedRows().isEmpty());
}

void TableCopyAndHistoryTest::export_savesShownOrAllOffers() {
    Harness h;
    for (int i = 3; i < 6; ++i) // six offers of one group: three of them useful
        h.fakes.autoEuro.offers.append(OfferBuilder(QStringLiteral("autoeuro"), QString::number(i))
                                           .article(QStringLiteral("OC 90"))
                                           .brand(QStringLiteral("KNECHT"))
                                           .price("2000"));
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QCOMPARE(h.content().tableModel()->rowCount(), 3);
    QTemporaryDir dir;
    const auto lines = [&](bool all) {
        const QString path = dir.filePath(all ? QStringLiteral("all.csv") : QStringLiteral("shown.csv"));
        if (h.content().exportOffers(all, path))
            return QStringList();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    };
    QCOMPARE(lines(false).size(), 1 + 3);
    QCOMPARE(lines(true).size(), 1 + 6);
    QVERIFY(h.content().exportButton()->isVisible());
}

void TableCopyAndHistoryTest::history_offeredAsTyped_andWithDown_beside_theTableDown() {
    Harness h;
    QVERIFY(h.search(QStringLiteral("OC 90")));
    h.fakes.autoEuro.offers.clear();
    QVERIFY(h.search(QStringLiteral("W 712/75")));
    QCOMPARE(SearchHistory(*h.defaults).entries().first().article, QStringLiteral("W 712/75"));

    // Typing offers what holds the typed letters and digits, with when and how much was found.
    h.field().clear();
    QTest::keyClicks(&h.field(), QStringLiteral("oc9"));
    QVERIFY(h.history().isShown());
    QCOMPARE(h.history().list()->topLevelItemCount(), 1);
    QCOMPARE(h.history().list()->topLevelItem(0)->text(0), QStringLiteral("OC 90"));
    QVERIFY(h.history().list()->topLevelItem(0)->text(1).endsWith(QStringLiteral("предложений: 3")));
    // Esc closes the list first; Down opens it again and walks into it; Return searches the entry.
    QTest::keyClick(&h.field(), Qt::Key_Escape);
    QVERIFY(!h.history().isShown());
    QTest::keyClick(&h.field(), Qt::Key_Down);
    QVERIFY(h.history().isShown());
    QTest::keyClick(&h.field(), Qt::Key_Down);
    QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
    QTest::keyClick(&h.field(), Qt::Key_Return);
    QVERIFY(!h.history().isShown());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(h.window->viewModel().searchedArticle(), QStringLiteral("OC 90"));
    QCOMPARE(SearchHistory(*h.defaults).entries().first().article, QStringLiteral("OC 90"));

    // With the table's own article in the field Down goes to the rows; with the field emptied, to the history.
    h.fakes.autoEuro.offers.append(OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("x")));
    QVERIFY(h.search(QStringLiteral("OC 90")));
    QTest::keyClick(&h.field(), Qt::Key_Down);
    QVERIFY(h.table().hasFocus());
    QVERIFY(!h.history().isShown());
    h.content().focusSearchField();
    QTest::keyClick(&h.field(), Qt::Key_Backspace);
    QTest::keyClick(&h.field(), Qt::Key_Down);
    QVERIFY(h.history().isShown());
    QCOMPARE(h.history().list()->topLevelItemCount(), 2);
    // Return with no entry picked searches what is typed.
    QTest::keyClicks(&h.field(), QStringLiteral("OP 520"));
    QTest::keyClick(&h.field(), Qt::Key_Return);
    QVERIFY(!h.history().isShown());
    QCOMPARE(h.window->viewModel().searchedArticle(), QStringLiteral("OP 520"));
}

void TableCopyAndHistoryTest::settingsSheet_clearsTheHistory() {
    TestEnvironment env;
    AppServices::Options options;
    options.settingsFile = env.settingsPath();
    options.memoryCredentials = true;
    options.endpoints = ServiceEndpoints();
    AppServices services(options);
    SearchHistory history(services.userDefaults());
    history.record(QStringLiteral("OC 90"), 4);
    SettingsSheet sheet({services.userDefaults(), services.supplierPreferences(), services.credentialStore(),
                         services.autoEuroClient(), services.autopiterClient(), services.tradeSoftAPI(),
                         QStringLiteral("памяти")});
    QVERIFY(sheet.clearHistoryButton()->isEnabled());
    QVERIFY(sheet.historyLabel()->text().startsWith(QStringLiteral("Недавних артикулов: 1")));
    QCOMPARE(sheet.clearHistoryButton()->text(), QStringLiteral("Очистить историю"));
    sheet.clearHistoryButton()->click();
    QVERIFY(history.entries().isEmpty());
    QCOMPARE(sheet.historyLabel()->text(), QStringLiteral("История пуста"));
    QVERIFY(!sheet.clearHistoryButton()->isEnabled());
}

QTEST_MAIN(TableCopyAndHistoryTest)
#include "tst_TableCopyAndHistory.moc"
