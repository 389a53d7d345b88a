#pragma once
#include <array>
#include <cstdint>
#include <vector>

// Prize grades run 1..8; index 0 of the count array is unused.
constexpr int32_t kPrizeGrades = 8;
using PrizeCounts = std::array<int32_t, kPrizeGrades + 1>;

// The ticket pool: grade 1 as many times as its count, then grade 2, and so
// on, read as a 1-based array. It keeps runs of equal grades instead of one
// entry per ticket, so counts near the 32-bit limit cost no memory.
class PrizePool {
public:
    void clear();
    // Appends `count` tickets of `grade`; a count of 0 or less adds nothing.
    void append(int32_t grade, int64_t count);
    // Empties the pool and fills it from counts[1..8] in ascending grade.
    void fill(const PrizeCounts& counts);

    int64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The grade at the 1-based index; an index outside 1..size() ends the
    // program through the runtime's error report, as an array check would.
    int32_t at(int64_t index) const;
    int32_t operator[](int64_t index) const { return at(index); }

private:
    struct Run {
        int32_t grade;
        int64_t last; // 1-based index of the run's last ticket
    };
    std::vector<Run> runs_;
    int64_t size_ = 0;
};

extern PrizeCounts prize_counts;
extern PrizePool prize_pool;
extern int32_t rng_state;

// Rebuilds prize_pool from the settings and results files of the run
// directory; in quantity mode prize_counts is first recomputed as the
// configured count minus the recorded wins.
void build_prize_pool();

// The state becomes the multimedia clock's milliseconds, or the seed.
void seed_random();
void seed_random(int32_t seed);

// One step of the generator, reduced into a..b (a <= b).
int32_t random_between(int32_t a, int32_t b);

// A 1-based ticket index for a pool of `size` tickets (1 or more). Up to
// 2147483647 tickets this is random_between(1, size), one step as always; a
// larger pool (counts whose sum passes the 32-bit range) takes two steps,
// 62 bits, so that every ticket can be drawn.
int64_t random_ticket(int64_t size);

// The grade of the prize_pool ticket at a 1-based index.
int32_t drawn_grade(int64_t index);

// A draw: the generator seeded from the clock, then one ticket index of
// prize_pool, which must not be empty. drawn_grade gives its grade.
int64_t draw_ticket();
