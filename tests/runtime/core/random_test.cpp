#include "runtime/random.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "platform/clock.h"

namespace {

std::string draws(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += " " + std::to_string(rt_random_int(0, 32767));
    return s;
}

std::string draws_after_seed(uint32_t seed, int n)
{
    rt_seed_random(seed);
    return draws(n);
}

TEST(RandomInt, SameSequenceAsTheSystemLibrary)
{
    EXPECT_EQ(draws_after_seed(1, 5), " 41 18467 6334 26500 19169");
    // Seeds wrap as 32-bit values, and a new seed restarts the sequence.
    EXPECT_EQ(draws_after_seed(1, 2), " 41 18467");
    EXPECT_EQ(draws_after_seed(0xFFFFFFFFu, 3), draws_after_seed(0xFFFFFFFFu, 3));
    EXPECT_NE(draws_after_seed(2, 3), draws_after_seed(1, 3));
}

TEST(RandomInt, BoundRules)
{
    rt_seed_random(1u);
    EXPECT_EQ(rt_random_int(), 41);                 // 0 .. 2147483647
    EXPECT_EQ(rt_random_int(10), 10 + 18467);       // max omitted
    EXPECT_EQ(rt_random_int(0, 2147483647), 6334);  // widest range, no overflow
    EXPECT_EQ(rt_random_int(5, 5), 5);
    EXPECT_EQ(rt_random_int(-5, -1), 0);            // both become 0
    rt_seed_random(1u);
    EXPECT_EQ(rt_random_int(4, 6), 4 + 41 % 3);
    rt_seed_random(1u);
    EXPECT_EQ(rt_random_int(6, 4), 4 + 41 % 3);     // swapped
    rt_seed_random(1u);
    EXPECT_EQ(rt_random_int(-3, 2), 41 % 3);        // -3 becomes 0
    rt_seed_random(1u);
    EXPECT_EQ(rt_random_int(2147483640, 2147483647), 2147483640 + 41 % 8);
}

TEST(RandomInt, SmallRangesHitEveryValueAndNothingElse)
{
    rt_seed_random(2024u);
    std::set<int32_t> dice;
    for (int i = 0; i < 1000; ++i)
        dice.insert(rt_random_int(4, 6));
    EXPECT_EQ(dice, (std::set<int32_t>{4, 5, 6}));
    std::set<int32_t> letters;
    for (int i = 0; i < 3000; ++i)
        letters.insert(rt_random_int(97, 122));
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(*letters.begin(), 97);
    EXPECT_EQ(*letters.rbegin(), 122);
}

// The hidden offset and the state before any seed belong to a fresh process,
// so these run in a child started anew.
class RandomFreshProcessDeathTest : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(RandomFreshProcessDeathTest, UnseededStateIsOne)
{
    // The child runs this body anew, so nothing may draw before the check.
    EXPECT_EXIT(
        {
            std::fprintf(stderr, "draws:%s\n", draws(3).c_str());
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "draws: 41 18467 6334\n");
}

TEST_F(RandomFreshProcessDeathTest, OmittedSeedUsesTickPlusGrowingOffset)
{
    // Offsets: 0, then 0 + (1000 & 255) + 100 = 332, then
    // 332 + (1332 & 255) + 100 = 484; at tick 1000 the seeds are therefore
    // 1000, 1332 and 1484. After the clock moves on to 70000 the seed is
    // 70000 + 484 + (1484 & 255) + 100 = 70000 + 788.
    const std::string expected = draws_after_seed(1000, 2) + draws_after_seed(1332, 2) + draws_after_seed(1484, 2)
                                 + draws_after_seed(70788, 2);
    EXPECT_EXIT(
        {
            ManualClock clock(1000);
            set_platform_clock(&clock);
            std::string got;
            for (int i = 0; i < 3; ++i) {
                rt_seed_random();
                got += draws(2);
            }
            clock.set(70000);
            rt_seed_random();
            got += draws(2);
            std::fprintf(stderr, "draws:%s\n", got.c_str());
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "draws:" + expected + "\n");
}

} // namespace
