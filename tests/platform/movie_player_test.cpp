// The movie player's pictures: small hand-built movies painted onto images
// and read back pixel by pixel, and the stored fireworks played at full
// screen size the way the overlay shows them over a stage.

#include "platform/ui/movie_player.h"

#include "media/movies.h"
#include "tests/platform/swf_parts.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace swf_parts;
using swf_parts::Bytes;

// At 10 fps.
Bytes movie(uint16_t frames, const Bytes& tags)
{
    return w::movie(small_stage(10, frames), cat({w::set_background({10, 20, 30, 255}), tags, w::end_tag()}));
}

w::Matrix at(double x, double y) { return w::Matrix::translate(x * 20, y * 20); }

QImage paint(platform::MoviePlayer& p, QSize size = {200, 100}, platform::MovieScale scale = platform::MovieScale::ShowAll)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter painter(&img);
    p.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)), scale);
    return img;
}

::testing::AssertionResult near(QRgb got, QRgb want, int tolerance = 12)
{
    const int d = std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                            std::abs(qBlue(got) - qBlue(want))});
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << qRed(got) << "," << qGreen(got) << "," << qBlue(got) << " want "
                                         << qRed(want) << "," << qGreen(want) << "," << qBlue(want);
}

struct Probe {
    int x, y;
    QRgb colour;
};

TEST(MoviePlayer, ShapePlacedMovedTintedFadedAndRemoved)
{
    w::ColorTransform green;
    green.mr = 0;
    green.ag = 255;
    w::ColorTransform faded = green;
    faded.ma = 128;
    const Bytes tags = cat({
        square(1, 20),
        w::place_object2({1, uint16_t(1), at(10, 10), std::nullopt, false}), w::show_frame(),
        w::place_object2({1, std::nullopt, at(100, 40), green, true}), w::show_frame(),
        w::place_object2({1, std::nullopt, std::nullopt, faded, true}), w::show_frame(),
        w::remove_object2(1), w::show_frame(),
    });
    platform::MoviePlayer p(movie(4, tags));
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.frame_count(), 4);
    EXPECT_DOUBLE_EQ(p.frame_rate(), 10);
    EXPECT_EQ(p.stage_size(), QSize(200, 100));
    EXPECT_EQ(p.background(), QColor(10, 20, 30));

    const std::vector<std::vector<Probe>> frames = {
        {{20, 20, qRgb(255, 0, 0)}, {110, 50, qRgb(0, 0, 0)}, {5, 5, qRgb(0, 0, 0)}},
        {{20, 20, qRgb(0, 0, 0)}, {110, 50, qRgb(0, 255, 0)}, {102, 42, qRgb(0, 255, 0)}, {125, 50, qRgb(0, 0, 0)}},
        {{110, 50, qRgb(0, 128, 0)}},
        {{110, 50, qRgb(0, 0, 0)}, {20, 20, qRgb(0, 0, 0)}},
    };
    for (int loop = 0; loop < 2; ++loop) {
        for (size_t f = 0; f < frames.size(); ++f) {
            EXPECT_EQ(p.current_frame(), int(f));
            const QImage img = paint(p);
            for (const Probe& probe : frames[f])
                EXPECT_TRUE(near(img.pixel(probe.x, probe.y), probe.colour))
                    << "loop " << loop << " frame " << f << " at " << probe.x << "," << probe.y;
            p.advance();
        }
    }
}

