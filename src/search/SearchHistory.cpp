#include "SearchHistory.h"

#include "core/TextUtils.h"
#include "core/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

SearchHistory::SearchHistory(UserDefaults& defaults)
    : m_defaults(defaults) {}

QList<SearchHistoryEntry> SearchHistory::entries() const {
    const auto stored = m_defaults.stringValue(defaultsKey());
    if (!stored)
        return {};
    const QJsonArray array = QJsonDocument::fromJson(stored->toUtf8()).array();
    QList<SearchHistoryEntry> out;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        SearchHistoryEntry entry;
        entry.article = TextUtils::searchQuery(object.value(QStringLiteral("article")).toString());
        entry.searchedAt =
            QDateTime::fromString(object.value(QStringLiteral("searchedAt")).toString(), Qt::ISODateWithMs);
        const double count = object.value(QStringLiteral("offerCount")).toDouble(-1);
        // Hand-edited values are skipped rather than trusted.
        if (entry.article.isEmpty() || !entry.searchedAt.isValid() || !(count >= 0 && count <= 1e9))
            continue;
        entry.offerCount = static_cast<qsizetype>(count);
        if (std::none_of(out.begin(), out.end(), [&](const auto& e) { return e.article == entry.article; }))
            out.append(entry);
        if (out.size() == limit)
            break;
    }
    return out;
}

QList<SearchHistoryEntry> SearchHistory::matching(QStringView typed) const {
    const QString wanted = TextUtils::canonicalPartNumber(typed);
    QList<SearchHistoryEntry> out;
    for (const SearchHistoryEntry& entry : entries()) {
        if (TextUtils::canonicalPartNumber(entry.article).contains(wanted))
            out.append(entry);
    }
    return out;
}

void SearchHistory::record(const QString& article, qsizetype offerCount, const QDateTime& at) {
    const QString query = TextUtils::searchQuery(article);
    if (query.isEmpty())
        return;
    // Onto the list as stored now: another window's or script's searches stay in it.
    m_defaults.transaction([&] {
        QList<SearchHistoryEntry> list = entries();
        list.removeIf([&query](const SearchHistoryEntry& e) { return e.article == query; });
        list.prepend({query, at, std::max<qsizetype>(0, offerCount)});
        if (list.size() > limit)
            list.resize(limit);
        store(list);
    });
}

void SearchHistory::clear() {
    m_defaults.remove(defaultsKey());
}

void SearchHistory::store(const QList<SearchHistoryEntry>& entries) {
    QJsonArray array;
    for (const SearchHistoryEntry& entry : entries) {
        array.append(QJsonObject{{QStringLiteral("article"), entry.article},
                                 {QStringLiteral("searchedAt"), entry.searchedAt.toString(Qt::ISODateWithMs)},
                                 {QStringLiteral("offerCount"), static_cast<qint64>(entry.offerCount)}});
    }
    m_defaults.setString(defaultsKey(), QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
}

QString SearchHistory::detailText(const SearchHistoryEntry& entry, const QDateTime& now) {
    const QDate day = entry.searchedAt.toLocalTime().date();
    const QDate today = now.toLocalTime().date();
    const QString time = entry.searchedAt.toLocalTime().toString(QStringLiteral("HH:mm"));
    QString when;
    if (day == today)
        when = QStringLiteral("сегодня, ") + time;
    else if (day == today.addDays(-1))
        when = QStringLiteral("вчера, ") + time;
    else if (day.year() == today.year())
        when = day.toString(QStringLiteral("dd.MM")) + QStringLiteral(", ") + time;
    else
        when = day.toString(QStringLiteral("dd.MM.yyyy"));
    const QString found = entry.offerCount > 0 ? QStringLiteral("предложений: %1").arg(entry.offerCount)
                                               : QStringLiteral("ничего не найдено");
    return when + QStringLiteral(" · ") + found;
}
