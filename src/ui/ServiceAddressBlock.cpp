#include "ServiceAddressBlock.h"

#include "core/UserDefaults.h"
#include "net/ServiceAddress.h"
#include "SettingsWidgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using Service = ServiceEndpoints::Service;
using Source = ServiceEndpoints::Source;

ServiceAddressBlock::ServiceAddressBlock(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("serviceAddress"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout();
    m_toggle = new QToolButton(this);
    m_toggle->setText(QStringLiteral("Адрес сервиса"));
    m_toggle->setCheckable(true);
    m_toggle->setAutoRaise(true);
    m_toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toggle->setArrowType(Qt::RightArrow);
    m_summary = new QLabel(this);
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    head->addWidget(m_toggle);
    head->addWidget(m_summary, 1);
    // Keeps the button on the left while the summary is hidden.
    head->addStretch();
    layout->addLayout(head);
    m_body = new QWidget(this);
    m_body->setVisible(false);
    new QVBoxLayout(m_body);
    m_body->layout()->setContentsMargins(18, 0, 0, 0);
    layout->addWidget(m_body);
    connect(m_toggle, &QToolButton::toggled, this, [this](bool open) {
        m_body->setVisible(open);
        m_summary->setVisible(!open);
        m_toggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        // The sheet grows with the block instead of squeezing it.
        if (QWidget* sheet = window(); sheet != this)
            sheet->adjustSize();
    });
}

QString ServiceAddressBlock::originText(Source source, Service service) {
    switch (source) {
    case Source::builtIn:
        return QStringLiteral("встроенный адрес");
    case Source::settings:
        return QStringLiteral("сохранён в настройках");
    case Source::environment:
        return QStringLiteral("из переменной окружения %1 (она важнее настроек)")
            .arg(ServiceEndpoints::environmentVariable(service));
    case Source::demo:
        return QStringLiteral("учебный сервис демо-режима");
    case Source::none:
        break;
    }
    return {};
}

ServiceAddressBlock::Entry ServiceAddressBlock::addressEntry(ServiceEndpoints& endpoints, UserDefaults& defaults,
                                                             Service service, const QString& title) {
    const QString key = ServiceEndpoints::settingsKey(service);
    Entry entry;
    entry.title = title;
    entry.inUse = [&endpoints, service] {
        InUse inUse;
        const Source source = endpoints.source(service);
        inUse.origin = originText(source, service);
        inUse.problem = endpoints.problem(service);
        const QUrl url = endpoints.origin(service);
        inUse.value = url.toString();
        inUse.unencrypted = ServiceAddress::travelsUnencrypted(url);
        inUse.editable = source != Source::demo;
        return inUse;
    };
    entry.saved = [&defaults, key] { return defaults.stringValue(key).value_or(QString()); };
    const QUrl builtIn = endpoints.builtInOrigin(service);
    entry.placeholder = builtIn.isEmpty() ? QStringLiteral("https://…") : builtIn.toString();
    entry.check = [](const QString& text) {
        const ServiceAddressCheck check = ServiceAddress::check(text);
        return Check{check.url.toString(), check.error,
                     check.unencrypted ? ServiceAddress::unencryptedWarning() : QString()};
    };
    entry.store = [&defaults, key](const QString& value) { defaults.setString(key, value); };
    entry.reset = [&defaults, key, builtIn] {
        defaults.remove(key);
        return builtIn.isEmpty() ? QStringLiteral("Адрес удалён.")
                                 : QStringLiteral("Восстановлен встроенный адрес: ") + builtIn.toString();
    };
    return entry;
}

void ServiceAddressBlock::addEntry(Entry entry, bool required) {
    const int index = static_cast<int>(m_rows.size());
    Row row;
    row.entry = std::move(entry);
    auto* box = new QWidget(m_body);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 4, 0, 4);
    auto* title = new QLabel(row.entry.title, box);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    row.inUse = SettingsWidgets::statusLabel(box);
    row.inUse->setObjectName(QStringLiteral("inUse"));
    row.warning = SettingsWidgets::statusLabel(box);
    row.warning->setObjectName(QStringLiteral("warning"));
    row.field = new QLineEdit(row.entry.saved(), box);
    row.field->setPlaceholderText(row.entry.placeholder);
    row.field->setClearButtonEnabled(true);
    row.save = new QPushButton(QStringLiteral("Сохранить"), box);
    row.reset = new QPushButton(QStringLiteral("По умолчанию"), box);
    for (QPushButton* b : {row.save, row.reset})
        b->setAutoDefault(false);
    row.status = SettingsWidgets::statusLabel(box);
    grid->addWidget(title, 0, 0, 1, 3);
    grid->addWidget(row.inUse, 1, 0, 1, 3);
    grid->addWidget(row.warning, 2, 0, 1, 3);
    grid->addWidget(row.field, 3, 0);
    grid->addWidget(row.save, 3, 1);
    grid->addWidget(row.reset, 3, 2);
    grid->addWidget(row.status, 4, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    m_body->layout()->addWidget(box);
    connect(row.save, &QPushButton::clicked, this, [this, index] { save(index); });
    connect(row.field, &QLineEdit::returnPressed, this, [this, index] { save(index); });
    connect(row.reset, &QPushButton::clicked, this, [this, index] { resetEntry(index); });
    // A changed text needs its own warning before it is saved.
    connect(row.field, &QLineEdit::textEdited, this, [this, index] { m_rows[index].confirming.clear(); });
    const bool missing = row.entry.inUse().value.isEmpty();
    m_rows.append(std::move(row));
    refresh();
    if (required && missing)
        setOpen(true);
}

bool ServiceAddressBlock::isOpen() const {
    return m_toggle->isChecked();
}

void ServiceAddressBlock::setOpen(bool open) {
    m_toggle->setChecked(open);
}

QString ServiceAddressBlock::inUseText(int entry) const {
    return m_rows.at(entry).inUse->text();
}

QString ServiceAddressBlock::warningText(int entry) const {
    return m_rows.at(entry).warning->text();
}

QString ServiceAddressBlock::status(int entry) const {
    return m_rows.at(entry).status->text();
}

void ServiceAddressBlock::refresh() {
    QStringList summary;
    for (Row& row : m_rows) {
        const InUse inUse = row.entry.inUse();
        const QString text =
            inUse.value.isEmpty()
                ? (row.entry.missingText.isEmpty() ? QStringLiteral("Не задан.") : row.entry.missingText)
                : QStringLiteral("Используется: %1 — %2.").arg(inUse.value, inUse.origin);
        row.inUse->setText(text);
        const QString warning = !inUse.problem.isEmpty() ? inUse.problem
                                : inUse.unencrypted      ? ServiceAddress::unencryptedWarning()
                                                         : QString();
        SettingsWidgets::showStatus(row.warning, warning, 0);
        row.warning->setVisible(!warning.isEmpty());
        for (QWidget* w :
             {static_cast<QWidget*>(row.field), static_cast<QWidget*>(row.save), static_cast<QWidget*>(row.reset)})
            w->setEnabled(inUse.editable);
        row.status->setVisible(!row.status->text().isEmpty());
        summary.append(inUse.value.isEmpty() ? row.entry.title + QStringLiteral(": не задан")
                                             : inUse.value + QStringLiteral(" — ") + inUse.origin);
    }
    m_summary->setText(summary.join(QStringLiteral(" · ")));
    // A warning or a longer status needs its lines.
    if (QWidget* sheet = window(); sheet != this && sheet->isVisible())
        sheet->adjustSize();
}

void ServiceAddressBlock::save(int entry) {
    Row& row = m_rows[entry];
    const Check check = row.entry.check(row.field->text());
    if (!check.error.isEmpty()) {
        row.confirming.clear();
        SettingsWidgets::showStatus(row.status, check.error, 0);
        refresh();
        return;
    }
    if (!check.warning.isEmpty() && row.confirming != check.value) {
        row.confirming = check.value;
        SettingsWidgets::showStatus(
            row.status, check.warning + QStringLiteral(" Нажмите «Сохранить» ещё раз, чтобы всё равно сохранить."), 0);
        refresh();
        return;
    }
    row.confirming.clear();
    row.entry.store(check.value);
    row.field->setText(check.value);
    SettingsWidgets::showStatus(row.status, QStringLiteral("Сохранено. Действует со следующего запроса."), 1);
    refresh();
    Q_EMIT changed();
}

void ServiceAddressBlock::resetEntry(int entry) {
    Row& row = m_rows[entry];
    row.confirming.clear();
    const QString status = row.entry.reset();
    row.field->clear();
    SettingsWidgets::showStatus(row.status, status, -1);
    refresh();
    Q_EMIT changed();
}
