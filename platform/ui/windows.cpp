// Window handles over our native windows: classes, styles, titles, the
// procedure chain, messages and timers.
#include "platform/ui/windows.h"
#include "platform/ui/color_key.h"

#include "platform/ascii.h"
#include "platform/winmm.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QWindow>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

const char* const kRecordName = "platform_window";


// What the window layer keeps per window; a child object, so it goes with
// the widget.
class WindowRecord final : public QObject {
public:
    explicit WindowRecord(QWidget* w) : QObject(w) { setObjectName(kRecordName); }
    std::string class_name; // empty: not made by CreateWindowExA
    std::string title;
    bool has_title = false;
    int32_t style = 0;
    int32_t ex_style = 0;
    int32_t procedure = 0;
};

WindowRecord* record_of(QWidget* w, bool create)
{
    if (!w)
        return nullptr;
    if (auto* r = w->findChild<WindowRecord*>(kRecordName, Qt::FindDirectChildrenOnly))
        return r;
    if (!create)
        return nullptr;
    auto* r = new WindowRecord(w);
    r->procedure = procedure_token(DefWindowProcA);
    return r;
}

WindowRecord* record_of(int64_t handle, bool create = true) { return record_of(widget_of(handle), create); }

struct WindowClass {
    std::string name;
    int32_t procedure = 0;
    WidgetFactory make;
};

std::map<std::string, WindowClass>& classes()
{
    static auto* c = new std::map<std::string, WindowClass>;
    return *c;
}

std::mutex procedures_mutex;
std::vector<WNDPROC> procedures;
constexpr int32_t kFirstToken = 0x10000;

WNDPROC procedure_of(int32_t token)
{
    const std::lock_guard lock(procedures_mutex);
    const int64_t i = int64_t(token) - kFirstToken;
    if (i < 0 || i >= static_cast<int64_t>(procedures.size()))
        return nullptr;
    return procedures[static_cast<size_t>(i)];
}

// Whether the user-interface thread still looks at its events: it is hung
// when it has been neither waiting for events nor back from waiting for
// 5 seconds.
constexpr uint32_t kHungAfterMs = 5000;
std::atomic<bool> heartbeat_on{false};
std::atomic<bool> ui_waiting{false};
std::atomic<uint32_t> ui_last_seen{0};

void ensure_heartbeat()
{
    if (heartbeat_on.load() || !QCoreApplication::instance() ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
    if (!d)
        return;
    heartbeat_on = true;
    ui_last_seen = GetTickCount();
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, d, [] {
        ui_waiting = true;
        ui_last_seen = GetTickCount();
    });
    QObject::connect(d, &QAbstractEventDispatcher::awake, d, [] {
        ui_waiting = false;
        ui_last_seen = GetTickCount();
    });
}

bool ui_hung()
{
    return heartbeat_on.load() && !ui_waiting.load() && GetTickCount() - ui_last_seen.load() > kHungAfterMs;
}

WPARAM key_flags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    WPARAM w = 0;
    if (buttons & Qt::LeftButton)
        w |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        w |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        w |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        w |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        w |= MK_CONTROL;
    return w;
}

int32_t copy_text(const std::string& text, char* buffer, int32_t size)
{
    if (!buffer || size <= 0)
        return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::copy_n(text.data(), n, buffer);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

// Goes with its window's children, after the window's handle is given up;
// what waits for the end runs from the event loop, once the rest of the
// window has gone too.
class EndWatch final : public QObject {
public:
    EndWatch(QWidget* w, std::function<void()> done) : QObject(w), done_(std::move(done)) {}
    ~EndWatch() override
    {
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(done_), Qt::QueuedConnection);
    }

private:
    std::function<void()> done_;
};

class WindowTimer final : public QTimer {
public:
    WindowTimer(QWidget* owner, uintptr_t id) : QTimer(owner), id_(id) {}
    uintptr_t id() const { return id_; }

private:
    uintptr_t id_;
};

} // namespace

