// Encodes arbitrary bytes with an arbitrary loaded key: the first bytes are
// a key file, the rest the text. On every path this processor runs, the
// run's code and random state must equal those of the encoding rule applied
// character by character.
#include "core/encoder.h"
#include "core/failure.h"
#include "core/key_table.h"

#include <cstdlib>
#include <string>

using namespace morvane;

namespace {

class StopAt : public EncodeHook {
public:
    explicit StopAt(std::size_t yields) : left_(yields) {}
    bool Yield(std::size_t) override { return left_-- != 1; }

private:
    std::size_t left_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses where the key ends (an odd one: after a whole
    // key of width 4); the second when to stop.
    const std::size_t wanted = (data[0] & 1) ? 4 + 4u * kKeyCells : 4 + data[0] * 16u;
    const std::size_t keyLength = std::min<std::size_t>(size - 2, wanted);
    const std::string_view key(reinterpret_cast<const char*>(data + 2), keyLength);
    const std::string_view text(reinterpret_cast<const char*>(data + 2 + keyLength), size - 2 - keyLength);

    static KeyTable table;
    std::uint8_t width = 0;
    try {
        if (!ParseKeyFile(key, table, width).ok) {
            // Short inputs rarely make a key: use a fixed one so the text still gets encoded.
            for (int i = 0; i < kKeyCells; ++i)
                table.rows[i / kKeyColumns][i % kKeyColumns] = static_cast<std::uint16_t>(i * 37u);
            width = 4;
        }
    } catch (const Failure&) {
        return 0;
    }

    for (const EncodePath path : SupportedEncodePaths()) {
        ForceEncodePath(path);
        RandomSource random(data[1] * 7919u);
        RandomSource reference = random;
        StopAt hook(data[1] % 4);
        std::string code;
        const bool whole = EncodeText(text, table, width, random, hook, code);

        std::string expected = text.empty() ? std::string() : "011" + std::to_string(width);
        std::size_t walked = 0;
        for (const char c : text) {
            if (const int row = RowOf(static_cast<unsigned char>(c)))
                expected += std::to_string(table.cell(row, static_cast<int>(reference.RandomBelow(kKeyColumns)) + 1));
            ++walked;
            if (!whole && walked % kYieldEvery == 0 && walked / kYieldEvery == data[1] % 4u)
                break;
        }
        if (code != expected || random.RandomState != reference.RandomState)
            std::abort();
    }
    ForceEncodePath(std::nullopt);
    return 0;
}
