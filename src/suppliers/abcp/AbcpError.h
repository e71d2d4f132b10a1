#pragma once

#include "core/UserFacingError.h"

#include <cstdint>
#include <utility>

// A failure of one ABCP shop's API. The texts follow the account's name in the search ("Автомаркет:
// неверный логин или пароль"), so they do not name the shop themselves.
class AbcpError : public UserFacingError {
public:
    enum class Kind { missingCredentials, invalidURL, api, httpStatus, webPage, unreadable, invalidResponse };

    // The shop's own errorCode and errorMessage.
    static AbcpError api(std::int64_t code, QString message) { return AbcpError(Kind::api, code, std::move(message)); }
    static AbcpError httpStatus(int status) { return AbcpError(Kind::httpStatus, status, {}); }
    static AbcpError webPage(int status) { return AbcpError(Kind::webPage, status, {}); }
    // `why`: "ответ оборван", "ответ не в формате JSON"…
    static AbcpError unreadable(QString why) { return AbcpError(Kind::unreadable, 0, std::move(why)); }
    // `accountName`: where the address is entered.
    static AbcpError invalidURL(QString accountName) { return AbcpError(Kind::invalidURL, 0, std::move(accountName)); }
    explicit AbcpError(Kind kind)
        : AbcpError(kind, 0, {}) {}

    Kind kind() const { return m_kind; }
    std::int64_t code() const { return m_code; }
    QString description() const override;
    Cause cause() const override {
        return m_kind == Kind::missingCredentials ? Cause::missingCredentials : Cause::other;
    }

private:
    AbcpError(Kind kind, std::int64_t code, QString text)
        : m_kind(kind)
        , m_code(code)
        , m_text(std::move(text)) {}

    Kind m_kind;
    std::int64_t m_code;
    QString m_text;
};
