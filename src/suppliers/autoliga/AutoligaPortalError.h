#pragma once

#include "core/UserFacingError.h"

// A failure of the Autoliga portal search.
class AutoligaPortalError : public UserFacingError {
public:
    enum class Kind { http, missingCredentials, invalidResponse, invalidAddress };

    static AutoligaPortalError http(int status) { return AutoligaPortalError(Kind::http, status); }
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
};
