// The encoding run and the code text format.
#pragma once

#include "encode_kernel.h"
#include "key_table.h"
#include "random.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr int kYieldEvery = 50;

// What the run asks of whoever drives it.
class EncodeHook {
public:
    virtual ~EncodeHook() = default;
    // Whether the run should hand over control now, after the walked-th
    // character (a multiple of 50). Keep it cheap. The run asks 50 characters
    // after its start and after every yield; after a no it asks again twice
    // as far on, up to every 51,200 characters. The default always says yes,
    // so that Yield comes after every 50th character.
    virtual bool YieldDue(std::size_t walked)
    {
        static_cast<void>(walked);
        return true;
    }
    // Called after the walked-th character when YieldDue said yes: the
    // window system may run now. Returns false to stop the run; the
    // characters up to and including this one have been encoded, and the
    // random source stands where their draws left it.
    virtual bool Yield(std::size_t walked) = 0;
    // Called once the run has reserved room for the whole code, before it
    // writes into it: the place to ask the system for huge pages.
    virtual void CodeReserved(std::string& code) { static_cast<void>(code); }
};

// Turns characters into code numbers with one loaded key. The digits of every
// cell are prepared once; the draws are exactly those of the plain algorithm,
// one per encoded character in the order of the text.
class Encoder {
public:
    Encoder(const KeyTable& table, std::uint8_t codeWidth);

    // "011" followed by the code width digit.
    std::string Header() const;

    // Appends the numbers of every encodable character of text (no header).
    void EncodeChunk(std::string_view text, RandomSource& random, std::string& code) const;

    // The longest decimal form among the key's numbers.
    std::size_t LongestNumber() const { return cells_.longest; }

private:
    CodeCells cells_;
    std::uint8_t codeWidth_;
};

// One encoding run over text (the text as it stands when the run starts):
// writes the header when text is not empty, then a number per encodable
// character, and offers the hook control at multiples of 50 characters.
// Returns true when the whole text was walked, false when the hook stopped
// the run. code is replaced by the run's code in both cases.
bool EncodeText(std::string_view text, const KeyTable& table, std::uint8_t codeWidth, RandomSource& random,
                EncodeHook& hook, std::string& code);

} // namespace morvane
