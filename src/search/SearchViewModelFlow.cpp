// The road of one search: the suppliers asked side by side, each answer shown as it arrives, the
// portal after the others with their brand, and the end.
#include "core/Offload.h"
#include "core/PerformanceLog.h"
#include "core/SupplierPreferences.h"
#include "SearchRun.h"
#include "SearchSummary.h"
#include "SearchViewModel.h"

#include <QLocale>
#include <QPointer>

namespace {

// The suppliers the buyer added follow the portal's slot, in their order.
enum SlotIndex { autoEuroSlot, autopiterSlot, portalSlot, firstAccountSlot };

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

QString notAnsweredText() {
    return QStringLiteral("не дождались ответа");
}

qsizetype offerCount(const QList<QList<SupplierOffer>>& lists) {
    qsizetype count = 0;
    for (const auto& list : lists)
        count += list.size();
    return count;
}

// Small merges stay on this thread (they cost less than a hand-over); large ones do not.
QCoro::Task<MergedOffers> merged(QList<QList<SupplierOffer>> lists, QString article) {
    if (offerCount(lists) <= MergedOffers::mergedHere)
        co_return MergedOffers::of(std::move(lists), article);
    auto merging =
        offload([lists = std::move(lists), article]() mutable { return MergedOffers::of(std::move(lists), article); });
    co_return co_await std::move(merging);
}

// "результат 2 мин назад, обновляется…"
QString ageNote(const QDateTime& at, const QDateTime& now) {
    const qint64 minutes = at.secsTo(now) / 60;
    return minutes < 1 ? QStringLiteral("результат меньше минуты назад, обновляется…")
                       : QStringLiteral("результат %1 мин назад, обновляется…").arg(minutes);
}

// Keeps a supplier's result in the run the moment it arrives, so that a cancellation knows who
// has answered whatever order the results are read in, and says that it arrived.
QCoro::Task<> recorded(std::shared_ptr<SearchRun> run, int index, QCoro::Task<SupplierSearchResult> task,
                       std::function<void(int)> arrived) {
    SupplierSearchResult result = co_await std::move(task);
    run->slot(index).result = std::move(result);
    if (!run->finished)
        arrived(index);
}

// "AutoEuro: 14 предложений, 0,6 с", or the supplier's failure.
QString answeredLine(const SearchRun& run, int index) {
    const SearchRun::Slot& slot = run.suppliers.at(index);
    if (!slot.result->isSuccess())
        return slot.result->failureText();
    QLocale russian(QLocale::Russian, QLocale::Russia);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("%1: предложений: %2, %3 с")
        .arg(slot.name)
        .arg(slot.result->offers().size())
        .arg(russian.toString(elapsedSeconds(run.timer), 'f', 1));
}

} // namespace

