#include "runtime/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "runtime/gbk.h"

namespace {

constexpr int32_t kIndefinite = std::numeric_limits<int32_t>::min();

struct NumberCase {
    const char* name;
    std::string text;
    double expected;
    friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ToNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ToNumber, ReadsLikeAtof)
{
    EXPECT_DOUBLE_EQ(rt_to_number(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ToNumber,
    testing::Values(NumberCase{"Empty", "", 0.0}, NumberCase{"TrailingLetters", "12abc", 12.0},
                    NumberCase{"LeadingBlanks", "  7", 7.0}, NumberCase{"OtherBlanks", "\t\n\v\f\r 3", 3.0},
                    NumberCase{"FullWidthDigits", "１２", 12.0}, NumberCase{"FullWidthSignAndPoint", "－３．５", -3.5},
                    NumberCase{"FullWidthDigitsHalfWidthPoint", "－３.５", -3.5},
                    NumberCase{"IdeographicSpace", "　５", 5.0}, NumberCase{"FullWidthExponent", "１ｅ２", 100.0},
                    NumberCase{"Exponent", "1e3", 1000.0}, NumberCase{"NegativeExponent", "2.5E-1", 0.25},
                    NumberCase{"ExponentWithoutDigits", "1e", 1.0}, NumberCase{"ExponentSignOnly", "7e+x", 7.0},
                    NumberCase{"HexIsNotRead", "0x10", 0.0}, NumberCase{"InfIsNotRead", "inf", 0.0},
                    NumberCase{"NanIsNotRead", "nan", 0.0}, NumberCase{"InfinityIsNotRead", "-Infinity", 0.0},
                    NumberCase{"LeadingPoint", ".5", 0.5}, NumberCase{"NegativeLeadingPoint", "-.5", -0.5},
                    NumberCase{"TrailingPoint", "4.", 4.0}, NumberCase{"PointOnly", ".", 0.0},
                    NumberCase{"SignOnly", "-", 0.0}, NumberCase{"PlusSign", "+4", 4.0},
                    NumberCase{"TwoPoints", "1.5.3", 1.5}, NumberCase{"CommaIsNoPoint", "1,5", 1.0},
                    NumberCase{"ChineseFirst", "中12", 0.0}, NumberCase{"BlankAfterSign", "- 3", 0.0},
                    NumberCase{"ManyNines", std::string(300, '9'), 1e300},
                    NumberCase{"TinyFraction", "0." + std::string(400, '0') + "1", 0.0},
                    NumberCase{"LongFraction", "0." + std::string(500, '3'), 1.0 / 3.0}),
    [](const testing::TestParamInfo<NumberCase>& p) { return p.param.name; });

TEST(ToNumberEdge, HugeValuesOverflowToInfinity)
{
    EXPECT_EQ(rt_to_number("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(rt_to_number("-1" + std::string(400, '0')), -std::numeric_limits<double>::infinity());
}

TEST(ToNumberEdge, RandomBytesNeverCrashOrGiveNaN)
{
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789+-.eE \t\xA3\xA1\xB0\xD6\xD0\xFF\x80x";
    for (int n = 0; n < 5000; ++n) {
        std::string g(rng() % 30, '\0');
        for (char& c : g)
            c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % (sizeof alphabet - 1)];
        const std::string text = gbk_to_utf8(g);
        ASSERT_FALSE(std::isnan(rt_to_number(text))) << g;
        (void)rt_to_int(text);
    }
}

TEST(ToInt, TextReadsLikeAtoiAndSaturates)
{
    EXPECT_EQ(rt_to_int(""), 0);
    EXPECT_EQ(rt_to_int("12abc"), 12);
    EXPECT_EQ(rt_to_int("  -7"), -7);
    EXPECT_EQ(rt_to_int("＋１２"), 12);
    EXPECT_EQ(rt_to_int("3.9"), 3);
    EXPECT_EQ(rt_to_int("1e3"), 1);
    EXPECT_EQ(rt_to_int("0x10"), 0);
    EXPECT_EQ(rt_to_int("2147483647"), 2147483647);
    EXPECT_EQ(rt_to_int("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(rt_to_int("2147483648"), 2147483647);
    EXPECT_EQ(rt_to_int("99999999999999999999999"), 2147483647);
    EXPECT_EQ(rt_to_int("-99999999999999999999999"), std::numeric_limits<int32_t>::min());
}

TEST(ToInt, FloatingValuesTruncateAndOutOfRangeIsIndefinite)
{
    EXPECT_EQ(rt_to_int(3.9), 3);
    EXPECT_EQ(rt_to_int(-3.9), -3);
    EXPECT_EQ(rt_to_int(2147483647.9), 2147483647);
    EXPECT_EQ(rt_to_int(-2147483648.9), kIndefinite);
    EXPECT_EQ(rt_to_int(2147483648.0), kIndefinite);
    EXPECT_EQ(rt_to_int(1e300), kIndefinite);
    EXPECT_EQ(rt_to_int(-std::numeric_limits<double>::infinity()), kIndefinite);
    EXPECT_EQ(rt_to_int(std::numeric_limits<double>::quiet_NaN()), kIndefinite);
}

TEST(ToByte, KeepsTheLowEightBits)
{
    EXPECT_EQ(rt_to_byte("300"), 44);
    EXPECT_EQ(rt_to_byte("２５６"), 0);
    EXPECT_EQ(rt_to_byte(-1.0), 255);
    EXPECT_EQ(rt_to_byte(65.7), 65);
}

TEST(ToIntFloor, SnapsNearlyWholeNumbersThenFloors)
{
    const struct {
        double v;
        int32_t expected;
    } cases[] = {
        {16.2, 16},   {15.9999999999999, 16},   {-2.5, -3},      {-15.9999999999999, -16},
        {3.0, 3},     {-0.5, -1},               {15.999999999, 15}, {-15.999999999, -16},
        {0.0, 0},     {2147483647.0, 2147483647}, {1e12, kIndefinite},
        {std::numeric_limits<double>::quiet_NaN(), kIndefinite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rt_to_int_floor(c.v), c.expected) << c.v;
}

TEST(ToText, NumbersAsTheStoredFilesSeeThem)
{
    EXPECT_EQ(rt_to_text(1.0), "1");
    EXPECT_EQ(rt_to_text(2.5), "2.5");
    EXPECT_EQ(rt_to_text(3.0), "3");
    EXPECT_EQ(rt_to_text(12.5), "12.5");
    EXPECT_EQ(rt_to_text(0.1 + 0.2), "0.3");
    EXPECT_EQ(rt_to_text(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(rt_to_text(1e20), "1e+20");
    EXPECT_EQ(rt_to_text(123456789012.0), "123456789012");
    EXPECT_EQ(rt_to_text(-0.25), "-0.25");
    EXPECT_EQ(rt_to_text(0.1f), "0.1");
    EXPECT_EQ(rt_to_text(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(rt_to_text(1234567.0f), "1.23457e+06");
    EXPECT_EQ(rt_to_text(int32_t{-5}), "-5");
    EXPECT_EQ(rt_to_text(int32_t{-12}), "-12");
    EXPECT_EQ(rt_to_text(int64_t{9000000000}), "9000000000");
    EXPECT_EQ(rt_to_text(uint8_t{200}), "200");
    EXPECT_EQ(rt_to_text(true), "真");
    EXPECT_EQ(rt_to_text(false), "假");
}

TEST(ToText, TallyGainsOne)
{
    EXPECT_EQ(rt_to_text(rt_to_number("") + 1.0), "1");
    EXPECT_EQ(rt_to_text(rt_to_number("41") + 1.0), "42");
}

TEST(ToText, ByteSetUpToFirstZeroAsGbk)
{
    EXPECT_EQ(rt_to_text(Bytes{0xD6, 0xD0, 'a', 0, 'x'}), "中a");
    EXPECT_EQ(rt_to_text(Bytes{}), "");
    EXPECT_EQ(utf8_to_gbk(rt_to_text(Bytes{'a', 0xD6})), "a\xD6");
}

TEST(ToHexText, UpperCaseTwosComplement)
{
    EXPECT_EQ(rt_to_hex_text(0), "0");
    EXPECT_EQ(rt_to_hex_text(255), "FF");
    EXPECT_EQ(rt_to_hex_text(0xABCDEF), "ABCDEF");
    EXPECT_EQ(rt_to_hex_text(-1), "FFFFFFFF");
    EXPECT_EQ(rt_to_hex_text(kIndefinite), "80000000");
}

} // namespace