TEST(MoviePlayer, SpritesPlayTheirOwnTimelinesThroughTheMainLoop)
{
    // A sprite moving a square 0 -> 40 -> 80 px, tinted blue where placed.
    // The main timeline has two frames: the sprite from the first, a
    // marker square from the second, which the loop takes away again.
    w::ColorTransform blue;
    blue.mr = 0;
    blue.ab = 255;
    const Bytes sprite = w::define_sprite(
        2, 3,
        cat({w::place_object2({1, uint16_t(1), at(0, 0), std::nullopt, false}), w::show_frame(),
             w::place_object2({1, std::nullopt, at(40, 0), std::nullopt, true}), w::show_frame(),
             w::place_object2({1, std::nullopt, at(80, 0), std::nullopt, true}), w::show_frame()}));
    const Bytes tags = cat({square(1, 10), sprite, w::place_object2({1, uint16_t(2), at(10, 10), blue, false}),
                            w::show_frame(), w::place_object2({2, uint16_t(1), at(10, 70), std::nullopt, false}),
                            w::show_frame()});
    platform::MoviePlayer p(movie(2, tags));
    ASSERT_FALSE(p.empty());
    const int xs[] = {15, 55, 95};
    for (int step = 0; step < 7; ++step) {
        const QImage img = paint(p);
        EXPECT_EQ(p.current_frame(), step % 2);
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(near(img.pixel(xs[k], 15), k == step % 3 ? qRgb(0, 0, 255) : qRgb(0, 0, 0)))
                << "step " << step << " slot " << k;
        EXPECT_TRUE(near(img.pixel(15, 75), step % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 0))) << "step " << step;
        p.advance();
    }
}

TEST(MoviePlayer, ScaleModesMapTheStageOntoTheTarget)
{
    // A 20 px square at the stage's centre (90..110, 40..60) on a 200 x 100 stage.
    platform::MoviePlayer p(
        movie(1, cat({square(1, 20), w::place_object2({1, uint16_t(1), at(90, 40), std::nullopt, false}),
                      w::show_frame()})));
    struct Case {
        platform::MovieScale scale;
        std::vector<Probe> probes;
    };
    const QRgb red = qRgb(255, 0, 0), black = qRgb(0, 0, 0);
    const Case cases[] = {
        // 400 x 400: ShowAll scales by 2 and centres vertically: square at 180..220, 180..220.
        {platform::MovieScale::ShowAll, {{182, 182, red}, {218, 218, red}, {176, 200, black}, {200, 224, black}}},
        // NoBorder scales by 4 and cuts the sides: square at 160..240, 160..240.
        {platform::MovieScale::NoBorder, {{162, 162, red}, {238, 238, red}, {155, 200, black}, {200, 245, black}}},
        // ExactFit stretches: 2 across, 4 down: square at 180..220, 160..240.
        {platform::MovieScale::ExactFit, {{182, 162, red}, {218, 238, red}, {176, 200, black}, {200, 245, black}}},
    };
    for (const Case& c : cases) {
        const QImage img = paint(p, QSize(400, 400), c.scale);
        for (const Probe& probe : c.probes)
            EXPECT_TRUE(near(img.pixel(probe.x, probe.y), probe.colour))
                << "mode " << int(c.scale) << " at " << probe.x << "," << probe.y;
    }
}

TEST(MoviePlayer, GradientsAndTurnedShapes)
{
    w::ShapeBuilder g;
    const uint32_t f = g.add_fill(w::Fill::linear(0, 0, 2000, 0, {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}}));
    g.polygon({{0, 0}, {2000, 0}, {2000, 400}, {0, 400}}, f);
    const Bytes tags = cat({g.define(1), square(2, 20, {0, 255, 0, 255}),
                            w::place_object2({1, uint16_t(1), at(0, 0), std::nullopt, false}),
                            // turned by 45 degrees about its corner at (150, 50)
                            w::place_object2({2, uint16_t(2), w::Matrix::place(150 * 20, 50 * 20, 1, 1, std::acos(-1.0) / 4),
                                              std::nullopt, false}),
                            w::show_frame()});
    platform::MoviePlayer p(movie(1, tags));
    const QImage img = paint(p);
    EXPECT_TRUE(near(img.pixel(1, 10), qRgb(255, 0, 0), 16));
    EXPECT_TRUE(near(img.pixel(98, 10), qRgb(0, 0, 255), 16));
    EXPECT_TRUE(near(img.pixel(50, 10), qRgb(128, 0, 128), 16));
    // The turned square is a diamond below its corner.
    EXPECT_TRUE(near(img.pixel(150, 64), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(img.pixel(140, 52), qRgb(0, 0, 0)));
    EXPECT_TRUE(near(img.pixel(162, 52), qRgb(0, 0, 0)));
}

