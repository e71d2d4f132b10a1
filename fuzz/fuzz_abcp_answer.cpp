// An ABCP shop's answer: the error object, the brands, and every offer through the lenient readers
// and the mapping to an offer.
#include "FuzzInput.h"
#include "suppliers/abcp/AbcpParser.h"
#include "suppliers/abcp/AbcpProvider.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzzBytes(data, size);
    (void)AbcpParser::error(body);
    const SupplierAccount shop{
        QStringLiteral("abcp-shop"), QStringLiteral("abcp"), QStringLiteral("Магазин"), {}, {}, 0, true};
    try {
        (void)AbcpParser::brands(body);
    } catch (const UserFacingError& error) {
        (void)error.description();
    }
    try {
        for (const AbcpOffer& offer : AbcpParser::articles(body).offers) {
            if (const auto mapped = AbcpProvider::normalize(offer, shop)) {
                if (!(mapped->price.toDouble() > 0) || !std::isfinite(mapped->price.toDouble()))
                    __builtin_trap();
                if (mapped->availableQuantity && *mapped->availableQuantity < 0)
                    __builtin_trap();
            }
        }
    } catch (const UserFacingError& error) {
        (void)error.description();
    }
    return 0;
}
