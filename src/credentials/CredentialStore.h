#pragma once

#include "core/UserFacingError.h"

#include <QCoroTask>
#include <QString>

#include <optional>

// A failure of the credential store. code is the backend's result code (0 when the
// stored data itself is unusable, e.g. not UTF-8); message is the backend's own text.
class KeychainError : public UserFacingError {
public:
    KeychainError(int code, QString message)
        : m_code(code)
        , m_message(std::move(message)) {}

    int code() const { return m_code; }
    QString description() const override;

private:
    int m_code;
    QString m_message;
};

// Account names under which the supplier secrets are kept.
namespace CredentialAccounts {
inline constexpr auto autoEuroAPIKey = u"autoeuro-api-key";
inline constexpr auto autopiterUserID = u"autopiter-user-id";
inline constexpr auto autopiterPassword = u"autopiter-password";
inline constexpr auto tradeSoftUser = u"tradesoft-user";
inline constexpr auto tradeSoftPassword = u"tradesoft-password";
inline constexpr auto autoligaLogin = u"autoliga-login";
inline constexpr auto autoligaPassword = u"autoliga-password";
} // namespace CredentialAccounts

// Where supplier secrets live: one text per account name. Reading a missing account
// gives nothing, deleting one succeeds, saving replaces in one write. Failures are
// thrown as KeychainError.
class CredentialStore {
public:
    virtual ~CredentialStore() = default;
    virtual QCoro::Task<std::optional<QString>> read(QString account) = 0;
    virtual QCoro::Task<> save(QString secret, QString account) = 0;
    virtual QCoro::Task<> remove(QString account) = 0;
};
