#include "AbcpSandboxService.h"

#include "SandboxCatalogue.h"
#include "SandboxHttp.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace AbcpSandboxService {

namespace {

using Query = QList<std::pair<QString, QString>>;
using SandboxCatalogue::Part;
constexpr auto service = ServiceEndpoints::Service::abcp;
constexpr const char* kJson = "application/json; charset=utf-8";

QByteArray compact(const QJsonValue& value) {
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

void fail(httplib::Response& response, int status, int code, const QString& message) {
    response.status = status;
    SandboxHttp::setBody(
        response, compact(QJsonObject{{QStringLiteral("errorCode"), code}, {QStringLiteral("errorMessage"), message}}),
        kJson);
}

bool signedIn(const Query& query) {
    const QByteArray hash =
        QCryptographicHash::hash(QString::fromUtf16(SandboxServer::abcpPassword).toUtf8(), QCryptographicHash::Md5)
            .toHex();
    return SandboxHttp::queryValue(query, u"userlogin") == QString::fromUtf16(SandboxServer::abcpLogin) &&
           SandboxHttp::queryValue(query, u"userpsw") == QString::fromLatin1(hash);
}

// The shop's distributor of a warehouse: its code, and how the shop states that warehouse's stock.
struct Distributor {
    int supplierCode;
    enum class Stock { exact, exactAsText, approximate, onOrder } stock;
    // Hours more than the warehouse's days say: the shop's own handling.
    int extraHours;
};

Distributor distributorOf(const SandboxCatalogue::Warehouse& w) {
    if (w.key == u"CHL")
        return {7001, Distributor::Stock::exact, 0};
    if (w.key == u"EKB")
        return {7002, Distributor::Stock::approximate, 12};
    if (w.key == u"MSK")
        return {7003, Distributor::Stock::exactAsText, 24};
    return {7009, Distributor::Stock::onOrder, 48};
}

QJsonValue availability(Distributor::Stock kind, std::int64_t stock) {
    switch (kind) {
    case Distributor::Stock::exact:
        return static_cast<qint64>(stock);
    case Distributor::Stock::exactAsText:
        return QString::number(stock);
    case Distributor::Stock::approximate:
        // "+", "++", "+++"; the text form is as common as the number.
        return stock == 0    ? QJsonValue(0)
               : stock >= 20 ? QJsonValue(QStringLiteral("-3"))
                             : QJsonValue(stock >= 5 ? -2 : -1);
    case Distributor::Stock::onOrder:
        return -10;
    }
    return 0;
}

void appendOffers(SandboxHttp::Context& context, QJsonArray& rows, const Part& part) {
    for (const auto& stocked : part.lines) {
        const auto& w = *stocked.warehouse;
        const Distributor d = distributorOf(w);
        // The shop's price: a little above the catalogue's, rounded to kopecks.
        const double price = std::round(stocked.price * 104.0) / 100.0;
        const auto now = SandboxHttp::served(context, QStringLiteral("ABCP-") + stocked.offerKey, price, stocked.stock);
        const int hours = (w.deliveryDays + now.extraDays) * 24 + d.extraHours;
        QJsonObject row{
            {QStringLiteral("distributorId"), d.supplierCode - 7000},
            {QStringLiteral("grp"), QJsonValue()},
            {QStringLiteral("code"), QString()},
            {QStringLiteral("brand"), part.brand},
            {QStringLiteral("number"), part.article},
            {QStringLiteral("numberFix"), SandboxCatalogue::canonical(part.article)},
            {QStringLiteral("description"), part.name},
            {QStringLiteral("availability"), availability(d.stock, now.stock)},
            {QStringLiteral("packing"), static_cast<qint64>(part.packing)},
            {QStringLiteral("deliveryPeriod"), hours},
            {QStringLiteral("deliveryPeriodMax"), hours == 0 ? QJsonValue(QString()) : QJsonValue(hours + 48)},
            {QStringLiteral("deadlineReplace"), QString()},
            {QStringLiteral("distributorCode"), QString()},
            {QStringLiteral("supplierCode"),
             w.key == u"CHL" ? QJsonValue(d.supplierCode) : QJsonValue(QString::number(d.supplierCode))},
            {QStringLiteral("supplierColor"), w.key == u"CHL" ? QJsonValue(QStringLiteral("E0FDFF")) : QJsonValue()},
            {QStringLiteral("supplierDescription"), w.name},
            {QStringLiteral("itemKey"),
             QString::fromLatin1((QStringLiteral("ABCP|") + stocked.offerKey + u'|' + part.brand).toUtf8().toBase64())},
            {QStringLiteral("weight"), QStringLiteral("0.450")},
            // Nothing known of the far warehouse's reliability: 0.
            {QStringLiteral("deliveryProbability"), w.key == u"DXB" ? 0.0 : 100.0 - w.refusalRate},
            {QStringLiteral("lastUpdateTime"), QStringLiteral("2026-03-01 09:00:00")},
            {QStringLiteral("noReturn"), w.returnable ? QJsonValue(0) : QJsonValue(QStringLiteral("1"))},
        };
        // Prices as numbers and as text, as shops send them.
        row.insert(QStringLiteral("price"),
                   w.key == u"MSK" ? QJsonValue(QString::number(now.price, 'f', 2)) : QJsonValue(now.price));
        for (int copy = 0; copy < now.copies; ++copy)
            rows.append(row);
    }
}

void answerBrands(const Query& query, httplib::Response& response) {
    QJsonObject hits;
    for (const Part* part : SandboxCatalogue::partsWithArticle(SandboxHttp::queryValue(query, u"number"))) {
        const QString key = QString::number(hits.size());
        hits.insert(key, QJsonObject{{QStringLiteral("brand"), part->brand},
                                     {QStringLiteral("number"), part->article},
                                     {QStringLiteral("numberFix"), SandboxCatalogue::canonical(part->article)},
                                     {QStringLiteral("description"), part->name},
                                     {QStringLiteral("availability"), QStringLiteral("1")}});
    }
    if (hits.isEmpty())
        return fail(response, 404, 301, QStringLiteral("No results"));
    SandboxHttp::setBody(response, compact(hits), kJson);
}

void answerArticles(SandboxHttp::Context& context, const Query& query, httplib::Response& response) {
    const QString brand = SandboxHttp::queryValue(query, u"brand");
    if (brand.isEmpty())
        return fail(response, 400, 2, QStringLiteral("Не указан обязательный параметр brand"));
    const Part* part = SandboxCatalogue::findPart(brand, SandboxHttp::queryValue(query, u"number"));
    QJsonArray rows;
    if (part) {
        appendOffers(context, rows, *part);
        if (SandboxHttp::queryValue(query, u"withOutAnalogs") != u"1") {
            for (const Part* analogue : SandboxCatalogue::analoguesOf(*part))
                appendOffers(context, rows, *analogue);
        }
    }
    if (rows.isEmpty())
        return fail(response, 404, 301, QStringLiteral("Не найден"));
    SandboxHttp::setBody(response, compact(rows), kJson);
}

} // namespace

void install(httplib::Server& server, SandboxHttp::Context& context) {
    const std::string pattern =
        "/" + SandboxHttp::prefix(service).toStdString() + "/(search/brands|search/articles|user/info)/?";
    server.Get(pattern, [&context](const httplib::Request& request, httplib::Response& response) {
        const QString operation = QString::fromStdString(request.matches[1].str());
        const QByteArray apiError = R"({"errorCode":13,"errorMessage":"Сервис временно недоступен"})";
        SandboxHttp::serve(context, service, request, response, apiError, [&](const Query& query) {
            if (!signedIn(query))
                return fail(response, 403, 102, QStringLiteral("Неправильное имя или пароль!"));
            if (operation == u"search/brands")
                answerBrands(query, response);
            else if (operation == u"search/articles")
                answerArticles(context, query, response);
            else
                SandboxHttp::setBody(
                    response,
                    compact(QJsonObject{{QStringLiteral("id"), QStringLiteral("100218")},
                                        {QStringLiteral("name"), QStringLiteral("Демо-покупатель")},
                                        {QStringLiteral("organization"), QStringLiteral("ООО «Автосервис Урал»")}}),
                    kJson);
        });
    });
}

} // namespace AbcpSandboxService
