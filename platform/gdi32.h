#pragma once
// Window regions, handed out by handle the way the Windows graphics
// interface does: a window given a region shows itself, and takes the mouse,
// only inside it.

#include <cstdint>

#include "platform/user32.h" // RECT

// Region types.
inline constexpr int32_t ERROR_REGION = 0;
inline constexpr int32_t NULLREGION = 1;
inline constexpr int32_t SIMPLEREGION = 2;
inline constexpr int32_t COMPLEXREGION = 3;

// The rectangle from (left, top) up to, not including, (right, bottom).
// 0 when no region can be made.
int64_t CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
// The same rectangle with its corners rounded by an ellipse of
// ellipse_width x ellipse_height, which is clamped to the rectangle: an
// ellipse at least as large as a square gives the circle inscribed in it.
int64_t CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipse_width,
                           int32_t ellipse_height);
// Frees a region the program still owns. False for an unknown handle.
bool DeleteObject(int64_t object);

// The region, in the window's own coordinates, becomes the window's shape
// and belongs to the window from then on: the handle is no longer valid.
// Region 0 gives the window back its whole rectangle. Nonzero on success.
int32_t SetWindowRgn(int64_t window, int64_t region, bool redraw);
// Copies the window's shape into `region` (which must exist); the region's
// type, or ERROR_REGION when the window has no shape of its own.
int32_t GetWindowRgn(int64_t window, int64_t region);

bool PtInRegion(int64_t region, int32_t x, int32_t y);
// The smallest rectangle around the region; the region's type.
int32_t GetRgnBox(int64_t region, RECT* box);
