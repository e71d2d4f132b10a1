#pragma once

#include "core/UserFacingError.h"

#include <QNetworkReply>

// A transport failure (no connection, time-out, TLS...), with Qt's own description.
class NetworkError : public UserFacingError {
public:
    NetworkError(QNetworkReply::NetworkError code, QString text)
        : m_code(code)
        , m_text(std::move(text)) {}

    QNetworkReply::NetworkError code() const { return m_code; }
    QString description() const override { return m_text; }

private:
    QNetworkReply::NetworkError m_code;
    QString m_text;
};

// A body above the size cap. Connectors turn it into their own "invalid response".
class ResponseTooLargeError : public UserFacingError {
public:
    QString description() const override { return QStringLiteral("Ответ сервера слишком велик."); }
};
