#include "TradeSoftAnswers.h"

#include "core/TextUtils.h"
#include "suppliers/autoliga/TradeSoftError.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"

#include <QSet>

namespace TradeSoftAnswers {

namespace {

using Type = Json::Value::Type;
using API = TradeSoftHTTPAPI;

// The objects of an array member; nothing when it is no array.
QList<Json::Value> objects(const std::optional<Json::Value>& list) {
    QList<Json::Value> found;
    if (!list || list->type() != Type::array)
        return found;
    for (const Json::Value& element : list->elements()) {
        if (element.type() == Type::object)
            found.append(element);
    }
    return found;
}

template <typename Rows, typename Read> QList<TradeSoftEntry<Rows>> entries(const QByteArray& body, Read read) {
    const Json::Value answer = API::answerObject(body);
    const std::optional<Json::Value> container = answer.member(u"container");
    if (!container || container->type() != Type::array)
        throw TradeSoftError::api(QStringLiteral("TradeSoft: в ответе отсутствует container."));
    QList<TradeSoftEntry<Rows>> result;
    qsizetype total = 0;
    for (const Json::Value& entry : objects(container)) {
        TradeSoftEntry<Rows> part;
        part.provider = TextUtils::trimmed(API::stringValue(entry.member(u"provider")));
        part.error = TextUtils::serverText(API::apiError(entry).value_or(QString()));
        QList<Json::Value> rows = objects(entry.member(u"data"));
        if (rows.isEmpty())
            rows = objects(entry.member(u"items"));
        // Counted over the whole answer, however many suppliers share the rows.
        total += rows.size();
        if (total > Json::maxRows)
            throw TradeSoftError::unreadable(Json::tooManyRowsText());
        part.rows = read(rows);
        result.append(std::move(part));
    }
    return result;
}

} // namespace

QList<TradeSoftEntry<QStringList>> producers(const QByteArray& body) {
    return entries<QStringList>(body, [](const QList<Json::Value>& rows) {
        QStringList names;
        QSet<QString> seen;
        for (const Json::Value& row : rows) {
            const QString name = TextUtils::trimmed(API::stringValue(row.member(u"producer")));
            if (name.isEmpty() || seen.contains(name.toUpper()))
                continue;
            seen.insert(name.toUpper());
            names.append(name);
        }
        return names;
    });
}

QList<TradeSoftEntry<QList<TradeSoftPriceItem>>> prices(const QByteArray& body) {
    return entries<QList<TradeSoftPriceItem>>(body, [](const QList<Json::Value>& rows) {
        QList<TradeSoftPriceItem> items;
        items.reserve(rows.size());
        for (const Json::Value& row : rows)
            items.append(API::decodePriceItem(row));
        return items;
    });
}

QList<TradeSoftProviderInfo> providers(const QByteArray& body) {
    QList<TradeSoftProviderInfo> list;
    for (const Json::Value& row : objects(API::answerObject(body).member(u"data"))) {
        TradeSoftProviderInfo info;
        info.id = TextUtils::trimmed(API::stringValue(row.member(u"name")));
        info.title = TextUtils::singleLine(API::stringValue(row.member(u"title")), 100);
        info.loginInfo = TextUtils::serverText(API::stringValue(row.member(u"loginInfoText")));
        const auto active = row.member(u"active");
        info.active = !active || active->type() != Type::boolean || active->boolean();
        if (!info.id.isEmpty())
            list.append(std::move(info));
    }
    return list;
}

QList<qsizetype> match(const QStringList& requested, const QStringList& answered) {
    QList<qsizetype> result;
    QList<bool> taken(answered.size(), false);
    for (const QString& provider : requested) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < answered.size() && found < 0; ++i) {
            if (!taken[i] && answered[i].compare(provider, Qt::CaseInsensitive) == 0)
                found = i;
        }
        if (found >= 0)
            taken[found] = true;
        result.append(found);
    }
    return result;
}

} // namespace TradeSoftAnswers
