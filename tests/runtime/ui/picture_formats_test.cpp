// Decoding of still pictures: JPEG, PNG and BMP files made by the
// libraries' own writers (or by hand where the layout matters), compared
// pixel by pixel with what went in.

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include <QBuffer>
#include <QPainter>

#include "picture_samples.h"
#include "runtime/ui/picture.h"

namespace {

QImage only_frame(const Picture& picture) {
    EXPECT_EQ(picture.frames.size(), 1u);
    EXPECT_EQ(picture.delays_ms.size(), picture.frames.size());
    if (picture.frames.size() != 1)
        return {};
    EXPECT_EQ(picture.frames[0].format(), QImage::Format_ARGB32_Premultiplied);
    return picture.frames[0];
}

// Each block's centre, far enough from block edges that JPEG ringing and
// chroma subsampling do not reach it.
void expect_block_colours(const QImage& decoded, const QImage& source, int tolerance) {
    ASSERT_EQ(decoded.size(), source.size());
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx) {
            const int x = source.width() * (2 * bx + 1) / 4, y = source.height() * (2 * by + 1) / 4;
            const QRgb want = source.pixel(x, y), got = decoded.pixel(x, y);
            EXPECT_NEAR(qRed(got), qRed(want), tolerance) << x << "," << y;
            EXPECT_NEAR(qGreen(got), qGreen(want), tolerance) << x << "," << y;
            EXPECT_NEAR(qBlue(got), qBlue(want), tolerance) << x << "," << y;
            EXPECT_EQ(qAlpha(got), 255);
        }
}

TEST(JpegDecode, BaselineAndProgressiveGiveTheSourceColours) {
    const QImage source = samples::blocks(64, 48);
    const QImage baseline = only_frame(decode_picture(samples::jpeg(source, samples::JpegKind::Rgb, 95)));
    expect_block_colours(baseline, source, 8);
    const QImage progressive = only_frame(decode_picture(samples::jpeg(source, samples::JpegKind::Progressive, 95)));
    expect_block_colours(progressive, source, 8);
    EXPECT_LE(samples::max_difference(baseline, progressive), 4);
}

TEST(JpegDecode, GrayscaleBecomesEqualChannels) {
    const QImage source = samples::blocks(32, 32);
    const QImage decoded = only_frame(decode_picture(samples::jpeg(source, samples::JpegKind::Gray)));
    ASSERT_EQ(decoded.size(), source.size());
    for (int y = 4; y < 32; y += 16)
        for (int x = 4; x < 32; x += 16) {
            const QRgb c = decoded.pixel(x + 4, y + 4);
            EXPECT_EQ(qRed(c), qGreen(c));
            EXPECT_EQ(qGreen(c), qBlue(c));
            EXPECT_NEAR(qRed(c), qGray(source.pixel(x + 4, y + 4)), 6);
        }
}

TEST(JpegDecode, AdobeCmykBecomesRgb) {
    const QImage source = samples::blocks(32, 32);
    const QImage decoded = only_frame(decode_picture(samples::jpeg(source, samples::JpegKind::CmykAdobe, 95)));
    expect_block_colours(decoded, source, 10);
}

TEST(JpegDecode, SidesUpToTheLimitDecodeAndBeyondAreRefused) {
    const QImage wide = samples::blocks(16384, 8);
    EXPECT_EQ(decode_picture(samples::jpeg(wide, samples::JpegKind::Rgb, 50)).size(), QSize(16384, 8));
    const QImage wider = samples::blocks(16385, 8);
    EXPECT_TRUE(decode_picture(samples::jpeg(wider, samples::JpegKind::Rgb, 50)).empty());
}

struct ScaleCase {
    const char* name;
    QSize fit;
    QSize expected;
};
void PrintTo(const ScaleCase& row, std::ostream* out) { *out << row.name; }

class JpegScale : public testing::TestWithParam<ScaleCase> {};

