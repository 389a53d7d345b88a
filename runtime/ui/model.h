#pragma once
// The loaded windows and their units as the window layer keeps them. Private
// to runtime/ui.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/testing.h"
#include "runtime/ui.h"

class QEventLoop;

namespace rtui {

class WindowWidget;
class PictureSlot;

struct Unit {
    int id = 0;
    UnitType type = UnitType::Window;
    std::string name;
    const UnitDef* def = nullptr;  // null for the window itself
    int parent = 0;                // unit id of the parent; 0 = the window
    QPointer<QWidget> widget;      // null for units that draw nothing
    QPointer<QTimer> timer;

    // Units without a widget keep these themselves.
    QRect geometry;
    bool visible = true;
    bool disabled = false;

    int interval = 0;              // timer

    int dialog_kind = 0;           // common dialog
    std::string file;
    std::string filter;
    FontChoice font_choice;

    Bytes picture;                 // animation object
    int zoom = 1000;
    // `picture` decoded, once, then halved again and again as copies of
    // smaller sizes are asked for: [0] is the picture itself, [k] its k-th
    // halving, null until a copy needs it.
    std::vector<QImage> picture_levels;
    bool picture_decoded = false;

    std::string caption;           // menu item
    bool checked = false;

    Bytes cursor;                  // mouse pointer as written
};

struct Window {
    int id = 0;
    std::shared_ptr<const WindowDef> def;
    QPointer<WindowWidget> widget;
    std::vector<Unit> units;       // units[0] is the window itself
    int parent_window = 0;         // loaded with a parent (closes with it)
    QPointer<QWidget> modal_owner; // the window a modal window was opened from

    bool loaded = true;
    bool close_pending = false;
    bool creating = false;
    bool want_visible = true;      // what the created handler left
    int busy = 0;                  // handlers of this window on the stack
    bool delete_when_idle = false;
    std::vector<QEventLoop*> waiters;  // modal callers waiting for the close
    QSize reported_size;           // last size the size-changed event told
    int virtual_focus = 0;         // hidden button that holds the keyboard focus
};

// Loaded windows ------------------------------------------------------------

std::shared_ptr<Window> loaded_window(int id);
std::vector<std::shared_ptr<Window>> loaded_windows();
// The unit of a loaded window, or null.
Unit* find_unit(const std::shared_ptr<Window>& w, int unit);
// The picture of a unit that shows one (picture box, board, image button),
// or null.
PictureSlot* picture_of(Unit& u);
// The box a unit's picture is decoded for.
QSize picture_fit(const Unit& u);
// The window and unit a widget stands for (widget units and windows).
bool unit_of_widget(const QObject* object, UnitRef& ref);
void tag_widget(QWidget* widget, UnitRef ref);

// Raises an event of a unit: runs the bound handler, if any, to completion.
// Returns the handler's result, or `fallback` when nothing is bound or the
// window is gone.
bool raise_event(UnitRef unit, int event, int32_t x = 0, int32_t y = 0, int32_t keys = 0,
                 bool fallback = true);

// Closes a loaded window now (no may-close query): units stop, the window
// hides, modal callers resume; its widgets are freed once no handler of the
// window is running.
void close_window(const std::shared_ptr<Window>& w);
// The close box or Alt+F4: asks the may-close query first.
void request_close(const std::shared_ptr<Window>& w);

// Shows a window (above its owner, if it has one) and activates it.
void show_window(const std::shared_ptr<Window>& w);

// Builds the widgets and units of a window from its definition.
void build_window(const std::shared_ptr<Window>& w);

// Ends rt_message_loop once no window is loaded any more.
void quit_message_loop_if_idle();

// Raises the window's size-changed event when its size differs from the
// last one reported.
void report_size(const std::shared_ptr<Window>& w);

// Modal blocking: input to windows loaded before a modal window or dialog
// opened is swallowed until it closes.
class ModalScope {
public:
    explicit ModalScope(const QWidget* except = nullptr);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};
bool input_blocked(const QWidget* widget);
void install_input_filter();

// Painting and presentation ------------------------------------------------

// Repaints the changed parts of sprite boxes at once and pushes the frame to
// the display.
void present_pending_frames();
void mark_frame_pending(QWidget* widget, const QRect& area);
// Paints what handlers changed on the shown windows and pushes it to the
// display, without handling any other event.
void paint_pending();
// Pushes what was drawn to the display server and waits until it was handled.
void flush_display();
// True when the left mouse button is down according to the display server;
// nullopt when that cannot be asked (no X display).
std::optional<bool> left_button_down();

// Fonts ----------------------------------------------------------------------

QFont make_font(const std::string& face, int pixels, bool bold, bool italic, bool underline,
                bool strikeout);
int points_from_pixels(int px);
int pixels_from_points(int pt);
void install_font_substitutions();

// Colours are 0x00BBGGRR.
QColor color_from_ref(uint32_t ref);
uint32_t ref_from_color(const QColor& c);

// The dialog backend installed by tests, or null.
DialogBackend* dialog_backend();

} // namespace rtui
