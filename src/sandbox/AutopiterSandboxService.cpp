#include "AutopiterSandboxService.h"

#include "AutopiterSoap.h"
#include "SandboxCatalogue.h"
#include "SandboxHttp.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <cmath>
#include <memory>
#include <mutex>
#include <optional>

namespace AutopiterSandboxService {

using namespace AutopiterSoap;

namespace {

constexpr auto service = ServiceEndpoints::Service::autopiter;
const QString kCookie = QStringLiteral("AuthCoocies");

// How each warehouse writes its rows: Autopiter's partners do not agree on a date form.
enum class DateForm { exact, fractional, zoned, none };

struct Region {
    const char16_t* name;
    std::int64_t sellerID;
    int days;
    double priceFactor;
    // As sent, including one partner whose figure is out of range.
    const char16_t* successPercent;
    DateForm dateForm;
    // Blank means roubles.
    const char16_t* currency;
};

const QList<Region>& regions() {
    static const QList<Region> list = {
        {u"Челябинск", 7401, 0, 1.04, u"99.2", DateForm::exact, u"RUB"},
        {u"Санкт-Петербург", 7802, 3, 0.96, u"97.5", DateForm::exact, u""},
        {u"Москва", 7703, 4, 0.90, u"100", DateForm::fractional, u""},
        {u"Новосибирск", 5404, 6, 0.86, u"88", DateForm::zoned, u"RUB"},
        {u"Китай, заказной склад", 8605, 24, 0.68, u"105", DateForm::none, u""},
    };
    return list;
}

struct Part {
    QString brand;
    QString article;
    QString name;
    double basePrice;
    std::int64_t minimum;
    qsizetype group;
    std::int64_t articleID;
};

// FNV-1a: stable across runs and platforms.
std::uint64_t stableHash(const QString& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 1099511628211ull;
    }
    return hash;
}

// The shared catalogue, plus a few analogues that only Autopiter carries.
const QList<Part>& parts() {
    static const QList<Part> list = [] {
        struct Extra {
            const char16_t* member; // an article of the group it joins
            const char16_t* brand;
            const char16_t* article;
            const char16_t* name;
            double basePrice;
        };
        const QList<Extra> extras = {
            {u"OC 90", u"SCT", u"SM 108", u"Фильтр масляный", 265.0},
            {u"OC 90", u"MAHLE", u"OC 90 OF", u"Фильтр масляный с обратным клапаном", 468.0},
            {u"W 712/75", u"SCT", u"SM 836", u"Фильтр масляный", 388.0},
            {u"GDB 1550", u"NIBK", u"PN0082", u"Колодки тормозные передние", 1890.0},
            {u"BKR6E", u"BRISK", u"DR15YC", u"Свеча зажигания", 178.0},
        };
        QList<Part> all;
        const auto& groups = SandboxCatalogue::groups();
        auto add = [&](const QString& brand, const QString& article, const QString& name, double price,
                       std::int64_t minimum, qsizetype group) {
            const auto id = static_cast<std::int64_t>(stableHash(brand + u'|' + article) % 900000000ull) + 100000000;
            all.append({brand, article, name, price, minimum, group, id});
        };
        for (qsizetype g = 0; g < groups.size(); ++g) {
            for (const auto& part : groups[g].parts)
                add(part.brand, part.article, part.name, part.basePrice, part.packing, g);
        }
        for (const auto& extra : extras) {
            const QString member = QString::fromUtf16(extra.member);
            for (const auto& part : std::as_const(all)) {
                if (part.article == member) {
                    add(QString::fromUtf16(extra.brand), QString::fromUtf16(extra.article),
                        QString::fromUtf16(extra.name), extra.basePrice, 1, part.group);
                    break;
                }
            }
        }
        return all;
    }();
    return list;
}

QString cookieValue(const httplib::Request& request) {
    const QString header = QString::fromStdString(request.get_header_value("Cookie"));
    for (const QString& pair : header.split(u';')) {
        const QString trimmed = pair.trimmed();
        if (trimmed.startsWith(kCookie + u'='))
            return trimmed.mid(kCookie.size() + 1);
    }
    return {};
}

QString dateText(DateForm form, int days, std::uint64_t hash) {
    const QDateTime when(QDate::currentDate().addDays(days), QTime(static_cast<int>(10 + hash % 8), 0));
    const QString base = when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    switch (form) {
    case DateForm::exact:
        return base;
    case DateForm::fractional:
        return base + QStringLiteral(".000");
    case DateForm::zoned:
        return base + QStringLiteral("+07:00");
    case DateForm::none:
        break;
    }
    return {};
}

// The articles of "BENCH-N" have ids above those of the catalogue: 10^9 + N * 1000 + position.
constexpr std::int64_t kBenchIDs = 1000000000;

QList<Part> benchParts(int width) {
    QList<Part> list;
    const auto parts = SandboxCatalogue::partsWithArticle(QStringLiteral("BENCH-%1").arg(width));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const auto* part = parts.at(i);
        list.append(
            {part->brand, part->article, part->name, part->basePrice, part->packing, -1, kBenchIDs + width * 1000 + i});
    }
    return list;
}

