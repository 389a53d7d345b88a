#pragma once
// Inside the window layer: the colour key of layered windows.

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace platform {

// The part of `frame` whose pixels are not `key` (alpha ignored), in the
// frame's coordinates.
QRegion region_outside_key(const QImage& frame, QRgb key);

// A widget that draws every pixel it covers from one image (the movie view)
// hands each new frame here. When it covers its whole window and that
// window is colour-keyed, the cut is made from this frame instead of from a
// fresh picture of the window, so nothing is painted twice. A view that
// knows which part of the frame is not `background` passes that too, and
// the frame is not read again when the key is that colour.
void offer_key_frame(QWidget* source, const QImage& frame, const QRegion* outside_background = nullptr,
                     QRgb background = 0);

} // namespace platform
