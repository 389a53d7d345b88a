// Damaged pictures: every truncation of small files of each kind, headers
// that ask for absurd sizes or point outside the file, and random byte
// changes. None may crash, hang or yield a half-decoded picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <random>

#include <QPixmap>

#include "picture_samples.h"
#include "runtime/ui/picture.h"

namespace {

using samples::GifFrame;
using samples::IconEntry;

QImage translucent_blocks(int w, int h) {
    QImage image = samples::blocks(w, h);
    image.setPixel(0, 0, qRgba(100, 150, 200, 90));
    image.setPixel(w - 1, h - 1, qRgba(0, 0, 0, 0));
    return image;
}

QImage few_colours(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (x + y) % 3 == 0 ? qRgb(250, 10, 10) : (x % 2 ? qRgb(0, 0, 0) : qRgb(9, 99, 199)));
    return image;
}

Bytes two_frame_gif() {
    GifFrame first;
    first.rect = QRect(0, 0, 5, 4);
    for (int i = 0; i < 20; ++i)
        first.indices.push_back(uint8_t(i % 4));
    first.delay_cs = 20;
    first.disposal = 2;
    GifFrame second = first;
    second.rect = QRect(1, 1, 3, 3);
    second.indices.assign(9, 2);
    second.indices[4] = 3;
    second.transparent = 3;
    second.interlaced = true;
    return samples::gif(QSize(5, 4), {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)},
                        {first, second});
}

Bytes rle_bmp() {
    const std::vector<uint8_t> stream = {4, 1, 0, 0, 0, 3, 1, 2, 1, 0, 1, 2, 0, 0, 0, 2, 1, 0, 2, 0, 0, 1};
    return samples::bmp_rle8(4, 3, {qRgb(1, 2, 3), qRgb(200, 0, 0), qRgb(0, 200, 0)}, stream);
}

struct Sample {
    const char* name;
    std::function<Bytes()> make;
};
void PrintTo(const Sample& row, std::ostream* out) { *out << row.name; }

const std::vector<Sample>& all_samples() {
    static const std::vector<Sample> list = {
        {"JpegBaseline", [] { return samples::jpeg(samples::blocks(16, 16)); }},
        {"JpegProgressive", [] { return samples::jpeg(samples::blocks(24, 16), samples::JpegKind::Progressive); }},
        {"JpegGray", [] { return samples::jpeg(samples::blocks(16, 8), samples::JpegKind::Gray); }},
        {"JpegCmyk", [] { return samples::jpeg(samples::blocks(8, 8), samples::JpegKind::CmykAdobe); }},
        {"Png", [] { return samples::png(translucent_blocks(8, 6)); }},
        {"PngInterlaced", [] { return samples::png_interlaced(translucent_blocks(9, 9)); }},
        {"PngPalette", [] { return samples::png(few_colours(7, 5).convertToFormat(QImage::Format_Indexed8)); }},
        {"GifTwoFrames", two_frame_gif},
        {"Bmp8", [] { return samples::bmp(few_colours(7, 5), 8); }},
        {"Bmp32", [] { return samples::bmp(translucent_blocks(5, 3), 32); }},
        {"BmpRle8", rle_bmp},
        {"Ico32", [] { return samples::icon_file(1, {{samples::icon_bitmap(translucent_blocks(8, 8), 32), 8, 8, 32, {}}}); }},
        {"Ico4", [] { return samples::icon_file(1, {{samples::icon_bitmap(few_colours(8, 8), 4), 8, 8, 4, {}}}); }},
        {"IcoPng", [] { return samples::icon_file(1, {{samples::png(translucent_blocks(6, 6)), 6, 6, 32, {}}}); }},
        {"Cur32", [] {
             return samples::icon_file(2, {{samples::icon_bitmap(translucent_blocks(16, 16), 32), 16, 16, 0, {5, 7}}});
         }},
    };
    return list;
}

bool same_picture(const Picture& a, const Picture& b) {
    if (a.frames.size() != b.frames.size() || a.delays_ms != b.delays_ms)
        return false;
    for (size_t i = 0; i < a.frames.size(); ++i)
        if (a.frames[i] != b.frames[i])
            return false;
    return true;
}

// The end marks (JPEG's end of image, PNG's end chunk, GIF's trailer) are
// the only bytes a file may lose and still be a picture.
constexpr size_t kTailSlack = 16;

class Truncated : public testing::TestWithParam<Sample> {};

TEST_P(Truncated, EveryPrefixIsNothingOrTheWholePicture) {
    const Bytes file = GetParam().make();
    const Picture whole = decode_picture(file);
    ASSERT_FALSE(whole.empty());
    const std::optional<QCursor> whole_cursor = decode_cursor(file);
    int accepted = 0;
    for (size_t n = 0; n < file.size(); ++n) {
        const Bytes prefix(file.begin(), file.begin() + ptrdiff_t(n));
        const Picture part = decode_picture(prefix);
        if (!part.empty()) {
            ++accepted;
            EXPECT_TRUE(same_picture(part, whole)) << "prefix of " << n << " of " << file.size() << " bytes";
            EXPECT_GE(n + kTailSlack, file.size()) << "prefix of " << n << " of " << file.size() << " bytes";
        }
        const std::optional<QCursor> cursor = decode_cursor(prefix);
        if (cursor) {
            ASSERT_TRUE(whole_cursor.has_value());
            EXPECT_EQ(cursor->hotSpot(), whole_cursor->hotSpot());
        }
    }
    EXPECT_LE(accepted, int(kTailSlack));
}