// An 800 x 600 picture can come out at n/8 of its size for n = 1..8; the
// decoder takes the smallest that still covers the box in both directions.
TEST_P(JpegScale, SmallestScaleThatCoversTheBox) {
    static const Bytes file = samples::jpeg(samples::blocks(800, 600), samples::JpegKind::Rgb, 80);
    const Picture picture = decode_picture(file, GetParam().fit);
    EXPECT_EQ(picture.size(), GetParam().expected);
    expect_block_colours(only_frame(picture), samples::blocks(GetParam().expected.width(), GetParam().expected.height()), 10);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, JpegScale,
    testing::Values(ScaleCase{"NoBox", QSize(), QSize(800, 600)},
                    ScaleCase{"EighthExactly", QSize(100, 75), QSize(100, 75)},
                    ScaleCase{"TinyBox", QSize(1, 1), QSize(100, 75)},
                    ScaleCase{"OnePixelMoreWide", QSize(101, 75), QSize(200, 150)},
                    ScaleCase{"TallerBoxDecides", QSize(90, 80), QSize(200, 150)},
                    ScaleCase{"Half", QSize(400, 300), QSize(400, 300)},
                    ScaleCase{"JustOverHalf", QSize(401, 300), QSize(500, 375)},
                    ScaleCase{"SevenEighths", QSize(700, 525), QSize(700, 525)},
                    ScaleCase{"BoxAsLarge", QSize(800, 600), QSize(800, 600)},
                    ScaleCase{"BoxLargerNeverEnlarges", QSize(1920, 1080), QSize(800, 600)},
                    ScaleCase{"EmptyBoxMeansFull", QSize(0, 0), QSize(800, 600)}),
    [](const testing::TestParamInfo<ScaleCase>& row) { return std::string(row.param.name); });

TEST(JpegDecode, BoxIgnoredForOtherFormats) {
    const QImage source = samples::blocks(64, 64);
    EXPECT_EQ(decode_picture(samples::png(source), QSize(8, 8)).size(), QSize(64, 64));
}

struct PngCase {
    const char* name;
    QImage source;
    int tolerance;
};
void PrintTo(const PngCase& row, std::ostream* out) { *out << row.name; }

QImage with_alpha_corner(QImage image) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 128));
    image.setPixel(1, 0, qRgba(10, 20, 30, 0));
    image.setPixel(2, 0, qRgba(255, 255, 255, 1));
    return image;
}

