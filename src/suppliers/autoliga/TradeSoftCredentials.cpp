#include "TradeSoftCredentials.h"

#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "TradeSoftError.h"

namespace {

QCoro::Task<QString> readSecret(CredentialStore& store, QString account) {
    auto read = store.read(account);
    const std::optional<QString> stored = co_await std::move(read);
    co_return stored.value_or(QString());
}

} // namespace

QCoro::Task<TradeSoftCredentials> TradeSoftCredentials::load(CredentialStore& store) {
    TradeSoftCredentials credentials;
    auto user = readSecret(store, QString::fromUtf16(CredentialAccounts::tradeSoftUser));
    const QString storedUser = co_await std::move(user);
    credentials.user = TextUtils::trimmed(storedUser);
    auto password = readSecret(store, QString::fromUtf16(CredentialAccounts::tradeSoftPassword));
    credentials.password = co_await std::move(password);
    auto providerLogin = readSecret(store, QString::fromUtf16(CredentialAccounts::autoligaLogin));
    const QString storedProviderLogin = co_await std::move(providerLogin);
    credentials.providerLogin = TextUtils::trimmed(storedProviderLogin);
    auto providerPassword = readSecret(store, QString::fromUtf16(CredentialAccounts::autoligaPassword));
    credentials.providerPassword = co_await std::move(providerPassword);
    if (credentials.user.isEmpty() || credentials.password.isEmpty() || credentials.providerLogin.isEmpty() ||
        credentials.providerPassword.isEmpty())
        throw TradeSoftError(TradeSoftError::Kind::missingCredentials);
    co_return credentials;
}

QCoro::Task<TradeSoftCredentials> TradeSoftCredentials::load(CredentialStore& store, QString providerLoginAccount,
                                                             QString providerPasswordAccount) {
    TradeSoftCredentials credentials;
    auto user = readSecret(store, QString::fromUtf16(CredentialAccounts::tradeSoftUser));
    const QString storedUser = co_await std::move(user);
    credentials.user = TextUtils::trimmed(storedUser);
    auto password = readSecret(store, QString::fromUtf16(CredentialAccounts::tradeSoftPassword));
    credentials.password = co_await std::move(password);
    auto providerLogin = readSecret(store, providerLoginAccount);
    const QString storedProviderLogin = co_await std::move(providerLogin);
    credentials.providerLogin = TextUtils::trimmed(storedProviderLogin);
    auto providerPassword = readSecret(store, providerPasswordAccount);
    credentials.providerPassword = co_await std::move(providerPassword);
    if (credentials.user.isEmpty() || credentials.password.isEmpty())
        throw TradeSoftError::missingAccount(QStringLiteral("не указаны логин и пароль TradeSoft"));
    if (credentials.providerLogin.isEmpty() || credentials.providerPassword.isEmpty())
        throw TradeSoftError::missingAccount(QStringLiteral("не указаны логин и пароль у поставщика"));
    co_return credentials;
}
