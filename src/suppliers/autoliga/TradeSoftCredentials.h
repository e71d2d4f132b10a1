#pragma once

#include <QCoroTask>
#include <QString>

class CredentialStore;

// The four secrets a TradeSoft call needs, read anew for every call (nothing is cached).
struct TradeSoftCredentials {
    // "tradesoft-user", trimmed.
    QString user;
    // "tradesoft-password", as stored.
    QString password;
    // "autoliga-login", trimmed: passed on to the Autoliga provider inside TradeSoft.
    QString providerLogin;
    // "autoliga-password", as stored.
    QString providerPassword;

    // Fails with TradeSoftError (missingCredentials) when any of them is absent or empty, or
    // with the credential store's own error.
    static QCoro::Task<TradeSoftCredentials> load(CredentialStore& store);
    // The TradeSoft account with another provider's login and password, kept under the given
    // accounts. Fails with TradeSoftError (missingCredentials, saying which are missing).
    static QCoro::Task<TradeSoftCredentials> load(CredentialStore& store, QString providerLoginAccount,
                                                  QString providerPasswordAccount);

    bool operator==(const TradeSoftCredentials&) const = default;
};
