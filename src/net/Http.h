#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

// The one way connectors talk HTTP: a request through a given manager, with time-outs,
// a cap on the body size, and redirects followed only within the service's own origin.
namespace Http {

inline constexpr qint64 maxBodySize = 32 * 1024 * 1024;
// Requests in flight per host and manager; more wait in our own queue, where no clock runs.
inline constexpr int maxRequestsPerHost = 6;
inline constexpr int maxRedirects = 10;
// How long an idle connection waits for the next request (Qt's own default is two minutes):
// the buyer's next search often comes later than that, and a new TLS connection costs round
// trips before the first byte. The server may still close it sooner.
inline constexpr int idleConnectionSeconds = 300;

struct Request {
    QNetworkRequest request;
    QByteArray verb = QByteArrayLiteral("GET");
    QByteArray body;
    // Longest wait without any data moving. The whole exchange, redirects included, may take
    // twice as long; both clocks start when the request is sent, not while it waits its turn.
    std::chrono::milliseconds timeout{30000};
    // The whole exchange, when it is not twice the time-out.
    std::optional<std::chrono::milliseconds> deadline;
    // When set, the body of a status outside 200..299 is not read at all.
    bool bodyOnlyOnSuccess = false;
    qint64 bodyLimit = maxBodySize;
    // When set, the body of a status outside 200..299 is read up to this size (an error text
    // the service may send); a longer one is dropped and the status alone returned.
    std::optional<qint64> errorBodyLimit;
};

struct Response {
    int status = 0;
    QList<QNetworkReply::RawHeaderPair> headers;
    QByteArray body;

    bool isSuccess() const { return status >= 200 && status <= 299; }
    // Case-insensitive; empty when absent.
    QByteArray header(QByteArrayView name) const;
};

// Any HTTP status is an answer. A transport failure or a time-out throws NetworkError (also a
// proxy that asks for a password, and any certificate error: nothing goes over a connection
// that is not secure); a body over the limit throws ResponseTooLargeError; a redirect to another
// origin (or from https to http) throws ForeignRedirectError and is never followed.
QCoro::Task<Response> send(QNetworkAccessManager& manager, Request request);

// Ends every exchange still under way (each fails as cancelled); for shutting down while a
// supplier is still answering, so that nothing outlives what it uses.
void abortEveryExchange();

} // namespace Http
