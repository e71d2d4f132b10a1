#include "TradeSoftSandboxService.h"

#include "AutoligaPortalSandboxService.h"
#include "SandboxHttp.h"
#include "suppliers/autoliga/AutoligaProvider.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

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

// A supplier inside the sandbox's TradeSoft: Autoliga (its rows are the portal's lines), and two
// others that stock a few of the catalogue's warehouses at their own prices.
struct Provider {
    QString id;
    QString title;
    QString login;
    QString password;
    // Warehouses of the catalogue it stocks; empty: Autoliga's own rows.
    QStringList warehouses;
    double priceFactor = 1.0;
};

const QList<Provider>& providers() {
    static const QList<Provider> list = {
        {QString::fromUtf16(AutoligaProvider::tradeSoftProviderID),
         QStringLiteral("Автолига"),
         QString::fromUtf16(SandboxServer::autoligaLogin),
         QString::fromUtf16(SandboxServer::autoligaPassword),
         {},
         1.0},
        {QString::fromUtf16(SandboxServer::uralPartsProvider),
         QStringLiteral("УралЗапчасть"),
         QString::fromUtf16(SandboxServer::uralPartsLogin),
         QString::fromUtf16(SandboxServer::uralPartsPassword),
         {QStringLiteral("CHL"), QStringLiteral("EKB")},
         0.97},
        {QString::fromUtf16(SandboxServer::motorLineProvider),
         QStringLiteral("Моторлайн"),
         QString::fromUtf16(SandboxServer::motorLineLogin),
         QString::fromUtf16(SandboxServer::motorLinePassword),
         {QStringLiteral("MSK"), QStringLiteral("DXB")},
         1.06},
    };
    return list;
}

QJsonObject providerList() {
    QJsonArray data;
    for (const Provider& p : providers())
        data.append(QJsonObject{
            {QStringLiteral("name"), p.id},
            {QStringLiteral("title"), p.title},
            {QStringLiteral("description"), QString()},
            {QStringLiteral("active"), true},
            {QStringLiteral("orderActive"), false},
            {QStringLiteral("activeTo"), QJsonValue()},
            {QStringLiteral("loginInfoText"),
             QStringLiteral("Логин — номер клиента в %1, пароль — от личного кабинета на сайте.").arg(p.title)}});
    return {{QStringLiteral("error"), QString()}, {QStringLiteral("time"), 0.02}, {QStringLiteral("data"), data}};
}

// A row of a supplier other than Autoliga: its own handle, price and terms.
QJsonObject otherRow(SandboxHttp::Context& context, const Provider& provider, const Part& part,
                     const StockLine& stocked, const QString& itemType, int* copies) {
    const double base = std::round(stocked.price * provider.priceFactor * 100.0) / 100.0;
    const auto now = SandboxHttp::served(context, provider.id + u'|' + stocked.offerKey, base, stocked.stock);
    *copies = now.copies;
    const int term = stocked.warehouse->deliveryDays + 1 + now.extraDays;
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash((provider.id + u'|' + stocked.offerKey).toUtf8(), QCryptographicHash::Md5).toHex());
    return {{QStringLiteral("code"), part.article},
            {QStringLiteral("producer"), part.brand},
            {QStringLiteral("caption"), part.name},
            {QStringLiteral("price"), QString::number(now.price, 'f', 2)},
            {QStringLiteral("currencycode"), QStringLiteral("RUB")},
            {QStringLiteral("rest"), now.stock > 50 ? QStringLiteral(">50") : QString::number(now.stock)},
            {QStringLiteral("deliverydays"), QStringLiteral("%1-%2").arg(term).arg(term + 1)},
            {QStringLiteral("deliverydays_min"), term},
            {QStringLiteral("deliverydays_max"), term + 1},
            {QStringLiteral("direction"), stocked.warehouse->name},
            {QStringLiteral("minquantity"), static_cast<qint64>(part.packing)},
            {QStringLiteral("provider_rating"), QStringLiteral("92.5")},
            {QStringLiteral("itemHash"), hash},
            {QStringLiteral("itemId"), QStringLiteral("TS-") + provider.id + u'-' + stocked.offerKey},
            {QStringLiteral("return"),
             stocked.warehouse->returnable ? QStringLiteral("possible") : QStringLiteral("impossible")},
            {QStringLiteral("itemtype"), itemType}};
}

