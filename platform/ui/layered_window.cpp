#include "platform/ui/color_key.h"
#include "platform/user32.h"
#include "platform/ui/windows.h"

#include <QEvent>
#include <QPointer>

#include <optional>
#include <vector>

namespace platform {
namespace {

const char* const kColorKeyName = "platform_color_key";

QWidget* top_level_of(int64_t handle)
{
    QWidget* w = widget_of(handle);
    return w && w->isWindow() ? w : nullptr;
}

// Without a compositor there is no per-pixel transparency, so the key colour
// is cut out of the window's shape. The cut follows what the window shows:
// a frame handed over by a view that covers the window, or else a picture
// of the window taken after it repainted.
class ColorKey final : public QObject {
public:
    ColorKey(QWidget* window, QRgb key) : QObject(window), window_(window), key_(key)
    {
        setObjectName(kColorKeyName);
        window->installEventFilter(this);
        cut_now_or_at_show();
    }

    void set_key(QRgb key)
    {
        key_ = key;
        shown_.reset();
        cut_now_or_at_show();
    }

    // True when the window is cut to `outside_background`.
    bool take_frame(QWidget* source, const QImage& frame, const QRegion* outside_background, QRgb background)
    {
        if (!window_ || !covers(source))
            return false;
        source_ = source;
        cut_due_ = false;
        const QPoint at = source->mapTo(window_.data(), QPoint(0, 0));
        const bool known = outside_background && (background & 0xFFFFFFu) == (key_ & 0xFFFFFFu);
        apply((known ? *outside_background : region_outside_key(frame, key_)).translated(at));
        return known;
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            // Sent before the window is mapped: the first cut goes with it,
            // also to a native window made since the last cut.
            if (!applying_ && cut_due_) {
                apply_grab();
                break;
            }
            if (!applying_ && shown_)
                apply(*shown_);
            [[fallthrough]];
        case QEvent::Resize:
        case QEvent::UpdateRequest:
            // A covering view hands its frames over itself.
            if (!applying_ && !covers(source_))
                schedule();
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool covers(QWidget* source) const
    {
        if (!source || source->window() != window_ || !source->isVisibleTo(window_))
            return false;
        const QRect area(source->mapTo(window_.data(), QPoint(0, 0)), source->size());
        return area.contains(window_->rect());
    }

    // A shown window is cut at once, so it never shows uncut, not even for a
    // frame. A hidden one is cut when it is shown, from what it shows then:
    // a view that covers it may hand over its frame before that, and a
    // picture of a full-screen window taken now would cost more than the
    // rest of opening it (tens of milliseconds of fresh memory).
    void cut_now_or_at_show()
    {
        if (window_->isVisible())
            apply_grab();
        else
            cut_due_ = true;
    }

    void schedule()
    {
        if (pending_)
            return;
        pending_ = true;
        QMetaObject::invokeMethod(this, [this] { apply_grab(); }, Qt::QueuedConnection);
    }

    void apply_grab()
    {
        pending_ = false;
        cut_due_ = false;
        if (!window_)
            return;
        applying_ = true;
        apply(region_outside_key(window_->grab().toImage(), key_));
        applying_ = false;
    }

    void apply(const QRegion& shown)
    {
        // The shape goes to the display server only when it changed, or when
        // the window was made anew: a shape set on the server directly goes
        // with the old window, where the toolkit's mask would be set again.
        if (shown_ == shown && shaped_ == window_->internalWinId())
            return;
        shown_ = shown;
        if (shaped_ != window_->internalWinId() && window_->windowFlags().testFlag(Qt::FramelessWindowHint))
            keep_from_window_manager(window_);
        shaped_ = window_->internalWinId();
        if (!set_x_shape(window_, shown))
            set_shape(window_, shown);
    }

    QPointer<QWidget> window_;
    QPointer<QWidget> source_;
    QRgb key_;
    std::optional<QRegion> shown_; // what the display server has
    WId shaped_ = 0;               // the native window it has it for
    bool pending_ = false;
    bool applying_ = false;
    bool cut_due_ = false; // hidden, and nothing has cut it since it was keyed
};

ColorKey* color_key_of(QWidget* window)
{
    return window ? static_cast<ColorKey*>(window->findChild<QObject*>(kColorKeyName, Qt::FindDirectChildrenOnly))
                  : nullptr;
}

QRgb to_rgb(uint32_t colorref)
{
    return qRgb(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                static_cast<int>((colorref >> 16) & 0xFF));
}

} // namespace

// One pass over the pixels: the runs of each row that are not the key, rows
// with the same runs joined into one band, as a region stores them.
QRegion region_outside_key(const QImage& frame, QRgb key)
{
    if (frame.isNull())
        return {};
    const QImage img = frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32 ||
                               frame.format() == QImage::Format_ARGB32_Premultiplied
                           ? frame
                           : frame.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = key & 0x00FFFFFFu;
    const int w = img.width();
    const int h = img.height();
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> runs, previous;
    size_t band_start = 0; // first rect of the previous row's band
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        runs.clear();
        int x = 0;
        while (x < w) {
            while (x < w && (line[x] & 0x00FFFFFFu) == wanted)
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && (line[x] & 0x00FFFFFFu) != wanted)
                ++x;
            runs.emplace_back(start, x - start);
        }
        if (!runs.empty() && runs == previous && y > 0) {
            for (size_t i = band_start; i < rects.size(); ++i)
                rects[i].setHeight(rects[i].height() + 1);
        } else {
            band_start = rects.size();
            for (const auto& [start, length] : runs)
                rects.emplace_back(start, y, length, 1);
        }
        previous.swap(runs);
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QRect frame_update_area(const QRegion& before, const QRegion& now)
{
    return before.boundingRect().united(now.boundingRect());
}

bool offer_key_frame(QWidget* source, const QImage& frame, const QRegion* outside_background, QRgb background)
{
    if (!source)
        return false;
    ColorKey* key = color_key_of(source->window());
    return key && key->take_frame(source, frame, outside_background, background);
}

} // namespace platform

using namespace platform;

bool SetLayeredWindowAttributes(int64_t window, uint32_t color_key, uint8_t, uint32_t flags)
{
    QWidget* w = top_level_of(window);
    if (!w || !(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return false;
    if (!(flags & LWA_COLORKEY))
        return true;
    if (ColorKey* existing = color_key_of(w))
        existing->set_key(to_rgb(color_key));
    else
        new ColorKey(w, to_rgb(color_key));
    return true;
}
