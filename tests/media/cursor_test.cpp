// The hammer pointer: a .cur file with one 64 x 64 image at 32 bits, hot spot
// (0, 0) on the hammer's striking face.

#include "media/egg_media.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr int kSize = 64;
constexpr size_t kHeader = 40;
constexpr size_t kImageAt = 22;
constexpr size_t kXorAt = kImageAt + kHeader;
constexpr size_t kAndAt = kXorAt + kSize * kSize * 4;

unsigned u16(const Bytes& b, size_t at) { return unsigned(b[at]) | unsigned(b[at + 1]) << 8; }
uint32_t u32(const Bytes& b, size_t at) { return uint32_t(u16(b, at)) | uint32_t(u16(b, at + 2)) << 16; }

// Rows are stored bottom-up; x, y count from the top left.
uint8_t alpha(const Bytes& b, int x, int y) { return b[kXorAt + size_t((kSize - 1 - y) * kSize + x) * 4 + 3]; }

bool mask_bit(const Bytes& b, int x, int y)
{
    return (b[kAndAt + size_t(kSize - 1 - y) * 8 + size_t(x / 8)] >> (7 - x % 8)) & 1;
}

double luma(const Bytes& b, int x, int y)
{
    const size_t p = kXorAt + size_t((kSize - 1 - y) * kSize + x) * 4;
    return 0.114 * b[p] + 0.587 * b[p + 1] + 0.299 * b[p + 2];
}

TEST(HammerCursor, HeadersDescribeOne64By64ImageAt32BitsWithHotSpotAtOrigin)
{
    const Bytes& c = media::hammer_cursor();
    ASSERT_EQ(c.size(), 16958u);
    EXPECT_EQ(u16(c, 0), 0u);  // reserved
    EXPECT_EQ(u16(c, 2), 2u);  // cursor
    EXPECT_EQ(u16(c, 4), 1u);  // one image
    EXPECT_EQ(c[6], kSize);
    EXPECT_EQ(c[7], kSize);
    EXPECT_EQ(c[8], 0);        // no palette
    EXPECT_EQ(c[9], 0);
    EXPECT_EQ(u16(c, 10), 0u); // hot spot x
    EXPECT_EQ(u16(c, 12), 0u); // hot spot y
    EXPECT_EQ(u32(c, 14), c.size() - kImageAt);
    EXPECT_EQ(u32(c, 18), kImageAt);

    EXPECT_EQ(u32(c, kImageAt + 0), kHeader);
    EXPECT_EQ(u32(c, kImageAt + 4), uint32_t(kSize));
    EXPECT_EQ(u32(c, kImageAt + 8), uint32_t(2 * kSize)); // picture and mask
    EXPECT_EQ(u16(c, kImageAt + 12), 1u);
    EXPECT_EQ(u16(c, kImageAt + 14), 32u);
    for (size_t at = kImageAt + 16; at < kXorAt; at += 4)
        EXPECT_EQ(u32(c, at), 0u) << "header byte " << at - kImageAt;
}

TEST(HammerCursor, MaskMarksExactlyTheFullyTransparentPixels)
{
    const Bytes& c = media::hammer_cursor();
    ASSERT_EQ(c.size(), 16958u);
    int mismatches = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            mismatches += mask_bit(c, x, y) != (alpha(c, x, y) == 0);
    EXPECT_EQ(mismatches, 0);
}

TEST(HammerCursor, StrikingFaceSitsAtTheHotSpotAndTheRestIsClear)
{
    const Bytes& c = media::hammer_cursor();
    ASSERT_EQ(c.size(), 16958u);
    int near_corner = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            near_corner += alpha(c, x, y) == 255;
    EXPECT_GT(near_corner, 4);

    // The hammer points from the top left to the lower right: the other two
    // corners stay clear.
    for (int y = 0; y < 10; ++y)
        for (int x = kSize - 10; x < kSize; ++x)
            EXPECT_EQ(alpha(c, x, y), 0) << x << "," << y;
    for (int y = kSize - 10; y < kSize; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(alpha(c, x, y), 0) << x << "," << y;

    int opaque = 0, partial = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            opaque += alpha(c, x, y) == 255;
            partial += alpha(c, x, y) > 0 && alpha(c, x, y) < 255;
        }
    EXPECT_GT(opaque, kSize * kSize / 6);
    EXPECT_LT(opaque, kSize * kSize * 2 / 3);
    EXPECT_GT(partial, 0) << "edges should be smoothed by real alpha";
}

// A dark outline keeps the hammer visible over gold eggs and light walls.
TEST(HammerCursor, OutlineIsDark)
{
    const Bytes& c = media::hammer_cursor();
    ASSERT_EQ(c.size(), 16958u);
    int edge = 0, dark = 0;
    for (int y = 1; y < kSize - 1; ++y)
        for (int x = 1; x < kSize - 1; ++x) {
            if (alpha(c, x, y) < 200)
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    touches = touches || alpha(c, x + dx, y + dy) == 0;
            if (!touches)
                continue;
            ++edge;
            dark += luma(c, x, y) < 80;
        }
    EXPECT_GT(edge, 50);
    EXPECT_GT(dark, edge * 9 / 10);
}

} // namespace
