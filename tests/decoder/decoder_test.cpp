// The decoder against the encoder: round trips over generated keys, the
// streaming of pieces, and every fault the decoder reports.
#include "core/decoder.h"
#include "core/encoder.h"
#include "core/key_generator.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace morvane {
namespace {

std::unique_ptr<KeyTable> GeneratedKey(std::uint32_t seed)
{
    auto table = std::make_unique<KeyTable>();
    RandomSource random(seed);
    GenerateKey(random, *table);
    return table;
}

// A key of the given width whose numbers are distinct: start + cell index * step.
std::unique_ptr<KeyTable> SpacedKey(unsigned start, unsigned step)
{
    auto table = std::make_unique<KeyTable>();
    for (int i = 0; i < kKeyCells; ++i)
        table->rows[i / kKeyColumns][i % kKeyColumns] = static_cast<std::uint16_t>(start + i * step);
    return table;
}

std::string Encode(std::string_view text, const KeyTable& table, std::uint8_t width, std::uint32_t seed)
{
    if (text.empty())
        return {};
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

std::string RandomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text)
        c = static_cast<char>(byte(rng));
    return text;
}

// Decodes the code in pieces of random sizes (1 to maxPiece characters).
bool DecodeInPieces(std::string_view code, Decoder& decoder, std::mt19937& rng, std::size_t maxPiece,
                    std::string& text)
{
    std::uniform_int_distribution<std::size_t> size(1, maxPiece);
    while (!code.empty()) {
        const std::size_t n = std::min(code.size(), size(rng));
        if (!decoder.Feed(code.substr(0, n), text))
            return false;
        code.remove_prefix(n);
    }
    return decoder.Finish();
}

