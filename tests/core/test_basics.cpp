// The random source, integer texts, messages and keys.
#include "core/descramble.h"
#include "core/encoder.h"
#include "core/failure.h"
#include "core/integer_text.h"
#include "core/key_generator.h"

#include "support/all.h"

#include <gtest/gtest.h>
#include <numeric>
#include <set>

using namespace morvane;
using namespace std::literals;

TEST(Basics, DrawRuleSeedMessagesAndStoredTexts)
{
    RandomSource random(0);
    for (const std::uint32_t expected : {0u, 282u, 7748u, 1823u})
        EXPECT_EQ(random.RandomBelow(8999), expected);

    using namespace std::chrono;
    SeedRandom(random, sys_days(year(2026) / 12 / 6) + hours(13) + minutes(5) + seconds(7) + milliseconds(250));
    EXPECT_EQ(random.RandomState, ((13u * 60 + 5) * 60 + 7) * 1000 + 250) << "milliseconds since midnight UTC";
    EXPECT_EQ(MillisecondsSinceMidnightUtc(sys_days() - milliseconds(1)), 86399999u) << "before 1970";

    // Messages get a full stop after a character above it; stored texts are descrambled.
    const std::pair<std::string, std::string> messages[] = {
        {"'x' is not a valid integer value", "'x' is not a valid integer value."}, {"Done.", "Done."}, {"", ""},
        {"Failed to set data for 'LastLeftPos'", "Failed to set data for 'LastLeftPos'"}, {"caf\xe9", "caf\xe9."}};
    for (const auto& [message, shown] : messages)
        EXPECT_EQ(WithFullStop(message), shown) << message;
    EXPECT_EQ(Descramble("\x01\x02N\x71"), std::string("\x00\x00Km", 4));
    EXPECT_EQ(Descramble(std::string_view("\0", 1)), "\xff") << "a byte smaller than its position wraps";
}

