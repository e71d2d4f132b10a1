#pragma once

#include "core/UserFacingError.h"

#include <utility>

// A failure of the Autoliga portal search.
class AutoligaPortalError : public UserFacingError {
public:
    enum class Kind {
        http,
        missingCredentials,
        invalidResponse,
        invalidAddress,
        // The portal has no public address: until the buyer enters one, it is not asked.
        missingAddress,
    };

    static AutoligaPortalError http(int status) { return AutoligaPortalError(Kind::http, status); }
    // With the sentence that says where an unusable address is set, when there is one.
    static AutoligaPortalError invalidAddress(QString hint) {
        return AutoligaPortalError(Kind::invalidAddress, 0, std::move(hint));
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
    AutoligaPortalError(Kind kind, int status, QString hint = {})
        : m_kind(kind)
        , m_status(status)
        , m_hint(std::move(hint)) {}

    Kind m_kind;
    int m_status;
    QString m_hint;
};
