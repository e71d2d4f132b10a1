// What the window does with one search's answer: de-duplicate, drop wrong kinds of part,
// and derive the table rows. Should grow linearly with the number of offers.

#include "offertable/OffersSnapshot.h"
#include "search/OfferSemanticGuard.h"
#include "search/SearchViewModel.h"

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

// A realistic answer: the queried article and its analogues from several brands, each
// group with a handful of warehouses, some duplicate lines, a few wrong kinds of part,
// refusal rates, delivery texts and dates, and highlighted portal rows.
QList<SupplierOffer> syntheticOffers(int count) {
    static const QStringList brands{u"MANN"_s,   u"MAHLE"_s,      u"KNECHT"_s, u"BOSCH"_s,  u"FILTRON"_s,
                                    u"SAKURA"_s, u"BIG FILTER"_s, u"UFI"_s,    u"HENGST"_s, u"Fram"_s};
    static const QStringList names{u"Фильтр масляный"_s, u"Фильтр масляный двигателя"_s, u"Масляный фильтр"_s,
                                   u"Oil filter"_s,      u"Фильтр воздушный"_s,          u"Насос масляный"_s};
    static const QStringList colors{u"#F1DD18"_s, u"#CCFF99"_s, u"#CCFFFF"_s, u"#FFFFFF"_s};
    static const struct {
        const char* id;
        const char* name;
    } suppliers[] = {{"autoeuro", "AutoEuro"}, {"autopiter", "Autopiter"}, {"autoliga", "Автолига"}};

    std::mt19937 random(20261206);
    const QDateTime now = QDateTime::currentDateTime();
    QList<SupplierOffer> offers;
    offers.reserve(count);
    int article = 0;
    while (offers.size() < count) {
        // One group: an article of one brand at up to twelve warehouses of one supplier.
        const auto& supplier = suppliers[random() % 3];
        const QString brand = brands[random() % brands.size()];
        const QString articleText =
            article == 0 ? u"W 712/75"_s : QStringLiteral("%1-%2").arg(QChar(u'A' + article % 26)).arg(article);
        const int size = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < size && offers.size() < count; ++i) {
            SupplierOffer o;
            o.supplierID = QString::fromLatin1(supplier.id);
            o.supplierName = QString::fromUtf8(supplier.name);
            o.supplierOfferKey = QStringLiteral("%1-%2").arg(article).arg(i);
            o.brand = brand;
            o.article = articleText;
            o.name = names[random() % 10 < 8 ? random() % 4 : 4 + random() % 2];
            o.price = *Decimal::parse(QStringLiteral("%1.%2").arg(300 + random() % 5000).arg(random() % 100));
            o.currency = u"RUB"_s;
            o.availableQuantity = static_cast<std::int64_t>(random() % 40);
            if (random() % 4 != 0)
                o.deliveryDescription = QStringLiteral("%1 дн.").arg(random() % 20);
            else
                o.deliveryDate = now.addDays(random() % 30);
            if (random() % 10 < 7)
                o.rejectRate = *Decimal::parse(QStringLiteral("%1.%2").arg(random() % 60).arg(random() % 10));
            if (o.supplierID == u"autoliga" && random() % 8 == 0)
                o.rowHighlightColor = colors[random() % colors.size()];
            o.updatedAt = now;
            offers.append(o);
            if (random() % 20 == 0 && offers.size() < count)
                offers.append(o); // the same line twice in one answer
        }
        ++article;
    }
    return offers;
}

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
    const QList<SupplierOffer> offers = syntheticOffers(static_cast<int>(state.range(0)));
    onOwnCopies(state, offers, cold, [](QList<SupplierOffer> merged) {
        QList<SupplierOffer> unique = SearchViewModel::deduplicated(std::move(merged));
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
    const QList<SupplierOffer> offers = syntheticOffers(static_cast<int>(state.range(0)));
    onOwnCopies(state, offers, cold,
                [](QList<SupplierOffer> merged) { return SearchViewModel::deduplicated(std::move(merged)); });
}
BENCHMARK_CAPTURE(deduplicate, warm, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(deduplicate, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void semanticGuard(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers =
        SearchViewModel::deduplicated(syntheticOffers(static_cast<int>(state.range(0))));
    onOwnCopies(state, offers, cold,
                [](QList<SupplierOffer> unique) { return OfferSemanticGuard::filter(std::move(unique), kQuery); });
}
BENCHMARK_CAPTURE(semanticGuard, warm, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(semanticGuard, cold, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The window derives its rows from the published list, which it keeps: nothing to hand over.
void snapshot(benchmark::State& state, bool cold) {
    const QList<SupplierOffer> offers = OfferSemanticGuard::filter(
        SearchViewModel::deduplicated(syntheticOffers(static_cast<int>(state.range(0)))), kQuery);
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