// Key files and settings: optional spaces, a signed decimal or "$" and hex digits, 32 bits; a NUL ends the text.
TEST(IntegerText, AcceptedAndRejectedForms)
{
    const std::pair<std::string_view, std::optional<std::int32_t>> cases[] = {
        {"0", 0}, {"   42", 42}, {"+123", 123}, {"-123", -123}, {"0099", 99}, {"$0FF", 255}, {"$7b", 123},
        {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {std::string_view("12\0xyz", 6), 12}, {"-9999999", -9999999}, {"9999998", 9999998},
        {"", {}}, {"   ", {}}, {"+", {}}, {"-", {}}, {"$", {}}, {"+$10", {}}, {"-$10", {}}, {"12 ", {}}, {"1 2", {}},
        {"12a", {}}, {"0x10", {}}, {"\t12", {}}, {"2147483648", {}}, {"-2147483649", {}}, {"$100000000", {}},
        {" - 5", {}}, {"$G", {}}, {std::string_view("\0" "12", 3), {}},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ((All{ParseIntegerText(text), IsNotInteger(text)}), (All{value, !value})) << '"' << text << '"';
    // 9999999 is the default that marks a failed conversion, in every spelling.
    for (const std::string_view text : {"9999999", "  9999999", "+9999999", "009999999", "$98967F", "$98967f"})
        EXPECT_TRUE(IsNotInteger(text)) << text;
}

TEST(KeyGenerator, DistinctNumbersFrom1000To9998DrawnAsByThePlainRule)
{
    for (const std::uint32_t seed : {0u, 86399999u, 0xFFFFFFFFu}) {
        RandomSource fast(seed), plain(seed);
        KeyTable table, reference;
        int rows = 0;
        GenerateKey(fast, table, [&](int row) { EXPECT_EQ(row, ++rows); });
        std::set<std::uint16_t> seen; // the plain rule: draw a number, and draw again while it is placed already
        for (auto& row : reference.rows)
            for (std::uint16_t& number : row)
                do number = static_cast<std::uint16_t>(plain.RandomBelow(kCodeChoices) + kLowestCode);
                while (!seen.insert(number).second);
        EXPECT_EQ((All{table.rows, fast.RandomState, rows}), (All{reference.rows, plain.RandomState, 226})) << seed;
        EXPECT_TRUE(*seen.begin() >= 1000 && *seen.rbegin() <= 9998) << seed;
    }
}

// The loader's bounded reads, on a generated key's file with one change each.
TEST(KeyFile, LoadingRules)
{
    KeyTable table;
    RandomSource random(1);
    GenerateKey(random, table);
    const std::string key = FormatKeyFile(table);
    const auto with = [&](std::size_t at, std::string_view s) { return std::string(key).replace(at, s.size(), s); };
    const auto uniform = [](std::string bytes, std::string_view number) { // the header, then every cell the same
        for (int i = 0; i < kKeyCells; ++i)
            bytes += number;
        return bytes;
    };
    const int last = std::stoi(key.substr(key.size() - 4));
    const struct {
        std::string bytes;
        bool ok;
        int width = 4, value = -1, cell = kKeyCells - 1; // the width (-1: none taken); a cell (-1: as written)
    } cases[] = {
        {key, true}, {key + "\r\n", true}, {key + "trailing junk", true},
        {with(0, "99x"), true}, // only the first two characters are tested, as an integer
        {with(0, "AB"), false, -1}, {"", false, -1}, {"0", false, -1}, {"01", false, -1}, {"011", false, -1},
        {"01\r\n4", false, -1}, {"011\x1a", false, -1},
        {"0114\r\n" + key.substr(4), false}, // a CR stops this read and every later one
        {key.substr(0, key.size() - 1), true, 4, last / 10}, // cut inside the last number
        {with(key.size() - 1, "\r"), true, 4, last / 10},
        {with(key.size() - 1, "\n"), false}, // a LF is part of a number
        {key.substr(0, key.size() - 4), false},
        {with(100, "\x1a"), false}, // Ctrl-Z ends the file
        {with(101, std::string(3, '\0')), true, 4, key[100] - '0', 24}, // a number ends at its first NUL
        {with(3, "3"), true, 3, std::stoi(key.substr(4 + 3 * (kKeyCells - 1), 3))}, // fragments of the numbers
        {with(3, "5"), false, 5}, {with(3, "0"), false, 0},
        // Each cell is an integer text (its every form is in IntegerText): one of each kind, and the low 16 bits.
        {uniform("0114", " 123"), true, 4, 123}, {uniform("0114", "$0FF"), true, 4, 255},
        {uniform("0114", "-123"), true, 4, 65413}, {uniform("0114", "1 23"), false}, {uniform("0114", "    "), false},
        {uniform("0117", "0070000"), true, 7, 4464},
        {uniform("0117", "9999999"), false, 7}, {uniform("0117", "9999998"), true, 7, 9999998 & 0xFFFF},
    };
    for (const auto& c : cases) {
        std::uint8_t width = 0xFF;
        table.cell(1, 1) = 77; // a header that fails leaves the table as it was
        const auto [ok, message] = ParseKeyFile(c.bytes, table, width);
        const std::string what = c.bytes.substr(0, 12) + "... of " + std::to_string(c.bytes.size());
        EXPECT_EQ((All{message, ok, width, c.width >= 0 || table.cell(1, 1) == 77}),
                  (All{c.ok ? "" : kKeyUnreadable, c.ok, std::uint8_t(c.width), true})) << what;
        const int cell = table.rows[c.cell / 35][c.cell % 35], expected = c.value < 0 ? last : c.value;
        EXPECT_EQ(c.ok ? cell : expected, expected) << what; // the cell is read only when the key loads
    }
    // A width character that is no digit fails the conversion, and the earlier key stays; a NUL is quoted as nothing.
    for (const char character : {'q', '\0'}) {
        table.cell(2, 2) = 5;
        std::uint8_t width = 3;
        std::string message = "no failure";
        try {
            ParseKeyFile(with(3, std::string(1, character)), table, width);
        } catch (const Failure& failure) {
            message = failure.what();
        }
        EXPECT_EQ((All{message, width, table.cell(2, 2)}),
                  (All{character ? "'q' is not a valid integer value" : "'' is not a valid integer value", 3, 5}));
    }
}
