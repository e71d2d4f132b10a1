// Peak memory and time for the worst answers a supplier can send within the 32 MiB cap,
// each decoded in a child process of its own so that the peaks do not mix. Prints the
// peak resident growth as a multiple of the answer's size (target: below 20).

#include "suppliers/autoeuro/AutoEuroModels.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qsizetype kCap = 32 * 1024 * 1024 - 1024;

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Arrays of 49 999 zeros, as many as fit: the most values per byte that pass the limits.
QByteArray tinyValues() {
    QByteArray inner = "[0";
    for (int i = 1; i < Json::maxElements - 1; ++i)
        inner += ",0";
    inner += ']';
    QByteArray body = "{\"DATA\":[";
    while (body.size() + inner.size() + 2 < kCap) {
        if (!body.endsWith('['))
            body += ',';
        body += inner;
    }
    return body + "]}";
}

// 50 000 offers with every field set: the most records one answer can hold.
QByteArray fullOffers() {
    QByteArray body = "{\"META\":{\"result\":\"OK\"},\"DATA\":[";
    for (int i = 0; i < Json::maxElements; ++i) {
        if (i)
            body += ',';
        body += "{\"offer_key\":\"K-" + QByteArray::number(i) +
                "\",\"stock\":1,\"cross\":0,\"brand\":\"MAHLE\",\"code\":\"OC 90\",\"name\":\"Фильтр масляный\","
                "\"packing\":1,\"price\":412.3,\"currency\":\"RUB\",\"amount\":\"7\",\"unit\":\"шт\",\"return\":1,"
                "\"order_before\":\"15:30\",\"delivery_time\":\"3 дн.\",\"delivery_time_max\":\"5 дн.\","
                "\"rejects\":\"2,5\",\"dealer\":0,\"warehouse_name\":\"Склад\",\"warehouse_key\":\"W1\","
                "\"product_id\":12345,\"ttl\":3600}";
    }
    return body + "]}";
}

// Many small objects in nested arrays: keys and values of one character.
QByteArray smallObjects() {
    QByteArray inner = "[";
    for (int i = 0; i < Json::maxElements - 1; ++i)
        inner += i ? ",{\"a\":1}" : "{\"a\":1}";
    inner += ']';
    QByteArray body = "{\"DATA\":[";
    while (body.size() + inner.size() + 2 < kCap) {
        if (!body.endsWith('['))
            body += ',';
        body += inner;
    }
    return body + "]}";
}

// Offers whose "DATA" holds one record per element up to the limit, each empty: records
// cost more than their bytes here.
QByteArray emptyRecords() {
    QByteArray body = "{\"DATA\":[{}";
    for (int i = 1; i < Json::maxElements; ++i)
        body += ",{}";
    return body + "]}";
}

void measure(const char* name, const std::function<QByteArray()>& make) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child != 0) {
        int status = 0;
        waitpid(child, &status, 0);
        return;
    }
    const QByteArray body = make();
    const long before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    QString outcome;
    try {
        const auto envelope = AutoEuroEnvelope<AutoEuroOffer>::decode(body);
        outcome = QStringLiteral("%1 records").arg(envelope.DATA ? envelope.DATA->size() : 0);
    } catch (const Json::DecodingError& error) {
        outcome = QStringLiteral("refused: %1").arg(error.description().left(60));
    } catch (const Json::LimitError& error) {
        outcome = QStringLiteral("refused: %1").arg(error.what);
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double growth = static_cast<double>(peakKiB() - before) * 1024.0;
    std::printf("%-14s %8.1f MiB  peak +%8.1f MiB  = %5.1f x size  %7.1f ms  %s\n", name,
                static_cast<double>(body.size()) / 1048576.0, growth / 1048576.0,
                growth / static_cast<double>(body.size()), ms, qPrintable(outcome));
    std::fflush(stdout);
    _exit(0);
}

} // namespace

int main() {
    std::printf("answer         size          peak memory beyond the answer      time      outcome\n");
    measure("tiny values", tinyValues);
    measure("small objects", smallObjects);
    measure("full offers", fullOffers);
    measure("empty records", emptyRecords);
    measure("too wide", [] {
        QByteArray body = "[0";
        for (int i = 0; i < 4 * Json::maxElements; ++i)
            body += ",0";
        return body + ']';
    });
    measure("too deep", [] { return QByteArray(10 * 1024 * 1024, '[') + QByteArray(10 * 1024 * 1024, ']'); });
    return 0;
}
