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

// What a view that handed a frame to its window's colour key paints.
enum class KeyedFrame {
    Whole,      // all of it: the window is not cut by this frame
    Cut,        // the window is cut to where the frame is not the background
    SeeThrough, // only where it is not the background; the rest stays clear
};

// A widget that draws every pixel it covers from one image (the movie view)
// hands each new frame here. When it covers its whole window and that
// window is colour-keyed, the cut is made from this frame instead of from a
// fresh picture of the window, so nothing is painted twice. A view that
// knows which part of the frame is not `background` passes that too, and
// the frame is not read again when the key is that colour; the result then
// says how only `outside_background` is shown of this frame.
KeyedFrame offer_key_frame(QWidget* source, const QImage& frame, const QRegion* outside_background = nullptr,
                           QRgb background = 0);

// The area a view that drew `now` over `before` (each where its frame is not
// the background) hands to the toolkit to repaint: their bounding rectangle.
// Handed over as it is, a region of thousands of rectangles would reach the
// X server as the clip of every copy to the screen.
QRect frame_update_area(const QRegion& before, const QRegion& now);

// The cells of a `cell` x `cell` grid that `region` touches, as few bands
// of rectangles. A view that shows through its window's alpha repaints
// these: the compositor then redraws what changed, not the rectangle around
// sparks far apart, and the server copies tens of rectangles, not thousands.
QRegion grid_cells(const QRegion& region, int cell);

// Makes the pixels of `frame` (32 bits, opaque) inside `area` that are
// `key` (alpha ignored) fully transparent; the frame's bytes can then be
// read as premultiplied ARGB.
void clear_key(QImage& frame, const QRegion& area, QRgb key);

// Sets a top-level window's shape on the X server directly, as y-x banded
// rectangles. Through the toolkit's mask, a shape of thousands of rectangles
// made every repaint of the window as costly for the server as a repaint of
// the exact region (measured with fireworks at 36 frames a second: half a
// core of the server either way). False where there is no X server (the
// offscreen platform); the caller then sets the mask.
// The bounding shape is what shows of the window; the input shape, where
// the pointer reaches it.
enum class ShapeKind { Bounding, Input };
bool set_x_shape(QWidget* window, const QRegion& shape, ShapeKind kind = ShapeKind::Bounding);
// Gives the window back its whole rectangle for that shape.
bool reset_x_shape(QWidget* window, ShapeKind kind);
// True when a compositing manager draws the window's screen: windows with
// an alpha channel are then blended over what lies below them.
bool compositor_running(QWidget* window);
// Leaves a top-level window, from its next map on, to itself: no window
// manager frames, moves or focuses it. A manager that frames a shaped window
// copies the shape to its frame at every change, and the server's cost of
// that grows with the square of the shape's rectangles (fireworks at 36
// frames a second under openbox: half a core of the server, frames lost).
bool keep_from_window_manager(QWidget* window);
// Names the window on the X server by the handle its callers hold for it
// (property PRIZEDRAW_HANDLE), once it was made anew under another id, so
// that tools watching the screen can still find it by that handle.
bool name_x_window_by_handle(QWidget* window, int64_t handle);
// The bytes of the shape request set_x_shape sends for `shape`.
size_t x_shape_request_bytes(const QRegion& shape);

} // namespace platform
