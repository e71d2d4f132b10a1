// The feedback service's answers: the receipt of a 201 and the error of any other status.
#include "feedback/FeedbackModels.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzzBytes(data, size);
    if (const auto receipt = FeedbackResponse::decode(body)) {
        if (receipt->createdAt && !receipt->createdAt->isValid())
            __builtin_trap();
    }
    (void)ServerError::decode(body);
    (void)FeedbackResponse::parseDate(QString::fromUtf8(body));
    return 0;
}
