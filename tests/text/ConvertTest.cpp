// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Convert.h"

#include "Failures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace tonvar::text;
using tonvar::test::FailureOf;

TEST(StrToInt, AcceptsDecimalWithBlanksAndSign)
{
    EXPECT_EQ(StrToInt("25000"), 25000);
    EXPECT_EQ(StrToInt("  12"), 12);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
}

TEST(StrToInt, AcceptsHexadecimalPrefixesAndWrapsAt32Bits)
{
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("$ab"), 0xAB);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("X10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-$10"), -16);
}

TEST(StrToInt, RejectsEverythingElseWithTheIntegerMessage)
{
    for (const std::string bad : {"", " ", "12 ", "1.5", "2147483648", "-2147483649", "abc", "$", "$G", "$100000000",
                                  "0x", "--1", "1e3", "10.5", "1 2"}) {
        EXPECT_EQ(FailureOf([&] { StrToInt(bad); }), "'" + bad + "' is not a valid integer value") << bad;
    }
}

TEST(HexToInt, PutsADollarInFrontOfTheText)
{
    EXPECT_EQ(HexToInt("AB"), 0xAB);
    EXPECT_EQ(HexToInt("12345"), 0x12345);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(FailureOf([] { HexToInt(""); }), "'$' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { HexToInt("12G"); }), "'$12G' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { HexToInt("-1"); }), "'$-1' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { HexToInt("123456789"); }), "'$123456789' is not a valid integer value");
}

TEST(StrToFloat, ReadsPointDecimals)
{
    EXPECT_DOUBLE_EQ(StrToFloat("462.5625"), 462.5625);
    EXPECT_DOUBLE_EQ(StrToFloat(" 1.5 "), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1."), 1.0);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-2"), -2.0);
    EXPECT_DOUBLE_EQ(StrToFloat("1E3"), 1000.0);
    EXPECT_DOUBLE_EQ(StrToFloat("2.5e-1"), 0.25);
    EXPECT_DOUBLE_EQ(StrToFloat("."), 0.0);
}

TEST(StrToFloat, RejectsNonNumbersWithTheFloatMessage)
{
    for (const std::string bad : {"", " ", "1.2.3", "abc", "1E", "- 1", "1,5", "+", "E5", "NONE", "1e999", "0x10"}) {
        EXPECT_EQ(FailureOf([&] { StrToFloat(bad); }), "'" + bad + "' is not a valid floating point value") << bad;
    }
}

TEST(FormatFixed, RoundsHalfAwayFromZeroOnTheDecimalDigits)
{
    EXPECT_EQ(FormatFixed(145.123455, 5), "145.12346");
    EXPECT_EQ(FormatFixed(67.05, 1), "67.1");
    EXPECT_EQ(FormatFixed(145.5, 5), "145.50000");
    EXPECT_EQ(FormatFixed(0.0, 5), "0.00000");
    EXPECT_EQ(FormatFixed(999.999995, 5), "1000.00000");
    EXPECT_EQ(FormatFixed(999.99999, 5), "999.99999");
    EXPECT_EQ(FormatFixed(0.000004, 5), "0.00000");
    EXPECT_EQ(FormatFixed(0.000005, 5), "0.00001");
    EXPECT_EQ(FormatFixed(-1.25, 1), "-1.3");
    EXPECT_EQ(FormatFixed(-0.01, 1), "0.0");
    EXPECT_EQ(FormatFixed(9.96, 1), "10.0");
    EXPECT_EQ(FormatFixed(462562500 / 1e6, 5), "462.56250");
    EXPECT_EQ(FormatFixed(670 / 10.0, 1), "67.0");
    EXPECT_EQ(FormatFixed(7.0, 1), "7.0");
    EXPECT_EQ(FormatFixed(2.5, 0), "3");
}

TEST(FloatToShortest, WritesAtMostFifteenSignificantDigits)
{
    EXPECT_EQ(FloatToShortest(10.5), "10.5");
    EXPECT_EQ(FloatToShortest(256.0), "256");
    EXPECT_EQ(FloatToShortest(0.0), "0");
    EXPECT_EQ(FloatToShortest(-10.5), "-10.5");
    EXPECT_EQ(FloatToShortest(0.1 * 3), "0.3");
    EXPECT_EQ(FloatToShortest(462.5625 * 1e6), "462562500");
    EXPECT_EQ(FloatToShortest(1e20), "1E20");
    EXPECT_EQ(FloatToShortest(1.5e-6), "1.5E-6");
    EXPECT_EQ(FloatToShortest(0.0001), "0.0001");
    EXPECT_EQ(FloatToShortest(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FloatToShortest(std::numeric_limits<double>::infinity()), "INF");
}

TEST(ShortestToInt, FailsWhenTheQuotientIsNotWhole)
{
    EXPECT_EQ(ShortestToInt(2560 / 10.0), 256);
    EXPECT_EQ(FailureOf([] { ShortestToInt(105 / 10.0); }), "'10.5' is not a valid integer value");
}

TEST(ScaledToInt, RoundTripsThroughFifteenDigits)
{
    EXPECT_EQ(ScaledToInt("462.5625", 1e6), 462562500);
    EXPECT_EQ(ScaledToInt("145.12345", 1e6), 145123450);
    EXPECT_EQ(ScaledToInt("999.99999", 1e6), 999999990);
    EXPECT_EQ(ScaledToInt("67.0", 10), 670);
    EXPECT_EQ(ScaledToInt("254.1", 10), 2541);
    EXPECT_EQ(FailureOf([] { ScaledToInt("462.5625001", 1e6); }), "'462562500.1' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { ScaledToInt("67.05", 10); }), "'670.5' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { ScaledToInt("3000", 1e6); }), "'3000000000' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { ScaledToInt("abc", 1e6); }), "'abc' is not a valid floating point value");
}

TEST(WithFullStop, AppendsAPointAfterCharactersSortingAfterIt)
{
    EXPECT_EQ(WithFullStop("'x' is not a valid integer value"), "'x' is not a valid integer value.");
    EXPECT_EQ(WithFullStop("Read 1"), "Read 1.");
    EXPECT_EQ(WithFullStop("Done!"), "Done!");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
    EXPECT_EQ(WithFullStop("(%d)"), "(%d)");
    EXPECT_EQ(WithFullStop(""), "");
}
