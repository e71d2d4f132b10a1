#include "BatchPricer.h"

#include "core/UserFacingError.h"
#include "search/SearchViewModel.h"

#include <QCoroSignal>
#include <QPointer>

#include <algorithm>

struct BatchPricer::Run {
    // The results this run prices, in order.
    QList<qsizetype> indices;
    qsizetype next = 0;
    bool cancelled = false;
};

namespace {

// One line through the window's search; the view model is this coroutine's own.
QCoro::Task<BatchLineResult> searchLine(SupplierPreferences& preferences, SearchConnectorFactory& connectors,
                                        BatchLine line) {
    SearchViewModel model(preferences, connectors);
    model.setArticle(line.article);
    model.search();
    if (model.isLoading()) {
        auto finished = qCoro(&model, &SearchViewModel::searchFinished);
        co_await std::move(finished);
    }
    BatchLineResult result;
    result.line = line;
    result.state = BatchLineResult::State::finished;
    result.searchedArticle = model.searchedArticle();
    result.offers = model.offers();
    result.statusMessage = model.statusMessage();
    result.errorMessage = model.errorMessage();
    result.supplierFailures = model.supplierFailures();
    co_return result;
}

} // namespace

BatchPricer::BatchPricer(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_connectors(connectors) {}

// Searches still in flight check for this object before they report.
BatchPricer::~BatchPricer() = default;

QString BatchPricer::progressText(int finished, int total) {
    return QStringLiteral("Проценка: %1 из %2").arg(finished).arg(total);
}

void BatchPricer::start(QList<BatchLine> lines) {
    // The task runs eagerly up to its first suspension and owns itself until it ends.
    run(std::move(lines));
}

void BatchPricer::cancel() {
    if (!m_running || !m_run)
        return;
    m_run->cancelled = true;
    m_cancelled = true;
}

QCoro::Task<> BatchPricer::run(QList<BatchLine> lines) {
    if (m_running)
        co_return;
    auto run = std::make_shared<Run>();
    m_results.clear();
    for (const BatchLine& line : lines) {
        BatchLineResult waiting;
        waiting.line = line;
        run->indices.append(m_results.size());
        m_results.append(waiting);
    }
    m_finished = 0;
    auto task = runLines(run);
    co_await std::move(task);
}

bool BatchPricer::hasRemaining() const {
    return !m_running && std::any_of(m_results.begin(), m_results.end(), [](const BatchLineResult& r) {
        return r.state == BatchLineResult::State::skipped;
    });
}

void BatchPricer::startRemaining() {
    runRemaining();
}

QCoro::Task<> BatchPricer::runRemaining() {
    if (!hasRemaining())
        co_return;
    auto run = std::make_shared<Run>();
    for (qsizetype i = 0; i < m_results.size(); ++i) {
        if (m_results[i].state == BatchLineResult::State::skipped) {
            m_results[i].state = BatchLineResult::State::waiting;
            run->indices.append(i);
        }
    }
    auto task = runLines(run);
    co_await std::move(task);
}

QCoro::Task<> BatchPricer::runLines(std::shared_ptr<Run> run) {
    QPointer<BatchPricer> self(this);
    m_run = run;
    m_running = true;
    m_cancelled = false;
    m_inFlight = 0;
    Q_EMIT runStarted();

    // Two workers take the lines in order, so at most two searches are ever in flight.
    auto first = worker(run);
    auto second = worker(run);
    co_await std::move(first);
    co_await std::move(second);
    if (!self || m_run != run)
        co_return;
    for (BatchLineResult& result : m_results) {
        if (result.state == BatchLineResult::State::waiting)
            result.state = BatchLineResult::State::skipped;
    }
    m_running = false;
    m_run.reset();
    Q_EMIT runFinished();
}

QCoro::Task<> BatchPricer::worker(std::shared_ptr<Run> run) {
    static_assert(maxSearchesInFlight == 2, "run() starts one worker per search in flight");
    QPointer<BatchPricer> self(this);
    SupplierPreferences& preferences = m_preferences;
    SearchConnectorFactory& connectors = m_connectors;
    while (!run->cancelled && run->next < run->indices.size()) {
        const qsizetype index = run->indices[run->next++];
        const BatchLine line = m_results[index].line;
        m_results[index].state = BatchLineResult::State::searching;
        ++m_inFlight;
        Q_EMIT lineStarted(static_cast<int>(index));
        BatchLineResult result;
        try {
            auto search = searchLine(preferences, connectors, line);
            result = co_await std::move(search);
        } catch (const std::exception& error) {
            // The search turns supplier failures into texts; anything else still fails this line only.
            result.line = line;
            result.state = BatchLineResult::State::finished;
            const auto* userFacing = dynamic_cast<const UserFacingError*>(&error);
            result.errorMessage = userFacing ? userFacing->description()
                                             : QStringLiteral("Внутренняя ошибка: ") + QString::fromUtf8(error.what());
        }
        if (!self || m_run != run)
            co_return;
        --m_inFlight;
        m_results[index] = std::move(result);
        ++m_finished;
        Q_EMIT lineFinished(static_cast<int>(index));
    }
}
