// Device-independent bitmaps: BMP files and the images inside icons and
// cursors. Written here rather than left to Qt's reader because that one
// shows a truncated file as a half-grey picture, and icons need their AND
// mask and alpha handled the way the shell draws them.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int get(uint32_t pixel) const {
        if (!mask)
            return 0;
        const uint64_t v = std::min<uint64_t>((pixel & mask) >> shift, max);
        return int((v * 255 + max / 2) / max);
    }
};

struct Header {
    int64_t width = 0;
    int64_t height = 0; // rows of the picture (half the stored height of an icon)
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    size_t palette_at = 0;
    size_t palette_entry = 4;
    size_t colours = 0; // palette entries the file declares
    size_t pixels_at = 0;
};

bool read_header(const uint8_t* data, size_t size, bool icon, Header& h) {
    if (size < 4)
        return false;
    const uint32_t header_size = u32(data);
    size_t declared_colours = 0;
    size_t masks_size = 0;
    if (header_size == 12) { // OS/2 core header
        if (size < 12)
            return false;
        h.width = u16(data + 4);
        h.height = u16(data + 6);
        h.bpp = u16(data + 10);
        h.palette_entry = 3;
    } else if (header_size >= 40 && header_size <= 124) {
        if (size < header_size)
            return false;
        h.width = int32_t(u32(data + 4));
        h.height = int32_t(u32(data + 8));
        h.bpp = u16(data + 14);
        h.compression = u32(data + 16);
        declared_colours = u32(data + 32);
        if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
            const size_t count = h.compression == kAlphaBitfields ? 4 : 3;
            const uint8_t* at = data + 40;
            if (header_size < 40 + 4 * count) {
                masks_size = 4 * count; // the masks follow a short header
                if (size < header_size + masks_size)
                    return false;
            } else if (header_size >= 56) {
                h.masks[3] = u32(data + 52);
            }
            for (size_t i = 0; i < count; ++i)
                h.masks[i] = u32(at + 4 * i);
        }
    } else {
        return false;
    }

    if (icon) {
        if (h.height <= 0)
            return false;
        h.height /= 2; // the XOR image above the AND mask
    } else if (h.height < 0) {
        h.top_down = true;
        h.height = -h.height;
    }
    if (!size_allowed(h.width, h.height))
        return false;

    switch (h.compression) {
    case kRgb:
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
            return false;
        if (h.bpp == 16)
            h.masks = {0x7c00, 0x03e0, 0x001f, 0};
        else if (h.bpp == 32)
            h.masks = {0xff0000, 0xff00, 0xff, 0xff000000};
        break;
    case kRle8:
    case kRle4:
        if (icon || h.bpp != (h.compression == kRle8 ? 8 : 4))
            return false;
        break;
    case kBitfields:
    case kAlphaBitfields:
        if (h.bpp != 16 && h.bpp != 32)
            return false;
        break;
    default:
        return false;
    }

    if (h.bpp <= 8) {
        const size_t full = size_t(1) << h.bpp;
        h.colours = declared_colours == 0 ? full : std::min<size_t>(declared_colours, full);
    } else {
        if (declared_colours > 256)
            return false;
        h.colours = declared_colours; // an unused palette some writers add
    }
    h.palette_at = header_size + masks_size;
    h.pixels_at = h.palette_at + h.colours * h.palette_entry;
    return h.pixels_at <= size;
}

std::array<QRgb, 256> read_palette(const uint8_t* data, const Header& h) {
    std::array<QRgb, 256> palette;
    palette.fill(qRgb(0, 0, 0));
    const size_t used = std::min<size_t>(h.colours, 256);
    for (size_t i = 0; i < used; ++i) {
        const uint8_t* c = data + h.palette_at + i * h.palette_entry;
        palette[i] = qRgb(c[2], c[1], c[0]);
    }
    return palette;
}

// 32-bit pixels in the order of QImage's ARGB32 (and of what encode_bmp
// writes), with or without an alpha mask: each pixel is one load and no
// arithmetic, where the general path scales every channel of every pixel.
bool plain_argb32(const Header& h) {
    return h.bpp == 32 && h.masks[0] == 0xff0000 && h.masks[1] == 0xff00 && h.masks[2] == 0xff &&
           (h.masks[3] == 0 || h.masks[3] == 0xff000000u);
}

// The fourth byte of every one of `count` 32-bit pixels is 0xff. A word at a
// time, so that a full-screen picture takes a fraction of a millisecond.
bool fourth_bytes_full(const uint8_t* pixels, size_t count) {
    constexpr uint64_t kFourth = 0xff000000ff000000ull;
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        uint64_t all = kFourth;
        for (size_t k = 0; k < 8; ++k) {
            uint64_t two;
            std::memcpy(&two, pixels + 4 * (i + 2 * k), 8);
            all &= two;
        }
        if (all != kFourth)
            return false;
    }
    for (; i < count; ++i)
        if (pixels[4 * i + 3] != 0xff)
            return false;
    return true;
}

