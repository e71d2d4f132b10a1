#pragma once

#include "core/UserFacingError.h"

#include <QString>

#include <utility>

// Everything that can go wrong between Orelia and the Autopiter price service, other
// than the transport itself (NetworkError) and the credential store (KeychainError).
class AutopiterError : public UserFacingError {
public:
    enum class Kind {
        httpStatus,
        invalidSOAPResponse,
        missingCredentials,
        invalidHTTPResponse,
        authorizationRejected,
        missingAuthorizationCookie,
        // This build (or the environment) gives no usable service address.
        invalidURL,
    };

    static AutopiterError httpStatus(int code) { return AutopiterError(Kind::httpStatus, code, {}); }
    static AutopiterError invalidSOAPResponse(QString detail) {
        return AutopiterError(Kind::invalidSOAPResponse, 0, std::move(detail));
    }
    // `hint` names a misconfigured address variable when there is one.
    static AutopiterError invalidURL(QString hint) { return AutopiterError(Kind::invalidURL, 0, std::move(hint)); }
    explicit AutopiterError(Kind kind)
        : AutopiterError(kind, 0, {}) {}

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_status; }
    QString detail() const { return m_detail; }
    QString description() const override;
    Cause cause() const override {
        return m_kind == Kind::missingCredentials ? Cause::missingCredentials : Cause::other;
    }

private:
    AutopiterError(Kind kind, int status, QString detail)
        : m_kind(kind)
        , m_status(status)
        , m_detail(std::move(detail)) {}

    Kind m_kind;
    int m_status;
    QString m_detail;
};
