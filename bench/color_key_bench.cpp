// The colour-key cut of a 1920 x 1080 fireworks frame, two ways: through a
// one-bit mask picture (the toolkit's way), and by the row runs the movie
// view hands to the layered window. Frames of each movie are drawn first;
// only the cut is timed. What the X server would be sent per frame is given
// both ways: `rect_bytes`, the banded rectangles the layered window sends,
// and `bitmap_bytes`, a one-bit mask of the window (put into a pixmap, then
// set as the shape).
#include <benchmark/benchmark.h>

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <vector>

#include "bench/gui.h"
#include "media/movies.h"
#include "platform/ui/color_key.h"
#include "platform/ui/movie_player.h"

namespace {

std::vector<QImage> frames_of(int n)
{
    ensure_gui();
    platform::MoviePlayer player(media::fireworks_movie(n));
    std::vector<QImage> frames;
    for (int i = 0; i < player.frame_count(); ++i) {
        QImage frame(1920, 1080, QImage::Format_RGB32);
        frame.fill(Qt::black);
        QPainter painter(&frame);
        player.paint(painter, QRectF(0, 0, 1920, 1080));
        painter.end();
        frames.push_back(frame);
        player.advance();
    }
    return frames;
}

void BM_KeyCutByMaskPicture(benchmark::State& state)
{
    const std::vector<QImage> frames = frames_of(int(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        const QImage& f = frames[i++ % frames.size()];
        QRegion r(QBitmap::fromImage(f.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor)));
        benchmark::DoNotOptimize(r);
    }
}

void BM_KeyCutByRowRuns(benchmark::State& state)
{
    const std::vector<QImage> frames = frames_of(int(state.range(0)));
    size_t i = 0;
    int64_t rects = 0, rect_bytes = 0;
    for (auto _ : state) {
        const QRegion r = platform::region_outside_key(frames[i++ % frames.size()], qRgb(0, 0, 0));
        rects += r.rectCount();
        rect_bytes += int64_t(platform::x_shape_request_bytes(r));
        benchmark::DoNotOptimize(rects);
    }
    const auto per_frame = [](int64_t total) { return benchmark::Counter(double(total), benchmark::Counter::kAvgIterations); };
    state.counters["rects"] = per_frame(rects);
    state.counters["rect_bytes"] = per_frame(rect_bytes);
    // Rows of 1920 bits, already on 32-bit bounds; the image request's and
    // the shape request's fixed parts.
    state.counters["bitmap_bytes"] = 1920 / 8 * 1080 + 24 + 20;
}

} // namespace

BENCHMARK(BM_KeyCutByMaskPicture)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyCutByRowRuns)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
