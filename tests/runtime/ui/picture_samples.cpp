#include "picture_samples.h"

#include <QBuffer>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace samples {
namespace {

void put16(Bytes& b, unsigned v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
void set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void put_info_header(Bytes& b, int width, int height, int bpp, uint32_t compression, uint32_t colours) {
    put32(b, 40);
    put32(b, uint32_t(width));
    put32(b, uint32_t(height));
    put16(b, 1);
    put16(b, unsigned(bpp));
    put32(b, compression);
    put32(b, 0); // image size: may be 0 for uncompressed bitmaps
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
}

void put_palette(Bytes& b, const std::vector<QRgb>& palette) {
    for (QRgb c : palette) {
        b.push_back(uint8_t(qBlue(c)));
        b.push_back(uint8_t(qGreen(c)));
        b.push_back(uint8_t(qRed(c)));
        b.push_back(0);
    }
}

// Packs one row of palette indices or colours as the bitmap stores it,
// padded to four bytes.
Bytes pack_row(const QImage& image, int y, int bpp, const std::vector<QRgb>& palette) {
    Bytes row;
    const int width = image.width();
    if (bpp <= 8) {
        row.assign(size_t((width * bpp + 31) / 32 * 4), 0);
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y) | 0xff000000u;
            auto it = std::find(palette.begin(), palette.end(), c);
            const int index = it == palette.end() ? 0 : int(it - palette.begin());
            const int bit = x * bpp;
            row[size_t(bit / 8)] |= uint8_t(index << (8 - bpp - bit % 8));
        }
        return row;
    }
    for (int x = 0; x < width; ++x) {
        const QRgb c = image.pixel(x, y);
        if (bpp == 16) {
            put16(row, unsigned((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3)));
        } else {
            row.push_back(uint8_t(qBlue(c)));
            row.push_back(uint8_t(qGreen(c)));
            row.push_back(uint8_t(qRed(c)));
            if (bpp == 32)
                row.push_back(uint8_t(qAlpha(c)));
        }
    }
    while (row.size() % 4)
        row.push_back(0);
    return row;
}

std::vector<QRgb> distinct_colours(const QImage& image, size_t limit) {
    std::vector<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xff000000u;
            if (std::find(colours.begin(), colours.end(), c) == colours.end())
                colours.push_back(c);
        }
    if (colours.size() > limit)
        throw std::runtime_error("too many colours for the bit depth");
    return colours;
}

} // namespace

int max_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return INT_MAX;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb ca = pa.pixel(x, y), cb = pb.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(ca) - qRed(cb)), std::abs(qGreen(ca) - qGreen(cb)),
                              std::abs(qBlue(ca) - qBlue(cb)), std::abs(qAlpha(ca) - qAlpha(cb))});
        }
    return worst;
}

QImage blocks(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    static const QRgb kColours[] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(20, 40, 210), qRgb(240, 240, 240)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, kColours[(x * 2 / width) + 2 * (y * 2 / height)]);
    return image;
}

