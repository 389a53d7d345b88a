// Window handles, classes, the procedure chain, messages and timers over our
// real windows.
#include "platform/ui/windows.h"
#include "platform/user32.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<uint32_t> seen; // messages the test procedures saw, in order

LRESULT recording_class_proc(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    seen.push_back(message);
    if (message == WM_CREATE)
        return 0;
    if (message == 0x7777)
        return 42;
    return DefWindowProcA(window, message, wparam, lparam);
}

int32_t old_proc = 0;
LRESULT swallowing_proc(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP)
        return 0;
    return CallWindowProcA(old_proc, window, message, wparam, lparam);
}

LRESULT refusing_proc(int64_t, uint32_t message, WPARAM, LPARAM) { return message == WM_CREATE ? -1 : 0; }

class Windows : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA c;
        c.procedure = recording_class_proc;
        c.class_name = "TestRecording";
        RegisterClassA(&c);
        c.procedure = refusing_proc;
        c.class_name = "TestRefusing";
        RegisterClassA(&c);
    }
    void SetUp() override
    {
        seen.clear();
        top.setWindowFlag(Qt::FramelessWindowHint);
        top.setGeometry(0, 0, 300, 200);
        top.show();
        parent = static_cast<int64_t>(top.winId());
    }
    int64_t child(int64_t of, const char* cls, const char* title, int x = 0, int y = 0, int w = 50, int h = 40)
    {
        return CreateWindowExA(0, cls, title, WS_CHILD | WS_VISIBLE, x, y, w, h, of, 0, 0, nullptr);
    }
    static std::string class_name(int64_t w)
    {
        char buffer[64];
        GetClassNameA(w, buffer, sizeof buffer);
        return buffer;
    }

    QWidget top;
    int64_t parent = 0;
};

TEST_F(Windows, ChildrenAreFoundInTheOrderTheyWereMadeByClassAndTitle)
{
    const int64_t a = child(parent, "TestRecording", "alpha");
    const int64_t b = child(parent, "testrecording", "beta");
    const int64_t c = child(parent, "TestRecording", "alpha");
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    ASSERT_NE(c, 0);
    EXPECT_EQ(FindWindowExA(parent, 0, nullptr, nullptr), a);
    EXPECT_EQ(FindWindowExA(parent, a, nullptr, nullptr), b);
    EXPECT_EQ(FindWindowExA(parent, b, nullptr, nullptr), c);
    EXPECT_EQ(FindWindowExA(parent, c, nullptr, nullptr), 0);
    EXPECT_EQ(FindWindowExA(parent, 0, "TESTRECORDING", "beta"), b);
    EXPECT_EQ(FindWindowExA(parent, a, nullptr, "alpha"), c);
    EXPECT_EQ(FindWindowExA(parent, 0, "Other", nullptr), 0);
    EXPECT_EQ(FindWindowExA(a, 0, nullptr, nullptr), 0); // no grandchildren
    EXPECT_EQ(FindWindowExA(parent, parent, nullptr, nullptr), 0); // `after` is no child

    EXPECT_EQ(class_name(b), "TestRecording"); // as registered, whatever case was asked for
    char small[5];
    EXPECT_EQ(GetClassNameA(a, small, sizeof small), 4);
    EXPECT_STREQ(small, "Test");
    EXPECT_EQ(GetClassNameA(0, small, sizeof small), 0);
}

