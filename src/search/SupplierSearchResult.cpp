#include "SupplierSearchResult.h"

#include "core/PerformanceLog.h"
#include "core/TextUtils.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QObject>
#include <QScopeGuard>
#include <QTimer>

#include <coroutine>
#include <exception>

// One supplier's operation against its budget: whichever ends first decides. The waiting search
// goes on at once, within the call that decided, as it would had it awaited the operation itself.
class SupplierBudgetRace : public QObject {
public:
    bool decided = false;
    bool outOfTime = false;
    std::optional<QList<SupplierOffer>> offers;
    std::exception_ptr error;
    std::coroutine_handle<> waiter;

    void decide() {
        decided = true;
        if (auto next = std::exchange(waiter, {}))
            next.resume();
    }

    struct Decided {
        SupplierBudgetRace& race;
        bool await_ready() const noexcept { return race.decided; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { race.waiter = handle; }
        void await_resume() const noexcept {}
    };
};

namespace {

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

int g_operationsUnderWay = 0;

// Runs on its own: it outlives the race when the budget ends first, and then its answer goes.
QCoro::Task<> runOperation(std::shared_ptr<SupplierBudgetRace> race, SupplierSearchResult::Operation operation) {
    ++g_operationsUnderWay;
    const auto ended = qScopeGuard([] { --g_operationsUnderWay; });
    try {
        auto task = operation();
        QList<SupplierOffer> offers = co_await std::move(task);
        if (race->decided)
            co_return;
        race->offers = std::move(offers);
    } catch (...) {
        if (race->decided)
            co_return;
        race->error = std::current_exception();
    }
    race->decide();
}

QString count(qsizetype value) {
    return QLocale(QLocale::Russian, QLocale::Russia).toString(value);
}

} // namespace

int SupplierSearchResult::operationsUnderWay() {
    return g_operationsUnderWay;
}

QString SupplierSearchResult::outOfTimeText(std::chrono::milliseconds budget) {
    return QStringLiteral("не ответил за %1 с").arg((budget.count() + 999) / 1000);
}

QCoro::Task<SupplierSearchResult> SupplierSearchResult::ask(QString name, Operation operation, ReportReader report,
                                                            std::function<bool()> abandoned,
                                                            std::chrono::milliseconds budget) {
    QElapsedTimer timer;
    timer.start();
    PerformanceLog::append(QStringLiteral("▶️ ") + name + QStringLiteral(": старт"));
    QString failure;
    auto cause = UserFacingError::Cause::other;
    try {
        auto race = std::make_shared<SupplierBudgetRace>();
        runOperation(race, std::move(operation));
        if (!race->decided) {
            if (budget.count() > 0) {
                QTimer::singleShot(budget, race.get(), [race = race.get()] {
                    if (race->decided)
                        return;
                    race->outOfTime = true;
                    race->decide();
                });
            }
            co_await SupplierBudgetRace::Decided{*race};
        }
        if (race->outOfTime)
            throw PlainUserFacingError(outOfTimeText(budget));
        if (race->error)
            std::rethrow_exception(race->error);
        QList<SupplierOffer> offers = std::move(*race->offers);
        if (abandoned && abandoned())
            co_return SupplierSearchResult::success(std::move(offers));
        const SupplierSearchReport noticed = report ? report() : SupplierSearchReport();
        QStringList notes;
        if (noticed.failedRequests > 0)
            notes.append(QStringLiteral("часть ответов не получена (%1 из %2): %3")
                             .arg(noticed.failedRequests)
                             .arg(noticed.totalRequests)
                             .arg(TextUtils::singleLine(noticed.firstFailure)));
        // Never silently: what the search left unasked or unkept is named.
        if (noticed.skippedRequests > 0)
            notes.append(QStringLiteral("спрошены первые %1, ещё %2 не спрошены")
                             .arg(count(noticed.totalRequests), count(noticed.skippedRequests)));
        if (noticed.skippedOffers > 0)
            notes.append(QStringLiteral("показаны первые %1 предложений, ещё %2 пропущены")
                             .arg(count(offers.size()), count(noticed.skippedOffers)));
        const QString partial = notes.join(QStringLiteral("; "));
        QString line = QStringLiteral("%1 %2: %3 с · %4 предложений")
                           .arg(partial.isEmpty() ? QStringLiteral("✅") : QStringLiteral("⚠️"), name,
                                PerformanceLog::seconds(elapsedSeconds(timer)))
                           .arg(offers.size());
        if (noticed.skippedRecords > 0)
            line += QStringLiteral(" · пропущено некорректных записей: %1").arg(noticed.skippedRecords);
        if (!partial.isEmpty())
            line += QStringLiteral(" · ") + partial;
        PerformanceLog::append(line);
        if (!partial.isEmpty())
            co_return SupplierSearchResult::partial(std::move(offers), name + QStringLiteral(": ") + partial);
        co_return SupplierSearchResult::success(std::move(offers));
    } catch (const UserFacingError& error) {
        // One line, of a length a status line can show, whatever the supplier wrote.
        failure = TextUtils::singleLine(error.description());
        cause = error.cause();
    } catch (const std::exception& error) {
        // Not one of ours: still a failure of this supplier, never of the whole search.
        failure = QStringLiteral("Внутренняя ошибка: ") + TextUtils::singleLine(QString::fromUtf8(error.what()));
    }
    if (abandoned && abandoned())
        co_return SupplierSearchResult::failure(name + QStringLiteral(": ") + failure, cause);
    PerformanceLog::append(
        QStringLiteral("❌ %1: %2 с · %3").arg(name, PerformanceLog::seconds(elapsedSeconds(timer)), failure));
    co_return SupplierSearchResult::failure(name + QStringLiteral(": ") + failure, cause);
}
