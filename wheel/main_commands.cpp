// The main window's commands: the pop-up menu, the two titles, moving the
// titles, the wheel and the result picture with the mouse, the background
// picture and music, exit, help and about, and the ring's prize pictures.

#include <string>

#include "common/ui/main_commands.h"
#include "runtime/files.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {
namespace {

const char* const kHelpText = "1.双击各个图片，可以选择自己的抽奖图片！(图片不要过大，50K以下最好！)\r\n2.右键弹出菜单！";

// A moved wheel or result picture must not cover the titles.
void raise_titles()
{
    rt_set_z_order(main_unit("透明标签_主标题"), 1);
    rt_set_z_order(main_unit("透明标签_副标题"), 1);
}

void tick_music(bool on)
{
    rt_set(main_unit("启用背景音乐"), P_MENU_CHECKED, on);
    rt_set(main_unit("禁用背景音乐"), P_MENU_CHECKED, !on);
    store_setting("背景音乐", on ? "真" : "假");
}

} // namespace

void show_context_menu() { show_popup_menu(MainWindow, "设置"); }

void edit_main_title() { edit_title(MainWindow, kMainTitle); }
void edit_subtitle() { edit_title(MainWindow, kSubtitle); }
void choose_main_title_font() { choose_title_font(MainWindow, kMainTitle); }
void choose_subtitle_font() { choose_title_font(MainWindow, kSubtitle); }
void drag_main_title(int32_t key_state) { drag_title(MainWindow, kMainTitle, key_state); }
void drag_subtitle(int32_t key_state) { drag_title(MainWindow, kSubtitle, key_state); }

void drag_wheel_frame(int32_t)
{
    drag_and_store(main_unit("外形框1"), "外形框1左边", "外形框1顶边");
    raise_titles();
}

void drag_wheel_face(int32_t key_state)
{
    if (key_state != KEY_CTRL)
        return;
    // The face moves with its frame.
    drag_and_store(main_unit("外形框1"), "外形框1左边", "外形框1顶边");
}

void drag_result_picture(int32_t key_state)
{
    if (key_state != KEY_CTRL)
        return;
    drag_and_store(main_unit("图片框a_结果"), "中奖图片左边", "中奖图片顶边");
    raise_titles();
}

void choose_background()
{
    ::choose_background(MainWindow);
    rt_set(main_unit("图片框a_结果"), P_VISIBLE, false);
}

void clear_background()
{
    ::clear_background(MainWindow);
    rt_set(main_unit("图片框a_结果"), P_VISIBLE, false);
}

void choose_background_music()
{
    rt_create_directory(rt_get_run_dir() + "\\wav");
    choose_file(MainWindow, "音乐文件(*.mp3)|*.mp3", rt_get_run_dir() + "\\wav\\bjyy.mp3");
}

void enable_background_music() { tick_music(true); }
void disable_background_music() { tick_music(false); }

void confirm_exit() { ::confirm_exit(); }
bool confirm_close() { return ::confirm_close(); }

void show_help() { rt_message_box(kHelpText, 0, std::string("转盘抽奖帮助信息！")); }
void show_about()
{
    rt_message_box("自定义Orvana转盘抽奖\r\n" + std::string(32, ' '), 0, std::string("自定义Orvana转盘抽奖"));
}

void choose_prize_picture(int grade)
{
    // The picture held aside for a lit slot may be the one being replaced.
    saved_picture.clear();
    const std::string target = prize_picture_path(grade);
    if (!choose_file(MainWindow, "图形文件(*.jpg)|*.jpg", target))
        return;
    rt_set(main_unit("图片框" + std::to_string(grade)), P_PICTURE, rt_read_file(target));
}

void open_password_window() { rt_load_window(PasswordWindow, std::nullopt, true); }

} // namespace wheel
