#include "encoder.h"

#include "atomic_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace morvane {

namespace {

// The longest stretch the run encodes before it asks the hook again.
constexpr std::size_t kLongestStretch = 1024 * kYieldEvery;

} // namespace

// Asks the system to back the 2 MiB pages of a large buffer with huge pages
// where it offers them on request. Touching a fresh 40 MB code 4 KiB at a
// time costs ten thousand page faults, which took most of a large run.
void AdviseHugePages(const char* data, std::size_t size)
{
#ifdef __linux__
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    static_cast<void>(data);
    static_cast<void>(size);
#endif
}

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
    AdviseHugePages(code.data(), code.capacity());
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
