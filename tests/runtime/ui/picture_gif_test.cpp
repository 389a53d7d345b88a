// Animated GIFs: frames composed on the logical screen with their delays,
// transparent colour and disposal methods.

#include <gtest/gtest.h>

#include "picture_samples.h"
#include "runtime/ui/picture.h"

namespace {

using samples::GifFrame;

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255), kWhite = qRgb(255, 255, 255);
const std::vector<QRgb> kPalette = {kRed, kGreen, kBlue, kWhite};
constexpr QRgb kClear = 0;

GifFrame solid(QRect rect, uint8_t index) {
    GifFrame f;
    f.rect = rect;
    f.indices.assign(size_t(rect.width() * rect.height()), index);
    return f;
}

TEST(GifDecode, TwoFramesWithDelaysAndTransparency) {
    GifFrame first = solid(QRect(0, 0, 4, 4), 0);
    first.delay_cs = 50;
    GifFrame second = solid(QRect(1, 1, 2, 2), 1);
    second.indices[0] = 3; // the transparent index: frame one shows through
    second.transparent = 3;
    second.delay_cs = 0;
    const Picture p = decode_picture(samples::gif(QSize(4, 4), kPalette, {first, second}));
    ASSERT_EQ(p.frames.size(), 2u);
    EXPECT_TRUE(p.animated());
    EXPECT_EQ(p.delays_ms, (std::vector<int>{500, 100}));
    EXPECT_EQ(p.size(), QSize(4, 4));
    EXPECT_EQ(p.frames[1].size(), QSize(4, 4));
    EXPECT_EQ(p.frames[0].pixel(1, 1), kRed);
    EXPECT_EQ(p.frames[1].pixel(1, 1), kRed);
    EXPECT_EQ(p.frames[1].pixel(2, 1), kGreen);
    EXPECT_EQ(p.frames[1].pixel(2, 2), kGreen);
    EXPECT_EQ(p.frames[1].pixel(0, 0), kRed);
    EXPECT_EQ(p.frames[1].pixel(3, 3), kRed);
    // The first frame is not changed by drawing the second.
    EXPECT_EQ(p.frames[0].pixel(2, 2), kRed);
}

TEST(GifDecode, DelaysOfTenMillisecondsAndLessPlayAtOneHundred) {
    std::vector<GifFrame> frames;
    for (int cs : {0, 1, 2, 7}) {
        frames.push_back(solid(QRect(0, 0, 1, 1), 0));
        frames.back().delay_cs = cs;
    }
    const Picture p = decode_picture(samples::gif(QSize(1, 1), kPalette, frames));
    EXPECT_EQ(p.delays_ms, (std::vector<int>{100, 100, 20, 70}));
}

TEST(GifDecode, StartsTransparentAndTransparentPixelsStayClear) {
    GifFrame f = solid(QRect(1, 0, 2, 1), 2);
    f.indices[1] = 0;
    f.transparent = 0;
    const Picture p = decode_picture(samples::gif(QSize(3, 2), kPalette, {f}));
    ASSERT_EQ(p.frames.size(), 1u);
    EXPECT_FALSE(p.animated());
    EXPECT_EQ(p.frames[0].format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(p.frames[0].pixel(0, 0), kClear); // outside the frame
    EXPECT_EQ(p.frames[0].pixel(1, 0), kBlue);
    EXPECT_EQ(p.frames[0].pixel(2, 0), kClear); // transparent index
    EXPECT_EQ(p.frames[0].pixel(1, 1), kClear);
}

TEST(GifDecode, DisposeToBackgroundClearsTheFramesArea) {
    GifFrame first = solid(QRect(0, 0, 2, 2), 0);
    first.disposal = 2;
    const GifFrame second = solid(QRect(2, 2, 1, 1), 1);
    const Picture p = decode_picture(samples::gif(QSize(3, 3), kPalette, {first, second}));
    ASSERT_EQ(p.frames.size(), 2u);
    EXPECT_EQ(p.frames[0].pixel(0, 0), kRed);
    EXPECT_EQ(p.frames[1].pixel(0, 0), kClear);
    EXPECT_EQ(p.frames[1].pixel(1, 1), kClear);
    EXPECT_EQ(p.frames[1].pixel(2, 2), kGreen);
}

TEST(GifDecode, DisposeToPreviousRestoresWhatWasThere) {
    const GifFrame first = solid(QRect(0, 0, 3, 3), 0); // stays
    GifFrame second = solid(QRect(0, 0, 2, 2), 1);
    second.disposal = 3;
    const GifFrame third = solid(QRect(2, 2, 1, 1), 2);
    GifFrame fourth = solid(QRect(1, 1, 1, 1), 3); // not disposed: kept
    fourth.disposal = 1;
    const GifFrame fifth = solid(QRect(0, 2, 1, 1), 2);
    const Picture p = decode_picture(samples::gif(QSize(3, 3), kPalette, {first, second, third, fourth, fifth}));
    ASSERT_EQ(p.frames.size(), 5u);
    EXPECT_EQ(p.frames[1].pixel(0, 0), kGreen);
    EXPECT_EQ(p.frames[2].pixel(0, 0), kRed);
    EXPECT_EQ(p.frames[2].pixel(1, 1), kRed);
    EXPECT_EQ(p.frames[2].pixel(2, 2), kBlue);
    EXPECT_EQ(p.frames[4].pixel(1, 1), kWhite);
    EXPECT_EQ(p.frames[4].pixel(0, 2), kBlue);
}

TEST(GifDecode, InterlacedRowsLandInPlace) {
    GifFrame f;
    f.rect = QRect(0, 0, 2, 11);
    f.interlaced = true;
    std::vector<QRgb> palette;
    for (int y = 0; y < 11; ++y) {
        palette.push_back(qRgb(y * 20, 255 - y * 20, 7));
        f.indices.push_back(uint8_t(y));
        f.indices.push_back(uint8_t(y));
    }
    const Picture p = decode_picture(samples::gif(QSize(2, 11), palette, {f}));
    ASSERT_EQ(p.frames.size(), 1u);
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(p.frames[0].pixel(1, y), palette[size_t(y)]) << "row " << y;
}

TEST(GifDecode, LocalPaletteAndFramesReachingPastTheScreen) {
    GifFrame f = solid(QRect(2, 1, 3, 3), 1);
    f.local_palette = {kWhite, kBlue};
    const Picture p = decode_picture(samples::gif(QSize(4, 3), kPalette, {f}));
    ASSERT_EQ(p.size(), QSize(4, 3));
    EXPECT_EQ(p.frames[0].pixel(3, 2), kBlue);
    EXPECT_EQ(p.frames[0].pixel(2, 1), kBlue);
    EXPECT_EQ(p.frames[0].pixel(1, 1), kClear);
}

TEST(GifDecode, ScreenOfZeroSizeTakesTheFirstFramesExtent) {
    const Picture p = decode_picture(samples::gif(QSize(0, 0), kPalette, {solid(QRect(1, 2, 3, 4), 2)}));
    ASSERT_EQ(p.size(), QSize(4, 6));
    EXPECT_EQ(p.frames[0].pixel(3, 5), kBlue);
    EXPECT_EQ(p.frames[0].pixel(0, 0), kClear);
}

} // namespace
