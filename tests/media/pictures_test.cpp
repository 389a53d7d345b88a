// The stored egg pictures and the smash picture: GIF89a, 200 x 188, one
// frame, 256 colours with index 255 transparent, and pictures that read
// cleanly on any background.

#include "media/egg_media.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 188;
constexpr int kTransparent = 255;

struct Reader {
    const Bytes* data;
    size_t pos = 0;
};

int read_bytes(GifFileType* gif, GifByteType* out, int len)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min(size_t(len), r->data->size() - r->pos);
    std::memcpy(out, r->data->data() + r->pos, n);
    r->pos += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* g) const
    {
        int err = 0;
        DGifCloseFile(g, &err);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct Rgb {
    int r, g, b;
    double luma() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
};

// A picture decoded by giflib, reduced to what the checks look at.
struct Decoded {
    int screen_w = 0, screen_h = 0;
    int images = 0;
    int global_colours = 0;
    bool local_map = false;
    int image_left = -1, image_top = -1, image_w = 0, image_h = 0;
    int transparent = -1; // from the graphics control extension
    std::vector<int> index;
    std::vector<Rgb> palette;

    int at(int x, int y) const { return index[size_t(y) * size_t(image_w) + size_t(x)]; }
    bool opaque(int x, int y) const { return at(x, y) != transparent; }
    Rgb colour(int x, int y) const { return palette[size_t(at(x, y))]; }
};

Decoded decode(const Bytes& data)
{
    Decoded d;
    Reader reader{&data};
    int err = 0;
    GifPtr gif(DGifOpen(&reader, read_bytes, &err));
    if (!gif)
        return d;
    if (DGifSlurp(gif.get()) != GIF_OK)
        return d;
    d.screen_w = gif->SWidth;
    d.screen_h = gif->SHeight;
    d.images = gif->ImageCount;
    if (gif->SColorMap) {
        d.global_colours = gif->SColorMap->ColorCount;
        for (int i = 0; i < d.global_colours; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            d.palette.push_back({c.Red, c.Green, c.Blue});
        }
    }
    if (d.images < 1)
        return d;
    const SavedImage& im = gif->SavedImages[0];
    d.local_map = im.ImageDesc.ColorMap != nullptr;
    d.image_left = im.ImageDesc.Left;
    d.image_top = im.ImageDesc.Top;
    d.image_w = im.ImageDesc.Width;
    d.image_h = im.ImageDesc.Height;
    GraphicsControlBlock gcb{};
    if (DGifSavedExtensionToGCB(gif.get(), 0, &gcb) == GIF_OK)
        d.transparent = gcb.TransparentColor;
    d.index.assign(im.RasterBits, im.RasterBits + size_t(d.image_w) * size_t(d.image_h));
    return d;
}

struct Picture {
    std::string name;
    const Bytes* bytes;
};

std::vector<Picture> all_pictures()
{
    std::vector<Picture> out;
    for (int k = 1; k <= 9; ++k)
        out.push_back({"Egg" + std::to_string(k), &media::egg_picture(k)});
    out.push_back({"Smash", &media::smash_picture()});
    return out;
}

void PrintTo(const Picture& p, std::ostream* os) { *os << p.name; }

class StoredPicture : public ::testing::TestWithParam<Picture> {};

TEST_P(StoredPicture, IsASingleFrameGif89aWithIndex255Transparent)
{
    const Bytes& b = *GetParam().bytes;
    ASSERT_GE(b.size(), 13u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    // Logical screen: width and height, then a 256-entry global table (flag and size bits).
    EXPECT_EQ(b[6] | (b[7] << 8), kWidth);
    EXPECT_EQ(b[8] | (b[9] << 8), kHeight);
    EXPECT_EQ(b[10] & 0x80, 0x80);
    EXPECT_EQ(b[10] & 0x07, 7);

    const Decoded d = decode(b);
    EXPECT_EQ(d.screen_w, kWidth);
    EXPECT_EQ(d.screen_h, kHeight);
    EXPECT_EQ(d.images, 1);
    EXPECT_EQ(d.global_colours, 256);
    EXPECT_FALSE(d.local_map);
    EXPECT_EQ(d.image_left, 0);
    EXPECT_EQ(d.image_top, 0);
    ASSERT_EQ(d.image_w, kWidth);
    ASSERT_EQ(d.image_h, kHeight);
    EXPECT_EQ(d.transparent, kTransparent);
}

TEST_P(StoredPicture, ShowsAnObjectOnATransparentGround)
{
    const Decoded d = decode(*GetParam().bytes);
    ASSERT_EQ(d.image_w, kWidth);
    ASSERT_EQ(d.transparent, kTransparent);
    for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
        EXPECT_FALSE(d.opaque(x, y)) << "corner " << x << "," << y;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            EXPECT_TRUE(d.opaque(kWidth / 2 + dx, kHeight / 2 + dy)) << "centre " << dx << "," << dy;
    int opaque = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            opaque += d.opaque(x, y);
    const double share = double(opaque) / (kWidth * kHeight);
    EXPECT_GT(share, 0.30);
    EXPECT_LT(share, 0.75);
}

// GIF knows no partial transparency: whatever touches the ground must be the
// dark outline, or a pale fringe shows on light walls.
TEST_P(StoredPicture, EdgeAgainstTheGroundIsDark)
{
    const Decoded d = decode(*GetParam().bytes);
    ASSERT_EQ(d.image_w, kWidth);
    int edge = 0, pale = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (!d.opaque(x, y))
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx >= 0 && yy >= 0 && xx < kWidth && yy < kHeight && !d.opaque(xx, yy))
                        touches = true;
                }
            if (!touches)
                continue;
            ++edge;
            pale += d.colour(x, y).luma() > 120;
        }
    EXPECT_GT(edge, 300);
    EXPECT_EQ(pale, 0);
}

