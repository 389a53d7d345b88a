// A window's shape handed to the X server directly.
#include "platform/ui/color_key.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {
namespace {

xcb_connection_t* x_connection()
{
    if (!qApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

int16_t clamp16(int v)
{
    return static_cast<int16_t>(std::clamp<int>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

uint16_t clamp_u16(int v) { return static_cast<uint16_t>(std::clamp<int>(v, 0, std::numeric_limits<uint16_t>::max())); }

} // namespace

// The request's fixed part, then one rectangle of four 16-bit values each.
size_t x_shape_request_bytes(const QRegion& shape) { return 16 + 8 * size_t(shape.rectCount()); }

bool set_x_shape(QWidget* window, const QRegion& shape)
{
    xcb_connection_t* c = x_connection();
    if (!c || !window || !window->internalWinId())
        return false;
    // A region's rectangles come in bands from top to bottom, left to right
    // within a band: the order the server can take without sorting them.
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(size_t(shape.rectCount()));
    for (const QRect& r : shape)
        rects.push_back({clamp16(r.x()), clamp16(r.y()), clamp_u16(r.width()), clamp_u16(r.height())});
    // A request has a largest size (256 kB without the big-requests
    // extension); a shape too large for one is set in parts, the first
    // replacing the old shape and the rest added to it. No rectangles is an
    // empty shape: nothing of the window shows.
    const size_t per_request = std::max<size_t>(1, (size_t(xcb_get_maximum_request_length(c)) * 4 - 16) / 8);
    const auto id = static_cast<xcb_window_t>(window->internalWinId());
    size_t at = 0;
    do {
        const size_t n = std::min(per_request, rects.size() - at);
        xcb_shape_rectangles(c, at == 0 ? XCB_SHAPE_SO_SET : XCB_SHAPE_SO_UNION, XCB_SHAPE_SK_BOUNDING,
                             XCB_CLIP_ORDERING_YX_BANDED, id, 0, 0, static_cast<uint32_t>(n), rects.data() + at);
        at += n;
    } while (at < rects.size());
    return true;
}

bool keep_from_window_manager(QWidget* window)
{
    xcb_connection_t* c = x_connection();
    if (!c || !window || !window->internalWinId())
        return false;
    // Takes effect at the window's next map; the toolkit still thinks the
    // window managed, which costs nothing here: it is never moved or framed.
    const uint32_t on = 1;
    xcb_change_window_attributes(c, static_cast<xcb_window_t>(window->internalWinId()), XCB_CW_OVERRIDE_REDIRECT,
                                 &on);
    return true;
}

} // namespace platform
