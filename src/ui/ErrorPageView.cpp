#include "ErrorPageView.h"

#include "UiIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 22;

} // namespace

ErrorPageView::ErrorPageView(QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(this))
    , m_note(new QLabel(this)) {
    auto* icon = new QLabel(this);
    icon->setPixmap(
        UiIcons::pixmap(UiIcons::paintWarningTriangle, kIconSize, QColor(230, 150, 0), devicePixelRatioF()));
    icon->setFixedSize(kIconSize, kIconSize);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_note->setForegroundRole(QPalette::PlaceholderText);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 12, 4, 4);
    layout->addLayout(row);
    layout->addWidget(m_note);
    layout->addStretch(1);
}

void ErrorPageView::showError(const QString& message, const QString& note) {
    m_text->setText(message);
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}
