#include "ArticleFakes.h"
#include "batch/BatchReport.h"
#include "cart/CartStore.h"
#include "export/TableExport.h"
#include "support/AwaitTask.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 1), QTime(10, 0));

Decimal dec(const char* text) {
    return *Decimal::parse(QString::fromLatin1(text));
}

BatchLine line(int number, const QString& article, std::int64_t quantity = 1, const QString& brand = {}) {
    return {number, article, brand, quantity};
}

// A line that was searched and found these offers, or failed with the error.
BatchLineResult finished(BatchLine l, QList<SupplierOffer> offers, QString error = {}) {
    BatchLineResult r;
    r.line = std::move(l);
    r.state = BatchLineResult::State::finished;
    r.offers = std::move(offers);
    r.errorMessage = std::move(error);
    return r;
}

BatchReport sampleReport() {
    const BatchLineResult first =
        finished(line(1, QStringLiteral("W 712/75"), 3), {offer(QStringLiteral("k1:1234.5:3:2.5:7"))});
    BatchLineResult second = finished(line(2, QStringLiteral("0451103079")), {});
    second.statusMessage = QStringLiteral("По артикулу 0451103079 предложения не найдены.");
    return BatchReport::evaluate({first, second}, {}, {}, 0, kNow);
}

QByteArray unzipped(const QString& archive, const QString& member) {
    QProcess unzip;
    unzip.start(QStandardPaths::findExecutable(QStringLiteral("unzip")), {QStringLiteral("-p"), archive, member});
    unzip.waitForFinished(10000);
    return unzip.readAllStandardOutput();
}

} // namespace

class BatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void evaluate_filtersByRiskAndBrand_totalsExactly() {
        QList<SupplierOffer> filters = offersOf(QStringLiteral("k1:0.10:1:50 k2:0.20:1:5"));
        const SupplierOffer mahle = OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("p1"))
                                        .brand(QStringLiteral("MAHLE"))
                                        .article(QStringLiteral("OC 90"))
                                        .price("1.00");
        const SupplierOffer knecht = OfferBuilder(QStringLiteral("autopiter"), QStringLiteral("p2"))
                                         .brand(QStringLiteral("KNECHT"))
                                         .article(QStringLiteral("OC 90"))
                                         .price("1.15");
        BatchLineResult skipped;
        skipped.line = line(5, QStringLiteral("LX 1566"));
        skipped.state = BatchLineResult::State::skipped;
        const QList<BatchLineResult> results{
            finished(line(1, QStringLiteral("W 712/75"), 3), filters),
            finished(line(2, QStringLiteral("OC 90"), 2, QStringLiteral("knecht")), {mahle, knecht}),
            finished(line(3, QStringLiteral("OC 90"), 1, QStringLiteral("BOSCH")), {mahle}),
            finished(line(4, QStringLiteral("OP 520")), {}, QStringLiteral("AutoEuro: Сервис недоступен")),
            skipped,
        };
        OfferTableSettings settings;
        settings.rejectFilterEnabled = true;
        settings.rejectThreshold = 70; // at most 30 % allowed: k1 is hidden

        // Per row the best offer's key, line total and count of the others, or the problem; per supplier its total.
        const auto summary = [](const BatchReport& report) {
            QStringList lines;
            for (const BatchRow& row : report.rows)
                lines << (row.best ? QStringLiteral("%1 %2 +%3")
                                         .arg(row.best->supplierOfferKey, row.lineTotal.toString())
                                         .arg(row.otherOffers())
                                   : row.problem);
            for (const auto& supplier : report.suppliers)
                lines << supplier.supplierID + u' ' + supplier.total.toString();
            return lines;
        };
        const BatchReport plain = BatchReport::evaluate(results, {}, settings, 0, kNow);
        QCOMPARE(summary(plain),
                 (strings({"k2 0.6 +0", "p2 2.3 +1",
                           "Нет предложений BOSCH OC 90, только аналоги (1): разрешите аналоги или выберите вручную",
                           "AutoEuro: Сервис недоступен", "Не проценено: проценка остановлена", "autoeuro 0.6",
                           "autopiter 2.3"})));
        QCOMPARE(plain.pricedLines, 2);
        QVERIFY(!plain.allPriced());
        QCOMPARE(plain.total, dec("2.9"));

        // With a markup every unit price rounds up to 50; the purchase total stays exact.
        const BatchReport marked = BatchReport::evaluate(results, {}, settings, 10, kNow);
        QCOMPARE(marked.rows[0].unitPrice, Decimal(50));
        QCOMPARE(marked.total, Decimal(250));
        QCOMPARE(marked.purchaseTotal, dec("2.9"));
        QCOMPARE(BatchReport::money(dec("1234567.505")), QStringLiteral("1\u00A0234\u00A0567,51 руб."));

        // The buyer's own pick for a line replaces the rule's, also an analogue (marked); a pick of an
        // offer the line no longer has gives way to the rule.
        const BatchReport picked = BatchReport::evaluate(
            results, {}, settings, 0, kNow,
            {{BatchChoice::lineKey(results[1].line), mahle.id()}, {BatchChoice::lineKey(results[0].line), u"x|y"_s}});
        QCOMPARE(picked.rows[1].best->id(), mahle.id());
        QCOMPARE(picked.rows[1].problem, u"аналог OC 90 · выбрано вручную"_s);
        QCOMPARE(picked.rows[0].best->supplierOfferKey, u"k2"_s);
        QCOMPARE(picked.total, dec("2.6"));
    }

    void pricer_runsAtMostTwoSearchesAtOnce() {
        PricerHarness h;
        Gate gates[4];
        const QStringList articles{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
        QList<BatchLine> lines;
        for (int i = 0; i < 4; ++i) {
            h.answer(articles[i], QStringLiteral("k:100:1"), &gates[i]);
            lines.append(line(i + 1, articles[i]));
        }
        QSignalSpy finished(&h.pricer, &BatchPricer::runFinished);
        QSignalSpy lineDone(&h.pricer, &BatchPricer::lineFinished);
        h.pricer.start(lines);
        QVERIFY(h.pricer.isRunning());
        QCOMPARE(h.fakes.events, (strings({"start A", "start B"})));
        QCOMPARE(h.pricer.searchesInFlight(), 2);
        QCOMPARE(BatchPricer::progressText(h.pricer.finishedCount(), h.pricer.total()),
                 QStringLiteral("Проценка: 0 из 4"));

        // B answering first makes room for C, then A for D.
        gates[1].open();
        QTRY_COMPARE(lineDone.size(), 1);
        QCOMPARE(h.fakes.events, (strings({"start A", "start B", "end B", "start C"})));
        gates[0].open();
        QTRY_COMPARE(lineDone.size(), 2);
        QCOMPARE(h.fakes.events.mid(4), (strings({"end A", "start D"})));
        gates[3].open();
        gates[2].open();
        QVERIFY(finished.wait(5000));
        QCOMPARE(h.fakes.events.size(), 8); // the last two are ends: never more than two at once
        QCOMPARE(h.pricer.finishedCount(), 4);
        QCOMPARE(BatchPricer::progressText(h.pricer.finishedCount(), h.pricer.total()),
                 QStringLiteral("Проценка: 4 из 4"));
        for (const BatchLineResult& result : h.pricer.results())
            QCOMPARE(result.offers.size(), 1);
    }

    void pricer_cancel_stopsStartingNewLines() {
        PricerHarness h;
        Gate gates[2];
        h.answer(QStringLiteral("A"), QStringLiteral("k:100:1"), &gates[0]);
        h.answer(QStringLiteral("B"), QStringLiteral("k:100:1"), &gates[1]);
        h.answer(QStringLiteral("C"), QStringLiteral("k:100:1"));
        QSignalSpy finished(&h.pricer, &BatchPricer::runFinished);
        h.pricer.start({line(1, QStringLiteral("A")), line(2, QStringLiteral("B")), line(3, QStringLiteral("C"))});
        h.pricer.cancel();
        QVERIFY(h.pricer.isRunning()); // the two in flight finish
        gates[0].open();
        gates[1].open();
        QVERIFY(finished.wait(5000));
        QCOMPARE(h.fakes.events, (strings({"start A", "start B", "end A", "end B"})));
        QVERIFY(h.pricer.wasCancelled());
        const auto& results = h.pricer.results();
        QCOMPARE(results[0].state, BatchLineResult::State::finished);
        QCOMPARE(results[1].offers.size(), 1);
        QCOMPARE(results[2].state, BatchLineResult::State::skipped);

        // "Проценить остальные": only the skipped line is searched; the others stay as found.
        QVERIFY(h.pricer.hasRemaining());
        awaitTask(h.pricer.runRemaining());
        QCOMPARE(h.fakes.events.mid(4), (strings({"start C", "end C"})));
        QCOMPARE(h.pricer.results()[2].state, BatchLineResult::State::finished);
        QCOMPARE(h.pricer.finishedCount(), 3);
        QVERIFY(!h.pricer.hasRemaining());

        // A new run starts over; a failing line leaves the others priced.
        h.fakes.answers.insert(QStringLiteral("B"), {{}, QStringLiteral("Сервис недоступен"), nullptr});
        awaitTask(h.pricer.run({line(1, QStringLiteral("B")), line(2, QStringLiteral("C"))}));
        QVERIFY(!h.pricer.wasCancelled());
        QCOMPARE(h.pricer.results().size(), 2);
        QCOMPARE(h.pricer.results()[0].errorMessage, QStringLiteral("AutoEuro: Сервис недоступен"));
        QCOMPARE(h.pricer.results()[1].offers.size(), 1);
    }

    void addToCart_usesTheListQuantities() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        CartStore cart(*defaults);
        const SupplierOffer a = offer(QStringLiteral("a:100:1::5"));
        const SupplierOffer b = offer(QStringLiteral("b:200:1"));
        cart.add(b);
        SupplierOffer analogue = offer(QStringLiteral("c:50:1"));
        analogue.article = QStringLiteral("OP 520");
        // Two lines of the same offer add up, within its stock; a line already in the cart takes the list's quantity.
        const BatchReport report =
            BatchReport::evaluate({finished(line(1, a.article, 2), {a}), finished(line(2, a.article, 4), {a}),
                                   finished(line(3, b.article, 3), {b}), finished(line(4, u"OC 90"_s), {analogue})},
                                  BatchChoice{BestOfferRule::cheapest, true, {}, false}, {}, 0, kNow);
        const BatchReport::CartOutcome outcome = report.addToCart(cart);
        QCOMPARE(outcome.added, 2);
        QCOMPARE(outcome.updated, 1);
        QCOMPARE(cart.items().size(), 3);
        for (const CartItem& item : cart.items())
            QCOMPARE(item.quantity, item.id == a.id() ? 5 : item.id == b.id() ? 3 : 1);
        // The lines remember what the list asked for; the analogue says so.
        QCOMPARE(cart.items()[1].askedArticle, std::optional(a.article));
        QCOMPARE(cart.items()[2].analogueMark(), u"аналог OC 90"_s);
    }

    // Excel refuses a workbook that holds U+FFFE, U+FFFF or half a surrogate pair anywhere.
    void xlsx_leavesOutWhatXmlCannotCarry() {
        if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.xlsx"));
        const QString name =
            QStringLiteral("A\uFFFEB\uFFFFC") + QChar(0xD800) + u'D' + QChar(0xDC00) + QStringLiteral("😀");
        QCOMPARE(TableExport::save({ExportTable{name, {name}, {{ExportCell::ofText(name)}}, {}}}, path),
                 std::optional<QString>());
        for (const char* member : {"xl/sharedStrings.xml", "xl/workbook.xml"}) {
            const QByteArray xml = unzipped(path, QString::fromLatin1(member));
            QXmlStreamReader reader(xml);
            while (!reader.atEnd())
                reader.readNext();
            QVERIFY2(!reader.hasError() && xml.contains("ABCD"), member);
        }
    }

    void xlsx_holdsNumbersAsNumbersAndArticlesAsText() {
        if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Проценка.xlsx"));
        QCOMPARE(TableExport::save(sampleReport().exportTables(kNow), path), std::optional<QString>());

        const QString sheet = QString::fromUtf8(unzipped(path, QStringLiteral("xl/worksheets/sheet1.xml")));
        const QString strings = QString::fromUtf8(unzipped(path, QStringLiteral("xl/sharedStrings.xml")));
        QVERIFY2(!sheet.isEmpty(), "no first sheet");
        // Text cells are shared strings; numbers carry no type (or t="n") and their exact value.
        const auto cell = [&sheet](const QString& ref) {
            const QRegularExpression pattern(QStringLiteral("<c r=\"%1\"([^>]*)>(.*?)</c>").arg(ref));
            const auto match = pattern.match(sheet);
            return match.hasMatch() ? match.captured(1) + u'|' + match.captured(2) : QString();
        };
        const auto isNumber = [&cell](const QString& ref, const QString& value) {
            const QString c = cell(ref);
            return !c.contains(u"t=\"s\"") && !c.contains(u"t=\"str\"") && !c.contains(u"t=\"inlineStr\"") &&
                   c.endsWith(QStringLiteral("<v>") + value + QStringLiteral("</v>"));
        };
        // Quantity, price, line total, stock and risk are numbers; brand and an article of digits
        // (leading zero and all) are text.
        for (const auto& [ref, value] :
             {std::pair{"D2", "3"}, {"H2", "1234.5"}, {"I2", "3703.5"}, {"K2", "3"}, {"M2", "2.5"}})
            QVERIFY2(isNumber(QString::fromLatin1(ref), QString::fromLatin1(value)), ref);
        for (const char* ref : {"A1", "F2", "B3"})
            QVERIFY2(cell(QString::fromLatin1(ref)).contains(u"t=\"s\""), ref);
        QVERIFY(strings.contains(QStringLiteral("<t>0451103079</t>")));
        QVERIFY(strings.contains(QStringLiteral("<t>W 712/75</t>")));
        // Totals are formulas over the rows with their values, so a deleted line leaves them right.
        QVERIFY2(cell(QStringLiteral("I5")).endsWith(u"<f>SUMIF(N2:N3,\"=AutoEuro\",I2:I3)</f><v>3703.5</v>"),
                 qPrintable(cell(QStringLiteral("I5"))));
        QVERIFY(cell(QStringLiteral("D6")).endsWith(u"<f>SUMIF(I2:I3,\"&lt;&gt;\",D2:D3)</f><v>3</v>"));
        QVERIFY(cell(QStringLiteral("I6")).endsWith(u"<f>SUM(I2:I3)</f><v>3703.5</v>"));
        // A frozen header row, set widths, and a second sheet with every offer.
        QVERIFY(sheet.contains(QStringLiteral("ySplit=\"1\"")) && sheet.contains(QStringLiteral("state=\"frozen\"")));
        QVERIFY(sheet.contains(QStringLiteral("<col min=\"1\" max=\"1\" width=")));
        QVERIFY(!unzipped(path, QStringLiteral("xl/worksheets/sheet2.xml")).isEmpty());
        QVERIFY(QString::fromUtf8(unzipped(path, QStringLiteral("xl/workbook.xml"))).contains(u"Все предложения"));

        // A place that cannot be written gives the error instead of a file.
        const auto failed =
            TableExport::save(sampleReport().exportTables(kNow), dir.filePath(QStringLiteral("no/x.xlsx")));
        QVERIFY(failed && failed->startsWith(QStringLiteral("Не удалось сохранить файл x.xlsx: ")));
    }

    // Articles that a spreadsheet would take for numbers go as ="…", which Excel and LibreOffice
    // keep as text; a supplier text that looks like a formula is kept a text by an apostrophe.
    void csv_opensAsColumnsInRussianExcel() {
        SupplierOffer odd = OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("k1"))
                                .brand(QStringLiteral("=HYPERLINK(\"x\")"))
                                .article(QStringLiteral("0 451 103 079"))
                                .name(QStringLiteral("Фильтр; масляный\nдвигателя"))
                                .price("1234.5");
        const ExportTable table = TableExport::offersTable({odd}, 0, kNow);
        const QByteArray bytes = TableExport::csv(table);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3); // header, the row, and the closing line break
        QCOMPARE(lines[0].split(u';').size(), table.columns.size());
        QCOMPARE(lines[1],
                 QStringLiteral("\"'=HYPERLINK(\"\"x\"\")\";=\"0 451 103 079\";\"Фильтр; масляный двигателя\";"
                                "1234,50;руб.;;;;AutoEuro;"));

        // With a markup the prices are the shown ones; the clipboard text has the same cells between tabs.
        const QStringList copied = TableExport::tabSeparated(TableExport::offersTable({odd}, 10, kNow)).split(u'\n');
        QCOMPARE(copied[1].split(u'\t')[3], QStringLiteral("1400,00"));
    }
};

QTEST_GUILESS_MAIN(BatchTest)
#include "tst_Batch.moc"