INSTANTIATE_TEST_SUITE_P(Samples, Truncated, testing::ValuesIn(all_samples()),
                         [](const testing::TestParamInfo<Sample>& row) { return std::string(row.param.name); });

// What a decoded picture always is, however damaged its file was.
void expect_sane(const Picture& p) {
    ASSERT_EQ(p.frames.size(), p.delays_ms.size());
    for (const QImage& frame : p.frames) {
        EXPECT_EQ(frame.size(), p.size());
        EXPECT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_LE(int64_t(frame.width()) * frame.height(), int64_t(64) << 20);
    }
}

class Mutated : public testing::TestWithParam<Sample> {};

TEST_P(Mutated, RandomByteChangesNeverBreakTheDecoder) {
    const Bytes file = GetParam().make();
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        Bytes damaged = file;
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const size_t at = random() % damaged.size();
            damaged[at] = round % 3 == 0 ? uint8_t(random()) : uint8_t(damaged[at] ^ (1u << (random() % 8)));
        }
        expect_sane(decode_picture(damaged));
        expect_sane(decode_picture(damaged, QSize(3, 2)));
        if (const std::optional<QCursor> cursor = decode_cursor(damaged)) {
            const QPixmap pixmap = cursor->pixmap();
            EXPECT_TRUE(QRect(QPoint(0, 0), pixmap.size()).contains(cursor->hotSpot()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, Mutated, testing::ValuesIn(all_samples()),
                         [](const testing::TestParamInfo<Sample>& row) { return std::string(row.param.name); });

// --- Hostile headers -------------------------------------------------------

void put_be16(Bytes& b, size_t at, unsigned v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
void put_be32(Bytes& b, size_t at, uint32_t v) {
    put_be16(b, at, v >> 16);
    put_be16(b, at + 2, v & 0xffff);
}
void put_le16(Bytes& b, size_t at, unsigned v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put_le32(Bytes& b, size_t at, uint32_t v) {
    put_le16(b, at, v & 0xffff);
    put_le16(b, at + 2, v >> 16);
}

uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

Bytes jpeg_claiming(unsigned width, unsigned height) {
    Bytes b = samples::jpeg(samples::blocks(16, 16));
    for (size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xff && b[i + 1] == 0xc0) { // start of frame: length, precision, height, width
            put_be16(b, i + 5, height);
            put_be16(b, i + 7, width);
            return b;
        }
    ADD_FAILURE() << "no SOF0 marker";
    return {};
}

Bytes png_claiming(uint32_t width, uint32_t height, bool fix_crc = true) {
    Bytes b = samples::png(samples::blocks(8, 8));
    put_be32(b, 16, width);
    put_be32(b, 20, height);
    if (fix_crc)
        put_be32(b, 29, crc32(b.data() + 12, 17));
    return b;
}

size_t first_image_descriptor(const Bytes& gif) {
    for (size_t i = 13; i + 2 < gif.size(); ++i)
        if (gif[i] == 0x21 && gif[i + 1] == 0xf9 && gif[i + 2] == 4)
            return i + 8;
    ADD_FAILURE() << "no graphics control extension";
    return 0;
}

Bytes gif_with_frame(unsigned width, unsigned height) {
    Bytes b = two_frame_gif();
    const size_t at = first_image_descriptor(b);
    put_le16(b, at + 5, width);
    put_le16(b, at + 7, height);
    return b;
}

Bytes bmp_with(size_t at, uint32_t value, bool sixteen = false) {
    Bytes b = samples::bmp(few_colours(7, 5), 24);
    if (sixteen)
        put_le16(b, at, value);
    else
        put_le32(b, at, value);
    return b;
}

Bytes ico_with(size_t at, uint32_t value, bool sixteen = false) {
    Bytes b = samples::icon_file(1, {{samples::icon_bitmap(translucent_blocks(8, 8), 32), 8, 8, 32, {}}});
    if (sixteen)
        put_le16(b, at, value);
    else
        put_le32(b, at, value);
    return b;
}

struct Hostile {
    const char* name;
    std::function<Bytes()> make;
};
void PrintTo(const Hostile& row, std::ostream* out) { *out << row.name; }

class HostileHeader : public testing::TestWithParam<Hostile> {};

TEST_P(HostileHeader, GivesNothing) {
    const Bytes file = GetParam().make();
    ASSERT_FALSE(file.empty() && std::string(GetParam().name) != "Empty");
    EXPECT_TRUE(decode_picture(file).empty());
    EXPECT_TRUE(decode_picture(file, QSize(10, 10)).empty());
    EXPECT_FALSE(decode_cursor(file).has_value());
}

constexpr size_t kIcoEntry = 6, kIcoBitmap = 6 + 16;

INSTANTIATE_TEST_SUITE_P(
    Files, HostileHeader,
    testing::Values(
        Hostile{"Empty", [] { return Bytes(); }},
        Hostile{"Noise",
                [] {
                    std::mt19937 random(7);
                    Bytes b(3000);
                    for (uint8_t& c : b)
                        c = uint8_t(random());
                    b[0] = 'x';
                    return b;
                }},
        Hostile{"JpegSidesPastLimit", [] { return jpeg_claiming(20000, 20000); }},
        Hostile{"JpegAreaPastLimit", [] { return jpeg_claiming(16000, 16000); }},
        Hostile{"JpegZeroWidth", [] { return jpeg_claiming(0, 16); }},
        Hostile{"JpegSoiOnly", [] { return Bytes{0xff, 0xd8, 0xff}; }},
        Hostile{"JpegDataReplacedByMarkers",
                [] {
                    Bytes b = samples::jpeg(samples::blocks(16, 16));
                    std::fill(b.end() - 40, b.end() - 2, uint8_t(0xff));
                    return b;
                }},
        Hostile{"PngSidesPastLimit", [] { return png_claiming(20000, 20000); }},
        Hostile{"PngAreaPastLimit", [] { return png_claiming(9000, 9000); }},
        Hostile{"PngHeaderChecksumWrong", [] { return png_claiming(8, 9, false); }},
        Hostile{"PngSignatureOnly", [] { return Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}; }},
        Hostile{"GifScreenPastLimit",
                [] {
                    Bytes b = two_frame_gif();
                    put_le16(b, 6, 65535);
                    put_le16(b, 8, 65535);
                    return b;
                }},
        Hostile{"GifFramePastLimit", [] { return gif_with_frame(60000, 60000); }},
        Hostile{"GifFrameOfNoPixels", [] { return gif_with_frame(0, 4); }},
        Hostile{"GifNoFrames",
                [] {
                    Bytes b = two_frame_gif();
                    b.resize(13 + 12);
                    b.push_back(0x3b);
                    return b;
                }},
        Hostile{"GifGarbledCodes",
                [] {
                    Bytes b = two_frame_gif();
                    const size_t at = first_image_descriptor(b) + 10;
                    std::fill(b.begin() + ptrdiff_t(at) + 2, b.end() - 1, uint8_t(0xff));
                    return b;
                }},
        Hostile{"BmpSidesPastLimit", [] { return bmp_with(18, 16385); }},
        Hostile{"BmpLargeButNoPixels",
                [] {
                    Bytes b = bmp_with(18, 16384);
                    put_le32(b, 22, 16384);
                    return b;
                }},
        Hostile{"BmpZeroWidth", [] { return bmp_with(18, 0); }},
        Hostile{"BmpNegativeWidth", [] { return bmp_with(18, uint32_t(-7)); }},
        Hostile{"BmpMostNegativeHeight", [] { return bmp_with(22, 0x80000000u); }},
        Hostile{"BmpDepthSeven", [] { return bmp_with(28, 7, true); }},
        Hostile{"BmpUnknownCompression", [] { return bmp_with(30, 9); }},
        Hostile{"BmpEmbeddedJpeg", [] { return bmp_with(30, 4); }},
        Hostile{"BmpHeaderSizeUnknown", [] { return bmp_with(14, 200); }},
        Hostile{"BmpPaletteCountHuge",
                [] {
                    Bytes b = samples::bmp(few_colours(7, 5), 16);
                    put_le32(b, 14 + 32, 0x7fffffff);
                    return b;
                }},
        Hostile{"BmpRleEndsMidPicture",
                [] { return samples::bmp_rle8(4, 3, {qRgb(1, 2, 3)}, {4, 0, 0, 0, 4, 0}); }},
        Hostile{"BmpRleLiteralRunsPastEnd",
                [] { return samples::bmp_rle8(4, 3, {qRgb(1, 2, 3)}, {0, 200, 0, 0}); }},
        Hostile{"IcoCountPastFile", [] { return ico_with(4, 65535, true); }},
        Hostile{"IcoCountZero", [] { return ico_with(4, 0, true); }},
        Hostile{"IcoOffsetPastEnd", [] { return ico_with(kIcoEntry + 12, 1u << 30); }},
        Hostile{"IcoSizePastEnd", [] { return ico_with(kIcoEntry + 8, 0xffffffffu); }},
        Hostile{"IcoBitmapZeroHeight", [] { return ico_with(kIcoBitmap + 8, 0); }},
        Hostile{"IcoBitmapNegativeHeight", [] { return ico_with(kIcoBitmap + 8, uint32_t(-16)); }},
        Hostile{"IcoBitmapHugeWidth", [] { return ico_with(kIcoBitmap + 4, 1u << 20); }},
        Hostile{"IcoBitmapRunLength", [] { return ico_with(kIcoBitmap + 16, 1); }},
        Hostile{"IconTypeThree", [] { return ico_with(2, 3, true); }}),
    [](const testing::TestParamInfo<Hostile>& row) { return std::string(row.param.name); });

} // namespace
