// The random source, integer texts, messages, keys and their files, text files and saved codes.
#include "core/descramble.h"
#include "core/encoder.h"
#include "core/failure.h"
#include "core/integer_text.h"
#include "core/key_generator.h"
#include "core/text_file.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <numeric>
#include <set>

using namespace morvane;
using namespace morvane::testing;
using namespace std::literals;
namespace fs = std::filesystem;

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
        EXPECT_TRUE(ParseIntegerText(text) == value && IsNotInteger(text) == !value) << '"' << text << '"';
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
        EXPECT_EQ(rows, 226);
        std::set<std::uint16_t> seen; // the plain rule: draw a number, and draw again while it is placed already
        for (auto& row : reference.rows)
            for (std::uint16_t& number : row)
                do number = static_cast<std::uint16_t>(plain.RandomBelow(kCodeChoices) + kLowestCode);
                while (!seen.insert(number).second);
        EXPECT_TRUE(table.rows == reference.rows && fast.RandomState == plain.RandomState) << seed;
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
        {uniform("0114", " 123"), true, 4, 123}, {uniform("0114", "+123"), true, 4, 123},
        {uniform("0114", "$0FF"), true, 4, 255}, {uniform("0114", "0123"), true, 4, 123},
        {uniform("0114", "-123"), true, 4, 65413}, // the low 16 bits
        {uniform("0114", "1 23"), false}, {uniform("0114", "12a3"), false}, {uniform("0114", "0x1F"), false},
        {uniform("0114", "    "), false}, {uniform("0117", "0070000"), true, 7, 4464},
        {uniform("0117", "9999999"), false, 7}, {uniform("0117", "9999998"), true, 7, 9999998 & 0xFFFF},
    };
    for (const auto& c : cases) {
        std::uint8_t width = 0xFF;
        table.cell(1, 1) = 77; // a header that fails leaves the table as it was
        const auto [ok, message] = ParseKeyFile(c.bytes, table, width);
        const std::string what = c.bytes.substr(0, 12) + "... of " + std::to_string(c.bytes.size());
        EXPECT_EQ(message, c.ok ? "" : kKeyUnreadable) << what;
        EXPECT_TRUE(ok == c.ok && width == std::uint8_t(c.width) && (c.width >= 0 || table.cell(1, 1) == 77)) << what;
        EXPECT_TRUE(!c.ok || table.rows[c.cell / 35][c.cell % 35] == (c.value < 0 ? last : c.value)) << what;
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
        EXPECT_EQ(message, character ? "'q' is not a valid integer value" : "'' is not a valid integer value");
        EXPECT_TRUE(width == 3 && table.cell(2, 2) == 5);
    }
}