QImage indexed_with_transparency() {
    QImage image(6, 5, QImage::Format_Indexed8);
    image.setColorTable({qRgba(0, 0, 0, 0), qRgb(255, 0, 0), qRgba(0, 0, 255, 100)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, uint((x + y) % 3));
    return image;
}

class PngDecode : public testing::TestWithParam<PngCase> {};

TEST_P(PngDecode, GivesTheSourcePixelsPremultiplied) {
    const QImage& source = GetParam().source;
    const QImage decoded = only_frame(decode_picture(samples::png(source)));
    EXPECT_LE(samples::max_difference(decoded, source), GetParam().tolerance);
    const QImage interlaced = only_frame(decode_picture(samples::png_interlaced(source)));
    EXPECT_LE(samples::max_difference(interlaced, source), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    ColourTypes, PngDecode,
    testing::Values(PngCase{"Rgb", samples::blocks(13, 9).convertToFormat(QImage::Format_RGB32), 0},
                    PngCase{"RgbaWithPartialAlpha", with_alpha_corner(samples::blocks(13, 9)), 0},
                    PngCase{"PaletteWithTransparency", indexed_with_transparency(), 0},
                    PngCase{"Gray8", samples::blocks(9, 13).convertToFormat(QImage::Format_Grayscale8), 0},
                    PngCase{"Gray16", samples::blocks(9, 13).convertToFormat(QImage::Format_Grayscale16), 1},
                    PngCase{"Rgba16", with_alpha_corner(samples::blocks(9, 13)).convertToFormat(QImage::Format_RGBA64), 1},
                    PngCase{"Mono", samples::blocks(17, 3).convertToFormat(QImage::Format_Mono), 0}),
    [](const testing::TestParamInfo<PngCase>& row) { return std::string(row.param.name); });

QImage four_colours() {
    QImage image(7, 5, QImage::Format_ARGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.setPixel(x, y, colours[(x + 2 * y) % 4]);
    return image;
}

struct BmpCase {
    const char* name;
    int bpp;
    bool top_down;
    int tolerance;
};
void PrintTo(const BmpCase& row, std::ostream* out) { *out << row.name; }

class BmpDecode : public testing::TestWithParam<BmpCase> {};

TEST_P(BmpDecode, GivesTheSourcePixels) {
    const QImage source = GetParam().bpp == 1 ? four_colours().convertToFormat(QImage::Format_Mono)
                                              : four_colours();
    const QImage decoded = only_frame(decode_picture(samples::bmp(source, GetParam().bpp, GetParam().top_down)));
    EXPECT_LE(samples::max_difference(decoded, source), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpDecode,
                         testing::Values(BmpCase{"Mono", 1, false, 0}, BmpCase{"Palette4", 4, false, 0},
                                         BmpCase{"Palette8", 8, false, 0}, BmpCase{"Rgb555", 16, false, 0},
                                         BmpCase{"Rgb24", 24, false, 0}, BmpCase{"Rgb24TopDown", 24, true, 0},
                                         BmpCase{"Palette8TopDown", 8, true, 0}, BmpCase{"Rgb32", 32, false, 0},
                                         BmpCase{"Rgb32TopDown", 32, true, 0}),
                         [](const testing::TestParamInfo<BmpCase>& row) { return std::string(row.param.name); });

TEST(BmpDecode, FourthByteIsAlphaOnlyWhenSomePixelUsesIt) {
    QImage translucent = four_colours();
    translucent.setPixel(3, 2, qRgba(90, 60, 30, 77));
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(samples::bmp(translucent, 32))), translucent), 0);
    // Rows from the top, as the pixels of an image lie: still premultiplied.
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(samples::bmp(translucent, 32, true))), translucent), 0);

    // Written with alpha 0 everywhere, as older programs do: opaque.
    QImage cleared = four_colours();
    for (int y = 0; y < cleared.height(); ++y)
        for (int x = 0; x < cleared.width(); ++x)
            cleared.setPixel(x, y, cleared.pixel(x, y) & 0x00ffffffu);
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(samples::bmp(cleared, 32))), four_colours()), 0);
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(samples::bmp(cleared, 32, true))), four_colours()), 0);
}

TEST(BmpDecode, FilesFromQtsWriter) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_RGB888}) {
        const QImage source = four_colours().convertToFormat(format);
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, "BMP"));
        const QImage decoded = only_frame(decode_picture(Bytes(encoded.begin(), encoded.end())));
        EXPECT_EQ(samples::max_difference(decoded, source), 0) << format;
    }
}

TEST(BmpDecode, RunLengthWithMovesAndLineEnds) {
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
    // Bottom row: a run of 3 red, then 3 literal pixels (blue, green, green)
    // padded to a word, end of line. Then a move 2 right and 1 up, one red,
    // end of bitmap.
    const std::vector<uint8_t> stream = {3, 0, 0, 3, 1, 2, 2, 0, 0, 0, 0, 2, 2, 1, 1, 0, 0, 1};
    const QImage decoded = only_frame(decode_picture(samples::bmp_rle8(6, 3, {red, blue, green}, stream)));
    ASSERT_EQ(decoded.size(), QSize(6, 3));
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(decoded.pixel(x, 2), red);
    EXPECT_EQ(decoded.pixel(3, 2), blue);
    EXPECT_EQ(decoded.pixel(4, 2), green);
    EXPECT_EQ(decoded.pixel(5, 2), green);
    EXPECT_EQ(decoded.pixel(2, 0), red);
    // What the moves skip stays clear.
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(decoded.pixel(x, 1), 0u);
    EXPECT_EQ(decoded.pixel(1, 0), 0u);
    EXPECT_EQ(decoded.pixel(3, 0), 0u);
}

