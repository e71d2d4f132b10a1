#pragma once

#include "core/SupplierOffer.h"
#include "OfferMerge.h"
#include "SearchConnectors.h"
#include "SupplierSearchResult.h"

#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class SupplierPreferences;
struct SearchRun;

// The spine of one search: asks the enabled suppliers, merges, de-duplicates and
// filters their offers, and publishes the result with a status line. Lives on the UI
// thread. Optional texts are null QStrings when absent.
//
// Offers are published as each supplier answers (the merge of what has arrived, so the last
// publication is the table of the whole search); a supplier still busy when its budget is spent
// fails on its own; an article searched in the last few minutes shows its earlier table at once
// until the suppliers answer again. Large merges run off the UI thread.
class SearchViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString article READ article WRITE setArticle NOTIFY articleChanged)
    Q_PROPERTY(QList<SupplierOffer> offers READ offers NOTIFY offersChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString searchDurationDisplay READ searchDurationDisplay NOTIFY searchDurationDisplayChanged)
    Q_PROPERTY(QStringList supplierFailures READ supplierFailures NOTIFY supplierFailuresChanged)
    Q_PROPERTY(bool showingSettings READ showingSettings WRITE setShowingSettings NOTIFY showingSettingsChanged)
    Q_PROPERTY(QString searchedArticle READ searchedArticle NOTIFY searchedArticleChanged)
    Q_PROPERTY(QString articleNote READ articleNote NOTIFY articleNoteChanged)
    Q_PROPERTY(bool needsSetup READ needsSetup NOTIFY needsSetupChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressTextChanged)
    Q_PROPERTY(QString resultAgeNote READ resultAgeNote NOTIFY resultAgeNoteChanged)

public:
    using Operation = SupplierSearchResult::Operation;
    using ReportReader = SupplierSearchResult::ReportReader;

    SearchViewModel(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent = nullptr);
    ~SearchViewModel() override;

    QString article() const { return m_article; }
    void setArticle(const QString& article);
    const QList<SupplierOffer>& offers() const { return m_offers; }
    bool isLoading() const { return m_isLoading; }
    QString errorMessage() const { return m_errorMessage; }
    QString statusMessage() const { return m_statusMessage; }
    QString searchDurationDisplay() const { return m_searchDurationDisplay; }
    bool showingSettings() const { return m_showingSettings; }
    // The failure texts of the last search ("Autopiter: …"), also when other suppliers found
    // offers, so the window can say which supplier is missing from the table.
    const QStringList& supplierFailures() const { return m_supplierFailures; }
    void setShowingSettings(bool showing);
    // The article the offers belong to: the normalised article of the running or last search
    // (the field may hold another one by then). Empty before the first search.
    QString searchedArticle() const { return m_searchedArticle; }
    // Set when the typed article was changed before searching ("Кириллица заменена: ОС 90 → OC 90 (О, С)");
    // null otherwise. Kept until the next search starts.
    QString articleNote() const { return m_articleNote; }
    // True when no supplier that is switched on has anything stored to sign in with: the window
    // shows how to start instead of one error per supplier. Set by checkSetup() and by a search.
    bool needsSetup() const { return m_needsSetup; }
    // The error of a search in that state.
    static QString setupMessage();
    // "Нет подключения к интернету: ни один поставщик не ответил."
    static QString noConnectionMessage();
    // Asks the credential store whether the enabled suppliers can sign in, and sets needsSetup
    // (at the window's start, after the settings closed). Leaves a running search alone.
    QCoro::Task<> checkSetup();
    // While a search runs: each supplier's state ("AutoEuro: 14 · Autopiter: ждём…"); empty otherwise.
    QString progressText() const { return m_progressText; }
    // While earlier offers of the same article are shown: "результат 2 мин назад, обновляется…".
    QString resultAgeNote() const { return m_resultAgeNote; }
    // How long a search's table is kept in memory to be shown again at once.
    static constexpr int recentSeconds = 5 * 60;
    // Whether an article submitted during the running search waits for its turn.
    bool hasPendingSearch() const { return !m_pendingArticle.isNull(); }

    // Starts a search for the current article; does nothing for a blank article or while
    // a search runs. Returns at once; isLoading is already true when it returns.
    // Articles made of Latin letters and their Cyrillic look-alikes are searched in Latin.
    void search();
    // What the window's Return does: searches now, or, while a search runs, remembers the
    // current article and searches it as soon as the running search has ended. A later
    // submission replaces a waiting one; a blank article submits nothing.
    void submit();
    // Ends the running search at once: the offers of the suppliers that have answered are
    // published, the others count as failed with "<name>: не дождались ответа", and their
    // answers are ignored when they arrive. Also drops a waiting submission. Nothing happens
    // while no search runs.
    void cancel();

    // The search body for an already normalised article.
    QCoro::Task<> searchAllSuppliers(QString article);

    // "Поиск: 2,4 с".
    static QString durationDisplay(double seconds);
    static void performanceLog(const QString& message);

Q_SIGNALS:
    void articleChanged();
    void offersChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void statusMessageChanged();
    void searchDurationDisplayChanged();
    void showingSettingsChanged();
    void supplierFailuresChanged();
    void searchedArticleChanged();
    void articleNoteChanged();
    void needsSetupChanged();
    void progressTextChanged();
    void resultAgeNoteChanged();
    // A supplier has answered the running search: "AutoEuro: 14 предложений, 0,6 с" or its failure.
    void supplierAnswered(const QString& line);
    // Emitted once at the end of every search that started, after isLoading turned false.
    void searchFinished();

private:
    void setOffers(QList<SupplierOffer> offers);
    void setIsLoading(bool loading);
    void setErrorMessage(const QString& message);
    void setStatusMessage(const QString& message);
    void setSearchDurationDisplay(const QString& text);
    void setSupplierFailures(const QStringList& failures);
    void setSearchedArticle(const QString& article);
    void setArticleNote(const QString& note);
    void setNeedsSetup(bool needsSetup);
    void setProgressText(const QString& text);
    void setResultAgeNote(const QString& note);
    // Publishes the merge of what has arrived so far (and of earlier answers still standing in).
    QCoro::Task<> showArrived(std::shared_ptr<SearchRun> run);
    // Merges what the suppliers of the run answered, publishes it with its messages and ends
    // the search; the normal end of the search body and a cancellation both come here.
    QCoro::Task<> publish(std::shared_ptr<SearchRun> run);
    void finish(SearchRun& run);
    void remember(const SearchRun& run);

    SupplierPreferences& m_preferences;
    SearchConnectorFactory& m_connectors;

    QString m_article = QStringLiteral("");
    QList<SupplierOffer> m_offers;
    bool m_isLoading = false;
    QString m_errorMessage;
    QString m_statusMessage;
    QString m_searchDurationDisplay;
    bool m_showingSettings = false;
    QStringList m_supplierFailures;
    QString m_searchedArticle = QStringLiteral("");
    QString m_articleNote;
    bool m_needsSetup = false;
    // The article submitted during the running search; null when none waits.
    QString m_pendingArticle;
    QString m_progressText;
    QString m_resultAgeNote;
    // The running search; null between searches.
    std::shared_ptr<SearchRun> m_run;
    // The answers of recent searches by article, each supplier's own.
    struct RecentSearch {
        QDateTime at;
        QHash<QString, QList<SupplierOffer>> answers;
    };
    QHash<QString, RecentSearch> m_recent;
};
