// Window definitions, loaded windows, the event dispatch, closing and modal
// waits.
#include "runtime/error.h"
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QWindow>

#include <algorithm>
#include <map>

namespace rtui {

namespace {

std::map<int, std::shared_ptr<const WindowDef>> definitions;
std::map<int, std::shared_ptr<Window>> loaded;

std::shared_ptr<const WindowDef> definition(int id)
{
    auto it = definitions.find(id);
    return it == definitions.end() ? nullptr : it->second;
}

void free_widgets(Window& w)
{
    w.delete_when_idle = false;
    if (w.widget)
        w.widget->deleteLater();
}

// Keeps a window's widgets alive while one of its handlers runs, so a
// handler that closes its own window (or runs a nested loop in which the
// window closes) never returns into freed widgets.
class BusyGuard {
public:
    explicit BusyGuard(std::shared_ptr<Window> w) : w_(std::move(w)) { ++w_->busy; }
    ~BusyGuard()
    {
        if (--w_->busy == 0 && w_->delete_when_idle)
            free_widgets(*w_);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    std::shared_ptr<Window> w_;
};

void wait_until_closed(const std::shared_ptr<Window>& w)
{
    ModalScope scope(w->widget);
    QEventLoop loop;
    w->waiters.push_back(&loop);
    while (w->loaded)
        loop.exec();
    w->waiters.erase(std::remove(w->waiters.begin(), w->waiters.end(), &loop), w->waiters.end());
}

} // namespace

std::shared_ptr<Window> loaded_window(int id)
{
    auto it = loaded.find(id);
    return it == loaded.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Window>> loaded_windows()
{
    std::vector<std::shared_ptr<Window>> out;
    for (auto& [id, w] : loaded)
        out.push_back(w);
    return out;
}

Unit* find_unit(const std::shared_ptr<Window>& w, int unit)
{
    if (!w || unit < 0 || unit >= static_cast<int>(w->units.size()))
        return nullptr;
    return &w->units[static_cast<size_t>(unit)];
}

void tag_widget(QWidget* widget, UnitRef ref)
{
    widget->setProperty("rt_window", ref.window);
    widget->setProperty("rt_unit", ref.unit);
}

bool unit_of_widget(const QObject* object, UnitRef& ref)
{
    const QVariant w = object->property("rt_window");
    const QVariant u = object->property("rt_unit");
    if (!w.isValid() || !u.isValid())
        return false;
    ref = {w.toInt(), u.toInt()};
    return true;
}

bool raise_event(UnitRef ref, int event, int32_t x, int32_t y, int32_t keys, bool fallback)
{
    auto w = loaded_window(ref.window);
    if (!w)
        return fallback;
    const std::vector<EventBinding>* bindings = nullptr;
    if (ref.unit == 0) {
        bindings = &w->def->events;
    } else {
        const Unit* u = find_unit(w, ref.unit);
        if (!u || !u->def)
            return fallback;
        bindings = &u->def->events;
    }
    auto it = std::find_if(bindings->begin(), bindings->end(), [&](const EventBinding& b) {
        return b.event == event && b.handler;
    });
    if (it == bindings->end())
        return fallback;
    const Handler handler = it->handler;  // the definition may be replaced meanwhile
    BusyGuard busy(w);
    EventArgs args;
    args.unit = ref;
    args.event = event;
    args.x = x;
    args.y = y;
    args.key_state = keys;
    return handler(args);
}

void close_window(const std::shared_ptr<Window>& w)
{
    if (!w || !w->loaded)
        return;
    w->loaded = false;
    w->close_pending = false;
    auto it = loaded.find(w->id);
    if (it != loaded.end() && it->second == w)
        loaded.erase(it);

    for (auto& child : loaded_windows())
        if (child->parent_window == w->id)
            close_window(child);

    for (Unit& u : w->units)
        if (u.timer)
            u.timer->stop();
    if (w->widget) {
        w->widget->hide();
        // A hidden window must not be found by its handle any more.
        if (w->widget->windowHandle())
            w->widget->windowHandle()->setTransientParent(nullptr);
    }
    for (QEventLoop* loop : w->waiters)
        loop->quit();
    if (w->busy == 0)
        free_widgets(*w);
    else
        w->delete_when_idle = true;
    quit_message_loop_if_idle();
}

void request_close(const std::shared_ptr<Window>& w)
{
    if (!w || !w->loaded)
        return;
    if (raise_event({w->id, 0}, E_MAY_CLOSE, 0, 0, 0, true))
        close_window(w);
}

void report_size(const std::shared_ptr<Window>& w)
{
    if (!w->widget || !w->loaded)
        return;
    const QSize s = w->widget->size();
    if (s == w->reported_size)
        return;
    w->reported_size = s;
    raise_event({w->id, 0}, E_SIZE_CHANGED);
}

void show_window(const std::shared_ptr<Window>& w)
{
    if (!w->widget)
        return;
    // Owned windows stay above their owner, as on the original platform; a
    // modal window is owned by the window it was opened from.
    QWidget* owner = w->modal_owner;
    if (w->parent_window)
        if (auto parent = loaded_window(w->parent_window))
            owner = parent->widget;
    if (owner && owner != w->widget) {
        w->widget->winId();
        owner->winId();
        if (w->widget->windowHandle() && owner->windowHandle())
            w->widget->windowHandle()->setTransientParent(owner->windowHandle());
    }
    // Drawn beside the showing, not after it.
    if (!w->widget->isVisible())
        begin_label_drawings(w->widget);
    w->widget->show();
    // Where the platform knows the frame as soon as the window exists; else
    // once the window manager has framed it.
    w->widget->fit_frame();
    w->widget->watch_frame();
    // The offscreen platform used by tests has no stacking to change.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        w->widget->raise();
        w->widget->activateWindow();
    }
}

// ---------------------------------------------------------------------------
// Modal blocking

namespace {

std::vector<std::vector<QPointer<QWidget>>> blocked_layers;

class InputFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Close:
        case QEvent::ContextMenu:
            break;
        default:
            return false;
        }
        if (!o->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(o);
        if (input_blocked(widget))
            return true;
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_F4 && (k->modifiers() & Qt::AltModifier)) {
                if (auto* ww = dynamic_cast<WindowWidget*>(widget->window())) {
                    request_close(ww->window());
                    return true;
                }
            }
        }
        return false;
    }
};

} // namespace

