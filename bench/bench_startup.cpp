// Start-up and memory of the window, each against its yardstick in the same build:
//   - from process start to the first painted main window of `orelia --demo`, against
//     bare_window (an empty QMainWindow), both through the first-paint probe;
//   - resident memory of the window showing a table of 10 000 offers, against the same
//     window shown empty (bench_window).
// Printed, not pass/fail (not registered with ctest). Targets: both ratios at most 1.5.
// Without a display the programs run on Qt's offscreen platform; under xvfb-run on X11.
//
// Options: --runs N (default 10), --offers N (default 10000).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace {

struct Probe {
    double startMs = 0;
    double residentMiB = 0;
};

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Runs the program once and reads the probe's line: the time from just before the process was
// started to its first paint, and its resident memory then.
std::optional<Probe> run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const long long started = monotonicNs();
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("first-paint "))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        return Probe{static_cast<double>(fields.value(1).toLongLong() - started) / 1e6,
                     fields.value(2).toDouble() / 1024.0};
    }
    std::fprintf(stderr, "%s gave no probe line: %s\n", qPrintable(program),
                 process.readAllStandardError().constData());
    return std::nullopt;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2) : QString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const auto option = [&arguments](const char* name, int fallback) {
        const qsizetype at = arguments.indexOf(QString::fromLatin1(name));
        return at >= 0 ? std::max(1, arguments.value(at + 1).toInt()) : fallback;
    };
    const int runs = option("--runs", 10);
    const int offers = option("--offers", 10000);

    // The programs keep their settings, logs and caches in a home of their own.
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        env.insert(QString::fromLatin1(variable), home.path());
    env.insert(QStringLiteral("ORELIA_FIRST_PAINT_PROBE"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("WAYLAND_DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString platform = env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("the desktop's"));

    std::printf("load average at start: %s; platform %s; %d runs each, alternating\n", qPrintable(loadAverage()),
                qPrintable(platform), runs);

    // One unmeasured run of each first, so that both find the libraries in the page cache.
    run(QStringLiteral(ORELIA_GUI_PATH), {QStringLiteral("--demo")}, env);
    run(QStringLiteral(BARE_WINDOW_PATH), {}, env);
    std::vector<double> orelia, bare, oreliaMiB, bareMiB;
    for (int i = 0; i < runs; ++i) {
        if (const auto probe = run(QStringLiteral(ORELIA_GUI_PATH), {QStringLiteral("--demo")}, env)) {
            orelia.push_back(probe->startMs);
            oreliaMiB.push_back(probe->residentMiB);
        }
        if (const auto probe = run(QStringLiteral(BARE_WINDOW_PATH), {}, env)) {
            bare.push_back(probe->startMs);
            bareMiB.push_back(probe->residentMiB);
        }
    }
    std::vector<double> ratios;
    for (size_t i = 0; i < std::min(orelia.size(), bare.size()); ++i)
        ratios.push_back(orelia[i] / bare[i]);
    std::printf("start to first paint: orelia --demo %.1f ms (%.1f MiB), bare window %.1f ms (%.1f MiB)\n",
                median(orelia), median(oreliaMiB), median(bare), median(bareMiB));
    std::printf("  ratio %.2f (median of %zu paired runs; min %.2f, max %.2f)\n", median(ratios), ratios.size(),
                ratios.empty() ? 0.0 : *std::min_element(ratios.begin(), ratios.end()),
                ratios.empty() ? 0.0 : *std::max_element(ratios.begin(), ratios.end()));

    std::vector<double> empty, full;
    const int memoryRuns = std::max(3, runs / 3);
    for (int i = 0; i < memoryRuns; ++i) {
        if (const auto probe =
                run(QStringLiteral(BENCH_WINDOW_PATH), {QStringLiteral("--offers"), QStringLiteral("0")}, env))
            empty.push_back(probe->residentMiB);
        if (const auto probe =
                run(QStringLiteral(BENCH_WINDOW_PATH), {QStringLiteral("--offers"), QString::number(offers)}, env))
            full.push_back(probe->residentMiB);
    }
    std::printf("resident memory: window with %d offers %.1f MiB, empty window %.1f MiB\n", offers, median(full),
                median(empty));
    std::printf("  ratio %.2f (medians of %zu and %zu runs)\n", median(empty) > 0 ? median(full) / median(empty) : 0.0,
                full.size(), empty.size());
    std::printf("load average at end: %s\n", qPrintable(loadAverage()));
    return 0;
}
