#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <chrono>

class QNetworkAccessManager;

// The one way connectors talk HTTP: a request through a given manager, with a
// time-out and a cap on the body size.
namespace Http {

inline constexpr qint64 maxBodySize = 32 * 1024 * 1024;

struct Request {
    QNetworkRequest request;
    QByteArray verb = QByteArrayLiteral("GET");
    QByteArray body;
    // Longest wait without any data moving.
    std::chrono::milliseconds timeout{30000};
    // When set, the body of a status outside 200..299 is not read at all.
    bool bodyOnlyOnSuccess = false;
    qint64 bodyLimit = maxBodySize;
};

struct Response {
    int status = 0;
    QList<QNetworkReply::RawHeaderPair> headers;
    QByteArray body;

    bool isSuccess() const { return status >= 200 && status <= 299; }
    // Case-insensitive; empty when absent.
    QByteArray header(QByteArrayView name) const;
};

// Any HTTP status is an answer. A transport failure throws NetworkError; a body over
// the limit throws ResponseTooLargeError.
QCoro::Task<Response> send(QNetworkAccessManager& manager, Request request);

} // namespace Http
