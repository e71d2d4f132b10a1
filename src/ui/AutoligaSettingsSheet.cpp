#include "AutoligaSettingsSheet.h"

#include "core/UserDefaults.h"
#include "credentials/CredentialStore.h"
#include "ServiceAddressBlock.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString account(const char16_t* name) {
    return QString::fromUtf16(name);
}

// Whether the store holds a non-empty value; a failing store throws.
QCoro::Task<bool> isStored(CredentialStore& store, QString name) {
    auto read = store.read(name);
    const std::optional<QString> value = co_await std::move(read);
    co_return value && !value->isEmpty();
}

} // namespace

AutoligaSettingsSheet::AutoligaSettingsSheet(SettingsServices services, QWidget* parent)
    : SupplierSheet(std::move(services), QStringLiteral("Автолига"), parent) {
    const auto group = [this](const QString& title, const QString& loginTitle, QLineEdit** login,
                              const QString& passwordTitle, QLineEdit** password) {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        *login = new QLineEdit(box);
        *password = new QLineEdit(box);
        (*password)->setEchoMode(QLineEdit::Password);
        form->addRow(loginTitle, *login);
        form->addRow(passwordTitle, *password);
        return box;
    };
    addContent(group(QStringLiteral("TradeSoft"), QStringLiteral("TradeSoft логин"), &m_tradeSoftUser,
                     QStringLiteral("TradeSoft пароль"), &m_tradeSoftPassword));
    addContent(group(QStringLiteral("Автолига"), QStringLiteral("Автолига логин"), &m_autoligaLogin,
                     QStringLiteral("Автолига пароль"), &m_autoligaPassword));
    m_tradeSoftUser->setObjectName(QStringLiteral("tradeSoftUser"));
    m_tradeSoftPassword->setObjectName(QStringLiteral("tradeSoftPassword"));
    m_autoligaLogin->setObjectName(QStringLiteral("autoligaLogin"));
    m_autoligaPassword->setObjectName(QStringLiteral("autoligaPassword"));

    m_save = addButton(QStringLiteral("Сохранить"));
    m_check = addCheckButton(QStringLiteral("Проверить подключение"));
    m_delete = addButton(QStringLiteral("Удалить данные подключения"));
    addAddresses();

    connect(m_save, &QPushButton::clicked, this, [this] { save(this, this->services(), entered()); });
    for (QLineEdit* field : {m_tradeSoftUser, m_tradeSoftPassword, m_autoligaLogin, m_autoligaPassword})
        connect(field, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, this->services(), entered()); });
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, this->services()); });
    load(this, this->services());
}

void AutoligaSettingsSheet::addAddresses() {
    using Block = ServiceAddressBlock;
    ServiceEndpoints& endpoints = services().endpoints;
    UserDefaults& defaults = services().defaults;
    Block::Entry portal = Block::addressEntry(endpoints, defaults, ServiceEndpoints::Service::autoligaPortal,
                                              QStringLiteral("Адрес портала Автолиги"));
    portal.missingText = QStringLiteral("Адрес не задан: пока его нет, портал Автолиги в поиске не опрашивается. "
                                        "Узнайте его у Автолиги.");
    addressBlock()->addEntry(std::move(portal), true);
    addressBlock()->addEntry(Block::addressEntry(endpoints, defaults, ServiceEndpoints::Service::tradeSoft,
                                                 QStringLiteral("Адрес TradeSoft")));

    const QString key = UserDefaultsKeys::autoligaTradeSoftProvider;
    const QString builtIn = QString::fromUtf16(AutoligaProvider::tradeSoftProviderID);
    Block::Entry provider;
    provider.title = QStringLiteral("Поставщик Автолиги в TradeSoft");
    provider.inUse = [&defaults, key] {
        Block::InUse inUse;
        inUse.value = AutoligaProvider::providerID(&defaults);
        const QString saved = defaults.stringValue(key).value_or(QString());
        const bool usable = AutoligaProvider::isUsableProviderID(saved);
        inUse.origin = usable ? QStringLiteral("сохранён в настройках") : QStringLiteral("по умолчанию");
        if (defaults.contains(key) && !usable)
            inUse.problem =
                QStringLiteral("Сохранённое значение («%1») не подходит: используется встроенное.").arg(saved);
        return inUse;
    };
    provider.saved = [&defaults, key] { return defaults.stringValue(key).value_or(QString()); };
    provider.placeholder = builtIn;
    provider.check = [](const QString& text) {
        Block::Check check;
        check.value = text.trimmed();
        if (!AutoligaProvider::isUsableProviderID(check.value))
            check.error = QStringLiteral("Идентификатор поставщика — латинские буквы, цифры, «_», «-» и «.», не "
                                         "длиннее 64 знаков.");
        return check;
    };
    provider.store = [&defaults, key](const QString& value) { defaults.setString(key, value); };
    provider.reset = [&defaults, key, builtIn] {
        defaults.remove(key);
        return QStringLiteral("Восстановлен поставщик по умолчанию: ") + builtIn;
    };
    addressBlock()->addEntry(std::move(provider));
}

