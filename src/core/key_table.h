// The key table, the row of each character and the loading of key files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr int kKeyRows = 226;
inline constexpr int kKeyColumns = 35;
inline constexpr int kKeyCells = kKeyRows * kKeyColumns; // 7910

using KeyRow = std::array<std::uint16_t, kKeyColumns>;

// 226 rows of 35 code numbers; rows and columns are numbered from 1 in the
// program's terms and stored from 0 here: row r, column c is rows[r-1][c-1].
struct KeyTable {
    std::array<KeyRow, kKeyRows> rows{};

    std::uint16_t& cell(int row, int column) { return rows[row - 1][column - 1]; }
    std::uint16_t cell(int row, int column) const { return rows[row - 1][column - 1]; }
    void Clear() { rows = {}; }
};

// A Ctrl-Z byte ends a text file and a key file.
inline constexpr char kCtrlZ = 26;

// The row (1 to 226) of a character, or 0 when it is not encoded:
// 32..255 -> 1..224, CR -> 225, TAB -> 226, other control characters -> 0.
constexpr int RowOf(unsigned char c)
{
    if (c >= 32) return c - 31;
    if (c == 13) return 225;
    if (c == 9) return 226;
    return 0;
}

// The character of a row (the inverse of RowOf).
constexpr unsigned char CharacterOfRow(int row)
{
    if (row == 225) return 13;
    if (row == 226) return 9;
    return static_cast<unsigned char>(row + 31);
}

inline constexpr const char* kKeyNotFound = "The key file could not be found.";
inline constexpr const char* kKeyUnreadable = "The key file could not be read correctly.";

struct KeyLoadResult {
    bool ok = false;
    std::string message; // for the error window when !ok
};

// Nothing beyond the header and 7910 numbers of the widest width (9) is ever
// looked at.
inline constexpr std::size_t kMostKeyFileBytes = 4 + kKeyCells * 9;

// Reads a key file's bytes into the table and the code width, with the
// loader's bounded-read rules and checks. A width character that is not a
// decimal digit throws Failure("'x' is not a valid integer value") and leaves
// table and width as they were. On other failures the width may have been
// replaced and the table may hold the rows read so far.
// CutByReadError: the bytes are what was read before a read failed; the
// header is still checked, then the file counts as unreadable.
enum class KeyBytes { Whole, CutByReadError };
KeyLoadResult ParseKeyFile(std::string_view bytes, KeyTable& table, std::uint8_t& codeWidth,
                           KeyBytes read = KeyBytes::Whole);


} // namespace morvane
