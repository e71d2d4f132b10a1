#pragma once

#include "core/UserFacingError.h"

#include <utility>

// A failure of the Autoliga portal search.
class AutoligaPortalError : public UserFacingError {
public:
    // `unreadable`: an answer that is no JSON document (the detail says why); `webPage`: a web
    // page where the portal's interface should answer.
    enum class Kind { http, missingCredentials, invalidResponse, invalidAddress, unreadable, webPage };

    static AutoligaPortalError http(int status) { return AutoligaPortalError(Kind::http, status); }
    static AutoligaPortalError unreadable(QString why) {
        AutoligaPortalError error(Kind::unreadable, 0);
        error.m_detail = std::move(why);
        return error;
    }
    static AutoligaPortalError webPage(int status) { return AutoligaPortalError(Kind::webPage, status); }
    explicit AutoligaPortalError(Kind kind)
        : AutoligaPortalError(kind, 0) {}

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_status; }
    QString description() const override;

private:
    AutoligaPortalError(Kind kind, int status)
        : m_kind(kind)
        , m_status(status) {}

    Kind m_kind;
    int m_status;
    QString m_detail;
};