AutoligaSettingsSheet::Entered AutoligaSettingsSheet::entered() const {
    return {m_tradeSoftUser->text(), m_tradeSoftPassword->text(), m_autoligaLogin->text(), m_autoligaPassword->text()};
}

QCoro::Task<> AutoligaSettingsSheet::load(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services) {
    std::optional<QString> user;
    std::optional<QString> login;
    QString failure;
    try {
        auto readUser = services.credentials.read(account(CredentialAccounts::tradeSoftUser));
        user = co_await std::move(readUser);
        auto readLogin = services.credentials.read(account(CredentialAccounts::autoligaLogin));
        login = co_await std::move(readLogin);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (user && sheet->m_tradeSoftUser->text().isEmpty())
        sheet->m_tradeSoftUser->setText(*user);
    if (login && sheet->m_autoligaLogin->text().isEmpty())
        sheet->m_autoligaLogin->setText(*login);
    if (!failure.isEmpty())
        sheet->setStatus(failure, 0);
    Q_EMIT sheet->loaded();
}

QCoro::Task<bool> AutoligaSettingsSheet::store(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                               Entered entered, bool announce) {
    const QString user = entered.tradeSoftUser.trimmed();
    const QString login = entered.autoligaLogin.trimmed();
    if (user.isEmpty() || login.isEmpty()) {
        sheet->setStatus(QStringLiteral("Укажите оба логина."), 0);
        co_return false;
    }
    QString failure;
    try {
        auto saveUser = services.credentials.save(user, account(CredentialAccounts::tradeSoftUser));
        co_await std::move(saveUser);
        auto saveLogin = services.credentials.save(login, account(CredentialAccounts::autoligaLogin));
        co_await std::move(saveLogin);
        // An empty password field keeps the stored password; with none stored it is missing.
        const std::pair<QString, const char16_t*> passwords[] = {
            {entered.tradeSoftPassword, CredentialAccounts::tradeSoftPassword},
            {entered.autoligaPassword, CredentialAccounts::autoligaPassword}};
        for (const auto& [typed, name] : passwords) {
            if (!typed.isEmpty()) {
                auto savePassword = services.credentials.save(typed, account(name));
                co_await std::move(savePassword);
                continue;
            }
            auto stored = isStored(services.credentials, account(name));
            if (!co_await std::move(stored)) {
                failure = name == CredentialAccounts::tradeSoftPassword ? QStringLiteral("Укажите пароль TradeSoft.")
                                                                        : QStringLiteral("Укажите пароль Автолиги.");
                break;
            }
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return false;
    if (!failure.isEmpty()) {
        sheet->setStatus(failure, 0);
        co_return false;
    }
    sheet->m_tradeSoftPassword->clear();
    sheet->m_autoligaPassword->clear();
    if (announce)
        sheet->setStatus(QStringLiteral("Данные сохранены в %1.").arg(services.storeName), 1);
    co_return true;
}

QCoro::Task<> AutoligaSettingsSheet::save(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                          Entered entered) {
    auto task = store(sheet, services, std::move(entered), true);
    co_await std::move(task);
    if (sheet)
        Q_EMIT sheet->finished();
}

QCoro::Task<> AutoligaSettingsSheet::check(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                           Entered entered) {
    if (sheet->isChecking())
        co_return;
    auto saving = store(sheet, services, std::move(entered), false);
    const bool complete = co_await std::move(saving);
    if (!sheet)
        co_return;
    if (!complete) {
        // The reason is in the status already.
        Q_EMIT sheet->finished();
        co_return;
    }
    if (!sheet->beginCheck(QStringLiteral("Проверяем подключение…")))
        co_return;
    auto task = ConnectionChecks::autoliga(services.tradeSoft, AutoligaProvider::providerID(&services.defaults));
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->endCheck(result.status, result.ok);
    Q_EMIT sheet->finished();
}

QCoro::Task<> AutoligaSettingsSheet::remove(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services) {
    QString failure;
    try {
        for (const char16_t* name : {CredentialAccounts::tradeSoftUser, CredentialAccounts::tradeSoftPassword,
                                     CredentialAccounts::autoligaLogin, CredentialAccounts::autoligaPassword}) {
            auto removal = services.credentials.remove(account(name));
            co_await std::move(removal);
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        for (QLineEdit* field :
             {sheet->m_tradeSoftUser, sheet->m_tradeSoftPassword, sheet->m_autoligaLogin, sheet->m_autoligaPassword})
            field->clear();
        sheet->setStatus(QStringLiteral("Данные подключения удалены."), -1);
    } else {
        sheet->setStatus(failure, 0);
    }
    Q_EMIT sheet->finished();
}
