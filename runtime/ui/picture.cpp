#include "runtime/ui/picture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPixmap>
#include <QThread>
#include <algorithm>
#include <cstdint>
#include <initializer_list>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "runtime/ui/picture_codecs.h"

using namespace picture_detail;

namespace {

enum class Kind { Unknown, Jpeg, Png, Gif, Bmp, Icon };

bool starts_with(const Bytes& data, std::initializer_list<uint8_t> prefix) {
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

// By the leading bytes, never by a file name: handlers read picture files
// whatever their names say.
Kind sniff(const Bytes& data) {
    if (starts_with(data, {0xff, 0xd8, 0xff}))
        return Kind::Jpeg;
    if (starts_with(data, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}))
        return Kind::Png;
    if (starts_with(data, {'G', 'I', 'F', '8', '7', 'a'}) || starts_with(data, {'G', 'I', 'F', '8', '9', 'a'}))
        return Kind::Gif;
    if (starts_with(data, {'B', 'M'}))
        return Kind::Bmp;
    if (starts_with(data, {0, 0, 1, 0}) || starts_with(data, {0, 0, 2, 0}))
        return Kind::Icon;
    return Kind::Unknown;
}

Picture still(QImage image) {
    Picture picture;
    if (!image.isNull()) {
        picture.frames.push_back(std::move(image));
        picture.delays_ms.push_back(0);
    }
    return picture;
}

} // namespace

namespace picture_detail {

void prefer_large_pages(void* data, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole large pages inside the buffer; below a few of them the
    // faults saved are not worth a system call.
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLarge - 1);
    if (end > begin && end - begin >= 2 * kLarge)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

QImage fresh_image(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    if (!image.isNull())
        prefer_large_pages(image.bits(), size_t(image.sizeInBytes()));
    return image;
}

} // namespace picture_detail

Picture decode_picture(const Bytes& data, QSize fit, bool fill) {
    switch (sniff(data)) {
    case Kind::Jpeg: {
        bool reduced = false;
        if (fill) {
            Bytes bmp = decode_jpeg_filled(data.data(), data.size(), fit, &reduced);
            if (QImage shown = share_bmp(bmp); !shown.isNull()) {
                Picture picture = still(std::move(shown));
                picture.reduced = reduced;
                picture.frame_bmp = std::move(bmp);
                return picture;
            }
        }
        Picture picture = still(decode_jpeg(data.data(), data.size(), fit, &reduced));
        // decode_jpeg reports a reduction only for an image it returns.
        picture.reduced = reduced;
        return picture;
    }
    case Kind::Png:
        return still(decode_png(data.data(), data.size()));
    case Kind::Gif:
        return decode_gif(data.data(), data.size());
    case Kind::Bmp:
        if (QImage shared = share_bmp(data); !shared.isNull())
            return still(std::move(shared));
        return still(decode_bmp(data.data(), data.size()));
    case Kind::Icon:
        return still(decode_icon(data.data(), data.size(), IconUse::Picture).image);
    case Kind::Unknown:
        break;
    }
    return {};
}

std::optional<QCursor> decode_cursor(const Bytes& data) {
    // A pixmap needs the GUI application (and its thread).
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread() || sniff(data) != Kind::Icon)
        return std::nullopt;
    IconImage icon = decode_icon(data.data(), data.size(), IconUse::Cursor);
    if (icon.image.isNull())
        return std::nullopt;
    QPixmap pixmap = QPixmap::fromImage(icon.image);
    if (pixmap.isNull())
        return std::nullopt;
    // Qt's own cursor loader ignores the hot spot; -1, -1 (icons) centres it.
    return QCursor(pixmap, icon.hot_spot.x(), icon.hot_spot.y());
}

Bytes encode_png(const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return Bytes(encoded.begin(), encoded.end());
}

QImage half_size(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage in = image.format() == QImage::Format_ARGB32_Premultiplied
                          ? image
                          : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = in.width(), height = in.height();
    QImage out = fresh_image((width + 1) / 2, (height + 1) / 2, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    // Two channels at a time, each in 16 bits of its own: four 8-bit values
    // add up to at most 1020, so no channel spills into the next.
    constexpr uint32_t kLow = 0x00ff00ffu;
    for (int y = 0; y < out.height(); ++y) {
        const auto* top = reinterpret_cast<const uint32_t*>(in.constScanLine(2 * y));
        const auto* bottom = reinterpret_cast<const uint32_t*>(in.constScanLine(std::min(2 * y + 1, height - 1)));
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int left = 2 * x, right = std::min(2 * x + 1, width - 1);
            const uint32_t a = top[left], b = top[right], c = bottom[left], d = bottom[right];
            const uint32_t low = (a & kLow) + (b & kLow) + (c & kLow) + (d & kLow) + 0x00020002u;
            const uint32_t high = ((a >> 8) & kLow) + ((b >> 8) & kLow) + ((c >> 8) & kLow) + ((d >> 8) & kLow) + 0x00020002u;
            line[x] = ((low >> 2) & kLow) | (((high >> 2) & kLow) << 8);
        }
    }
    return out;
}
