#include "FeedbackSandboxService.h"

#include "SandboxHttp.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <memory>

namespace FeedbackSandboxService {

namespace {

constexpr auto service = ServiceEndpoints::Service::feedback;

QByteArray errorBody(const QString& text) {
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
}

bool isText(const QJsonObject& object, QStringView key) {
    return object.value(key).isString();
}

bool isNonEmptyText(const QJsonObject& object, QStringView key) {
    return isText(object, key) && !object.value(key).toString().trimmed().isEmpty();
}

// Why the service turns the body down; empty when it takes it.
QString refusal(const std::string& body, const std::string& contentType) {
    if (contentType.find("application/json") == std::string::npos)
        return QStringLiteral("Ожидается тело в формате JSON (Content-Type: application/json).");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QStringLiteral("Тело запроса должно быть объектом JSON.");
    const QJsonObject request = document.object();
    static const QStringList categories = {QStringLiteral("improvement"), QStringLiteral("bug"),
                                           QStringLiteral("supplier"), QStringLiteral("other")};
    const QString category = request.value(u"category").toString();
    if (!categories.contains(category))
        return QStringLiteral("Неизвестная категория обращения.");
    if (!isText(request, u"message"))
        return QStringLiteral("Поле message должно быть строкой.");
    if (category != u"supplier" && request.value(u"message").toString().trimmed().isEmpty())
        return QStringLiteral("Текст обращения пуст.");
    if (!isNonEmptyText(request, u"appVersion"))
        return QStringLiteral("Не указана версия приложения.");
    if (!isNonEmptyText(request, u"osVersion"))
        return QStringLiteral("Не указана версия операционной системы.");
    for (const auto key : {u"contact", u"supplierContext"}) {
        if (request.contains(key) && !isText(request, key))
            return QStringLiteral("Поле %1 должно быть строкой.").arg(QString::fromUtf16(key));
    }
    const QJsonValue metadata = request.value(u"metadata");
    if (!metadata.isObject() || !isText(metadata.toObject(), u"subject"))
        return QStringLiteral("Поле metadata.subject должно быть строкой.");
    if (category == u"supplier") {
        const QJsonObject supplier = metadata.toObject().value(u"supplier").toObject();
        if (!isNonEmptyText(supplier, u"name"))
            return QStringLiteral("Не указано название поставщика.");
    }
    return {};
}

} // namespace

void install(httplib::Server& server, SandboxHttp::Context& context) {
    // Numbers go on from 123 for the life of the server, as a real service's would.
    auto next = std::make_shared<std::atomic<int>>(123);
    const std::string path = "/" + SandboxHttp::prefix(service).toStdString() + "/v1/feedback";
    server.Post(path, [&context, next](const httplib::Request& request, httplib::Response& response) {
        const QByteArray overloaded = errorBody(QStringLiteral("Сервис обратной связи перегружен, повторите позже."));
        SandboxHttp::serve(context, service, request, response, overloaded, [&](const auto&) {
            const QString why = refusal(request.body, request.get_header_value("Content-Type"));
            if (!why.isEmpty()) {
                response.status = 422;
                SandboxHttp::setBody(response, errorBody(why), "application/json");
                return;
            }
            const QJsonObject receipt{
                {QStringLiteral("id"), QStringLiteral("FB-%1").arg(next->fetch_add(1), 6, 10, QLatin1Char('0'))},
                {QStringLiteral("status"), QStringLiteral("received")},
                {QStringLiteral("createdAt"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}};
            response.status = 201;
            SandboxHttp::setBody(response, QJsonDocument(receipt).toJson(QJsonDocument::Compact), "application/json");
        });
    });
}

} // namespace FeedbackSandboxService
