// ICO and CUR files: a directory of images, each a PNG or a bitmap with an
// AND mask. A cursor's directory entry holds its hot spot where an icon's
// holds planes and bit count.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

constexpr size_t kDirectoryHeader = 6;
constexpr size_t kEntrySize = 16;
// The size the system draws mouse pointers at.
constexpr int kCursorSide = 32;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Entry {
    int side = 0; // the larger of width and height; 0 in the file means 256
    int area = 0;
    int bpp = 0;  // icons only
    QPoint hot_spot;
    uint32_t bytes = 0;
    uint32_t offset = 0;
};

// Is `a` a better choice than `b`? Pictures want the biggest image, mouse
// pointers the one nearest the size they are drawn at; then the deepest.
bool better(const Entry& a, const Entry& b, IconUse use) {
    if (use == IconUse::Cursor) {
        const int da = std::abs(a.side - kCursorSide), db = std::abs(b.side - kCursorSide);
        if (da != db)
            return da < db;
    } else if (a.area != b.area) {
        return a.area > b.area;
    }
    return a.bpp > b.bpp;
}

} // namespace

IconImage decode_icon(const uint8_t* data, size_t size, IconUse use) {
    if (size < kDirectoryHeader || u16(data) != 0)
        return {};
    const int type = u16(data + 2);
    const size_t count = u16(data + 4);
    if ((type != 1 && type != 2) || count == 0 || size < kDirectoryHeader + count * kEntrySize)
        return {};

    Entry best;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + kDirectoryHeader + i * kEntrySize;
        Entry entry;
        const int width = e[0] ? e[0] : 256, height = e[1] ? e[1] : 256;
        entry.side = std::max(width, height);
        entry.area = width * height;
        if (type == 1)
            entry.bpp = u16(e + 6);
        else
            entry.hot_spot = QPoint(u16(e + 4), u16(e + 6));
        entry.bytes = u32(e + 8);
        entry.offset = u32(e + 12);
        if (i == 0 || better(entry, best, use))
            best = entry;
    }
    if (best.offset > size || best.bytes > size - best.offset)
        return {};

    const uint8_t* image_data = data + best.offset;
    static constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const bool png = best.bytes >= sizeof kPngSignature && std::memcmp(image_data, kPngSignature, sizeof kPngSignature) == 0;
    IconImage result;
    result.image = png ? decode_png(image_data, best.bytes) : decode_dib(image_data, best.bytes, 0, true);
    if (result.image.isNull())
        return {};
    if (type == 2) {
        // Keep a hot spot that lies outside the image on its edge.
        result.hot_spot = QPoint(std::min(best.hot_spot.x(), result.image.width() - 1),
                                 std::min(best.hot_spot.y(), result.image.height() - 1));
    }
    return result;
}

} // namespace picture_detail
