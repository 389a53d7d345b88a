#pragma once
// Window services that the programs reach by window handle, as they would
// through the Windows user interface library. A handle is the native window
// id of one of our windows (a top-level window, or a child window that has a
// native window of its own); texts are UTF-8.
//
// Windows made by CreateWindowExA are our message windows: their mouse input
// becomes window messages that run through the window's procedure chain, so
// a procedure put in front with SetWindowLongA(GWL_WNDPROC) sees (and may
// swallow) every click before the window's own behaviour does. The program's
// other windows keep their own input handling; messages sent to them run
// through their chain, which starts at DefWindowProcA.

#include <cstdint>
#include <functional>

using LRESULT = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using WNDPROC = LRESULT (*)(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam);
using TIMERPROC = void (*)(int64_t window, uint32_t message, uintptr_t id, uint32_t time);

inline constexpr int32_t GWL_WNDPROC = -4;
inline constexpr int32_t GWL_STYLE = -16;
inline constexpr int32_t GWL_EXSTYLE = -20;

inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr int32_t WS_EX_CLIENTEDGE = 0x200;
inline constexpr int32_t WS_EX_LAYERED = 0x80000;
inline constexpr uint32_t LWA_COLORKEY = 1;
inline constexpr uint32_t LWA_ALPHA = 2;

inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_CONTEXTMENU = 0x007B;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr WPARAM MK_LBUTTON = 0x01;
inline constexpr WPARAM MK_RBUTTON = 0x02;
inline constexpr WPARAM MK_SHIFT = 0x04;
inline constexpr WPARAM MK_CONTROL = 0x08;
inline constexpr WPARAM MK_MBUTTON = 0x10;

inline constexpr uint32_t SMTO_NORMAL = 0;
inline constexpr uint32_t SMTO_BLOCK = 1;
inline constexpr uint32_t SMTO_ABORTIFHUNG = 2;

// The x and y of a mouse message, as signed 16-bit halves.
inline constexpr LPARAM make_lparam(int x, int y)
{
    return static_cast<LPARAM>((static_cast<uint32_t>(y) & 0xFFFFu) << 16 | (static_cast<uint32_t>(x) & 0xFFFFu));
}
inline constexpr int lparam_x(LPARAM l) { return static_cast<int16_t>(static_cast<uint32_t>(l) & 0xFFFFu); }
inline constexpr int lparam_y(LPARAM l) { return static_cast<int16_t>((static_cast<uint32_t>(l) >> 16) & 0xFFFFu); }

namespace platform {
// Window procedures are 32-bit values here, as SetWindowLongA passes them: a
// procedure gets a token once and keeps it. 0 for a null procedure.
int32_t procedure_token(WNDPROC procedure);
// Calls `done` from the event loop once the window, and every window and
// object inside it, is destroyed; its handle no longer names it then. False
// for a handle we do not know.
bool when_window_destroyed(int64_t window, std::function<void()> done);
} // namespace platform

// GWL_EXSTYLE, GWL_STYLE or GWL_WNDPROC of a window; 0 for a handle we do
// not know.
int32_t GetWindowLongA(int64_t window, int32_t index);
// Returns the previous value (0 for an unknown window or index). A
// GWL_WNDPROC value must be a procedure token.
int32_t SetWindowLongA(int64_t window, int32_t index, int32_t value);
// With LWA_COLORKEY on a layered top-level window, pixels of exactly
// `color_key` (0x00BBGGRR) become see-through and let the mouse through; the
// cut follows what the window shows. False for an unknown or non-layered
// window.
bool SetLayeredWindowAttributes(int64_t window, uint32_t color_key, uint8_t alpha, uint32_t flags);

// A window's outer rectangle in screen pixels: frame and caption included
// for a top-level window, the widget's own area for a child window.
struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
// False (and the record untouched) for a handle we do not know.
bool GetWindowRect(int64_t window, RECT* rect);

// Window classes. A registered class makes plain message windows whose
// messages go to `procedure`; the browser's classes are registered by
// AtlAxWinInit. Names match without regard to ASCII case.
struct WNDCLASSA {
    WNDPROC procedure = nullptr;
    const char* class_name = nullptr;
};
// Non-zero on success; 0 when the name is taken or missing.
uint16_t RegisterClassA(const WNDCLASSA* window_class);

// Makes a window of a registered class: a child of `parent` at x, y of the
// parent's client area (WS_CHILD), or a top-level window at x, y of the
// screen. 0 when the class is unknown, the parent is not one of our windows,
// or the class's procedure refuses WM_CREATE with -1.
int64_t CreateWindowExA(uint32_t ex_style, const char* class_name, const char* title, uint32_t style, int32_t x,
                        int32_t y, int32_t width, int32_t height, int64_t parent, int64_t menu, int64_t instance,
                        void* param);
// Only windows made by CreateWindowExA can be destroyed this way.
bool DestroyWindow(int64_t window);
bool IsWindow(int64_t window);

// The next child window of `parent` after `after` (0: the first) whose class
// and title match (null: any), in the order the children were made; with
// parent 0, the top-level windows. 0 when none.
int64_t FindWindowExA(int64_t parent, int64_t after, const char* class_name, const char* title);
// Copies the class name (at most size - 1 bytes and a terminating zero) and
// returns the bytes copied; 0 for an unknown window.
int32_t GetClassNameA(int64_t window, char* buffer, int32_t size);
int32_t GetWindowTextA(int64_t window, char* buffer, int32_t size);
// Places a window: a child within its parent's client area, a top-level
// window by its outer rectangle on the screen.
bool MoveWindow(int64_t window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);

// The procedure chain.
LRESULT CallWindowProcA(int32_t procedure, int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam);
LRESULT DefWindowProcA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam);
// Runs the message through the window's current procedure; 0 for an
// unknown window.
LRESULT SendMessageA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam);
// A message number (0xC000..0xFFFF) that is the same for every caller
// using the same name (any ASCII case); 0 for an empty name.
uint32_t RegisterWindowMessageA(const char* name);
// Sends and waits at most `timeout_ms` for the answer. From the window's own
// thread the procedure runs at once; from another thread the call waits for
// the window's thread to run it, and with SMTO_ABORTIFHUNG gives up at once
// when that thread has not looked at its events for 5 seconds. Non-zero on
// success with the answer in *result; 0 on failure or timeout.
LRESULT SendMessageTimeoutA(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam, uint32_t flags,
                            uint32_t timeout_ms, uintptr_t* result);

// Timers that belong to a window and end with it. Setting an id again
// replaces that timer. With a procedure, it is called with WM_TIMER; without
// one, WM_TIMER is sent to the window. The id, or 0 for an unknown window.
uintptr_t SetTimer(int64_t window, uintptr_t id, uint32_t elapse_ms, TIMERPROC procedure);
bool KillTimer(int64_t window, uintptr_t id);
