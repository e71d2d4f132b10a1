// A TradeSoft answer: the envelope's checks, every row through the lenient readers and the
// mapping to an offer.
#include "FuzzInput.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftError.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        for (const Json::Value& row : TradeSoftHTTPAPI::answerRows(fuzzBytes(data, size))) {
            const TradeSoftPriceItem item = TradeSoftHTTPAPI::decodePriceItem(row);
            (void)item.availableQuantity();
            (void)item.isReturnable();
            for (const auto& fallback : {std::optional<QString>(), std::optional<QString>(QStringLiteral("hash"))}) {
                if (const auto offer = AutoligaProvider::normalize(item, fallback)) {
                    if (!(offer->price.toDouble() > 0) || !std::isfinite(offer->price.toDouble()))
                        __builtin_trap();
                }
            }
        }
    } catch (const UserFacingError& error) {
        (void)error.description();
    }
    return 0;
}
