#pragma once
// The prize-wheel draw program: its windows, the stage and the spin engine,
// and the routines that more than one window calls.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/types.h"
#include "runtime/ui.h"

namespace wheel {

enum WindowId : int {
    MainWindow = 1,
    PrizeSettingsWindow = 2,
    ResultsWindow = 3,
    PasswordWindow = 4,
    EffectWindow = 5,
};

// The settings-password key text of this program.
inline constexpr const char* kPasswordKey = "tolvenra";

// Registers every window definition of the program.
void define_windows();

// Window definitions (data).
WindowDef main_window_definition();
WindowDef effect_window_definition();
WindowDef password_window_definition();
WindowDef prize_settings_window_definition();
WindowDef results_window_definition();

// Main window: start-up.
void on_main_window_created();
void set_full_screen();
void set_windowed();

// Main window commands: the pop-up menu and what it offers, and the moves
// of titles, wheel and result picture with the mouse.
void show_context_menu();
void edit_main_title();
void edit_subtitle();
void choose_main_title_font();
void choose_subtitle_font();
void drag_main_title(int32_t key_state);
void drag_subtitle(int32_t key_state);
void drag_wheel_frame(int32_t key_state);
void drag_wheel_face(int32_t key_state);
void drag_result_picture(int32_t key_state);
void choose_background();
void clear_background();
void choose_background_music();
void enable_background_music();
void disable_background_music();
void confirm_exit();
bool confirm_close();
void show_help();
void show_about();
void choose_prize_picture(int grade);

// The secondary windows behind the menu.
void open_password_window();
void open_results_window();

// The stage as designed, before any zoom: the square face, the ring of
// prize slots on it (slot 1 to 8) and the start and stop labels at its
// centre. Saving the other settings lays the stage out from these again.
inline constexpr int32_t kFaceSide = 500;
struct RingPlace {
    int32_t left, top;
};
inline constexpr std::array<RingPlace, 8> kRing{{
    {132, 69}, {260, 55}, {334, 172}, {347, 268}, {260, 366}, {135, 379}, {60, 264}, {42, 172},
}};
inline constexpr int32_t kSlotWidth = 106;
inline constexpr int32_t kSlotHeight = 65;
inline constexpr int32_t kCentreLeft = 205;
inline constexpr int32_t kCentreTop = 192;
inline constexpr int32_t kCentreWidth = 96;
inline constexpr int32_t kCentreHeight = 112;

// Prize slot k (1..8) of the ring, found by its designed name.
UnitRef slot(int32_t k);

// The stage: zoom, round frame, wheel faces and the other-settings panel.
extern float zoom_factor;
void zoom_step();
void scale_layout();
// How many of `asked` zoom steps start-up and saving take: as many as keep
// the whole frame on the screen where it stands.
int32_t zoom_steps_allowed(int32_t asked);
// Takes the zoom steps of those asked that zoom_steps_allowed lets through.
void zoom_wheel(int32_t asked);
void make_round_region(int64_t window, int32_t ellipse);
// The wheel's frame cut round, after every change of its size.
void round_wheel_frame();
void set_wheel_style(int k);
// Ticks style item k of 样式一..样式四 and unticks the other three.
void tick_wheel_style(int k);
void open_other_settings();
void close_other_settings();
void drag_other_settings();
void apply_other_settings();

// The spin engine.
extern int32_t draw_running;
extern int32_t spin_countdown;
extern int32_t highlight_pos;
extern Bytes saved_picture;
extern std::vector<UnitRef> prize_slots;
void toggle_draw();
void reset_highlight();
void on_spin_timer();
void on_start_label_down();
void on_stop_label_down();
void on_auto_stop_tick();
void arm_forced_result();
void keep_start_focus();

// The message of a press that finds no prize to draw.
extern const std::string kEmptyPoolText;
inline constexpr const char* kMessageTitle = "转盘抽奖信息提示";

// A unit of the main window by its designed name.
UnitRef main_unit(std::string_view name);

} // namespace wheel
