#include "common/draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "tests/support/temp_dir.h"

namespace {

// ---------------------------------------------------------------------------
// The generator

struct StepCase {
    const char* name;
    int32_t state_before;
    int32_t a, b;
    int32_t state_after;
    int32_t result;
};

class RandomBetweenStep : public testing::TestWithParam<StepCase> {};

TEST_P(RandomBetweenStep, AdvancesStateOnceAndReduces)
{
    const StepCase& c = GetParam();
    seed_random(c.state_before);
    EXPECT_EQ(random_between(c.a, c.b), c.result);
    EXPECT_EQ(rng_state, c.state_after);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RandomBetweenStep,
    testing::Values(StepCase{"FromZero", 0, 1, 10, 2531011, 9},
                    StepCase{"WrapsNegative", 12345, 1, 100, -1650445800, 81},
                    StepCase{"FromMinusOne", -1, 1, 6, 2316998, 5},
                    StepCase{"SingleValueStillSteps", 0, 1, 1, 2531011, 1},
                    StepCase{"OffsetRange", 0, -5, 4, 2531011, 3}),
    [](const testing::TestParamInfo<StepCase>& p) { return std::string(p.param.name); });

// The generator as the programs compute it: in doubles, with a floating
// remainder, truncated through a 64-bit integer.
int32_t reference_random_between(int32_t& state, int32_t a, int32_t b)
{
    const double next = static_cast<double>(state) * 214013.0 + 2531011.0;
    state = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(next))));
    const int64_t shifted = static_cast<int64_t>(std::floor(static_cast<double>(state) / 32768.0));
    const int64_t g = static_cast<int64_t>(state) ^ shifted;
    const double r = std::fmod(static_cast<double>(g), static_cast<double>(b) - static_cast<double>(a) + 1.0);
    return static_cast<int32_t>(static_cast<int64_t>(static_cast<double>(a) + r));
}

TEST(RandomBetween, MatchesFloatingComputationOverWholeRange)
{
    std::mt19937 gen(20240601);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max());
    for (int n = 0; n < 20000; ++n) {
        int32_t a = any(gen);
        int32_t b = n % 4 == 0 ? static_cast<int32_t>(std::min<int64_t>(int64_t{a} + gen() % 16, INT32_MAX))
                               : any(gen);
        if (b < a)
            std::swap(a, b);
        if (n == 1) {
            a = std::numeric_limits<int32_t>::min();
            b = std::numeric_limits<int32_t>::max();
        }
        const int32_t start = any(gen);
        int32_t expected_state = start;
        const int32_t expected = reference_random_between(expected_state, a, b);
        seed_random(start);
        const int32_t got = random_between(a, b);
        ASSERT_EQ(got, expected) << "state " << start << " range " << a << ".." << b;
        ASSERT_EQ(rng_state, expected_state);
        ASSERT_GE(got, a);
        ASSERT_LE(got, b);
    }
}

class ClockSeeding : public testing::Test {
protected:
    void TearDown() override { set_platform_clock(nullptr); }
    ManualClock clock;
};

TEST_F(ClockSeeding, StateIsTheClockReadAsSigned)
{
    set_platform_clock(&clock);
    clock.set(123456);
    rng_state = 99;
    seed_random();
    EXPECT_EQ(rng_state, 123456);

    clock.set(0xFFFFFFFFu);
    seed_random();
    EXPECT_EQ(rng_state, -1);
    EXPECT_EQ(random_between(1, 6), 5);

    seed_random(-7);
    EXPECT_EQ(rng_state, -7);
}

// ---------------------------------------------------------------------------
// The pool

// A run directory with its own settings and results files.
class PoolFiles : public testing::Test {
protected:
    void SetUp() override
    {
        saved_run_dir_ = rt_get_run_dir();
        rt_set_run_dir(dir_.path());
        prize_counts = {0, 1, 2, 4, 8, 10, 15, 20, 50};
        prize_pool.clear();
    }
    void TearDown() override
    {
        rt_set_run_dir(saved_run_dir_);
        prize_pool.clear();
    }
    void setting(const std::string& key, const std::string& value)
    {
        ASSERT_TRUE(rt_write_config(dir_.file("config.a"), "zbt", key, value));
    }
    void wins(int grade, const std::string& value)
    {
        ASSERT_TRUE(rt_write_config(dir_.file("jieguo.a"), "zjjg", "j" + std::to_string(grade), value));
    }
    // The pool as a list of tickets.
    static std::vector<int32_t> tickets()
    {
        std::vector<int32_t> out;
        for (int64_t i = 1; i <= prize_pool.size(); ++i)
            out.push_back(prize_pool.at(i));
        return out;
    }

    TempDir dir_;

private:
    std::string saved_run_dir_;
};

const char* const kNumerals[] = {"", "一", "二", "三", "四", "五", "六", "七", "八"};