TEST(DecoderRoundTrip, RandomTextsOverAllBytesWithGeneratedKeys)
{
    std::mt19937 rng(20261206);
    for (const std::uint32_t keySeed : {0u, 1u, 4242u, 0xDEADBEEFu}) {
        const auto key = GeneratedKey(keySeed);
        for (const std::size_t length : {1u, 2u, 49u, 50u, 1000u, 70000u}) {
            const std::string text = RandomBytes(rng, length);
            const std::string code = Encode(text, *key, 4, keySeed + static_cast<std::uint32_t>(length));
            for (const LineBreaks lineBreaks : {LineBreaks::CrLf, LineBreaks::Cr}) {
                std::string whole, message;
                ASSERT_TRUE(DecodeCode(code, *key, 4, lineBreaks, whole, message)) << message;
                EXPECT_EQ(whole, Expected(text, lineBreaks)) << "key " << keySeed << ", length " << length;

                Decoder decoder(*key, 4, lineBreaks);
                std::string pieces;
                ASSERT_TRUE(DecodeInPieces(code, decoder, rng, 7, pieces)) << decoder.message();
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
    std::uniform_int_distribution<int> printable(32, 255);
    std::uniform_int_distribution<int> pick(0, 19);
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        const int choice = pick(rng);
        if (choice == 0)
            text += "\r\n";
        else if (choice == 1)
            text += '\t';
        else
            text += static_cast<char>(printable(rng));
    }
    text += "\r\n";
    std::string decoded, message;
    ASSERT_TRUE(DecodeCode(Encode(text, *key, 4, 1), *key, 4, LineBreaks::CrLf, decoded, message)) << message;
    EXPECT_EQ(decoded, text);

    ASSERT_TRUE(DecodeCode(Encode(text, *key, 4, 2), *key, 4, LineBreaks::Cr, decoded, message)) << message;
    std::string withoutLf = text;
    std::erase(withoutLf, '\n');
    EXPECT_EQ(decoded, withoutLf);
}

TEST(DecoderRoundTrip, KeysOfWidthsFourAndFive)
{
    const std::string text = "Width test\r\n\twith all rows: \xff\x80\x7f ~";
    struct Case {
        std::uint8_t width;
        unsigned start, step;
    };
    for (const Case c : {Case{4, 1000, 1}, Case{5, 10000, 7}, Case{5, 20000, 5}}) {
        const auto key = SpacedKey(c.start, c.step);
        std::string decoded, message;
        ASSERT_TRUE(DecodeCode(Encode(text, *key, c.width, 3), *key, c.width, LineBreaks::CrLf, decoded, message))
            << message;
        EXPECT_EQ(decoded, Expected(text, LineBreaks::CrLf));
    }
    // A width-3 key can hold only 900 distinct three-digit numbers.
    const auto narrow = SpacedKey(100, 0);
    Decoder decoder(*narrow, 3);
    EXPECT_EQ(decoder.message(), KeyNumberTwiceMessage(100, 1, 1, 1, 2));
}

TEST(DecoderStreaming, EmptyCodesAndWhitespace)
{
    const auto key = GeneratedKey(3);
    std::string text, message;
    EXPECT_TRUE(DecodeCode("", *key, 4, LineBreaks::CrLf, text, message));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(DecodeCode("0114", *key, 4, LineBreaks::CrLf, text, message));
    EXPECT_EQ(text, "");

    // A code wrapped into lines, indented, with a line end: the same text.
    const std::string original = "The letter\r\nreads well.";
    const std::string code = Encode(original, *key, 4, 11);
    std::string wrapped = "  ";
    for (std::size_t i = 0; i < code.size(); i += 7)
        wrapped += code.substr(i, 7) + (i % 2 ? "\r\n" : " \t\n");
    ASSERT_TRUE(DecodeCode(wrapped, *key, 4, LineBreaks::CrLf, text, message)) << message;
    EXPECT_EQ(text, original);
}

TEST(DecoderFaults, EachFaultOfTheCodeHasItsMessage)
{
    const auto key = SpacedKey(1000, 1); // row r, column c holds 1000 + (r-1)*35 + c-1
    struct Case {
        std::string code;
        std::string message;
        std::string textBefore;
    };
    const Case cases[] = {
        {"1", CodeWithoutHeaderMessage(), ""},
        {"01", CodeWithoutHeaderMessage(), ""},
        {"0214", CodeWithoutHeaderMessage(), ""},
        {"011x1000", CodeWithoutHeaderMessage(), ""},
        {"abc", CodeWithoutHeaderMessage(), ""},
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
}

TEST(DecoderFaults, AFaultSplitAcrossPiecesIsReportedOnceWithItsPosition)
{
    const auto key = SpacedKey(1000, 1);
    Decoder decoder(*key, 4);
    std::string text;
    EXPECT_TRUE(decoder.Feed("01", text));
    EXPECT_TRUE(decoder.Feed("14100", text));
    EXPECT_TRUE(decoder.Feed("001", text));
    EXPECT_EQ(text, " ");
    EXPECT_FALSE(decoder.Feed("99", text)); // "0199" at positions 9 to 12
    EXPECT_EQ(decoder.message(), UnknownNumberMessage("0199", 9));
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
    const std::string text(40, ' ');
    const std::string code = Encode(text, *key, 4, 5);
    for (std::size_t group = 0; group < text.size(); ++group) {
        const std::size_t at = 4 + 4 * group;
        std::string bad = code;
        bad.replace(at, 4, "0999");
        std::string decoded, message;
        EXPECT_FALSE(DecodeCode(bad, *key, 4, LineBreaks::CrLf, decoded, message));
        EXPECT_EQ(message, UnknownNumberMessage("0999", at + 1));
        EXPECT_EQ(decoded, std::string(group, ' '));

        bad = code;
        bad[at + 2] = '/';
        EXPECT_FALSE(DecodeCode(bad, *key, 4, LineBreaks::CrLf, decoded, message));
        EXPECT_EQ(message, NotADigitMessage(at + 3));
        EXPECT_EQ(decoded, std::string(group, ' '));
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

    // Width digits that no cell can match: 0, and more than five digits.
    const auto spaced = SpacedKey(10000, 1);
    EXPECT_EQ(Decoder(*spaced, 0).message(), KeyNumberWidthMessage(10000, 1, 1, 0));
    EXPECT_EQ(Decoder(*spaced, 6).message(), KeyNumberWidthMessage(10000, 1, 1, 6));

    Decoder refused(*spaced, 6);
    std::string text;
    EXPECT_FALSE(refused.Feed("0116123456", text));
    EXPECT_FALSE(refused.Finish());
    EXPECT_EQ(text, "");
}

} // namespace
} // namespace morvane