ModalScope::ModalScope(const QWidget* except)
{
    std::vector<QPointer<QWidget>> layer;
    for (auto& w : loaded_windows())
        if (w->widget && w->widget != except)
            layer.emplace_back(w->widget.data());
    blocked_layers.push_back(std::move(layer));
}

ModalScope::~ModalScope() { blocked_layers.pop_back(); }

bool input_blocked(const QWidget* widget)
{
    if (blocked_layers.empty() || !widget)
        return false;
    const QWidget* top = widget->window();
    for (const auto& layer : blocked_layers)
        for (const auto& w : layer)
            if (w == top)
                return true;
    return false;
}

void install_input_filter() { qApp->installEventFilter(new InputFilter(qApp)); }

} // namespace rtui

using namespace rtui;

// ---------------------------------------------------------------------------
// Commands

void rt_define_window(const WindowDef& def) { definitions[def.id] = std::make_shared<const WindowDef>(def); }

UnitRef rt_unit(int window_id, std::string_view name)
{
    std::shared_ptr<const WindowDef> def;
    if (auto w = loaded_window(window_id))
        def = w->def;
    else
        def = definition(window_id);
    if (!def)
        rt_report_error(RT_ERR_BAD_UNIT, "没有窗口 " + std::to_string(window_id));
    if (name == def->name)
        return {window_id, 0};
    for (size_t i = 0; i < def->units.size(); ++i)
        if (def->units[i].name == name)
            return {window_id, static_cast<int32_t>(i + 1)};
    rt_report_error(RT_ERR_BAD_UNIT, "窗口 " + def->name + " 没有组件 " + std::string(name));
}

namespace {

// Our own filter already blocks the other windows; telling the toolkit too
// lets a window manager keep the modal window in front of a full-screen stage
// that the operator clicks.
void keep_in_front(const std::shared_ptr<Window>& w)
{
    if (!w->widget || w->widget->isVisible())
        return;
    w->widget->setWindowModality(Qt::ApplicationModal);
    // Owned by the window it is opened from, as a dialog is (the platform
    // names the owner of dialogs only), so that a click on the stage raises
    // the stage above none of the open modal windows.
    QWidget* from = QApplication::activeModalWidget();
    if (!from)
        from = QApplication::activeWindow();
    if (dynamic_cast<WindowWidget*>(from))
        w->modal_owner = from;
    const Qt::WindowFlags flags = w->widget->windowFlags();
    if ((flags & Qt::WindowType_Mask) != Qt::Dialog)
        w->widget->setWindowFlags((flags & ~Qt::WindowType_Mask) | Qt::Dialog);
}

} // namespace

bool rt_load_window(int window_id, std::optional<UnitRef> parent, bool modal)
{
    if (auto w = loaded_window(window_id)) {
        if (modal)
            keep_in_front(w);
        if (w->want_visible)
            show_window(w);
        if (modal)
            wait_until_closed(w);
        return true;
    }
    auto def = definition(window_id);
    if (!def)
        return false;
    // What the handler changed so far shows before the new window is built,
    // which can take a while (a fireworks window reads its movie): the end
    // of an animation is not held back by it.
    paint_pending();
    auto w = std::make_shared<Window>();
    w->id = window_id;
    w->def = def;
    if (parent && !modal && loaded_window(parent->window))
        w->parent_window = parent->window;
    build_window(w);
    loaded[window_id] = w;
    if (modal)
        keep_in_front(w);

    w->creating = true;
    raise_event({window_id, 0}, E_CREATED);
    w->creating = false;

    if (w->loaded && w->want_visible)
        show_window(w);
    if (modal && w->loaded)
        wait_until_closed(w);
    return true;
}

bool rt_is_loaded(int window_id)
{
    auto w = loaded_window(window_id);
    return w && w->widget;
}

void rt_destroy_window(int window_id)
{
    auto w = loaded_window(window_id);
    if (!w || w->close_pending)
        return;
    w->close_pending = true;
    std::weak_ptr<Window> weak = w;
    QMetaObject::invokeMethod(
        qApp,
        [weak] {
            auto target = weak.lock();
            if (target && target->close_pending)
                close_window(target);
        },
        Qt::QueuedConnection);
}

void rt_load_startup_window(int window_id) { rt_load_window(window_id); }
