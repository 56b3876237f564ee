#include "core/encoder.h"
#include "core/key_generator.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

using namespace morvane;

namespace {

struct GeneratedKey {
    KeyTable table;
    std::map<int, int> rowOfNumber;
    GeneratedKey()
    {
        RandomSource random(11);
        GenerateKey(random, table);
        for (int row = 1; row <= kKeyRows; ++row)
            for (int column = 1; column <= kKeyColumns; ++column)
                rowOfNumber[table.cell(row, column)] = row;
    }
};

const GeneratedKey& Key()
{
    static const GeneratedKey key;
    return key;
}

class RecordingHook : public EncodeHook {
public:
    bool YieldDue(std::size_t walked) override
    {
        asked.push_back(walked);
        return asked.size() % dueEvery == 0;
    }
    bool Yield(std::size_t walked) override
    {
        yields.push_back(walked);
        return stopAfter == 0 || yields.size() < stopAfter;
    }
    std::vector<std::size_t> asked;
    std::vector<std::size_t> yields;
    std::size_t stopAfter = 0;
    std::size_t dueEvery = 1; // the questions answered yes: every one, every second, ...
};

std::string Encode(std::string_view text, RandomSource& random, EncodeHook* hook = nullptr)
{
    RecordingHook local;
    std::string code;
    EncodeText(text, Key().table, 4, random, hook ? *hook : local, code);
    return code;
}

std::string Encode(std::string_view text, std::uint32_t seed = 5, EncodeHook* hook = nullptr)
{
    RandomSource random(seed);
    return Encode(text, random, hook);
}

// The numbers of a text as the encoding rule states them: one draw per
// character that has a row, in the order of the text.
std::string CodeByTheRule(std::string_view text, const KeyTable& table, RandomSource& random)
{
    std::string code;
    for (const char c : text)
        if (const int row = RowOf(static_cast<unsigned char>(c)))
            code += std::to_string(table.cell(row, static_cast<int>(random.RandomBelow(kKeyColumns)) + 1));
    return code;
}

// The rows of a code made with the generated key, one per four-digit group.
std::vector<int> RowsOf(const std::string& code)
{
    std::vector<int> rows;
    EXPECT_EQ(code.substr(0, 4), "0114");
    EXPECT_EQ((code.size() - 4) % 4, 0u);
    for (std::size_t i = 4; i + 4 <= code.size(); i += 4) {
        const auto found = Key().rowOfNumber.find(std::stoi(code.substr(i, 4)));
        rows.push_back(found == Key().rowOfNumber.end() ? -1 : found->second);
    }
    return rows;
}

} // namespace

TEST(Encoder, EveryClassOfCharacterGoesToItsRow)
{
    EXPECT_EQ(Encode(""), "") << "an empty text gives no header";
    EXPECT_EQ(RowsOf(Encode("A")), std::vector<int>{34});
    const std::string text = std::string(" \x7f\x80\xff\r\n\t", 7) + std::string("\0\x01\x0b\x0c\x1a\x1f", 6);
    EXPECT_EQ(RowsOf(Encode(text)), (std::vector<int>{1, 96, 97, 224, 225, 226}));
    EXPECT_EQ(Encode("\n\n\n"), "0114") << "a text with no encodable character gives the header alone";

    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string code = Encode(all);
    EXPECT_EQ(code.size(), 4 + 4 * 226u) << "four digits per encodable character";
    const std::vector<int> rows = RowsOf(code);
    ASSERT_EQ(rows.size(), 226u);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], RowOf(static_cast<unsigned char>(i < 2 ? (i == 0 ? 9 : 13) : i + 30)));
}

