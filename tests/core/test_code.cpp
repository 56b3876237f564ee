// Codes: the encoding run on every path against the rule, the decoder against the encoder.
#include "core/decoder.h"
#include "core/encoder.h"
#include "core/key_generator.h"

#include <algorithm>
#include "support/all.h"

#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <random>

using namespace morvane;

namespace {

std::unique_ptr<KeyTable> MakeKey(const std::function<std::uint16_t(int cell)>& number)
{
    auto table = std::make_unique<KeyTable>();
    for (int i = 0; i < kKeyCells; ++i)
        table->rows[i / kKeyColumns][i % kKeyColumns] = number(i);
    return table;
}

std::unique_ptr<KeyTable> GeneratedKey(std::uint32_t seed)
{
    auto table = std::make_unique<KeyTable>();
    RandomSource random(seed);
    return GenerateKey(random, *table), std::move(table);
}

// The numbers of a text by the encoding rule itself: one draw per character that has a row, in the order of the text.
std::string CodeByTheRule(std::string_view text, const KeyTable& table, RandomSource& random)
{
    std::string code;
    for (const char c : text)
        if (const int row = RowOf(static_cast<unsigned char>(c)))
            code += std::to_string(table.cell(row, static_cast<int>(random.RandomBelow(kKeyColumns)) + 1));
    return code;
}

// Says yes to every dueEvery-th question of the run, and stops it at the stopAfter-th yield.
struct RecordingHook : EncodeHook {
    bool YieldDue(std::size_t walked) override { return asked.push_back(walked), asked.size() % dueEvery == 0; }
    bool Yield(std::size_t walked) override { return yields.push_back(walked), yields.size() != stopAfter; }
    std::vector<std::size_t> asked, yields;
    std::size_t dueEvery = 1, stopAfter = 0;
};

std::string Encode(std::string_view text, const KeyTable& table, std::uint32_t seed, std::uint8_t width = 4)
{
    RecordingHook hook;
    RandomSource random(seed);
    std::string code = "old";
    EncodeText(text, table, width, random, hook, code);
    return code;
}

// Each encoder test runs on every path this processor runs; the path is let go after the test, whatever happened in it.
class EncodePaths : public testing::TestWithParam<EncodePath> {
protected:
    void SetUp() override { ASSERT_TRUE(ForceEncodePath(GetParam())); }
    void TearDown() override { ASSERT_TRUE(ForceEncodePath(std::nullopt)); }
};
INSTANTIATE_TEST_SUITE_P(Encoder, EncodePaths, testing::ValuesIn(SupportedEncodePaths()),
                         [](const auto& info) { return std::string(EncodePathName(info.param)); });

} // namespace

// A path is forced only where it runs; a refusal leaves the choice as it was.
TEST(Encoder, OnlyASupportedPathCanBeForced)
{
    const std::vector<EncodePath> supported = SupportedEncodePaths();
    const CodeCells cells(*GeneratedKey(1), 4);
    EXPECT_EQ(ChosenEncodePath(cells), supported.back());
    for (const EncodePath path : {EncodePath::Plain, EncodePath::Portable, EncodePath::Avx2, EncodePath::Avx512}) {
        const bool runs = std::ranges::count(supported, path) == 1;
        EXPECT_EQ(ForceEncodePath(path), runs) << EncodePathName(path);
        EXPECT_EQ(ChosenEncodePath(cells), runs ? path : supported.back()) << EncodePathName(path);
        ASSERT_TRUE(ForceEncodePath(std::nullopt));
    }
}

TEST_P(EncodePaths, EveryCharacterGoesToItsRowInTheCodeFormat)
{
    const auto key = MakeKey([](int i) { return 1000 + i; }); // row r holds 1000 + 35 (r - 1) to 1034 + 35 (r - 1)
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    const std::string code = Encode(all, *key, 5);
    ASSERT_EQ(code.substr(0, 4), "0114");
    std::vector<int> rows, expected(226); // TAB, CR, then the bytes 32 to 255: four digits for each
    std::iota(expected.begin(), expected.end(), -1);
    expected[0] = 226, expected[1] = 225;
    for (std::size_t i = 4; i < code.size(); i += 4)
        rows.push_back((std::stoi(code.substr(i, 4)) - 1000) / kKeyColumns + 1);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(Encode("", *key, 5), "") << "an empty text gives no header";
    EXPECT_EQ(Encode("\n\n\x1a\x01", *key, 5), "0114") << "no character with a row: the header alone";
    EXPECT_EQ(Encode("  ", *MakeKey([](int) { return 7; }), 0, 9), "011977") << "unpadded, whatever the width digit";
}

