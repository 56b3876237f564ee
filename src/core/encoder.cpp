#include "encoder.h"

#include "atomic_file.h"

#include <algorithm>
#include <memory>

namespace morvane {

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
    code += encoder->Header();
    for (std::size_t walked = 0; walked < text.size();) {
        const std::size_t n = std::min<std::size_t>(kYieldEvery, text.size() - walked);
        encoder->EncodeChunk(text.substr(walked, n), random, code);
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
