// What the buttons of AccountSettingsSheet do: add or save, check, delete.
#include "AccountSettingsSheet.h"

#include "core/SupplierPreferences.h"
#include "credentials/CredentialStore.h"
#include "suppliers/SupplierPlatforms.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

QString accountName(const char16_t* name) {
    return QString::fromUtf16(name);
}

// Whether the store holds a non-empty value; a failing store throws.
QCoro::Task<bool> isStored(CredentialStore& store, QString name) {
    auto read = store.read(name);
    const std::optional<QString> value = co_await std::move(read);
    co_return value && !value->isEmpty();
}

} // namespace

QCoro::Task<bool> AccountSettingsSheet::store(QPointer<AccountSettingsSheet> sheet, SettingsServices services,
                                              Entered entered, bool announce) {
    SupplierPlatform* platform = services.platforms.find(entered.platform);
    if (!platform) {
        sheet->setStatus(QStringLiteral("Выберите платформу поставщика."), 0);
        co_return false;
    }
    const SupplierPlatform::NewAccount made = platform->newAccount({entered.name, entered.address, entered.provider});
    if (!made.account) {
        sheet->setStatus(made.error, 0);
        co_return false;
    }
    const bool adding = !sheet->m_account;
    // A warning is read before anything is saved: the second click with the same address saves.
    const bool newAddress = adding || made.account->address != sheet->m_account->address;
    if (!made.warning.isEmpty() && newAddress && sheet->m_confirming != made.account->address) {
        sheet->m_confirming = made.account->address;
        sheet->setStatus(
            made.warning + QStringLiteral(" Нажмите «%1» ещё раз, чтобы сохранить его.").arg(sheet->m_save->text()), 0);
        co_return false;
    }
    const QString login = entered.login.trimmed();
    const QString user = entered.tradeSoftUser.trimmed();
    QString failure;
    try {
        if (platform->hasProvider() && user.isEmpty()) {
            failure = QStringLiteral("Укажите логин TradeSoft.");
        } else if (platform->hasProvider() && entered.tradeSoftPassword.isEmpty()) {
            auto stored = isStored(services.credentials, accountName(CredentialAccounts::tradeSoftPassword));
            if (!co_await std::move(stored))
                failure = QStringLiteral("Укажите пароль TradeSoft.");
        }
        if (failure.isEmpty() && login.isEmpty()) {
            failure = QStringLiteral("Введите логин.");
        } else if (failure.isEmpty() && entered.password.isEmpty()) {
            bool stored = false;
            if (!adding) {
                auto read = isStored(services.credentials, sheet->m_account->passwordAccount());
                stored = co_await std::move(read);
            }
            if (!stored)
                failure = QStringLiteral("Введите пароль.");
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

    SupplierAccounts& accounts = services.preferences.accounts();
    SupplierAccount supplier;
    if (adding) {
        const SupplierAccounts::Added added = accounts.add(*made.account, made.numberIfTaken);
        if (!added.account) {
            sheet->setStatus(added.error, 0);
            co_return false;
        }
        supplier = *added.account;
    } else {
        supplier = *sheet->m_account;
        supplier.name = made.account->name;
        supplier.address = made.account->address;
        accounts.update(supplier);
        if (accounts.find(supplier.id) != supplier) {
            sheet->setStatus(accounts.notSavedText(), 0);
            co_return false;
        }
    }
    sheet->m_account = supplier;
    sheet->showAccount();

    try {
        QList<std::pair<QString, QString>> secrets{{login, supplier.loginAccount()}};
        if (!entered.password.isEmpty())
            secrets.append({entered.password, supplier.passwordAccount()});
        if (platform->hasProvider()) {
            secrets.append({user, accountName(CredentialAccounts::tradeSoftUser)});
            if (!entered.tradeSoftPassword.isEmpty())
                secrets.append({entered.tradeSoftPassword, accountName(CredentialAccounts::tradeSoftPassword)});
        }
        for (const auto& [secret, name] : secrets) {
            auto saving = services.credentials.save(secret, name);
            co_await std::move(saving);
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
    sheet->m_password->clear();
    sheet->m_tradeSoftPassword->clear();
    if (announce)
        sheet->setStatus(adding ? QStringLiteral("Поставщик «%1» добавлен (%2).").arg(supplier.name, supplier.id)
                                : QStringLiteral("Данные сохранены в %1.").arg(services.storeName),
                         1);
    co_return true;
}

QCoro::Task<> AccountSettingsSheet::save(QPointer<AccountSettingsSheet> sheet, SettingsServices services,
                                         Entered entered) {
    const bool adding = !sheet->m_account;
    auto task = store(sheet, services, std::move(entered), true);
    const bool stored = co_await std::move(task);
    if (!sheet)
        co_return;
    // A supplier just added is checked at once: the buyer learns whether the login works.
    if (stored && adding && sheet->beginCheck(QStringLiteral("Проверяем подключение…"))) {
        const QString added = sheet->status();
        auto checking = services.platforms.of(*sheet->m_account)->checkConnection(*sheet->m_account);
        const ConnectionChecks::Result result = co_await std::move(checking);
        if (!sheet)
            co_return;
        sheet->endCheck(added + u' ' + result.status, result.ok);
    }
    Q_EMIT sheet->finished();
}

QCoro::Task<> AccountSettingsSheet::check(QPointer<AccountSettingsSheet> sheet, SettingsServices services,
                                          Entered entered) {
    if (sheet->isChecking())
        co_return;
    auto saving = store(sheet, services, std::move(entered), false);
    const bool complete = co_await std::move(saving);
    if (!sheet)
        co_return;
    if (!complete || !sheet->beginCheck(QStringLiteral("Проверяем подключение…"))) {
        // The reason is in the status already.
        Q_EMIT sheet->finished();
        co_return;
    }
    auto task = services.platforms.of(*sheet->m_account)->checkConnection(*sheet->m_account);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->endCheck(result.status, result.ok);
    Q_EMIT sheet->finished();
}

QCoro::Task<> AccountSettingsSheet::remove(QPointer<AccountSettingsSheet> sheet, SettingsServices services) {
    if (!sheet->m_account)
        co_return;
    const SupplierAccount supplier = *sheet->m_account;
    // Asked once more: the supplier goes with its login, and its lines stay in the cart unchecked.
    if (!std::exchange(sheet->m_deleteAsked, true)) {
        sheet->setStatus(
            QStringLiteral("Нажмите «Удалить» ещё раз: поставщик «%1» и его логин будут удалены.").arg(supplier.name),
            0);
        Q_EMIT sheet->finished();
        co_return;
    }
    if (!services.preferences.accounts().remove(supplier.id)) {
        sheet->setStatus(services.preferences.accounts().notSavedText(), 0);
        Q_EMIT sheet->finished();
        co_return;
    }
    QString failure;
    try {
        for (const QString& name : {supplier.loginAccount(), supplier.passwordAccount()}) {
            auto removal = services.credentials.remove(name);
            co_await std::move(removal);
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (!failure.isEmpty()) {
        sheet->setStatus(QStringLiteral("Поставщик удалён, но его логин остался в хранилище: ") + failure, 0);
        Q_EMIT sheet->finished();
        co_return;
    }
    Q_EMIT sheet->finished();
    sheet->accept();
}
