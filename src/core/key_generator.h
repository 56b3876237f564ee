// Generation of new keys and the writing of key files.
#pragma once

#include "key_table.h"
#include "random.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr std::uint16_t kLowestCode = 1000;
inline constexpr std::uint16_t kHighestCode = 9998;
inline constexpr std::uint32_t kCodeChoices = 8999;

inline constexpr std::string_view kKeyHeader = "0114";

// Draws code numbers until one is not yet in use; marks and returns it.
std::uint16_t NewUniqueCode(RandomSource& random, std::bitset<kCodeChoices>& used);

// Fills the table with 7910 distinct numbers from 1000 to 9998, row by row.
// rowDone(row) is called after each row (1 to 226).
void GenerateKey(RandomSource& random, KeyTable& table,
                 const std::function<void(int row)>& rowDone = {});

// The key file's bytes: "0114" and the 7910 numbers, no separator.
std::string FormatKeyFile(const KeyTable& table);

// Appends the 35 numbers of a row, no separator.
void AppendKeyRow(const KeyRow& row, std::string& out);

} // namespace morvane
