#pragma once
// Inside the window layer: the colour key of layered windows.

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <cstddef>

namespace platform {

// The part of `frame` whose pixels are not `key` (alpha ignored), in the
// frame's coordinates.
QRegion region_outside_key(const QImage& frame, QRgb key);

// A widget that draws every pixel it covers from one image (the movie view)
// hands each new frame here. When it covers its whole window and that
// window is colour-keyed, the cut is made from this frame instead of from a
// fresh picture of the window, so nothing is painted twice. A view that
// knows which part of the frame is not `background` passes that too, and
// the frame is not read again when the key is that colour; the result is
// then true: of this frame, only `outside_background` shows.
bool offer_key_frame(QWidget* source, const QImage& frame, const QRegion* outside_background = nullptr,
                     QRgb background = 0);

// The area a view that drew `now` over `before` (each where its frame is not
// the background) hands to the toolkit to repaint: their bounding rectangle.
// Handed over as it is, a region of thousands of rectangles would reach the
// X server as the clip of every copy to the screen.
QRect frame_update_area(const QRegion& before, const QRegion& now);

// Sets a top-level window's shape on the X server directly, as y-x banded
// rectangles. Through the toolkit's mask, a shape of thousands of rectangles
// made every repaint of the window as costly for the server as a repaint of
// the exact region (measured with fireworks at 36 frames a second: half a
// core of the server either way). False where there is no X server (the
// offscreen platform); the caller then sets the mask.
bool set_x_shape(QWidget* window, const QRegion& shape);
// Leaves a top-level window, from its next map on, to itself: no window
// manager frames, moves or focuses it. A manager that frames a shaped window
// copies the shape to its frame at every change, and the server's cost of
// that grows with the square of the shape's rectangles (fireworks at 36
// frames a second under openbox: half a core of the server, frames lost).
bool keep_from_window_manager(QWidget* window);
// The bytes of the shape request set_x_shape sends for `shape`.
size_t x_shape_request_bytes(const QRegion& shape);

} // namespace platform
