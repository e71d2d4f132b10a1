#include "SettingsWidgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace SettingsWidgets {

QString credentialStoreName(bool demo) {
    if (demo)
        return QStringLiteral("памяти программы (демо-режим, настоящее хранилище не используется)");
#if defined(Q_OS_MACOS)
    return QStringLiteral("macOS Keychain");
#elif defined(Q_OS_WIN)
    return QStringLiteral("диспетчере учётных данных Windows");
#else
    return QStringLiteral("системном хранилище паролей (Secret Service)");
#endif
}

QLayout* header(QWidget* sheet, const QString& title, QPushButton** closeButton) {
    auto* row = new QHBoxLayout();
    auto* label = new QLabel(title, sheet);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    label->setFont(font);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), sheet);
    close->setAutoDefault(false);
    close->setObjectName(QStringLiteral("close"));
    if (auto* dialog = qobject_cast<QDialog*>(sheet))
        QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(label);
    row->addStretch();
    row->addWidget(close);
    if (closeButton)
        *closeButton = close;
    return row;
}

QWidget* howToConnect(QWidget* parent, const QString& steps) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toggle = new QToolButton(box);
    toggle->setText(QStringLiteral("Как подключить"));
    toggle->setCheckable(true);
    toggle->setAutoRaise(true);
    toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toggle->setArrowType(Qt::RightArrow);
    auto* text = new QLabel(steps, box);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setVisible(false);
    QObject::connect(toggle, &QToolButton::toggled, text, [toggle, text](bool open) {
        text->setVisible(open);
        toggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        // The sheet grows with the steps instead of squeezing them.
        if (QWidget* sheet = text->window())
            sheet->adjustSize();
    });
    layout->addWidget(toggle, 0, Qt::AlignLeft);
    layout->addWidget(text);
    return box;
}

QLabel* statusLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("status"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

void showStatus(QLabel* label, const QString& text, int success) {
    label->setText(text);
    QPalette palette = label->parentWidget() ? label->parentWidget()->palette() : label->palette();
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    if (success == 1)
        palette.setColor(QPalette::WindowText, dark ? QColor(129, 199, 132) : QColor(46, 125, 50));
    else if (success == 0)
        palette.setColor(QPalette::WindowText, dark ? QColor(239, 154, 154) : QColor(198, 40, 40));
    label->setPalette(palette);
}

QProgressBar* busyIndicator(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QStringLiteral("busy"));
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(48, 10);
    bar->setVisible(false);
    return bar;
}

} // namespace SettingsWidgets