Bytes jpeg(const QImage& source, JpegKind kind, int quality) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    switch (kind) {
    case JpegKind::Gray:
        cinfo.in_color_space = JCS_GRAYSCALE;
        cinfo.input_components = 1;
        break;
    case JpegKind::CmykAdobe:
        cinfo.in_color_space = JCS_CMYK;
        cinfo.input_components = 4;
        break;
    default:
        cinfo.in_color_space = JCS_RGB;
        cinfo.input_components = 3;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            switch (kind) {
            case JpegKind::Gray:
                row[size_t(x)] = uint8_t(qGray(c));
                break;
            case JpegKind::CmykAdobe: {
                // Inverted inks: 255 - ink. Black ink takes the common part.
                const int k = std::max({r, g, b});
                uint8_t* px = &row[size_t(x) * 4];
                px[0] = uint8_t(k ? r * 255 / k : 0);
                px[1] = uint8_t(k ? g * 255 / k : 0);
                px[2] = uint8_t(k ? b * 255 / k : 0);
                px[3] = uint8_t(k);
                break;
            }
            default:
                row[size_t(x) * 3] = uint8_t(r);
                row[size_t(x) * 3 + 1] = uint8_t(g);
                row[size_t(x) * 3 + 2] = uint8_t(b);
                break;
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

Bytes png(const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("Qt could not write the PNG");
    return Bytes(encoded.begin(), encoded.end());
}

Bytes png_interlaced(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            auto* sink = static_cast<Bytes*>(png_get_io_ptr(p));
            sink->insert(sink->end(), data, data + length);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows(size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(image.constScanLine(y));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes gif(QSize screen, const std::vector<QRgb>& palette, const std::vector<GifFrame>& frames) {
    Bytes out;
    int error = 0;
    GifFileType* file = EGifOpen(&out,
                                 [](GifFileType* g, const GifByteType* data, int length) {
                                     auto* sink = static_cast<Bytes*>(g->UserData);
                                     sink->insert(sink->end(), data, data + length);
                                     return length;
                                 },
                                 &error);
    if (!file)
        throw std::runtime_error("EGifOpen failed");
    EGifSetGifVersion(file, true);
    std::vector<ColorMapObject*> maps;
    auto make_map = [&](const std::vector<QRgb>& colours) -> ColorMapObject* {
        int count = 2;
        while (count < int(colours.size()))
            count *= 2;
        std::vector<GifColorType> entries(size_t(count), GifColorType{0, 0, 0});
        for (size_t i = 0; i < colours.size(); ++i)
            entries[i] = GifColorType{uint8_t(qRed(colours[i])), uint8_t(qGreen(colours[i])), uint8_t(qBlue(colours[i]))};
        maps.push_back(GifMakeMapObject(count, entries.data()));
        return maps.back();
    };
    bool ok = EGifPutScreenDesc(file, screen.width(), screen.height(), 8, 0, make_map(palette)) == GIF_OK;
    for (const GifFrame& f : frames) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = f.disposal;
        gcb.DelayTime = f.delay_cs;
        gcb.TransparentColor = f.transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = ok && EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
        ColorMapObject* local = f.local_palette.empty() ? nullptr : make_map(f.local_palette);
        ok = ok && EGifPutImageDesc(file, f.rect.x(), f.rect.y(), f.rect.width(), f.rect.height(), f.interlaced,
                                    local) == GIF_OK;
        std::vector<int> order;
        if (f.interlaced) {
            static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < f.rect.height(); y += kStep[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.rect.height(); ++y)
                order.push_back(y);
        }
        std::vector<GifPixelType> line(size_t(f.rect.width()));
        for (int y : order) {
            std::copy_n(f.indices.begin() + ptrdiff_t(y) * f.rect.width(), f.rect.width(), line.begin());
            ok = ok && EGifPutLine(file, line.data(), f.rect.width()) == GIF_OK;
        }
    }
    ok = EGifCloseFile(file, &error) == GIF_OK && ok;
    for (ColorMapObject* map : maps)
        GifFreeMapObject(map);
    if (!ok)
        throw std::runtime_error("giflib could not write the GIF");
    return out;
}

Bytes bmp(const QImage& image, int bpp, bool top_down) {
    const std::vector<QRgb> palette = bpp <= 8 ? distinct_colours(image, size_t(1) << bpp) : std::vector<QRgb>{};
    const size_t palette_size = bpp <= 8 ? (size_t(1) << bpp) : 0;
    Bytes b{'B', 'M'};
    put32(b, 0); // file size, set below
    put32(b, 0);
    put32(b, uint32_t(14 + 40 + 4 * palette_size));
    put_info_header(b, image.width(), top_down ? -image.height() : image.height(), bpp, 0, 0);
    std::vector<QRgb> full = palette;
    full.resize(palette_size, qRgb(0, 0, 0));
    put_palette(b, full);
    for (int row = 0; row < image.height(); ++row) {
        const Bytes packed = pack_row(image, top_down ? row : image.height() - 1 - row, bpp, palette);
        b.insert(b.end(), packed.begin(), packed.end());
    }
    set32(b, 2, uint32_t(b.size()));
    return b;
}

Bytes bmp_rle8(int width, int height, const std::vector<QRgb>& palette, const std::vector<uint8_t>& stream) {
    Bytes b{'B', 'M'};
    put32(b, 0);
    put32(b, 0);
    put32(b, uint32_t(14 + 40 + 4 * palette.size()));
    put_info_header(b, width, height, 8, 1, uint32_t(palette.size()));
    set32(b, 14 + 20, uint32_t(stream.size()));
    put_palette(b, palette);
    b.insert(b.end(), stream.begin(), stream.end());
    set32(b, 2, uint32_t(b.size()));
    return b;
}

Bytes icon_bitmap(const QImage& source, int bpp) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> palette;
    if (bpp <= 8) {
        QImage opaque = image;
        for (int y = 0; y < opaque.height(); ++y)
            for (int x = 0; x < opaque.width(); ++x)
                if (qAlpha(opaque.pixel(x, y)) == 0)
                    opaque.setPixel(x, y, qRgb(0, 0, 0));
        palette = distinct_colours(opaque, size_t(1) << bpp);
    }
    Bytes b;
    put_info_header(b, image.width(), image.height() * 2, bpp, 0, uint32_t(palette.size()));
    put_palette(b, palette);
    for (int row = image.height() - 1; row >= 0; --row) {
        QImage line = image.copy(0, row, image.width(), 1);
        if (bpp < 32)
            for (int x = 0; x < line.width(); ++x)
                if (qAlpha(line.pixel(x, 0)) == 0)
                    line.setPixel(x, 0, qRgb(0, 0, 0));
        const Bytes packed = pack_row(line, 0, bpp, palette);
        b.insert(b.end(), packed.begin(), packed.end());
    }
    const size_t mask_stride = size_t((image.width() + 31) / 32 * 4);
    for (int row = image.height() - 1; row >= 0; --row) {
        Bytes mask(mask_stride, 0);
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, row)) == 0)
                mask[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), mask.begin(), mask.end());
    }
    return b;
}

Bytes icon_file(int type, const std::vector<IconEntry>& entries) {
    Bytes b;
    put16(b, 0);
    put16(b, unsigned(type));
    put16(b, unsigned(entries.size()));
    size_t offset = 6 + 16 * entries.size();
    for (const IconEntry& e : entries) {
        b.push_back(uint8_t(e.width >= 256 ? 0 : e.width));
        b.push_back(uint8_t(e.height >= 256 ? 0 : e.height));
        b.push_back(0);
        b.push_back(0);
        put16(b, unsigned(type == 2 ? e.hot_spot.x() : 1));
        put16(b, unsigned(type == 2 ? e.hot_spot.y() : e.bpp));
        put32(b, uint32_t(e.data.size()));
        put32(b, uint32_t(offset));
        offset += e.data.size();
    }
    for (const IconEntry& e : entries)
        b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

} // namespace samples
