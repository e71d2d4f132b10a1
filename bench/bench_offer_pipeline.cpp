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

void pipeline(benchmark::State& state) {
    const QList<SupplierOffer> offers = syntheticOffers(static_cast<int>(state.range(0)));
    const OfferTableSettings settings{{OfferSortComparator{}}, false, true, 30.0};
    for (auto _ : state) {
        const QList<SupplierOffer> unique = SearchViewModel::deduplicated(offers);
        const QList<SupplierOffer> kept = OfferSemanticGuard::filter(unique, kQuery);
        const OffersSnapshot snapshot = makeOffersSnapshot(kept, settings);
        benchmark::DoNotOptimize(snapshot.displayed.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pipeline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The three stages alone, to see where the time goes.
void deduplicate(benchmark::State& state) {
    const QList<SupplierOffer> offers = syntheticOffers(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SearchViewModel::deduplicated(offers).size());
}
BENCHMARK(deduplicate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void semanticGuard(benchmark::State& state) {
    const QList<SupplierOffer> offers =
        SearchViewModel::deduplicated(syntheticOffers(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(OfferSemanticGuard::filter(offers, kQuery).size());
}
BENCHMARK(semanticGuard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void snapshot(benchmark::State& state) {
    const QList<SupplierOffer> offers =
        SearchViewModel::deduplicated(syntheticOffers(static_cast<int>(state.range(0))));
    const OfferTableSettings settings{{OfferSortComparator{}}, false, true, 30.0};
    for (auto _ : state)
        benchmark::DoNotOptimize(makeOffersSnapshot(offers, settings).displayed.size());
}
BENCHMARK(snapshot)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Collects the real time of each run to print the growth ratio after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                milliseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> milliseconds;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& ms = reporter.milliseconds;
    const auto small = ms.find("pipeline/10000");
    const auto large = ms.find("pipeline/100000");
    if (small != ms.end() && large != ms.end() && small->second > 0)
        std::printf("100k / 10k time ratio: %.2f (linear is 10)\n", large->second / small->second);
    benchmark::Shutdown();
    return 0;
}
