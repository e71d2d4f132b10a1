#include "batch/BatchPricer.h"
#include "cart/CartVerdicts.h"
#include "ui/BatchSheet.h"
#include "ui/CartSheet.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace {

// What a screen reader lets the user operate: buttons, fields, boxes, the table and its headers.
bool isInteractive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::List:
    case QAccessible::ColumnHeader:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
        return true;
    default:
        return false;
    }
}

// The interactive elements under a widget that have no name, by role and the widget's object name.
QStringList nameless(QObject* root) {
    QStringList found;
    std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* node, int depth) {
        if (!node || depth > 40 || node->state().invisible)
            return;
        if (isInteractive(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
            found << QStringLiteral("%1 %2")
                         .arg(node->role())
                         .arg(node->object() ? node->object()->objectName() : QString());
        // A table's first rows stand for the rest.
        const int children = node->role() == QAccessible::Table ? std::min(node->childCount(), 40) : node->childCount();
        for (int i = 0; i < children; ++i)
            walk(node->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(root), 0);
    return found;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyControlHasAName() {
        WindowHarness h;
        h.fakes.autoEuro.offers.append(knechtOC90(u"autoeuro"_s, u"1"_s, "410.46"));
        h.open();
        QVERIFY(h.search(u"OC 90"_s));
        QCOMPARE(nameless(h.window.get()), QStringList());

        h.cart.add(h.model().offer(0));
        CartVerdicts verdicts(h.cart, [](SupplierCartGroup) -> QCoro::Task<PFCartFreshnessMap> { co_return {}; });
        CartSheet cart(h.cart, verdicts);
        cart.show();
        QCOMPARE(nameless(&cart), QStringList());

        BatchPricer pricer(h.prefs, h.fakes);
        BatchSheet batch(pricer, *h.defaults, h.cart);
        batch.show();
        QCOMPARE(nameless(&batch), QStringList());
    }

    void searchField_filledAndPressedByAReader_searches_data() {
        QTest::addColumn<bool>("asValue");
        QTest::newRow("editable text (AT-SPI SetTextContents)") << false;
        QTest::newRow("value") << true;
    }

    // The reader's edit reaches the view model as typing does, and the default action searches.
    void searchField_filledAndPressedByAReader_searches() {
        QFETCH(bool, asValue);
        WindowHarness h;
        h.fakes.autoEuro.offers.append(knechtOC90(u"autoeuro"_s, u"1"_s, "410.46"));
        h.open();
        QTest::keyClicks(&h.field(), u"W 712/75"_s);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(&h.field());
        QVERIFY(field && field->editableTextInterface() && field->actionInterface());
        if (asValue)
            field->setText(QAccessible::Value, u"oc 90"_s);
        else
            field->editableTextInterface()->replaceText(0, field->textInterface()->characterCount(), u"oc 90"_s);
        QCOMPARE(field->actionInterface()->actionNames().value(0), QAccessibleActionInterface::pressAction());
        QSignalSpy finished(&h.window->viewModel(), &SearchViewModel::searchFinished);
        field->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(finished.wait(5000));
        QCOMPARE(h.window->viewModel().searchedArticle(), u"OC 90"_s);
        QCOMPARE(h.model().rowCount(), 1);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_Accessibility.moc"
