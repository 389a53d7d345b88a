#pragma once
// Decoded and scaled pictures shared by all picture units. Private to
// runtime/ui; used on the user-interface thread only.

#include <QImage>
#include <QSize>

#include <memory>

#include "runtime/types.h"
#include "runtime/ui/picture.h"

namespace rtui {

// A decode for a box of `fit`. Large JPEG files (camera photographs, wheel
// faces) and GIF files of a single picture are decoded on worker threads
// from the moment they are set, so that several put into boxes one after
// another decode side by side while the handler goes on. Whoever needs the
// picture before that decodes it there and then, or waits for the worker
// that has begun.
class PictureDecode {
public:
    PictureDecode() = default;
    // `fill`: see decode_picture.
    PictureDecode(const Bytes& data, QSize fit, bool fill = false);

    bool valid() const { return job_ != nullptr; }
    bool ready() const;
    const Picture& picture() const;
    QSize fit() const;
    // Made to fill its box.
    bool fills() const;
    // Whether the decode is good for a box of `box` (to fill, or to fit
    // in); waits for it only when the box is larger than the one it was made
    // for.
    bool serves(QSize box, bool fill = false) const;

private:
    struct Job;
    std::shared_ptr<Job> job_;
};

struct CachedPicture {
    Bytes bytes; // the bytes the cache holds, equal to those asked for
    PictureDecode decode;
};

// The decode of `data` for a box of `fit` (to fill it, with `fill`), from the
// cache when these bytes were decoded before for such a box, large enough,
// and still are held.
CachedPicture cached_picture(const Bytes& data, QSize fit, bool fill = false);

// The decode of `data` for a box of `fit` that the cache holds, without
// making one; invalid when it holds none.
PictureDecode held_picture(const Bytes& data, QSize fit, bool fill = false);

// `frame` scaled smoothly to `size`; small results are kept for the next box
// of that size.
QImage cached_scaled(const QImage& frame, QSize size, Qt::AspectRatioMode mode);

// A decode of a picture is good for a box when it was not made smaller than
// the file, or is still at least as large as the box.
bool serves(const Picture& picture, QSize box);

} // namespace rtui
