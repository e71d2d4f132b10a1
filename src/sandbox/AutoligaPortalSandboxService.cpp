#include "AutoligaPortalSandboxService.h"

#include "SandboxHttp.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>

#include <cmath>
#include <memory>
#include <mutex>

namespace AutoligaPortalSandboxService {

namespace {

using Query = QList<std::pair<QString, QString>>;
using SandboxCatalogue::Part;
using SandboxCatalogue::StockLine;
constexpr auto service = ServiceEndpoints::Service::autoligaPortal;
const QString kSessionCookie = QStringLiteral("PORTALSESSID");
const QString kAuthCookie = QStringLiteral("PORTALAUTH");

// The sessions the portal handed out, and the sign-ins made on them.
struct Sessions {
    std::mutex mutex;
    QSet<QString> open;
    // Auth token -> the session it was signed in on.
    QHash<QString, QString> signedIn;
};

QString newToken() {
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

QHash<QString, QString> cookies(const httplib::Request& request) {
    QHash<QString, QString> jar;
    const QString header = QString::fromStdString(request.get_header_value("Cookie"));
    for (const QString& pair : header.split(u';')) {
        const auto equals = pair.indexOf(u'=');
        if (equals > 0)
            jar.insert(pair.left(equals).trimmed(), pair.mid(equals + 1).trimmed());
    }
    return jar;
}

void setCookie(httplib::Response& response, const QString& name, const QString& value) {
    const QString cookie = QStringLiteral("%1=%2; Path=/%3/; HttpOnly").arg(name, value, SandboxHttp::prefix(service));
    response.set_header("Set-Cookie", cookie.toStdString());
}

QJsonObject failure(const QString& message) {
    return {{QStringLiteral("success"), false}, {QStringLiteral("message"), message}};
}

void answer(httplib::Response& response, int status, const QJsonObject& body) {
    response.status = status;
    SandboxHttp::setBody(response, QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json");
}

qsizetype warehouseIndex(const StockLine& line) {
    const auto& all = SandboxCatalogue::warehouses();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (&all.at(i) == line.warehouse)
            return i;
    }
    return -1;
}

QString money(double value) {
    return QString::number(value, 'f', 2);
}

// One result row. Each warehouse writes its rows a little differently, as the portal's own
// sources do: ids as numbers or texts or missing, prices as numbers or texts with a unit,
// and its own row colour. The portal's pick of the search (`best`) is yellow, other originals
// in stock nearby green, nearby analogues cyan.
QJsonObject row(const Part& part, const StockLine& line, int extraDays, bool analogue, bool best) {
    const QString& warehouse = line.warehouse->key;
    const double cost = price(line);
    const int term = termDays(line) + extraDays;
    QJsonObject r{{QStringLiteral("article"), part.article},
                  {QStringLiteral("brand"), part.brand},
                  {QStringLiteral("minimumQuantity"), QString::number(part.packing)}};
    // The cross list carries its titles in "description".
    if (analogue) {
        r.insert(QStringLiteral("name"), QString());
        r.insert(QStringLiteral("description"), part.name);
    } else {
        r.insert(QStringLiteral("name"), part.name);
    }
    const QString id = rowID(line);
    if (warehouse == u"CHL") {
        r.insert(QStringLiteral("id"), id.toLongLong());
        r.insert(QStringLiteral("price"), cost);
        r.insert(QStringLiteral("term"), QString::number(term));
        r.insert(QStringLiteral("amountNum"), QString::number(line.stock));
        r.insert(QStringLiteral("cssRule"), analogue ? QStringLiteral("color: #333333;background:#CCFFFF")
                                                     : QStringLiteral("background: #CCFF99"));
    } else if (warehouse == u"EKB") {
        r.insert(QStringLiteral("id"), id);
        r.insert(QStringLiteral("price"), money(cost) + QStringLiteral(" руб"));
        r.insert(QStringLiteral("term"), term);
        r.insert(QStringLiteral("amountNum"), static_cast<qint64>(line.stock));
        r.insert(QStringLiteral("cssRule"), analogue
                                                ? QStringLiteral("border-color: #F1DD18; background-color: #fdd")
                                                : QStringLiteral("font-weight: bold; background: #ccff99 !important"));
    } else if (!id.isEmpty()) {
        r.insert(QStringLiteral("id"), id);
        r.insert(QStringLiteral("price"), money(cost));
        r.insert(QStringLiteral("term"), QString::number(term));
        r.insert(QStringLiteral("amountNum"), line.stock > 10 ? QStringLiteral(">10") : QString::number(line.stock));
        r.insert(QStringLiteral("cssRule"), QStringLiteral("color: #666666"));
    } else {
        // Custom orders: no id and a term range, which the client cannot use.
        r.insert(QStringLiteral("price"), money(cost));
        r.insert(QStringLiteral("term"), QStringLiteral("%1-%2").arg(term).arg(term + 7));
    }
    if (best)
        r.insert(QStringLiteral("cssRule"), QStringLiteral("background-color: #F1DD18;"));
    return r;
}

QByteArray searchAnswer(SandboxHttp::Context& context, const Query& query) {
    const QString article = SandboxHttp::queryValue(query, u"article");
    const QString brand = SandboxHttp::queryValue(query, u"brand");
    QList<const Part*> originals;
    for (const Part* part : SandboxCatalogue::partsWithArticle(article)) {
        if (brand.isEmpty() || part->brand.compare(brand, Qt::CaseInsensitive) == 0)
            originals.append(part);
    }
    QList<const Part*> analogues;
    if (SandboxHttp::queryValue(query, u"withAnalogs") == u"1") {
        for (const Part* original : originals) {
            for (const Part* analogue : SandboxCatalogue::analoguesOf(*original)) {
                if (!originals.contains(analogue) && !analogues.contains(analogue))
                    analogues.append(analogue);
            }
        }
    }
    QJsonArray originalRows;
    for (const Part* part : originals) {
        for (const StockLine& stocked : part->lines) {
            const ServedStock now = served(context, stocked);
            for (int copy = 0; copy < now.copies; ++copy)
                originalRows.append(row(*part, now.line, now.extraDays, false, originalRows.isEmpty()));
        }
    }
    QJsonArray analogueRows;
    for (const Part* part : analogues) {
        for (const StockLine& stocked : part->lines) {
            const ServedStock now = served(context, stocked);
            for (int copy = 0; copy < now.copies; ++copy)
                analogueRows.append(row(*part, now.line, now.extraDays, true, false));
        }
    }

    QJsonObject rows;
    if (!originalRows.isEmpty()) {
        const Part& first = *originals.first();
        rows.insert(QStringLiteral("originals"), originalRows);
        // "Recently viewed": the first original again under its id, and rows that cannot be offered.
        rows.insert(QStringLiteral("recent"),
                    QJsonArray{originalRows.first(),
                               QJsonObject{{QStringLiteral("article"), first.article},
                                           {QStringLiteral("brand"), first.brand},
                                           {QStringLiteral("name"), first.name},
                                           {QStringLiteral("price"), QStringLiteral("по запросу")},
                                           {QStringLiteral("term"), QStringLiteral("5")}},
                               QJsonObject{{QStringLiteral("id"), QString()},
                                           {QStringLiteral("article"), first.article},
                                           {QStringLiteral("brand"), QString()},
                                           {QStringLiteral("name"), first.name},
                                           {QStringLiteral("price"), 100},
                                           {QStringLiteral("term"), QStringLiteral("1")}}});
        rows.insert(QStringLiteral("banners"), QJsonArray{QStringLiteral("Скидка 5% на фильтры до конца месяца")});
    }
    if (!analogueRows.isEmpty())
        rows.insert(QStringLiteral("analogs"), analogueRows);
    rows.insert(QStringLiteral("total"), originalRows.size() + analogueRows.size());
    const QJsonObject data{{QStringLiteral("rows"), rows}, {QStringLiteral("article"), article}};
    return QJsonDocument(QJsonObject{{QStringLiteral("success"), true}, {QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

QString rowID(const StockLine& line) {
    const qsizetype index = warehouseIndex(line);
    // The own and the partner warehouses have ids; custom orders do not.
    if (index < 0 || index > 2)
        return {};
    return QString::number(index + 1) + line.offerKey.mid(line.offerKey.indexOf(u'-') + 1);
}

double price(const StockLine& line) {
    return std::round(line.price * 1.03 * 100.0) / 100.0;
}

ServedStock served(SandboxHttp::Context& context, const StockLine& line) {
    // One key for the portal and TradeSoft, apart from the other suppliers' views of the line.
    const SandboxHttp::ServedLine now =
        SandboxHttp::served(context, QStringLiteral("autoliga|") + line.offerKey, line.price, line.stock);
    ServedStock result{line, now.extraDays, now.copies};
    result.line.price = now.price;
    result.line.stock = now.stock;
    return result;
}

int termDays(const StockLine& line) {
    return line.warehouse->deliveryDays + 1;
}

void install(httplib::Server& server, SandboxHttp::Context& context) {
    auto sessions = std::make_shared<Sessions>();
    const std::string base = "/" + SandboxHttp::prefix(service).toStdString() + "/";
    const QByteArray apiError =
        QJsonDocument(failure(QStringLiteral("Сервис временно недоступен"))).toJson(QJsonDocument::Compact);

    server.Get(base, [&context, sessions, apiError](const httplib::Request& request, httplib::Response& response) {
        SandboxHttp::serve(context, service, request, response, apiError, [&](const Query&) {
            const QString session = newToken();
            {
                std::lock_guard lock(sessions->mutex);
                sessions->open.insert(session);
            }
            setCookie(response, kSessionCookie, session);
            SandboxHttp::setBody(response,
                                 QStringLiteral("<!doctype html><html lang=\"ru\"><head><title>Автолига — "
                                                "автозапчасти</title></head><body></body></html>")
                                     .toUtf8(),
                                 "text/html; charset=utf-8");
        });
    });

    server.Post(base + "api/v2/customer/login/", [&context, sessions, apiError](const httplib::Request& request,
                                                                                httplib::Response& response) {
        SandboxHttp::serve(context, service, request, response, apiError, [&](const Query&) {
            if (context.behaviourOf(service).fault == SandboxBehaviour::Fault::signInRejected) {
                answer(response, 403, failure(QStringLiteral("Доступ запрещён")));
                return;
            }
            const QString session = cookies(request).value(kSessionCookie);
            bool known = false;
            {
                std::lock_guard lock(sessions->mutex);
                known = sessions->open.contains(session);
            }
            if (!known) {
                answer(response, 401, failure(QStringLiteral("Сессия не найдена, обновите страницу.")));
                return;
            }
            if (!QString::fromStdString(request.get_header_value("Content-Type")).startsWith(u"application/json")) {
                answer(response, 415, failure(QStringLiteral("Ожидается JSON.")));
                return;
            }
            const QJsonObject body = QJsonDocument::fromJson(QByteArray::fromStdString(request.body)).object();
            if (body.size() != 2 ||
                body.value(QStringLiteral("login")).toString() != QString::fromUtf16(SandboxServer::autoligaLogin) ||
                body.value(QStringLiteral("password")).toString() !=
                    QString::fromUtf16(SandboxServer::autoligaPassword)) {
                answer(response, 403, failure(QStringLiteral("Неверный логин или пароль.")));
                return;
            }
            const QString token = newToken();
            {
                std::lock_guard lock(sessions->mutex);
                sessions->signedIn.insert(token, session);
            }
            setCookie(response, kAuthCookie, token);
            answer(response, 200,
                   {{QStringLiteral("success"), true},
                    {QStringLiteral("data"),
                     QJsonObject{{QStringLiteral("customer"), QStringLiteral("ООО «Автосервис Урал»")}}}});
        });
    });

    server.Get(base + "api/v2/client/search/",
               [&context, sessions, apiError](const httplib::Request& request, httplib::Response& response) {
                   SandboxHttp::serve(context, service, request, response, apiError, [&](const Query& query) {
                       const auto jar = cookies(request);
                       const QString session = jar.value(kSessionCookie);
                       bool signedIn = false;
                       {
                           std::lock_guard lock(sessions->mutex);
                           signedIn = !session.isEmpty() && sessions->open.contains(session) &&
                                      sessions->signedIn.value(jar.value(kAuthCookie)) == session;
                       }
                       if (!signedIn) {
                           answer(response, 401, failure(QStringLiteral("Требуется авторизация.")));
                           return;
                       }
                       SandboxHttp::setBody(response, searchAnswer(context, query), "application/json");
                   });
               });
}

} // namespace AutoligaPortalSandboxService