// What is drawn into the canvas comes back from our decoder and from Qt's
// own reader (another program reading the file), odd sizes included.
TEST(BmpCanvas, DrawnPixelsReadBackThroughEitherReader) {
    const QImage source = samples::blocks(21, 11).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    BmpCanvas canvas(source.size());
    ASSERT_EQ(canvas.image().size(), source.size());
    ASSERT_EQ(canvas.image().pixel(3, 3), 0u); // starts transparent
    QPainter(&canvas.image()).drawImage(0, 0, source);
    const Bytes bmp = canvas.take();
    EXPECT_TRUE(canvas.image().isNull());
    // The snapshot is handed from box to box: copies share its pixels, and
    // so does the picture decoded from it.
    EXPECT_TRUE(Bytes(bmp).shares_buffer_with(bmp));
    const QImage decoded = only_frame(decode_picture(bmp));
    EXPECT_EQ(samples::max_difference(decoded, source), 0);
    EXPECT_TRUE(decoded.constBits() > bmp.data() && decoded.constBits() < bmp.data() + bmp.size());
    const QImage by_qt = QImage::fromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP");
    EXPECT_EQ(samples::max_difference(by_qt.convertToFormat(QImage::Format_ARGB32_Premultiplied), source), 0);

    EXPECT_TRUE(BmpCanvas(QSize(0, 5)).take().empty());
    EXPECT_TRUE(BmpCanvas(QSize(0, 5)).image().isNull());
}

// A picture with clear or translucent pixels is kept whole, as PNG.
TEST(BmpCanvas, TransparencyIsKept) {
    const QImage source = with_alpha_corner(samples::blocks(13, 9)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    BmpCanvas canvas(source.size());
    QPainter(&canvas.image()).drawImage(0, 0, source);
    const Bytes picture = canvas.take();
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(picture)), source), 0);
    // Nothing drawn at all: clear throughout, not black.
    BmpCanvas empty(QSize(4, 3));
    EXPECT_EQ(qAlpha(only_frame(decode_picture(empty.take())).pixel(1, 1)), 0);
}

struct HalfCase {
    const char* name;
    int width, height;
    std::vector<QRgb> pixels; // premultiplied, row by row
    int half_width, half_height;
    std::vector<QRgb> half;
};
void PrintTo(const HalfCase& row, std::ostream* out) { *out << row.name; }

class HalfSize : public testing::TestWithParam<HalfCase> {};

TEST_P(HalfSize, EachPixelAveragesTheTwoByTwoItCovers) {
    const HalfCase& c = GetParam();
    QImage in(c.width, c.height, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < c.width * c.height; ++i)
        in.setPixel(i % c.width, i / c.width, c.pixels[size_t(i)]);
    const QImage out = half_size(in);
    ASSERT_EQ(out.size(), QSize(c.half_width, c.half_height));
    EXPECT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < c.half_width * c.half_height; ++i)
        EXPECT_EQ(out.pixel(i % c.half_width, i / c.half_width), c.half[size_t(i)]) << "pixel " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HalfSize,
    testing::Values(
        HalfCase{"EvenRoundsHalfUp", 4, 2,
                 {0xff000000, 0xff040404, 0xffff0000, 0xff00ff00, 0xff000002, 0xff000000, 0xff0000ff, 0xff000000},
                 2, 1, {0xff010102, 0xff404040}},
        // The last column and row stand in for those beyond the edge.
        HalfCase{"OddEdgesRepeat", 3, 3,
                 {0xff000000, 0xff000000, 0xffff0000, 0xff000000, 0xff000000, 0xff000000, 0xff0000ff, 0xff000000,
                  0xff00ff00},
                 2, 2, {0xff000000, 0xff800000, 0xff000080, 0xff00ff00}},
        // Transparent and opaque halves give half the coverage, not a dark edge.
        HalfCase{"PremultipliedAlpha", 2, 2, {0xffffffff, 0x00000000, 0xffffffff, 0x00000000}, 1, 1, {0x80808080}},
        HalfCase{"OnePixelStays", 1, 1, {0xff123456}, 1, 1, {0xff123456}}),
    [](const testing::TestParamInfo<HalfCase>& row) { return std::string(row.param.name); });

TEST(EncodePng, RoundTripsThroughTheDecoder) {
    const QImage source = with_alpha_corner(samples::blocks(21, 11));
    const Bytes encoded = encode_png(source);
    ASSERT_FALSE(encoded.empty());
    EXPECT_EQ(samples::max_difference(only_frame(decode_picture(encoded)), source), 0);
    EXPECT_TRUE(encode_png(QImage()).empty());
}

} // namespace
