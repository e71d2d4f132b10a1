#include "AutoEuroSettingsSheet.h"

#include "credentials/CredentialStore.h"
#include "ServiceAddressBlock.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kAccount = QString::fromUtf16(CredentialAccounts::autoEuroAPIKey);

} // namespace

AutoEuroSettingsSheet::AutoEuroSettingsSheet(SettingsServices services, QWidget* parent)
    : SupplierSheet(std::move(services), QStringLiteral("AutoEuro"), parent) {
    const QString storeName = this->services().storeName;
    addNote(QStringLiteral("API-key хранится в %1.").arg(storeName));
    addHowToConnect(QStringLiteral("1. Получите API-key для своего аккаунта AutoEuro.\n"
                                   "2. Введите API-key ниже.\n"
                                   "3. Нажмите «Сохранить».\n"
                                   "4. Нажмите «Проверить API AutoEuro» и убедитесь, что доступ подтверждён.\n\n"
                                   "API-key хранится только локально в защищённом хранилище: %1.")
                        .arg(storeName));

    auto* form = new QFormLayout();
    m_key = new QLineEdit(this);
    m_key->setObjectName(QStringLiteral("apiKey"));
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setPlaceholderText(QStringLiteral("API-key"));
    form->addRow(QStringLiteral("API-key"), m_key);
    addContent(form);

    m_save = addButton(QStringLiteral("Сохранить"));
    m_delete = addButton(QStringLiteral("Удалить ключ"));
    m_check = addCheckButton(QStringLiteral("Проверить API AutoEuro"));
    m_accountInfo = addInfo(QStringLiteral("accountInfo"));
    addressBlock()->addEntry(ServiceAddressBlock::addressEntry(this->services().endpoints, this->services().defaults,
                                                               ServiceEndpoints::Service::autoEuro,
                                                               QStringLiteral("Адрес API AutoEuro")));

    connect(m_save, &QPushButton::clicked, this, [this] { save(this, this->services(), m_key->text()); });
    // Enter in the field saves.
    connect(m_key, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, this->services()); });
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, this->services()); });
}

QString AutoEuroSettingsSheet::accountInfo() const {
    return m_accountInfo->text();
}

QCoro::Task<> AutoEuroSettingsSheet::save(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services,
                                          QString key) {
    key = key.trimmed();
    if (key.isEmpty()) {
        sheet->setStatus(QStringLiteral("Введите API-key."), 0);
        co_return;
    }
    QString failure;
    try {
        auto store = services.credentials.save(key, kAccount);
        co_await std::move(store);
        services.autoEuro.invalidateCachedAPIKey();
    } catch (const UserFacingError& error) {
        failure = error.description(); // the typed key stays in the field
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        sheet->m_key->clear();
        sheet->setStatus(QStringLiteral("API-key сохранён."), 1);
    } else {
        sheet->setStatus(failure, 0);
    }
}

QCoro::Task<> AutoEuroSettingsSheet::remove(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services) {
    QString failure;
    try {
        auto removal = services.credentials.remove(kAccount);
        co_await std::move(removal);
        services.autoEuro.invalidateCachedAPIKey();
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        sheet->m_key->clear();
        sheet->m_accountInfo->clear();
        sheet->setStatus(QStringLiteral("API-key удалён."));
    } else {
        sheet->setStatus(failure, 0);
    }
}

QCoro::Task<> AutoEuroSettingsSheet::check(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services) {
    if (!sheet->beginCheck(QStringLiteral("Проверка API AutoEuro…")))
        co_return;
    sheet->m_accountInfo->clear();
    auto task = ConnectionChecks::autoEuro(services.autoEuro);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->m_accountInfo->setText(result.accountInfo);
    sheet->endCheck(result.status, result.ok);
}