QImage decode_plain_argb32(const uint8_t* data, const Header& h) {
    const int width = int(h.width), height = int(h.height);
    QImage image = fresh_image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    uint32_t alpha_bits = 0;
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = data + h.pixels_at + size_t(row) * size_t(width) * 4;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(h.top_down ? row : height - 1 - row));
        for (int x = 0; x < width; ++x) {
            out[x] = u32(in + 4 * size_t(x));
            alpha_bits |= out[x];
        }
    }
    // As in decode_dib: no alpha mask, or alpha zero throughout, is opaque.
    if (h.masks[3] == 0 || (alpha_bits >> 24) == 0) {
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] |= 0xff000000u;
        }
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

QImage decode_rle(const uint8_t* data, size_t size, const Header& h, const std::array<QRgb, 256>& palette) {
    const int width = int(h.width), height = int(h.height);
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent); // pixels the file skips stay clear
    const bool rle8 = h.compression == kRle8;
    int64_t x = 0, y = 0;
    auto put = [&](int index) {
        if (x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(int(h.top_down ? y : height - 1 - y)))[x] = palette[size_t(index)];
        ++x;
    };
    size_t p = h.pixels_at;
    for (;;) {
        if (size - p < 2)
            return y >= height ? image : QImage(); // ended without its end mark
        const uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(rle8 ? value : (i & 1 ? value & 15 : value >> 4));
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return image;
        case 2: // move
            if (size - p < 2)
                return {};
            x += data[p];
            y += data[p + 1];
            p += 2;
            break;
        default: { // `value` literal pixels, padded to a word
            const size_t bytes = rle8 ? value : (value + 1u) / 2;
            if (size - p < bytes)
                return {};
            for (int i = 0; i < value; ++i)
                put(rle8 ? data[p + size_t(i)] : (i & 1 ? data[p + size_t(i) / 2] & 15 : data[p + size_t(i) / 2] >> 4));
            p += std::min(size - p, (bytes + 1) & ~size_t(1));
            break;
        }
        }
    }
}

} // namespace

QImage decode_dib(const uint8_t* data, size_t size, size_t pixel_offset, bool icon) {
    Header h;
    if (!read_header(data, size, icon, h))
        return {};
    const std::array<QRgb, 256> palette = read_palette(data, h);
    // A pixel offset that points into the header or past the end is a
    // writer's mistake; the pixels then follow the palette.
    if (pixel_offset >= h.palette_at && pixel_offset <= size)
        h.pixels_at = pixel_offset;
    if (h.compression == kRle8 || h.compression == kRle4)
        return decode_rle(data, size, h, palette).convertToFormat(QImage::Format_ARGB32_Premultiplied);

    const int width = int(h.width), height = int(h.height);
    const size_t stride = ((size_t(width) * size_t(h.bpp) + 31) / 32) * 4;
    const size_t mask_stride = ((size_t(width) + 31) / 32) * 4;
    const size_t mask_at = h.pixels_at + stride * size_t(height);
    if (mask_at > size || (icon && size - mask_at < mask_stride * size_t(height)))
        return {};

    if (!icon && plain_argb32(h))
        return decode_plain_argb32(data, h);

    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    bool alpha_seen = false;
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = data + h.pixels_at + size_t(row) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(h.top_down ? row : height - 1 - row));
        for (int x = 0; x < width; ++x) {
            switch (h.bpp) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = size_t(x) * size_t(h.bpp);
                const int shift = 8 - h.bpp - int(bit % 8);
                out[x] = palette[(in[bit / 8] >> shift) & ((1 << h.bpp) - 1)];
                break;
            }
            case 24:
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
                break;
            default: {
                const uint32_t pixel = h.bpp == 16 ? u16(in + 2 * x) : u32(in + 4 * x);
                const int a = alpha.mask ? alpha.get(pixel) : 255;
                alpha_seen = alpha_seen || (alpha.mask && a != 0);
                out[x] = qRgba(red.get(pixel), green.get(pixel), blue.get(pixel), a);
                break;
            }
            }
        }
    }

    // An alpha channel that is zero throughout was never meant as one:
    // older writers leave the fourth byte empty. Icons then take their
    // transparency from the AND mask, pictures are opaque.
    if (alpha.mask && !alpha_seen) {
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] |= 0xff000000u;
        }
    }
    if (icon && !alpha_seen) {
        for (int row = 0; row < height; ++row) {
            const uint8_t* in = data + mask_at + size_t(row) * mask_stride;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(height - 1 - row));
            for (int x = 0; x < width; ++x)
                if (in[x / 8] & (0x80 >> (x % 8)))
                    out[x] = 0;
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {

constexpr size_t kFileHeader = 14;

// Where the pixels of a BMP file start, counted from its information header.
size_t bmp_pixel_offset(const uint8_t* data) {
    const uint32_t offset = u32(data + 10);
    return offset > kFileHeader ? offset - kFileHeader : 0;
}

} // namespace

QImage decode_bmp(const uint8_t* data, size_t size) {
    if (size < kFileHeader + 4 || data[0] != 'B' || data[1] != 'M')
        return {};
    return decode_dib(data + kFileHeader, size - kFileHeader, bmp_pixel_offset(data), false);
}

QImage share_bmp(const Bytes& file) {
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
        return {};
    const uint8_t* data = file.data();
    const size_t size = file.size();
    if (size < kFileHeader + 4 || data[0] != 'B' || data[1] != 'M')
        return {};
    const uint8_t* dib = data + kFileHeader;
    const size_t dib_size = size - kFileHeader;
    Header h;
    if (!read_header(dib, dib_size, false, h) || !h.top_down || !plain_argb32(h))
        return {};
    // As decode_dib places them.
    const size_t offset = bmp_pixel_offset(data);
    if (offset >= h.palette_at && offset <= dib_size)
        h.pixels_at = offset;
    const uint8_t* pixels = dib + h.pixels_at;
    const size_t count = size_t(h.width) * size_t(h.height);
    if (dib_size - h.pixels_at < count * 4 || reinterpret_cast<uintptr_t>(pixels) % 4 != 0 ||
        !fourth_bytes_full(pixels, count))
        return {};
    // Opaque: the premultiplied image is the file's pixels as they lie. The
    // image keeps the bytes alive; written to, it takes a copy of its own.
    auto* keep = new Bytes(file);
    return QImage(
        pixels, int(h.width), int(h.height), qsizetype(h.width) * 4, QImage::Format_ARGB32_Premultiplied,
        [](void* held) { delete static_cast<Bytes*>(held); }, keep);
}

} // namespace picture_detail

