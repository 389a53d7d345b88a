#pragma once
// Seams through which tests run the real handlers without a person: answers
// for dialogs, a record of what the sound players played, and real input
// events delivered to units.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/types.h"
#include "runtime/ui.h"

// What a font dialog is preset with and what it returns.
struct FontChoice {
    uint32_t color = 0;
    bool bold = false, italic = false, strikeout = false, underline = false;
    std::string face;
    int32_t size_pt = 9;
};

// How far a move loop dragged its unit.
struct DragOffset {
    int32_t dx = 0, dy = 0;
};

// Answers the modal dialogs, the pop-up menus and the move loops. The
// runtime shows real ones unless a backend is installed.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    virtual int32_t message_box(const std::string& text, int32_t style, const std::string& title) = 0;
    virtual bool input_box(const std::string& prompt, const std::string& title,
                           const std::string& initial, int mode, std::string& entry) = 0;
    virtual bool open_file(const std::string& filter, std::string& path) = 0;
    virtual bool choose_font(FontChoice& choice) = 0;
    // A pop-up menu offering `items` (unit names, in order): the name of the
    // chosen item, or "" when the menu is dismissed.
    virtual std::string popup_menu(const std::vector<std::string>& items)
    {
        (void)items;
        return {};
    }
    // The move loop of rt_send_message(161, 2): where the drag ended,
    // relative to where it began.
    virtual DragOffset drag() { return {}; }
};

void rt_set_dialog_backend(DialogBackend* backend); // not owned; nullptr = real dialogs

// A backend that answers from queues and remembers what it was shown. A
// queue that runs dry answers OK / Cancel (false) so no test ever hangs.
// Each answer may carry an action that runs while the dialog is "open"
// (inside the modal wait), before the answer is returned.
class ScriptedDialogs : public DialogBackend {
public:
    struct Shown {
        std::string kind;   // "message", "input", "file", "font"
        std::string text;   // message text, input prompt, file filter
        std::string title;
        int32_t style = 0;  // message style, input mode
        std::string initial;
    };
    std::vector<Shown> shown;

    std::deque<int32_t> message_answers;                 // default 0 (OK)
    std::deque<std::optional<std::string>> input_answers;  // nullopt = Cancel; default Cancel
    std::deque<std::optional<std::string>> file_answers;   // nullopt = Cancel; default Cancel
    std::deque<std::optional<FontChoice>> font_answers;    // nullopt = Cancel; default Cancel
    std::deque<std::string> menu_choices;                // item name, "" dismisses; default dismisses
    std::deque<DragOffset> drags;                        // default: the unit stays
    std::function<void(const Shown&)> on_show;           // runs inside every dialog

    std::vector<std::string> last_popup_items;           // what the last pop-up menu offered

    int32_t message_box(const std::string& text, int32_t style, const std::string& title) override;
    bool input_box(const std::string& prompt, const std::string& title, const std::string& initial,
                   int mode, std::string& entry) override;
    bool open_file(const std::string& filter, std::string& path) override;
    bool choose_font(FontChoice& choice) override;
    std::string popup_menu(const std::vector<std::string>& items) override;
    DragOffset drag() override;

    std::vector<std::string> messages() const; // texts of the message boxes, in order
};

// Runs `action` from the event queue once the current handler (or modal
// loop) processes events: the way a test acts inside a modal window.
void rt_post(std::function<void()> action);

// Real input delivered to a unit through the toolkit's event pipeline.
void rt_test_click(UnitRef unit);                       // press and release, left button; a menu item: chosen
void rt_test_mouse(UnitRef unit, int event, int32_t x = 1, int32_t y = 1, int32_t key_state = 0);
void rt_test_key(UnitRef unit, int key_code, int32_t key_state = 0); // key press on a unit
// Shorthands for the installed ScriptedDialogs (none installed ends the
// program with an error report): the next pop-up menu chooses this item (by
// name; "" dismisses it), the next move loop drags its unit by dx, dy.
void rt_test_next_menu_choice(std::string item_name);
void rt_test_next_drag(int32_t dx, int32_t dy);
// Asks the window to close as its close box would (may-close query first).
void rt_test_close_box(int window_id);

// What the players played, in order: file paths as the player opens them
// (rt_native_path: '/' separators, trailing blanks dropped), and "<wave>"
// for a wave byte set. Cleared by rt_sound_log_clear.
std::vector<std::string> rt_sound_log();
void rt_sound_log_clear();
// True while the list player still has something to play.
bool rt_music_playing();

// The items of the last pop-up menu the installed ScriptedDialogs answered.
std::vector<std::string> rt_last_popup_items();
