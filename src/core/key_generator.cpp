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

namespace {

constexpr std::string_view kKeyHeader = "0114";

void AppendRow(const KeyRow& row, std::string& out)
{
    char digits[8];
    for (const std::uint16_t value : row) {
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out.append(digits, end);
    }
}

} // namespace

std::string FormatKeyFile(const KeyTable& table)
{
    std::string out(kKeyHeader);
    out.reserve(kKeyHeader.size() + kKeyCells * 4);
    for (const KeyRow& row : table.rows)
        AppendRow(row, out);
    return out;
}

KeyWriteResult WriteKeyFile(const std::string& name, const KeyTable& table,
                            const std::function<void(int row)>& rowWritten, WriteOptions options)
{
    options.newFileMode = 0600;
    AtomicFileWriter writer;
    if (!writer.Open(name, options))
        return {false, kKeyCreateFailed, writer.error()};
    writer.Write(kKeyHeader);
    std::string line;
    for (int row = 1; row <= kKeyRows; ++row) {
        line.clear();
        AppendRow(table.rows[row - 1], line);
        writer.Write(line);
        if (rowWritten)
            rowWritten(row);
    }
    if (!writer.Commit())
        return {false, kKeyWriteFailed, writer.error()};
    return {true, {}, 0};
}

} // namespace morvane
