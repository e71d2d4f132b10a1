#include "TradeSoftSandboxService.h"

#include "AutoligaPortalSandboxService.h"
#include "SandboxHttp.h"
#include "suppliers/autoliga/AutoligaProvider.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace TradeSoftSandboxService {

namespace {

using Query = QList<std::pair<QString, QString>>;
using SandboxCatalogue::Part;
using SandboxCatalogue::StockLine;
constexpr auto service = ServiceEndpoints::Service::tradeSoft;

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject topLevelError(const QString& message) {
    return {{QStringLiteral("error"), message}, {QStringLiteral("container"), QJsonArray()}};
}

QJsonObject success(const QJsonObject& entry) {
    return {{QStringLiteral("error"), 0},
            {QStringLiteral("message"), QString()},
            {QStringLiteral("container"), QJsonArray{entry}}};
}

// A price row as TradeSoft relays it from Autoliga: the same price, term and handle as the
// portal's row, written in the aggregator's own loose way (decimal commas, numbers as text).
QJsonObject priceRow(const Part& part, const StockLine& line, int extraDays) {
    const double price = AutoligaPortalSandboxService::price(line);
    const int term = AutoligaPortalSandboxService::termDays(line) + extraDays;
    const bool own = line.warehouse->key == u"CHL";
    QJsonObject row{
        {QStringLiteral("code"), part.article},
        {QStringLiteral("producer"), part.brand},
        {QStringLiteral("caption"), part.name},
        {QStringLiteral("currencycode"), own ? QStringLiteral("RUB") : QString()},
        {QStringLiteral("deliverydays"), QString::number(term)},
        {QStringLiteral("deliverydays_min"), term},
        {QStringLiteral("deliverydays_max"), QString::number(term + 2)},
        {QStringLiteral("direction"), line.warehouse->name},
        {QStringLiteral("minquantity"), QString::number(part.packing)},
        {QStringLiteral("provider_rating"), QStringLiteral("97")},
        {QStringLiteral("itemId"), QStringLiteral("TS-") + line.offerKey},
        {QStringLiteral("return"),
         line.warehouse->returnable ? QStringLiteral("possible") : QStringLiteral("impossible")},
        {QStringLiteral("itemtype"), QStringLiteral("original")},
    };
    if (own) {
        row.insert(QStringLiteral("price"), price);
        row.insert(QStringLiteral("rest"), static_cast<qint64>(line.stock));
    } else {
        row.insert(QStringLiteral("price"), QString::number(price, 'f', 2).replace(u'.', u','));
        row.insert(QStringLiteral("rest"), line.stock > 10 ? QStringLiteral(">10") : QString::number(line.stock));
    }
    // Custom orders carry no handle.
    const QString hash = AutoligaPortalSandboxService::rowID(line);
    if (!hash.isEmpty())
        row.insert(QStringLiteral("itemHash"), hash);
    return row;
}

QJsonObject answer(SandboxHttp::Context& context, const QJsonObject& body) {
    if (body.value(QStringLiteral("service")).toString() != u"provider")
        return topLevelError(QStringLiteral("Unknown service"));
    if (body.value(QStringLiteral("user")).toString() != QString::fromUtf16(SandboxServer::tradeSoftUser) ||
        body.value(QStringLiteral("password")).toString() != QString::fromUtf16(SandboxServer::tradeSoftPassword))
        return topLevelError(QStringLiteral("Неверный логин или пароль TradeSoft"));
    const QString action = body.value(QStringLiteral("action")).toString();
    if (action != u"preOrderSearch" && action != u"GetProducerList")
        return topLevelError(QStringLiteral("Unknown action: ") + action);
    const QJsonArray container = body.value(QStringLiteral("container")).toArray();
    if (container.size() != 1 || !container.first().isObject())
        return {{QStringLiteral("message"), QStringLiteral("container must hold one item")}};

    const QJsonObject item = container.first().toObject();
    const QString provider = item.value(QStringLiteral("provider")).toString();
    if (provider != QString::fromUtf16(AutoligaProvider::tradeSoftProviderID))
        return success(
            {{QStringLiteral("provider"), provider}, {QStringLiteral("error"), QStringLiteral("Provider not found")}});
    if (item.value(QStringLiteral("login")).toString() != QString::fromUtf16(SandboxServer::autoligaLogin) ||
        item.value(QStringLiteral("password")).toString() != QString::fromUtf16(SandboxServer::autoligaPassword))
        return success({{QStringLiteral("provider"), provider},
                        {QStringLiteral("errorMessage"), QStringLiteral("Ошибка авторизации у поставщика Автолига")}});

    const QString code = item.value(QStringLiteral("code")).toString();
    if (action == u"GetProducerList") {
        QJsonArray producers;
        for (const Part* part : SandboxCatalogue::partsWithArticle(code))
            producers.append(QJsonObject{{QStringLiteral("producer"), part->brand}});
        // The aggregator also lists brands it knows by no name.
        producers.append(QJsonObject{{QStringLiteral("producer"), QStringLiteral(" ")}});
        return success({{QStringLiteral("provider"), provider},
                        {QStringLiteral("error"), QJsonValue()},
                        {QStringLiteral("items"), producers}});
    }
    QJsonArray rows;
    if (const Part* part = SandboxCatalogue::findPart(item.value(QStringLiteral("producer")).toString(), code)) {
        for (const StockLine& stocked : part->lines) {
            const auto now = AutoligaPortalSandboxService::served(context, stocked);
            for (int copy = 0; copy < now.copies; ++copy)
                rows.append(priceRow(*part, now.line, now.extraDays));
        }
    }
    return success({{QStringLiteral("provider"), provider},
                    {QStringLiteral("error"), QJsonValue()},
                    {QStringLiteral("data"), rows}});
}

} // namespace

void install(httplib::Server& server, SandboxHttp::Context& context) {
    const std::string path = "/" + SandboxHttp::prefix(service).toStdString() + "/3/";
    server.Post(path, [&context](const httplib::Request& request, httplib::Response& response) {
        const QByteArray apiError =
            compact({{QStringLiteral("error_message"), QStringLiteral("Сервис TradeSoft временно недоступен")}});
        SandboxHttp::serve(context, service, request, response, apiError, [&](const Query&) {
            if (!QString::fromStdString(request.get_header_value("Content-Type")).startsWith(u"application/json")) {
                response.status = 415;
                return;
            }
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &error);
            if (error.error != QJsonParseError::NoError || !document.isObject()) {
                response.status = 400;
                SandboxHttp::setBody(response, compact(topLevelError(QStringLiteral("Bad request"))),
                                     "application/json");
                return;
            }
            SandboxHttp::setBody(response, compact(answer(context, document.object())), "application/json");
        });
    });
}

} // namespace TradeSoftSandboxService
