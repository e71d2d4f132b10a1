#include "AutoEuroSettingsSheet.h"

#include "credentials/CredentialStore.h"
#include "SettingsWidgets.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kAccount = QString::fromUtf16(CredentialAccounts::autoEuroAPIKey);

} // namespace

AutoEuroSettingsSheet::AutoEuroSettingsSheet(SettingsServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services)) {
    setWindowTitle(QStringLiteral("AutoEuro"));
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(SettingsWidgets::header(this, QStringLiteral("AutoEuro")));
    auto* note = new QLabel(QStringLiteral("API-key хранится в %1.").arg(m_services.storeName), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(SettingsWidgets::howToConnect(
        this, QStringLiteral("1. Получите API-key для своего аккаунта AutoEuro.\n"
                             "2. Введите API-key ниже.\n"
                             "3. Нажмите «Сохранить».\n"
                             "4. Нажмите «Проверить API AutoEuro» и убедитесь, что доступ подтверждён.\n\n"
                             "API-key хранится только локально в защищённом хранилище: %1.")
                  .arg(m_services.storeName)));

    auto* form = new QFormLayout();
    m_key = new QLineEdit(this);
    m_key->setObjectName(QStringLiteral("apiKey"));
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setPlaceholderText(QStringLiteral("API-key"));
    form->addRow(QStringLiteral("API-key"), m_key);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout();
    m_save = new QPushButton(QStringLiteral("Сохранить"), this);
    m_delete = new QPushButton(QStringLiteral("Удалить ключ"), this);
    m_check = new QPushButton(QStringLiteral("Проверить API AutoEuro"), this);
    for (QPushButton* b : {m_save, m_delete, m_check})
        b->setAutoDefault(false);
    m_busy = SettingsWidgets::busyIndicator(this);
    buttons->addWidget(m_save);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_check);
    buttons->addWidget(m_busy);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_status = SettingsWidgets::statusLabel(this);
    m_accountInfo = SettingsWidgets::statusLabel(this);
    m_accountInfo->setObjectName(QStringLiteral("accountInfo"));
    layout->addWidget(m_status);
    layout->addWidget(m_accountInfo);
    layout->addStretch();

    connect(m_save, &QPushButton::clicked, this, [this] { save(this, m_services, m_key->text()); });
    // Enter in the field saves.
    connect(m_key, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, m_services); });
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, m_services); });
}

QString AutoEuroSettingsSheet::status() const {
    return m_status->text();
}

QString AutoEuroSettingsSheet::accountInfo() const {
    return m_accountInfo->text();
}

void AutoEuroSettingsSheet::setStatus(const QString& text) {
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

QCoro::Task<> AutoEuroSettingsSheet::save(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services,
                                          QString key) {
    key = key.trimmed();
    if (key.isEmpty()) {
        sheet->setStatus(QStringLiteral("Введите API-key."));
        co_return;
    }
    QString status;
    try {
        auto store = services.credentials.save(key, kAccount);
        co_await std::move(store);
        services.autoEuro.invalidateCachedAPIKey();
        status = QStringLiteral("API-key сохранён.");
    } catch (const UserFacingError& error) {
        status = error.description(); // the typed key stays in the field
    }
    if (!sheet)
        co_return;
    if (status == u"API-key сохранён.")
        sheet->m_key->clear();
    sheet->setStatus(status);
}

QCoro::Task<> AutoEuroSettingsSheet::remove(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services) {
    QString status;
    try {
        auto removal = services.credentials.remove(kAccount);
        co_await std::move(removal);
        services.autoEuro.invalidateCachedAPIKey();
        status = QStringLiteral("API-key удалён.");
    } catch (const UserFacingError& error) {
        status = error.description();
    }
    if (!sheet)
        co_return;
    if (status == u"API-key удалён.") {
        sheet->m_key->clear();
        sheet->m_accountInfo->clear();
    }
    sheet->setStatus(status);
}

QCoro::Task<> AutoEuroSettingsSheet::check(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services) {
    if (sheet->m_isChecking)
        co_return;
    sheet->m_isChecking = true;
    sheet->m_check->setEnabled(false);
    sheet->m_busy->setVisible(true);
    sheet->m_accountInfo->clear();
    sheet->setStatus(QStringLiteral("Проверка API AutoEuro…"));
    auto task = ConnectionChecks::autoEuro(services.autoEuro);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->m_isChecking = false;
    sheet->m_check->setEnabled(true);
    sheet->m_busy->setVisible(false);
    sheet->setStatus(result.status);
    sheet->m_accountInfo->setText(result.accountInfo);
    sheet->adjustSize(); // the account information needs its room
}
