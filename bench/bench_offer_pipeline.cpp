// What the window does with one search's answer: de-duplicate, drop wrong kinds of part,
// and derive the table rows. Should grow linearly with the number of offers.

#include "offertable/OffersSnapshot.h"
#include "search/OfferMerge.h"
#include "search/OfferSemanticGuard.h"
#include "SyntheticOffers.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kQuery = QStringLiteral("W712/75");

// "cold": before each iteration the caches are flushed by streaming through more memory than
// they hold. Ten thousand offers fit into the caches and a hundred thousand do not, so the warm
// ratio also measures the memory hierarchy; the cold one compares the same kind of run.
void flushCaches() {
    static std::vector<char> junk(96u << 20, 1);
    for (size_t i = 0; i < junk.size(); i += 64)
        ++junk[i];
    benchmark::ClobberMemory();
}

// Every iteration gets its own copy of the answer, made while the clock stands: the search
// hands its merged list over to the stages (std::move), which work on it in place. What a stage
// returns is freed with the clock standing too: the window keeps it until the next search.
template <typename Stage>
void onOwnCopies(benchmark::State& state, const QList<SupplierOffer>& offers, bool cold, Stage stage) {
    for (auto _ : state) {
        state.PauseTiming();
        QList<SupplierOffer> copy(offers.cbegin(), offers.cend());
        if (cold)
            flushCaches();
        state.ResumeTiming();
        auto result = stage(std::move(copy));
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        { const auto freed = std::move(result); }
        state.ResumeTiming();
    }
}

const OfferTableSettings kSettings{{OfferSortComparator{}}, false, true, 30.0};

void pipeline(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers = SyntheticOffers::answer(static_cast<int>(state.range(0)));
    onOwnCopies(state, offers, cold, [](QList<SupplierOffer> merged) {
        QList<SupplierOffer> unique = OfferMerge::deduplicated(std::move(merged));
        QList<SupplierOffer> kept = OfferSemanticGuard::filter(std::move(unique), kQuery);
        OffersSnapshot snapshot = makeOffersSnapshot(kept, kSettings);
        return std::pair(std::move(kept), std::move(snapshot));
    });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(pipeline, warm, false)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pipeline, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The three stages alone, to see where the time goes.
void deduplicate(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers = SyntheticOffers::answer(static_cast<int>(state.range(0)));
    onOwnCopies(state, offers, cold,
                [](QList<SupplierOffer> merged) { return OfferMerge::deduplicated(std::move(merged)); });
}
BENCHMARK_CAPTURE(deduplicate, warm, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(deduplicate, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void semanticGuard(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers =
        OfferMerge::deduplicated(SyntheticOffers::answer(static_cast<int>(state.range(0))));
    onOwnCopies(state, offers, cold,
                [](QList<SupplierOffer> unique) { return OfferSemanticGuard::filter(std::move(unique), kQuery); });
}
BENCHMARK_CAPTURE(semanticGuard, warm, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(semanticGuard, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The window derives its rows from the published list, which it keeps: nothing to hand over.
void snapshot(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers = OfferSemanticGuard::filter(
        OfferMerge::deduplicated(SyntheticOffers::answer(static_cast<int>(state.range(0)))), kQuery);
    for (auto _ : state) {
        OffersSnapshot result = makeOffersSnapshot(offers, kSettings);
        benchmark::DoNotOptimize(result.displayed.size());
        state.PauseTiming();
        { const auto freed = std::move(result); }
        if (cold)
            flushCaches();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(snapshot, warm, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(snapshot, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Collects the real and CPU time of each run to print the growth ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
    }
    std::map<std::string, std::pair<double, double>> times;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n100k / 10k (linear is 10, target at most 12):\n");
    for (const char* name : {"pipeline", "deduplicate", "semanticGuard", "snapshot"}) {
        for (const char* start : {"warm", "cold"}) {
            const std::string prefix = std::string(name) + '/' + start + '/';
            const auto small = reporter.times.find(prefix + "10000");
            const auto large = reporter.times.find(prefix + "100000");
            if (small == reporter.times.end() || large == reporter.times.end() || small->second.first <= 0)
                continue;
            std::printf("  %-14s %s caches: real %6.2f   cpu %6.2f\n", name, start,
                        large->second.first / small->second.first, large->second.second / small->second.second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
