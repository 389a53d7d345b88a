#include "platform/user32.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QVariant>
#include <QWidget>

namespace {

const char* const kExStyle = "platform_ex_style";
const char* const kColorKeyName = "platform_color_key";

QWidget* window_of(int64_t handle)
{
    if (handle == 0)
        return nullptr;
    QWidget* w = QWidget::find(static_cast<WId>(handle));
    return w && w->isWindow() ? w : nullptr;
}

// Without a compositor there is no per-pixel transparency, so the key colour
// is cut out of the window's shape, recomputed whenever the window repaints.
class ColorKey final : public QObject {
public:
    ColorKey(QWidget* window, QRgb key) : QObject(window), window_(window), key_(key)
    {
        setObjectName(kColorKeyName);
        window->installEventFilter(this);
        // Cut at once so the window never shows uncut, not even for a frame.
        apply();
    }

    void set_key(QRgb key)
    {
        key_ = key;
        apply();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::UpdateRequest:
            if (!applying_)
                schedule();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void schedule()
    {
        if (pending_)
            return;
        pending_ = true;
        QMetaObject::invokeMethod(this, [this] { apply(); }, Qt::QueuedConnection);
    }

    void apply()
    {
        pending_ = false;
        if (!window_)
            return;
        applying_ = true;
        const QImage frame = window_->grab().toImage();
        const QRegion shown(QBitmap::fromImage(frame.createMaskFromColor(key_, Qt::MaskInColor)));
        // An empty region would remove the cut altogether; a pixel outside
        // the window hides all of it instead.
        window_->setMask(shown.isEmpty() ? QRegion(-1, -1, 1, 1) : shown);
        applying_ = false;
    }

    QPointer<QWidget> window_;
    QRgb key_;
    bool pending_ = false;
    bool applying_ = false;
};

QRgb to_rgb(uint32_t colorref)
{
    return qRgb(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                static_cast<int>((colorref >> 16) & 0xFF));
}

} // namespace

int32_t GetWindowLongA(int64_t window, int32_t index)
{
    QWidget* w = window_of(window);
    if (!w || index != GWL_EXSTYLE)
        return 0;
    return w->property(kExStyle).toInt();
}

int32_t SetWindowLongA(int64_t window, int32_t index, int32_t value)
{
    QWidget* w = window_of(window);
    if (!w || index != GWL_EXSTYLE)
        return 0;
    const int32_t old = w->property(kExStyle).toInt();
    w->setProperty(kExStyle, value);
    return old;
}

bool SetLayeredWindowAttributes(int64_t window, uint32_t color_key, uint8_t, uint32_t flags)
{
    QWidget* w = window_of(window);
    if (!w || !(w->property(kExStyle).toInt() & WS_EX_LAYERED))
        return false;
    if (!(flags & LWA_COLORKEY))
        return true;
    if (auto* existing = w->findChild<QObject*>(kColorKeyName, Qt::FindDirectChildrenOnly))
        static_cast<ColorKey*>(existing)->set_key(to_rgb(color_key));
    else
        new ColorKey(w, to_rgb(color_key));
    return true;
}
