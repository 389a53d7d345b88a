// Pictures made smaller by averaging, and JPEG files decoded straight to the
// size of a box they fill: they must look as the picture scaled smoothly to
// that size, and show from the bytes they were decoded into.

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>

#include "picture_samples.h"
#include "runtime/ui/picture.h"
#include "runtime/ui/picture_codecs.h"

namespace {

using picture_detail::RowReduction;

QImage noise(int width, int height, uint32_t seed)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int a = int(random() % 256);
            image.setPixel(x, y, qRgba(int(random() % 256) * a / 255, int(random() % 256) * a / 255,
                                       int(random() % 256) * a / 255, a));
        }
    return image;
}

// Each result pixel as the area-weighted mean of the pixels it covers,
// worked out in floating point.
QImage mean_of_areas(const QImage& in, QSize size)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    const double sx = double(in.width()) / size.width(), sy = double(in.height()) / size.height();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int j = int(y * sy); j < std::min(in.height(), int(std::ceil((y + 1) * sy))); ++j)
                for (int i = int(x * sx); i < std::min(in.width(), int(std::ceil((x + 1) * sx))); ++i) {
                    const double w = (std::min((x + 1) * sx, i + 1.0) - std::max(x * sx, double(i))) *
                                     (std::min((y + 1) * sy, j + 1.0) - std::max(y * sy, double(j)));
                    const QRgb p = in.pixel(i, j);
                    sum[0] += w * qRed(p);
                    sum[1] += w * qGreen(p);
                    sum[2] += w * qBlue(p);
                    sum[3] += w * qAlpha(p);
                }
            const double area = sx * sy;
            out.setPixel(x, y, qRgba(int(std::lround(sum[0] / area)), int(std::lround(sum[1] / area)),
                                     int(std::lround(sum[2] / area)), int(std::lround(sum[3] / area))));
        }
    return out;
}

QImage reduced(const QImage& in, QSize size)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(0xff00ff00u); // nothing of it may be left
    picture_detail::reduce_into(in, out);
    return out;
}

struct ReduceCase {
    const char* name;
    QSize from, to;
};
void PrintTo(const ReduceCase& row, std::ostream* out) { *out << row.name; }

class Reduce : public testing::TestWithParam<ReduceCase> {};

TEST_P(Reduce, EachPixelIsTheMeanOfWhatItCovers)
{
    const QImage in = noise(GetParam().from.width(), GetParam().from.height(), 7);
    const QImage out = reduced(in, GetParam().to);
    EXPECT_LE(samples::max_difference(out, mean_of_areas(in, GetParam().to)), 1);
    // Still premultiplied: no channel above its alpha.
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = out.pixel(x, y);
            ASSERT_LE(std::max({qRed(p), qGreen(p), qBlue(p)}), qAlpha(p)) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Reduce,
    testing::Values(ReduceCase{"SameSize", {13, 9}, {13, 9}}, ReduceCase{"Halved", {40, 30}, {20, 15}},
                    ReduceCase{"ThreeToTwo", {3, 1}, {2, 1}}, ReduceCase{"OddRatios", {37, 23}, {20, 17}},
                    ReduceCase{"StretchedOneWay", {100, 7}, {33, 7}}, ReduceCase{"ToOnePixel", {9, 5}, {1, 1}},
                    ReduceCase{"Tall", {5, 301}, {4, 17}}),
    [](const testing::TestParamInfo<ReduceCase>& row) { return std::string(row.param.name); });

// Several halvings at once are the halvings one after another.
TEST(Reduce, ManyHalvingsAtOnce)
{
    const QImage in = noise(200, 120, 9);
    EXPECT_LE(samples::max_difference(averaged_to(in, QSize(25, 15)), half_size(half_size(half_size(in)))), 1);
    EXPECT_TRUE(averaged_to(in, QSize(201, 120)).isNull());
}

// A photograph-like picture reduced as the board's does: what the toolkit's
// smooth scaling would show.
TEST(Reduce, LooksAsTheToolkitsSmoothScaling)
{
    QImage photo = samples::blocks(400, 300).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random(3);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            const QRgb p = photo.pixel(x, y);
            const int n = int(random() % 41) - 20;
            photo.setPixel(x, y, qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                                      std::clamp(qBlue(p) + n, 0, 255)));
        }
    const QSize box(384, 216);
    const QImage ours = reduced(photo, box);
    const QImage toolkit = photo.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_LE(samples::max_difference(ours, toolkit), 8);
}

