#include "core/descramble.h"
#include "core/failure.h"
#include "core/integer_text.h"
#include "core/random.h"

#include <gtest/gtest.h>

using namespace morvane;

TEST(RandomSource, KnownSequenceFromStateZero)
{
    RandomSource random(0);
    EXPECT_EQ(random.RandomBelow(8999), 0u);
    EXPECT_EQ(random.RandomBelow(8999), 282u);
    EXPECT_EQ(random.RandomBelow(8999), 7748u);
    EXPECT_EQ(random.RandomBelow(8999), 1823u);
    // The state advances by the linear congruence before every draw.
    RandomSource other(0);
    other.RandomBelow(35);
    EXPECT_EQ(other.RandomState, 1u);
    other.RandomBelow(35);
    EXPECT_EQ(other.RandomState, 134775814u);
}

TEST(RandomSource, SeedIsMillisecondsSinceMidnightUtc)
{
    using namespace std::chrono;
    const sys_days day = year(2026) / 12 / 6;
    const auto when = day + hours(13) + minutes(5) + seconds(7) + milliseconds(250);
    RandomSource random;
    SeedRandom(random, when);
    EXPECT_EQ(random.RandomState, ((13u * 60 + 5) * 60 + 7) * 1000 + 250);
    EXPECT_EQ(MillisecondsSinceMidnightUtc(day), 0u);
    EXPECT_EQ(MillisecondsSinceMidnightUtc(day - milliseconds(1)), 86399999u);
}

TEST(IntegerText, AcceptedForms)
{
    EXPECT_EQ(ParseIntegerText("0"), 0);
    EXPECT_EQ(ParseIntegerText("   42"), 42);
    EXPECT_EQ(ParseIntegerText("+123"), 123);
    EXPECT_EQ(ParseIntegerText("-123"), -123);
    EXPECT_EQ(ParseIntegerText("0099"), 99);
    EXPECT_EQ(ParseIntegerText("$0FF"), 255);
    EXPECT_EQ(ParseIntegerText("$7b"), 123);
    EXPECT_EQ(ParseIntegerText("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseIntegerText("$80000000"), INT32_MIN);
    EXPECT_EQ(ParseIntegerText("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseIntegerText("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntegerText(std::string_view("12\0xyz", 6)), 12) << "the text ends at its first NUL";
}

TEST(IntegerText, RejectedForms)
{
    for (const std::string_view text :
         {"", "   ", "+", "-", "$", "+$10", "-$10", "12 ", "1 2", "12a", "0x10", "\t12", "2147483648",
          "-2147483649", "$100000000", " - 5", "$G"}) {
        EXPECT_FALSE(ParseIntegerText(text).has_value()) << '"' << text << '"';
        EXPECT_TRUE(IsNotInteger(text)) << '"' << text << '"';
    }
    EXPECT_TRUE(IsNotInteger(std::string_view("\0" "12", 3)));
}

TEST(IntegerText, NineMillionNineHundredNinetyNineThousandNineHundredNinetyNineIsNoInteger)
{
    for (const std::string_view text : {"9999999", "  9999999", "+9999999", "009999999", "$98967F", "$98967f"})
        EXPECT_TRUE(IsNotInteger(text)) << text;
    EXPECT_FALSE(IsNotInteger("9999998"));
    EXPECT_FALSE(IsNotInteger("-9999999"));
    EXPECT_FALSE(IsNotInteger("-1"));
}

TEST(FailureText, FullStopOnlyAfterCharactersAboveTheFullStop)
{
    EXPECT_EQ(WithFullStop("'x' is not a valid integer value"), "'x' is not a valid integer value.");
    EXPECT_EQ(WithFullStop("width 4"), "width 4.");
    EXPECT_EQ(WithFullStop("Failed to set data for 'LastLeftPos'"), "Failed to set data for 'LastLeftPos'");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
    EXPECT_EQ(WithFullStop("caf\xe9"), "caf\xe9.");
    EXPECT_EQ(WithFullStop(""), "");
}

TEST(Descramble, PositionsAndWrapAround)
{
    EXPECT_EQ(Descramble(""), "");
    EXPECT_EQ(Descramble("\x01\x02N\x71"), std::string("\x00\x00Km", 4));
    EXPECT_EQ(Descramble(std::string_view("\0", 1)), "\xff") << "a byte smaller than its position wraps";
}
