#include "FirstRunView.h"

#include "UiIcons.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 44;
constexpr int kTextWidth = 560;

QLabel* paragraph(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A fixed size: a wrapped label in a centred layout would shrink to its narrowest and cut lines.
    label->setFixedWidth(kTextWidth);
    label->setMinimumHeight(label->heightForWidth(kTextWidth));
    return label;
}

} // namespace

FirstRunView::FirstRunView(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("firstRun"));
    const QColor dim = palette().color(QPalette::PlaceholderText);
    auto* icon = new QLabel(this);
    icon->setPixmap(UiIcons::pixmap(UiIcons::paintMagnifyingGlass, kIconSize, dim, devicePixelRatioF()));
    icon->setFixedSize(kIconSize, kIconSize);

    m_title = new QLabel(QStringLiteral("Подключите поставщика"), this);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    auto* text = paragraph(QStringLiteral("Orelia ищет детали сразу у ваших поставщиков — AutoEuro, Autopiter и "
                                          "Автолиги. Чтобы начать, введите в настройках учётные данные хотя бы "
                                          "одного из них: API-key или логин и пароль, которые выдал поставщик."),
                           this);
    m_settings = new QPushButton(QStringLiteral("Открыть настройки"), this);
    m_settings->setDefault(true);
    auto* demoText = paragraph(QStringLiteral("Учётных данных пока нет? Посмотрите, как всё работает, на учебных "
                                              "поставщиках: демо-режим (orelia --demo) не трогает ваши настройки."),
                               this);
    demoText->setForegroundRole(QPalette::PlaceholderText);
    m_demo = new QPushButton(QStringLiteral("Открыть демо-режим"), this);
    m_demo->setFlat(true);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(m_title);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(m_settings, 0, Qt::AlignHCenter);
    layout->addSpacing(16);
    layout->addWidget(demoText, 0, Qt::AlignHCenter);
    layout->addWidget(m_demo, 0, Qt::AlignHCenter);
    layout->addStretch(2);

    connect(m_settings, &QPushButton::clicked, this, &FirstRunView::settingsRequested);
    connect(m_demo, &QPushButton::clicked, this, &FirstRunView::demoRequested);
}