TEST(MoviePlayer, UnreadableMoviesPlayAsNothing)
{
    const Bytes inputs[] = {Bytes{}, Bytes{'F', 'W', 'S', 5}, Bytes{'C', 'W', 'S', 6, 100, 0, 0, 0, 1, 2, 3}};
    for (const Bytes& b : inputs) {
        platform::MoviePlayer p(b);
        EXPECT_TRUE(p.empty());
        EXPECT_GT(p.frame_rate(), 0);
        EXPECT_EQ(p.frame_count(), 1);
        p.advance();
        const QImage img = paint(p);
        EXPECT_EQ(img.pixel(100, 50), qRgb(0, 0, 0));
    }
}

// How a frame shows over a bright stage when black is see-through: the share
// of the screen it covers, and of that the share of dark pixels inside what
// it shows. The outermost pixels of a shape always blend towards the black
// around it; a dark pixel with nothing see-through next to it is part of a
// dim area, which shows as a smudge over the stage.
struct Cover {
    double shown = 0;
    double smudge = 0;
};

Cover cover(const QImage& frame)
{
    const int wd = frame.width(), ht = frame.height();
    auto lit = [&](int x, int y) {
        return x < 0 || y < 0 || x >= wd || y >= ht ||
               (reinterpret_cast<const QRgb*>(frame.constScanLine(y))[x] & 0xFFFFFF) != 0;
    };
    int64_t shown = 0, smudge = 0;
    for (int y = 0; y < ht; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < wd; ++x) {
            if ((line[x] & 0xFFFFFF) == 0)
                continue;
            ++shown;
            if (std::max({qRed(line[x]), qGreen(line[x]), qBlue(line[x])}) < 100 && lit(x - 1, y) && lit(x + 1, y) &&
                lit(x, y - 1) && lit(x, y + 1))
                ++smudge;
        }
    }
    return {double(shown) / (double(wd) * ht), shown ? double(smudge) / double(shown) : 0};
}

TEST(MoviePlayer, FireworksShowBrightSparksOverTheStage)
{
    // The measure itself: a dim glow is a smudge, a bright disc is not.
    for (const auto& [colour, dim] : {std::pair{w::Rgba{255, 200, 40, 255}, false}, {w::Rgba{255, 200, 40, 60}, true}}) {
        w::ShapeBuilder s;
        s.circle(600, 600, 400, s.add_fill(w::Fill::solid(colour)));
        platform::MoviePlayer glow(movie(1, cat({s.define(1), w::place_object2({1, uint16_t(1), std::nullopt,
                                                                                   std::nullopt, false}),
                                                   w::show_frame()})));
        EXPECT_EQ(cover(paint(glow, QSize(1920, 1080))).smudge > 0.5, dim);
    }

    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE("fireworks " + std::to_string(n));
        platform::MoviePlayer p(media::fireworks_movie(n));
        ASSERT_FALSE(p.empty());
        // The first three seconds, which is all the overlay ever shows.
        const int frames = int(std::lround(3 * p.frame_rate()));
        int lit = 0;
        for (int f = 0; f < frames; ++f) {
            const Cover c = cover(paint(p, QSize(1920, 1080)));
            EXPECT_LT(c.shown, 0.25) << "frame " << f; // the stage stays in view
            if (c.shown > 0.002) {
                ++lit;
                EXPECT_LT(c.smudge, 0.06) << "frame " << f;
            }
            p.advance();
        }
        EXPECT_GT(lit, frames / 2);
    }
}

} // namespace