void appendRows(SandboxHttp::Context& context, QJsonArray& rows, const Provider& provider, const Part& part,
                const QString& itemType) {
    for (const StockLine& stocked : part.lines) {
        if (provider.warehouses.isEmpty()) {
            const auto now = AutoligaPortalSandboxService::served(context, stocked);
            for (int copy = 0; copy < now.copies; ++copy)
                rows.append(priceRow(part, now.line, now.extraDays));
            continue;
        }
        if (!provider.warehouses.contains(stocked.warehouse->key))
            continue;
        int copies = 1;
        const QJsonObject row = otherRow(context, provider, part, stocked, itemType, &copies);
        for (int copy = 0; copy < copies; ++copy)
            rows.append(row);
    }
}

// One container entry's answer.
QJsonObject entryAnswer(SandboxHttp::Context& context, const QString& action, const QJsonObject& item) {
    const QString id = item.value(QStringLiteral("provider")).toString();
    const auto provider =
        std::find_if(providers().begin(), providers().end(), [&](const Provider& p) { return p.id == id; });
    if (provider == providers().end())
        return {{QStringLiteral("provider"), id}, {QStringLiteral("error"), QStringLiteral("Provider not found")}};
    if (item.value(QStringLiteral("login")).toString() != provider->login ||
        item.value(QStringLiteral("password")).toString() != provider->password)
        return {{QStringLiteral("provider"), id},
                {QStringLiteral("errorMessage"), QStringLiteral("Ошибка авторизации у поставщика ") + provider->title}};

    const QString code = item.value(QStringLiteral("code")).toString();
    if (action == u"getproducerlist") {
        QJsonArray producers;
        for (const Part* part : SandboxCatalogue::partsWithArticle(code))
            producers.append(QJsonObject{{QStringLiteral("producer"), part->brand},
                                         {QStringLiteral("code"), part->article},
                                         {QStringLiteral("caption"), part->name}});
        // The aggregator also lists brands it knows by no name.
        producers.append(QJsonObject{{QStringLiteral("producer"), QStringLiteral(" ")}});
        return {{QStringLiteral("provider"), id},
                {QStringLiteral("error"), QJsonValue()},
                {QStringLiteral("items"), producers}};
    }
    QJsonArray rows;
    if (const Part* part = SandboxCatalogue::findPart(item.value(QStringLiteral("producer")).toString(), code)) {
        appendRows(context, rows, *provider, *part, QStringLiteral("original"));
        // The price list brings the analogues too; the pre-order check the line alone.
        if (action == u"getpricelist" && !provider->warehouses.isEmpty()) {
            for (const Part* analogue : SandboxCatalogue::analoguesOf(*part))
                appendRows(context, rows, *provider, *analogue, QStringLiteral("analog"));
        }
    }
    return {{QStringLiteral("provider"), id},
            {QStringLiteral("cache"), 0},
            {QStringLiteral("error"), QJsonValue()},
            {action == u"preordersearch" ? QStringLiteral("items") : QStringLiteral("data"), rows}};
}

QJsonObject answer(SandboxHttp::Context& context, const QJsonObject& body) {
    if (body.value(QStringLiteral("service")).toString() != u"provider")
        return topLevelError(QStringLiteral("Unknown service"));
    if (body.value(QStringLiteral("user")).toString() != QString::fromUtf16(SandboxServer::tradeSoftUser) ||
        body.value(QStringLiteral("password")).toString() != QString::fromUtf16(SandboxServer::tradeSoftPassword))
        return topLevelError(QStringLiteral("Неверный логин или пароль TradeSoft"));
    // Action names are read in any letter case, as the service does.
    const QString action = body.value(QStringLiteral("action")).toString().toLower();
    if (action == u"getproviderlist")
        return providerList();
    if (action != u"preordersearch" && action != u"getproducerlist" && action != u"getpricelist")
        return topLevelError(QStringLiteral("Unknown action: ") + body.value(QStringLiteral("action")).toString());
    const QJsonArray container = body.value(QStringLiteral("container")).toArray();
    if (container.isEmpty())
        return {{QStringLiteral("message"), QStringLiteral("container must hold an item")}};
    QJsonArray entries;
    for (const QJsonValue& item : container)
        entries.append(entryAnswer(context, action, item.toObject()));
    return {{QStringLiteral("error"), 0},
            {QStringLiteral("message"), QString()},
            {QStringLiteral("time"), 0.05},
            {QStringLiteral("container"), entries}};
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