int32_t procedure_token(WNDPROC procedure)
{
    if (!procedure)
        return 0;
    const std::lock_guard lock(procedures_mutex);
    for (size_t i = 0; i < procedures.size(); ++i)
        if (procedures[i] == procedure)
            return kFirstToken + static_cast<int32_t>(i);
    procedures.push_back(procedure);
    return kFirstToken + static_cast<int32_t>(procedures.size() - 1);
}

bool when_window_destroyed(int64_t window, std::function<void()> done)
{
    QWidget* w = widget_of(window);
    if (!w || !done)
        return false;
    new EndWatch(w, std::move(done));
    return true;
}

bool register_window_class(const std::string& name, WNDPROC procedure, WidgetFactory make)
{
    const std::string key = ascii_lowered(name);
    if (key.empty() || classes().count(key))
        return false;
    classes()[key] = WindowClass{name, procedure_token(procedure), std::move(make)};
    return true;
}

namespace {

const char* const kKeptHandle = "platform_kept_handle";

// Windows whose native window was made anew, by the handle they had before.
std::unordered_map<int64_t, QPointer<QWidget>>& kept_handles()
{
    static std::unordered_map<int64_t, QPointer<QWidget>> kept;
    return kept;
}

} // namespace

int64_t handle_of(const QWidget* widget)
{
    if (!widget || !widget->internalWinId())
        return 0;
    const QVariant kept = widget->property(kKeptHandle);
    return kept.isValid() ? kept.toLongLong() : static_cast<int64_t>(widget->internalWinId());
}

QWidget* widget_of(int64_t handle)
{
    if (handle == 0)
        return nullptr;
    if (QWidget* w = QWidget::find(static_cast<WId>(handle)))
        return w;
    const auto kept = kept_handles().find(handle);
    return kept != kept_handles().end() ? kept->second.data() : nullptr;
}

bool remake_with_alpha(QWidget* window)
{
    if (!window || !window->isWindow() || window->isVisible() || !window->windowHandle() ||
        window->testAttribute(Qt::WA_TranslucentBackground))
        return false;
    const auto children = window->findChildren<QWidget*>();
    if (std::any_of(children.begin(), children.end(), [](const QWidget* c) { return c->internalWinId() != 0; }))
        return false;
    const int64_t handle = handle_of(window);
    // The visual is chosen when the native window is made: the format asks
    // for alpha only while there is none.
    window->windowHandle()->destroy();
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->winId();
    if (handle != 0 && handle != static_cast<int64_t>(window->internalWinId())) {
        window->setProperty(kKeptHandle, QVariant::fromValue<qlonglong>(handle));
        kept_handles()[handle] = window;
        name_x_window_by_handle(window, handle);
        QObject::connect(window, &QObject::destroyed, [handle] { kept_handles().erase(handle); });
    }
    return true;
}

RECT to_rect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

void set_shape(QWidget* window, const QRegion& shape)
{
    window->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
}

QPoint client_origin(const QWidget* widget) { return widget ? widget->contentsRect().topLeft() : QPoint(); }

// ---------------------------------------------------------------------------

MessageWindow::MessageWindow(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void MessageWindow::send_mouse(QMouseEvent* e, uint32_t left, uint32_t right, uint32_t middle)
{
    uint32_t message = 0;
    switch (e->button()) {
    case Qt::LeftButton: message = left; break;
    case Qt::RightButton: message = right; break;
    case Qt::MiddleButton: message = middle; break;
    default: break;
    }
    e->accept();
    if (message != 0)
        send_at(e, message);
}

void MessageWindow::send_at(QMouseEvent* e, uint32_t message)
{
    const QPoint p = e->position().toPoint() - client_origin(this);
    SendMessageA(handle_of(this), message, key_flags(e->buttons(), e->modifiers()), make_lparam(p.x(), p.y()));
}

void MessageWindow::mousePressEvent(QMouseEvent* e) { send_mouse(e, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN); }
void MessageWindow::mouseReleaseEvent(QMouseEvent* e) { send_mouse(e, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP); }
void MessageWindow::mouseDoubleClickEvent(QMouseEvent* e)
{
    send_mouse(e, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
}

void MessageWindow::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    send_at(e, WM_MOUSEMOVE);
}

void MessageWindow::wheelEvent(QWheelEvent* e)
{
    e->accept();
    const QPoint g = e->globalPosition().toPoint();
    const auto delta = static_cast<uint16_t>(static_cast<int16_t>(e->angleDelta().y()));
    SendMessageA(handle_of(this), WM_MOUSEWHEEL,
                 (WPARAM(delta) << 16) | key_flags(e->buttons(), e->modifiers()), make_lparam(g.x(), g.y()));
}

// Menus come from WM_CONTEXTMENU, which only an unswallowed right button
// brings; the toolkit's own request is not ours to act on.
void MessageWindow::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

} // namespace platform

