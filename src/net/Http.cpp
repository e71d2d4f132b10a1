#include "Http.h"

#include "NetworkError.h"

#include <QCoroSignal>
#include <QNetworkAccessManager>

#include <memory>

namespace Http {

namespace {

struct LaterDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

bool isHttpStatusError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
}

// Aborting from inside a reply's own signal confuses Qt's bookkeeping; abort from
// the event loop instead (dropped if the reply is gone by then).
void abortLater(QNetworkReply* reply) {
    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

} // namespace

QByteArray Response::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QCoro::Task<Response> send(QNetworkAccessManager& manager, Request request) {
    request.request.setTransferTimeout(static_cast<int>(request.timeout.count()));
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(
        manager.sendCustomRequest(request.request, request.verb, request.body));

    Response response;
    bool tooLarge = false;
    bool statusOnly = false;
    // Connections die with this frame, whatever happens to the reply afterwards.
    QObject context;
    QNetworkReply* r = reply.get();
    QObject::connect(r, &QNetworkReply::metaDataChanged, &context, [&] {
        const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return;
        response.status = status.toInt();
        // A redirect that Qt follows announces itself here before the final answer;
        // its body is never delivered.
        if (response.status >= 300 && response.status <= 399 && !r->rawHeader("Location").isEmpty())
            return;
        if (request.bodyOnlyOnSuccess && !response.isSuccess()) {
            statusOnly = true;
            abortLater(r);
            return;
        }
        bool known = false;
        const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > request.bodyLimit) {
            tooLarge = true;
            abortLater(r);
        }
    });
    QObject::connect(r, &QNetworkReply::readyRead, &context, [&] {
        if (tooLarge || statusOnly)
            return;
        response.body += r->readAll();
        if (response.body.size() > request.bodyLimit) {
            tooLarge = true;
            response.body.clear();
            abortLater(r);
        }
    });

    if (!r->isFinished()) {
        auto finished = qCoro(r, &QNetworkReply::finished);
        co_await std::move(finished);
    }

    if (tooLarge)
        throw ResponseTooLargeError();
    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        response.status = status.toInt();
    response.headers = r->rawHeaderPairs();
    if (statusOnly) {
        response.body.clear();
        co_return response;
    }
    // Qt flags a 4xx/5xx answer as an error too: that is the answer, not a failure. Any
    // other error (also one after a 2xx status, such as a broken or over-compressed body)
    // is a failure of the transfer.
    const auto error = r->error();
    const bool statusReflected = response.status >= 400 && isHttpStatusError(error);
    if (error != QNetworkReply::NoError && !statusReflected)
        throw NetworkError(error, r->errorString());
    if (request.bodyOnlyOnSuccess && !response.isSuccess()) {
        response.body.clear();
        co_return response;
    }
    response.body += r->readAll();
    if (response.body.size() > request.bodyLimit)
        throw ResponseTooLargeError();
    co_return response;
}

} // namespace Http
