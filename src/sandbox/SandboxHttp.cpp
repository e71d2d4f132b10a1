#include "SandboxHttp.h"

#include <QUrl>

#include <cmath>

namespace SandboxHttp {

QString prefix(ServiceEndpoints::Service service) {
    using S = ServiceEndpoints::Service;
    switch (service) {
    case S::autoEuro:
        return QStringLiteral("autoeuro");
    case S::autopiter:
        return QStringLiteral("autopiter");
    case S::tradeSoft:
        return QStringLiteral("tradesoft");
    case S::autoligaPortal:
        return QStringLiteral("autoliga");
    case S::feedback:
        return QStringLiteral("feedback");
    case S::abcp:
        return QStringLiteral("abcp");
    }
    return {};
}

QList<std::pair<QString, QString>> queryItems(const std::string& target) {
    QList<std::pair<QString, QString>> items;
    const auto question = target.find('?');
    if (question == std::string::npos)
        return items;
    const QByteArray query = QByteArray::fromStdString(target.substr(question + 1));
    auto decode = [](QByteArray part) {
        part.replace('+', ' ');
        return QUrl::fromPercentEncoding(part);
    };
    for (const QByteArray& pair : query.split('&')) {
        if (pair.isEmpty())
            continue;
        const auto equals = pair.indexOf('=');
        if (equals < 0)
            items.append({decode(pair), QString()});
        else
            items.append({decode(pair.left(equals)), decode(pair.mid(equals + 1))});
    }
    return items;
}

QString queryValue(const QList<std::pair<QString, QString>>& items, QStringView name) {
    for (const auto& [key, value] : items) {
        if (key == name)
            return value;
    }
    return {};
}

ServedLine served(Context& context, const QString& offerKey, double price, std::int64_t stock) {
    ServedLine line{1, price, stock, 0};
    switch (context.driftOf(offerKey)) {
    case SandboxDrift::none:
    case SandboxDrift::mixed:
        break;
    case SandboxDrift::priceMoved:
        line.price = std::round(price * 107.0) / 100.0;
        break;
    case SandboxDrift::stockGone:
        line.stock = 0;
        break;
    case SandboxDrift::withdrawn:
        line.copies = 0;
        break;
    case SandboxDrift::deliveryChanged:
        line.extraDays = 2;
        break;
    case SandboxDrift::duplicated:
        line.copies = 2;
        break;
    }
    return line;
}

int latencyOf(const SandboxBehaviour& behaviour, QStringView path, QStringView soapOperation) {
    int latency = behaviour.latencyMs;
    qsizetype longest = -1;
    for (auto it = behaviour.operationLatencyMs.cbegin(); it != behaviour.operationLatencyMs.cend(); ++it) {
        const QString& key = it.key();
        const bool fits = (!key.isEmpty() && path.endsWith(key)) || (!soapOperation.isEmpty() && soapOperation == key);
        if (fits && key.size() > longest) {
            longest = key.size();
            latency = it.value();
        }
    }
    return latency;
}

void setBody(httplib::Response& response, const QByteArray& body, const char* contentType) {
    response.set_content(body.constData(), static_cast<size_t>(body.size()), contentType);
}

namespace {

// A SOAP 1.1 fault as Autopiter's server writes it, spread over lines.
QByteArray soapFault(const char* text) {
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
                             "  <soap:Body>\n    <soap:Fault>\n      <faultcode>soap:Server</faultcode>\n"
                             "      <faultstring>") +
           text + QByteArrayLiteral("</faultstring>\n    </soap:Fault>\n  </soap:Body>\n</soap:Envelope>\n");
}

} // namespace

