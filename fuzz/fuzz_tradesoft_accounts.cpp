// A TradeSoft answer to a call for several suppliers: the provider list, the producers and the
// price rows of every entry, each row mapped to an offer, the entries matched back to the requests.
#include "core/UserFacingError.h"
#include "FuzzInput.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/tradesoft/TradeSoftAnswers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzzBytes(data, size);
    const auto guarded = [](const auto& read) {
        try {
            read();
        } catch (const UserFacingError& error) {
            (void)error.description();
        }
    };
    guarded([&] { (void)TradeSoftAnswers::providers(body); });
    guarded([&] { (void)TradeSoftAnswers::producers(body); });
    guarded([&] {
        QStringList answered;
        for (const auto& entry : TradeSoftAnswers::prices(body)) {
            answered.append(entry.provider);
            for (const TradeSoftPriceItem& item : entry.rows) {
                const auto offer = AutoligaProvider::normalize(item, std::nullopt, QStringLiteral("tradesoft-x"),
                                                               QStringLiteral("X"), QDateTime::currentDateTimeUtc());
                if (offer && (!(offer->price.toDouble() > 0) || !std::isfinite(offer->price.toDouble())))
                    __builtin_trap();
            }
        }
        const QList<qsizetype> matched = TradeSoftAnswers::match(answered, answered);
        for (qsizetype i = 0; i < matched.size(); ++i) {
            if (matched[i] < 0 || matched[i] >= answered.size())
                __builtin_trap();
        }
    });
    return 0;
}
