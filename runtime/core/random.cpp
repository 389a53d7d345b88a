#include "runtime/random.h"

#include <utility>

#include "platform/winmm.h"

namespace {

// msvcrt's linear congruential pair, kept bit for bit so that the same seed
// draws the same numbers.
uint32_t state = 1;
// Keeps two unseeded calls within the same millisecond from seeding alike.
uint32_t seed_offset = 0;

int32_t next_rand()
{
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
}

} // namespace

void rt_seed_random(std::optional<uint32_t> seed)
{
    if (seed) {
        state = *seed;
        return;
    }
    const uint32_t mixed = GetTickCount() + seed_offset;
    state = mixed;
    seed_offset += (mixed & 255u) + 100u;
}

int32_t rt_random_int(std::optional<int32_t> min, std::optional<int32_t> max)
{
    int32_t lo = min.value_or(0);
    int32_t hi = max.value_or(2147483647);
    if (lo < 0)
        lo = 0;
    if (hi < 0)
        hi = 0;
    if (lo > hi)
        std::swap(lo, hi);
    if (lo == hi)
        return lo;
    const int64_t span = int64_t{hi} - lo + 1;
    return static_cast<int32_t>(lo + next_rand() % span);
}
