// Start-up of each program's main window on a 1920 x 1080 stage, on the
// offscreen platform: the window built from its definition, its created
// handler run (settings, pictures, titles, layout) and its first frame
// painted, which waits for what decodes and draws on workers.
//
//   BM_WheelStartup/0   the wheel without prize pictures
//   BM_WheelStartup/8   with eight 12-megapixel camera pictures (4000 x 3000
//                       JPEGs of about 3.7 MB), fresh bytes at every start
//                       so that no cache of decoded pictures answers
//   BM_EggStartup       the golden eggs
//
// The process starts once: the font database, the fonts and the pictures
// stored in the programs are warm after the first start, so this measures
// what every start repeats, not the first start of a process.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QWidget>

#include "bench/camera_picture.h"
#include "bench/gui.h"
#include "egg/egg.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"
#include "runtime/ui/sound.h"
#include "tests/support/temp_dir.h"
#include "wheel/wheel.h"

namespace {

// The picture with a comment of its own after the start marker: other
// bytes, the same picture.
Bytes with_comment(const Bytes& jpeg, uint32_t serial)
{
    const uint8_t comment[] = {0xff, 0xfe, 0, 6, uint8_t(serial >> 24), uint8_t(serial >> 16), uint8_t(serial >> 8),
                               uint8_t(serial)};
    Bytes out(jpeg.size() + sizeof comment);
    std::copy(jpeg.begin(), jpeg.begin() + 2, out.begin());
    std::copy(std::begin(comment), std::end(comment), out.begin() + 2);
    std::copy(jpeg.begin() + 2, jpeg.end(), out.begin() + 2 + sizeof comment);
    return out;
}

// A scratch program folder with settings as an event leaves them, set up
// once per program.
struct Folder {
    TempDir dir;
    explicit Folder(bool wheel)
    {
        ensure_gui();
        sound::force_silent_output(true);
        const std::string config = dir.path() + "/config.a";
        for (const char* key : {"一", "二", "三", "四", "五", "六", "七", "八"})
            rt_write_config(config, "zbt", key, "500");
        rt_write_config(config, "zbt", "界面大小", "全屏");
        if (wheel)
            rt_write_config(config, "zbt", "背景音乐", "假");
        std::filesystem::create_directory(dir.file("奖品图片"));
    }
};

// Takes the stage for one program: the benchmarks of the reveal and the
// wheel's step keep their program's window (of the same id) open.
void take_stage(const std::string& dir, void (*define_windows)(), int window)
{
    if (rtui::loaded_window(window)) {
        rt_destroy_window(window);
        rt_do_events();
    }
    rt_set_run_dir(dir);
    define_windows();
}

// Loads the main window, paints its first frame and closes it again; only
// the load and the frame are timed.
void start(benchmark::State& state, int window)
{
    rt_load_window(window);
    // What the message loop runs before the display server asks for the
    // first frame: the calls the start-up left queued.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    const std::shared_ptr<rtui::Window> w = rtui::loaded_window(window);
    benchmark::DoNotOptimize(w->widget->grab());
    state.PauseTiming();
    rt_destroy_window(window);
    rt_do_events();
    state.ResumeTiming();
}

void BM_WheelStartup(benchmark::State& state)
{
    static Folder* folder = new Folder(true);
    static const Bytes photo = camera_picture(4000, 3000, 0.0027, 0);
    static uint32_t serial = 0;
    const std::string dir = folder->dir.path();
    take_stage(dir, wheel::define_windows, wheel::MainWindow);
    const int pictures = int(state.range(0));
    for (int k = 1; k <= 8; ++k)
        std::filesystem::remove(dir + "/奖品图片/" + std::to_string(k) + ".jpg");
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 1; k <= pictures; ++k)
            rt_write_file(dir + "/奖品图片/" + std::to_string(k) + ".jpg", with_comment(photo, ++serial));
        wheel::prize_slots.clear(); // as the program's entry routine leaves it
        state.ResumeTiming();
        start(state, wheel::MainWindow);
    }
    state.counters["picture_MB"] = pictures > 0 ? double(photo.size()) / 1e6 : 0.0;
}

void BM_EggStartup(benchmark::State& state)
{
    static Folder* folder = new Folder(false);
    take_stage(folder->dir.path(), egg::define_windows, egg::MainWindow);
    for (auto _ : state)
        start(state, egg::MainWindow);
}

BENCHMARK(BM_WheelStartup)->Arg(0)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EggStartup)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
