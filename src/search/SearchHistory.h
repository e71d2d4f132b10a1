#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

class UserDefaults;

struct SearchHistoryEntry {
    QString article;
    QDateTime searchedAt;
    qsizetype offerCount = 0;

    bool operator==(const SearchHistoryEntry&) const = default;
};

// The articles searched last, most recent first, each once: searching an article again moves
// it to the top. Kept in the user defaults store as JSON (the demo has a store of its own) and
// never sent anywhere. Reads the store every time, so every window and sheet sees one history.
class SearchHistory {
public:
    static constexpr qsizetype limit = 50;
    static QString defaultsKey() { return QStringLiteral("orelia.searchHistory.v1"); }

    explicit SearchHistory(UserDefaults& defaults);

    // A damaged stored value reads as an empty history (and is replaced by the next search).
    QList<SearchHistoryEntry> entries() const;
    // The entries whose article holds the typed text, letters and digits compared only
    // ("oc9" finds "OC 90"); every entry for an empty text.
    QList<SearchHistoryEntry> matching(QStringView typed) const;
    void record(const QString& article, qsizetype offerCount, const QDateTime& at = QDateTime::currentDateTime());
    void clear();

    // "сегодня, 14:32 · предложений: 12" for the list under the search field.
    static QString detailText(const SearchHistoryEntry& entry, const QDateTime& now = QDateTime::currentDateTime());

private:
    void store(const QList<SearchHistoryEntry>& entries);

    UserDefaults& m_defaults;
};