std::optional<Part> benchPart(std::int64_t articleID) {
    if (articleID < kBenchIDs)
        return std::nullopt;
    const auto width = static_cast<int>((articleID - kBenchIDs) / 1000);
    const auto position = (articleID - kBenchIDs) % 1000;
    const QList<Part> parts = benchParts(width);
    if (position >= parts.size())
        return std::nullopt;
    return parts.at(position);
}

QString catalogAnswer(const QString& number) {
    const QString wanted = SandboxCatalogue::canonical(number);
    QString rows;
    if (wanted.isEmpty())
        return rows;
    if (const int width = SandboxCatalogue::benchWidth(number)) {
        for (const Part& part : benchParts(width)) {
            rows += QStringLiteral("<SearchCatalogModel>") +
                    element(QStringLiteral("ArticleId"), QString::number(part.articleID)) +
                    element(QStringLiteral("CatalogName"), part.brand) + element(QStringLiteral("Name"), part.name) +
                    element(QStringLiteral("Number"), part.article) + QStringLiteral("</SearchCatalogModel>");
        }
        return rows;
    }
    bool archived = false;
    for (const auto& part : parts()) {
        if (!SandboxCatalogue::canonical(part.article).startsWith(wanted))
            continue;
        const auto hash = stableHash(part.brand + part.article);
        rows += QStringLiteral("<SearchCatalogModel>") +
                element(QStringLiteral("ArticleId"), QString::number(part.articleID)) +
                element(QStringLiteral("CatalogName"), part.brand) + element(QStringLiteral("Name"), part.name) +
                element(QStringLiteral("Number"), part.article) +
                element(QStringLiteral("SalesRating"), QString::number(hash % 100)) +
                QStringLiteral("</SearchCatalogModel>");
        if (!archived) {
            // Discontinued entries come without a usable article id.
            archived = true;
            rows += QStringLiteral("<SearchCatalogModel>") +
                    element(QStringLiteral("ArticleId"), QStringLiteral("N") + QString::number(part.articleID)) +
                    element(QStringLiteral("CatalogName"), part.brand) +
                    element(QStringLiteral("Name"), part.name + QStringLiteral(" (снят с производства)")) +
                    element(QStringLiteral("Number"), part.article) + QStringLiteral("</SearchCatalogModel>");
        }
    }
    return rows;
}

QString priceRows(SandboxHttp::Context& context, const Part& part) {
    QString rows;
    const auto& all = regions();
    const auto hash = stableHash(part.brand + u'|' + part.article);
    for (qsizetype i = 0; i < all.size(); ++i) {
        // Every part is in Chelyabinsk or Saint Petersburg; elsewhere by chance.
        const bool stocked = static_cast<std::uint64_t>(i) == (hash % 2) || ((hash >> (5 + i)) & 1) == 1;
        if (!stocked)
            continue;
        const Region& r = all.at(i);
        const QString regionName = QString::fromUtf16(r.name);
        const auto lineHash = stableHash(part.brand + part.article + regionName);
        const QString detailUid = QStringLiteral("AP%1").arg(lineHash % 10000000000ull, 10, 10, QChar(u'0'));
        const SandboxHttp::ServedLine now =
            SandboxHttp::served(context, detailUid, std::round(part.basePrice * r.priceFactor * 100.0) / 100.0,
                                static_cast<std::int64_t>(1 + lineHash % 30));
        if (now.copies == 0)
            continue;
        const double price = now.price;
        QString row;
        row += QStringLiteral("<PriceSearchModel>");
        row += element(QStringLiteral("DetailUid"), detailUid);
        row += element(QStringLiteral("SellerId"), QString::number(r.sellerID));
        row += element(QStringLiteral("Number"), part.article);
        row += element(QStringLiteral("ShotNumber"), SandboxCatalogue::canonical(part.article));
        row += element(QStringLiteral("CatalogName"), part.brand);
        row += element(QStringLiteral("Name"), part.name);
        row += element(QStringLiteral("NumberOfAvailable"), QString::number(now.stock));
        row += element(QStringLiteral("MinNumberOfSales"), QString::number(part.minimum));
        row += element(QStringLiteral("SalePrice"), QString::number(price, 'f', 2));
        row += element(QStringLiteral("NumberOfDaysSupply"), QString::number(r.days + now.extraDays));
        if (r.dateForm != DateForm::none)
            row += element(QStringLiteral("DeliveryDate"), dateText(r.dateForm, r.days + 1, lineHash));
        row += element(QStringLiteral("Region"), regionName);
        row += element(QStringLiteral("SuccessfulOrdersProcent"), QString::fromUtf16(r.successPercent));
        row += element(QStringLiteral("CurrencyName"), QString::fromUtf16(r.currency));
        row += QStringLiteral("</PriceSearchModel>");
        for (int copy = 0; copy < now.copies; ++copy)
            rows += row;
    }
    return rows;
}

