// The Autoliga portal's search answer.
#include "core/UserFacingError.h"
#include "FuzzInput.h"
#include "suppliers/autoliga/AutoligaPortalSearch.h"

#include <QDateTime>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC);
        for (const SupplierOffer& offer : AutoligaPortalSearch::parse(fuzzBytes(data, size), now)) {
            if (!(offer.price.toDouble() > 0) || !std::isfinite(offer.price.toDouble()) ||
                !offer.supplierOfferKey.startsWith(u"portal-selection:"))
                __builtin_trap();
        }
    } catch (const UserFacingError& error) {
        (void)error.description();
    }
    return 0;
}
