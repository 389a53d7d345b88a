// GIF through giflib, read record by record so that the size of every frame
// is checked before anything is allocated for it. Frames are composed onto
// a canvas of the logical screen size the way browsers do: transparent
// start, transparent colour index and disposal method from the graphics
// control extension that precedes each frame.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int read_bytes(GifFileType* gif, GifByteType* out, int length) {
    auto* src = static_cast<Source*>(gif->UserData);
    if (length <= 0)
        return 0;
    const size_t n = std::min(size_t(length), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
    return int(n);
}

struct CloseGif {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Delays of 0 or 10 ms are played at 100 ms, as browsers do; many GIFs
// rely on that.
int delay_ms(int centiseconds) { return centiseconds <= 1 ? 100 : centiseconds * 10; }

struct Control {
    int disposal = DISPOSAL_UNSPECIFIED;
    int delay_cs = 0;
    int transparent = NO_TRANSPARENT_COLOR;
};

bool skip_extension(GifFileType* gif, Control& control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK)
        return false;
    bool first = true;
    while (block) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                control.disposal = gcb.DisposalMode;
                control.delay_cs = gcb.DelayTime;
                control.transparent = gcb.TransparentColor;
            }
        }
        first = false;
        if (DGifGetExtensionNext(gif, &block) != GIF_OK)
            return false;
    }
    return true;
}

class Decoder {
public:
    explicit Decoder(GifFileType* gif) : gif_(gif) {}

    // Returns false for a damaged file; `picture` may then hold frames
    // already decoded, which the caller throws away.
    bool run(Picture& picture) {
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_, &type) != GIF_OK)
                return false;
            switch (type) {
            case EXTENSION_RECORD_TYPE:
                if (!skip_extension(gif_, control_))
                    return false;
                break;
            case IMAGE_DESC_RECORD_TYPE:
                if (!frame(picture))
                    return false;
                // An animation past the limits plays what fits.
                if (int(picture.frames.size()) >= kMaxFrames || budget_ < canvas_.width() * int64_t(canvas_.height()))
                    return true;
                break;
            case TERMINATE_RECORD_TYPE:
                return !picture.frames.empty();
            default:
                return false;
            }
        }
    }

private:
    bool frame(Picture& picture) {
        if (DGifGetImageDesc(gif_) != GIF_OK)
            return false;
        const GifImageDesc& desc = gif_->Image;
        const int64_t left = desc.Left, top = desc.Top, width = desc.Width, height = desc.Height;
        if (!size_allowed(width, height))
            return false;
        if (canvas_.isNull() && !make_canvas(left + width, top + height))
            return false;

        std::array<QRgb, 256> palette;
        palette.fill(qRgb(0, 0, 0));
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
        if (map) {
            const int count = std::min(map->ColorCount, 256);
            for (int i = 0; i < count; ++i)
                palette[size_t(i)] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        } else {
            for (size_t i = 0; i < palette.size(); ++i)
                palette[i] = qRgb(int(i), int(i), int(i));
        }
        const bool has_transparent = control_.transparent >= 0 && control_.transparent < 256;

        const QRect area = QRect(int(left), int(top), int(width), int(height)) & canvas_.rect();
        QImage previous;
        if (control_.disposal == DISPOSE_PREVIOUS)
            previous = canvas_.copy();

        row_.resize(size_t(width));
        static constexpr int kPassStart[] = {0, 4, 2, 1};
        static constexpr int kPassStep[] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? kPassStart[pass] : 0;
            const int step = desc.Interlace ? kPassStep[pass] : 1;
            for (int64_t y = start; y < height; y += step) {
                if (DGifGetLine(gif_, row_.data(), int(width)) != GIF_OK)
                    return false;
                const int64_t cy = top + y;
                if (cy < area.top() || cy > area.bottom())
                    continue;
                auto* out = reinterpret_cast<QRgb*>(canvas_.scanLine(int(cy)));
                for (int cx = area.left(); cx <= area.right(); ++cx) {
                    const GifPixelType index = row_[size_t(cx - left)];
                    if (has_transparent && index == control_.transparent)
                        continue;
                    out[cx] = palette[index];
                }
            }
        }

        picture.frames.push_back(canvas_); // shared until the canvas changes
        picture.delays_ms.push_back(delay_ms(control_.delay_cs));
        budget_ -= canvas_.width() * int64_t(canvas_.height());

        if (control_.disposal == DISPOSE_BACKGROUND && !area.isEmpty())
            fill_rect(area);
        else if (control_.disposal == DISPOSE_PREVIOUS)
            canvas_ = previous;
        control_ = Control();
        return true;
    }

    // Some encoders leave the logical screen at 0 x 0; the first frame
    // then gives the size.
    bool make_canvas(int64_t frame_right, int64_t frame_bottom) {
        int64_t width = gif_->SWidth, height = gif_->SHeight;
        if (width <= 0 || height <= 0) {
            width = frame_right;
            height = frame_bottom;
        }
        if (!size_allowed(width, height))
            return false;
        canvas_ = QImage(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
        if (canvas_.isNull())
            return false;
        canvas_.fill(Qt::transparent);
        return true;
    }

    void fill_rect(const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
            std::fill(line + area.left(), line + area.right() + 1, QRgb(0));
        }
    }

    GifFileType* gif_;
    Control control_;
    QImage canvas_;
    std::vector<GifPixelType> row_;
    int64_t budget_ = kMaxAnimationPixels;
};

} // namespace

Picture decode_gif(const uint8_t* data, size_t size) {
    Source source{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(DGifOpen(&source, read_bytes, &error));
    if (!gif)
        return {};
    Picture picture;
    if (!Decoder(gif.get()).run(picture))
        return {};
    return picture;
}

} // namespace picture_detail
