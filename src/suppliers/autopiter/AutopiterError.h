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
        // The service answered with a SOAP fault instead of a result; the detail is its text.
        soapFault,
        // A well-formed answer without the operation's result (or without its rows).
        noResult,
        // A web page (a proxy's, a maintenance notice) instead of a SOAP answer.
        webPage,
    };

    static AutopiterError httpStatus(int code) { return AutopiterError(Kind::httpStatus, code, {}); }
    static AutopiterError invalidSOAPResponse(QString detail) {
        return AutopiterError(Kind::invalidSOAPResponse, 0, std::move(detail));
    }
    static AutopiterError soapFault(QString text) { return AutopiterError(Kind::soapFault, 0, std::move(text)); }
    static AutopiterError noResult(QString detail) { return AutopiterError(Kind::noResult, 0, std::move(detail)); }
    static AutopiterError webPage(int status) { return AutopiterError(Kind::webPage, status, {}); }
    // `hint` names a misconfigured address variable when there is one.
    static AutopiterError invalidURL(QString hint) { return AutopiterError(Kind::invalidURL, 0, std::move(hint)); }
    explicit AutopiterError(Kind kind)
        : AutopiterError(kind, 0, {}) {}

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_status; }
    QString detail() const { return m_detail; }
    QString description() const override;
    // An answer that came but says nothing about the offers asked for (a fault, no result).
    bool isAnswerWithoutResult() const { return m_kind == Kind::soapFault || m_kind == Kind::noResult; }

private:
    AutopiterError(Kind kind, int status, QString detail)
        : m_kind(kind)
        , m_status(status)
        , m_detail(std::move(detail)) {}

    Kind m_kind;
    int m_status;
    QString m_detail;
};
