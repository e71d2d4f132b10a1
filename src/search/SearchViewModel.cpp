#include "SearchViewModel.h"

#include "core/PerformanceLog.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "OfferMerge.h"
#include "OfferSemanticGuard.h"
#include "SearchRun.h"
#include "SearchSummary.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>

#include <utility>

namespace {

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

QString notAnsweredText() {
    return QStringLiteral("не дождались ответа");
}

} // namespace

SearchViewModel::SearchViewModel(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_connectors(connectors) {}

// A search still running keeps its run alive; it checks for this object before touching it.
SearchViewModel::~SearchViewModel() = default;

void SearchViewModel::setArticle(const QString& article) {
    if (m_article == article)
        return;
    m_article = article;
    Q_EMIT articleChanged();
}

void SearchViewModel::setShowingSettings(bool showing) {
    if (m_showingSettings == showing)
        return;
    m_showingSettings = showing;
    Q_EMIT showingSettingsChanged();
}

void SearchViewModel::setOffers(QList<SupplierOffer> offers) {
    if (offers.isEmpty() && m_offers.isEmpty())
        return;
    m_offers = std::move(offers);
    Q_EMIT offersChanged();
}

void SearchViewModel::setIsLoading(bool loading) {
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

// Null and empty differ here: null means "absent".
void SearchViewModel::setErrorMessage(const QString& message) {
    if (m_errorMessage.isNull() == message.isNull() && m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void SearchViewModel::setStatusMessage(const QString& message) {
    if (m_statusMessage.isNull() == message.isNull() && m_statusMessage == message)
        return;
    m_statusMessage = message;
    Q_EMIT statusMessageChanged();
}

void SearchViewModel::setSearchDurationDisplay(const QString& text) {
    if (m_searchDurationDisplay.isNull() == text.isNull() && m_searchDurationDisplay == text)
        return;
    m_searchDurationDisplay = text;
    Q_EMIT searchDurationDisplayChanged();
}

void SearchViewModel::setSupplierFailures(const QStringList& failures) {
    if (m_supplierFailures == failures)
        return;
    m_supplierFailures = failures;
    Q_EMIT supplierFailuresChanged();
}

void SearchViewModel::setSearchedArticle(const QString& article) {
    if (m_searchedArticle == article)
        return;
    m_searchedArticle = article;
    Q_EMIT searchedArticleChanged();
}

void SearchViewModel::setArticleNote(const QString& note) {
    if (m_articleNote.isNull() == note.isNull() && m_articleNote == note)
        return;
    m_articleNote = note;
    Q_EMIT articleNoteChanged();
}

void SearchViewModel::setNeedsSetup(bool needsSetup) {
    if (m_needsSetup == needsSetup)
        return;
    m_needsSetup = needsSetup;
    Q_EMIT needsSetupChanged();
}

QString SearchViewModel::setupMessage() {
    return SearchSummary::setupMessage();
}

QString SearchViewModel::noConnectionMessage() {
    return SearchSummary::noConnectionMessage();
}

QCoro::Task<> SearchViewModel::checkSetup() {
    QPointer<SearchViewModel> self(this);
    QStringList enabled;
    for (const auto* id :
         {SupplierDescriptors::autoEuroID, SupplierDescriptors::autopiterID, SupplierDescriptors::autoligaID}) {
        if (m_preferences.isEnabled(QString::fromUtf16(id)))
            enabled.append(QString::fromUtf16(id));
    }
    for (const SupplierAccount& account : m_preferences.accounts().enabled())
        enabled.append(account.id);
    QStringList missing;
    if (!enabled.isEmpty()) {
        auto ask = m_connectors.withoutCredentials(enabled);
        missing = co_await std::move(ask);
    }
    // A search that started meanwhile says what holds by its end.
    if (!self || m_isLoading)
        co_return;
    const bool needed = !enabled.isEmpty() && missing.size() == enabled.size();
    // The search that asked the buyer to connect a supplier is answered once one is.
    if (!needed && m_needsSetup && m_errorMessage == setupMessage())
        setErrorMessage(QString());
    setNeedsSetup(needed);
}

void SearchViewModel::search() {
    const QString normalized = TextUtils::searchQuery(m_article);
    if (normalized.isEmpty() || m_isLoading)
        return;
    // "ОС 90" typed on the Russian layout finds nothing anywhere; its Latin twin does.
    const QString query = TextUtils::latinLookalikes(normalized);
    setArticle(query);
    setSearchedArticle(query);
    setArticleNote(query == normalized ? QString() : TextUtils::lookalikesNote(normalized, query));
    setOffers({});
    setErrorMessage(QString());
    setStatusMessage(QString());
    setSearchDurationDisplay(QString());
    setSupplierFailures({});
    // The task runs eagerly up to its first suspension, so isLoading is set before we
    // return and a second submission is refused. It owns itself until it finishes.
    searchAllSuppliers(query);
}

void SearchViewModel::submit() {
    if (!m_isLoading) {
        search();
        return;
    }
    if (TextUtils::searchQuery(m_article).isEmpty())
        return;
    m_pendingArticle = m_article;
}

void SearchViewModel::cancel() {
    m_pendingArticle = QString();
    if (!m_run || m_run->finished)
        return;
    const std::shared_ptr<SearchRun> run = m_run;
    const QString seconds = PerformanceLog::seconds(elapsedSeconds(run->timer));
    for (const SearchRun::Slot* slot : run->inMergeOrder()) {
        if (slot->enabled && !slot->result)
            performanceLog(QStringLiteral("⏹️ %1: %2 с · %3").arg(slot->name, seconds, notAnsweredText()));
    }
    publish(*run);
}

// GCC 12 may destroy temporaries of a co_await full-expression twice, so every
// awaited task and every callable handed to one is a named local first.
QCoro::Task<> SearchViewModel::searchAllSuppliers(QString article) {
    QPointer<SearchViewModel> self(this);
    auto run = std::make_shared<SearchRun>();
    run->timer.start();
    m_run = run;
    setIsLoading(true);
    setErrorMessage(QString());
    setStatusMessage(QStringLiteral("Ищем оригинал и аналоги…"));

    performanceLog(QString());
    performanceLog(QStringLiteral("⏱️ ===== ORELIA PERFORMANCE ====="));
    performanceLog(QStringLiteral("🔎 Артикул: ") + article);

    run->article = article;
    run->autoEuro.enabled = m_preferences.autoEuroEnabled();
    run->autopiter.enabled = m_preferences.autopiterEnabled();
    run->autoliga.enabled = m_preferences.autoligaEnabled();
    const QList<SupplierAccount> accounts = m_preferences.accounts().enabled();
    for (const SupplierAccount& account : accounts)
        run->accounts.push_back({account.name, account.name, true, {}});

    // Switches that could not be read are only the defaults: no search on them.
    if (const QString problem = m_preferences.settingsProblem(); !problem.isEmpty()) {
        run->finished = true;
        setOffers({});
        setErrorMessage(problem);
        setStatusMessage(QString());
        finish(*run);
        co_return;
    }
    if (!run->autoEuro.enabled && !run->autopiter.enabled && !run->autoliga.enabled && accounts.isEmpty()) {
        run->finished = true;
        setOffers({});
        setErrorMessage(QString());
        setStatusMessage(QStringLiteral("Включите хотя бы одного поставщика в настройках."));
        finish(*run);
        co_return;
    }

    // After a cancellation the run is finished and whatever still arrives is dropped unlogged.
    std::function<bool()> abandoned = [run] { return run->finished; };
    // Both start now and run side by side; awaiting them in turn only fixes the reading order.
    std::optional<QCoro::Task<>> autoEuroTask;
    std::optional<QCoro::Task<>> autopiterTask;
    if (run->autoEuro.enabled) {
        std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutoEuro();
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        auto task = SupplierSearchResult::ask(run->autoEuro.name, std::move(operation), std::move(report), abandoned);
        autoEuroTask.emplace(SearchRun::recorded(run, &run->autoEuro, std::move(task)));
    }
    if (run->autopiter.enabled) {
        std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutopiter();
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        auto task = SupplierSearchResult::ask(run->autopiter.name, std::move(operation), std::move(report), abandoned);
        autopiterTask.emplace(SearchRun::recorded(run, &run->autopiter, std::move(task)));
    }
    std::vector<QCoro::Task<>> accountTasks;
    std::vector<std::unique_ptr<SupplierSearchProviding>> made = m_connectors.makeAccountProviders(accounts);
    for (size_t i = 0; i < made.size() && i < run->accounts.size(); ++i) {
        std::shared_ptr<SupplierSearchProviding> provider = std::move(made[i]);
        if (!provider)
            continue;
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        auto task =
            SupplierSearchResult::ask(run->accounts[i].name, std::move(operation), std::move(report), abandoned);
        accountTasks.push_back(SearchRun::recorded(run, &run->accounts[i], std::move(task)));
    }
    // The portal's sign-in needs no brand: it runs while the other two answer, and whatever it
    // fails with is reported by the portal's search after them.
    std::shared_ptr<PortalOfferSearching> portal;
    std::shared_ptr<PreparedPortalSearch> preparedPortal;
    if (run->autoliga.enabled) {
        portal = m_connectors.makeAutoligaPortal();
        preparedPortal = portal->prepare();
    }
    if (autoEuroTask)
        co_await std::move(*autoEuroTask);
    if (autopiterTask)
        co_await std::move(*autopiterTask);
    if (!self || run->finished)
        co_return;

    if (run->autoliga.enabled) {
        const auto offersOf = [](const SearchRun::Slot& slot) {
            return slot.result ? slot.result->offers() : QList<SupplierOffer>{};
        };
        const QString brand = OfferMerge::consensusBrand(article, offersOf(run->autoEuro), offersOf(run->autopiter));
        Operation operation = [portal, preparedPortal, article, brand] {
            return preparedPortal->search(article, brand);
        };
        auto task = SupplierSearchResult::ask(run->autoliga.name, std::move(operation), {}, abandoned);
        auto portalTask = SearchRun::recorded(run, &run->autoliga, std::move(task));
        co_await std::move(portalTask);
        if (!self || run->finished)
            co_return;
    }
    for (auto& accountTask : accountTasks)
        co_await std::move(accountTask);
    if (!self || run->finished)
        co_return;
    publish(*run);
}

void SearchViewModel::publish(SearchRun& run) {
    run.finished = true;
    QList<SupplierOffer> merged;
    QList<SearchSummary::Failure> failures;
    qsizetype enabled = 0;
    // The run ends here: its answers are moved into the merged list, not copied.
    for (SearchRun::Slot* slot : run.inMergeOrder()) {
        if (!slot->enabled)
            continue;
        ++enabled;
        if (!slot->result) {
            failures.append({slot->name + QStringLiteral(": ") + notAnsweredText(), UserFacingError::Cause::other,
                             slot->name, slot->settingsName});
            continue;
        }
        if (merged.isEmpty())
            merged = slot->result->takeOffers();
        else
            merged.append(slot->result->takeOffers());
        if (!slot->result->failureText().isEmpty())
            failures.append(
                {slot->result->failureText(), slot->result->failureCause(), slot->name, slot->settingsName});
    }

    const QString& article = run.article;
    QElapsedTimer stepTimer;
    stepTimer.start();
    const qsizetype mergedCount = merged.size();
    QList<SupplierOffer> unique = OfferMerge::deduplicated(std::move(merged));
    const qsizetype uniqueCount = unique.size();
    performanceLog(QStringLiteral("🧹 Дедупликация: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(elapsedSeconds(stepTimer)))
                       .arg(mergedCount)
                       .arg(uniqueCount));

    stepTimer.restart();
    QList<SupplierOffer> filtered = OfferSemanticGuard::filter(std::move(unique), article);
    performanceLog(QStringLiteral("🧠 Semantic Guard: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(elapsedSeconds(stepTimer)))
                       .arg(uniqueCount)
                       .arg(filtered.size()));

    const SearchSummary summary = SearchSummary::of(article, filtered.size(), enabled, failures);
    setOffers(std::move(filtered));
    setSupplierFailures(summary.failures);
    setNeedsSetup(summary.needsSetup);
    setStatusMessage(summary.status);
    if (!summary.error.isNull())
        setErrorMessage(summary.error);
    finish(run);
}

void SearchViewModel::finish(SearchRun& run) {
    const double seconds = elapsedSeconds(run.timer);
    performanceLog(QStringLiteral("🏁 ВСЕГО: ") + PerformanceLog::seconds(seconds) + QStringLiteral(" с"));
    setSearchDurationDisplay(durationDisplay(seconds));
    performanceLog(QStringLiteral("⏱️ ================================"));
    performanceLog(QString());
    if (m_run.get() == &run)
        m_run.reset();
    setIsLoading(false);
    Q_EMIT searchFinished();
    if (!m_pendingArticle.isNull() && !m_isLoading) {
        const QString next = std::exchange(m_pendingArticle, QString());
        setArticle(next);
        search();
    }
}

QString SearchViewModel::durationDisplay(double seconds) {
    QLocale russian(QLocale::Russian, QLocale::Russia);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Поиск: ") + russian.toString(std::max(0.0, seconds), 'f', 1) + QStringLiteral(" с");
}

void SearchViewModel::performanceLog(const QString& message) {
    PerformanceLog::append(message);
}
