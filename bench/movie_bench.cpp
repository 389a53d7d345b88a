// One frame of each stored movie at 1920 x 1080, as the fireworks overlay
// shows it: advance, paint over black, and cut the colour key from the frame
// by its row runs. Each benchmark reports its movie's frame time as `budget_ms`; the
// time per iteration must stay well below it.
//
// The program's time is not all a frame costs: the X server takes the shape
// and the repaint. Per frame, `shape_rects` and `shape_bytes` are the shape
// request the window sends, `repaint_rects` the rectangles of the area the
// view has repainted (each one a clip rectangle of the copy to the screen),
// and `repaint_rects_as_region` what that area would be, handed over as the
// exact region of what changed.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <string>

#include "bench/gui.h"
#include "media/movies.h"
#include "platform/ui/color_key.h"
#include "platform/ui/movie_player.h"

namespace {

void BM_MovieFrame(benchmark::State& state)
{
    ensure_gui();
    const int n = int(state.range(0));
    platform::MoviePlayer player(n == 0 ? media::default_movie() : media::fireworks_movie(n));
    if (player.empty()) {
        state.SkipWithError("movie did not load");
        return;
    }
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    QRegion before;
    int64_t shape_rects = 0, shape_bytes = 0, repaint_rects = 0, region_rects = 0;
    for (auto _ : state) {
        player.advance();
        frame.fill(Qt::black);
        {
            QPainter painter(&frame);
            player.paint(painter, QRectF(0, 0, frame.width(), frame.height()));
        }
        const QRegion mask = platform::region_outside_key(frame, qRgb(0, 0, 0));
        const QRect repaint = platform::frame_update_area(before, mask);
        shape_rects += mask.rectCount();
        shape_bytes += int64_t(platform::x_shape_request_bytes(mask));
        repaint_rects += repaint.isEmpty() ? 0 : 1;
        state.PauseTiming();
        region_rects += before.united(mask).rectCount();
        state.ResumeTiming();
        before = mask;
        benchmark::DoNotOptimize(repaint);
    }
    const auto per_frame = [](int64_t total) { return benchmark::Counter(double(total), benchmark::Counter::kAvgIterations); };
    state.counters["budget_ms"] = 1000.0 / player.frame_rate();
    state.counters["shape_rects"] = per_frame(shape_rects);
    state.counters["shape_bytes"] = per_frame(shape_bytes);
    state.counters["repaint_rects"] = per_frame(repaint_rects);
    state.counters["repaint_rects_as_region"] = per_frame(region_rects);
    state.SetLabel(n == 0 ? "default movie" : "fireworks " + std::to_string(n));
}

} // namespace

// Every frame of a loop: iterations spread over all of them.
BENCHMARK(BM_MovieFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);
