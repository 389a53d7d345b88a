// The egg program's prize reveal on a 1920 x 1080 stage with a 12-megapixel
// prize picture (a 4000 x 3000 camera-like JPEG), on the offscreen platform,
// which keeps no sprite frame on screen for a hold: what the handler and the
// painting cost, not the pacing.
//
//   BM_RevealPrizePicture   the picture written to the hidden board, as the
//                           draw does before the reveal, and decoded for it
//                           (a worker decodes it; this waits for the worker)
//   BM_RevealStart          the snapshot of the board, its picture on the
//                           sprite object, and the first frame drawn
//   BM_RevealClickToFirstFrame  both, what a click waits for before the
//                           first reveal frame; /1 with the memory freed
//                           before given back to the system first, as the
//                           first draw after start finds it (every large
//                           buffer then costs its page faults)
//   BM_RevealClickToFirstFrameFromFile  the same with the picture read from
//                           its file first, as the draw reads it; /1 with the
//                           file's picture decoded for the board ahead, as
//                           the program has it decoded while the operator
//                           waits
//   BM_RevealFrame/k        frame k: the copy replaced, turned and drawn
//   BM_RevealWhole          the real reveal routine, every frame
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <malloc.h>

#include "bench/camera_picture.h"
#include "bench/gui.h"
#include "egg/egg.h"
#include "egg/reveal.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"
#include "runtime/ui/sound.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kStageWidth = 1920, kStageHeight = 1080;

Bytes camera_picture(int width, int height) { return ::camera_picture(width, height, 0.0027, 0); }

// The same picture with a comment that differs every time, so that no cache
// of decoded pictures can answer for it.
Bytes fresh_copy(const Bytes& jpeg, uint32_t serial)
{
    const uint8_t comment[] = {0xff, 0xfe, 0, 6, uint8_t(serial >> 24), uint8_t(serial >> 16), uint8_t(serial >> 8),
                               uint8_t(serial)};
    Bytes out(jpeg.size() + sizeof comment);
    std::copy(jpeg.begin(), jpeg.begin() + 2, out.begin()); // SOI
    std::copy(std::begin(comment), std::end(comment), out.begin() + 2);
    std::copy(jpeg.begin() + 2, jpeg.end(), out.begin() + 2 + sizeof comment);
    return out;
}

// The egg program's main window at 1920 x 1080 in a scratch program folder,
// set up once.
class Stage {
public:
    static Stage& instance()
    {
        static Stage* stage = new Stage;
        return *stage;
    }

    Bytes picture;
    uint32_t serial = 0;
    UnitRef board{};
    UnitRef box{};
    UnitRef object{};

    Bytes next_picture() { return fresh_copy(picture, ++serial); }

    // The state before a first draw: the board hidden with the new picture,
    // decoded, the sprite box hidden and empty.
    void reset(const Bytes& prize)
    {
        rt_set(box, P_VISIBLE, false);
        rt_set(board, P_VISIBLE, false);
        rt_set(board, P_PICTURE, prize);
        // A worker decodes the picture; what the board shows waits for it.
        if (!prize.empty())
            benchmark::DoNotOptimize(rt_unit_snapshot(board));
        rt_do_events();
    }

    // Steps 1 to 4 of the reveal and its first frame, as the reveal routine
    // runs them; returns the id of the copy on show.
    int start() const
    {
        rt_set(object, P_WIDTH, rt_get_int(board, P_WIDTH));
        rt_set(object, P_HEIGHT, rt_get_int(board, P_HEIGHT));
        rt_set(object, P_SPRITE_ZOOM, int32_t{0});
        rt_set(object, P_SPRITE_PICTURE, rt_unit_snapshot(board));
        int id = rt_sprite_add(box, object, 0, 0);
        rt_set(board, P_VISIBLE, false);
        rt_set(box, P_VISIBLE, true);
        egg::RevealSteps steps(kStageWidth, kStageHeight);
        return frame(id, steps.next(kStageHeight));
    }