using namespace platform;

int32_t GetWindowLongA(int64_t window, int32_t index)
{
    QWidget* w = widget_of(window);
    WindowRecord* r = record_of(w, true);
    if (!r)
        return 0;
    switch (index) {
    case GWL_EXSTYLE: return r->ex_style;
    case GWL_WNDPROC: return r->procedure;
    case GWL_STYLE:
        if (r->class_name.empty()) {
            // The program's own windows: what can be read off the widget.
            uint32_t s = r->style;
            s = w->isVisible() ? s | WS_VISIBLE : s & ~WS_VISIBLE;
            s = w->isWindow() ? s & ~WS_CHILD : s | WS_CHILD;
            return static_cast<int32_t>(s);
        }
        return r->style;
    default: return 0;
    }
}

int32_t SetWindowLongA(int64_t window, int32_t index, int32_t value)
{
    WindowRecord* r = record_of(window);
    if (!r)
        return 0;
    ensure_heartbeat();
    int32_t* field = nullptr;
    switch (index) {
    case GWL_EXSTYLE: field = &r->ex_style; break;
    case GWL_STYLE: field = &r->style; break;
    case GWL_WNDPROC:
        if (!procedure_of(value))
            return 0; // not a procedure: the chain stays as it is
        field = &r->procedure;
        break;
    default: return 0;
    }
    const int32_t old = *field;
    *field = value;
    return old;
}

uint16_t RegisterClassA(const WNDCLASSA* window_class)
{
    if (!window_class || !window_class->class_name || !window_class->procedure)
        return 0;
    static uint16_t next_atom = 0xC000;
    const bool made = register_window_class(window_class->class_name, window_class->procedure,
                                            [](const CreateRequest& r) -> QWidget* {
                                                auto* w = new MessageWindow(r.parent);
                                                w->setAutoFillBackground(true);
                                                return w;
                                            });
    return made ? next_atom++ : 0;
}

int64_t CreateWindowExA(uint32_t ex_style, const char* class_name, const char* title, uint32_t style, int32_t x,
                        int32_t y, int32_t width, int32_t height, int64_t parent, int64_t, int64_t, void* param)
{
    if (!class_name || !QCoreApplication::instance())
        return 0;
    auto it = classes().find(ascii_lowered(class_name));
    if (it == classes().end())
        return 0;
    QWidget* parent_widget = nullptr;
    if (parent != 0) {
        parent_widget = widget_of(parent);
        if (!parent_widget)
            return 0;
    } else if (style & WS_CHILD) {
        return 0; // a child needs a parent
    }
    ensure_heartbeat();

    CreateRequest request;
    request.ex_style = ex_style;
    request.title = title ? title : "";
    request.style = style;
    request.geometry = QRect(x, y, std::max(0, width), std::max(0, height));
    request.parent = parent_widget;
    request.param = param;
    const WindowClass wc = it->second; // the factory may register further classes
    QWidget* w = wc.make ? wc.make(request) : nullptr;
    if (!w)
        return 0;
    if (!parent_widget)
        w->setWindowTitle(QString::fromStdString(request.title));
    w->setAttribute(Qt::WA_NativeWindow);
    const int64_t handle = static_cast<int64_t>(w->winId());
    WindowRecord* r = record_of(w, true);
    r->class_name = wc.name;
    r->title = request.title;
    r->has_title = true;
    r->style = static_cast<int32_t>(style);
    r->ex_style = static_cast<int32_t>(ex_style);
    r->procedure = wc.procedure;
    const QPoint origin = parent_widget ? client_origin(parent_widget) : QPoint();
    w->setGeometry(request.geometry.translated(origin));

    QPointer<QWidget> guard(w);
    if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
        if (guard)
            guard->deleteLater();
        return 0;
    }
    if (!guard)
        return 0;
    if (style & WS_VISIBLE)
        w->show();
    return handle;
}

