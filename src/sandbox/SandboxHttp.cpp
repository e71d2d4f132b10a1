#include "SandboxHttp.h"

#include <QUrl>

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

void setBody(httplib::Response& response, const QByteArray& body, const char* contentType) {
    response.set_content(body.constData(), static_cast<size_t>(body.size()), contentType);
}

void serve(Context& context, ServiceEndpoints::Service service, const httplib::Request& request,
           httplib::Response& response, const QByteArray& apiErrorBody,
           const std::function<void(const QList<std::pair<QString, QString>>&)>& answer) {
    SandboxRequest seen;
    seen.method = QString::fromStdString(request.method);
    seen.path = QString::fromStdString(request.path);
    seen.target = QString::fromStdString(request.target);
    seen.query = queryItems(request.target);
    seen.body = QByteArray::fromStdString(request.body);
    for (const auto& [name, value] : request.headers)
        seen.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
    const auto query = seen.query;
    context.record(std::move(seen));

    const SandboxBehaviour behaviour = context.behaviourOf(service);
    if (behaviour.latencyMs > 0 && !context.sleep(std::chrono::milliseconds(behaviour.latencyMs)))
        return;
    // A refused sign-in is the portal's own business: it checks the behaviour itself.
    const bool faulty =
        behaviour.fault != SandboxBehaviour::Fault::none &&
        behaviour.fault != SandboxBehaviour::Fault::signInRejected &&
        (behaviour.faultMatch.isEmpty() || QString::fromStdString(request.target).contains(behaviour.faultMatch));
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
        setBody(response, QByteArrayLiteral("{\"error\": \"simulated failure\"}"), "application/json");
        break;
    case SandboxBehaviour::Fault::malformed:
        setBody(response, QByteArrayLiteral("{\"META\": {\"result\": \"OK\"}, \"DATA\": [{\"brand\": "),
                "application/json");
        break;
    case SandboxBehaviour::Fault::apiError:
        setBody(response, apiErrorBody, "application/json");
        break;
    case SandboxBehaviour::Fault::hang:
        context.sleep(std::chrono::milliseconds(-1));
        break;
    case SandboxBehaviour::Fault::huge: {
        constexpr size_t size = 33 * 1024 * 1024;
        response.set_content_provider(size, "application/json",
                                      [](size_t offset, size_t length, httplib::DataSink& sink) {
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
