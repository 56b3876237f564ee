// The decoder against the encoder: round trips over generated keys, the
// streaming of pieces, and every fault the decoder reports.
#include "core/decoder.h"
#include "core/encoder.h"
#include "core/key_generator.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>

namespace morvane {
namespace {

std::unique_ptr<KeyTable> GeneratedKey(std::uint32_t seed)
{
    auto table = std::make_unique<KeyTable>();
    RandomSource random(seed);
    GenerateKey(random, *table);
    return table;
}

// A key whose cell i holds start + i * step.
std::unique_ptr<KeyTable> SpacedKey(unsigned start, unsigned step)
{
    auto table = std::make_unique<KeyTable>();
    for (int i = 0; i < kKeyCells; ++i)
        table->rows[i / kKeyColumns][i % kKeyColumns] = static_cast<std::uint16_t>(start + i * step);
    return table;
}

std::string Encode(std::string_view text, const KeyTable& table, std::uint8_t width, std::uint32_t seed)
{
    const Encoder encoder(table, width);
    RandomSource random(seed);
    std::string code = encoder.Header();
    encoder.EncodeChunk(text, random, code);
    return code;
}

// What a round trip gives back: control characters other than CR and TAB
// are gone (LF included), and each CR is followed by LF unless raw.
std::string Expected(std::string_view text, LineBreaks lineBreaks)
{
    std::string out;
    for (const char c : text) {
        if (RowOf(static_cast<unsigned char>(c)) == 0)
            continue;
        out += c;
        if (c == '\r' && lineBreaks == LineBreaks::CrLf)
            out += '\n';
    }
    return out;
}

std::string Decoded(std::string_view code, const KeyTable& key, std::uint8_t width = 4,
                    LineBreaks lineBreaks = LineBreaks::CrLf)
{
    std::string text, message;
    EXPECT_TRUE(DecodeCode(code, key, width, lineBreaks, text, message)) << message;
    return text;
}

TEST(DecoderRoundTrip, RandomTextsOverAllBytesWholeAndInPieces)
{
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> pieceSize(1, 7);
    for (const std::uint32_t keySeed : {0u, 1u, 4242u, 0xDEADBEEFu}) {
        const auto key = GeneratedKey(keySeed);
        for (const std::size_t length : {1u, 2u, 49u, 50u, 1000u, 70000u}) {
            std::string text(length, '\0');
            for (char& c : text)
                c = static_cast<char>(byte(rng));
            const std::string code = Encode(text, *key, 4, keySeed + static_cast<std::uint32_t>(length));
            for (const LineBreaks lineBreaks : {LineBreaks::CrLf, LineBreaks::Cr}) {
                const std::string whole = Decoded(code, *key, 4, lineBreaks);
                EXPECT_EQ(whole, Expected(text, lineBreaks)) << "key " << keySeed << ", length " << length;

                Decoder decoder(*key, 4, lineBreaks);
                std::string pieces;
                for (std::string_view rest = code; !rest.empty();) {
                    const std::size_t n = std::min(rest.size(), pieceSize(rng));
                    ASSERT_TRUE(decoder.Feed(rest.substr(0, n), pieces)) << decoder.message();
                    rest.remove_prefix(n);
                }
                ASSERT_TRUE(decoder.Finish());
                EXPECT_EQ(pieces, whole);
                EXPECT_EQ(decoder.position(), code.size());
            }
        }
    }
}

TEST(DecoderRoundTrip, CrLfTextsWithTabsComeBackExactly)
{
    const auto key = GeneratedKey(7);
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> printable(32, 255), pick(0, 19);
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        const int choice = pick(rng);
        text += choice == 0 ? std::string("\r\n") : std::string(1, static_cast<char>(choice == 1 ? '\t' : printable(rng)));
    }
    text += "\r\n";
    EXPECT_EQ(Decoded(Encode(text, *key, 4, 1), *key), text);
    std::string withoutLf = text;
    std::erase(withoutLf, '\n');
    EXPECT_EQ(Decoded(Encode(text, *key, 4, 2), *key, 4, LineBreaks::Cr), withoutLf);
}

TEST(DecoderRoundTrip, KeysOfWidthsFourAndFiveEmptyCodesAndWrappedCodes)
{
    const std::string text = "Width test\r\n\twith all rows: \xff\x80\x7f ~";
    for (const auto& [width, start, step] : {std::tuple<std::uint8_t, unsigned, unsigned>{4, 1000, 1}, {5, 10000, 7},
                                             {5, 20000, 5}}) {
        const auto key = SpacedKey(start, step);
        EXPECT_EQ(Decoded(Encode(text, *key, width, 3), *key, width), Expected(text, LineBreaks::CrLf));
    }

    const auto key = GeneratedKey(3);
    EXPECT_EQ(Decoded("", *key), "");
    EXPECT_EQ(Decoded("0114", *key), "");
    // A code wrapped into lines, indented, with a line end: the same text.
    const std::string original = "The letter\r\nreads well.";
    const std::string code = Encode(original, *key, 4, 11);
    std::string wrapped = "  ";
    for (std::size_t i = 0; i < code.size(); i += 7)
        wrapped += code.substr(i, 7) + (i % 2 ? "\r\n" : " \t\n");
    EXPECT_EQ(Decoded(wrapped, *key), original);
}

TEST(DecoderFaults, EachFaultOfTheCodeHasItsMessage)
{
    const auto key = SpacedKey(1000, 1); // row r, column c holds 1000 + (r-1)*35 + c-1
    struct Case {
        std::string code, message, textBefore;
    };
    const Case cases[] = {
        {"1", CodeWithoutHeaderMessage(), ""},
        {"01", CodeWithoutHeaderMessage(), ""},
        {"0214", CodeWithoutHeaderMessage(), ""},
        {"011x1000", CodeWithoutHeaderMessage(), ""},
        {"01151000", WidthDiffersMessage(5, 4), ""},
        {"01131000", WidthDiffersMessage(3, 4), ""},
        {"0114100", IncompleteNumberMessage(3, 4), ""},
        {"0114100010", IncompleteNumberMessage(2, 4), " "},
        {"011410001035 8910", UnknownNumberMessage("8910", 14), " !"},
        {"01140999", UnknownNumberMessage("0999", 5), ""},
        {"0114100010x0", NotADigitMessage(11), " "},
        {"01141000-", NotADigitMessage(9), " "},
    };
    for (const Case& c : cases) {
        std::string text, message;
        EXPECT_FALSE(DecodeCode(c.code, *key, 4, LineBreaks::CrLf, text, message)) << c.code;
        EXPECT_EQ(message, c.message) << c.code;
        EXPECT_EQ(text, c.textBefore) << c.code;
    }
    EXPECT_EQ(UnknownNumberMessage("1234", 57),
              "The code holds 1234 at position 57, which is not a number of this key.");

    // A fault split across pieces is reported once, at its first digit.
    Decoder decoder(*key, 4);
    std::string text;
    for (const char* piece : {"01", "14100", "001"})
        EXPECT_TRUE(decoder.Feed(piece, text));
    EXPECT_FALSE(decoder.Feed("99", text)); // "0199" at positions 9 to 12
    EXPECT_FALSE(decoder.Feed("1000", text));
    EXPECT_FALSE(decoder.Finish());
    EXPECT_EQ(decoder.message(), UnknownNumberMessage("0199", 9));
    EXPECT_EQ(text, " ");
}

TEST(DecoderFaults, AnUnknownNumberOrStrayCharacterIsFoundWhereverItStands)
{
    // Numbers are taken two at a time where possible: a fault in either of a
    // pair, or in a single number near the end, stops at the right place.
    const auto key = SpacedKey(1000, 1);
    const std::string code = Encode(std::string(40, ' '), *key, 4, 5);
    for (std::size_t group = 0; group < 40; ++group) {
        const std::size_t at = 4 + 4 * group;
        for (const bool wholeNumber : {true, false}) {
            std::string bad = code, decoded, message;
            if (wholeNumber)
                bad.replace(at, 4, "0999");
            else
                bad[at + 2] = '/';
            EXPECT_FALSE(DecodeCode(bad, *key, 4, LineBreaks::CrLf, decoded, message));
            EXPECT_EQ(message, wholeNumber ? UnknownNumberMessage("0999", at + 1) : NotADigitMessage(at + 3));
            EXPECT_EQ(decoded, std::string(group, ' '));
        }
    }
}

TEST(DecoderFaults, KeysThatCannotDecode)
{
    auto key = GeneratedKey(5);
    const std::uint16_t first = key->cell(1, 1);
    key->cell(3, 4) = 999; // three digits in a key of width 4
    EXPECT_EQ(Decoder(*key, 4).message(), KeyNumberWidthMessage(999, 3, 4, 4));
    key->cell(3, 4) = first; // the same number in two cells
    EXPECT_EQ(Decoder(*key, 4).message(), KeyNumberTwiceMessage(first, 1, 1, 3, 4));
    // A width-3 key can hold only 900 distinct three-digit numbers.
    EXPECT_EQ(Decoder(*SpacedKey(100, 0), 3).message(), KeyNumberTwiceMessage(100, 1, 1, 1, 2));

    // Width digits that no cell can match: 0, and more than five digits.
    const auto spaced = SpacedKey(10000, 1);
    EXPECT_EQ(Decoder(*spaced, 0).message(), KeyNumberWidthMessage(10000, 1, 1, 0));
    Decoder refused(*spaced, 6);
    EXPECT_EQ(refused.message(), KeyNumberWidthMessage(10000, 1, 1, 6));
    std::string text;
    EXPECT_FALSE(refused.Feed("0116123456", text));
    EXPECT_FALSE(refused.Finish());
    EXPECT_EQ(text, "");
}

} // namespace
} // namespace morvane
