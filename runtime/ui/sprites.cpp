// Snapshots and sprites: the egg program's prize reveal takes a picture of
// its board and shows copies of it that grow and turn, frame after frame.
#include "runtime/ui/model.h"
#include "runtime/ui/picture.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "runtime/files.h"

namespace rtui {

namespace {

QWidget* widget_of(UnitRef ref)
{
    const Unit* u = find_unit(loaded_window(ref.window), ref.unit);
    return u ? u->widget.data() : nullptr;
}

// The halvings not made yet between the picture and the smallest made.
void make_missing_halvings(Unit& object)
{
    auto& levels = object.picture_levels;
    for (size_t k = 1; k < levels.size(); ++k)
        if (levels[k].isNull())
            levels[k] = half_size(levels[k - 1]);
}

// The object's picture for a copy of `size`: the smallest of the picture and
// its halvings that is not smaller than the copy. Drawn at the copy's size,
// it looks as smooth as a copy scaled for that size, and each halving is
// made once for all the copies the reveal adds, not once per copy.
//
// The reveal's first copy is small: its halving is made from the largest
// one made so far in one step, by averaging, and the halvings in between,
// which only later copies use, are made once events are processed, while
// that first frame is held on screen.
QImage object_picture(UnitRef ref, Unit& object, QSize size)
{
    auto& levels = object.picture_levels;
    if (!object.picture_decoded) {
        levels.clear();
        const Picture pic = decode_picture(object.picture);
        if (!pic.empty())
            levels.push_back(pic.frames.front());
        object.picture_decoded = true;
    }
    if (levels.empty())
        return {};
    size_t k = 0;
    QSize at = levels.front().size();
    for (;;) {
        const QSize half((at.width() + 1) / 2, (at.height() + 1) / 2);
        if (half.width() < size.width() || half.height() < size.height() || half == at)
            break;
        at = half;
        ++k;
    }
    if (levels.size() <= k)
        levels.resize(k + 1);
    if (levels[k].isNull()) {
        size_t from = k - 1;
        while (levels[from].isNull())
            --from;
        if (from + 1 == k) {
            levels[k] = half_size(levels[from]);
        } else {
            levels[k] = averaged_to(levels[from], at);
            QMetaObject::invokeMethod(
                qApp,
                [ref] {
                    if (Unit* u = find_unit(loaded_window(ref.window), ref.unit))
                        make_missing_halvings(*u);
                },
                Qt::QueuedConnection);
        }
    }
    return levels[k];
}

// Pictures decoded while the operator waits, so that showing one later
// costs no decode. One at a time, from the first call's second on: a window
// that has just come up keeps its processors, and no more than one
// camera-sized decode is under way.
class Preparation {
public:
    static Preparation& instance()
    {
        static auto* preparation = new Preparation;
        return *preparation;
    }

    void add(UnitRef unit, std::vector<std::string> paths)
    {
        for (std::string& path : paths)
            if (std::find(queue_.begin(), queue_.end(), std::pair(unit, path)) == queue_.end())
                queue_.emplace_back(unit, std::move(path));
        if (!timer_.isActive())
            timer_.start(kFirstAfterMs);
    }

private:
    static constexpr int kFirstAfterMs = 1000;
    static constexpr int kPollMs = 10;

    Preparation()
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
    }

    void step()
    {
        if (running_.valid() && !running_.ready()) {
            timer_.start(kPollMs);
            return;
        }
        running_ = PictureDecode();
        while (!queue_.empty() && !running_.valid()) {
            const auto [ref, path] = std::move(queue_.front());
            queue_.pop_front();
            Unit* u = find_unit(loaded_window(ref.window), ref.unit);
            if (PictureSlot* slot = u && u->widget ? picture_of(*u) : nullptr)
                running_ = slot->prepare(rt_read_file(path), picture_fit(*u));
        }
        if (running_.valid())
            timer_.start(kPollMs);
    }

    std::deque<std::pair<UnitRef, std::string>> queue_;
    PictureDecode running_;
    QTimer timer_;
};

} // namespace

} // namespace rtui

using namespace rtui;

void rt_prepare_pictures(UnitRef unit, std::vector<std::string> paths)
{
    Preparation::instance().add(unit, std::move(paths));
}

Bytes rt_unit_snapshot(UnitRef unit)
{
    QWidget* w = widget_of(unit);
    if (!w || w->width() <= 0 || w->height() <= 0)
        return {};
    // A board whose picture was decoded to its size shows exactly that
    // picture: its pixels are the snapshot, shared rather than drawn again.
    if (const auto* board = dynamic_cast<const DrawingBoard*>(w); board && unit.unit != 0)
        if (Bytes shown = board->shown_bmp(); !shown.empty())
            return shown;
    // An uncompressed picture of a full-screen board is made and read back
    // in milliseconds, where compressing it takes a second.
    BmpCanvas canvas(w->size());
    QImage& img = canvas.image();
    if (img.isNull())
        return {};
    QPainter p(&img);
    // A unit's own surface; only the window's picture includes its units.
    const QWidget::RenderFlags flags =
        unit.unit == 0 ? QWidget::DrawWindowBackground | QWidget::DrawChildren : QWidget::DrawWindowBackground;
    w->render(&p, QPoint(), QRegion(), flags);
    p.end();
    return canvas.take();
}

int32_t rt_sprite_add(UnitRef box, UnitRef object, int32_t x, int32_t y)
{
    auto* surface = dynamic_cast<AnimationBox*>(widget_of(box));
    Unit* obj = find_unit(loaded_window(object.window), object.unit);
    if (!surface || !obj || obj->type != UnitType::AnimationObject)
        return 0;
    const int64_t w = static_cast<int64_t>(obj->geometry.width()) * obj->zoom / 1000;
    const int64_t h = static_cast<int64_t>(obj->geometry.height()) * obj->zoom / 1000;
    QSize size;
    QImage picture;
    if (w > 0 && h > 0 && w <= 32767 && h <= 32767) {
        size = QSize(static_cast<int>(w), static_cast<int>(h));
        picture = object_picture(object, *obj, size);
    }
    return surface->add(std::move(picture), size, QPoint(x, y));
}

void rt_sprite_remove(UnitRef box, int32_t id)
{
    if (auto* surface = dynamic_cast<AnimationBox*>(widget_of(box)))
        surface->remove(id);
}

void rt_sprite_rotate(UnitRef box, int32_t id, int32_t degrees)
{
    if (auto* surface = dynamic_cast<AnimationBox*>(widget_of(box)))
        surface->rotate(id, degrees);
}