void SearchViewModel::cancel() {
    m_pendingArticle = QString();
    if (!m_run || m_run->finished)
        return;
    const std::shared_ptr<SearchRun> run = m_run;
    const QString seconds = PerformanceLog::seconds(elapsedSeconds(run->timer));
    for (const SearchRun::Slot& slot : run->suppliers) {
        if (slot.enabled && !slot.result)
            performanceLog(QStringLiteral("⏹️ %1: %2 с · %3").arg(slot.name, seconds, notAnsweredText()));
    }
    publish(run);
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
    run->suppliers = {
        SearchRun::Slot{
            QStringLiteral("AutoEuro"), QStringLiteral("AutoEuro"), m_preferences.autoEuroEnabled(), {}, {}, {}},
        SearchRun::Slot{
            QStringLiteral("Autopiter"), QStringLiteral("Autopiter"), m_preferences.autopiterEnabled(), {}, {}, {}},
        // Only the portal's leg of Автолига takes part in a search: "(портал)" would tell the
        // buyer nothing.
        SearchRun::Slot{
            QStringLiteral("Автолига"), QStringLiteral("Автолига"), m_preferences.autoligaEnabled(), {}, {}, {}}};
    // The suppliers the buyer added: asked beside AutoEuro and Autopiter, with no say in the portal's brand.
    const QList<SupplierAccount> accounts = m_preferences.accounts().enabled();
    for (const SupplierAccount& account : accounts)
        run->suppliers.append(SearchRun::Slot{account.name, account.name, true, {}, {}, {}});

    // Switches that could not be read are only the defaults: no search on them.
    if (const QString problem = m_preferences.settingsProblem(); !problem.isEmpty()) {
        run->finished = true;
        setOffers({});
        setErrorMessage(problem);
        setStatusMessage(QString());
        finish(*run);
        co_return;
    }
    if (std::none_of(run->suppliers.begin(), run->suppliers.end(),
                     [](const SearchRun::Slot& s) { return s.enabled; })) {
        run->finished = true;
        setOffers({});
        setErrorMessage(QString());
        setStatusMessage(QStringLiteral("Включите хотя бы одного поставщика в настройках."));
        finish(*run);
        co_return;
    }

    // The same article a few minutes ago: its table at once, each supplier's part replaced as it
    // answers again.
    const QDateTime now = QDateTime::currentDateTime();
    if (const auto recent = m_recent.constFind(article);
        recent != m_recent.cend() && recent->at.secsTo(now) < recentSeconds) {
        run->earlierAt = recent->at;
        for (SearchRun::Slot& slot : run->suppliers) {
            if (slot.enabled && recent->answers.contains(slot.name))
                slot.earlier = recent->answers.value(slot.name);
        }
        setResultAgeNote(ageNote(recent->at, now));
    }
    setProgressText(run->progressText());
    if (run->earlierAt.isValid())
        showArrived(run);

    // After a cancellation the run is finished and whatever still arrives is dropped unlogged.
    std::function<bool()> abandoned = [run] { return run->finished; };
    std::function<void(int)> arrived = [self, run](int index) {
        if (!self)
            return;
        Q_EMIT self->supplierAnswered(answeredLine(*run, index));
        self->showArrived(run);
    };
    const auto ask = [&](int index, std::shared_ptr<SupplierSearchProviding> provider) {
        SearchRun::Slot& slot = run->slot(index);
        slot.budget = provider->searchBudget();
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        auto task =
            SupplierSearchResult::ask(slot.name, std::move(operation), std::move(report), abandoned, slot.budget);
        return recorded(run, index, std::move(task), arrived);
    };
    // Both start now and run side by side; awaiting them in turn only fixes the reading order.
    std::optional<QCoro::Task<>> autoEuroTask;
    std::optional<QCoro::Task<>> autopiterTask;
    if (run->slot(autoEuroSlot).enabled)
        autoEuroTask.emplace(ask(autoEuroSlot, m_connectors.makeAutoEuro()));
    if (run->slot(autopiterSlot).enabled)
        autopiterTask.emplace(ask(autopiterSlot, m_connectors.makeAutopiter()));
    std::vector<QCoro::Task<>> accountTasks;
    std::vector<std::unique_ptr<SupplierSearchProviding>> made = m_connectors.makeAccountProviders(accounts);
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i])
            accountTasks.push_back(ask(firstAccountSlot + static_cast<int>(i), std::move(made[i])));
    }
    // The portal's sign-in needs no brand: it runs while the other two answer, and whatever it
    // fails with is reported by the portal's search after them.
    std::shared_ptr<PortalOfferSearching> portal;
    std::shared_ptr<PreparedPortalSearch> preparedPortal;
    if (run->slot(portalSlot).enabled) {
        portal = m_connectors.makeAutoligaPortal();
        preparedPortal = portal->prepare();
    }
    // Each ends within its supplier's budget, so the portal waits no longer than that.
    if (autoEuroTask)
        co_await std::move(*autoEuroTask);
    if (autopiterTask)
        co_await std::move(*autopiterTask);
    if (!self || run->finished)
        co_return;

    if (run->slot(portalSlot).enabled) {
        const auto offersOf = [&run](int index) {
            const SearchRun::Slot& slot = run->slot(index);
            return slot.result ? slot.result->offers() : QList<SupplierOffer>{};
        };
        const QString brand = OfferMerge::consensusBrand(article, offersOf(autoEuroSlot), offersOf(autopiterSlot));
        SearchRun::Slot& slot = run->slot(portalSlot);
        slot.budget = portal->searchBudget();
        Operation operation = [portal, preparedPortal, article, brand] {
            return preparedPortal->search(article, brand);
        };
        auto task = SupplierSearchResult::ask(slot.name, std::move(operation), {}, abandoned, slot.budget);
        auto portalTask = recorded(run, portalSlot, std::move(task), arrived);
        co_await std::move(portalTask);
        if (!self || run->finished)
            co_return;
    }
    // Each ends within its own budget.
    for (auto& accountTask : accountTasks)
        co_await std::move(accountTask);
    if (!self || run->finished)
        co_return;
    publish(run);
}

