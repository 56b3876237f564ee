// Encodes arbitrary bytes with an arbitrary loaded key: the first bytes are
// a key file, the rest the text. On every path this processor runs, the
// run's code and random state must equal those of the encoding rule applied
// character by character up to where the run stopped.
#include "core/encoder.h"
#include "core/failure.h"

#include <cstdlib>

using namespace morvane;

namespace {

// Answers the run's questions by the bits of a byte and stops at a given yield.
struct Scripted : EncodeHook {
    Scripted(std::uint8_t answers, std::size_t stopAt) : answers(answers), stopAt(stopAt) {}
    bool YieldDue(std::size_t) override { return (answers >> (asked++ % 8)) & 1; }
    bool Yield(std::size_t walked) override { return stoppedAt = walked, ++yields != stopAt; }
    std::uint8_t answers;
    std::size_t stopAt, asked = 0, yields = 0, stoppedAt = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    // The first byte chooses where the key ends (an odd one: after a whole
    // key of width 4), the second when to stop, the third the hook's answers.
    const std::size_t wanted = (data[0] & 1) ? 4 + 4u * kKeyCells : 4 + data[0] * 16u;
    const std::size_t keyLength = std::min<std::size_t>(size - 3, wanted);
    const std::string_view key(reinterpret_cast<const char*>(data + 3), keyLength);
    const std::string_view text(reinterpret_cast<const char*>(data + 3 + keyLength), size - 3 - keyLength);
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
        if (!ForceEncodePath(path))
            std::abort();
        RandomSource random(data[1] * 7919u), reference = random;
        Scripted hook(data[2], data[1] % 4);
        std::string code;
        const bool whole = EncodeText(text, table, width, random, hook, code);
        std::string expected = text.empty() ? std::string() : "011" + std::to_string(width);
        for (const char c : whole ? text : text.substr(0, hook.stoppedAt))
            if (const int row = RowOf(static_cast<unsigned char>(c)))
                expected += std::to_string(table.cell(row, static_cast<int>(reference.RandomBelow(kKeyColumns)) + 1));
        if (code != expected || random.RandomState != reference.RandomState)
            std::abort();
    }
    (void)ForceEncodePath(std::nullopt);
    return 0;
}
