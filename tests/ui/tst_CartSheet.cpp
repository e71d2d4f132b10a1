#include "cart/CartStore.h"
#include "cart/CartVerdicts.h"
#include "core/UserFacingError.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/CartSheet.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

namespace Status = CartFreshnessStatus;

// The cart of two suppliers, the verdicts that outlive any sheet, and a sheet whose checks wait
// for the test to open a gate. A line's verdict is "changed" with new terms unless set.
struct SheetHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    CartStore cart{*defaults};
    Gate gate;
    QStringList asked;
    std::optional<QString> failure;
    QHash<QString, PFCartFreshness> answers;
    CartVerdicts verdicts{cart, [this](SupplierCartGroup group) { return answer(std::move(group)); }};
    QPointer<CartSheet> sheet;

    SheetHarness() {
        cart.add(OfferBuilder(u"autoeuro"_s, u"1"_s).supplier(u"autoeuro"_s, u"AutoEuro"_s).price("100").available(3));
        cart.add(OfferBuilder(u"autoeuro"_s, u"2"_s).supplier(u"autoeuro"_s, u"AutoEuro"_s).price("50.5"));
        cart.add(OfferBuilder(u"autopiter"_s, u"3"_s).supplier(u"autopiter"_s, u"Autopiter"_s).price("10"));
        open();
    }
    ~SheetHarness() { delete sheet.data(); }
    void open() {
        sheet = new CartSheet(cart, verdicts);
        sheet->show();
    }

    QCoro::Task<PFCartFreshnessMap> answer(SupplierCartGroup group) {
        asked.append(group.supplierID);
        if (!gate.isOpen())
            co_await qCoro(&gate, &Gate::opened);
        if (failure)
            throw PlainUserFacingError(*failure);
        PFCartFreshnessMap verdicts;
        for (const CartItem& item : group.items) {
            verdicts.insert(item.id, answers.value(item.id, {Status::changed,
                                                             {u"Цена: 1,00 руб. → 2,00 руб."_s},
                                                             CartFreshTerms{120, 2, u"5 дн."_s, u"Склад Б"_s}}));
        }
        co_return verdicts;
    }

    QWidget* section(const QString& supplier) const { return sheet->findChild<QWidget*>(u"section-"_s + supplier); }
    QWidget* line(const QString& id) const { return sheet->findChild<QWidget*>(u"line-"_s + id); }
    template <typename T> T* in(QWidget* parent, const QString& name) const { return parent->findChild<T*>(name); }
    QPushButton* checkButton(const QString& supplier) const { return in<QPushButton>(section(supplier), u"check"_s); }
    QStringList verdictTexts() const {
        QStringList texts;
        for (const QLabel* label : sheet->findChildren<QLabel*>(u"verdict"_s))
            texts.append(label->text());
        return texts;
    }
    QStringList lines() const {
        QStringList out;
        for (const CartItem& item : cart.items())
            out.append(item.id + u'×' + QString::number(item.quantity));
        return out;
    }
};

} // namespace

class CartSheetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sections_totalsAndQuantities_followTheCart() {
        SheetHarness h;
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartCount"_s)->text(), u"3 шт."_s);
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartTotal"_s)->text(), u"Итого по корзине: 160,50 руб."_s);
        QCOMPARE(h.in<QLabel>(h.section(u"autoeuro"_s), u"total"_s)->text(), u"150,50 руб."_s);
        // Money as the table writes it; a click copies the number with the copy's decimal mark.
        h.sheet->setCopyDecimalMark(u',');
        QCOMPARE(h.in<QLabel>(h.section(u"autoeuro"_s), u"total"_s)->toolTip(),
                 u"Нажмите, чтобы скопировать: 150,50"_s);
        QTest::mouseClick(h.in<QLabel>(h.section(u"autoeuro"_s), u"total"_s), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), u"150,50"_s);

        // Plus stops at the stock and says why; the stock is on the line.
        for (int i = 0; i < 2; ++i)
            h.in<QToolButton>(h.line(u"autoeuro|1"_s), u"increment"_s)->click();
        auto* plus = h.in<QToolButton>(h.line(u"autoeuro|1"_s), u"increment"_s);
        QVERIFY(!plus->isEnabled() && plus->toolTip().contains(u"в наличии 3 шт."_s));
        QVERIFY(h.in<QLabel>(h.line(u"autoeuro|1"_s), u"terms"_s)->text().contains(u"В наличии: 3 шт."_s));

        // A typed quantity above the stock is cut to it, with the reason under the line.
        auto* box = h.in<QSpinBox>(h.line(u"autoeuro|2"_s), u"quantity"_s);
        box->setFocus();
        box->findChild<QLineEdit*>()->setText(u"14"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(h.lines(), (QStringList{u"autoeuro|1×3"_s, u"autoeuro|2×14"_s, u"autopiter|3×1"_s}));
        h.in<QToolButton>(h.line(u"autoeuro|1"_s), u"decrement"_s)->click();
        box = h.in<QSpinBox>(h.line(u"autoeuro|1"_s), u"quantity"_s);
        box->setFocus();
        box->findChild<QLineEdit*>()->setText(u"50"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(h.lines().first(), u"autoeuro|1×3"_s);
        QCOMPARE(h.in<QLabel>(h.line(u"autoeuro|1"_s), u"note"_s)->text(), u"Не больше остатка у поставщика: 3 шт."_s);
        QCOMPARE(h.sheet->findChild<QLabel*>(u"cartCount"_s)->text(), u"18 шт."_s);
    }

    void check_runsOneAtATime_showsAFailureInItsSection() {
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
        h.gate.open();
        QTRY_COMPARE(h.verdictTexts().size(), 3);
        QVERIFY(h.verdictTexts().first().startsWith(u"Изменилось\n• Цена: "_s));

        h.failure = u"AutoEuro вернул HTTP 500."_s;
        h.checkButton(u"autoeuro"_s)->click();
        QTRY_VERIFY(h.in<QLabel>(h.section(u"autoeuro"_s), u"failure"_s));
        QCOMPARE(h.in<QLabel>(h.section(u"autoeuro"_s), u"failure"_s)->text(),
                 u"Не удалось проверить актуальность: AutoEuro вернул HTTP 500."_s);
        QVERIFY(!h.in<QLabel>(h.section(u"autopiter"_s), u"failure"_s));
    }

    // A verdict belongs to its line: closing the sheet loses none, and a check that was running
    // when it closed is there when it opens again, with the time of the check.
    void verdicts_outliveTheSheet() {
        SheetHarness h;
        h.checkButton(u"autoeuro"_s)->click();
        h.cart.remove(u"autoeuro|2"_s); // removed during the check: no verdict
        delete h.sheet.data();
        h.gate.open();
        QTRY_VERIFY(h.verdicts.checkingSupplierID().isEmpty());
        h.open();
        QCOMPARE(h.verdictTexts().size(), 1);
        QVERIFY(h.in<QLabel>(h.line(u"autoeuro|1"_s), u"terms"_s)->text().contains(u"проверено "_s));
    }

    // The supplier's new terms go into the stored line in one step; an unavailable line is out
    // of the totals until it is taken out of the cart, which can be undone in place.
    void newTermsAccepted_unavailableLinesOutOfTheTotal() {
        SheetHarness h;
        h.answers.insert(u"autoeuro|2"_s, {Status::offerUnavailable, {u"Остаток: 5 → 0 шт."_s}});
        h.gate.open();
        h.checkButton(u"autoeuro"_s)->click();
        QTRY_VERIFY(h.verdicts.checkingSupplierID().isEmpty());
        QCOMPARE(h.in<QLabel>(h.section(u"autoeuro"_s), u"total"_s)->text(), u"100,00 руб."_s);
        QVERIFY(h.in<QLabel>(h.section(u"autoeuro"_s), u"outOfTotal"_s));

        h.in<QPushButton>(h.line(u"autoeuro|1"_s), u"accept"_s)->click();
        const CartItem stored = CartStore(*h.env.makeDefaults()).items().first();
        QCOMPARE(stored.unitPrice, 120.0);
        QCOMPARE(stored.availableQuantity, std::optional<std::int64_t>(2));
        QCOMPARE(stored.deliveryTime, std::optional<QString>(u"5 дн."_s));
        QVERIFY(h.verdictTexts().first().startsWith(Status::current));

        h.in<QPushButton>(h.section(u"autoeuro"_s), u"removeUnavailable"_s)->click();
        QCOMPARE(h.lines(), (QStringList{u"autoeuro|1×1"_s, u"autopiter|3×1"_s}));
    }

    // Taken out by the trash, "Очистить" or "Убрать недоступные": in its place a notice that
    // brings it back exactly where it was; nothing moves under the pointer meanwhile.
    void removal_isUndoneInPlace_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("trash") << u"remove"_s;
        QTest::newRow("clear") << u"clear"_s;
    }
    void removal_isUndoneInPlace() {
        QFETCH(QString, how);
        SheetHarness h;
        h.cart.setQuantity(u"autoeuro|1"_s, 2);
        const QStringList before = h.lines();
        if (how == u"remove")
            h.in<QToolButton>(h.line(u"autoeuro|1"_s), how)->click();
        else
            h.in<QPushButton>(h.section(u"autoeuro"_s), how)->click();
        QVERIFY(!h.lines().contains(u"autoeuro|1×2"_s));
        auto* undo = h.sheet->findChild<QLabel*>(u"undo"_s);
        QVERIFY(undo && undo->text().startsWith(u"Удалено: "_s));
        QVERIFY(h.section(u"autoeuro"_s)); // the rows stay where they were
        Q_EMIT undo->linkActivated(u"undo"_s);
        QCOMPARE(h.lines(), before);
        QVERIFY(!h.sheet->findChild<QLabel*>(u"undo"_s));
    }
};

QTEST_MAIN(CartSheetTest)
#include "tst_CartSheet.moc"