TEST_F(Windows, CreationPlacesTheChildAndAsksItsProcedure)
{
    const int64_t w = child(parent, "TestRecording", "x", 10, 20, 30, 40);
    ASSERT_NE(w, 0);
    EXPECT_EQ(seen.front(), WM_CREATE);
    RECT r;
    ASSERT_TRUE(GetWindowRect(w, &r));
    const QPoint origin = top.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(r.left - origin.x(), 10);
    EXPECT_EQ(r.top - origin.y(), 20);
    EXPECT_EQ(r.right - r.left, 30);
    EXPECT_EQ(r.bottom - r.top, 40);
    ASSERT_TRUE(MoveWindow(w, 1, 2, 3, 4, true));
    ASSERT_TRUE(GetWindowRect(w, &r));
    EXPECT_EQ(r.left - origin.x(), 1);
    EXPECT_EQ(r.bottom - r.top, 4);
    EXPECT_EQ(static_cast<uint32_t>(GetWindowLongA(w, GWL_STYLE)), WS_CHILD | WS_VISIBLE);

    EXPECT_EQ(child(parent, "TestRefusing", "x"), 0);
    EXPECT_EQ(child(parent, "NoSuchClass", "x"), 0);
    EXPECT_EQ(CreateWindowExA(0, "TestRecording", "x", WS_CHILD, 0, 0, 1, 1, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(child(12345, "TestRecording", "x"), 0);
    WNDCLASSA again{recording_class_proc, "testrecording"};
    EXPECT_EQ(RegisterClassA(&again), 0);

    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(DestroyWindow(parent)); // not made here: the program's own window
}

TEST_F(Windows, ProcedureChainCanBeReplacedAndCalledOn)
{
    const int64_t w = child(parent, "TestRecording", "x");
    const int32_t ours = platform::procedure_token(swallowing_proc);
    EXPECT_EQ(platform::procedure_token(swallowing_proc), ours);
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, 12345), 0); // not a procedure: refused
    old_proc = SetWindowLongA(w, GWL_WNDPROC, ours);
    EXPECT_EQ(old_proc, platform::procedure_token(recording_class_proc));
    EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), ours);
    EXPECT_EQ(SendMessageA(w, 0x7777, 0, 0), 42); // passed on
    EXPECT_EQ(CallWindowProcA(old_proc, w, 0x7777, 0, 0), 42);
    EXPECT_EQ(CallWindowProcA(0, w, 0x7777, 0, 0), 0);
}

