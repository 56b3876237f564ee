#include "encoder.h"

#include "atomic_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace morvane {

namespace {

// Offset of a character's row in the table (row - 1) * 35, or -1 when the
// character is not encoded.
struct RowOffsets {
    std::array<std::int16_t, 256> offset{};
    constexpr RowOffsets()
    {
        for (int c = 0; c < 256; ++c) {
            const int row = RowOf(static_cast<unsigned char>(c));
            offset[c] = static_cast<std::int16_t>(row == 0 ? -1 : (row - 1) * kKeyColumns);
        }
    }
};
constexpr RowOffsets kRows;

constexpr std::size_t kBlock = 4096;

} // namespace

Encoder::Encoder(const KeyTable& table, std::uint8_t codeWidth) : codeWidth_(codeWidth)
{
    for (int i = 0; i < kKeyCells; ++i) {
        const std::uint16_t value = table.rows[i / kKeyColumns][i % kKeyColumns];
        char* begin = digits_[i].data();
        const auto end = std::to_chars(begin, begin + digits_[i].size(), value).ptr;
        lengths_[i] = static_cast<std::uint8_t>(end - begin);
        longest_ = std::max<std::size_t>(longest_, lengths_[i]);
    }
}

std::string Encoder::Header() const
{
    return std::string("011") + std::to_string(codeWidth_);
}

void Encoder::EncodeChunk(std::string_view text, RandomSource& random, std::string& code) const
{
    // Numbers are gathered in a buffer on the stack, 8 bytes written per
    // number whatever its length, and appended a block at a time.
    char buffer[kBlock * 8 + 8];
    std::uint32_t state = random.RandomState;
    while (!text.empty()) {
        const std::size_t n = std::min(text.size(), kBlock);
        char* out = buffer;
        for (std::size_t i = 0; i < n; ++i) {
            const int offset = kRows.offset[static_cast<unsigned char>(text[i])];
            if (offset < 0)
                continue;
            state = NextRandomState(state);
            const int cell = offset + static_cast<int>(ScaleRandomState(state, kKeyColumns));
            std::memcpy(out, digits_[cell].data(), 8);
            out += lengths_[cell];
        }
        code.append(buffer, static_cast<std::size_t>(out - buffer));
        text.remove_prefix(n);
    }
    random.RandomState = state;
}

bool EncodeText(std::string_view text, const KeyTable& table, std::uint8_t codeWidth, RandomSource& random,
                EncodeHook& hook, std::string& code)
{
    code.clear();
    if (text.empty())
        return true;
    const Encoder encoder(table, codeWidth);
    code = encoder.Header();
    code.reserve(code.size() + text.size() * encoder.LongestNumber());
    for (std::size_t walked = 0; walked < text.size();) {
        const std::size_t n = std::min<std::size_t>(kYieldEvery, text.size() - walked);
        encoder.EncodeChunk(text.substr(walked, n), random, code);
        walked += n;
        if (n == kYieldEvery && !hook.Yield(walked))
            return false;
    }
    return true;
}

bool SaveCode(const std::string& name, std::string_view code, std::string& message)
{
    if (!WriteFileAtomically(name, code)) {
        message = kSaveFailed;
        return false;
    }
    message.clear();
    return true;
}

} // namespace morvane