// The shell is gold: warm throughout and bright enough for a stage, not grey,
// blue or murky (as swapped channels or a broken palette would give).
TEST_P(StoredPicture, BodyIsWarmGold)
{
    const Decoded d = decode(*GetParam().bytes);
    ASSERT_EQ(d.image_w, kWidth);
    int opaque = 0, warm = 0;
    double luma = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (!d.opaque(x, y))
                continue;
            const Rgb c = d.colour(x, y);
            ++opaque;
            warm += c.r > c.b + 20;
            luma += c.luma();
        }
    ASSERT_GT(opaque, 0);
    EXPECT_GT(double(warm) / opaque, 0.95);
    EXPECT_GT(luma / opaque, 95);
    EXPECT_LT(luma / opaque, 190);
}

INSTANTIATE_TEST_SUITE_P(All, StoredPicture, ::testing::ValuesIn(all_pictures()),
                         [](const auto& p) { return p.param.name; });

double colour_distance(Rgb a, Rgb b)
{
    return std::sqrt(double((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b)));
}

// One picture per egg: each must be told apart from every other one at a
// glance, not only by a few stray pixels.
TEST(StoredPictures, EveryPictureLooksDifferent)
{
    const std::vector<Picture> pics = all_pictures();
    std::vector<Decoded> decoded;
    for (const Picture& p : pics)
        decoded.push_back(decode(*p.bytes));
    for (size_t i = 0; i < pics.size(); ++i) {
        ASSERT_EQ(decoded[i].image_w, kWidth) << pics[i].name;
        for (size_t j = i + 1; j < pics.size(); ++j) {
            int differing = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const bool oa = decoded[i].opaque(x, y), ob = decoded[j].opaque(x, y);
                    if (oa != ob || (oa && colour_distance(decoded[i].colour(x, y), decoded[j].colour(x, y)) > 80))
                        ++differing;
                }
            EXPECT_GT(differing, kWidth * kHeight / 50) << pics[i].name << " vs " << pics[j].name;
        }
    }
}

TEST(StoredPictures, EggNumbersOutsideOneToNineHaveNoPicture)
{
    for (int k : {-1, 0, 10, 1000})
        EXPECT_TRUE(media::egg_picture(k).empty()) << k;
}

} // namespace
