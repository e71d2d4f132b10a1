// A list file as the buyer hands it over: text in any encoding, a workbook, or anything else.
// Whatever it is, reading ends with a list or a refusal, and the list parses.
#include "batch/BatchInput.h"
#include "batch/ListFile.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ListFile list = ListFile::read(fuzzBytes(data, size));
    if (!list.error.isEmpty() && !list.text.isEmpty())
        __builtin_trap();
    const BatchInput input = BatchInput::parse(list.text);
    if (input.lines.size() > BatchInput::maxLines)
        __builtin_trap();
    return 0;
}