// Rows not yet given out hold a colour that would show if they were read
// early; each is written properly just before it is given out.
TEST(Reduce, FollowsAWriterRowByRow)
{
    const QImage final_rows = noise(301, 207, 11);
    for (int step : {1, 16, 53}) {
        SCOPED_TRACE(step);
        QImage source(final_rows.size(), QImage::Format_ARGB32_Premultiplied);
        source.fill(0xffff0000u);
        QImage target(QSize(190, 101), QImage::Format_ARGB32_Premultiplied);
        const int stride = int(source.bytesPerLine());
        {
            RowReduction reduction(source, target);
            for (int y = 0; y < source.height(); ++y) {
                std::copy_n(final_rows.constScanLine(y), stride, source.scanLine(y));
                if ((y + 1) % step == 0)
                    reduction.rows_written(y + 1);
            }
            reduction.finish();
        }
        EXPECT_EQ(samples::max_difference(target, reduced(final_rows, target.size())), 0);
    }
    // A writer that fails half-way, or never finishes, lets go at once.
    QImage source = noise(64, 400, 5), target(32, 100, QImage::Format_ARGB32_Premultiplied);
    {
        RowReduction reduction(source, target);
        reduction.rows_written(37);
        reduction.abandon();
    }
    { RowReduction unfinished(source, target); }
}

struct FillCase {
    const char* name;
    QSize box;
    QSize shown;     // the decoded picture's size
    bool into_bytes; // decoded into a BMP of the box's size
};
void PrintTo(const FillCase& row, std::ostream* out) { *out << row.name; }

class JpegFill : public testing::TestWithParam<FillCase> {};

// An 800 x 600 photograph for a box it is stretched to fill.
TEST_P(JpegFill, DecodedToTheBoxAsTheScaledPicture)
{
    const QImage source = samples::blocks(800, 600);
    const Bytes file = samples::jpeg(source, samples::JpegKind::Rgb, 92);
    const FillCase& c = GetParam();
    const Picture picture = decode_picture(file, c.box, true);
    ASSERT_EQ(picture.size(), c.shown);
    ASSERT_EQ(picture.frames.size(), 1u);
    const QImage frame = picture.frames[0];
    EXPECT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(!picture.frame_bmp.empty(), c.into_bytes);
    if (c.into_bytes) {
        // Shown from the BMP's own pixels, which decode as the same picture.
        const uint8_t* bytes = picture.frame_bmp.data();
        EXPECT_TRUE(frame.constBits() > bytes && frame.constBits() < bytes + picture.frame_bmp.size());
        EXPECT_EQ(samples::max_difference(decode_picture(picture.frame_bmp).frames.at(0), frame), 0);
    }
    EXPECT_EQ(picture.reduced, c.shown != source.size());
    // What the board showed when it scaled the decode for its box to its size.
    const QImage scaled = decode_picture(file, c.box)
                              .frames.at(0)
                              .scaled(c.shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_LE(samples::max_difference(frame, scaled), 8);
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx) {
            const int x = c.shown.width() * (2 * bx + 1) / 4, y = c.shown.height() * (2 * by + 1) / 4;
            const QRgb want = scaled.pixel(x, y), got = frame.pixel(x, y);
            EXPECT_NEAR(qRed(got), qRed(want), 3) << x << "," << y;
            EXPECT_NEAR(qGreen(got), qGreen(want), 3) << x << "," << y;
            EXPECT_NEAR(qBlue(got), qBlue(want), 3) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, JpegFill,
    testing::Values(FillCase{"Stretched", {190, 108}, {190, 108}, true},
                    FillCase{"ScreenShaped", {768, 432}, {768, 432}, true},
                    FillCase{"DctScaleExactly", {400, 300}, {400, 300}, true},
                    FillCase{"SameSize", {800, 600}, {800, 600}, true},
                    // Smaller than the box one way: decoded whole, enlarged when drawn.
                    FillCase{"WiderThanThePicture", {1000, 500}, {800, 600}, false},
                    FillCase{"NoBox", {}, {800, 600}, false}),
    [](const testing::TestParamInfo<FillCase>& row) { return std::string(row.param.name); });

TEST(JpegFill, EveryKindOfJpegAndBrokenOnes)
{
    const QImage source = samples::blocks(320, 240);
    for (samples::JpegKind kind : {samples::JpegKind::Progressive, samples::JpegKind::Gray, samples::JpegKind::CmykAdobe}) {
        SCOPED_TRACE(int(kind));
        const Bytes file = samples::jpeg(source, kind, 95);
        const QImage fitted = decode_picture(file, QSize(150, 100)).frames.at(0);
        const Picture filled = decode_picture(file, QSize(150, 100), true);
        ASSERT_FALSE(filled.frame_bmp.empty());
        EXPECT_LE(samples::max_difference(filled.frames.at(0),
                                          fitted.scaled(150, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                              .convertToFormat(QImage::Format_ARGB32_Premultiplied)),
                  8);
    }
    // Cut short: no picture, as without a box.
    Bytes cut = samples::jpeg(source);
    cut.resize(cut.size() / 2);
    EXPECT_TRUE(decode_picture(cut, QSize(150, 100), true).empty());
}

} // namespace
