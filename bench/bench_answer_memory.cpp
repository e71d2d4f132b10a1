// Peak memory and time for the worst answers each supplier can send within the 32 MiB cap,
// each decoded in a child process of its own so that the peaks do not mix. Prints the peak
// resident growth as a multiple of the answer's size, and per supplier the worst of them
// against the target of 20. The rows are copies of the fuzzers' seed answers.

#include "core/UserFacingError.h"
#include "suppliers/abcp/AbcpParser.h"
#include "suppliers/autoeuro/AutoEuroModels.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
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

QByteArray seed(const char* path) {
    QFile file(QStringLiteral(ORELIA_FUZZ_CORPUS "/") + QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("seed %s missing", path);
    return file.readAll();
}

// `row` repeated `count` times (or, with count 0, as often as the cap allows) between the two ends.
QByteArray repeated(const QByteArray& head, const QByteArray& row, const QByteArray& separator, const QByteArray& tail,
                    qsizetype count = 0) {
    QByteArray body = head;
    for (qsizetype i = 0; count ? i < count : body.size() + row.size() + tail.size() + 1 < kCap; ++i) {
        if (i)
            body += separator;
        body += row;
    }
    return body + tail;
}

QByteArray compact(const QJsonValue& value) {
    return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

using Decode = std::function<QString(const QByteArray&)>;

// The growth of the peak as a multiple of the answer's size, measured in a child.
double measure(const char* name, const std::function<QByteArray()>& make, const Decode& decode) {
    std::fflush(stdout);
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    const pid_t child = fork();
    if (child != 0) {
        close(channel[1]);
        double ratio = -1;
        if (read(channel[0], &ratio, sizeof ratio) != sizeof ratio)
            ratio = -1;
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return ratio;
    }
    close(channel[0]);
    const QByteArray body = make();
    const long before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    QString outcome;
    try {
        outcome = decode(body);
    } catch (const UserFacingError& error) {
        outcome = QStringLiteral("refused: %1").arg(error.description().left(60));
    } catch (const Json::DecodingError& error) {
        outcome = QStringLiteral("refused: %1").arg(error.description().left(60));
    } catch (const Json::LimitError& error) {
        outcome = QStringLiteral("refused: %1").arg(error.what);
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double growth = static_cast<double>(peakKiB() - before) * 1024.0;
    const double ratio = growth / static_cast<double>(body.size());
    std::printf("%-36s %6.1f MiB  peak +%7.1f MiB  = %5.1f x size  %7.1f ms  %s\n", name,
                static_cast<double>(body.size()) / 1048576.0, growth / 1048576.0, ratio, ms, qPrintable(outcome));
    std::fflush(stdout);
    if (write(channel[1], &ratio, sizeof ratio) != sizeof ratio)
        _exit(1);
    _exit(0);
}

QString records(qsizetype count) {
    return QStringLiteral("%1 records").arg(count);
}

} // namespace

int main() {
    std::map<std::string, double> worst;
    const auto run = [&worst](const char* leg, const char* name, const std::function<QByteArray()>& make,
                              const Decode& decode) {
        const std::string label = std::string(leg) + ": " + name;
        worst[leg] = std::max(worst[leg], measure(label.c_str(), make, decode));
    };
    std::printf(
        "answer                               size          peak memory beyond the answer     time      outcome\n");

    const Decode autoEuro = [](const QByteArray& body) {
        const auto envelope = AutoEuroEnvelope<AutoEuroOffer>::decode(body);
        return records(envelope.DATA ? envelope.DATA->size() : 0);
    };
    run("AutoEuro", "tiny values", tinyValues, autoEuro);
    run("AutoEuro", "small objects", smallObjects, autoEuro);
    run("AutoEuro", "full offers", fullOffers, autoEuro);
    run("AutoEuro", "empty records", emptyRecords, autoEuro);
    run(
        "AutoEuro", "too wide", [] { return repeated("[", "0", ",", "]", 4 * Json::maxElements); }, autoEuro);
    run(
        "AutoEuro", "too deep", [] { return QByteArray(10 * 1024 * 1024, '[') + QByteArray(10 * 1024 * 1024, ']'); },
        autoEuro);

    // Autopiter: the seed's first price row, as many as a search keeps, then to the cap.
    const QByteArray xml = seed("autopiter_price/oc90.xml");
    const qsizetype from = xml.indexOf("<PriceSearchModel>");
    const QByteArray xmlRow = xml.mid(from, xml.indexOf("</PriceSearchModel>") + 19 - from);
    const QByteArray xmlHead = xml.left(from);
    const QByteArray xmlTail = xml.mid(xml.lastIndexOf("</PriceSearchModel>") + 19);
    const Decode autopiter = [](const QByteArray& body) {
        return records(AutopiterXmlParser::priceItems(body).size());
    };
    run(
        "Autopiter", "full rows at the row cap",
        [&] { return repeated(xmlHead, xmlRow, "", xmlTail, AutopiterXmlParser::maxRows); }, autopiter);
    run(
        "Autopiter", "full rows to the cap", [&] { return repeated(xmlHead, xmlRow, "", xmlTail); }, autopiter);
    run(
        "Autopiter", "empty rows to the cap", [&] { return repeated(xmlHead, "<PriceSearchModel/>", "", xmlTail); },
        autopiter);

    // Автолига's portal: rows of the seed's analogues group.
    const QJsonValue portal = QJsonValue(QJsonDocument::fromJson(seed("portal_answer/oc90.json")).object());
    const QByteArray portalRow = compact(portal[u"data"][u"rows"][u"analogs"].toArray().first());
    const QByteArray portalHead = R"({"data":{"article":"OC 90","rows":{"analogs":[)";
    const Decode portalDecode = [](const QByteArray& body) {
        return records(AutoligaPortalSearch::parse(body).size());
    };
    run(
        "Автолига", "full rows at the row cap",
        [&] { return repeated(portalHead, portalRow, ",", "]}}}", Json::maxRows); }, portalDecode);
    run(
        "Автолига", "full rows to the cap", [&] { return repeated(portalHead, portalRow, ",", "]}}}"); }, portalDecode);
    run(
        "Автолига", "empty rows to the cap", [&] { return repeated(portalHead, "{}", ",", "]}}}"); }, portalDecode);

    // TradeSoft: a provider's rows, read and mapped as the search maps them.
    const QJsonValue tradeSoft = QJsonValue(QJsonDocument::fromJson(seed("tradesoft_rows/preorder.json")).object());
    const QByteArray tradeSoftRow = compact(tradeSoft[u"container"][0][u"data"][0]);
    const QByteArray tradeSoftHead = R"({"container":[{"provider":"autoliga74ru0","error":null,"data":[)";
    const QByteArray tradeSoftTail = R"(]}],"error":0,"message":""})";
    const Decode tradeSoftDecode = [](const QByteArray& body) {
        qsizetype kept = 0;
        for (const Json::Value& row : TradeSoftHTTPAPI::answerRows(body))
            kept += AutoligaProvider::normalize(TradeSoftHTTPAPI::decodePriceItem(row), std::nullopt).has_value();
        return records(kept);
    };
    run(
        "TradeSoft", "full rows at the row cap",
        [&] { return repeated(tradeSoftHead, tradeSoftRow, ",", tradeSoftTail, Json::maxRows); }, tradeSoftDecode);
    run(
        "TradeSoft", "full rows to the cap", [&] { return repeated(tradeSoftHead, tradeSoftRow, ",", tradeSoftTail); },
        tradeSoftDecode);
    run(
        "TradeSoft", "empty rows to the cap", [&] { return repeated(tradeSoftHead, "{}", ",", tradeSoftTail); },
        tradeSoftDecode);

    // An ABCP shop: its articles answer.
    const QByteArray abcpRow = compact(QJsonDocument::fromJson(seed("abcp_answer/articles.json")).array().first());
    const Decode abcp = [](const QByteArray& body) { return records(AbcpParser::articles(body).offers.size()); };
    run(
        "ABCP", "full rows at the row cap", [&] { return repeated("[", abcpRow, ",", "]", Json::maxRows); }, abcp);
    run(
        "ABCP", "full rows to the cap", [&] { return repeated("[", abcpRow, ",", "]"); }, abcp);
    run(
        "ABCP", "empty rows to the cap", [&] { return repeated("[", "{}", ",", "]"); }, abcp);

    std::printf("\n");
    for (const auto& [leg, ratio] : worst)
        std::printf("TARGET answer memory %s: %.1f x answer (target <= 20) %s\n", leg.c_str(), ratio,
                    ratio >= 0 && ratio <= 20 ? "met" : "not met");
    return 0;
}
