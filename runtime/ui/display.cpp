// Talking to the X server directly where the toolkit has no call for it.
#include "runtime/ui/model.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// Xlib defines macros (None, Bool, ...) that clash with the toolkit's names,
// so it comes last and nothing follows that could use them.
#include <X11/Xlib.h>

namespace rtui {

namespace {

Display* x_display()
{
    if (!qApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

void flush_display()
{
    if (Display* d = x_display())
        XSync(d, False);
}

std::optional<bool> left_button_down()
{
    Display* d = x_display();
    if (!d)
        return std::nullopt;
    ::Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask))
        return std::nullopt;
    return (mask & Button1Mask) != 0;
}

} // namespace rtui