QCoro::Task<> SearchViewModel::showArrived(std::shared_ptr<SearchRun> run) {
    QPointer<SearchViewModel> self(this);
    const quint64 merge = ++run->merges;
    setProgressText(run->progressText());
    auto merging = merged(run->offerLists(), run->article);
    MergedOffers result = co_await std::move(merging);
    // A newer merge, or the end of the search, has taken over meanwhile.
    if (!self || run->finished || run->merges != merge)
        co_return;
    setOffers(std::move(result.offers));
}

QCoro::Task<> SearchViewModel::publish(std::shared_ptr<SearchRun> run) {
    QPointer<SearchViewModel> self(this);
    run->finished = true;
    ++run->merges;
    QList<QList<SupplierOffer>> lists;
    QList<SearchSummary::Failure> failures;
    qsizetype enabled = 0;
    for (SearchRun::Slot& slot : run->suppliers) {
        if (!slot.enabled)
            continue;
        ++enabled;
        if (!slot.result) {
            failures.append({slot.name + QStringLiteral(": ") + notAnsweredText(), UserFacingError::Cause::other,
                             slot.name, slot.settingsName});
            continue;
        }
        lists.append(slot.result->offers());
        if (!slot.result->failureText().isEmpty())
            failures.append({slot.result->failureText(), slot.result->failureCause(), slot.name, slot.settingsName});
    }
    auto merging = merged(std::move(lists), run->article);
    MergedOffers result = co_await std::move(merging);
    if (!self)
        co_return;
    performanceLog(QStringLiteral("🧹 Дедупликация: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(result.dedupSeconds))
                       .arg(result.merged)
                       .arg(result.unique));
    performanceLog(QStringLiteral("🧠 Semantic Guard: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(result.guardSeconds))
                       .arg(result.unique)
                       .arg(result.guarded));

    SearchSummary summary = SearchSummary::of(run->article, result.offers.size(), enabled, failures);
    // More offers than a table shows are named, never dropped silently.
    if (result.guarded > result.offers.size()) {
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        summary.status += QStringLiteral(" · показаны первые %1 из %2")
                              .arg(russian.toString(result.offers.size()), russian.toString(result.guarded));
    }
    remember(*run);
    setOffers(std::move(result.offers));
    setSupplierFailures(summary.failures);
    setNeedsSetup(summary.needsSetup);
    setStatusMessage(summary.status);
    if (!summary.error.isNull())
        setErrorMessage(summary.error);
    setProgressText(QString());
    setResultAgeNote(QString());
    finish(*run);
}

void SearchViewModel::remember(const SearchRun& run) {
    const QDateTime now = QDateTime::currentDateTime();
    m_recent.removeIf([&now](const auto& entry) { return entry.value().at.secsTo(now) >= recentSeconds; });
    QHash<QString, QList<SupplierOffer>> answers = run.answers();
    if (answers.isEmpty())
        return;
    // A few recent tables, not every search of the day.
    constexpr qsizetype kMostKept = 8;
    while (m_recent.size() >= kMostKept && !m_recent.contains(run.article)) {
        auto oldest = std::min_element(m_recent.begin(), m_recent.end(),
                                       [](const auto& a, const auto& b) { return a.at < b.at; });
        m_recent.erase(oldest);
    }
    m_recent.insert(run.article, RecentSearch{now, std::move(answers)});
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
