#include "batch/ArticleFakes.h"
#include "cart/CartStore.h"
#include "ui/BatchResultModel.h"
#include "ui/BatchSheet.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

// The sheet over a pricer with AutoEuro alone answering per article.
struct SheetHarness : PricerHarness {
    CartStore cart{*defaults};
    std::unique_ptr<BatchSheet> sheet;

    SheetHarness() {
        answer(QStringLiteral("OC 90"), QStringLiteral("0:900:1 1:700:1 2:800:1"));
        answer(QStringLiteral("W 712/75"), QStringLiteral("0:300:1"));
        open();
    }
    void open() {
        sheet = std::make_unique<BatchSheet>(pricer, *defaults, cart);
        sheet->show();
        QVERIFY(QTest::qWaitForWindowExposed(sheet.get()));
    }
    QString progress() const { return sheet->progressBar()->text(); }
};

} // namespace

class BatchSheetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pastedList_pricesWithProgress_totalsAndCart() {
        SheetHarness h;
        Gate gate;
        h.fakes.answers[QStringLiteral("OC 90")].gate = &gate;
        h.sheet->inputField()->setPlainText(
            QStringLiteral("Артикул;Кол-во\nOC 90;2\nW 712/75;3\nOP 520;много\nNONE;1\n"));
        QTest::mouseClick(h.sheet->startButton(), Qt::LeftButton);
        QCOMPARE(h.sheet->issuesLabel()->text(),
                 QStringLiteral("Строка 4: количество «много» — не целое число от 1 до 100000"));
        QVERIFY(h.sheet->cancelButton()->isVisible());
        QVERIFY(!h.sheet->startButton()->isEnabled());
        // OC 90 waits; W 712/75 and then NONE answer.
        QTRY_COMPARE(h.progress(), QStringLiteral("Проценка: 2 из 3"));
        QCOMPARE(h.sheet->resultModel()->index(0, BatchResultModel::state).data().toString(), QStringLiteral("Ищем…"));
        gate.open();
        QTRY_COMPARE(h.progress(), QStringLiteral("Проценка: 3 из 3"));
        QVERIFY(!h.sheet->cancelButton()->isVisible());

        BatchResultModel& model = *h.sheet->resultModel();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, BatchResultModel::price).data().toString(), QStringLiteral("700,00 руб."));
        QCOMPARE(model.index(0, BatchResultModel::sum).data().toString(), QStringLiteral("1400,00 руб."));
        QCOMPARE(model.index(0, BatchResultModel::state).data().toString(), QStringLiteral("Выбрано"));
        QCOMPARE(model.rowCount(model.index(0, 0)), 3);
        QCOMPARE(model.index(2, BatchResultModel::state).data().toString(), QStringLiteral("Не найдено"));
        QCOMPARE(model.index(2, BatchResultModel::note).data().toString(),
                 QStringLiteral("По артикулу NONE предложения не найдены."));
        const QString totals = h.sheet->totalsLabel()->text();
        QVERIFY2(totals.contains(QStringLiteral("AutoEuro: строк 2, 2\u00A0300,00 руб.")), qPrintable(totals));
        QVERIFY(totals.contains(QStringLiteral("Всего: проценено 2 из 3 строк, 2\u00A0300,00 руб.")));

        QTest::mouseClick(h.sheet->cartButton(), Qt::LeftButton);
        QCOMPARE(h.sheet->messageLabel()->text(), QStringLiteral("Добавлено в корзину: 2"));
        QCOMPARE(h.cart.totalItemCount(), 5);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        QCOMPARE(h.sheet->exportTo(path), std::optional<QString>());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\n2;OC 90;;2;MANN;OC 90;Фильтр масляный;700,00;1400,00;"));
    }

    void reopenedSheet_showsTheSameList_anotherOfferCanBeChosen_aFileFillsTheInput() {
        SheetHarness h;
        h.sheet->inputField()->setPlainText(QStringLiteral("OC 90"));
        h.sheet->startPricing();
        QTRY_VERIFY(!h.pricer.isRunning());
        h.open(); // closed and opened again
        QCOMPARE(h.sheet->inputField()->toPlainText(), QStringLiteral("OC 90"));
        BatchResultModel& model = *h.sheet->resultModel();
        QCOMPARE(model.index(0, BatchResultModel::price).data().toString(), QStringLiteral("700,00 руб."));
        QCOMPARE(h.progress(), QStringLiteral("Проценка: 1 из 1"));

        // A click (or Enter) on another offer of the line makes it the line's choice; it survives
        // pricing the list again, and choosing the rule's own offer gives the line back to the rule.
        QTreeView* view = h.sheet->resultView();
        view->expand(model.index(0, 0));
        QApplication::processEvents();
        // The line's offers are cheapest first.
        const auto offer = [&model](int row, int column) { return model.index(row, column, model.index(0, 0)); };
        QCOMPARE(offer(2, BatchResultModel::price).data().toString(), QStringLiteral("900,00 руб."));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(offer(2, 0)).center());
        QCOMPARE(model.index(0, BatchResultModel::price).data().toString(), QStringLiteral("900,00 руб."));
        QCOMPARE(model.index(0, BatchResultModel::state).data().toString(), QStringLiteral("Вручную"));
        QVERIFY(offer(2, BatchResultModel::price).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(h.sheet->totalsLabel()->text().contains(QStringLiteral("900,00 руб.")));
        h.sheet->startPricing();
        QTRY_VERIFY(!h.pricer.isRunning());
        QCOMPARE(model.index(0, BatchResultModel::price).data().toString(), QStringLiteral("900,00 руб."));
        view->expand(model.index(0, 0));
        view->setFocus();
        view->setCurrentIndex(offer(0, BatchResultModel::price));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(model.index(0, BatchResultModel::state).data().toString(), QStringLiteral("Выбрано"));
        QVERIFY(h.pricer.chosenOffers().isEmpty());

        // An opened file fills the input.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("order.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("\uFEFFOC 90;KNECHT;2\r\n").toUtf8());
        file.close();
        QVERIFY(h.sheet->loadFile(path));
        QCOMPARE(h.sheet->inputField()->toPlainText(), QStringLiteral("OC 90;KNECHT;2\n"));
        QVERIFY(!h.sheet->loadFile(dir.filePath(QStringLiteral("missing.csv"))));
        QVERIFY(h.sheet->issuesLabel()->text().startsWith(QStringLiteral("Не удалось открыть missing.csv: ")));
    }
};

QTEST_MAIN(BatchSheetTest)
#include "tst_BatchSheet.moc"