// Every path against the rule: random texts of every byte, 0 to 3 blocks long, whole and split so that blocks and lanes
// meet elsewhere, with keys of several widths and keys whose numbers are shorter or longer than their width.
TEST_P(EncodePaths, GiveTheCodeAndStateOfTheRule)
{
    std::mt19937 gen(12);
    auto keyOf = [&](std::uint32_t low, std::uint32_t high) {
        return MakeKey([&](int cell) { // 'A' (row 34) has the shortest and the longest number
            return static_cast<std::uint16_t>(cell / kKeyColumns == 33 ? (cell % 2 ? low : high)
                                                                       : low + gen() % (high - low + 1));
        });
    };
    const std::pair<std::unique_ptr<KeyTable>, std::uint8_t> keys[] = {{GeneratedKey(11), 4}, {keyOf(0, 9), 1},
        {keyOf(100, 999), 3}, {keyOf(10000, 65535), 5}, {keyOf(0, 9999), 4}, {keyOf(1000, 10000), 4}};
    constexpr std::size_t kB = kEncodeBlock;
    using Sizes = std::initializer_list<std::size_t>;
    for (const auto& [table, width] : keys) {
        const auto encoder = std::make_unique<Encoder>(*table, width);
        for (const auto length : Sizes{0, 1, 7, 8, 9, 16, 17, 63, 64, 65, kB - 1, kB, kB + 1, 2 * kB, 3 * kB + 99}) {
            std::string text(length, 'A'); // line feeds and other dropped characters from none to most
            for (std::size_t i = 1; i < length; ++i)
                text[i] = static_cast<char>(gen() % 4 < length % 5 ? gen() % 32 : gen() % 256);
            const std::uint32_t seed = gen();
            RandomSource reference(seed);
            const std::string expected = CodeByTheRule(text, *table, reference);
            for (const std::size_t split : Sizes{0, 1, 63, length / 2, kB - 1, kB, kB + 1, 2 * kB}) {
                RandomSource random(seed);
                std::string code;
                encoder->EncodeChunk(std::string_view(text).substr(0, std::min(split, length)), random, code);
                encoder->EncodeChunk(std::string_view(text).substr(std::min(split, length)), random, code);
                const std::string where = "width " + std::to_string(width) + " length " + std::to_string(length) +
                                          " split " + std::to_string(split);
                ASSERT_EQ((All{code, random.RandomState}), (All{expected, reference.RandomState})) << where;
            }
        }
    }
}

// The run offers control every 50 characters walked (dropped ones count); after a no it asks twice as far on, at most
// 51,200 characters on. A stop leaves the code and the random state of exactly the walked text.
TEST_P(EncodePaths, RunOffersControlEveryFiftyCharactersAndStopsAfterAYield)
{
    const auto key = GeneratedKey(11);
    const struct {
        std::size_t length, dueEvery, stopAfter;
        std::vector<std::size_t> asked, yields;
    } cases[] = {
        {49, 1, 0, {}, {}}, {120, 1, 0, {50, 100}, {50, 100}}, {500, 1, 2, {50, 100}, {50, 100}},
        {50, 1, 1, {50}, {50}}, // a stop at the yield after the last character is still a stop
        {3000, 3, 2, {50, 150, 350, 400, 500, 700}, {350, 700}},
        {300000, SIZE_MAX, 0, {50, 150, 350, 750, 1550, 3150, 6350, 12750, 25550, 51150, 102350, 153550, 204750, 255950,
         300000}, {}}, // never a yes: at most 51,200 characters apart, and asked at the end too
    };
    for (const auto& c : cases) {
        std::string text(c.length, 'z');
        for (std::size_t i = 0; i < text.size(); i += 7)
            text[i] = '\n';
        RecordingHook hook;
        hook.dueEvery = c.dueEvery, hook.stopAfter = c.stopAfter;
        RandomSource run(9), reference(9);
        std::string code;
        const bool stopped = c.stopAfter > 0 && c.yields.size() == c.stopAfter;
        EXPECT_EQ(EncodeText(text, *key, 4, run, hook, code), !stopped) << c.length;
        const std::size_t walked = stopped ? c.yields.back() : c.length;
        EXPECT_EQ(code, "0114" + CodeByTheRule(std::string_view(text).substr(0, walked), *key, reference)) << c.length;
        EXPECT_EQ((All{run.RandomState, hook.yields, hook.asked}), (All{reference.RandomState, c.yields, c.asked}))
            << c.length;
    }
}

