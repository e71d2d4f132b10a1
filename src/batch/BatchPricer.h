#pragma once

#include "BatchChoice.h"
#include "BatchInput.h"
#include "core/SupplierOffer.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

class SearchConnectorFactory;
class SupplierPreferences;

// What the search of one list line gave, as the window's search would show it.
struct BatchLineResult {
    enum class State { waiting, searching, finished, skipped };

    BatchLine line;
    State state = State::waiting;
    // The searched article as the search normalised it (trimmed, upper case, Latin).
    QString searchedArticle;
    QList<SupplierOffer> offers;
    QString statusMessage; // null when absent
    QString errorMessage;  // null when absent; set when nothing was found and a supplier failed
    QStringList supplierFailures;
};

// Prices a list line by line with the window's own search: each line gets a SearchViewModel
// of its own over the same connectors, at most two run at a time so that no supplier gets a
// flood of requests, a failing line or supplier never stops the others, and cancelling stops
// starting new lines (those in flight finish and are kept). Lives on the UI thread and outlives
// the sheet that shows it, so a list keeps pricing while the sheet is closed.
class BatchPricer : public QObject {
    Q_OBJECT

public:
    static constexpr int maxSearchesInFlight = 2;

    BatchPricer(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent = nullptr);
    ~BatchPricer() override;

    // Starts pricing the lines from scratch; ignored while a list is being priced.
    void start(QList<BatchLine> lines);
    // The whole run; finishes when every line has been searched or skipped.
    QCoro::Task<> run(QList<BatchLine> lines);
    // After a cancellation: prices the lines that were skipped, keeping the others as they are.
    void startRemaining();
    QCoro::Task<> runRemaining();
    bool hasRemaining() const;
    void cancel();

    bool isRunning() const { return m_running; }
    bool wasCancelled() const { return m_cancelled; }
    const QList<BatchLineResult>& results() const { return m_results; }
    int total() const { return static_cast<int>(m_results.size()); }
    int finishedCount() const { return m_finished; }
    int searchesInFlight() const { return m_inFlight; }

    // "Проценка: 7 из 23".
    static QString progressText(int finished, int total);

    // What the sheet shows again when it is opened anew: the list, how its offers are chosen,
    // and the offers the buyer picked by hand (by BatchChoice::lineKey; they outlive a new run).
    QString inputText() const { return m_inputText; }
    void setInputText(const QString& text) { m_inputText = text; }
    const BatchChoice& choice() const { return m_choice; }
    void setChoice(const BatchChoice& choice) { m_choice = choice; }
    const QHash<QString, QString>& chosenOffers() const { return m_chosen; }
    QHash<QString, QString>& chosenOffers() { return m_chosen; }

Q_SIGNALS:
    void lineStarted(int index);
    void lineFinished(int index);
    void runStarted();
    void runFinished();

private:
    struct Run;
    QCoro::Task<> runLines(std::shared_ptr<Run> run);
    QCoro::Task<> worker(std::shared_ptr<Run> run);

    SupplierPreferences& m_preferences;
    SearchConnectorFactory& m_connectors;
    std::shared_ptr<Run> m_run;
    QList<BatchLineResult> m_results;
    bool m_running = false;
    bool m_cancelled = false;
    int m_finished = 0;
    int m_inFlight = 0;
    QString m_inputText;
    BatchChoice m_choice;
    QHash<QString, QString> m_chosen;
};