bool DestroyWindow(int64_t window)
{
    QWidget* w = widget_of(window);
    WindowRecord* r = record_of(w, false);
    if (!r || r->class_name.empty())
        return false;
    SendMessageA(window, WM_DESTROY, 0, 0);
    w->hide();
    w->deleteLater();
    return true;
}

bool IsWindow(int64_t window) { return widget_of(window) != nullptr; }

int64_t FindWindowExA(int64_t parent, int64_t after, const char* class_name, const char* title)
{
    std::vector<QWidget*> candidates;
    if (parent == 0) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->internalWinId())
                candidates.push_back(w);
    } else {
        QWidget* p = widget_of(parent);
        if (!p)
            return 0;
        for (QObject* o : p->children())
            if (o->isWidgetType())
                if (auto* w = static_cast<QWidget*>(o); w->internalWinId() && !w->isWindow())
                    candidates.push_back(w);
    }
    size_t i = 0;
    if (after != 0) {
        while (i < candidates.size() && handle_of(candidates[i]) != after)
            ++i;
        if (i == candidates.size())
            return 0;
        ++i;
    }
    const std::string wanted_class = class_name ? ascii_lowered(class_name) : std::string();
    for (; i < candidates.size(); ++i) {
        const int64_t h = handle_of(candidates[i]);
        if (class_name) {
            char buffer[256];
            GetClassNameA(h, buffer, sizeof buffer);
            if (ascii_lowered(buffer) != wanted_class)
                continue;
        }
        if (title) {
            char buffer[1024];
            GetWindowTextA(h, buffer, sizeof buffer);
            if (std::string(buffer) != title)
                continue;
        }
        return h;
    }
    return 0;
}

int32_t GetClassNameA(int64_t window, char* buffer, int32_t size)
{
    QWidget* w = widget_of(window);
    if (!w)
        return 0;
    const WindowRecord* r = record_of(w, false);
    return copy_text(r && !r->class_name.empty() ? r->class_name : std::string(w->metaObject()->className()),
                     buffer, size);
}

int32_t GetWindowTextA(int64_t window, char* buffer, int32_t size)
{
    QWidget* w = widget_of(window);
    if (!w)
        return 0;
    const WindowRecord* r = record_of(w, false);
    return copy_text(r && r->has_title ? r->title : w->windowTitle().toStdString(), buffer, size);
}

bool MoveWindow(int64_t window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint)
{
    QWidget* w = widget_of(window);
    if (!w)
        return false;
    width = std::max(0, width);
    height = std::max(0, height);
    if (w->isWindow()) {
        // The outer rectangle: the frame is the window manager's share.
        const QRect frame = w->frameGeometry();
        const QRect inner = w->geometry();
        const int extra_w = frame.width() - inner.width();
        const int extra_h = frame.height() - inner.height();
        w->move(x, y);
        w->resize(std::max(0, width - extra_w), std::max(0, height - extra_h));
    } else {
        const QPoint origin = client_origin(w->parentWidget());
        w->setGeometry(x + origin.x(), y + origin.y(), width, height);
    }
    if (repaint)
        w->update();
    return true;
}

LRESULT CallWindowProcA(int32_t procedure, int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    const WNDPROC p = procedure_of(procedure);
    return p ? p(window, message, wparam, lparam) : 0;
}

