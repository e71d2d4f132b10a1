#include "AutopiterSettingsSheet.h"

#include "credentials/CredentialStore.h"
#include "ServiceAddressBlock.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kUserID = QString::fromUtf16(CredentialAccounts::autopiterUserID);
const QString kPassword = QString::fromUtf16(CredentialAccounts::autopiterPassword);

} // namespace

AutopiterSettingsSheet::AutopiterSettingsSheet(SettingsServices services, QWidget* parent)
    : SupplierSheet(std::move(services), QStringLiteral("Autopiter"), parent) {
    addNote(QStringLiteral("User ID и пароль хранятся в %1.").arg(this->services().storeName));
    addHowToConnect(QStringLiteral("1. Получите доступ к API для своего аккаунта Autopiter.\n"
                                   "2. Если Autopiter требует разрешённый публичный IP-адрес, зарегистрируйте его у "
                                   "поставщика.\n"
                                   "3. Введите ниже свой User ID и пароль Autopiter.\n"
                                   "4. Нажмите «Сохранить», затем «Проверить подключение».\n\n"
                                   "Важно: указание IP-адреса в программе не меняет ваш внешний IP. Orelia использует "
                                   "сетевые требования, установленные самим поставщиком."));

    auto* form = new QFormLayout();
    m_userID = new QLineEdit(this);
    m_userID->setObjectName(QStringLiteral("userID"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("User ID"), m_userID);
    form->addRow(QStringLiteral("Пароль"), m_password);
    addContent(form);

    m_save = addButton(QStringLiteral("Сохранить"));
    m_delete = addButton(QStringLiteral("Удалить"));
    m_check = addCheckButton(QStringLiteral("Проверить подключение"));
    addressBlock()->addEntry(ServiceAddressBlock::addressEntry(this->services().endpoints, this->services().defaults,
                                                               ServiceEndpoints::Service::autopiter,
                                                               QStringLiteral("Адрес сервиса Autopiter")));

    connect(m_save, &QPushButton::clicked, this,
            [this] { save(this, this->services(), m_userID->text(), m_password->text()); });
    connect(m_userID, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_password, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, this->services()); });
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, this->services()); });
    load(this, this->services());
}

QCoro::Task<> AutopiterSettingsSheet::load(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    std::optional<QString> stored;
    QString failure;
    try {
        auto read = services.credentials.read(kUserID);
        stored = co_await std::move(read);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (stored && sheet->m_userID->text().isEmpty())
        sheet->m_userID->setText(*stored);
    if (!failure.isEmpty())
        sheet->setStatus(failure, 0);
    Q_EMIT sheet->loaded();
}

QCoro::Task<> AutopiterSettingsSheet::save(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services,
                                           QString userID, QString password) {
    userID = userID.trimmed();
    if (userID.isEmpty()) {
        sheet->setStatus(QStringLiteral("Введите User ID Autopiter."), 0);
        co_return;
    }
    if (password.isEmpty()) {
        sheet->setStatus(QStringLiteral("Введите пароль Autopiter."), 0);
        co_return;
    }
    QString failure;
    try {
        auto storeID = services.credentials.save(userID, kUserID);
        co_await std::move(storeID);
        auto storePassword = services.credentials.save(password, kPassword);
        co_await std::move(storePassword);
        // A login under the old account must not go on until its cookie expires.
        services.autopiter.clearAuthorization();
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        sheet->m_password->clear();
        sheet->setStatus(QStringLiteral("Данные Autopiter сохранены."), 1);
    } else {
        sheet->setStatus(failure, 0);
    }
}

QCoro::Task<> AutopiterSettingsSheet::remove(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    QString failure;
    try {
        auto removeID = services.credentials.remove(kUserID);
        co_await std::move(removeID);
        auto removePassword = services.credentials.remove(kPassword);
        co_await std::move(removePassword);
        services.autopiter.clearAuthorization();
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        sheet->m_userID->clear();
        sheet->m_password->clear();
        sheet->setStatus(QStringLiteral("Данные Autopiter удалены."));
    } else {
        sheet->setStatus(failure, 0);
    }
}

QCoro::Task<> AutopiterSettingsSheet::check(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    if (!sheet->beginCheck(QStringLiteral("Проверка подключения Autopiter…")))
        co_return;
    auto task = ConnectionChecks::autopiter(services.autopiter);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->endCheck(result.status, result.ok);
}
