#pragma once

#include "core/UserFacingError.h"

#include <utility>

// A failure of a TradeSoft API call.
class TradeSoftError : public UserFacingError {
public:
    // `unreadable`: an answer that is no JSON document (the message says why); `webPage`: a web
    // page where the API should answer.
    enum class Kind { httpStatus, api, missingCredentials, invalidURL, invalidResponse, unreadable, webPage };

    static TradeSoftError httpStatus(int code) { return TradeSoftError(Kind::httpStatus, code, {}); }
    static TradeSoftError api(QString message) { return TradeSoftError(Kind::api, 0, std::move(message)); }
    static TradeSoftError unreadable(QString why) { return TradeSoftError(Kind::unreadable, 0, std::move(why)); }
    static TradeSoftError webPage(int code) { return TradeSoftError(Kind::webPage, code, {}); }
    explicit TradeSoftError(Kind kind)
        : TradeSoftError(kind, 0, {}) {}

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_status; }
    QString message() const { return m_message; }
    QString description() const override;

private:
    TradeSoftError(Kind kind, int status, QString message)
        : m_kind(kind)
        , m_status(status)
        , m_message(std::move(message)) {}

    Kind m_kind;
    int m_status;
    QString m_message;
};
