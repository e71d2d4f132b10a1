// The GetPriceId answer of Autopiter, and every row through the provider's mapping.
#include "FuzzInput.h"
#include "suppliers/autopiter/AutopiterError.h"
#include "suppliers/autopiter/AutopiterProvider.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

#include <QDateTime>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC);
        for (const AutopiterPriceItem& item : AutopiterXmlParser::priceItems(fuzzBytes(data, size))) {
            const SupplierOffer offer = AutopiterProvider::normalize(item, now);
            if (!std::isfinite(offer.price.toDouble()) || std::abs(offer.price.toDouble()) >= 1.7e308)
                __builtin_trap();
            (void)offer.id();
        }
    } catch (const AutopiterError& error) {
        (void)error.description();
    }
    return 0;
}
