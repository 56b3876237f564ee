// Key file parsing and integer texts on arbitrary bytes: no crash, no
// undefined behaviour, and the loader's answers agree with each other.
#include "core/failure.h"
#include "core/integer_text.h"
#include "core/key_table.h"

#include <cstdlib>

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto value = ParseIntegerText(bytes.substr(0, 16));
    if (value && (*value != 9999999) == IsNotInteger(bytes.substr(0, 16)))
        std::abort();
    if (value && IntegerOrDefault(bytes.substr(0, 16), 0) != *value)
        std::abort();
    KeyTable table;
    std::uint8_t width = 0;
    try {
        const KeyLoadResult result = ParseKeyFile(bytes, table, width);
        if (result.ok && (width == 0 || size < 4 + 7910u * width - width))
            std::abort(); // a loaded key has at least its numbers but the last one's tail
        if (!result.ok && result.message != kKeyUnreadable)
            std::abort();
    } catch (const Failure&) {
        if (size < 4 || (bytes[3] >= '0' && bytes[3] <= '9'))
            std::abort();
    }
    return 0;
}
