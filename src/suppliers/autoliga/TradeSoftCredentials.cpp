#include "TradeSoftCredentials.h"

#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "TradeSoftError.h"

namespace {

QCoro::Task<QString> readSecret(CredentialStore& store, const char16_t* account) {
    auto read = store.read(QString::fromUtf16(account));
    const std::optional<QString> stored = co_await std::move(read);
    co_return stored.value_or(QString());
}

} // namespace

QCoro::Task<TradeSoftCredentials> TradeSoftCredentials::load(CredentialStore& store) {
    TradeSoftCredentials credentials;
    auto user = readSecret(store, CredentialAccounts::tradeSoftUser);
    const QString storedUser = co_await std::move(user);
    credentials.user = TextUtils::trimmed(storedUser);
    auto password = readSecret(store, CredentialAccounts::tradeSoftPassword);
    credentials.password = co_await std::move(password);
    auto providerLogin = readSecret(store, CredentialAccounts::autoligaLogin);
    const QString storedProviderLogin = co_await std::move(providerLogin);
    credentials.providerLogin = TextUtils::trimmed(storedProviderLogin);
    auto providerPassword = readSecret(store, CredentialAccounts::autoligaPassword);
    credentials.providerPassword = co_await std::move(providerPassword);
    if (credentials.user.isEmpty() || credentials.password.isEmpty() || credentials.providerLogin.isEmpty() ||
        credentials.providerPassword.isEmpty())
        throw TradeSoftError(TradeSoftError::Kind::missingCredentials);
    co_return credentials;
}
