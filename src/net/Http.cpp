#include "Http.h"

#include "HostSlot.h"
#include "NetworkError.h"

#include <QCoroSignal>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSslError>
#include <QTimer>

#include <limits>
#include <memory>

namespace Http {

namespace {

struct LaterDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

// Qt's codes from 101 up (proxy, content, protocol, server) are how it names a 4xx/5xx
// status: 400 is ProtocolInvalidOperationError, 407 ProxyAuthenticationRequiredError...
// Below 101 the connection itself failed.
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    return static_cast<int>(error) >= 101;
}

// Aborting from inside a reply's own signal confuses Qt's bookkeeping; abort from
// the event loop instead (dropped if the reply is gone by then).
void abortLater(QNetworkReply* reply) {
    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

QString hostKey(const QUrl& url) {
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + u':' +
           QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return hostKey(a) == hostKey(b);
}

// What the reply holds, read straight to the end of `body`: no copy in between, which for an
// answer of many megabytes is time the window's thread does not have.
void appendAvailable(QNetworkReply& reply, QByteArray& body) {
    const qint64 available = reply.bytesAvailable();
    if (available <= 0)
        return;
    const qsizetype at = body.size();
    body.resize(at + available);
    const qint64 read = reply.read(body.data() + at, available);
    body.resize(at + std::max<qint64>(read, 0));
}

// The replies of this thread's exchanges under way, for abortEveryExchange().
QList<QPointer<QNetworkReply>>& underWay() {
    thread_local QList<QPointer<QNetworkReply>> replies;
    return replies;
}

NetworkError timeoutError() {
    return NetworkError(QNetworkReply::TimeoutError, QStringLiteral("Operation timed out"));
}

// The first certificate problem, as the buyer can act on it.
QString certificateProblem(const QList<QSslError>& errors) {
    for (const QSslError& error : errors) {
        switch (error.error()) {
        case QSslError::CertificateExpired:
            return QStringLiteral("срок действия его сертификата истёк");
        case QSslError::CertificateNotYetValid:
            return QStringLiteral("его сертификат ещё не действует (проверьте дату и время компьютера)");
        case QSslError::HostNameMismatch:
            return QStringLiteral("его сертификат выдан другому адресу");
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            return QStringLiteral("его сертификат не заверен доверенным центром");
        case QSslError::CertificateRevoked:
            return QStringLiteral("его сертификат отозван");
        case QSslError::NoError:
            continue;
        default:
            return QStringLiteral("его сертификат не прошёл проверку");
        }
    }
    return {};
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
    const QUrl origin = request.request.url();
    HostSlot slot(manager, hostKey(origin));
    {
        auto turn = slot.acquire();
        co_await std::move(turn);
    }

    // We follow redirects ourselves, so that none leaves the service's origin.
    request.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.request.setTransferTimeout(0);
    if (!request.request.attribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute).isValid())
        request.request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute,
                                     idleConnectionSeconds);
    // Answers as sent, never packed: Qt 6.4 drops the end of some large brotli bodies without
    // an error, and refuses packed ones above 10 MiB with an English "Decompression failed".
    // Set by us, the header also stops Qt from unpacking whatever a server packs unasked.
    request.request.setRawHeader("Accept-Encoding", "identity");

