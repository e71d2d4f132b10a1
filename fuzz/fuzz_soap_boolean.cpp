// The boolean of Autopiter's Authorization and IsAuthorization answers.
#include "FuzzInput.h"
#include "suppliers/autopiter/AutopiterError.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzzBytes(data, size);
    for (const auto* name : {u"IsAuthorizationResult", u"AuthorizationResult"}) {
        try {
            (void)AutopiterXmlParser::booleanResult(QString::fromUtf16(name), body);
        } catch (const AutopiterError& error) {
            (void)error.description();
        }
    }
    return 0;
}