// Control characters but CR and TAB are gone (LF too); each CR comes back as CR LF, or alone when raw. Whole codes,
// codes fed in pieces of 1 to 7 characters and codes wrapped into indented lines give the same.
TEST(Decoder, RoundTripsOverEveryByteWidthAndLineBreak)
{
    std::mt19937 rng(20261206);
    const auto check = [&](const std::string& text, const KeyTable& key, std::uint8_t width) {
        const std::string code = Encode(text, key, static_cast<std::uint32_t>(rng()), width);
        std::string wrapped = "  ";
        for (std::size_t i = 0; i < code.size(); i += 7)
            wrapped += code.substr(i, 7) + (i % 2 ? "\r\n" : " \t\n");
        for (const LineBreaks lineBreaks : {LineBreaks::CrLf, LineBreaks::Cr}) {
            std::string expected, whole, message, pieces;
            for (const char c : text)
                if (RowOf(static_cast<unsigned char>(c)) != 0)
                    expected += c == '\r' && lineBreaks == LineBreaks::CrLf ? "\r\n" : std::string(1, c);
            EXPECT_EQ((All{DecodeCode(code, key, width, lineBreaks, whole, message), whole}), (All{true, expected}))
                << message << " width " << int(width) << ", length " << text.size();
            Decoder decoder(key, width, lineBreaks);
            for (std::string_view rest = wrapped; !rest.empty();) {
                const std::size_t n = std::min<std::size_t>(rest.size(), 1 + rng() % 7);
                ASSERT_TRUE(decoder.Feed(rest.substr(0, n), pieces)) << decoder.message();
                rest.remove_prefix(n);
            }
            EXPECT_EQ((All{decoder.Finish(), pieces, decoder.position()}), (All{true, whole, wrapped.size()}));
        }
    };
    for (const std::uint32_t keySeed : {0u, 4242u, 0xDEADBEEFu})
        for (const std::size_t length : {0u, 1u, 2u, 49u, 50u, 1000u, 70000u}) {
            std::string text(length, '\0');
            std::ranges::generate(text, [&] { return static_cast<char>(rng()); });
            check(text, *GeneratedKey(keySeed), 4);
        }
    const std::string text = "Width test\r\n\twith all rows: \xff\x80\x7f ~ ";
    check(text, *MakeKey([](int i) { return 1000 + i; }), 4);
    check(text, *MakeKey([](int i) { return 10000 + 7 * i; }), 5);
    check("\n\x01", *GeneratedKey(3), 4); // the header alone
}

TEST(Decoder, EachFaultOfCodeOrKeyHasItsMessageAtItsPlace)
{
    const auto key = MakeKey([](int i) { return 1000 + i; }); // row r, column c: 1000 + (r-1)*35 + c-1
    std::vector<std::tuple<std::string, std::string, std::string>> cases = { // code, message, text before it
        {"1", CodeWithoutHeaderMessage(), ""}, {"01", "The code does not begin with \"011\" and a width digit.", ""},
        {"0214", CodeWithoutHeaderMessage(), ""}, {"011x1000", CodeWithoutHeaderMessage(), ""},
        {"01151000", "The code's numbers have 5 digits, but the key's numbers have 4.", ""},
        {"01131000", WidthDiffersMessage(3, 4), ""}, {"0114100010", IncompleteNumberMessage(2, 4), " "},
        {"0114100", "The code is cut short: its last number has 3 of 4 digits.", ""},
        {"011410001035 8910", "The code holds 8910 at position 14, which is not a number of this key.", " !"},
        {"01140999", UnknownNumberMessage("0999", 5), ""}, {"01141000-", NotADigitMessage(9), " "},
        {"0114100010x0", "The code holds a character that is not a digit at position 11.", " "},
    };
    // Numbers are taken two at a time where possible: a fault in either of a pair, or near the end, stops in its place.
    const std::string code = Encode(std::string(40, ' '), *key, 5);
    for (std::size_t at = 4; at < code.size(); at += 4) {
        const std::string before(at / 4 - 1, ' ');
        cases.emplace_back(std::string(code).replace(at, 4, "0999"), UnknownNumberMessage("0999", at + 1), before);
        cases.emplace_back(std::string(code).replace(at + 2, 1, "/"), NotADigitMessage(at + 3), before);
    }
    for (const auto& [bad, message, textBefore] : cases) {
        std::string text, got;
        EXPECT_FALSE(DecodeCode(bad, *key, 4, LineBreaks::CrLf, text, got)) << bad;
        EXPECT_EQ((All{got, text}), (All{message, textBefore})) << bad << ": " << got;
    }
    // A fault split across pieces is reported once, at its first digit.
    Decoder decoder(*key, 4);
    std::string text;
    for (const char* piece : {"01", "14100", "001"})
        EXPECT_TRUE(decoder.Feed(piece, text));
    EXPECT_FALSE(decoder.Feed("99", text)); // "0199" at positions 9 to 12
    EXPECT_FALSE(decoder.Feed("1000", text) || decoder.Finish());
    EXPECT_EQ((All{decoder.message(), text}), (All{UnknownNumberMessage("0199", 9), " "})) << decoder.message();

    // Keys that cannot decode: a number without the width's digits, one in two cells; widths no cell has (0, above 5).
    key->cell(3, 4) = 999;
    EXPECT_EQ(Decoder(*key, 4).message(),
              "The key holds 999 in row 3, column 4, which does not have the 4 digits that the key's width asks for.");
    key->cell(3, 4) = 1000;
    EXPECT_EQ(Decoder(*key, 4).message(), "The key holds 1000 twice, in row 1, column 1 and in row 3, column 4.");
    const auto wide = MakeKey([](int i) { return 10000 + i; });
    EXPECT_EQ(Decoder(*wide, 0).message(), KeyNumberWidthMessage(10000, 1, 1, 0));
    Decoder refused(*wide, 6);
    EXPECT_EQ(refused.message(), KeyNumberWidthMessage(10000, 1, 1, 6));
    EXPECT_FALSE(refused.Feed("0116123456", text) || refused.Finish());
}