// Keys and codes replace a file whole or not at all; texts are bytes up to the first Ctrl-Z.
TEST(Files, WrittenWholeOrNotAtAllAndReadUpToTheFirstCtrlZ)
{
    TempDir dir;
    KeyTable table, loaded;
    RandomSource random(3);
    GenerateKey(random, table);
    int rows = 0;
    ASSERT_TRUE(WriteKeyFile(dir / "new.key", table, [&](int) { ++rows; }).ok);
    EXPECT_EQ(rows, 226);
    for (const std::string& bad : {dir / "no/such/folder.key", dir.path()})
        EXPECT_EQ(WriteKeyFile(bad, table).message, kKeyCreateFailed) << bad;
    EXPECT_EQ(ReadBytes(dir / "new.key"), FormatKeyFile(table)) << "the old key stays whole";
    std::uint8_t width = 0;
    WriteBytes(dir / "wide.key", "0117" + std::string(kKeyCells * 7, '7')); // a file as long as a key file may be
    EXPECT_TRUE(LoadKeyFile(dir / "wide.key", loaded, width).ok && loaded.cell(226, 35) == 7777777 % 65536);
    for (const std::string& name : {dir / "", dir / "missing.key", ""s})
        EXPECT_EQ(LoadKeyFile(name, loaded, width).message, kKeyNotFound) << name;

    std::string all(256, '\0'), big(3 << 20, 'z'), text;
    std::iota(all.begin(), all.end(), '\0');
    all.erase(26, 1) += "\r\n\n"; // every byte but Ctrl-Z; no line end is translated
    const std::pair<std::string, std::string> cases[] = {
        {all, all}, {std::string("ab\x1a" "cd\x1a", 6), "ab"}, {"", ""}, {big + "\x1a" + "tail", big}, {big, big}};
    for (const auto& [bytes, read] : cases) {
        WriteBytes(dir / "t.txt", bytes);
        EXPECT_TRUE(ReadTextFile(dir / "t.txt", text) && text == read) << bytes.size();
    }
    EXPECT_LT(text.capacity(), big.size() + 64) << "a large file is held once, not twice";
    for (const std::string& name : {dir / "missing.txt", dir.path()})
        EXPECT_TRUE(!ReadTextFile(name, text = "old") && text.empty()) << name;

    // Codes are saved as they are.
    const std::string name = dir / "code.etx";
    std::string message;
    ASSERT_TRUE(SaveCode(name, "011412345678", message));
    EXPECT_EQ(ReadBytes(name), "011412345678") << "no line end";
    ASSERT_TRUE(SaveCode(name, "01149999", message));
    EXPECT_EQ(ReadBytes(name), "01149999");
    EXPECT_TRUE(SaveCode(dir / std::string(200, 'n'), "0114", message)) << "a long name";
    for (const std::string& bad : {dir / "missing/code.etx", dir.path()})
        EXPECT_TRUE(!SaveCode(bad, "0114", message) && message == kSaveFailed) << bad;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 5) << "no temporary file left";
}

// Links, pipes, devices, modes and a full disk, as POSIX systems have them.
TEST(Files, LinksPipesDevicesModesAndAFullDisk)
{
#ifdef _WIN32
    GTEST_SKIP() << "named pipes, devices, POSIX modes and file size limits: not on Windows";
#else
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink(dir / "fifo", dir / "fifo-link");
    KeyTable table, loaded;
    RandomSource random(3);
    GenerateKey(random, table);
    ASSERT_TRUE(WriteKeyFile(dir / "new.key", table).ok);
    EXPECT_EQ([&] { FileSizeLimit full(9); return WriteKeyFile(dir / "new.key", {}).message; }(), kKeyWriteFailed);
    EXPECT_EQ(ReadBytes(dir / "new.key"), FormatKeyFile(table)) << "the old key stays whole";
    std::uint8_t width = 0;
    fs::create_symlink(dir / "new.key", dir / "link.key");
    EXPECT_TRUE(LoadKeyFile(dir / "link.key", loaded, width).ok && loaded.rows == table.rows);
    for (const std::string& name : {dir / "fifo", "/dev/zero"s})
        EXPECT_EQ(LoadKeyFile(name, loaded, width).message, kKeyNotFound) << name;
    std::string text;
    for (const std::string& name : {"/dev/zero"s, dir / "fifo"}) // neither hangs
        EXPECT_TRUE(!ReadTextFile(name, text = "old") && text.empty()) << name;

    // Through a link into the file it leads to, which keeps its mode.
    const std::string name = dir / "code.etx";
    std::string message;
    ASSERT_TRUE(SaveCode(name, "011412345678", message));
    ::chmod(name.c_str(), 0640);
    fs::create_symlink(name, dir / "link.etx");
    ASSERT_TRUE(SaveCode(dir / "link.etx", "01149999", message));
    EXPECT_TRUE(ReadBytes(name) == "01149999" && fs::is_symlink(dir / "link.etx")) << "the link's file is replaced";
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0640)) << "a replaced file keeps its mode";
    EXPECT_TRUE(SaveCode(dir / std::string(255, 'n'), "0114", message)) << "a name as long as a name can be";
    // A pipe (or a device) is never renamed over, directly or through a link.
    for (const std::string& bad : {dir / "fifo", dir / "fifo-link"})
        EXPECT_TRUE(!SaveCode(bad, "0114", message) && message == kSaveFailed) << bad;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo") && fs::is_symlink(dir / "fifo-link"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 7) << "no temporary file left";
#endif
}
