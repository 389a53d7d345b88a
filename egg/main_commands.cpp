// The main window's commands: pop-up menus, the two titles (text, font,
// place), the background picture, the secondary windows and ending the
// program.

#include "common/ui/main_commands.h"
#include "egg/egg.h"
#include "runtime/ui.h"

namespace egg {

void show_settings_menu() { show_popup_menu(MainWindow, "设置"); }
void show_close_menu() { show_popup_menu(MainWindow, "关闭菜单"); }

void edit_main_title() { edit_title(MainWindow, kMainTitle); }
void edit_subtitle() { edit_title(MainWindow, kSubtitle); }

void choose_main_title_font() { choose_title_font(MainWindow, kMainTitle); }
void choose_subtitle_font() { choose_title_font(MainWindow, kSubtitle); }

void drag_main_title(int32_t, int32_t, int32_t key_state) { drag_title(MainWindow, kMainTitle, key_state); }
void drag_subtitle(int32_t, int32_t, int32_t key_state) { drag_title(MainWindow, kSubtitle, key_state); }

void choose_background() { ::choose_background(MainWindow); }
void clear_background() { ::clear_background(MainWindow); }

void open_password_window() { rt_load_window(PasswordWindow, std::nullopt, true); }
void open_egg_layout_window() { rt_load_window(EggLayoutWindow, std::nullopt, true); }
void open_results_window() { rt_load_window(ResultsWindow, std::nullopt, true); }

void confirm_exit() { ::confirm_exit(); }
bool confirm_close() { return ::confirm_close(); }

} // namespace egg
