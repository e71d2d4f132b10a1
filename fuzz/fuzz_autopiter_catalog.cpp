// The FindCatalog answer of Autopiter.
#include "FuzzInput.h"
#include "suppliers/autopiter/AutopiterError.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto items = AutopiterXmlParser::catalogItems(fuzzBytes(data, size));
        if (items.size() > AutopiterXmlParser::maxRows)
            __builtin_trap();
    } catch (const AutopiterError& error) {
        (void)error.description();
    }
    return 0;
}