void serve(Context& context, ServiceEndpoints::Service service, const httplib::Request& request,
           httplib::Response& response, const QByteArray& apiErrorBody,
           const std::function<void(const QList<std::pair<QString, QString>>&)>& answer) {
    // Autopiter speaks SOAP: every operation is posted to one path, named by its header.
    const bool soap = service == ServiceEndpoints::Service::autopiter;
    const char* contentType = soap ? "text/xml; charset=utf-8" : "application/json";
    SandboxRequest seen;
    seen.method = QString::fromStdString(request.method);
    seen.path = QString::fromStdString(request.path);
    seen.target = QString::fromStdString(request.target);
    seen.query = queryItems(request.target);
    seen.body = QByteArray::fromStdString(request.body);
    for (const auto& [name, value] : request.headers)
        seen.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
    QString matchable = seen.target;
    QString soapOperation;
    // TradeSoft names its operation in the body only.
    if (service == ServiceEndpoints::Service::tradeSoft)
        matchable += u'\n' + QString::fromUtf8(seen.body);
    if (soap) {
        const QString action = seen.headers.value(QStringLiteral("soapaction"));
        matchable += u'\n' + action + u'\n' + QString::fromUtf8(seen.body);
        soapOperation = action.section(u'/', -1);
        soapOperation.remove(u'"');
    }
    const auto query = seen.query;
    const QString path = seen.path;
    context.noteConnectionUse(service);
    context.record(std::move(seen));

    const SandboxBehaviour behaviour = context.behaviourOf(service);
    int latency = latencyOf(behaviour, path, soapOperation);
    if (!behaviour.latencyMatch.isEmpty() && !matchable.contains(behaviour.latencyMatch))
        latency = 0;
    if (latency > 0 && !context.sleep(std::chrono::milliseconds(latency)))
        return;
    struct ReadyNote {
        Context& context;
        ~ReadyNote() { context.noteAnswerReady(); }
    } ready{context};
    // A refused sign-in is the portal's own business: it checks the behaviour itself.
    const bool faulty = behaviour.fault != SandboxBehaviour::Fault::none &&
                        behaviour.fault != SandboxBehaviour::Fault::signInRejected &&
                        (behaviour.faultMatch.isEmpty() || matchable.contains(behaviour.faultMatch));
    if (!faulty) {
        answer(query);
        return;
    }
    using F = SandboxBehaviour::Fault;
    const int success = service == ServiceEndpoints::Service::feedback ? 201 : 200;
    switch (behaviour.fault) {
    case F::none:
    case F::signInRejected:
        break;
    case F::status:
        response.status = behaviour.status;
        setBody(response,
                soap ? soapFault("Server was unable to process request. ---> Simulated failure.")
                     : QByteArrayLiteral("{\"error\": \"simulated failure\"}"),
                contentType);
        break;
    case F::emptyStatus:
        response.status = behaviour.status;
        break;
    case F::body:
        response.status = behaviour.status;
        setBody(response, behaviour.body, contentType);
        break;
    case F::html:
        response.status = success;
        setBody(response,
                QByteArrayLiteral("<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head>\n"
                                  "<body><h1>Bad Gateway</h1><p>nginx</p></body></html>\n"),
                "text/html");
        break;
    case F::malformed:
        setBody(response,
                soap ? QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                                         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                                         "<SearchCatalogModel><ArticleId>1</Article")
                     : QByteArrayLiteral("{\"META\": {\"result\": \"OK\"}, \"DATA\": [{\"brand\": "),
                contentType);
        break;
    case F::apiError:
        setBody(response, apiErrorBody, contentType);
        break;
    case F::loginRejected:
    case F::loginWithoutCookie:
        // The service itself plays these on its login operation.
        answer(query);
        break;
    case F::hang:
        context.sleep(std::chrono::milliseconds(-1));
        break;
    case F::huge:
        response.set_content_provider(100'000'000, contentType, [](size_t, size_t length, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, ' ');
            // A client that hung up ends the answer.
            return sink.write(chunk.data(), std::min(length, chunk.size()));
        });
        break;
    case F::hugeStream:
        response.set_chunked_content_provider(
            contentType, [&context, sent = size_t(0)](size_t, httplib::DataSink& sink) mutable {
                static const std::string chunk(64 * 1024, ' ');
                if (sent >= 100'000'000) {
                    sink.done();
                    return true;
                }
                sent += chunk.size();
                return context.sleep(std::chrono::milliseconds(0)) && sink.write(chunk.data(), chunk.size());
            });
        break;
    case F::redirectLoop:
    case F::redirectForeign:
        // 307 keeps the method and body, so a POST loops as a POST.
        response.status = 307;
        response.set_header("Location", behaviour.fault == F::redirectLoop ? request.target
                                                                           : behaviour.redirectTarget.toStdString());
        break;
    case F::truncated:
    case F::invalidUtf8:
    case F::closeMidBody:
    case F::shortBody:
    case F::trickle: {
        answer(query);
        QByteArray body = QByteArray::fromStdString(response.body);
        const std::string type = response.get_header_value("Content-Type");
        if (behaviour.fault == F::truncated) {
            body.truncate(body.size() / 2);
            setBody(response, body, type.c_str());
            break;
        }
        if (behaviour.fault == F::invalidUtf8) {
            // Cyrillic letters begin with 0xD0 or 0xD1; 0xFF begins no UTF-8 sequence at all.
            for (char& byte : body) {
                if (byte == '\xD0' || byte == '\xD1')
                    byte = '\xFF';
            }
            setBody(response, body, type.c_str());
            break;
        }
        response.body.clear();
        const auto full = static_cast<size_t>(body.size());
        const int trickleMs = behaviour.trickleMs;
        const F fault = behaviour.fault;
        const size_t announced = fault == F::shortBody ? full + 64 : full;
        response.set_content_provider(
            announced, type.c_str(),
            [&context, body, full, fault, trickleMs](size_t offset, size_t, httplib::DataSink& sink) {
                if (fault == F::closeMidBody) {
                    // Returning false makes the server drop the connection.
                    if (offset == 0)
                        sink.write(body.constData(), full / 2);
                    return false;
                }
                if (fault == F::shortBody) {
                    if (offset < full)
                        return sink.write(body.constData() + offset, full - offset);
                    context.sleep(std::chrono::milliseconds(-1));
                    return false;
                }
                if (offset > 0 && !context.sleep(std::chrono::milliseconds(trickleMs)))
                    return false;
                return sink.write(body.constData() + offset, 1);
            });
        break;
    }
    }
}

} // namespace SandboxHttp
