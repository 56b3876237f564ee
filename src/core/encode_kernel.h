// The encoding kernel: the code numbers of a stretch of text, on the widest
// path the processor runs. Encoder::EncodeChunk is its front; the method is
// described in encode_kernel.cpp.
#pragma once

#include "key_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The decimal digits of every cell of a key, prepared once per key.
struct CodeCells {
    CodeCells(const KeyTable& table, std::uint8_t codeWidth);

    // The digits of a cell's number.
    std::string_view Number(int cell) const
    {
        return allFour ? std::string_view(reinterpret_cast<const char*>(&four[cell]), 4)
                       : std::string_view(digits[cell].data(), lengths[cell]);
    }

    // When every number has four digits, as in every generated key: the
    // digits of each cell as one 4-byte word.
    bool allFour = true;
    std::array<std::uint32_t, kKeyCells> four;
    // Otherwise: the digits padded to 8 bytes, so that one fixed-size copy
    // writes a number, and how many of them count.
    std::array<std::array<char, 8>, kKeyCells> digits;
    std::array<std::uint8_t, kKeyCells> lengths;
    // Whether every number has exactly as many digits as the code width.
    bool fullWidth = true;
    std::size_t longest = 4;
};

// The kernel takes the text in blocks of this many characters.
inline constexpr std::size_t kEncodeBlock = 2048;

// The ways of encoding: the plain loop, one draw after the other; the
// portable kernel; the kernel with AVX2; the kernel with AVX-512.
enum class EncodePath { Plain, Portable, Avx2, Avx512 };

// Appends the number of every encodable character of text to code, drawing
// from state and leaving it as the last draw left it: the same code and the
// same state as the plain loop, whichever path runs.
void EncodeCells(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code);

// The path EncodeCells takes for this key: the widest this processor runs,
// or the portable kernel for a key with numbers shorter than the code width.
EncodePath ChosenEncodePath(const CodeCells& cells);
// The widest path this processor runs: the one a generated key takes.
EncodePath WidestEncodePath();
const char* EncodePathName(EncodePath path);

// For tests and benchmarks: the paths this processor runs, and a way to make
// every run take one of them (nothing: back to the choice above). A path
// that does not run here is refused: false, and nothing changes.
std::vector<EncodePath> SupportedEncodePaths();
[[nodiscard]] bool ForceEncodePath(std::optional<EncodePath> path);

} // namespace morvane
