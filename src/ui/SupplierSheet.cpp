#include "SupplierSheet.h"

#include "ServiceAddressBlock.h"
#include "SettingsWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

SupplierSheet::SupplierSheet(SettingsServices services, const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services)) {
    setWindowTitle(title);
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    QLayout* header = SettingsWidgets::header(this, title);
    m_title = qobject_cast<QLabel*>(header->itemAt(0)->widget());
    layout->addLayout(header);
    m_content = new QVBoxLayout();
    layout->addLayout(m_content);
    m_buttons = new QHBoxLayout();
    m_busy = SettingsWidgets::busyIndicator(this);
    m_buttons->addWidget(m_busy);
    m_buttons->addStretch();
    layout->addLayout(m_buttons);
    m_status = SettingsWidgets::statusLabel(this);
    m_status->setVisible(false);
    layout->addWidget(m_status);
    m_info = new QVBoxLayout();
    layout->addLayout(m_info);
    m_addressBlock = new ServiceAddressBlock(this);
    layout->addWidget(m_addressBlock);
    layout->addStretch();
}

void SupplierSheet::showEvent(QShowEvent* event) {
    // Sized once everything is in it: wrapped texts (an address, a note) get the lines they need.
    if (!std::exchange(m_shown, true)) {
        // A supplier whose addresses are all its own has no block to fold.
        if (m_addressBlock->entryCount() == 0)
            m_addressBlock->hide();
        adjustSize();
    }
    QDialog::showEvent(event);
}

void SupplierSheet::setTitle(const QString& title) {
    setWindowTitle(title);
    if (m_title)
        m_title->setText(title);
}

QString SupplierSheet::status() const {
    return m_status->text();
}

void SupplierSheet::addNote(const QString& text) {
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    m_content->addWidget(note);
}

void SupplierSheet::addHowToConnect(const QString& steps) {
    m_content->addWidget(SettingsWidgets::howToConnect(this, steps));
}

void SupplierSheet::addContent(QWidget* widget) {
    m_content->addWidget(widget);
}

void SupplierSheet::addContent(QLayout* layout) {
    m_content->addLayout(layout);
}

QPushButton* SupplierSheet::addButton(const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    // Before the busy bar and the stretch.
    m_buttons->insertWidget(m_buttons->count() - 2, button);
    return button;
}

QPushButton* SupplierSheet::addCheckButton(const QString& text) {
    m_check = addButton(text);
    return m_check;
}

QLabel* SupplierSheet::addInfo(const QString& objectName) {
    QLabel* label = SettingsWidgets::statusLabel(this);
    label->setObjectName(objectName);
    m_info->addWidget(label);
    return label;
}

void SupplierSheet::setStatus(const QString& text, int success) {
    m_statusIsSuccess = success;
    SettingsWidgets::showStatus(m_status, text, success);
    m_status->setVisible(!text.isEmpty());
}

bool SupplierSheet::beginCheck(const QString& progress) {
    if (m_isChecking)
        return false;
    m_isChecking = true;
    if (m_check)
        m_check->setEnabled(false);
    m_busy->setVisible(true);
    setStatus(progress);
    return true;
}

void SupplierSheet::endCheck(const QString& status, bool ok) {
    m_isChecking = false;
    if (m_check)
        m_check->setEnabled(true);
    m_busy->setVisible(false);
    setStatus(status, ok ? 1 : 0);
    adjustSize(); // a longer text needs its room
}
