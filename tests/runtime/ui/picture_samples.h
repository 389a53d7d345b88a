#pragma once
// Picture files made on the spot for the decoder tests and the fuzzer's
// seed corpus: written by the libraries' own encoders where they have one,
// by hand where a layout (icon bitmaps, RLE, cursors) is the point.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <vector>

#include "runtime/types.h"

namespace samples {

// Largest difference of any channel of any pixel, both images taken as
// premultiplied ARGB; INT_MAX when the sizes differ.
int max_difference(const QImage& a, const QImage& b);

// A small picture with distinct colour blocks, opaque.
QImage blocks(int width, int height);

enum class JpegKind { Rgb, Progressive, Gray, CmykAdobe };
// For CmykAdobe the image's colours are written as inverted CMYK inks with
// an Adobe marker, the way Photoshop stores them.
Bytes jpeg(const QImage& image, JpegKind kind = JpegKind::Rgb, int quality = 90);

// Through Qt's PNG writer; the format of `image` picks the colour type.
Bytes png(const QImage& image);
// Adam7-interlaced RGBA through libpng.
Bytes png_interlaced(const QImage& image);

struct GifFrame {
    QRect rect;                    // on the logical screen
    std::vector<uint8_t> indices;  // rect.width() * rect.height(), row by row
    int delay_cs = 0;
    int disposal = 0;              // 0..3
    int transparent = -1;
    std::vector<QRgb> local_palette; // empty: the global one
    bool interlaced = false;
};
// A GIF89a with the given global palette (padded to a power of two).
Bytes gif(QSize screen, const std::vector<QRgb>& palette, const std::vector<GifFrame>& frames);

// BMP files written by hand. `bpp` 1, 4, 8 (palette from the image's
// colour table or a grey ramp), 16 (5-5-5), 24 or 32 (BGRA, alpha kept).
Bytes bmp(const QImage& image, int bpp, bool top_down = false);
// An 8-bit RLE BMP of the given encoded pixel stream and palette.
Bytes bmp_rle8(int width, int height, const std::vector<QRgb>& palette, const std::vector<uint8_t>& stream);

// The bitmap of an icon entry: header with doubled height, colours, AND
// mask. bpp 32 keeps the alpha; lower depths take the AND mask from alpha
// and, for 8 bits, a palette of the image's distinct colours (at most 256).
Bytes icon_bitmap(const QImage& image, int bpp);

struct IconEntry {
    Bytes data;                 // an icon_bitmap or a PNG file
    int width = 0, height = 0;  // as written in the directory
    int bpp = 32;               // icons
    QPoint hot_spot;            // cursors
};
// type 1 = ICO, 2 = CUR.
Bytes icon_file(int type, const std::vector<IconEntry>& entries);

} // namespace samples
