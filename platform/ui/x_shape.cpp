// A window's shape handed to the X server directly.
#include "platform/ui/color_key.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
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

xcb_shape_kind_t shape_kind(ShapeKind kind)
{
    if (kind == ShapeKind::Input)
        return XCB_SHAPE_SK_INPUT;
    return XCB_SHAPE_SK_BOUNDING;
}

xcb_atom_t atom(xcb_connection_t* c, const std::string& name)
{
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// The number of the screen whose root is `root`, -1 when none is.
int screen_number(xcb_connection_t* c, xcb_window_t root)
{
    int n = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++n)
        if (it.data->root == root)
            return n;
    return -1;
}

} // namespace

// The request's fixed part, then one rectangle of four 16-bit values each.
size_t x_shape_request_bytes(const QRegion& shape) { return 16 + 8 * size_t(shape.rectCount()); }

bool set_x_shape(QWidget* window, const QRegion& shape, ShapeKind kind)
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
        xcb_shape_rectangles(c, at == 0 ? XCB_SHAPE_SO_SET : XCB_SHAPE_SO_UNION, shape_kind(kind),
                             XCB_CLIP_ORDERING_YX_BANDED, id, 0, 0, static_cast<uint32_t>(n), rects.data() + at);
        at += n;
    } while (at < rects.size());
    return true;
}

bool reset_x_shape(QWidget* window, ShapeKind kind)
{
    xcb_connection_t* c = x_connection();
    if (!c || !window || !window->internalWinId())
        return false;
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, shape_kind(kind), static_cast<xcb_window_t>(window->internalWinId()), 0, 0,
                   XCB_NONE);
    return true;
}

// A compositing manager owns the selection _NET_WM_CM_Sn of the screen it
// draws, n the screen's number.
bool compositor_running(QWidget* window)
{
    xcb_connection_t* c = x_connection();
    if (!c || !window || !window->internalWinId())
        return false;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(
        c, xcb_get_geometry(c, static_cast<xcb_drawable_t>(window->internalWinId())), nullptr);
    const int screen = geometry ? screen_number(c, geometry->root) : -1;
    std::free(geometry);
    if (screen < 0)
        return false;
    const xcb_atom_t selection = atom(c, "_NET_WM_CM_S" + std::to_string(screen));
    if (selection == xcb_atom_t(XCB_ATOM_NONE))
        return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = owner && owner->owner != xcb_window_t(XCB_NONE);
    std::free(owner);
    return owned;
}

bool name_x_window_by_handle(QWidget* window, int64_t handle)
{
    xcb_connection_t* c = x_connection();
    if (!c || !window || !window->internalWinId())
        return false;
    const xcb_atom_t name = atom(c, "PRIZEDRAW_HANDLE");
    const auto value = static_cast<uint32_t>(handle);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->internalWinId()), name,
                        XCB_ATOM_CARDINAL, 32, 1, &value);
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
