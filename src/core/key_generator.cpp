#include "key_generator.h"

#include <charconv>

namespace morvane {

std::uint16_t NewUniqueCode(RandomSource& random, std::bitset<kCodeChoices>& used)
{
    // The set holds exactly the numbers already placed, so a draw is
    // rejected precisely when a scan of the table would find it.
    for (;;) {
        const std::uint32_t draw = random.RandomBelow(kCodeChoices);
        if (!used.test(draw)) {
            used.set(draw);
            return static_cast<std::uint16_t>(draw + kLowestCode);
        }
    }
}

void GenerateKey(RandomSource& random, KeyTable& table, const std::function<void(int row)>& rowDone)
{
    table.Clear();
    std::bitset<kCodeChoices> used;
    for (int row = 1; row <= kKeyRows; ++row) {
        for (int column = 1; column <= kKeyColumns; ++column)
            table.cell(row, column) = NewUniqueCode(random, used);
        if (rowDone)
            rowDone(row);
    }
}

void AppendKeyRow(const KeyRow& row, std::string& out)
{
    char digits[8];
    for (const std::uint16_t value : row) {
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out.append(digits, end);
    }
}

std::string FormatKeyFile(const KeyTable& table)
{
    std::string out(kKeyHeader);
    out.reserve(kKeyHeader.size() + kKeyCells * 4);
    for (const KeyRow& row : table.rows)
        AppendKeyRow(row, out);
    return out;
}

} // namespace morvane
