#pragma once

#include "core/UserFacingError.h"

#include <QNetworkReply>

// A transport failure (no connection, time-out, TLS...). The buyer reads it in Russian;
// failures without a text of their own keep Qt's description after a colon, for support.
class NetworkError : public UserFacingError {
public:
    NetworkError(QNetworkReply::NetworkError code, QString text)
        : m_code(code)
        , m_text(std::move(text)) {}

    QNetworkReply::NetworkError code() const { return m_code; }
    // Qt's own text.
    QString technicalText() const { return m_text; }
    QString description() const override;
    // The same failure, its text starting with the service's name ("TradeSoft: Сервер не ответил
    // вовремя."), for places that do not say themselves whom they asked.
    NetworkError named(const QString& service) const {
        NetworkError copy = *this;
        copy.m_service = service;
        return copy;
    }

private:
    QNetworkReply::NetworkError m_code;
    QString m_text;
    QString m_service;
};

// An answer that arrived but must not be used: too large, or redirected to another origin.
// Connectors turn every kind into their own "invalid response" error.
class UnusableResponseError : public UserFacingError {};

// A body above the size cap.
class ResponseTooLargeError : public UnusableResponseError {
public:
    QString description() const override { return QStringLiteral("Ответ сервера слишком велик."); }
};

// A redirect to another origin (or from https to http): never followed, so no credential,
// cookie or header of ours reaches a host the service did not name.
class ForeignRedirectError : public UnusableResponseError {
public:
    QString description() const override { return QStringLiteral("Сервер перенаправил запрос на другой адрес."); }
};
