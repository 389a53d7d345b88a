// One step of the wheel's highlight with eight 12-megapixel prize pictures
// (4000 x 3000 camera-like JPEGs of about 3.7 MB) on a 1920 x 1080 stage:
// the step reads the picture it leaves behind from disk, as the program
// must, and moves pictures between the ring and the result box. "Painted"
// adds the repaint that the step causes, on the offscreen platform.
// "Spin" runs the spin as the program does: the step timer fires from the
// event loop, which then paints, and the processor time counts every thread
// (the painter's helpers too); at 1 ms the steps come back to back, at 30 ms
// (the designed speed) core_share is the share of one processor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QCoreApplication>
#include <QEventLoop>

#include "bench/camera_picture.h"
#include "bench/gui.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"
#include "runtime/ui/sound.h"
#include "tests/support/temp_dir.h"
#include "wheel/wheel.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

Bytes camera_picture(int grade) { return ::camera_picture(kWidth, kHeight, 0.0021 * grade, grade); }

// The wheel spinning in a scratch program folder, set up once.
class SpinningWheel {
public:
    static SpinningWheel& instance()
    {
        static SpinningWheel* wheel = new SpinningWheel;
        return *wheel;
    }
    size_t picture_bytes = 0;

private:
    SpinningWheel()
    {
        ensure_gui();
        sound::force_silent_output(true);

        // The wheel itself is never destroyed, but the folder is a static of
        // its own, so its pictures (about 24 MB) are removed at exit.
        static TempDir folder;
        const std::string& dir = folder.path();
        rt_set_run_dir(dir);
        std::filesystem::create_directory(folder.file("奖品图片"));
        for (int grade = 1; grade <= 8; ++grade) {
            const Bytes picture = camera_picture(grade);
            picture_bytes = picture.size();
            rt_write_file(dir + "/奖品图片/" + std::to_string(grade) + ".jpg", picture);
        }
        rt_write_config(dir + "/config.a", "zbt", "一", "5");
        // The step timer never fires by itself: every step is the benchmark's.
        rt_write_config(dir + "/config.a", "zbt", "滚动速度", "600000");
        rt_write_config(dir + "/config.a", "zbt", "背景音乐", "假");
        wheel::define_windows();
        rt_load_window(wheel::MainWindow);
        wheel::toggle_draw();
        rt_do_events();
    }
};

// One pass round the ring first: what a spin of any length repeats.
void first_pass()
{
    for (int i = 0; i < 8; ++i) {
        wheel::on_spin_timer();
        rt_do_events();
    }
}

void step(benchmark::State& state, bool painted)
{
    SpinningWheel& wheel = SpinningWheel::instance();
    first_pass();
    for (auto _ : state) {
        wheel::spin_countdown = 100000;
        wheel::on_spin_timer();
        if (painted)
            rt_do_events();
    }
    state.counters["picture_MB"] = double(wheel.picture_bytes) / 1e6;
}

void BM_WheelStep(benchmark::State& state) { step(state, false); }
void BM_WheelStepPainted(benchmark::State& state) { step(state, true); }

double seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

void BM_WheelSpin(benchmark::State& state)
{
    SpinningWheel& wheel = SpinningWheel::instance();
    first_pass();
    const UnitRef timer = wheel::main_unit("时钟1");
    rt_set(timer, P_TIMER_INTERVAL, int32_t(state.range(0)));
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID), wall0 = seconds(CLOCK_MONOTONIC);
    for (auto _ : state) {
        wheel::spin_countdown = 100000;
        const int32_t before = wheel::highlight_pos;
        while (wheel::highlight_pos == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        rt_do_events(); // the repaint the step asked for
    }
    const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0, wall = seconds(CLOCK_MONOTONIC) - wall0;
    rt_set(timer, P_TIMER_INTERVAL, int32_t{0});
    state.counters["picture_MB"] = double(wheel.picture_bytes) / 1e6;
    state.counters["core_share"] = cpu / wall;
}

BENCHMARK(BM_WheelStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WheelStepPainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WheelSpin)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
