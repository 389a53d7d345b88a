#include "common/draw.h"

#include <cmath>
#include <limits>
#include <string>

#include "common/paths.h"
#include "platform/winmm.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/ini.h"

PrizeCounts prize_counts{};
PrizePool prize_pool;
int32_t rng_state = 0;

namespace {

constexpr const char* kGradeNumerals[kPrizeGrades + 1] = {"", "一", "二", "三", "四", "五", "六", "七", "八"};

// Truncates toward zero and keeps the low 32 bits, the way a 64-bit
// conversion does it: values without a 64-bit integer part (NaN, infinities,
// magnitudes from 2^63 on) give the integer indefinite, whose low half is 0.
int32_t low32_of_truncated(double v)
{
    constexpr double two63 = 9223372036854775808.0;
    if (!(v > -two63 && v < two63))
        return 0;
    const auto whole = static_cast<int64_t>(v);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

} // namespace

void PrizePool::clear()
{
    runs_.clear();
    size_ = 0;
}

void PrizePool::append(int32_t grade, int64_t count)
{
    if (count <= 0)
        return;
    if (count > std::numeric_limits<int64_t>::max() - size_)
        rt_report_error(RT_ERR_OUT_OF_MEMORY, "prize pool too large");
    size_ += count;
    if (!runs_.empty() && runs_.back().grade == grade)
        runs_.back().last = size_;
    else
        runs_.push_back(Run{grade, size_});
}

void PrizePool::fill(const PrizeCounts& counts)
{
    clear();
    for (int32_t grade = 1; grade <= kPrizeGrades; ++grade)
        append(grade, counts[static_cast<size_t>(grade)]);
}

int32_t PrizePool::at(int64_t index) const
{
    if (index >= 1 && index <= size_) {
        for (const Run& run : runs_) {
            if (index <= run.last)
                return run.grade;
        }
    }
    rt_report_error(RT_ERR_INDEX, "prize_pool index " + std::to_string(index) + " outside 1.." + std::to_string(size_));
}

void build_prize_pool()
{
    prize_pool.clear();
    const std::string settings = settings_file();
    const bool by_probability = rt_read_config(settings, "zbt", "lx") == "真";
    if (!by_probability) {
        const std::string results = results_file();
        for (int32_t grade = 1; grade <= kPrizeGrades; ++grade) {
            const double configured = rt_to_number(rt_read_config(settings, "zbt", kGradeNumerals[grade]));
            const double wins = rt_to_number(rt_read_config(results, "zjjg", "j" + std::to_string(grade)));
            prize_counts[static_cast<size_t>(grade)] = low32_of_truncated(configured - wins);
        }
    }
    prize_pool.fill(prize_counts);
}

void seed_random()
{
    rng_state = static_cast<int32_t>(timeGetTime());
}

void seed_random(int32_t seed)
{
    rng_state = seed;
}

int32_t random_between(int32_t a, int32_t b)
{
    rng_state = static_cast<int32_t>(static_cast<uint32_t>(rng_state) * 214013u + 2531011u);
    const int32_t mixed = rng_state ^ (rng_state >> 15); // the shift copies the sign, so this is >= 0
    const int64_t span = static_cast<int64_t>(b) - a + 1;
    if (span == 0)
        rt_report_error(RT_ERR_DIVIDE_BY_ZERO, "remainder by zero");
    // A floating remainder takes the dividend's sign, so a reversed range
    // (never asked for) reduces by its magnitude.
    const int64_t r = mixed % (span < 0 ? -span : span);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(a + r)));
}

int64_t random_ticket(int64_t size)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    if (size <= kMax)
        return random_between(1, static_cast<int32_t>(size));
    // Each step gives 31 bits; 62 bits over at most 8 x 2147483647 tickets
    // leave a bias below one in a hundred million.
    const auto high = static_cast<uint64_t>(random_between(0, kMax));
    const auto low = static_cast<uint64_t>(random_between(0, kMax));
    return 1 + static_cast<int64_t>(((high << 31) | low) % static_cast<uint64_t>(size));
}

int32_t drawn_grade(int64_t index)
{
    return prize_pool.at(index);
}

int64_t draw_ticket()
{
    seed_random();
    return random_ticket(prize_pool.size());
}