// Every path, against the encoding rule itself: random texts of every byte
// value, 0 to three blocks long, whole and split so that blocks and groups of
// lanes meet elsewhere (the second piece continues the random sequence), with
// keys of several widths and one whose numbers are shorter than its width.
TEST(Encoder, EveryPathGivesTheCodeAndStateOfTheRule)
{
    std::mt19937 gen(12);
    auto keyOf = [&](std::uint32_t low, std::uint32_t high) {
        KeyTable table;
        for (KeyRow& row : table.rows)
            for (std::uint16_t& number : row)
                number = static_cast<std::uint16_t>(std::uniform_int_distribution<std::uint32_t>(low, high)(gen));
        return table;
    };
    const std::pair<KeyTable, std::uint8_t> keys[] = {
        {Key().table, 4}, {keyOf(0, 9), 1}, {keyOf(100, 999), 3}, {keyOf(10000, 65535), 5}, {keyOf(0, 9999), 4}};
    constexpr std::size_t kB = kEncodeBlock;
    const std::size_t lengths[] = {0, 1, 7, 8, 9, 16, 17, 63, 64, 65, kB - 1, kB, kB + 1, 2 * kB, 3 * kB + 99};
    for (const EncodePath path : SupportedEncodePaths()) {
        ForceEncodePath(path);
        for (const auto& [table, width] : keys) {
            const auto encoder = std::make_unique<Encoder>(table, width);
            for (const std::size_t length : lengths) {
                // Line feeds and other dropped characters from none to most.
                const int dropped = static_cast<int>(length % 5);
                std::string text(length, '\0');
                for (char& c : text)
                    c = static_cast<char>(gen() % 4 < static_cast<unsigned>(dropped) ? gen() % 32 : gen() % 256);
                const std::uint32_t seed = gen();
                RandomSource reference(seed);
                const std::string expected = CodeByTheRule(text, table, reference);
                const std::size_t splits[] = {0, 1, 63, length / 2, kB - 1, kB, kB + 1, 2 * kB};
                for (const std::size_t split : splits) {
                    if (split > length)
                        continue;
                    RandomSource random(seed);
                    std::string code;
                    encoder->EncodeChunk(std::string_view(text).substr(0, split), random, code);
                    encoder->EncodeChunk(std::string_view(text).substr(split), random, code);
                    ASSERT_EQ(code, expected) << EncodePathName(path) << " width " << int(width) << " length "
                                              << length << " split " << split;
                    ASSERT_EQ(random.RandomState, reference.RandomState) << EncodePathName(path);
                }
            }
        }
    }
    ForceEncodePath(std::nullopt);

    // A second run continues the sequence: a different code for the same rows.
    const std::string text = "Hello,\r\n\tworld\x01\n!";
    RandomSource random(42);
    const std::string first = Encode(text, random);
    const std::string again = Encode(text, random);
    EXPECT_NE(again, first);
    EXPECT_EQ(RowsOf(again), RowsOf(first));
}

TEST(Encoder, YieldsEveryFiftyCharactersAndStopsAfterAYield)
{
    RecordingHook hook;
    Encode(std::string(49, 'x'), 1, &hook);
    EXPECT_TRUE(hook.yields.empty());
    hook.yields.clear();
    Encode(std::string(50, 'x'), 1, &hook);
    EXPECT_EQ(hook.yields, std::vector<std::size_t>{50});
    hook.yields.clear();
    Encode(std::string(120, '\n'), 1, &hook);
    EXPECT_EQ(hook.yields, (std::vector<std::size_t>{50, 100})) << "dropped characters count too";

    RecordingHook stopper;
    stopper.stopAfter = 2;
    RandomSource random(1);
    std::string code;
    EXPECT_FALSE(EncodeText(std::string(500, 'y'), Key().table, 4, random, stopper, code));
    EXPECT_EQ(stopper.yields, (std::vector<std::size_t>{50, 100}));
    EXPECT_EQ(code.size(), 4 + 4 * 100u) << "the characters up to the yield are encoded";

    RecordingHook atEnd;
    atEnd.stopAfter = 1;
    EXPECT_FALSE(EncodeText(std::string(50, 'y'), Key().table, 4, random, atEnd, code))
        << "a stop at the yield after the last character still counts as a stop";

    // A hook that lets every third question through is asked 50 characters
    // after the start and after each yield, then twice as far each time; a
    // stop leaves the code and the random state of exactly the walked text.
    RecordingHook sparse;
    sparse.dueEvery = 3;
    sparse.stopAfter = 2;
    std::string text(3000, 'z');
    for (std::size_t i = 0; i < text.size(); i += 7)
        text[i] = '\n';
    RandomSource run(9);
    RandomSource reference(9);
    EXPECT_FALSE(EncodeText(text, Key().table, 4, run, sparse, code));
    EXPECT_EQ(sparse.asked, (std::vector<std::size_t>{50, 150, 350, 400, 500, 700}));
    EXPECT_EQ(sparse.yields, (std::vector<std::size_t>{350, 700}));
    EXPECT_EQ(code, "0114" + CodeByTheRule(std::string_view(text).substr(0, 700), Key().table, reference));
    EXPECT_EQ(run.RandomState, reference.RandomState);

    // One that never lets it through is still asked at least every 51,200
    // characters, and at the end.
    RecordingHook never;
    never.dueEvery = SIZE_MAX;
    EXPECT_TRUE(EncodeText(std::string(300000, 'y'), Key().table, 4, random, never, code));
    for (std::size_t i = 1; i < never.asked.size(); ++i)
        EXPECT_LE(never.asked[i] - never.asked[i - 1], 51200u);
    EXPECT_EQ(never.asked.back(), 300000u);
}

TEST(Encoder, NumbersAreWrittenUnpadded)
{
    KeyTable table;
    for (KeyRow& row : table.rows)
        row.fill(7);
    table.cell(34, 1) = 65535;
    RandomSource random(0);
    RecordingHook hook;
    std::string code;
    EncodeText("  ", table, 9, random, hook, code);
    EXPECT_EQ(code, "011977");
    EncodeText(std::string(200, 'A'), table, 9, random, hook, code);
    EXPECT_NE(code.find("65535"), std::string::npos);
}
