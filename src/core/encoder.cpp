#include "encoder.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace morvane {

namespace {

// The longest stretch the run encodes before it asks the hook again.
constexpr std::size_t kLongestStretch = 1024 * kYieldEvery;

} // namespace

Encoder::Encoder(const KeyTable& table, std::uint8_t codeWidth) : cells_(table, codeWidth), codeWidth_(codeWidth)
{
}

std::string Encoder::Header() const
{
    return std::string("011") + std::to_string(codeWidth_);
}

void Encoder::EncodeChunk(std::string_view text, RandomSource& random, std::string& code) const
{
    EncodeCells(cells_, text, random.RandomState, code);
}

bool EncodeText(std::string_view text, const KeyTable& table, std::uint8_t codeWidth, RandomSource& random,
                EncodeHook& hook, std::string& code)
{
    code.clear();
    if (text.empty())
        return true;
    const auto encoder = std::make_unique<const Encoder>(table, codeWidth);
    code.reserve(4 + text.size() * encoder->LongestNumber()); // a buffer the caller reuses stays
    hook.CodeReserved(code);
    code += encoder->Header();
    // The text goes in stretches that end at multiples of 50 characters, the
    // points where the hook may take over; a stretch ends exactly there, so
    // a stop leaves the code and the random state as the plain loop would.
    std::size_t stretch = kYieldEvery;
    for (std::size_t walked = 0; walked < text.size();) {
        std::size_t n = std::min(stretch, text.size() - walked);
        if (n >= kYieldEvery)
            n -= n % kYieldEvery;
        encoder->EncodeChunk(text.substr(walked, n), random, code);
        walked += n;
        if (n % kYieldEvery != 0)
            break;
        if (hook.YieldDue(walked)) {
            if (!hook.Yield(walked))
                return false;
            stretch = kYieldEvery;
        } else {
            stretch = std::min(2 * stretch, kLongestStretch);
        }
    }
    return true;
}

} // namespace morvane
