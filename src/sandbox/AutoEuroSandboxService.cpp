#include "AutoEuroSandboxService.h"

#include "SandboxCatalogue.h"
#include "SandboxHttp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace AutoEuroSandboxService {

namespace {

using Query = QList<std::pair<QString, QString>>;
constexpr auto service = ServiceEndpoints::Service::autoEuro;

QByteArray envelope(const QJsonArray& data, const QString& result = QStringLiteral("OK")) {
    QJsonObject meta{{QStringLiteral("result"), result},
                     {QStringLiteral("results_count"), data.size()},
                     {QStringLiteral("client_state"), QStringLiteral("active")}};
    return QJsonDocument(QJsonObject{{QStringLiteral("META"), meta}, {QStringLiteral("DATA"), data}})
        .toJson(QJsonDocument::Compact);
}

QByteArray errorEnvelope(const QString& result) {
    return QJsonDocument(QJsonObject{{QStringLiteral("META"), QJsonObject{{QStringLiteral("result"), result}}},
                                     {QStringLiteral("DATA"), QJsonValue()}})
        .toJson(QJsonDocument::Compact);
}

QJsonArray payers() {
    return {QJsonObject{{QStringLiteral("payer_key"), QStringLiteral("P-1024")},
                        {QStringLiteral("payer_name"), QStringLiteral("ООО «Автосервис Урал»")}}};
}

QJsonArray deliveries() {
    QJsonArray list;
    for (const auto& point : SandboxCatalogue::deliveryPoints()) {
        // The time shift comes as a number, as the real service sends it.
        list.append(QJsonObject{{QStringLiteral("delivery_key"), point.key},
                                {QStringLiteral("delivery_name"), point.name},
                                {QStringLiteral("time_shift_msk"), point.timeShiftMsk.toInt()}});
    }
    return list;
}

QJsonArray statuses() {
    const QList<std::tuple<int, const char16_t*, const char16_t*, const char16_t*>> rows = {
        {1, u"В работе", u"Принят", u"Заказ принят в работу"},
        {2, u"В работе", u"Заказан у поставщика", u"Позиция заказана у поставщика"},
        {5, u"Готов", u"На складе", u"Позиция поступила на склад выдачи"},
        {9, u"Отказ", u"Отказ поставщика", u"Поставщик не смог поставить позицию"},
    };
    QJsonArray list;
    for (const auto& [id, group, name, description] : rows) {
        // Ids come as strings here: the lenient integer reads them.
        list.append(QJsonObject{{QStringLiteral("status_id"), QString::number(id)},
                                {QStringLiteral("group"), QString::fromUtf16(group)},
                                {QStringLiteral("name"), QString::fromUtf16(name)},
                                {QStringLiteral("description"), QString::fromUtf16(description)}});
    }
    return list;
}

QJsonArray brands(const QString& code) {
    QJsonArray list;
    for (const auto* part : SandboxCatalogue::partsWithArticle(code)) {
        list.append(QJsonObject{{QStringLiteral("brand"), part->brand},
                                {QStringLiteral("code"), part->article},
                                {QStringLiteral("name"), part->name}});
    }
    return list;
}

void appendOffers(SandboxHttp::Context& context, QJsonArray& list, const SandboxCatalogue::Part& part, bool cross,
                  bool atChelyabinsk) {
    for (const auto& stocked : part.lines) {
        const SandboxHttp::ServedLine now =
            SandboxHttp::served(context, stocked.offerKey, stocked.price, stocked.stock);
        SandboxCatalogue::StockLine line = stocked;
        line.price = now.price;
        line.stock = now.stock;
        const auto& w = *line.warehouse;
        const int days = w.deliveryDays + 1 + (atChelyabinsk ? 0 : 2) + now.extraDays;
        QJsonObject offer{
            {QStringLiteral("offer_key"), line.offerKey},
            {QStringLiteral("stock"), line.stock > 0 ? 1 : 0},
            {QStringLiteral("cross"), cross ? 1 : 0},
            {QStringLiteral("brand"), part.brand},
            {QStringLiteral("code"), part.article},
            {QStringLiteral("name"), part.name},
            {QStringLiteral("packing"), static_cast<qint64>(part.packing)},
            {QStringLiteral("price"), line.price},
            {QStringLiteral("currency"), QStringLiteral("RUB")},
            {QStringLiteral("unit"), QStringLiteral("шт")},
            {QStringLiteral("return"), w.returnable ? 1 : 0},
            {QStringLiteral("order_before"), QStringLiteral("15:30")},
            {QStringLiteral("delivery_time"), QStringLiteral("%1 дн.").arg(days)},
            {QStringLiteral("delivery_time_max"), QStringLiteral("%1 дн.").arg(days + 2)},
            {QStringLiteral("dealer"), w.key == u"CHL" ? 1 : 0},
            {QStringLiteral("warehouse_name"), w.name},
            {QStringLiteral("warehouse_key"), w.key},
            {QStringLiteral("product_id"), static_cast<qint64>(line.offerKey.mid(4).toLongLong())},
            {QStringLiteral("ttl"), 3600},
        };
        // Partner warehouses send amounts and refusal rates as text with a decimal
        // comma, as the real feed does.
        if (w.key == u"CHL") {
            offer.insert(QStringLiteral("amount"), static_cast<qint64>(line.stock));
            offer.insert(QStringLiteral("rejects"), w.refusalRate);
        } else {
            offer.insert(QStringLiteral("amount"), QString::number(line.stock));
            offer.insert(QStringLiteral("rejects"), QString::number(w.refusalRate).replace(u'.', u','));
        }
        for (int copy = 0; copy < now.copies; ++copy)
            list.append(offer);
    }
}

void answerItems(SandboxHttp::Context& context, const Query& query, httplib::Response& response) {
    const QString brand = SandboxHttp::queryValue(query, u"brand");
    const QString code = SandboxHttp::queryValue(query, u"code");
    const QString deliveryKey = SandboxHttp::queryValue(query, u"delivery_key");
    if (brand.isEmpty() || code.isEmpty()) {
        SandboxHttp::setBody(response, errorEnvelope(QStringLiteral("Не указаны бренд или код")), "application/json");
        return;
    }
    const auto& points = SandboxCatalogue::deliveryPoints();
    const auto point = std::find_if(points.begin(), points.end(), [&](const auto& p) { return p.key == deliveryKey; });
    if (point == points.end()) {
        SandboxHttp::setBody(response, errorEnvelope(QStringLiteral("Неизвестная точка доставки")), "application/json");
        return;
    }
    const bool atChelyabinsk = point->name.contains(u"Челябинск");
    QJsonArray list;
    if (const auto* part = SandboxCatalogue::findPart(brand, code)) {
        appendOffers(context, list, *part, false, atChelyabinsk);
        if (SandboxHttp::queryValue(query, u"with_crosses") == u"1") {
            for (const auto* analogue : SandboxCatalogue::analoguesOf(*part))
                appendOffers(context, list, *analogue, true, atChelyabinsk);
        }
    }
    SandboxHttp::setBody(response, envelope(list), "application/json");
}

} // namespace

