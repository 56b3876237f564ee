#include "core/failure.h"
#include "core/key_generator.h"
#include "core/key_table.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace morvane;
using morvane::testing::TempDir;
using morvane::testing::WriteBytes;

namespace {

// A generated key's file bytes, from a fixed state.
std::string GeneratedKeyBytes(std::uint32_t seed = 1)
{
    RandomSource random(seed);
    KeyTable table;
    GenerateKey(random, table);
    return FormatKeyFile(table);
}

struct Loaded {
    KeyLoadResult result;
    KeyTable table;
    std::uint8_t width = 0;
};

Loaded Parse(std::string_view bytes)
{
    Loaded loaded;
    loaded.result = ParseKeyFile(bytes, loaded.table, loaded.width);
    return loaded;
}

// A file of width 4 whose numbers are all the given 4-character text.
std::string UniformKey(std::string_view number)
{
    std::string bytes = "0114";
    for (int i = 0; i < kKeyCells; ++i)
        bytes += number;
    return bytes;
}

} // namespace

TEST(RowMapping, EveryClassOfCharacter)
{
    EXPECT_EQ(RowOf(' '), 1);
    EXPECT_EQ(RowOf('A'), 34);
    EXPECT_EQ(RowOf(127), 96);
    EXPECT_EQ(RowOf(128), 97);
    EXPECT_EQ(RowOf(255), 224);
    EXPECT_EQ(RowOf('\r'), 225);
    EXPECT_EQ(RowOf('\t'), 226);
    for (int c : {0, 1, 8, 10, 11, 12, 14, 26, 31})
        EXPECT_EQ(RowOf(static_cast<unsigned char>(c)), 0) << c;
    for (int c = 0; c < 256; ++c) {
        if (const int row = RowOf(static_cast<unsigned char>(c))) {
            EXPECT_EQ(CharacterOfRow(row), c);
        }
    }
}

TEST(KeyFile, GeneratedKeyLoadsWithEveryCell)
{
    RandomSource random(7);
    KeyTable generated;
    GenerateKey(random, generated);
    const Loaded loaded = Parse(FormatKeyFile(generated));
    ASSERT_TRUE(loaded.result.ok);
    EXPECT_EQ(loaded.width, 4);
    EXPECT_EQ(loaded.table.rows, generated.rows);
}

TEST(KeyFile, HeaderRules)
{
    std::string bytes = GeneratedKeyBytes();
    bytes[0] = '9';
    bytes[1] = '9';
    bytes[2] = 'x';
    EXPECT_TRUE(Parse(bytes).result.ok) << "only the first two characters are tested, and only as an integer";

    bytes[0] = 'A';
    bytes[1] = 'B';
    Loaded loaded;
    loaded.table.cell(1, 1) = 77;
    loaded.result = ParseKeyFile(bytes, loaded.table, loaded.width);
    EXPECT_EQ(loaded.result.message, kKeyUnreadable);
    EXPECT_EQ(loaded.table.cell(1, 1), 77) << "nothing is read into the table";

    for (const std::string_view cut : {"", "0", "01", "011", "01\r\n4", "011\x1a"}) {
        EXPECT_EQ(Parse(cut).result.message, kKeyUnreadable) << "header cut short: " << cut;
    }
}

TEST(KeyFile, WidthCharacterThatIsNoDigitIsAConversionFailure)
{
    std::string bytes = GeneratedKeyBytes();
    bytes[3] = 'q';
    KeyTable table;
    table.cell(2, 2) = 5;
    std::uint8_t width = 3;
    try {
        ParseKeyFile(bytes, table, width);
        FAIL() << "no failure raised";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "'q' is not a valid integer value");
    }
    EXPECT_EQ(width, 3) << "the earlier width stays";
    EXPECT_EQ(table.cell(2, 2), 5) << "the earlier table stays";

    bytes[3] = '\0';
    try {
        ParseKeyFile(bytes, table, width);
        FAIL() << "no failure raised";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "'' is not a valid integer value") << "a NUL must not cut the message short";
    }
}

