// The global hot key against a real X server: a private Xvfb, keys typed
// with xdotool, and a second X client that holds the focus or the key.

#include <gtest/gtest.h>

#include <ostream>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "platform/hotkey.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

bool g_x_error = false;
int note_x_error(Display*, XErrorEvent*) {
    g_x_error = true;
    return 0;
}

// Another program on the same display: it can hold the keyboard focus in a
// window of its own and grab keys.
class OtherClient {
public:
    explicit OtherClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}
    ~OtherClient() {
        if (display_)
            XCloseDisplay(display_);
    }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool connected() const { return display_ != nullptr; }

    void take_focus() {
        const Window root = DefaultRootWindow(display_);
        window_ = XCreateSimpleWindow(display_, root, 10, 10, 200, 100, 0, 0, 0xffffff);
        XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do
            XNextEvent(display_, &event);
        while (event.type != MapNotify);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }

    // Key presses of `sym` that reached the focus window (the others that
    // came are dropped).
    int presses_of(KeySym sym) {
        XSync(display_, False);
        const KeyCode code = XKeysymToKeycode(display_, sym);
        int count = 0;
        XEvent event;
        while (XCheckWindowEvent(display_, window_, KeyPressMask, &event))
            count += event.xkey.keycode == code;
        return count;
    }

    // True when the grab was granted (no BadAccess).
    bool grab(KeySym sym, unsigned modifiers) {
        XSync(display_, False);
        g_x_error = false;
        XErrorHandler previous = XSetErrorHandler(note_x_error);
        XGrabKey(display_, XKeysymToKeycode(display_, sym), modifiers, DefaultRootWindow(display_), False,
                 GrabModeAsync, GrabModeAsync);
        XSync(display_, False);
        XSetErrorHandler(previous);
        return !g_x_error;
    }

private:
    Display* display_;
    Window window_ = 0;
};

class HotKey : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
            return;
        // Other test programs on this machine start X servers too, some on
        // low numbers chosen by -displayfd: try a few random high ones.
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; attempt < 10 && display_name_.empty(); ++attempt) {
            const int number = 300 + int(random() % 700);
            if (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)) || QFile::exists(QString("/tmp/.X%1-lock").arg(number)))
                continue;
            start_server(number);
        }
    }

    // Starts Xvfb on `number` and keeps it when it answers as the server
    // this suite asked for (1024 x 768).
    static void start_server(int number) {
        auto* server = new QProcess;
        // -displayfd: the server writes its number there once it listens.
        // -noreset: otherwise the server resets whenever its last client
        // leaves, and connections made during the reset are dropped.
        server->start("Xvfb", {QString(":%1").arg(number), "-noreset", "-displayfd", "1", "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"});
        QByteArray out;
        while (server->waitForStarted(5000) && !out.contains('\n') && server->waitForReadyRead(10000))
            out += server->readAllStandardOutput();
        const std::string name = ":" + std::to_string(number);
        bool ours = false;
        if (out.trimmed().toInt() == number) {
            if (Display* display = XOpenDisplay(name.c_str())) {
                ours = DisplayWidth(display, DefaultScreen(display)) == 1024 &&
                       DisplayHeight(display, DefaultScreen(display)) == 768;
                XCloseDisplay(display);
            }
        }
        if (!ours) {
            server->kill();
            server->waitForFinished(5000);
            delete server;
            return;
        }
        server_ = server;
        display_name_ = name;
    }

    static void TearDownTestSuite() {
        platform::unregister_all_hot_keys();
        if (server_) {
            server_->terminate();
            server_->waitForFinished(5000);
            delete server_;
            server_ = nullptr;
        }
        display_name_.clear();
    }

    void SetUp() override {
        if (display_name_.empty())
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        saved_display_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", display_name_.c_str());
    }

    void TearDown() override {
        platform::unregister_all_hot_keys();
        if (!display_name_.empty())
            qputenv("DISPLAY", saved_display_);
    }

    static void type(const QStringList& keys) {
        ASSERT_EQ(QProcess::execute("xdotool", QStringList{"key"} + keys), 0) << keys.join(' ').toStdString();
    }

    // Waits for the count to reach `expected`, then a little longer so that
    // a press too many would show.
    static void expect_count(const int& count, int expected) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return count >= expected; }, 5000)) << "count " << count;
        QTest::qWait(100);
        EXPECT_EQ(count, expected);
    }

    static inline QProcess* server_ = nullptr;
    static inline std::string display_name_;
    QByteArray saved_display_;
};

constexpr int32_t kShift = 2, kVkQ = 0x51;

TEST_F(HotKey, PressReachesTheCallbackWhileAnotherWindowHasTheFocus) {
    OtherClient other(display_name_);
    ASSERT_TRUE(other.connected());
    other.take_focus();
    int pressed = 0;
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [&] { ++pressed; }), 33001);
    type({"shift+q"});
    expect_count(pressed, 1);
    type({"shift+q", "shift+q"});
    expect_count(pressed, 3);
    // The grab takes the key away from the focus window; other keys still
    // go there.
    EXPECT_EQ(other.presses_of(XK_q), 0);
    type({"w"});
    EXPECT_EQ(other.presses_of(XK_w), 1);
}

TEST_F(HotKey, IdsCountUpFrom33001AndStartAgainAfterUnregistering) {
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 33001);
    EXPECT_EQ(platform::register_hot_key(1, 0x74, [] {}), 33002);
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 0) << "the same key twice";
    EXPECT_EQ(platform::register_hot_key(4, '7', [] {}), 33003);
    platform::unregister_all_hot_keys();
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 33001);
}

