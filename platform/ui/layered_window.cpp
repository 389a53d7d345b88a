#include "platform/ui/color_key.h"
#include "platform/user32.h"
#include "platform/ui/windows.h"

#include <QCursor>
#include <QEvent>
#include <QPointer>

#include <algorithm>
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
//
// Where a compositing manager runs, it draws a window anew at every change
// of its shape: at 36 frames a second that cost the X server more than the
// movie itself. A hidden window keyed there gets an alpha channel instead; a
// covering view then paints only what shows and leaves the rest clear, and
// the pointer's (input) shape follows the frames where the pointer is.
class ColorKey final : public QObject {
public:
    ColorKey(QWidget* window, QRgb key) : QObject(window), window_(window), key_(key)
    {
        setObjectName(kColorKeyName);
        window->installEventFilter(this);
        if (!window->isVisible() && compositor_running(window))
            remake_with_alpha(window);
        see_through_ = window->testAttribute(Qt::WA_TranslucentBackground);
        cut_now_or_at_show();
    }

    void set_key(QRgb key)
    {
        key_ = key;
        shown_.reset();
        cut_now_or_at_show();
    }

    KeyedFrame take_frame(QWidget* source, const QImage& frame, const QRegion* outside_background, QRgb background)
    {
        if (!window_ || !covers(source))
            return KeyedFrame::Whole;
        source_ = source;
        cut_due_ = false;
        const QPoint at = source->mapTo(window_.data(), QPoint(0, 0));
        const bool known = outside_background && (background & 0xFFFFFFu) == (key_ & 0xFFFFFFu);
        if (known && see_through_) {
            const QRegion shown = outside_background->translated(at);
            if (pointer_shape_stale(shown))
                apply(shown, ShapeKind::Input);
            return KeyedFrame::SeeThrough;
        }
        apply((known ? *outside_background : region_outside_key(frame, key_)).translated(at), ShapeKind::Bounding);
        return known ? KeyedFrame::Cut : KeyedFrame::Whole;
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            // A compositor may have come or gone since the window was keyed:
            // clear parts of a window with alpha show black without one.
            if (window_->testAttribute(Qt::WA_TranslucentBackground))
                see_through_ = compositor_running(window_);
            // Sent before the window is mapped: the first cut goes with it,
            // also to a native window made since the last cut.
            if (!applying_ && cut_due_) {
                apply_grab();
                break;
            }
            if (!applying_ && shown_)
                apply(*shown_, kind_ == ShapeKind::Input && !see_through_ ? ShapeKind::Bounding : kind_);
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

    // The pointer's shape decides only where a press goes and which cursor
    // shows, so it matters only where the pointer is; and a compositor
    // redraws the whole window at every change of any of its shapes (a full
    // screen 36 times a second: twice the server's work of the movie). It is
    // sent again when it is wrong where the pointer is now.
    bool pointer_shape_stale(const QRegion& shown) const
    {
        if (!shown_ || kind_ != ShapeKind::Input || shaped_ != window_->internalWinId())
            return true;
        const QPoint pointer = window_->mapFromGlobal(QCursor::pos());
        return shown_->contains(pointer) != shown.contains(pointer);
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
        apply(region_outside_key(window_->grab().toImage(), key_), ShapeKind::Bounding);
        applying_ = false;
    }

    void apply(const QRegion& shown, ShapeKind kind)
    {
        // The shape goes to the display server only when it changed, or when
        // the window was made anew: a shape set on the server directly goes
        // with the old window, where the toolkit's mask would be set again.
        const WId id = window_->internalWinId();
        if (shown_ == shown && shaped_ == id && kind_ == kind)
            return;
        if (shaped_ != id && window_->windowFlags().testFlag(Qt::FramelessWindowHint))
            keep_from_window_manager(window_);
        // The shape of the other kind would still cut what shows or what
        // the pointer reaches.
        if (shaped_ == id && kind_ != kind)
            reset_x_shape(window_, kind_);
        shown_ = shown;
        kind_ = kind;
        shaped_ = id;
        if (!set_x_shape(window_, shown, kind) && kind == ShapeKind::Bounding)
            set_shape(window_, shown);
    }

    QPointer<QWidget> window_;
    QPointer<QWidget> source_;
    QRgb key_;
    std::optional<QRegion> shown_; // what the display server has
    ShapeKind kind_ = ShapeKind::Bounding; // and as which shape
    bool see_through_ = false; // frames of a covering view show through the window's alpha
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

QRegion grid_cells(const QRegion& region, int cell)
{
    if (region.isEmpty() || cell <= 0)
        return {};
    const QRect box = region.boundingRect();
    // The grid line at or before v, negative v included.
    const auto grid_line = [cell](int v) { return v - v % cell - (v < 0 && v % cell ? cell : 0); };
    const int x0 = grid_line(box.left());
    const int y0 = grid_line(box.top());
    const int columns = (box.right() - x0) / cell + 1;
    const int rows = (box.bottom() - y0) / cell + 1;
    std::vector<char> touched(size_t(columns) * size_t(rows), 0);
    for (const QRect& r : region)
        for (int row = (r.top() - y0) / cell; row <= (r.bottom() - y0) / cell; ++row)
            std::fill_n(touched.begin() + ptrdiff_t(row) * columns + (r.left() - x0) / cell,
                        (r.right() - x0) / cell - (r.left() - x0) / cell + 1, 1);
    // The runs of touched cells of each grid row, left to right, rows with
    // the same runs joined into one band: the order and form a region keeps
    // its rectangles in.
    std::vector<QRect> rects;
    size_t band_start = 0;
    for (int row = 0; row < rows; ++row) {
        const char* line = touched.data() + ptrdiff_t(row) * columns;
        const bool same = row > 0 && std::equal(line, line + columns, line - columns);
        if (same && rects.size() > band_start) {
            for (size_t i = band_start; i < rects.size(); ++i)
                rects[i].setHeight(rects[i].height() + cell);
            continue;
        }
        band_start = rects.size();
        for (int c = 0; c < columns;) {
            if (!line[c]) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < columns && line[c])
                ++c;
            rects.emplace_back(x0 + start * cell, y0 + row * cell, (c - start) * cell, cell);
        }
    }
    QRegion cells;
    cells.setRects(rects.data(), static_cast<int>(rects.size()));
    return cells;
}

void clear_key(QImage& frame, const QRegion& area, QRgb key)
{
    if (frame.depth() != 32)
        return;
    const QRgb wanted = key & 0x00FFFFFFu;
    for (const QRect& r : area & frame.rect()) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x)
                if ((line[x] & 0x00FFFFFFu) == wanted)
                    line[x] = 0;
        }
    }
}

QRect frame_update_area(const QRegion& before, const QRegion& now)
{
    return before.boundingRect().united(now.boundingRect());
}

KeyedFrame offer_key_frame(QWidget* source, const QImage& frame, const QRegion* outside_background, QRgb background)
{
    ColorKey* key = source ? color_key_of(source->window()) : nullptr;
    return key ? key->take_frame(source, frame, outside_background, background) : KeyedFrame::Whole;
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
