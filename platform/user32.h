#pragma once
// Window services that the programs reach by window handle, as they would
// through the Windows user interface library.

#include <cstdint>

inline constexpr int32_t GWL_EXSTYLE = -20;
inline constexpr int32_t WS_EX_LAYERED = 0x80000;
inline constexpr uint32_t LWA_COLORKEY = 1;
inline constexpr uint32_t LWA_ALPHA = 2;

// Extended style bits kept for our windows; 0 for a handle we do not know.
int32_t GetWindowLongA(int64_t window, int32_t index);
// Returns the previous value.
int32_t SetWindowLongA(int64_t window, int32_t index, int32_t value);
// With LWA_COLORKEY on a layered window, pixels of exactly `color_key`
// (0x00BBGGRR) become see-through and let the mouse through; the cut follows
// what the window shows. False for an unknown or non-layered window.
bool SetLayeredWindowAttributes(int64_t window, uint32_t color_key, uint8_t alpha, uint32_t flags);

// A window's outer rectangle in screen pixels: frame and caption included
// for a top-level window, the widget's own area for a child window.
struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
// False (and the record untouched) for a handle we do not know.
bool GetWindowRect(int64_t window, RECT* rect);