TEST_F(HotKey, KeysAndModifierCodesItCannotMapGiveZero) {
    EXPECT_EQ(platform::register_hot_key(kShift, 0xff, [] {}), 0);
    EXPECT_EQ(platform::register_hot_key(8, kVkQ, [] {}), 0);
    EXPECT_EQ(platform::register_hot_key(-1, kVkQ, [] {}), 0);
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 33001) << "failures take no id";
}

TEST_F(HotKey, WithoutADisplayNothingIsRegistered) {
    qunsetenv("DISPLAY");
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 0);
}

TEST_F(HotKey, KeyHeldByAnotherClientGivesZero) {
    OtherClient holder(display_name_);
    ASSERT_TRUE(holder.connected());
    ASSERT_TRUE(holder.grab(XK_q, ShiftMask));
    int pressed = 0;
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [&] { ++pressed; }), 0);
    // Ours still works, and the failure took no id.
    int other_pressed = 0;
    EXPECT_EQ(platform::register_hot_key(kShift, 'W', [&] { ++other_pressed; }), 33001);
    type({"shift+q", "shift+w"});
    expect_count(other_pressed, 1);
    EXPECT_EQ(pressed, 0);
}

TEST_F(HotKey, RefusedKeyLeavesNoPartialGrabBehind) {
    // The other client holds only the Caps Lock variant, so some of our
    // grabs succeed before one fails; those must be released again.
    OtherClient holder(display_name_);
    ASSERT_TRUE(holder.connected());
    ASSERT_TRUE(holder.grab(XK_q, ShiftMask | LockMask));
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 0);
    OtherClient third(display_name_);
    ASSERT_TRUE(third.connected());
    EXPECT_TRUE(third.grab(XK_q, ShiftMask));
}

TEST_F(HotKey, UnregisteringReleasesTheGrab) {
    ASSERT_EQ(platform::register_hot_key(kShift, kVkQ, [] {}), 33001);
    OtherClient other(display_name_);
    ASSERT_TRUE(other.connected());
    EXPECT_FALSE(other.grab(XK_q, ShiftMask));
    platform::unregister_all_hot_keys();
    EXPECT_TRUE(other.grab(XK_q, ShiftMask));
}

TEST_F(HotKey, CallbackMayUnregisterEverything) {
    int pressed = 0;
    ASSERT_EQ(platform::register_hot_key(kShift, kVkQ,
                                         [&] {
                                             ++pressed;
                                             platform::unregister_all_hot_keys();
                                         }),
              33001);
    type({"shift+q"});
    expect_count(pressed, 1);
    type({"shift+q"});
    QTest::qWait(200);
    EXPECT_EQ(pressed, 1);
    // And registering works again afterwards.
    int again = 0;
    EXPECT_EQ(platform::register_hot_key(kShift, kVkQ, [&] { ++again; }), 33001);
    type({"shift+q"});
    expect_count(again, 1);
}

struct Combo {
    const char* name;
    int32_t modifiers;
    int32_t virtual_key;
    const char* fires;     // xdotool key
    const char* not_fires; // the same key with other modifiers
};
void PrintTo(const Combo& row, std::ostream* out) { *out << row.name; }

class HotKeyCombo : public HotKey, public testing::WithParamInterface<Combo> {};

TEST_P(HotKeyCombo, FiresForItsModifiersOnly) {
    int pressed = 0;
    ASSERT_EQ(platform::register_hot_key(GetParam().modifiers, GetParam().virtual_key, [&] { ++pressed; }), 33001);
    // Presses are delivered in order: a wrong one would be counted before
    // the right one arrives.
    type({GetParam().not_fires, GetParam().fires});
    expect_count(pressed, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotKeyCombo,
    testing::Values(Combo{"ShiftQ", 2, 0x51, "shift+q", "q"},
                    Combo{"ShiftQNotWithCtrl", 2, 0x51, "shift+q", "ctrl+shift+q"},
                    Combo{"CtrlF5", 1, 0x74, "ctrl+F5", "F5"},
                    Combo{"CtrlF12", 1, 0x7b, "ctrl+F12", "shift+F12"},
                    Combo{"CtrlShiftDigit", 3, '1', "ctrl+shift+1", "ctrl+1"},
                    Combo{"AltSpace", 4, 0x20, "alt+space", "space"},
                    Combo{"CtrlAltReturn", 5, 0x0d, "ctrl+alt+Return", "alt+Return"},
                    Combo{"ShiftAltEscape", 6, 0x1b, "shift+alt+Escape", "shift+Escape"},
                    Combo{"PlainZ", 0, 'Z', "z", "shift+z"}),
    [](const testing::TestParamInfo<Combo>& row) { return std::string(row.param.name); });

struct Locks {
    const char* name;
    QStringList toggles;
};
void PrintTo(const Locks& row, std::ostream* out) { *out << row.name; }

class HotKeyLocks : public HotKey, public testing::WithParamInterface<Locks> {};

TEST_P(HotKeyLocks, FiresWithLockKeysOn) {
    int pressed = 0;
    ASSERT_EQ(platform::register_hot_key(kShift, kVkQ, [&] { ++pressed; }), 33001);
    if (!GetParam().toggles.isEmpty())
        type(GetParam().toggles);
    type({"shift+q"});
    expect_count(pressed, 1);
    if (!GetParam().toggles.isEmpty())
        type(GetParam().toggles); // off again for the next test
}

INSTANTIATE_TEST_SUITE_P(States, HotKeyLocks,
                         testing::Values(Locks{"None", {}}, Locks{"CapsLock", {"Caps_Lock"}},
                                         Locks{"NumLock", {"Num_Lock"}}, Locks{"Both", {"Caps_Lock", "Num_Lock"}}),
                         [](const testing::TestParamInfo<Locks>& row) { return std::string(row.param.name); });

} // namespace
