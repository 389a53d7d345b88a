// Global hot keys as passive key grabs on the root window. They use a
// display connection of their own, so they work whatever platform plugin
// Qt runs on, and its events never mix with Qt's.

#include "platform/hotkey.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <vector>

// Xlib last: its macros (None, KeyPress, Bool, ...) clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace platform {
namespace {

constexpr int32_t kFirstId = 33001;

struct HotKey {
    int32_t id;
    KeyCode code;
    unsigned modifiers;
    std::function<void()> pressed;
};

struct State {
    Display* display = nullptr;
    Window root = 0;
    unsigned num_lock = Mod2Mask;
    bool broken = false;
    QSocketNotifier* notifier = nullptr;
    std::vector<HotKey> keys;
    int32_t next_id = kFirstId;
    uint64_t generation = 0; // changes when everything is unregistered
};

// Never destroyed: the notifier must not outlive the application object in
// a static destructor.
State& state() {
    static State* s = new State;
    return *s;
}

// The grab's result comes back asynchronously as an X error; this flag
// collects it while the temporary handler is installed.
bool g_grab_refused = false;

// BadAccess: another client holds the grab. Any other error (a bad key
// code) also means the key cannot be ours.
int on_grab_error(Display*, XErrorEvent*) {
    g_grab_refused = true;
    return 0;
}

// A lost connection must not end the program (Xlib's default): the hot
// keys just stop working.
void on_connection_lost(Display*, void*) { state().broken = true; }

KeySym keysym_for(int32_t vk) {
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + KeySym(vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + KeySym(vk - '0');
    if (vk >= 0x70 && vk <= 0x87) // F1..F24
        return XK_F1 + KeySym(vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) // number pad 0..9
        return XK_KP_0 + KeySym(vk - 0x60);
    switch (vk) {
    case 0x08: return XK_BackSpace;
    case 0x09: return XK_Tab;
    case 0x0d: return XK_Return;
    case 0x13: return XK_Pause;
    case 0x1b: return XK_Escape;
    case 0x20: return XK_space;
    case 0x21: return XK_Prior;
    case 0x22: return XK_Next;
    case 0x23: return XK_End;
    case 0x24: return XK_Home;
    case 0x25: return XK_Left;
    case 0x26: return XK_Up;
    case 0x27: return XK_Right;
    case 0x28: return XK_Down;
    case 0x2d: return XK_Insert;
    case 0x2e: return XK_Delete;
    case 0x6a: return XK_KP_Multiply;
    case 0x6b: return XK_KP_Add;
    case 0x6d: return XK_KP_Subtract;
    case 0x6e: return XK_KP_Decimal;
    case 0x6f: return XK_KP_Divide;
    default: return NoSymbol;
    }
}

// The modifier that Num Lock sets; Mod2 on nearly every keyboard map.
unsigned find_num_lock(Display* display) {
    unsigned mask = 0;
    const KeyCode num_lock = XKeysymToKeycode(display, XK_Num_Lock);
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int m = 0; m < 8 && num_lock; ++m)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (map->modifiermap[m * map->max_keypermod + k] == num_lock)
                    mask = 1u << m;
        XFreeModifiermap(map);
    }
    return mask ? mask : Mod2Mask;
}

// The grab must also hold while Caps Lock or Num Lock is on.
std::vector<unsigned> lock_variants(const State& s) {
    return {0u, unsigned(LockMask), s.num_lock, unsigned(LockMask) | s.num_lock};
}

void dispatch();

void schedule_queued() {
    State& s = state();
    // Events Xlib already read (during XSync, say) will not wake the
    // socket notifier again.
    if (s.display && !s.broken && XEventsQueued(s.display, QueuedAlready) > 0)
        QTimer::singleShot(0, qApp, dispatch);
}

void dispatch() {
    State& s = state();
    const uint64_t generation = s.generation;
    while (s.display && !s.broken && generation == s.generation && XPending(s.display) > 0) {
        XEvent event;
        XNextEvent(s.display, &event);
        if (event.type != KeyPress)
            continue;
        const unsigned modifiers = event.xkey.state & 0xffu & ~(unsigned(LockMask) | s.num_lock);
        for (const HotKey& key : s.keys) {
            if (key.code == event.xkey.keycode && key.modifiers == modifiers) {
                // A copy: the handler may register or unregister keys.
                const std::function<void()> pressed = key.pressed;
                if (pressed)
                    pressed();
                break;
            }
        }
    }
    if (s.broken && s.notifier)
        s.notifier->setEnabled(false); // the socket stays readable at its end
}

bool open_display(State& s) {
    if (s.display)
        return !s.broken;
    s.display = XOpenDisplay(nullptr);
    if (!s.display)
        return false;
    s.broken = false;
    XSetIOErrorExitHandler(s.display, on_connection_lost, nullptr);
    s.root = DefaultRootWindow(s.display);
    s.num_lock = find_num_lock(s.display);
    s.notifier = new QSocketNotifier(ConnectionNumber(s.display), QSocketNotifier::Read);
    QObject::connect(s.notifier, &QSocketNotifier::activated, s.notifier, [] { dispatch(); });
    return true;
}

void close_display(State& s) {
    if (s.notifier) {
        s.notifier->setEnabled(false);
        s.notifier->deleteLater(); // may be inside its own signal
        s.notifier = nullptr;
    }
    if (s.display)
        XCloseDisplay(s.display);
    s.display = nullptr;
    s.broken = false;
}

} // namespace

int32_t register_hot_key(int32_t modifiers, int32_t virtual_key, std::function<void()> pressed) {
    // The key events are read on the user-interface thread's event loop.
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread())
        return 0;
    if (modifiers < 0 || modifiers > 7)
        return 0;
    const KeySym sym = keysym_for(virtual_key);
    State& s = state();
    if (sym == NoSymbol || !open_display(s))
        return 0;
    const KeyCode code = XKeysymToKeycode(s.display, sym);
    if (code == 0)
        return 0;
    const unsigned mask = (modifiers & 1 ? unsigned(ControlMask) : 0u) | (modifiers & 2 ? unsigned(ShiftMask) : 0u) |
                          (modifiers & 4 ? unsigned(Mod1Mask) : 0u);
    for (const HotKey& key : s.keys)
        if (key.code == code && key.modifiers == mask)
            return 0; // already ours: a second registration fails as well

    XSync(s.display, False);
    g_grab_refused = false;
    XErrorHandler previous = XSetErrorHandler(on_grab_error);
    for (unsigned lock : lock_variants(s))
        XGrabKey(s.display, code, mask | lock, s.root, False, GrabModeAsync, GrabModeAsync);
    XSync(s.display, False);
    const bool refused = g_grab_refused;
    if (refused) {
        // Release the variants that did succeed; another client's grabs
        // are not touched by this.
        for (unsigned lock : lock_variants(s))
            XUngrabKey(s.display, code, mask | lock, s.root);
        XSync(s.display, False);
    }
    XSetErrorHandler(previous);
    schedule_queued();
    if (refused || s.broken)
        return 0;
    s.keys.push_back(HotKey{s.next_id, code, mask, std::move(pressed)});
    return s.next_id++;
}

void unregister_all_hot_keys() {
    State& s = state();
    if (s.display && !s.broken) {
        for (const HotKey& key : s.keys)
            for (unsigned lock : lock_variants(s))
                XUngrabKey(s.display, key.code, key.modifiers | lock, s.root);
        XSync(s.display, False);
    }
    s.keys.clear();
    close_display(s);
    s.next_id = kFirstId;
    ++s.generation;
}

} // namespace platform
