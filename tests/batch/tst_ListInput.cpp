#include "ArticleFakes.h"
#include "batch/BatchInput.h"
#include "batch/ListFile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

namespace {

// "line|article|brand|quantity" per line read, then "!" and the issues.
QStringList readLines(const QString& text) {
    const BatchInput input = BatchInput::parse(text);
    QStringList out;
    for (const BatchLine& l : input.lines)
        out << QStringLiteral("%1|%2|%3|%4").arg(l.lineNumber).arg(l.article, l.brand).arg(l.quantity);
    for (const BatchInputIssue& issue : input.issues)
        out << u'!' + issue.text();
    return out;
}

QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& members) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("a.zip")));
    zipFile zip = zipOpen64(path.constData(), APPEND_STATUS_CREATE);
    for (const auto& [name, content] : members) {
        zipOpenNewFileInZip64(zip, name.toUtf8().constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 1);
        zipWriteInFileInZip(zip, content.constData(), unsigned(content.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    QFile file(dir.filePath(QStringLiteral("a.zip")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kWorkbook =
    R"(<workbook xmlns:r="urn:r"><sheets><sheet name="Лист" r:id="rId1"/></sheets></workbook>)";

QByteArray xlsxWithSheet(const QByteArray& sheet) {
    return zipOf({{QStringLiteral("xl/workbook.xml"), kWorkbook}, {QStringLiteral("xl/worksheets/sheet1.xml"), sheet}});
}

} // namespace

class ListInputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_readsListsAsBuyersWriteThem_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("read");

        QTest::newRow("articles only, blank lines")
            << QStringLiteral("OC 90\n\n  W 712/75  \r\n") << strings({"1|OC 90||1", "3|W 712/75||1"});
        QTest::newRow("tab: article and quantity with units")
            << QStringLiteral("OC 90\t2\nW 712/75\t3 шт.\nGDB 1550\t2 компл.\nK015492XS\t1 к-т\nBKR6E\t2 пар")
            << strings({"1|OC 90||2", "2|W 712/75||3", "3|GDB 1550||2", "4|K015492XS||1", "5|BKR6E||2"});
        QTest::newRow("semicolon: article and brand, a brand of digits")
            << QStringLiteral("OC 90;KNECHT\n2093;3M") << strings({"1|OC 90|KNECHT|1", "2|2093|3M|1"});
        QTest::newRow("comma: article, brand, quantity")
            << QStringLiteral("\uFEFFOC 90,KNECHT,4") << strings({"1|OC 90|KNECHT|4"});
        QTest::newRow("quoted field holds the separator") << QStringLiteral("\"0 451 103 079\";\"BOSCH; Germany\";1")
                                                          << strings({"1|0 451 103 079|BOSCH; Germany|1"});
        QTest::newRow("a quantity that cannot be read is the line's error, never 1")
            << QStringLiteral("OC 90;KNECHT;много\n;MANN;2\nW 712/75;MANN;0\nOP 520\t2,5\nOP 520;FILTRON;2")
            << strings({"5|OP 520|FILTRON|2", "!Строка 1: количество «много» — не целое число от 1 до 100000",
                        "!Строка 2: не указан артикул", "!Строка 3: количество «0» — не целое число от 1 до 100000",
                        "!Строка 4: количество «2,5» — не целое число от 1 до 100000"});
        QTest::newRow("header: Производитель;Артикул;Кол-во")
            << QStringLiteral("Производитель;Артикул;Кол-во\nMANN;W 712/75;2") << strings({"2|W 712/75|MANN|2"});
        QTest::newRow("header: Номер, Бренд/Производитель, Количество, шт.")
            << QStringLiteral("Номер;Бренд/Производитель;Количество, шт.\nW 712/75;MANN;2 шт")
            << strings({"2|W 712/75|MANN|2"});
        QTest::newRow("header: № beside Код детали, Марка, Кол.")
            << QStringLiteral("№\tКод детали\tМарка\tКол.\n1\tOC 90\tMAHLE\t3") << strings({"2|OC 90|MAHLE|3"});
        QTest::newRow("header: Qty") << QStringLiteral("Part number,Brand,Qty\nOC 90,MAHLE,2")
                                     << strings({"2|OC 90|MAHLE|2"});
        QTest::newRow("a title above the header is skipped, not searched")
            << QStringLiteral("Заявка на запчасти, заказ-наряд 1024\t\n\t\nАртикул\tКол-во, шт\nOC 90\t2\n\t7")
            << strings({"4|OC 90||2", "!Строка 5: не указан артикул"});
    }

    void parse_readsListsAsBuyersWriteThem() {
        QFETCH(QString, text);
        QFETCH(QStringList, read);
        QCOMPARE(readLines(text), read);
    }

    void read_takesTheFirstSheetOfAWorkbook_data() {
        QTest::addColumn<QString>("file");
        for (const char* file : {"list.xlsx", "list.ods", "list.xls"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }

    // Saved by LibreOffice: a merged title, a header, numbers as numbers, an empty row, a
    // second sheet.
    void read_takesTheFirstSheetOfAWorkbook() {
        QFETCH(QString, file);
        QFile f(QFINDTESTDATA(QStringLiteral("../data/") + file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const ListFile list = ListFile::read(f.readAll());
        QCOMPARE(list.error, QString());
        QCOMPARE(list.note, QStringLiteral("Прочитан первый лист «Заявка» из 2."));
        QCOMPARE(readLines(list.text),
                 strings({"3|OC 90|KNECHT|2", "4|0 451 103 079|BOSCH|1", "5|W 712/75||1", "7|2410401|TEXTAR|2",
                          "!Строка 8: количество «много» — не целое число от 1 до 100000"}));
    }

    void read_decodesTextInItsEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = QStringLiteral("Артикул\tКол-во\r\nOC 90\t2\r\n");
        QStringEncoder le(QStringConverter::Utf16LE);
        QStringEncoder be(QStringConverter::Utf16BE);
        QStringEncoder windows1251("windows-1251");
        QTest::newRow("UTF-8") << text.toUtf8();
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + text.toUtf8());
        QTest::newRow("Windows-1251") << QByteArray(windows1251.encode(text));
        QTest::newRow("UTF-16LE with BOM (Excel's Unicode text)") << QByteArray("\xFF\xFE" + le.encode(text));
        QTest::newRow("UTF-16LE without BOM") << QByteArray(le.encode(text));
        QTest::newRow("UTF-16BE with BOM") << QByteArray("\xFE\xFF" + be.encode(text));
    }

    void read_decodesTextInItsEncoding() {
        QFETCH(QByteArray, bytes);
        const ListFile list = ListFile::read(bytes);
        QCOMPARE(list.error, QString());
        QCOMPARE(readLines(list.text), strings({"2|OC 90||2"}));
    }

    void read_refusesWhatIsNoListBeforeAnyRequest_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString notAList = QStringLiteral("Файл не похож на список артикулов: ");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 7919) % 251);
        QTest::newRow("binary") << binary
                                << notAList + QStringLiteral("в нём двоичные данные, а не текст или таблица.");
        QTest::newRow("PDF") << QByteArray("%PDF-1.7\n%\xE2\xE3\n1 0 obj")
                             << notAList + QStringLiteral("это документ PDF.");
        QTest::newRow("Word") << zipOf({{QStringLiteral("_rels/.rels"), "<x/>"},
                                        {QStringLiteral("word/document.xml"), "<x/>"}})
                              << notAList + QStringLiteral("это документ Word.");
        QTest::newRow("web page saved as .xls")
            << QByteArray("<html><body><table><tr><td>OC 90</td></tr></table>")
            << notAList +
                   QStringLiteral("это веб-страница или XML. Сохраните список как книгу Excel (.xlsx) или текст.");
        QTest::newRow("damaged workbook")
            << xlsxWithSheet("<worksheet><sheetData><row><c t=\"s\"><v>0</v></c>").left(200)
            << QStringLiteral("Книгу не удалось прочитать: файл повреждён или записан не до конца.");
        QTest::newRow("sheet that unpacks past the bound")
            << xlsxWithSheet(QByteArray(17 * 1024 * 1024, ' '))
            << QStringLiteral("Книгу не удалось прочитать: часть xl/worksheets/sheet1.xml больше 16 МБ.");
        // FreeXL read 30 KB past a buffer of its own on this file.
        QFile damaged(QFINDTESTDATA("../data/damaged.xls"));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QTest::newRow("damaged .xls") << damaged.readAll()
                                      << QStringLiteral("Книгу не удалось прочитать: в книге нет листов.");
    }

    void read_refusesWhatIsNoListBeforeAnyRequest() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const ListFile list = ListFile::read(bytes);
        QCOMPARE(list.error, error);
        QCOMPARE(list.text, QString());
    }

    void read_boundsAHugeSheet_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("note");
        QTest::newRow(".xlsx: inline strings, a cell in column XFD, a row far down")
            << xlsxWithSheet(
                   R"(<worksheet><sheetData><row r="2"><c r="B2" t="inlineStr"><is><t>OC</t><r><t> 90</t></r></is></c>)"
                   R"(<c r="XFD2"><v>1</v></c></row><row r="1048576"><c r="A1048576" t="inlineStr"><is><t>W 712/75)"
                   R"(</t></is></c></row></sheetData></worksheet>)")
            << QStringLiteral("\n\tOC 90\n") << QStringLiteral("Строки листа ниже 5000-й не прочитаны.");
        QFile huge(QFINDTESTDATA("../data/huge-claim.xls"));
        QVERIFY(huge.open(QIODevice::ReadOnly));
        QTest::newRow(".xls of 5 KB that claims 65536 × 256 cells")
            << huge.readAll() << QStringLiteral("OC 90\t\n")
            << QStringLiteral("Строки листа ниже 5000-й не прочитаны.");
    }

    // Rows and columns past the bounds are not read, and the buyer is told.
    void read_boundsAHugeSheet() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, note);
        const ListFile list = ListFile::read(bytes);
        QCOMPARE(list.error, QString());
        QCOMPARE(list.text, text);
        QCOMPARE(list.note, note);
    }
};

QTEST_GUILESS_MAIN(ListInputTest)
#include "tst_ListInput.moc"