    bool timedOut = false;
    QPointer<QNetworkReply> current;
    QObject exchange;
    QTimer deadline(&exchange);
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &exchange, [&] {
        timedOut = true;
        if (current)
            current->abort();
    });
    deadline.start(request.deadline.value_or(2 * request.timeout));

    for (int hop = 0;; ++hop) {
        std::unique_ptr<QNetworkReply, LaterDeleter> reply(
            manager.sendCustomRequest(request.request, request.verb, request.body));
        QNetworkReply* r = reply.get();
        current = r;
        underWay().removeIf([](const QPointer<QNetworkReply>& gone) { return gone.isNull(); });
        underWay().append(r);

        Response response;
        // Beyond this an error status's body is dropped rather than read.
        const auto errorTextLimit = [&request](const Response& answer) {
            return request.errorBodyLimit && !answer.isSuccess() && answer.status > 0
                       ? *request.errorBodyLimit
                       : std::numeric_limits<qint64>::max();
        };
        bool tooLarge = false;
        bool statusOnly = false;
        bool redirect = false;
        // Connections die with this scope, whatever happens to the reply afterwards.
        QObject context;
        QTimer idle(&context);
        idle.setSingleShot(true);
        QObject::connect(&idle, &QTimer::timeout, &context, [&] {
            timedOut = true;
            if (current)
                current->abort();
        });
        idle.start(request.timeout);
        const auto moved = [&] { idle.start(request.timeout); };
        QObject::connect(r, &QNetworkReply::downloadProgress, &context, moved);
        QObject::connect(r, &QNetworkReply::uploadProgress, &context, moved);
        // Never ignored: the handshake then fails and nothing of ours is sent.
        QString certificate;
        QObject::connect(r, &QNetworkReply::sslErrors, &context,
                         [&](const QList<QSslError>& errors) { certificate = certificateProblem(errors); });

        QObject::connect(r, &QNetworkReply::metaDataChanged, &context, [&] {
            moved();
            const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid())
                return;
            response.status = status.toInt();
            if (response.status >= 300 && response.status <= 399 && !r->rawHeader("Location").isEmpty()) {
                redirect = true;
                abortLater(r); // its body is of no use
                return;
            }
            if (request.bodyOnlyOnSuccess && !response.isSuccess()) {
                statusOnly = true;
                abortLater(r);
                return;
            }
            bool known = false;
            const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
            if (known && length > errorTextLimit(response)) {
                statusOnly = true;
                abortLater(r);
            } else if (known && length > request.bodyLimit) {
                tooLarge = true;
                abortLater(r);
            } else if (known && length > 0) {
                // Room for the announced answer at once: a large one is not copied as it grows.
                response.body.reserve(length);
            }
        });
        QObject::connect(r, &QNetworkReply::readyRead, &context, [&] {
            moved();
            if (tooLarge || statusOnly || redirect)
                return;
            appendAvailable(*r, response.body);
            if (response.body.size() > errorTextLimit(response)) {
                statusOnly = true;
                response.body.clear();
                abortLater(r);
            } else if (response.body.size() > request.bodyLimit) {
                tooLarge = true;
                response.body.clear();
                abortLater(r);
            }
        });

        if (!r->isFinished()) {
            auto finished = qCoro(r, &QNetworkReply::finished);
            co_await std::move(finished);
        }
        current = nullptr;
        underWay().removeAll(r);

        if (timedOut)
            throw timeoutError();
        if (tooLarge)
            throw ResponseTooLargeError();
        const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            response.status = status.toInt();
        response.headers = r->rawHeaderPairs();

        if (redirect) {
            const QUrl target = r->url().resolved(QUrl::fromEncoded(r->rawHeader("Location")));
            if (!target.isValid() || !sameOrigin(target, origin))
                throw ForeignRedirectError();
            if (hop >= maxRedirects)
                throw NetworkError(QNetworkReply::TooManyRedirectsError, QStringLiteral("Too many redirects"));
            // As browsers do: 303, and 301/302 after a POST, continue as a GET without body;
            // 307 and 308 repeat the request as it was.
            if (response.status == 303 ||
                ((response.status == 301 || response.status == 302) && request.verb == "POST")) {
                request.verb = QByteArrayLiteral("GET");
                request.body.clear();
                request.request.setHeader(QNetworkRequest::ContentTypeHeader, QVariant());
            }
            request.request.setUrl(target);
            continue;
        }

        // A proxy on the way that wants a password: no answer of the service at all.
        const auto error = r->error();
        if (error == QNetworkReply::ProxyAuthenticationRequiredError || response.status == 407)
            throw NetworkError(QNetworkReply::ProxyAuthenticationRequiredError, r->errorString(), r->url().host());
        if (statusOnly) {
            response.body.clear();
            co_return response;
        }
        // Qt flags a 4xx/5xx answer as an error too: that is the answer, not a failure. Any
        // other error (also one after a 2xx status, such as a broken or over-compressed body)
        // is a failure of the transfer.
        const bool statusReflected = response.status >= 400 && isHttpStatusError(error);
        if (error != QNetworkReply::NoError && !statusReflected) {
            // A certificate error ends the handshake as a failed one.
            const auto code = certificate.isEmpty() ? error : QNetworkReply::SslHandshakeFailedError;
            throw NetworkError(code, r->errorString(), r->url().host(), certificate);
        }
        if (request.bodyOnlyOnSuccess && !response.isSuccess()) {
            response.body.clear();
            co_return response;
        }
        appendAvailable(*r, response.body);
        if (response.body.size() > errorTextLimit(response)) {
            response.body.clear();
            co_return response;
        }
        if (response.body.size() > request.bodyLimit)
            throw ResponseTooLargeError();
        // Qt 6.4 ends an answer of any status but 200 without an error when the connection
        // closes before the announced length: a cut-off body must not pass for the whole one.
        bool announced = false;
        const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
        if (announced && response.body.size() < length)
            throw NetworkError(QNetworkReply::RemoteHostClosedError, QStringLiteral("Connection closed"));
        co_return response;
    }
}

void abortEveryExchange() {
    const QList<QPointer<QNetworkReply>> replies = std::exchange(underWay(), {});
    for (const QPointer<QNetworkReply>& reply : replies) {
        if (reply && !reply->isFinished())
            reply->abort();
    }
}

} // namespace Http
