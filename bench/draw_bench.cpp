// Pool build and one draw for pools of 10^3, 10^5 and 10^7 tickets, read from
// real settings files in a scratch run directory. Items of the build
// benchmarks are tickets, so the report gives the time per ticket.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/draw.h"
#include "runtime/files.h"
#include "runtime/ini.h"

namespace {

const char* const kNumerals[] = {"", "一", "二", "三", "四", "五", "六", "七", "八"};

// A run directory whose settings configure `tickets` prizes over the eight
// grades; removed when the benchmark ends.
class ScratchRunDir {
public:
    explicit ScratchRunDir(int64_t tickets)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "prizedraw-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
        saved_ = rt_get_run_dir();
        rt_set_run_dir(path_);
        const int64_t share = tickets / 8;
        for (int grade = 1; grade <= 8; ++grade) {
            const int64_t count = grade == 8 ? tickets - 7 * share : share;
            rt_write_config(path_ + "/config.a", "zbt", kNumerals[grade], std::to_string(count));
            rt_write_config(path_ + "/jieguo.a", "zjjg", "j" + std::to_string(grade), "0");
        }
    }
    ~ScratchRunDir()
    {
        rt_set_run_dir(saved_);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchRunDir(const ScratchRunDir&) = delete;
    ScratchRunDir& operator=(const ScratchRunDir&) = delete;

private:
    std::string path_;
    std::string saved_;
};

void BM_BuildPool(benchmark::State& state)
{
    const int64_t tickets = state.range(0);
    ScratchRunDir dir(tickets);
    for (auto _ : state) {
        build_prize_pool();
        benchmark::DoNotOptimize(prize_pool.size());
    }
    if (prize_pool.size() != tickets)
        state.SkipWithError("pool size differs from the configured tickets");
    state.SetItemsProcessed(state.iterations() * tickets);
}

void BM_BuildPoolAndDraw(benchmark::State& state)
{
    const int64_t tickets = state.range(0);
    ScratchRunDir dir(tickets);
    int32_t seed = 1;
    for (auto _ : state) {
        build_prize_pool();
        seed_random(seed++);
        const int32_t grade = drawn_grade(random_ticket(prize_pool.size()));
        benchmark::DoNotOptimize(grade);
    }
    state.SetItemsProcessed(state.iterations() * tickets);
}

// A draw alone costs the same for every pool size; items here are draws.
void BM_DrawOnly(benchmark::State& state)
{
    const int64_t tickets = state.range(0);
    ScratchRunDir dir(tickets);
    build_prize_pool();
    int32_t seed = 1;
    for (auto _ : state) {
        seed_random(seed++);
        benchmark::DoNotOptimize(drawn_grade(random_ticket(prize_pool.size())));
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_BuildPool)->Arg(1000)->Arg(100000)->Arg(10000000);
BENCHMARK(BM_BuildPoolAndDraw)->Arg(1000)->Arg(100000)->Arg(10000000);
BENCHMARK(BM_DrawOnly)->Arg(1000)->Arg(100000)->Arg(10000000);

} // namespace

