#pragma once
// The decoders behind decode_picture and decode_cursor. Each one takes a
// whole file in memory and returns a null image (or an empty picture) for
// anything it cannot read completely.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/types.h"
#include "runtime/ui/picture.h"

namespace picture_detail {

// Sizes beyond these are refused rather than allocated: a few bytes of a
// hostile header must not be able to ask for gigabytes.
inline constexpr int kMaxSide = 16384;
inline constexpr int64_t kMaxPixels = int64_t(64) << 20;           // one decoded image
inline constexpr int64_t kMaxAnimationPixels = int64_t(96) << 20;  // all frames of a GIF
inline constexpr int kMaxFrames = 4096;

inline bool size_allowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

// A new image whose pixels are not yet touched, of memory the system maps in
// large pages where it can: a full-screen picture otherwise costs thousands
// of page faults the first time it is written, which on some machines take
// longer than decoding it.
QImage fresh_image(int width, int height, QImage::Format format);
// Asks for large pages for a buffer that is about to be written first.
void prefer_large_pages(void* data, size_t size);

// Makes a picture smaller as a smooth scaling does (each pixel the mean of
// what it covers) while the picture is still being written, row after row,
// on the calling thread: a helper thread follows the writer, and the writer
// does what is left once it is through. Works on the images' pixels as they
// lie: until finish() or abandon() has returned, neither image may be
// detached, resized or let go. The target is at most as large as the source
// either way; both hold 32-bit pixels.
class RowReduction {
public:
    RowReduction(const QImage& source, QImage& target);
    RowReduction(const RowReduction&) = delete;
    RowReduction& operator=(const RowReduction&) = delete;
    ~RowReduction(); // abandons an unfinished reduction

    // Rows [0, rows) of the source are written.
    void rows_written(int rows);
    // Every row is written: returns with the target complete.
    void finish();
    // The writing failed: returns once the helper has let go of the images.
    // After finish() it does nothing.
    void abandon();

private:
    struct State;
    std::shared_ptr<State> state_;
};

// The same for a source written already.
void reduce_into(const QImage& source, QImage& target);

// All return ARGB32 premultiplied images.
// `reduced` (when given) tells whether the DCT scaling made the picture
// smaller than the file's own size.
QImage decode_jpeg(const uint8_t* data, size_t size, QSize fit, bool* reduced = nullptr);
// The picture for a box it is drawn to fill, whatever its own shape: decoded
// at the smallest DCT scale not smaller than the box and made the box's size
// as the rows come in, as an opaque BMP (see BmpCanvas). Empty when the
// picture is smaller than the box either way, or unreadable.
Bytes decode_jpeg_filled(const uint8_t* data, size_t size, QSize box, bool* reduced = nullptr);
QImage decode_png(const uint8_t* data, size_t size);
Picture decode_gif(const uint8_t* data, size_t size);
QImage decode_bmp(const uint8_t* data, size_t size);
// An opaque BMP of 32-bit pixels stored from the top row down (what a
// snapshot is) as an image over the file's own pixels, which it keeps alive
// and never writes; a null image for any other BMP, which decode_bmp reads.
// On a little-endian machine such pixels are an image's pixels as they lie.
QImage share_bmp(const Bytes& file);

// A device-independent bitmap without file header (what icons hold). With
// `icon`, the height is doubled and a 1-bit AND mask follows the colours.
// `pixel_offset` is where the pixels start, counted from `data`; 0 (or an
// offset into the header or past the end) means right after the header,
// masks and palette.
QImage decode_dib(const uint8_t* data, size_t size, size_t pixel_offset, bool icon);

// ICO (type 1) and CUR (type 2) files.
struct IconImage {
    QImage image;
    QPoint hot_spot{-1, -1}; // from the directory entry of a cursor; -1 for icons
};
enum class IconUse { Picture, Cursor };
IconImage decode_icon(const uint8_t* data, size_t size, IconUse use);

} // namespace picture_detail
