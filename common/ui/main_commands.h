#pragma once
// Main-window commands that both programs have: the pop-up menu, the two
// titles (text, font, place), the background picture and ending the program,
// with the settings keys and the file chooser they and the settings windows
// use. Each routine names the program's window by its id.

#include <cstdint>
#include <string>

#include "common/paths.h"
#include "runtime/types.h"

// The main title and the subtitle have the same commands with their own
// label, keys and texts.
struct TitleTwin {
    const char* label;
    const char* text_key;     // zbt
    const char* offered_text; // offered when the key is empty
    const char* prompt;       // also the input box's title
    const char* left_key;     // zbt
    const char* top_key;      // zbt
    const char* face_key;     // yanse
    const char* size_key;     // yanse
    const char* color_key;    // yanse
};

extern const TitleTwin kMainTitle;
extern const TitleTwin kSubtitle;

// A key of the settings file, section zbt unless named.
std::string stored_setting(const char* key, const char* section = "zbt");
// Writes a key of the settings file; false when the file could not be written.
bool store_setting(const char* key, const std::string& value, const char* section = "zbt");
// A stored number as the layout uses it: read as text, truncated to 32 bits.
int32_t stored_int(const std::string& text);

// Pops up the given hidden menu of the window at the mouse pointer.
void show_popup_menu(int window, const char* menu);

void edit_title(int main_window, const TitleTwin& title);
void choose_title_font(int main_window, const TitleTwin& title);
// Start-up: the stored font and colour, when the colour key holds one.
void restore_title_font(int main_window, const TitleTwin& title);
// Ctrl alone moves the title and stores its place.
void drag_title(int main_window, const TitleTwin& title, int32_t key_state);
// Lets the operator move the unit with the mouse, then stores its new left
// and top under the two zbt keys.
void drag_and_store(UnitRef unit, const char* left_key, const char* top_key);

// The operator picks a file in the window's 通用对话框1, offered through
// `filter`, and it is copied to `target`. Chosen media are copied under fixed
// names beside the program, so the settings never hold a path. False when the
// operator cancelled the dialog.
bool choose_file(int window, const char* filter, const std::string& target);

// False when the operator cancelled the file dialog.
bool choose_background(int main_window);
void clear_background(int main_window);
// The window shows the background picture beside the program (none when it
// is missing): at start-up, and after it was chosen or cleared.
void show_background(int main_window);

// The question before the program ends; OK ends it with code 0.
void confirm_exit();
// The may-close query: false keeps the window open.
bool confirm_close();
