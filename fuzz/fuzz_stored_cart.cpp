// The cart as stored: whatever lines it reads must be written back and read again unchanged.
#include "cart/CartItem.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto lines = CartItem::decodeReadableLines(fuzzBytes(data, size));
    if (!lines)
        return 0;
    const auto again = CartItem::decodeList(CartItem::encodeList(lines->items));
    if (!again || *again != lines->items)
        __builtin_trap();
    return 0;
}
