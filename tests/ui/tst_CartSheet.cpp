#include "cart/CartStore.h"
#include "core/UserFacingError.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/CartSheet.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The cart of two suppliers and a sheet whose checks wait for the test to open a gate.
struct SheetHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    CartStore cart{*defaults};
    Gate gate;
    QStringList asked;
    std::optional<QString> failure;
    QPointer<CartSheet> sheet;

    SheetHarness() {
        cart.add(OfferBuilder(u"autoeuro"_s, u"1"_s).supplier(u"autoeuro"_s, u"AutoEuro"_s).price("100").available(3));
        cart.add(OfferBuilder(u"autoeuro"_s, u"2"_s).supplier(u"autoeuro"_s, u"AutoEuro"_s).price("50.5"));
        cart.add(OfferBuilder(u"autopiter"_s, u"3"_s).supplier(u"autopiter"_s, u"Autopiter"_s).price("10"));
        sheet = new CartSheet(cart, [this](SupplierCartGroup group) { return answer(std::move(group)); });
        sheet->show();
    }
    ~SheetHarness() { delete sheet.data(); }

    QCoro::Task<PFCartFreshnessMap> answer(SupplierCartGroup group) {
        asked.append(group.supplierID);
        if (!gate.isOpen())
            co_await qCoro(&gate, &Gate::opened);
        if (failure)
            throw PlainUserFacingError(*failure);
        PFCartFreshnessMap verdicts;
        for (const CartItem& item : group.items)
            verdicts.insert(item.id, {CartFreshnessStatus::changed, {u"Цена: 1,00 руб. → 2,00 руб."_s}});
        co_return verdicts;
    }

    QWidget* section(const QString& supplier) const { return sheet->findChild<QWidget*>(u"section-"_s + supplier); }
    QPushButton* checkButton(const QString& supplier) const {
        return section(supplier)->findChild<QPushButton*>(u"check"_s);
    }
    QStringList verdictTexts() const {
        QStringList texts;
        for (const QLabel* label : sheet->findChildren<QLabel*>(u"verdict"_s))
            texts.append(label->text());
        return texts;
    }
};

} // namespace

class CartSheetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sections_followTheCart_valuesCopy() {
        SheetHarness h;
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartCount"_s)->text(), u"3 шт."_s);
        QVERIFY(h.section(u"autoeuro"_s) && h.section(u"autopiter"_s));
        // Money as the table writes it; a click copies the number with the copy's decimal mark.
        QCOMPARE(h.section(u"autoeuro"_s)->findChild<QLabel*>(u"total"_s)->text(), u"150,50 руб."_s);
        h.sheet->setCopyDecimalMark(u',');
        QLabel* total = h.section(u"autoeuro"_s)->findChild<QLabel*>(u"total"_s);
        QCOMPARE(total->toolTip(), u"Нажмите, чтобы скопировать: 150,50"_s);
        QTest::mouseClick(total, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), u"150,50"_s);
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartCopied"_s)->text(), u"Скопировано: 150,50"_s);

        // Plus stops at the stock; the count follows.
        for (int i = 0; i < 4; ++i)
            h.sheet->findChild<QWidget*>(u"line-autoeuro|1"_s)->findChild<QToolButton*>(u"increment"_s)->click();
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartCount"_s)->text(), u"5 шт."_s);

        h.sheet->findChild<QWidget*>(u"line-autopiter|3"_s)->findChild<QToolButton*>(u"remove"_s)->click();
        QVERIFY(!h.section(u"autopiter"_s));
        h.section(u"autoeuro"_s)->findChild<QPushButton*>(u"clear"_s)->click();
        QVERIFY(h.cart.items().isEmpty());
        QVERIFY(h.sheet->findChildren<QWidget*>(QRegularExpression(u"^section-"_s)).isEmpty());
    }

    void check_runsOneAtATime_clearsOnlyItsGroup_showsAFailureInItsSection() {
        SheetHarness h;
        h.checkButton(u"autopiter"_s)->click();
        h.gate.open();
        QTRY_COMPARE(h.verdictTexts().size(), 1);

        h.gate.close();
        h.checkButton(u"autoeuro"_s)->click();
        QCOMPARE(h.checkButton(u"autoeuro"_s)->text(), u"Проверяем…"_s);
        // Every check button waits while one check runs, and a second request is ignored.
        QVERIFY(!h.checkButton(u"autoeuro"_s)->isEnabled() && !h.checkButton(u"autopiter"_s)->isEnabled());
        h.sheet->checkSupplier(u"autopiter"_s);
        QCOMPARE(h.asked, (QStringList{u"autopiter"_s, u"autoeuro"_s}));
        QCOMPARE(h.verdictTexts().size(), 1); // Autopiter's verdict stays meanwhile

        h.gate.open();
        QTRY_COMPARE(h.verdictTexts().size(), 3);
        QVERIFY(h.verdictTexts().first().startsWith(u"Изменилось\n• Цена: "_s));
        QVERIFY(h.checkButton(u"autoeuro"_s)->isEnabled());
        QCOMPARE(h.checkButton(u"autoeuro"_s)->text(), u"Проверить актуальность"_s);

        // A failed check is shown in its own section only.
        h.failure = u"AutoEuro вернул HTTP 500."_s;
        h.checkButton(u"autoeuro"_s)->click();
        QTRY_VERIFY(h.section(u"autoeuro"_s)->findChild<QLabel*>(u"failure"_s));
        QCOMPARE(h.section(u"autoeuro"_s)->findChild<QLabel*>(u"failure"_s)->text(),
                 u"Не удалось проверить актуальность: AutoEuro вернул HTTP 500."_s);
        QVERIFY(!h.section(u"autopiter"_s)->findChild<QLabel*>(u"failure"_s));
    }

    void lateAnswer_touchesNeitherAClosedSheetNorARemovedLine() {
        {
            SheetHarness h;
            h.checkButton(u"autoeuro"_s)->click();
            h.cart.remove(u"autoeuro|2"_s);
            h.gate.open();
            QTRY_COMPARE(h.verdictTexts().size(), 1);
            QVERIFY(!h.sheet->verdicts(u"autoeuro"_s).contains(u"autoeuro|2"_s));
        }
        SheetHarness h;
        h.checkButton(u"autoeuro"_s)->click();
        delete h.sheet.data();
        h.gate.open();
        QTest::qWait(20);
        QVERIFY(!h.sheet);
    }
};

QTEST_MAIN(CartSheetTest)
#include "tst_CartSheet.moc"
