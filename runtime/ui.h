#pragma once
// The window layer of the application runtime: window definitions as data,
// units addressed by UnitRef, numbered properties and events, and the
// commands that handlers call. Nothing here exposes a toolkit type.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/types.h"

// ---------------------------------------------------------------------------
// Unit types, properties, events

enum class UnitType {
    Window,
    Button,
    ImageButton,
    EditBox,
    Label,
    TransparentLabel,
    PictureBox,
    DrawingBoard,
    CheckBox,
    RadioBox,
    GroupBox,
    CommonDialog,
    Timer,
    ShapeBox,
    AnimationBox,
    AnimationObject,
    MenuItem,
};

// Property numbers. Numbers above 7 mean different things per unit type.
enum : int {
    P_LEFT = 0,
    P_TOP = 1,
    P_WIDTH = 2,
    P_HEIGHT = 3,
    P_VISIBLE = 5,
    P_DISABLED = 6,
    P_MOUSE_POINTER = 7,     // byte set of a .cur/.ico file

    P_TEXT = 8,              // edit box text, transparent label / label caption, window title
    P_TIMER_INTERVAL = 8,    // timer: 0 stops it
    P_BORDER_STYLE = 8,      // picture box: 0 none, 2 raised frame
    P_DIALOG_KIND = 8,       // common dialog: 0 open, 1 save, 2 font, 3 help
    P_WINDOW_BORDER = 9,     // window: 0 no border, 1 framed
    P_LABEL_EFFECT = 9,      // transparent label: 0..3
    P_PICTURE = 10,          // picture box, image button, drawing board
    P_CAPTION = 10,          // button, check box, radio box, group box
    P_LABEL_FONT = 10,       // transparent label: FontValue, members 0..6
    P_DIALOG_FILE = 10,      // common dialog: chosen file's full path
    P_WINDOW_PICTURE = 11,   // window background picture
    P_LABEL_COLOR = 11,      // transparent label text colour 0x00BBGGRR
    P_DIALOG_FILTER = 11,    // "description|pattern|..."
    P_SPRITE_PICTURE = 11,   // animation object picture
    P_LABEL_ALIGN = 12,      // 0 left, 1 centred, 2 right
    P_LABEL_WRAP = 13,       // 1 wraps
    P_LABEL_VALIGN = 14,     // 0 top, 1 centred, 2 bottom
    P_CHECKED = 18,          // check box, radio box
    P_FONT_COLOR = 20,       // common dialog font results / presets
    P_FONT_BOLD = 21,
    P_FONT_ITALIC = 22,
    P_FONT_STRIKEOUT = 23,
    P_FONT_UNDERLINE = 24,
    P_FONT_FACE = 25,
    P_FONT_SIZE = 26,        // points
    P_SPRITE_ZOOM = 21,      // animation object, thousandths
    P_MENU_CHECKED = 1,      // menu item tick
};

// Event numbers.
enum : int {
    E_CREATED = 0,           // window
    E_CLICK = 0,             // button, image button, radio box, check box, menu item
    E_TICK = 0,              // timer
    E_HOT_KEY = 0,           // unit named as a hot key's target
    E_MAY_CLOSE = 1,         // window: false keeps it open
    E_SIZE_CHANGED = 4,      // window
    E_LBUTTON_DOWN = -1,
    E_LBUTTON_UP = -2,
    E_DOUBLE_CLICK = -3,
    E_RBUTTON_DOWN = -4,
};

// Key state of mouse events.
enum : int { KEY_CTRL = 1, KEY_SHIFT = 2, KEY_ALT = 4 };

struct EventArgs {
    UnitRef unit;
    int event = 0;
    int32_t x = 0, y = 0;    // mouse events: pixels in the unit
    int32_t key_state = 0;   // mouse events: 1 Ctrl + 2 Shift + 4 Alt
};

// A handler's logical result answers only the may-close query.
using Handler = std::function<bool(const EventArgs&)>;

struct EventBinding {
    int event = 0;
    Handler handler;
};

inline EventBinding on(int event, std::function<void()> f)
{
    return {event, [f = std::move(f)](const EventArgs&) { f(); return true; }};
}
inline EventBinding on_mouse(int event, std::function<void(int32_t x, int32_t y, int32_t keys)> f)
{
    return {event, [f = std::move(f)](const EventArgs& a) { f(a.x, a.y, a.key_state); return true; }};
}
inline EventBinding on_query(int event, std::function<bool()> f)
{
    return {event, [f = std::move(f)](const EventArgs&) { return f(); }};
}

