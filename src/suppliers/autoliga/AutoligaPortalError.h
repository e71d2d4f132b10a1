#pragma once

#include "core/UserFacingError.h"

#include <utility>

// A failure of the Autoliga portal search.
class AutoligaPortalError : public UserFacingError {
public:
    // `unreadable`: an answer that is no JSON document (the detail says why); `webPage`: a web
    // page where the portal's interface should answer; `missingAddress`: the portal has no public
    // address, and until the buyer enters one it is not asked.
    enum class Kind { http, missingCredentials, invalidResponse, invalidAddress, unreadable, webPage, missingAddress };

    static AutoligaPortalError http(int status) { return AutoligaPortalError(Kind::http, status); }
    static AutoligaPortalError unreadable(QString why) {
        AutoligaPortalError error(Kind::unreadable, 0);
        error.m_detail = std::move(why);
        return error;
    }
    static AutoligaPortalError webPage(int status) { return AutoligaPortalError(Kind::webPage, status); }
    // With the sentence that says where an unusable address is set, when there is one.
    static AutoligaPortalError invalidAddress(QString hint) {
        AutoligaPortalError error(Kind::invalidAddress, 0);
        error.m_detail = std::move(hint);
        return error;
    }
    explicit AutoligaPortalError(Kind kind)
        : AutoligaPortalError(kind, 0) {}

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_status; }
    QString description() const override;
    Cause cause() const override {
        return m_kind == Kind::missingCredentials ? Cause::missingCredentials : Cause::other;
    }

private:
    AutoligaPortalError(Kind kind, int status)
        : m_kind(kind)
        , m_status(status) {}

    Kind m_kind;
    int m_status;
    // Why an answer is unreadable, or where an unusable address is set.
    QString m_detail;
};
