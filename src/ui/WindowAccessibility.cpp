#include "WindowAccessibility.h"

#include "ContentView.h"
#include "OfferTableView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

const char* const kSearchFieldProperty = "oreliaSearchField";

// The search field as a reader sees it: an editable text whose edits reach the view model as
// typing does (QLineEdit::insert emits textEdited, setText does not), and whose default action
// is Return.
class SearchFieldInterface : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
public:
    explicit SearchFieldInterface(QLineEdit* field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    QLineEdit* field() const { return static_cast<QLineEdit*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.selectableText = true;
        s.searchEdit = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return field()->text();
        if (t == QAccessible::Name && field()->accessibleName().isEmpty())
            return field()->placeholderText();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value)
            replaceText(0, characterCount(), text);
        else
            QAccessibleWidget::setText(t, text);
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(field(), &key);
        }
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && field()->hasSelectedText()) {
            *start = field()->selectionStart();
            *end = *start + int(field()->selectedText().size());
        }
    }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { field()->setSelection(start, end - start); }
    void removeSelection(int) override { field()->deselect(); }
    void setSelection(int, int start, int end) override { field()->setSelection(start, end - start); }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    QString text(int start, int end) const override { return field()->text().mid(start, end - start); }
    int characterCount() const override { return int(field()->text().size()); }
    QRect characterRect(int offset) const override {
        const QFontMetrics metrics = field()->fontMetrics();
        const QRect contents = field()->contentsRect();
        const QString text = field()->text();
        const int x = contents.x() + metrics.horizontalAdvance(text.left(offset));
        const int width = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 0;
        return QRect(field()->mapToGlobal(QPoint(x, contents.y())), QSize(width, contents.height()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

    // QAccessibleEditableTextInterface
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        field()->setSelection(start, end - start);
        field()->insert(text);
    }
};

QAccessibleInterface* searchFieldFactory(const QString&, QObject* object) {
    auto* field = qobject_cast<QLineEdit*>(object);
    if (field && field->property(kSearchFieldProperty).toBool())
        return new SearchFieldInterface(field);
    return nullptr;
}

} // namespace

namespace WindowAccessibility {

void makeSearchField(QLineEdit& field) {
    static const bool installed = [] {
        QAccessible::installFactory(searchFieldFactory);
        return true;
    }();
    Q_UNUSED(installed);
    field.setProperty(kSearchFieldProperty, true);
    // An interface made before (an event while the field was built) would stay cached; the next
    // query makes this one.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&field);
        made && !dynamic_cast<SearchFieldInterface*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void apply(ContentView& content) {
    QLineEdit& field = *content.searchField();
    makeSearchField(field);
    field.setAccessibleName(QStringLiteral("Артикул или OEM-номер"));
    field.setAccessibleDescription(QStringLiteral("Поиск у всех поставщиков по Enter"));
    // The clear button Qt adds to the field is an icon alone.
    for (QToolButton* button : field.findChildren<QToolButton*>())
        button->setAccessibleName(QStringLiteral("Очистить поле поиска"));
    content.tableView()->setAccessibleName(QStringLiteral("Предложения поставщиков"));
}

} // namespace WindowAccessibility
