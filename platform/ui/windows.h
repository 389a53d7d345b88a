#pragma once
// Inside the window layer: window classes made from code, and the message
// window whose input runs through its procedure chain.

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/user32.h"

namespace platform {

struct CreateRequest {
    uint32_t ex_style = 0;
    std::string title;
    uint32_t style = 0;
    QRect geometry;            // in the parent's client area, or on the screen
    QWidget* parent = nullptr; // null for a top-level window
    void* param = nullptr;
};

// Makes the widget of a new window (parented to request.parent), or null to
// refuse. CreateWindowExA places, names and shows it afterwards.
using WidgetFactory = std::function<QWidget*(const CreateRequest& request)>;

// False when the name is taken.
bool register_window_class(const std::string& name, WNDPROC procedure, WidgetFactory make);

// The native id of a widget's window, 0 when it has none.
int64_t handle_of(const QWidget* widget);
// One of our windows by handle, or null.
QWidget* widget_of(int64_t handle);
// Makes a hidden top-level window's native window anew with an alpha
// channel, keeping the handle it had for callers that hold it. False, and
// nothing changed, when it is shown or has native children, whose handles
// would change too.
bool remake_with_alpha(QWidget* window);
// The rectangle as the Win32 calls hand it out (right and bottom exclusive).
RECT to_rect(const QRect& r);
// Shapes the window; an empty shape hides all of it, where Qt's empty mask
// would remove the cut altogether.
void set_shape(QWidget* window, const QRegion& shape);
// Where a window's client area starts, in the window's own coordinates.
QPoint client_origin(const QWidget* widget);

// A window of a registered class: its mouse input becomes window messages
// sent through its procedure chain. What the window does with a message is
// its class procedure's business.
class MessageWindow : public QWidget {
public:
    explicit MessageWindow(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void send_mouse(QMouseEvent* e, uint32_t left, uint32_t right, uint32_t middle);
    void send_at(QMouseEvent* e, uint32_t message);
};

} // namespace platform
