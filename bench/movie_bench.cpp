// One frame of each stored movie at 1920 x 1080, as the fireworks overlay
// shows it: advance, paint over black, and cut the colour key from the frame
// by its row runs. Each benchmark reports its movie's frame time as `budget_ms`; the
// time per iteration must stay well below it.
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
    int64_t mask_rects = 0;
    for (auto _ : state) {
        player.advance();
        frame.fill(Qt::black);
        {
            QPainter painter(&frame);
            player.paint(painter, QRectF(0, 0, frame.width(), frame.height()));
        }
        const QRegion mask = platform::region_outside_key(frame, qRgb(0, 0, 0));
        mask_rects += mask.rectCount();
        benchmark::DoNotOptimize(mask_rects);
    }
    state.counters["budget_ms"] = 1000.0 / player.frame_rate();
    state.counters["mask_rects"] = benchmark::Counter(double(mask_rects), benchmark::Counter::kAvgIterations);
    state.SetLabel(n == 0 ? "default movie" : "fireworks " + std::to_string(n));
}

} // namespace

// Every frame of a loop: iterations spread over all of them.
BENCHMARK(BM_MovieFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);
