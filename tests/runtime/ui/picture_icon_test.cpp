// Icons and cursors: bitmaps with AND masks and alpha, PNG entries, the
// choice among several sizes, and a cursor's hot spot.

#include <gtest/gtest.h>

#include <ostream>

#include <QPixmap>

#include "picture_samples.h"
#include "runtime/ui/picture.h"

namespace {

using samples::IconEntry;

// A shape with opaque, clear and (optionally) half-transparent pixels; in
// two colours only (white and the black of the masked pixels) when `mono`.
QImage arrow(int side, bool translucent, bool mono = false) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x <= y && x < side / 2 + 1; ++x)
            image.setPixel(x, y, x == y || mono ? qRgb(255, 255, 255) : qRgb(20, 40, 200));
    if (translucent)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, side - 1, qRgba(200, 30, 30, 96));
    return image;
}

IconEntry entry(const QImage& image, int bpp, QPoint hot = {}) {
    return IconEntry{samples::icon_bitmap(image, bpp), image.width(), image.height(), bpp, hot};
}

QImage picture_of(const Bytes& file) {
    const Picture p = decode_picture(file);
    EXPECT_EQ(p.frames.size(), 1u);
    return p.empty() ? QImage() : p.frames[0];
}

struct DepthCase {
    const char* name;
    int bpp;
};
void PrintTo(const DepthCase& row, std::ostream* out) { *out << row.name; }

class IconDepth : public testing::TestWithParam<DepthCase> {};

// Below 32 bits transparency comes from the AND mask alone.
TEST_P(IconDepth, ColoursAndMaskTransparency) {
    const QImage source = arrow(16, GetParam().bpp == 32, GetParam().bpp == 1);
    const QImage decoded = picture_of(samples::icon_file(1, {entry(source, GetParam().bpp)}));
    EXPECT_EQ(samples::max_difference(decoded, source), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, IconDepth,
                         testing::Values(DepthCase{"Mono", 1}, DepthCase{"Palette4", 4}, DepthCase{"Palette8", 8},
                                         DepthCase{"Rgb24", 24}, DepthCase{"Alpha32", 32}),
                         [](const testing::TestParamInfo<DepthCase>& row) { return std::string(row.param.name); });

TEST(IconDecode, ThirtyTwoBitWithoutAlphaUsesTheMask) {
    // Older writers leave the alpha bytes zero and rely on the AND mask.
    const QImage source = arrow(8, false);
    Bytes bitmap = samples::icon_bitmap(source, 32);
    for (size_t at = 40 + 3; at < 40 + 8 * 8 * 4; at += 4)
        bitmap[at] = 0;
    const QImage decoded = picture_of(samples::icon_file(1, {IconEntry{bitmap, 8, 8, 32, {}}}));
    EXPECT_EQ(samples::max_difference(decoded, source), 0);
}

TEST(IconDecode, PngEntry) {
    const QImage source = arrow(24, true);
    const QImage decoded = picture_of(samples::icon_file(1, {IconEntry{samples::png(source), 24, 24, 32, {}}}));
    EXPECT_EQ(samples::max_difference(decoded, source), 0);
}

TEST(IconDecode, PicturesTakeTheLargestEntryCursorsTheOneNearestThirtyTwo) {
    QImage small(16, 16, QImage::Format_ARGB32), mid(32, 32, QImage::Format_ARGB32), large(64, 64, QImage::Format_ARGB32);
    small.fill(qRgb(255, 0, 0));
    mid.fill(qRgb(0, 255, 0));
    large.fill(qRgb(0, 0, 255));
    for (int type : {1, 2}) {
        const Bytes file = samples::icon_file(type, {entry(small, 32), entry(large, 32), entry(mid, 32)});
        EXPECT_EQ(samples::max_difference(picture_of(file), large), 0) << "type " << type;
        const std::optional<QCursor> cursor = decode_cursor(file);
        ASSERT_TRUE(cursor.has_value()) << "type " << type;
        EXPECT_EQ(samples::max_difference(cursor->pixmap().toImage(), mid), 0) << "type " << type;
    }
    // Same size: the deeper icon wins.
    const Bytes file = samples::icon_file(1, {entry(small, 8), entry(mid.scaled(16, 16), 32)});
    EXPECT_EQ(samples::max_difference(picture_of(file), mid.scaled(16, 16)), 0);
}

TEST(CursorDecode, HotSpotFromTheFileAndAlphaKept) {
    const QImage source = arrow(32, true);
    const Bytes file = samples::icon_file(2, {entry(source, 32, QPoint(5, 7))});
    const std::optional<QCursor> cursor = decode_cursor(file);
    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(cursor->shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor->hotSpot(), QPoint(5, 7));
    EXPECT_EQ(samples::max_difference(cursor->pixmap().toImage(), source), 0);
    // The same file is a picture as well.
    EXPECT_EQ(samples::max_difference(picture_of(file), source), 0);
}

TEST(CursorDecode, HotSpotOutsideTheImageIsKeptOnItsEdge) {
    const Bytes file = samples::icon_file(2, {entry(arrow(16, false), 24, QPoint(40, 9))});
    const std::optional<QCursor> cursor = decode_cursor(file);
    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(cursor->hotSpot(), QPoint(15, 9));
}

TEST(CursorDecode, IconsAreCentredAndOtherFormatsAreNoCursor) {
    const std::optional<QCursor> cursor = decode_cursor(samples::icon_file(1, {entry(arrow(32, false), 32)}));
    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(cursor->hotSpot(), QPoint(16, 16));
    EXPECT_FALSE(decode_cursor(samples::png(arrow(32, false))).has_value());
    EXPECT_FALSE(decode_cursor(samples::bmp(arrow(32, false), 24)).has_value());
    EXPECT_FALSE(decode_cursor(Bytes()).has_value());
}

} // namespace