QString priceAnswer(SandboxHttp::Context& context, std::int64_t articleID, bool withCrosses) {
    if (const auto bench = benchPart(articleID))
        return priceRows(context, *bench);
    const auto& all = parts();
    const auto found = std::find_if(all.begin(), all.end(), [&](const Part& p) { return p.articleID == articleID; });
    if (found == all.end())
        return {};
    QString rows = priceRows(context, *found);
    // Rows a careful reader must pass over: a price on request, and a line without its id.
    rows += QStringLiteral("<PriceSearchModel>") +
            element(QStringLiteral("DetailUid"), QStringLiteral("AP-REQ-%1").arg(articleID)) +
            element(QStringLiteral("Number"), found->article) + element(QStringLiteral("CatalogName"), found->brand) +
            element(QStringLiteral("SalePrice"), QStringLiteral("по запросу")) + QStringLiteral("</PriceSearchModel>");
    rows += QStringLiteral("<PriceSearchModel><DetailUid> </DetailUid>") +
            element(QStringLiteral("Number"), found->article) +
            element(QStringLiteral("SalePrice"), QStringLiteral("100.00")) + QStringLiteral("</PriceSearchModel>");
    if (withCrosses) {
        for (const auto& part : all) {
            if (part.group == found->group && &part != &*found)
                rows += priceRows(context, part);
        }
    }
    return rows;
}

struct Sessions {
    std::mutex mutex;
    QSet<QString> tokens;
    quint64 issued = 0;

    QString open() {
        std::lock_guard lock(mutex);
        const QString token = QStringLiteral("sandbox-session-%1").arg(++issued);
        tokens.insert(token);
        return token;
    }
    bool isOpen(const QString& token) {
        std::lock_guard lock(mutex);
        return !token.isEmpty() && tokens.contains(token);
    }
};

void answer(const httplib::Request& request, httplib::Response& response, SandboxHttp::Context& context,
            Sessions& sessions) {
    QString action = QString::fromStdString(request.get_header_value("SOAPAction"));
    if (action.size() >= 2 && action.startsWith(u'"') && action.endsWith(u'"'))
        action = action.mid(1, action.size() - 2);
    const QString ns = QString::fromUtf16(serviceNamespace);
    const QString operation = action.startsWith(ns) ? action.mid(ns.size()) : QString();
    const auto values = requestValues(request.body);
    const auto reply = [&](const QString& result) {
        SandboxHttp::setBody(response, envelope(operation, result), "text/xml; charset=utf-8");
    };
    const auto refuse = [&](const QString& text) {
        response.status = 500;
        SandboxHttp::setBody(response, fault(text), "text/xml; charset=utf-8");
    };

    if (operation == u"Authorization") {
        const auto fault = context.behaviourOf(service).fault;
        const bool accepted =
            fault != SandboxBehaviour::Fault::loginRejected &&
            values.value(QStringLiteral("UserID")) == QString::fromUtf16(SandboxServer::autopiterUserID) &&
            values.value(QStringLiteral("Password")) == QString::fromUtf16(SandboxServer::autopiterPassword);
        if (accepted && fault != SandboxBehaviour::Fault::loginWithoutCookie)
            response.set_header(
                "Set-Cookie", (kCookie + u'=' + sessions.open() + QStringLiteral("; Path=/; HttpOnly")).toStdString());
        reply(accepted ? QStringLiteral("true") : QStringLiteral("false"));
        return;
    }
    const bool authorized = sessions.isOpen(cookieValue(request));
    if (operation == u"IsAuthorization") {
        reply(authorized ? QStringLiteral("true") : QStringLiteral("false"));
        return;
    }
    if (operation != u"FindCatalog" && operation != u"GetPriceId") {
        refuse(QStringLiteral("Server did not recognize the value of HTTP Header SOAPAction: ") + action + u'.');
        return;
    }
    if (!authorized) {
        refuse(QStringLiteral("Необходима авторизация."));
        return;
    }
    if (operation == u"FindCatalog") {
        reply(catalogAnswer(values.value(QStringLiteral("Number"))));
        return;
    }
    bool ok = false;
    const std::int64_t articleID = values.value(QStringLiteral("ArticleId")).toLongLong(&ok);
    if (!ok) {
        refuse(QStringLiteral("Не указан ArticleId."));
        return;
    }
    reply(priceAnswer(context, articleID, values.value(QStringLiteral("SearchCross")).trimmed() == u"1"));
}

} // namespace

void install(httplib::Server& server, SandboxHttp::Context& context) {
    auto sessions = std::make_shared<Sessions>();
    const std::string path = "/" + SandboxHttp::prefix(service).toStdString() + "/v2/price";
    server.Post(path, [&context, sessions](const httplib::Request& request, httplib::Response& response) {
        SandboxHttp::serve(context, service, request, response, fault(QStringLiteral("Сервис временно недоступен.")),
                           [&](const auto&) { answer(request, response, context, *sessions); });
    });
}

} // namespace AutopiterSandboxService