// Real mouse input: a right click asks for a menu through WM_CONTEXTMENU
// unless a procedure in front swallows the right button.
TEST_F(Windows, RightButtonInputRunsThroughTheChain)
{
    const int64_t w = child(parent, "TestRecording", "x", 0, 0, 100, 100);
    QWidget* widget = platform::widget_of(w);
    ASSERT_NE(widget, nullptr);
    seen.clear();
    QTest::mouseClick(widget, Qt::RightButton, {}, QPoint(5, 6));
    EXPECT_EQ(seen, (std::vector<uint32_t>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));

    old_proc = SetWindowLongA(w, GWL_WNDPROC, platform::procedure_token(swallowing_proc));
    seen.clear();
    QTest::mouseClick(widget, Qt::RightButton, {}, QPoint(5, 6));
    QTest::mouseDClick(widget, Qt::RightButton, {}, QPoint(5, 6));
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(seen, (std::vector<uint32_t>{WM_RBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(Windows, MouseMessagesCarryPositionAndKeys)
{
    static LPARAM where = 0;
    static WPARAM keys = 0;
    WNDCLASSA c{[](int64_t, uint32_t m, WPARAM wp, LPARAM lp) -> LRESULT {
                    if (m == WM_LBUTTONDOWN) {
                        where = lp;
                        keys = wp;
                    }
                    return 0;
                },
                "TestPosition"};
    RegisterClassA(&c);
    const int64_t w = child(parent, "TestPosition", "", 0, 0, 100, 100);
    QTest::mousePress(platform::widget_of(w), Qt::LeftButton, Qt::ShiftModifier, QPoint(17, 33));
    EXPECT_EQ(lparam_x(where), 17);
    EXPECT_EQ(lparam_y(where), 33);
    EXPECT_EQ(keys & (MK_LBUTTON | MK_SHIFT | MK_CONTROL), MK_LBUTTON | MK_SHIFT);
    QTest::mouseRelease(platform::widget_of(w), Qt::LeftButton, Qt::ShiftModifier, QPoint(17, 33));
    EXPECT_EQ(make_lparam(-2, 3), LPARAM(0x0003FFFE));
    EXPECT_EQ(lparam_x(make_lparam(-2, 3)), -2);
}

TEST_F(Windows, RegisteredMessagesAreSharedByName)
{
    const uint32_t a = RegisterWindowMessageA("WM_HTML_GETOBJECT");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("wm_html_getobject"), a);
    EXPECT_NE(RegisterWindowMessageA("another message"), a);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST_F(Windows, TimedSendAnswersAtOnceOnItsOwnThreadAndGivesUpOnABlockedOne)
{
    const int64_t w = child(parent, "TestRecording", "x");
    uintptr_t result = 0;
    EXPECT_NE(SendMessageTimeoutA(w, 0x7777, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(SendMessageTimeoutA(0, 0x7777, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);

    // From another thread while this one does not look at its events: the
    // sender gives up after its timeout.
    std::promise<LRESULT> blocked;
    std::thread sender([&] {
        uintptr_t r = 0;
        blocked.set_value(SendMessageTimeoutA(w, 0x7777, 0, 0, SMTO_NORMAL, 50, &r));
    });
    const LRESULT while_blocked = blocked.get_future().get();
    sender.join();
    EXPECT_EQ(while_blocked, 0);

    // And gets its answer while this thread processes events.
    std::atomic<bool> done{false};
    uintptr_t answer = 0;
    LRESULT ok = 0;
    std::thread asker([&] {
        ok = SendMessageTimeoutA(w, 0x7777, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer);
        done = true;
    });
    for (int i = 0; i < 2000 && !done; ++i)
        QTest::qWait(5);
    asker.join();
    EXPECT_NE(ok, 0);
    EXPECT_EQ(answer, 42u);
}

TEST_F(Windows, TimersCallTheirProcedureUntilKilledOrTheWindowGoes)
{
    static std::vector<uintptr_t> ticks;
    ticks.clear();
    const TIMERPROC proc = [](int64_t, uint32_t message, uintptr_t id, uint32_t) {
        if (message == WM_TIMER)
            ticks.push_back(id);
    };
    auto* owner = new QWidget(&top);
    owner->setAttribute(Qt::WA_NativeWindow);
    const auto handle = static_cast<int64_t>(owner->winId());
    EXPECT_EQ(SetTimer(handle, 7, 10, proc), 7u);
    EXPECT_EQ(SetTimer(handle, 7, 10, proc), 7u); // replaced, not doubled
    EXPECT_EQ(SetTimer(0, 7, 10, proc), 0u);
    for (int i = 0; i < 500 && ticks.size() < 2; ++i)
        QTest::qWait(10);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks.front(), 7u);
    EXPECT_TRUE(KillTimer(handle, 7));
    EXPECT_FALSE(KillTimer(handle, 7));
    ticks.clear();
    SetTimer(handle, 8, 10, proc);
    delete owner;
    QTest::qWait(60);
    EXPECT_TRUE(ticks.empty());
}

// What waits for a window's end runs once, when the handle no longer names
// the window, whether the window goes alone or with its parent.
TEST_F(Windows, WhatWaitsForAWindowsEndRunsOnceItsHandleIsGone)
{
    auto* outer = new QWidget(&top);
    outer->setAttribute(Qt::WA_NativeWindow);
    auto* inner = new QWidget(outer);
    inner->setAttribute(Qt::WA_NativeWindow);
    const auto outer_handle = static_cast<int64_t>(outer->winId());
    const auto inner_handle = static_cast<int64_t>(inner->winId());
    std::vector<std::pair<int64_t, bool>> ended; // handle, still a window then
    for (const int64_t h : {inner_handle, outer_handle})
        EXPECT_TRUE(platform::when_window_destroyed(h, [h, &ended] { ended.emplace_back(h, IsWindow(h)); }));
    EXPECT_FALSE(platform::when_window_destroyed(0, [] {}));
    EXPECT_FALSE(platform::when_window_destroyed(outer_handle, nullptr));
    QTest::qWait(20);
    EXPECT_TRUE(ended.empty());
    delete outer;
    QCoreApplication::processEvents();
    ASSERT_EQ(ended.size(), 2u);
    for (const auto& [handle, alive] : ended)
        EXPECT_FALSE(alive) << handle;
}

} // namespace
