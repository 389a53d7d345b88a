// The top-level window widget and the sprite surface.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include <algorithm>

namespace rtui {

WindowWidget::WindowWidget(std::weak_ptr<Window> window, QWidget* parent)
    : QWidget(parent, Qt::Window), window_(std::move(window)), picture_(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // A window manager may tell the frame without any event reaching us.
    frame_watch_.setInterval(50);
    QObject::connect(&frame_watch_, &QTimer::timeout, this, [this] {
        fit_frame();
        if (--frame_checks_left_ <= 0 || !isVisible())
            frame_watch_.stop();
    });
}

QMargins WindowWidget::frame_margins() const
{
    if (windowFlags() & Qt::FramelessWindowHint)
        return {};
    // The platform window knows the frame as soon as the window manager has
    // told it; the widget learns it only with its next move or resize.
    if (const QWindow* handle = windowHandle())
        return handle->frameMargins();
    const QRect outer = frameGeometry();
    const QRect inside = geometry();
    return {inside.left() - outer.left(), inside.top() - outer.top(), outer.right() - inside.right(),
            outer.bottom() - inside.bottom()};
}

QSize WindowWidget::frame_extra() const
{
    const QMargins m = frame_margins();
    return {std::max(0, m.left() + m.right()), std::max(0, m.top() + m.bottom())};
}

QSize WindowWidget::outer_size() const
{
    // Until the inside is fitted to a changed frame, the size asked for holds.
    if (!outer_.isEmpty() && frame_extra() != known_extra_)
        return outer_;
    return size() + frame_extra();
}

void WindowWidget::set_outer_size(QSize outer)
{
    outer_ = outer;
    known_extra_ = frame_extra();
    const QSize inside = outer - known_extra_;
    resize(std::max(inside.width(), 1), std::max(inside.height(), 1));
}

QPoint WindowWidget::outer_pos() const
{
    const QMargins m = frame_margins();
    return geometry().topLeft() - QPoint(m.left(), m.top());
}

void WindowWidget::place(QPoint at)
{
    placed_at_ = at;
    if (windowFlags() & Qt::FramelessWindowHint) {
        setGeometry(QRect(at, size())); // a frame it had no longer shifts it
        return;
    }
    const QMargins m = frame_margins();
    if (m.isNull())
        move(at); // the window manager is asked to put its frame there
    else
        setGeometry(QRect(at + QPoint(m.left(), m.top()), size()));
}

void WindowWidget::set_frameless(bool frameless)
{
    const QPoint at = outer_pos();
    const QSize outer = outer_size();
    setWindowFlag(Qt::FramelessWindowHint, frameless); // hides it
    place(at);
    set_outer_size(outer);
}

void WindowWidget::fit_frame()
{
    const QSize extra = frame_extra();
    if (extra == known_extra_)
        return;
    if (!outer_.isEmpty())
        set_outer_size(outer_);
    known_extra_ = extra;
    // A window manager that frames a window where its inside was moves the
    // frame out of place (off the screen's edge at 0, 0): put it back.
    if (placed_at_ && outer_pos() != *placed_at_)
        place(*placed_at_);
}

void WindowWidget::watch_frame()
{
    frame_checks_left_ = 60; // three seconds
    if (!frame_watch_.isActive())
        frame_watch_.start();
}

// The frame is known late and changes with the border: fit the inside to
// the outer size asked for, once the events of the change are through.
void WindowWidget::follow_frame()
{
    if (outer_.isEmpty() || follow_pending_ || frame_extra() == known_extra_)
        return;
    follow_pending_ = true;
    QPointer<WindowWidget> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->follow_pending_ = false;
            self->fit_frame();
        },
        Qt::QueuedConnection);
}

bool WindowWidget::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Move:
        // The operator's own move stands.
        if (placed_at_ && frame_extra() == known_extra_)
            placed_at_ = outer_pos();
        follow_frame();
        break;
    case QEvent::Show:
    case QEvent::WindowStateChange:
    case QEvent::UpdateRequest:
        follow_frame();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void WindowWidget::set_back_color(std::optional<QColor> c)
{
    back_ = c;
    update();
}

void WindowWidget::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const QColor back = back_ ? *back_ : palette().color(QPalette::Window);
    if (picture_.empty()) {
        p.fillRect(e->rect(), back);
        return;
    }
    const QImage img = picture_.scaled(size(), Qt::IgnoreAspectRatio);
    if (img.hasAlphaChannel())
        p.fillRect(e->rect(), back);
    p.drawImage(e->rect(), img, e->rect());
}

void WindowWidget::closeEvent(QCloseEvent* e)
{
    // Closing is ours to do: the query decides, and close_window hides the
    // widget instead of letting Qt close it.
    e->ignore();
    if (auto w = window())
        request_close(w);
}

void WindowWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (frame_extra() == known_extra_ && !outer_.isEmpty())
        outer_ = outer_size(); // the operator's own resize stands
    else
        follow_frame();
    if (auto w = window())
        report_size(w);
}

void WindowWidget::keyPressEvent(QKeyEvent* e)
{
    auto w = window();
    if (w && w->virtual_focus > 0 && !e->isAutoRepeat() &&
        (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        // A hidden button that holds the focus still answers its keys.
        const Unit* u = find_unit(w, w->virtual_focus);
        if (u && u->widget && u->widget->isEnabled()) {
            raise_event({w->id, u->id}, E_CLICK);
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------------------

AnimationBox::AnimationBox(QWidget* parent) : QWidget(parent) {}

int AnimationBox::add(QImage image, QSize size, QPoint at)
{
    const int id = next_id_++;
    const Sprite& s = sprites_[id] = Sprite{std::move(image), size, at, 0};
    changed(area_of(s));
    return id;
}

bool AnimationBox::remove(int id)
{
    auto it = sprites_.find(id);
    if (it == sprites_.end())
        return false;
    const QRect area = area_of(it->second);
    sprites_.erase(it);
    changed(area);
    return true;
}

bool AnimationBox::rotate(int id, int degrees)
{
    auto it = sprites_.find(id);
    if (it == sprites_.end())
        return false;
    const QRect before = area_of(it->second);
    it->second.angle = ((degrees % 360) + 360) % 360;
    changed(before.united(area_of(it->second)));
    return true;
}

QRect AnimationBox::area_of(const Sprite& s)
{
    if (s.image.isNull() || s.size.isEmpty())
        return {};
    const QSizeF half(s.size.width() / 2.0, s.size.height() / 2.0);
    QTransform t;
    t.translate(s.at.x() + half.width(), s.at.y() + half.height());
    t.rotate(s.angle);
    return t.mapRect(QRectF(QPointF(-half.width(), -half.height()), s.size)).toAlignedRect().adjusted(-2, -2, 2, 2);
}

void AnimationBox::changed(const QRect& area)
{
    const QRect visible = area.intersected(rect());
    if (visible.isEmpty())
        return;
    update(visible);
    mark_frame_pending(this, visible);
}

void AnimationBox::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (back_)
        p.fillRect(e->rect(), *back_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto& [id, s] : sprites_) {
        if (!area_of(s).intersects(e->rect()))
            continue;
        const QSizeF half(s.size.width() / 2.0, s.size.height() / 2.0);
        p.save();
        p.translate(s.at.x() + half.width(), s.at.y() + half.height());
        p.rotate(s.angle);
        p.drawImage(QRectF(QPointF(-half.width(), -half.height()), s.size), s.image);
        p.restore();
    }
}

} // namespace rtui
