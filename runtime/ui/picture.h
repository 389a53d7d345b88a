#pragma once
// Picture decoding for the window layer. Every decoder turns bad, truncated
// or unknown data into an empty picture; none of them ends the process.

#include <QCursor>
#include <QImage>
#include <QSize>
#include <optional>
#include <vector>

#include "runtime/types.h"

struct Picture {
    std::vector<QImage> frames;  // ARGB32 premultiplied; one frame unless animated
    std::vector<int> delays_ms;  // per frame (animated GIF), same length as frames
    bool reduced = false;        // decoded below the file's own size, for a smaller box
    // The first frame as an uncompressed BMP whose pixels it shows, when it
    // was decoded into one (a picture made to fill its box); else empty.
    Bytes frame_bmp;
    bool empty() const { return frames.empty(); }
    bool animated() const { return frames.size() > 1; }
    QSize size() const { return frames.empty() ? QSize() : frames.front().size(); }
};

// Decodes JPEG (libjpeg), PNG (libpng), GIF (giflib, all frames), BMP, ICO
// and CUR by their leading bytes. `fit` (when valid) is the box the picture
// goes into: a JPEG larger than it may be decoded at a reduced DCT scale, but
// never below the box's size. With `fill`, the picture is drawn stretched to
// fill the box: a JPEG larger than the box either way is then decoded to
// exactly the box's size, as the picture scaled smoothly to it.
Picture decode_picture(const Bytes& data, QSize fit = QSize(), bool fill = false);

// A mouse pointer from a .cur (hot spot from the file) or .ico file.
std::optional<QCursor> decode_cursor(const Bytes& data);

// PNG bytes of an image.
Bytes encode_png(const QImage& image);

// A picture drawn straight into the pixels of an uncompressed 32-bit BMP,
// rows from the top: making it and reading it back cost a copy each, where
// PNG costs a deflate and an inflate.
class BmpCanvas {
public:
    // Every pixel transparent; without `clear`, the pixels are left as
    // they are, for a caller that writes every one of them.
    explicit BmpCanvas(QSize size, bool clear = true);
    BmpCanvas(const BmpCanvas&) = delete;
    BmpCanvas& operator=(const BmpCanvas&) = delete;

    // Premultiplied ARGB32 over the BMP's own pixels; null for an empty size.
    QImage& image() { return image_; }
    // The picture file: the BMP when every pixel is opaque, otherwise PNG,
    // which keeps transparency. The canvas is empty afterwards.
    Bytes take();

private:
    Bytes bytes_;
    QImage image_;
};

// The image at half its width and height (rounded up), each pixel the
// average of the two by two it covers (an edge pixel stands in for the one
// beyond the edge). Premultiplied ARGB32 in and out.
QImage half_size(const QImage& image);
// The image made `size` (no larger than it either way) by averaging: each
// pixel the mean of the part of the image it covers. Premultiplied ARGB32
// out.
QImage averaged_to(const QImage& image, QSize size);