TEST_F(PoolFiles, QuantityModeWithoutKeysEmptiesCountsAndPool)
{
    build_prize_pool();
    EXPECT_EQ(prize_counts, (PrizeCounts{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(prize_pool.empty());
    EXPECT_EQ(prize_pool.size(), 0);
}

struct QuantityCase {
    const char* name;
    std::vector<std::pair<int, std::string>> configured;
    std::vector<std::pair<int, std::string>> won;
    PrizeCounts counts;
};

class QuantityMode : public PoolFiles, public testing::WithParamInterface<QuantityCase> {};

TEST_P(QuantityMode, CountsAreConfiguredMinusWins)
{
    const QuantityCase& c = GetParam();
    for (const auto& [grade, text] : c.configured)
        setting(kNumerals[grade], text);
    for (const auto& [grade, text] : c.won)
        wins(grade, text);

    build_prize_pool();
    EXPECT_EQ(prize_counts, c.counts);

    std::vector<int32_t> expected;
    for (int32_t grade = 1; grade <= 8; ++grade)
        for (int32_t n = 0; n < c.counts[static_cast<size_t>(grade)]; ++n)
            expected.push_back(grade);
    EXPECT_EQ(tickets(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, QuantityMode,
    testing::Values(
        QuantityCase{"MoreWinsThanPrizes", {{1, "3"}, {2, "4"}}, {{1, "5"}, {2, "1"}}, {0, -2, 3, 0, 0, 0, 0, 0, 0}},
        QuantityCase{"FractionTruncates", {{1, "2.9"}, {3, "3.5"}}, {{3, "1"}}, {0, 2, 0, 2, 0, 0, 0, 0, 0}},
        QuantityCase{"SmallNegativeTruncatesToZero", {{1, "1"}}, {{1, "1.5"}}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        QuantityCase{"TextWithoutNumberCountsZero", {{1, "abc"}, {2, "x5"}, {3, "7奖"}}, {{3, "zz"}},
                     {0, 0, 0, 7, 0, 0, 0, 0, 0}},
        QuantityCase{"OnlyLaterGradesSet", {{8, "3"}, {5, "1"}}, {}, {0, 0, 0, 0, 0, 1, 0, 0, 3}},
        QuantityCase{"KeepsLowThirtyTwoBits", {{1, "4294967298"}, {2, "2147483648"}, {3, "-4294967295"}}, {},
                     {0, 2, std::numeric_limits<int32_t>::min(), 1, 0, 0, 0, 0, 0}},
        QuantityCase{"BeyondSixtyFourBitsCountsZero", {{1, "1e300"}, {2, "-1e19"}, {3, "5"}}, {{3, "1e300"}},
                     {0, 0, 0, 0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<QuantityCase>& p) { return std::string(p.param.name); });

class DrawModeText : public PoolFiles, public testing::WithParamInterface<std::pair<const char*, const char*>> {};

// Only the exact text selects probability mode; in quantity mode the single
// configured prize replaces the 110 weights held in memory.
TEST_P(DrawModeText, SelectsQuantityUnlessExactlyTrue)
{
    const auto& [name, text] = GetParam();
    (void)name;
    if (text)
        setting("lx", text);
    setting("一", "1");
    build_prize_pool();
    EXPECT_EQ(prize_pool.size(), 1);
    EXPECT_EQ(prize_counts, (PrizeCounts{0, 1, 0, 0, 0, 0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Texts, DrawModeText,
                         testing::Values(std::pair<const char*, const char*>{"False", "假"},
                                         std::pair<const char*, const char*>{"Empty", ""},
                                         std::pair<const char*, const char*>{"Absent", nullptr},
                                         std::pair<const char*, const char*>{"TrueWithWideBlank", "真　"},
                                         std::pair<const char*, const char*>{"TrueTwice", "真真"},
                                         std::pair<const char*, const char*>{"AsciiTrue", "true"}),
                         [](const auto& p) { return std::string(p.param.first); });

TEST_F(PoolFiles, ProbabilityModeUsesCountsInMemoryInAscendingRuns)
{
    setting("lx", "真");
    setting("一", "5");
    wins(1, "3");
    build_prize_pool();

    EXPECT_EQ(prize_counts, (PrizeCounts{0, 1, 2, 4, 8, 10, 15, 20, 50}));
    ASSERT_EQ(prize_pool.size(), 110);
    const int64_t first[] = {0, 1, 2, 4, 8, 16, 26, 41, 61};
    const int64_t last[] = {0, 1, 3, 7, 15, 25, 40, 60, 110};
    for (int32_t grade = 1; grade <= 8; ++grade) {
        EXPECT_EQ(prize_pool.at(first[grade]), grade);
        EXPECT_EQ(prize_pool.at(last[grade]), grade);
        if (grade > 1) {
            EXPECT_EQ(prize_pool.at(first[grade] - 1), grade - 1);
        }
    }

    // Wins recorded by a draw do not shrink the next pool.
    wins(8, "49");
    build_prize_pool();
    EXPECT_EQ(prize_pool.size(), 110);
    EXPECT_EQ(prize_pool.at(110), 8);
}

TEST_F(PoolFiles, RebuildReplacesThePreviousPool)
{
    setting("一", "4");
    build_prize_pool();
    setting("一", "1");
    setting("二", "1");
    build_prize_pool();
    EXPECT_EQ(tickets(), (std::vector<int32_t>{1, 2}));
}

// Eight grades of two billion tickets each: sixty-four gigabytes as one entry
// per ticket, so this only passes when the pool keeps runs. Their sum passes
// the 32-bit range, and still every grade is drawn, about one time in eight.
TEST_F(PoolFiles, HugeCountsDrawOverTheWholePool)
{
    for (int grade = 1; grade <= 8; ++grade)
        setting(kNumerals[grade], "2000000000");
    build_prize_pool();
    ASSERT_EQ(prize_pool.size(), 16000000000LL);
    EXPECT_EQ(prize_pool.at(2000000000), 1);
    EXPECT_EQ(prize_pool.at(2000000001), 2);
    EXPECT_EQ(prize_pool.at(16000000000LL), 8);

    constexpr int kDraws = 4000;
    std::array<int, 9> drawn{};
    for (int32_t ms = 0; ms < kDraws; ++ms) {
        seed_random(ms * 7919);
        ++drawn[static_cast<size_t>(drawn_grade(random_ticket(prize_pool.size())))];
    }
    for (int grade = 1; grade <= 8; ++grade)
        EXPECT_NEAR(drawn[static_cast<size_t>(grade)] / double(kDraws), 0.125, 0.03) << "grade " << grade;
}

// Up to 2147483647 tickets a draw is the one step random_between(1, size)
// has always made, so every such pool draws the same ticket as before.
TEST(RandomTicket, OneStepUpToThe32BitRange)
{
    struct Row {
        int32_t seed;
        int64_t size;
        int64_t index; // 0: as random_between(1, size) gives it
    };
    const Row rows[] = {
        {0, 10, 9}, {12345, 100, 81}, {-1, 6, 5}, {0, 1, 1},
        {987654, 21, 20}, {-7, 2147483647, 0}, {2147483647, 2147483647, 0},
        {std::numeric_limits<int32_t>::min(), 1000000, 0}, {424242, 110, 0},
    };
    for (const Row& r : rows) {
        seed_random(r.seed);
        const int64_t one_step = random_between(1, static_cast<int32_t>(r.size));
        const int64_t expected = r.index ? r.index : one_step;
        const int32_t state_after = rng_state;
        seed_random(r.seed);
        EXPECT_EQ(random_ticket(r.size), expected) << r.seed << " / " << r.size;
        EXPECT_EQ(rng_state, state_after) << r.seed << " / " << r.size;
    }
}

TEST_F(PoolFiles, SameClockValueDrawsSameGrade)
{
    ManualClock clock(987654);
    set_platform_clock(&clock);
    setting("一", "3");
    setting("四", "7");
    setting("八", "11");

    build_prize_pool();
    seed_random();
    const int32_t first = drawn_grade(random_ticket(prize_pool.size()));

    random_between(1, 1000); // the state moves on in between
    build_prize_pool();
    seed_random();
    const int32_t second = drawn_grade(random_ticket(prize_pool.size()));
    set_platform_clock(nullptr);

    EXPECT_EQ(first, second);
    // 987654 * 214013 + 2531011 wraps to 919929009; g = 919956763, and
    // g mod 21 = 19 gives index 20, in the run of grade 8 (indices 11..21).
    EXPECT_EQ(first, 8);
}

TEST(PrizePool, AppendMergesEqualNeighboursAndKeepsOrder)
{
    PrizePool pool;
    pool.append(5, 2);
    pool.append(5, 1);
    pool.append(2, 0);
    pool.append(2, -4);
    pool.append(1, 2);
    ASSERT_EQ(pool.size(), 5);
    EXPECT_EQ(pool[1], 5);
    EXPECT_EQ(pool[3], 5);
    EXPECT_EQ(pool[4], 1);
    EXPECT_EQ(pool[5], 1);
}

using PrizePoolDeathTest = PoolFiles;

TEST_F(PrizePoolDeathTest, IndexOutsidePoolEndsTheProgram)
{
    prize_pool.fill(PrizeCounts{0, 2, 0, 0, 0, 0, 0, 0, 1});
    ASSERT_EQ(prize_pool.size(), 3);
    EXPECT_EQ(drawn_grade(3), 8);
    EXPECT_EXIT(drawn_grade(0), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(drawn_grade(4), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(drawn_grade(-1), testing::ExitedWithCode(1), "");
    prize_pool.clear();
    EXPECT_EXIT(drawn_grade(1), testing::ExitedWithCode(1), "");
}

TEST(RandomBetweenDeathTest, EmptyRangeIsARemainderByZero)
{
    EXPECT_EXIT(random_between(5, 4), testing::ExitedWithCode(1), "");
}

} // namespace
