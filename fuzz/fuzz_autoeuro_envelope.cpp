// AutoEuro answers: the envelope read as each record type the client asks for, and every
// offer through the provider's mapping.
#include "FuzzInput.h"
#include "suppliers/autoeuro/AutoEuroModels.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"

#include <QDateTime>

namespace {

template <typename Record> void decodeAs(const QByteArray& body) {
    try {
        const auto envelope = AutoEuroEnvelope<Record>::decode(body);
        (void)envelope.DATA;
    } catch (const Json::DecodingError& error) {
        (void)error.description();
    } catch (const Json::LimitError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzzBytes(data, size);
    decodeAs<AutoEuroBrand>(body);
    decodeAs<AutoEuroPayer>(body);
    decodeAs<AutoEuroDelivery>(body);
    decodeAs<AutoEuroOrderStatus>(body);
    try {
        const auto envelope = AutoEuroEnvelope<AutoEuroOffer>::decode(body);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC);
        for (const AutoEuroOffer& offer : envelope.DATA.value_or(QList<AutoEuroOffer>())) {
            (void)offer.id();
            if (const auto normalized = AutoEuroProvider::normalize(offer, QStringLiteral("AutoEuro"), now)) {
                // No price of nothing, below nothing or beyond a double reaches the table.
                if (!(normalized->price.toDouble() > 0))
                    __builtin_trap();
            }
        }
    } catch (const Json::DecodingError& error) {
        (void)error.description();
    } catch (const Json::LimitError&) {
    }
    return 0;
}
