#pragma once
// The golden-egg draw program: its windows and the routines that more than
// one window calls.

#include "runtime/types.h"
#include "runtime/ui.h"

namespace egg {

enum WindowId : int {
    MainWindow = 1,
    PrizeSettingsWindow = 2,
    ResultsWindow = 3,
    PasswordWindow = 4,
    EffectWindow = 5,
    EggLayoutWindow = 6,
};

// The settings-password key text of this program.
inline constexpr const char* kPasswordKey = "qxv";

// Registers every window definition of the program.
void define_windows();

// Window definitions (data).
WindowDef main_window_definition();
WindowDef prize_settings_window_definition();
WindowDef results_window_definition();
WindowDef password_window_definition();
WindowDef effect_window_definition();
WindowDef egg_layout_window_definition();

// Main window: start-up and layout.
void on_main_window_created();
void set_full_screen();
void set_windowed();
void show_egg_count();
void apply_egg_positions();
void on_main_window_resized();
void fit_board_to_window();

// Draw, reveal and prize display.
extern int64_t drawn_index; // 1-based pool index picked by the last draw
void on_egg_click(int egg);
void draw_prize();
void play_reveal_animation();
// Has the grade's picture decoded ahead for the board as it is sized now.
void prepare_prize_picture(int grade);
void restore_hammer_cursor();
void hide_prize_display();

// Main window commands (pop-up menus, titles, background, windows, exit).
void show_settings_menu();
void show_close_menu();
void edit_main_title();
void edit_subtitle();
void choose_main_title_font();
void choose_subtitle_font();
void drag_main_title(int32_t x, int32_t y, int32_t key_state);
void drag_subtitle(int32_t x, int32_t y, int32_t key_state);
void choose_background();
void clear_background();
void open_password_window();
void open_egg_layout_window();
void open_results_window();
void confirm_exit();
bool confirm_close();

} // namespace egg
