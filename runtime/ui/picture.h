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
    bool empty() const { return frames.empty(); }
    bool animated() const { return frames.size() > 1; }
    QSize size() const { return frames.empty() ? QSize() : frames.front().size(); }
};

// Decodes JPEG (libjpeg), PNG (libpng), GIF (giflib, all frames), BMP, ICO
// and CUR by their leading bytes. `fit` (when valid) is the box the picture
// goes into: a JPEG larger than it may be decoded at a reduced DCT scale, but
// never below the box's size.
Picture decode_picture(const Bytes& data, QSize fit = QSize());

// A mouse pointer from a .cur (hot spot from the file) or .ico file.
std::optional<QCursor> decode_cursor(const Bytes& data);

// PNG bytes of an image (what rt_unit_snapshot returns).
Bytes encode_png(const QImage& image);
