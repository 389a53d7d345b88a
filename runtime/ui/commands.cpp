// Window commands: the move loop, handles, focus and stacking, the screen,
// hot keys and sound.
#include "platform/hotkey.h"
#include "platform/ui/windows.h"
#include "runtime/files.h"
#include "runtime/ui/model.h"
#include "runtime/ui/sound.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>

namespace rtui {

namespace {

constexpr uint32_t kNcLButtonDown = 161;
constexpr int32_t kHitCaption = 2;

QWidget* widget_of(UnitRef ref)
{
    const Unit* u = find_unit(loaded_window(ref.window), ref.unit);
    return u ? u->widget.data() : nullptr;
}

// The platform's move loop: the unit follows the mouse until the left
// button comes up.
class MoveLoop : public QObject {
public:
    MoveLoop(QWidget* target, QEventLoop& loop)
        : target_(target), loop_(loop), start_global_(QCursor::pos()), start_pos_(target->pos())
    {
    }

    void follow(QPoint global)
    {
        if (target_)
            target_->move(start_pos_ + (global - start_global_));
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!o->isWidgetType())
            return false;
        switch (e->type()) {
        case QEvent::MouseMove:
            follow(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                follow(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
                loop_.quit();
            }
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            return false;
        }
    }

private:
    QPointer<QWidget> target_;
    QEventLoop& loop_;
    QPoint start_global_;
    QPoint start_pos_;
};

void run_move_loop(QWidget* target)
{
    if (!target->isVisible() || !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return;
    if (auto down = left_button_down(); down && !*down)
        return;
    QPointer<QWidget> guard(target);
    QEventLoop loop;
    MoveLoop mover(target, loop);
    target->grabMouse();
    if (QWidget::mouseGrabber() != target) {
        target->releaseMouse();
        return;
    }
    qApp->installEventFilter(&mover);
    // The release may never reach us (another program grabbed the pointer,
    // the unit went away): look at the button now and then.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        const auto down = left_button_down();
        if (!guard || !guard->isVisible() || (down && !*down) ||
            (!down && !(QGuiApplication::mouseButtons() & Qt::LeftButton))) {
            if (guard && down && !*down)
                mover.follow(QCursor::pos());
            loop.quit();
        }
    });
    watch.start(50);
    loop.exec();
    watch.stop();
    qApp->removeEventFilter(&mover);
    if (guard)
        guard->releaseMouse();
}

void show_without_activating(QWidget* w)
{
    const bool had = w->testAttribute(Qt::WA_ShowWithoutActivating);
    w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    w->show();
    w->setAttribute(Qt::WA_ShowWithoutActivating, had);
}

} // namespace

} // namespace rtui

using namespace rtui;

int32_t rt_send_message(UnitRef unit, uint32_t message, int32_t wparam, int32_t)
{
    if (message != kNcLButtonDown || wparam != kHitCaption)
        return 0;
    auto w = loaded_window(unit.window);
    const Unit* u = find_unit(w, unit.unit);
    if (!u || !u->widget)
        return 0;
    if (DialogBackend* backend = dialog_backend()) {
        const DragOffset d = backend->drag();
        u->widget->move(u->widget->pos() + QPoint(d.dx, d.dy));
        return 0;
    }
    run_move_loop(u->widget);
    return 0;
}

int64_t rt_get_window_handle(UnitRef unit)
{
    QWidget* w = widget_of(unit);
    if (!w)
        return 0;
    w->winId();
    // A window made anew keeps the handle it was first given.
    return platform::handle_of(w);
}

void rt_set_focus(UnitRef unit)
{
    auto w = loaded_window(unit.window);
    Unit* u = find_unit(w, unit.unit);
    if (!u || !u->widget)
        return;
    if (u->widget->isVisible() || unit.unit == 0) {
        w->virtual_focus = 0;
        u->widget->setFocus(Qt::OtherFocusReason);
        return;
    }
    // A hidden unit cannot hold the toolkit's focus; the window keeps it in
    // its name so the unit's keys still reach it.
    w->virtual_focus = unit.unit;
    if (w->widget)
        w->widget->setFocus(Qt::OtherFocusReason);
}

void rt_set_z_order(UnitRef unit, int32_t code)
{
    QWidget* w = widget_of(unit);
    if (!w)
        return;
    const bool top_level = unit.unit == 0;
    if (code <= 1) {
        w->raise();
    } else if (code == 2) {
        w->lower();
    } else if (!top_level) {
        if (code == 3)
            w->raise();
    } else {
        const bool on_top = code == 3;
        if (bool(w->windowFlags() & Qt::WindowStaysOnTopHint) == on_top)
            return;
        const QPoint pos = w->pos();
        const bool shown = w->isVisible();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
        w->move(pos);
        if (shown)
            show_without_activating(w);
    }
}

int32_t rt_screen_width()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int32_t rt_screen_height()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

int32_t rt_register_hot_key(UnitRef, UnitRef target, int32_t modifiers, int32_t virtual_key)
{
    return platform::register_hot_key(modifiers, virtual_key, [target] { raise_event(target, E_HOT_KEY); });
}

void rt_play_music_list(int32_t repeat, const std::vector<std::string>& names) { sound::play_list(repeat, names); }

void rt_stop_music() { sound::stop_all(); }

bool rt_play_music(const Bytes& wave, bool loop) { return sound::play_wave(wave, loop); }

bool rt_play_music(std::string_view wave_file, bool loop) { return sound::play_wave(rt_read_file(wave_file), loop); }