    // One frame of the loop: the copy replaced at the frame's zoom, turned,
    // and drawn by processing events.
    int frame(int id, const egg::RevealFrame& f) const
    {
        rt_sprite_remove(box, id);
        rt_set(object, P_SPRITE_ZOOM, f.zoom);
        id = rt_sprite_add(box, object, f.left, f.top);
        rt_sprite_rotate(box, id, f.angle);
        rt_do_events();
        return id;
    }

private:
    Stage()
    {
        ensure_gui();
        sound::force_silent_output(true);
        static TempDir folder;
        rt_set_run_dir(folder.path());
        rt_write_config(folder.file("config.a"), "zbt", "界面大小", "窗口");
        rt_write_config(folder.file("config.a"), "zbt", "禁用特效", "真");
        egg::define_windows();
        rt_load_window(egg::MainWindow);
        board = rt_unit(egg::MainWindow, "画板相片");
        box = rt_unit(egg::MainWindow, "动画框1");
        object = rt_unit(egg::MainWindow, "动画物体1");
        // Whatever the offscreen screen's size: the stage of a full HD screen,
        // which the board and the sprite box follow.
        const UnitRef window = rt_window(egg::MainWindow);
        rt_set(window, P_WINDOW_BORDER, int32_t{0});
        rt_set(window, P_WIDTH, int32_t{kStageWidth});
        rt_set(window, P_HEIGHT, int32_t{kStageHeight});
        rt_do_events();
        picture = camera_picture(4000, 3000);
    }
};

bool stage_ok(benchmark::State& state, const Stage& s)
{
    if (rt_get_int(s.board, P_WIDTH) == kStageWidth && rt_get_int(s.board, P_HEIGHT) == kStageHeight)
        return true;
    state.SkipWithError("the board does not cover a 1920 x 1080 stage");
    return false;
}

void BM_RevealPrizePicture(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    rt_set(s.board, P_VISIBLE, false);
    for (auto _ : state) {
        state.PauseTiming();
        const Bytes prize = s.next_picture();
        state.ResumeTiming();
        rt_set(s.board, P_PICTURE, prize);
        // What the board shows, which waits for the decode.
        benchmark::DoNotOptimize(rt_unit_snapshot(s.board));
    }
    state.counters["picture_MB"] = double(s.picture.size()) / 1e6;
}

void BM_RevealStart(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        s.reset(s.next_picture());
        state.ResumeTiming();
        rt_sprite_remove(s.box, s.start());
    }
}

void BM_RevealClickToFirstFrame(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        s.reset(Bytes{});
        const Bytes prize = s.next_picture();
        if (state.range(0) != 0)
            malloc_trim(0);
        state.ResumeTiming();
        rt_set(s.board, P_PICTURE, prize);
        rt_sprite_remove(s.box, s.start());
    }
}

void BM_RevealClickToFirstFrameFromFile(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    static TempDir folder;
    const std::string file = folder.file("1.jpg");
    for (auto _ : state) {
        state.PauseTiming();
        s.reset(Bytes{});
        rt_write_file(file, s.next_picture());
        if (state.range(0) != 0) {
            rt_prepare_pictures(s.board, {file});
            // The preparation starts a second after it is asked for.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
            while (std::chrono::steady_clock::now() < until) {
                rt_do_events();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        state.ResumeTiming();
        rt_set(s.board, P_PICTURE, rt_read_file(file));
        rt_sprite_remove(s.box, s.start());
    }
}

// Frame k (1-based) of the ten a full HD board shows, drawn again and again
// from the frame before it.
void BM_RevealFrame(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    s.reset(s.next_picture());
    const auto frames = egg::reveal_frames(kStageWidth, kStageHeight);
    const size_t k = size_t(state.range(0));
    int id = s.start();
    for (size_t i = 1; i + 1 < k; ++i)
        id = s.frame(id, frames[i]);
    for (auto _ : state) {
        id = s.frame(id, frames[k - 1]);
        state.PauseTiming();
        id = s.frame(id, frames[k - 2]);
        state.ResumeTiming();
    }
    rt_sprite_remove(s.box, id);
    state.counters["zoom"] = frames[k - 1].zoom;
}

void BM_RevealWhole(benchmark::State& state)
{
    Stage& s = Stage::instance();
    if (!stage_ok(state, s))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        s.reset(s.next_picture());
        state.ResumeTiming();
        egg::play_reveal_animation();
        rt_do_events();
    }
}

BENCHMARK(BM_RevealPrizePicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealStart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealClickToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealClickToFirstFrameFromFile)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealClickToFirstFrameFromFile)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealFrame)->DenseRange(2, 10, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealWhole)->Unit(benchmark::kMillisecond);

} // namespace