LRESULT DefWindowProcA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_RBUTTONUP: {
        // The right button coming up asks for the window's menu.
        QWidget* w = widget_of(window);
        if (!w)
            return 0;
        const QPoint g = w->mapToGlobal(QPoint(lparam_x(lparam), lparam_y(lparam)) + client_origin(w));
        SendMessageA(window, WM_CONTEXTMENU, static_cast<WPARAM>(window), make_lparam(g.x(), g.y()));
        return 0;
    }
    case WM_CONTEXTMENU: {
        // Unanswered, the question goes to the parent window.
        QWidget* w = widget_of(window);
        if (w && !w->isWindow() && w->parentWidget())
            return SendMessageA(handle_of(w->parentWidget()), message, wparam, lparam);
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT SendMessageA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    WindowRecord* r = record_of(window);
    if (!r)
        return 0;
    return CallWindowProcA(r->procedure, window, message, wparam, lparam);
}

uint32_t RegisterWindowMessageA(const char* name)
{
    if (!name || !*name)
        return 0;
    static std::mutex mutex;
    static std::map<std::string, uint32_t> messages;
    const std::lock_guard lock(mutex);
    auto [it, added] = messages.try_emplace(ascii_lowered(name), 0);
    if (added) {
        if (messages.size() > 0x4000) {
            messages.erase(it);
            return 0;
        }
        it->second = 0xC000 + static_cast<uint32_t>(messages.size() - 1);
    }
    return it->second;
}

LRESULT SendMessageTimeoutA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam, uint32_t flags,
                            uint32_t timeout_ms, uintptr_t* result)
{
    QWidget* w = widget_of(window);
    if (!w)
        return 0;
    if (QThread::currentThread() == w->thread()) {
        ensure_heartbeat();
        const LRESULT answer = SendMessageA(window, message, wparam, lparam);
        if (result)
            *result = static_cast<uintptr_t>(answer);
        return 1;
    }
    if ((flags & SMTO_ABORTIFHUNG) && ui_hung())
        return 0;

    // The window's thread runs the procedure; this one waits for the answer.
    struct Call {
        std::mutex mutex;
        std::condition_variable done_signal;
        bool done = false;
        bool abandoned = false;
        LRESULT answer = 0;
    };
    auto call = std::make_shared<Call>();
    QPointer<QWidget> target(w);
    QMetaObject::invokeMethod(
        w,
        [call, target, window, message, wparam, lparam] {
            {
                const std::lock_guard lock(call->mutex);
                if (call->abandoned)
                    return; // the sender gave up waiting
            }
            const LRESULT answer = target ? SendMessageA(window, message, wparam, lparam) : 0;
            const std::lock_guard lock(call->mutex);
            call->answer = answer;
            call->done = true;
            call->done_signal.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    if (!call->done_signal.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return call->done; })) {
        call->abandoned = true;
        return 0;
    }
    if (result)
        *result = static_cast<uintptr_t>(call->answer);
    return 1;
}

uintptr_t SetTimer(int64_t window, uintptr_t id, uint32_t elapse_ms, TIMERPROC procedure)
{
    QWidget* w = widget_of(window);
    if (!w || id == 0)
        return 0;
    KillTimer(window, id);
    auto* timer = new WindowTimer(w, id);
    timer->setInterval(static_cast<int>(std::min<uint32_t>(std::max<uint32_t>(elapse_ms, 10), 0x7FFFFFFF)));
    QObject::connect(timer, &QTimer::timeout, timer, [window, id, procedure] {
        if (procedure)
            procedure(window, WM_TIMER, id, GetTickCount());
        else
            SendMessageA(window, WM_TIMER, id, 0);
    });
    timer->start();
    return id;
}

bool KillTimer(int64_t window, uintptr_t id)
{
    QWidget* w = widget_of(window);
    if (!w)
        return false;
    for (auto* t : w->findChildren<WindowTimer*>(Qt::FindDirectChildrenOnly)) {
        if (t->id() == id) {
            t->stop();
            t->setParent(nullptr); // a new timer of the same id may follow at once
            t->deleteLater();
            return true;
        }
    }
    return false;
}
