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
    const int latency = latencyOf(behaviour, path, soapOperation);
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
    switch (behaviour.fault) {
    case SandboxBehaviour::Fault::none:
    case SandboxBehaviour::Fault::signInRejected:
        break;
    case SandboxBehaviour::Fault::status:
        response.status = behaviour.status;
        setBody(response,
                soap ? soapFault("Server was unable to process request. ---> Simulated failure.")
                     : QByteArrayLiteral("{\"error\": \"simulated failure\"}"),
                contentType);
        break;
    case SandboxBehaviour::Fault::emptyStatus:
        response.status = behaviour.status;
        break;
    case SandboxBehaviour::Fault::malformed:
        setBody(response,
                soap ? QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                                         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                                         "<SearchCatalogModel><ArticleId>1</Article")
                     : QByteArrayLiteral("{\"META\": {\"result\": \"OK\"}, \"DATA\": [{\"brand\": "),
                contentType);
        break;
    case SandboxBehaviour::Fault::apiError:
        setBody(response, apiErrorBody, contentType);
        break;
    case SandboxBehaviour::Fault::loginRejected:
    case SandboxBehaviour::Fault::loginWithoutCookie:
        // The service itself plays these on its login operation.
        answer(query);
        break;
    case SandboxBehaviour::Fault::hang:
        context.sleep(std::chrono::milliseconds(-1));
        break;
    case SandboxBehaviour::Fault::huge: {
        constexpr size_t size = 33 * 1024 * 1024;
        response.set_content_provider(size, contentType, [](size_t offset, size_t length, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, ' ');
            (void)offset;
            // A client that hung up ends the answer.
            return sink.write(chunk.data(), std::min(length, chunk.size()));
        });
        break;
    }
    }
}

} // namespace SandboxHttp