namespace {

void put16(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
}
void put32(uint8_t* at, uint32_t v) {
    put16(at, v & 0xffff);
    put16(at + 2, v >> 16);
}

// The pixels start at a multiple of 16 bytes (the file and information
// headers take 54), so the image can be drawn straight into the byte set.
constexpr size_t kPixelsAt = 64;

} // namespace

BmpCanvas::BmpCanvas(QSize size, bool clear) {
    if (size.isEmpty() || !picture_detail::size_allowed(size.width(), size.height()))
        return;
    const uint32_t width = uint32_t(size.width()), height = uint32_t(size.height());
    const uint32_t pixel_bytes = width * height * 4;
    bytes_ = Bytes::filled(kPixelsAt + pixel_bytes, [](uint8_t* data, size_t n) {
        picture_detail::prefer_large_pages(data, n);
        return n;
    });
    uint8_t* b = bytes_.data();
    // Pixels left as they are get their pages when first written: by
    // whoever draws them, wherever it runs.
    std::fill(b, b + (clear ? bytes_.size() : kPixelsAt), uint8_t{0});
    b[0] = 'B';
    b[1] = 'M';
    put32(b + 2, uint32_t(bytes_.size()));
    put32(b + 10, kPixelsAt);
    put32(b + 14, 40);
    put32(b + 18, width);
    put32(b + 22, uint32_t(-int32_t(height))); // rows from the top, as an image holds them
    put16(b + 26, 1);
    put16(b + 28, 32);
    put32(b + 30, 0); // no compression
    put32(b + 34, pixel_bytes);
    put32(b + 38, 3780); // 96 dots per inch
    put32(b + 42, 3780);
    // On a little-endian machine ARGB32 pixels lie in memory as the BMP's
    // blue, green, red, fourth byte; elsewhere take() reorders them.
    image_ = QImage(b + kPixelsAt, size.width(), size.height(), qsizetype(width) * 4,
                    QImage::Format_ARGB32_Premultiplied);
}

namespace {

// The canvas's rows lie one after another, without padding.
bool opaque(const QImage& image) {
    return picture_detail::fourth_bytes_full(image.constBits(), size_t(image.width()) * size_t(image.height()));
}

} // namespace

Bytes BmpCanvas::take() {
    if (image_.isNull())
        return {};
    if (!opaque(image_)) {
        Bytes png = encode_png(image_);
        image_ = QImage();
        bytes_ = Bytes();
        return png;
    }
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        for (int y = 0; y < image_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
            for (int x = 0; x < image_.width(); ++x) {
                const QRgb pixel = line[x];
                put32(reinterpret_cast<uint8_t*>(line + x), pixel);
            }
        }
    }
    image_ = QImage();
    bytes_.settle();
    return std::move(bytes_);
}