void install(httplib::Server& server, SandboxHttp::Context& context) {
    const std::string pattern = "/" + SandboxHttp::prefix(service).toStdString() + "/api/v2/json/([a-z_]+)/";
    server.Get(pattern, [&context](const httplib::Request& request, httplib::Response& response) {
        const QString operation = QString::fromStdString(request.matches[1].str());
        const QByteArray apiError = errorEnvelope(QStringLiteral("Сервис временно недоступен"));
        SandboxHttp::serve(context, service, request, response, apiError, [&](const Query& query) {
            if (QString::fromStdString(request.get_header_value("key")) !=
                QString::fromUtf16(SandboxServer::autoEuroAPIKey)) {
                // As the real service answers a key it does not know.
                response.status = 401;
                SandboxHttp::setBody(response, QByteArray(R"({"ERROR":{"code":401,"message":"Неверный API-ключ"}})"),
                                     "application/json");
                return;
            }
            if (operation == u"get_payers")
                SandboxHttp::setBody(response, envelope(payers()), "application/json");
            else if (operation == u"get_deliveries")
                SandboxHttp::setBody(response, envelope(deliveries()), "application/json");
            else if (operation == u"get_statuses")
                SandboxHttp::setBody(response, envelope(statuses()), "application/json");
            else if (operation == u"search_brands")
                SandboxHttp::setBody(response, envelope(brands(SandboxHttp::queryValue(query, u"code"))),
                                     "application/json");
            else if (operation == u"search_items")
                answerItems(context, query, response);
            else
                response.status = 404;
        });
    });
}

} // namespace AutoEuroSandboxService
