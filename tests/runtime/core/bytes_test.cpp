#include "runtime/bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

TEST(ToBytes, TextNumbersAndBackAgain)
{
    EXPECT_EQ(rt_to_bytes("中a"), (Bytes{0xD6, 0xD0, 'a'}));
    EXPECT_EQ(rt_to_bytes(""), Bytes{});
    EXPECT_EQ(rt_to_bytes(int32_t{0x01020304}), (Bytes{4, 3, 2, 1}));
    EXPECT_EQ(rt_to_bytes(int32_t{-2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    const Bytes d = rt_to_bytes(-1.5);
    ASSERT_EQ(d.size(), 8u);
    EXPECT_EQ(rt_bytes_get_value(d, BK_DOUBLE), -1.5);
    EXPECT_EQ(rt_bytes_get_value(rt_to_bytes(int32_t{-123456}), BK_INT), -123456);
}

TEST(BytesGetValue, EveryKindAtAPosition)
{
    Bytes b{0xFF, 0xFE, 0xFF};
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE), 255);
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE, 3), 255);
    EXPECT_EQ(rt_bytes_get_value(b, BK_SHORT, 2), -2);
    EXPECT_EQ(rt_bytes_get_value(b, BK_SHORT, 1), static_cast<int16_t>(0xFEFF));

    Bytes mixed(1, 0x99); // values at an odd position: no alignment assumed
    const int64_t big = -5000000000;
    const float f = 0.25f;
    mixed.resize(1 + 8 + 4);
    std::memcpy(mixed.data() + 1, &big, 8);
    std::memcpy(mixed.data() + 9, &f, 4);
    EXPECT_EQ(rt_bytes_get_value(mixed, BK_INT64, 2), -5000000000.0);
    EXPECT_EQ(rt_bytes_get_value(mixed, BK_FLOAT, 10), 0.25);
}

TEST(BytesGetValue, OutsideTheSetGivesZero)
{
    const Bytes b{1, 2, 3, 4};
    EXPECT_EQ(rt_bytes_get_value(b, BK_INT, 1), 0x04030201);
    EXPECT_EQ(rt_bytes_get_value(b, BK_INT, 2), 0); // one byte short
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE, 5), 0);
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE, 0), 0);
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE, -3), 0);
    EXPECT_EQ(rt_bytes_get_value(b, BK_DOUBLE), 0);
    EXPECT_EQ(rt_bytes_get_value(b, 99), 0);
    EXPECT_EQ(rt_bytes_get_value(Bytes{}, BK_BYTE), 0);
    EXPECT_EQ(rt_bytes_get_value(b, BK_BYTE, std::numeric_limits<int32_t>::max()), 0);
}

TEST(BytesCut, RightMidZero)
{
    const Bytes b{1, 2, 3, 4, 5};
    EXPECT_EQ(rt_bytes_right(b, 2), (Bytes{4, 5}));
    EXPECT_EQ(rt_bytes_right(b, 9), b);
    EXPECT_EQ(rt_bytes_right(b, 0), Bytes{});
    EXPECT_EQ(rt_bytes_right(b, -1), Bytes{});
    EXPECT_EQ(rt_bytes_mid(b, 2, 2), (Bytes{2, 3}));
    EXPECT_EQ(rt_bytes_mid(b, 4, 100), (Bytes{4, 5}));
    EXPECT_EQ(rt_bytes_mid(b, 6, 1), Bytes{});
    EXPECT_EQ(rt_bytes_mid(b, 0, 1), Bytes{});
    EXPECT_EQ(rt_bytes_mid(b, 1, -1), Bytes{});
    EXPECT_EQ(rt_bytes_mid(b, 3, std::numeric_limits<int32_t>::max()), (Bytes{3, 4, 5}));
    EXPECT_EQ(rt_bytes_length(b), 5);
    EXPECT_EQ(rt_zero_bytes(3), (Bytes{0, 0, 0}));
    EXPECT_EQ(rt_zero_bytes(0), Bytes{});
    EXPECT_EQ(rt_zero_bytes(-4), Bytes{});
}

TEST(RemainderDeathTest, ZeroDivisorStopsWithTheErrorReport)
{
    EXPECT_EQ(rt_remainder(-7, 3), -1); // sign of the dividend
    EXPECT_EXIT(rt_remainder(1, 0), testing::ExitedWithCode(1), "运行时出错! 2");
    EXPECT_EXIT(rt_remainder(1, -0.0), testing::ExitedWithCode(1), "运行时出错! 2");
}

TEST(ShiftRight, ArithmeticForAnyCount)
{
    const struct {
        int32_t v, n, expected;
    } cases[] = {
        {-8, 1, -4}, {8, 1, 4},  {-1, 40, -1}, {5, 32, 0},  {-5, 32, -1},
        {5, -3, 5},  {5, 0, 5},  {std::numeric_limits<int32_t>::min(), 31, -1},
        {0x40000000, 30, 1},     {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rt_shift_right(c.v, c.n), c.expected) << c.v << " >> " << c.n;
}

} // namespace