// ---------------------------------------------------------------------------
// Window definitions

// Designed font: face, character height in pixels, styles.
struct FontSpec {
    std::string face = "宋体";
    int height_px = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

// Design flags of a unit: 1 visible, 2 disabled, 4 keyboard-focus stop.
// Of a menu item: 1 hidden, 2 greyed, 4 ticked.
enum : int { F_VISIBLE = 1, F_DISABLED = 2, F_FOCUS_STOP = 4 };
enum : int { M_HIDDEN = 1, M_GREYED = 2, M_TICKED = 4 };

struct UnitDef {
    std::string name;
    UnitType type = UnitType::Label;
    std::string parent;                  // "" = the window; else a unit (or menu item) name
    int left = 0, top = 0, width = 0, height = 0;
    int flags = F_VISIBLE;               // menu items: set explicitly (M_*), 1 hides them
    std::string caption;                 // caption, label text, edit text
    std::optional<FontSpec> font;
    std::optional<uint32_t> text_color;  // 0x00BBGGRR
    std::optional<uint32_t> back_color;  // 0x00BBGGRR
    int align = 0;                       // labels: 0 left, 1 centred, 2 right
    int valign = 0;                      // transparent labels: 0 top, 1 centred, 2 bottom
    bool word_wrap = false;
    int effect = 0;                      // transparent label text effect 0..3
    int border = 0;                      // picture box border style; shape box frame line width
    bool checked = false;                // check box, radio box
    bool masked = false;                 // edit box: password entry
    bool multiline = false;              // edit box
    int dialog_kind = 0;                 // common dialog
    int interval = 0;                    // timer
    Bytes picture;                       // designed picture
    Bytes cursor;                        // designed mouse pointer (.cur)
    std::vector<EventBinding> events;
};

struct WindowDef {
    int id = 0;                          // the program's window id, 1 and up
    std::string name;
    std::string title;
    int left = 50, top = 50, width = 400, height = 300;
    int border = 1;                      // 0 no border, 1 framed
    bool visible = true;                 // shown once its created handler has run
    std::optional<uint32_t> back_color;  // 0x00BBGGRR
    Bytes picture;                       // designed background picture
    std::vector<EventBinding> events;    // created, may-close, size changed, mouse
    std::vector<UnitDef> units;          // menu items are units of type MenuItem
};

// A unit of a window definition with its place and designed caption.
inline UnitDef make_unit(std::string name, UnitType type, int left, int top, int width, int height,
                         std::string caption = {}, int flags = F_VISIBLE)
{
    UnitDef u;
    u.name = std::move(name);
    u.type = type;
    u.left = left;
    u.top = top;
    u.width = width;
    u.height = height;
    u.caption = std::move(caption);
    u.flags = flags;
    return u;
}

// A menu item under `parent` ("" for a menu of its own), its caption its
// name. Flags are the M_ ones: the unit default 1 would hide it.
inline UnitDef make_menu_item(std::string name, std::string parent = {}, int flags = 0)
{
    UnitDef u;
    u.name = std::move(name);
    u.type = UnitType::MenuItem;
    u.parent = std::move(parent);
    u.flags = flags;
    return u;
}

// The same, running `handler` when chosen.
inline UnitDef make_menu_item(std::string name, std::string parent, std::function<void()> handler, int flags = 0)
{
    UnitDef u = make_menu_item(std::move(name), std::move(parent), flags);
    u.events.push_back(on(E_CLICK, std::move(handler)));
    return u;
}

// Registers a definition (copied). Loading the window builds it from this.
void rt_define_window(const WindowDef& def);

// The unit of a loaded or defined window by its designed name; the window
// itself by rt_window. An unknown name ends the program with an error report.
UnitRef rt_unit(int window_id, std::string_view name);
inline UnitRef rt_window(int window_id) { return {window_id, 0}; }

// ---------------------------------------------------------------------------
// Properties

RtValue rt_read_unit_property(UnitRef unit, int property, int member = -1);
void rt_write_unit_property(UnitRef unit, int property, int member, const RtValue& value);

// Typed conveniences over the two service operations.
int32_t rt_get_int(UnitRef unit, int property);
bool rt_get_bool(UnitRef unit, int property);
std::string rt_get_text(UnitRef unit, int property);
Bytes rt_get_bytes(UnitRef unit, int property);
FontValue rt_get_font(UnitRef unit, int property);
void rt_set(UnitRef unit, int property, const RtValue& value);

// ---------------------------------------------------------------------------
// Program life

// Sets up the toolkit, the run folder (the executable's folder, made the
// current directory), the fonts and the error box. Call first.
void rt_init(int& argc, char** argv);
// Loads the start window (its created event runs inside).
void rt_load_startup_window(int window_id);
// Dispatches events until the last window has closed; returns the exit code.
int rt_message_loop();
// Stops the players, destroys the windows and ends the process.
[[noreturn]] void rt_exit(int code);

// ---------------------------------------------------------------------------
// Dialogs

// Styles 0 (OK), 1 (OK, Cancel), 64 (information, OK). Result: OK 0,
// Cancel 1 (also Escape and the close box). Title omitted: "信息：".
int32_t rt_message_box(std::string_view text, int32_t style = 0,
                       std::optional<std::string> title = std::nullopt);
// Modes 1 plain, 4 masked (others clamped to 1..4). OK stores the entry in
// `variable` and yields true; Cancel leaves it and yields false.
bool rt_input_box(std::string_view prompt, std::string_view title, std::string_view initial,
                  std::string& variable, int mode = 1);
// Shows the common dialog of the unit's kind, preset from its properties.
bool rt_dialog_open(UnitRef dialog);

// ---------------------------------------------------------------------------
// Windows and events

bool rt_load_window(int window_id, std::optional<UnitRef> parent = std::nullopt, bool modal = false);
bool rt_is_loaded(int window_id);
// Closes the window the next time events are processed.
void rt_destroy_window(int window_id);
void rt_do_events();
// Processes events until more than `milliseconds` have passed on
// platform_clock() (a test clock must move for the wait to end).
void rt_delay(int32_t milliseconds);
void rt_popup_menu(UnitRef window, UnitRef menu, std::optional<int32_t> x = std::nullopt,
                   std::optional<int32_t> y = std::nullopt);
// With message 161 (non-client left button down) and wParam 2 (caption) the
// unit follows the mouse until the left button is released.
int32_t rt_send_message(UnitRef unit, uint32_t message, int32_t wparam, int32_t lparam);
// The unit's native window id (it becomes a native window); 0 for units
// that draw nothing (timers, dialogs, sprite objects, menu items).
int64_t rt_get_window_handle(UnitRef unit);
// A hidden unit keeps the focus in its window's name: Space and Enter on the
// window then click it.
void rt_set_focus(UnitRef unit);
void rt_set_z_order(UnitRef unit, int32_t code = 0);
int32_t rt_screen_width();
int32_t rt_screen_height();

// ---------------------------------------------------------------------------
// Pictures and sprites

// The unit's client area as a picture (PNG bytes) that picture properties accept.
Bytes rt_unit_snapshot(UnitRef unit);
// Reads the files and decodes their pictures ahead for the unit's picture
// as the unit is sized then, one after another, starting a second after
// the call: a later set of the bytes a file still has shows them without
// decoding. Missing files, and units gone by then, are passed over.
void rt_prepare_pictures(UnitRef unit, std::vector<std::string> paths);
// Places a copy of the animation object (its picture and zoom now) in the
// animation box with its top-left corner at x, y; returns the copy's id.
int32_t rt_sprite_add(UnitRef box, UnitRef object, int32_t x, int32_t y);
void rt_sprite_remove(UnitRef box, int32_t id);
void rt_sprite_rotate(UnitRef box, int32_t id, int32_t degrees);

// ---------------------------------------------------------------------------
// Hot keys

// Modifier code: 1 Ctrl, 2 Shift, 3 Ctrl+Shift, 4 Alt, 5 Ctrl+Alt, 6 Shift+Alt.
// Returns the id (33001 and up) or 0 when the key is taken. The target
// unit's event 0 is raised when the key is pressed.
int32_t rt_register_hot_key(UnitRef window, UnitRef target, int32_t modifiers, int32_t virtual_key);

// ---------------------------------------------------------------------------
// Sound

// Stops what plays, then plays the non-empty names one after another,
// `repeat` times (1 once, 0 not at all, -1 or less endlessly).
void rt_play_music_list(int32_t repeat, const std::vector<std::string>& names);
inline void rt_play_music_list(const std::vector<std::string>& names) { rt_play_music_list(1, names); }
void rt_stop_music();
// Plays a whole RIFF WAVE file in the background; true when playing started.
bool rt_play_music(const Bytes& wave, bool loop = false);
bool rt_play_music(std::string_view wave_file, bool loop = false);
