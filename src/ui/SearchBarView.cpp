#include "SearchBarView.h"

#include "FlowLayout.h"
#include "UiIcons.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kDurationIconSize = 14;
constexpr int kFieldMinimumWidth = 220;

const QString kSearchTitle = QStringLiteral("Найти");
const QString kCancelTitle = QStringLiteral("Отменить");

void retainSizeWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

SearchBarView::SearchBarView(QWidget* parent)
    : QWidget(parent) {
    // The field with its button and duration is one piece that takes the row's spare width;
    // the sheet buttons are another that moves below it when both do not fit.
    auto* search = new QWidget(this);
    search->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_field = new QLineEdit(search);
    m_field->setPlaceholderText(QStringLiteral("OEM / артикул"));
    m_field->setClearButtonEnabled(true);
    m_field->setMinimumWidth(kFieldMinimumWidth);
    m_searchButton = new QPushButton(kCancelTitle, search);
    // "Найти" and "Отменить" take turns in one place: the button is as wide as the wider of them.
    const int cancelWidth = m_searchButton->sizeHint().width();
    m_searchButton->setText(kSearchTitle);
    m_searchButton->setMinimumWidth(std::max(cancelWidth, m_searchButton->sizeHint().width()));

    m_durationIcon = new QLabel(search);
    m_durationIcon->setPixmap(UiIcons::pixmap(UiIcons::paintTimer, kDurationIconSize,
                                              palette().color(QPalette::PlaceholderText), devicePixelRatioF()));
    m_durationIcon->setFixedSize(kDurationIconSize, kDurationIconSize);
    m_durationText = new QLabel(search);
    m_durationText->setForegroundRole(QPalette::PlaceholderText);
    // The duration keeps its room while a search runs, so the field does not change width.
    m_durationText->setMinimumWidth(m_durationText->fontMetrics().horizontalAdvance(QStringLiteral("Поиск: 88,8 с")));
    retainSizeWhenHidden(m_durationIcon);
    retainSizeWhenHidden(m_durationText);

    auto* searchLayout = new QHBoxLayout(search);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->setSpacing(8);
    searchLayout->addWidget(m_field, 1);
    searchLayout->addWidget(m_searchButton);
    searchLayout->addSpacing(4);
    searchLayout->addWidget(m_durationIcon);
    searchLayout->addWidget(m_durationText);

    auto* tools = new QWidget(this);
    // Short, so that the window's least width does not grow; the sheet's title says the rest.
    m_batch = new QPushButton(QStringLiteral("Список…"), tools);
    m_feedback = new QPushButton(QStringLiteral("Обратная связь"), tools);
    m_settings = new QPushButton(QStringLiteral("Настройки"), tools);
    m_cart = new QPushButton(QStringLiteral("Открыть корзину"), tools);
    m_cart->setObjectName(QStringLiteral("openCart"));
    auto* toolsLayout = new QHBoxLayout(tools);
    toolsLayout->setContentsMargins(0, 0, 0, 0);
    toolsLayout->setSpacing(8);
    for (QPushButton* button : {m_batch, m_feedback, m_settings, m_cart})
        toolsLayout->addWidget(button);

    auto* layout = new FlowLayout(this, 16, 6);
    layout->addWidget(search);
    layout->addWidget(tools);
    setDuration(QString());
}

QKeySequence SearchBarView::cartShortcut() {
    return QKeySequence(Qt::CTRL | Qt::Key_K);
}

void SearchBarView::setLoading(bool loading) {
    m_searchButton->setText(loading ? kCancelTitle : kSearchTitle);
    m_searchButton->setToolTip(loading ? QStringLiteral("Закончить поиск, не дожидаясь остальных поставщиков (Esc)")
                                       : QString());
}

void SearchBarView::setDuration(const QString& text) {
    m_durationText->setText(text);
    m_durationText->setVisible(!text.isEmpty());
    m_durationIcon->setVisible(!text.isEmpty());
}

void SearchBarView::setCartCount(std::int64_t count) {
    m_cart->setText(QStringLiteral("Открыть корзину (%1)").arg(count));
}
