#include "search/SearchHistory.h"
#include "ui/NotificationOverlay.h"
#include "ui/SearchHistoryPopup.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
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

class TableCopyAndHistoryTest : public QObject {
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
        QCOMPARE(lines[1].split(u'\t').mid(0, 5),
                 (QStringList{u"KNECHT"_s, u"OC 90"_s, u"Фильтр масляный"_s, u"1000,50"_s, u"руб."_s}));
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

    void history_offeredAsTyped_andWithDown_beside_theTableDown() {
        Harness h;
        QVERIFY(h.search(u"OC 90"_s));
        QVERIFY(h.search(u"W 712/75"_s));
        QCOMPARE(SearchHistory(*h.defaults).entries().first().article, u"W 712/75"_s);

        // Typing offers what holds the typed letters and digits, with when and how much was found.
        h.field().clear();
        QTest::keyClicks(&h.field(), u"oc9"_s);
        QVERIFY(h.history().isShown());
        QCOMPARE(h.history().list()->topLevelItemCount(), 1);
        QCOMPARE(h.history().list()->topLevelItem(0)->text(0), u"OC 90"_s);
        QVERIFY(h.history().list()->topLevelItem(0)->text(1).endsWith(u"предложений: 3"_s));
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
        // Return with no entry picked searches what is typed.
        QTest::keyClicks(&h.field(), u"OP 520"_s);
        QSignalSpy typedFinished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        QTest::keyClick(&h.field(), Qt::Key_Return);
        QVERIFY(!h.history().isShown());
        QCOMPARE(h.window->viewModel().searchedArticle(), u"OP 520"_s);
        QVERIFY(typedFinished.wait(5000));
    }
};

QTEST_MAIN(TableCopyAndHistoryTest)
#include "tst_TableCopyAndHistory.moc"