TEST(KeyFile, LineEndsAndEndOfFile)
{
    const std::string key = GeneratedKeyBytes();
    EXPECT_EQ(Parse("0114\r\n" + key.substr(4)).result.message, kKeyUnreadable)
        << "a CR after the header stops every later read";
    EXPECT_TRUE(Parse(key + "\r\n").result.ok) << "a line end after the last number does no harm";
    EXPECT_TRUE(Parse(key + "trailing junk").result.ok) << "nothing after the 7910th number is read";

    const Loaded oneShort = Parse(key.substr(0, key.size() - 1));
    ASSERT_TRUE(oneShort.result.ok) << "a cut inside the very last number still loads";
    EXPECT_EQ(oneShort.table.cell(226, 35), std::stoi(key.substr(key.size() - 4, 3)));
    EXPECT_EQ(Parse(key.substr(0, key.size() - 4)).result.message, kKeyUnreadable);

    std::string withCtrlZ = key;
    withCtrlZ[100] = '\x1a';
    EXPECT_EQ(Parse(withCtrlZ).result.message, kKeyUnreadable) << "Ctrl-Z ends the file";
    std::string withLf = key;
    withLf[100] = '\n';
    EXPECT_EQ(Parse(withLf).result.message, kKeyUnreadable) << "a LF becomes part of a number";
    std::string withNul = key;
    withNul[101] = '\0';
    withNul[102] = '\0';
    withNul[103] = '\0';
    const Loaded nul = Parse(withNul);
    ASSERT_TRUE(nul.result.ok) << "a number text ends at its first NUL";
    EXPECT_EQ(nul.table.cell(1, 25), key[100] - '0');
}

TEST(KeyFile, WidthsOtherThanTheData)
{
    std::string key = GeneratedKeyBytes();
    key[3] = '3';
    const Loaded narrow = Parse(key);
    ASSERT_TRUE(narrow.result.ok) << "a smaller width takes fragments of the real numbers";
    EXPECT_EQ(narrow.width, 3);
    EXPECT_EQ(narrow.table.cell(1, 1), std::stoi(key.substr(4, 3)));

    key[3] = '5';
    EXPECT_EQ(Parse(key).result.message, kKeyUnreadable) << "the data runs out with a larger width";
    key[3] = '0';
    const Loaded zero = Parse(key);
    EXPECT_EQ(zero.result.message, kKeyUnreadable);
    EXPECT_EQ(zero.width, 0) << "the width is taken before the numbers fail";
}

TEST(KeyFile, NumberTextForms)
{
    EXPECT_EQ(Parse(UniformKey(" 123")).table.cell(5, 5), 123);
    EXPECT_EQ(Parse(UniformKey("+123")).table.cell(5, 5), 123);
    EXPECT_EQ(Parse(UniformKey("$0FF")).table.cell(5, 5), 255);
    EXPECT_EQ(Parse(UniformKey("0123")).table.cell(5, 5), 123);
    EXPECT_EQ(Parse(UniformKey("-123")).table.cell(226, 35), 65413) << "the low 16 bits are stored";
    for (const std::string_view bad : {"1 23", "12a3", "0x1F", "    "})
        EXPECT_EQ(Parse(UniformKey(bad)).result.message, kKeyUnreadable) << bad;

    std::string wide = "0117";
    for (int i = 0; i < kKeyCells; ++i)
        wide += "0070000";
    EXPECT_EQ(Parse(wide).table.cell(3, 3), 4464) << "70000 is stored as 4464";
    wide.replace(4 + 7 * 100, 7, "9999999");
    EXPECT_EQ(Parse(wide).result.message, kKeyUnreadable) << "seven nines read as no integer";
    wide.replace(4 + 7 * 100, 7, "9999998");
    EXPECT_TRUE(Parse(wide).result.ok);
}

TEST(KeyFile, FileNamesThatAreNoKeyFile)
{
    TempDir dir;
    KeyTable table;
    std::uint8_t width = 0;
    EXPECT_EQ(LoadKeyFile("", table, width).message, kKeyNotFound);
    EXPECT_EQ(LoadKeyFile(dir.file("missing.key"), table, width).message, kKeyNotFound);
    EXPECT_EQ(LoadKeyFile(dir.path(), table, width).message, kKeyNotFound) << "a folder";
    const std::string fifo = dir.file("pipe.key");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadKeyFile(fifo, table, width).message, kKeyNotFound) << "a pipe must not hang";
    EXPECT_EQ(LoadKeyFile("/dev/zero", table, width).message, kKeyNotFound) << "a device";

    const std::string good = dir.file("good.key");
    WriteBytes(good, GeneratedKeyBytes());
    EXPECT_TRUE(LoadKeyFile(good, table, width).ok);
    const std::string link = dir.file("link.key");
    std::filesystem::create_symlink(good, link);
    EXPECT_TRUE(LoadKeyFile(link, table, width).ok) << "links are followed";
}
