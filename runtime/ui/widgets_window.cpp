// The top-level window widget and the sprite surface.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace rtui {

WindowWidget::WindowWidget(std::weak_ptr<Window> window, QWidget* parent)
    : QWidget(parent, Qt::Window), window_(std::move(window)), picture_(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
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

int AnimationBox::add(QImage image, QPoint at)
{
    const int id = next_id_++;
    sprites_[id] = Sprite{std::move(image), at, 0};
    changed();
    return id;
}

bool AnimationBox::remove(int id)
{
    if (!sprites_.erase(id))
        return false;
    changed();
    return true;
}

bool AnimationBox::rotate(int id, int degrees)
{
    auto it = sprites_.find(id);
    if (it == sprites_.end())
        return false;
    it->second.angle = ((degrees % 360) + 360) % 360;
    changed();
    return true;
}

void AnimationBox::changed()
{
    update();
    mark_frame_pending(this);
}

void AnimationBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (back_)
        p.fillRect(rect(), *back_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto& [id, s] : sprites_) {
        if (s.image.isNull())
            continue;
        const QPointF centre(s.at.x() + s.image.width() / 2.0, s.at.y() + s.image.height() / 2.0);
        p.save();
        p.translate(centre);
        p.rotate(s.angle);
        p.drawImage(QPointF(-s.image.width() / 2.0, -s.image.height() / 2.0), s.image);
        p.restore();
    }
}

} // namespace rtui
