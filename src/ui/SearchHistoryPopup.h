#pragma once

#include "search/SearchHistory.h"

#include <QObject>

#include <functional>

class QLineEdit;
class QTreeWidget;
class SearchViewModel;
class UserDefaults;

// The articles searched before, offered under the search field: as the user types (entries that
// hold the typed letters and digits), on a click into the empty field, and with Down, which also
// picks the first entry. Up and Down walk the list, Return or a click searches the entry, Esc
// closes it; Return with no entry picked searches what was typed. Every finished search is
// recorded, with its time and the number of offers found.
//
// Down goes to the offer table instead while the field still holds the article the table shows
// (the window says when, through tableTakesDown); with a new article typed or an empty field it
// opens the list.
class SearchHistoryPopup : public QObject {
    Q_OBJECT

public:
    SearchHistoryPopup(QLineEdit& field, SearchViewModel& viewModel, UserDefaults& defaults, QObject* parent = nullptr);

    void setTableTakesDown(std::function<bool()> tableTakesDown) { m_tableTakesDown = std::move(tableTakesDown); }

    bool isShown() const;
    QTreeWidget* list() const { return m_list; }
    // The entries now listed.
    const QList<SearchHistoryEntry>& shownEntries() const { return m_shown; }
    // Lists the entries that match the field's text; false (and hidden) when none does.
    bool showMatches();
    void hide();
    // Searches the listed entry.
    void choose(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reposition();
    void moveCurrent(int step);

    QLineEdit& m_field;
    SearchViewModel& m_viewModel;
    SearchHistory m_history;
    QTreeWidget* m_list;
    QList<SearchHistoryEntry> m_shown;
    std::function<bool()> m_tableTakesDown;
};
