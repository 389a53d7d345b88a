// The main window's commands: pop-up menus, the two titles (text, font,
// place), the background picture, the secondary windows and ending the
// program.

#include "egg/egg.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"

namespace egg {
namespace {

// The main title and the subtitle have the same commands with their own
// label, keys and texts.
struct TitleTwin {
    const char* label;
    const char* text_key;
    const char* offered_text;
    const char* prompt;
    const char* left_key;
    const char* top_key;
    const char* face_key;
    const char* size_key;
    const char* color_key;
};

const TitleTwin kMainTitle{"透明标签_主标题", "主标题", "购物有奖活动", "请输入主标题",
                           "主标题左边", "主标题顶边", "主标题字体", "主标题字体大小", "主标题字体颜色"};
const TitleTwin kSubtitle{"透明标签_副标题", "副标题", "---现场抽奖仪式---", "请输入副标题",
                          "副标题左边", "副标题顶边", "副标题字体", "副标题字体大小", "副标题字体颜色"};

UnitRef main_unit(const char* name) { return rt_unit(MainWindow, name); }

std::string background_path() { return rt_get_run_dir() + "\\底图.jpg"; }

void edit_title(const TitleTwin& title)
{
    std::string offered = rt_read_config(settings_path(), "zbt", title.text_key, title.offered_text);
    if (offered.empty())
        offered = title.offered_text;
    std::string entered;
    if (!rt_input_box(title.prompt, title.prompt, offered, entered, 1))
        return;
    rt_set(main_unit(title.label), P_TEXT, entered);
    rt_write_config(settings_path(), "zbt", title.text_key, entered);
}

void choose_title_font(const TitleTwin& title)
{
    const UnitRef dialog = main_unit("通用对话框_字体设置");
    const UnitRef label = main_unit(title.label);
    if (rt_dialog_open(dialog)) {
        FontValue font;
        font.reserved = 0;
        font.bold = rt_get_bool(dialog, P_FONT_BOLD);
        font.italic = rt_get_bool(dialog, P_FONT_ITALIC);
        font.strikeout = rt_get_bool(dialog, P_FONT_STRIKEOUT);
        font.underline = rt_get_bool(dialog, P_FONT_UNDERLINE);
        font.size_pt = rt_get_int(dialog, P_FONT_SIZE);
        font.face = rt_get_text(dialog, P_FONT_FACE);
        rt_set(label, P_LABEL_FONT, font);
        rt_set(label, P_LABEL_COLOR, rt_get_int(dialog, P_FONT_COLOR));
    }
    // A cancelled dialog still stores what the label shows now.
    const FontValue current = rt_get_font(label, P_LABEL_FONT);
    rt_write_config(settings_path(), "yanse", title.face_key, current.face);
    rt_write_config(settings_path(), "yanse", title.size_key, rt_to_text(current.size_pt));
    rt_write_config(settings_path(), "yanse", title.color_key, rt_to_text(rt_get_int(label, P_LABEL_COLOR)));
    rt_set(label, P_HEIGHT, rt_to_int_floor(current.size_pt * 1.8));
}

void drag_title(const TitleTwin& title, int32_t key_state)
{
    if (key_state != KEY_CTRL)
        return;
    const UnitRef label = main_unit(title.label);
    rt_send_message(label, 161, 2, 0);
    rt_write_config(settings_path(), "zbt", title.left_key, rt_to_text(rt_get_int(label, P_LEFT)));
    rt_write_config(settings_path(), "zbt", title.top_key, rt_to_text(rt_get_int(label, P_TOP)));
}

bool ask_exit() { return rt_message_box("确定退出程序吗？", 1, std::string("确定退出吗？")) == 0; }

} // namespace

void show_settings_menu() { rt_popup_menu(rt_window(MainWindow), main_unit("设置")); }
void show_close_menu() { rt_popup_menu(rt_window(MainWindow), main_unit("关闭菜单")); }

void edit_main_title() { edit_title(kMainTitle); }
void edit_subtitle() { edit_title(kSubtitle); }

void choose_main_title_font() { choose_title_font(kMainTitle); }
void choose_subtitle_font() { choose_title_font(kSubtitle); }

void drag_main_title(int32_t, int32_t, int32_t key_state) { drag_title(kMainTitle, key_state); }
void drag_subtitle(int32_t, int32_t, int32_t key_state) { drag_title(kSubtitle, key_state); }

void choose_background()
{
    const UnitRef dialog = main_unit("通用对话框1");
    rt_set(dialog, P_DIALOG_FILTER, std::string("图形文件(*.jpg)|*.jpg"));
    if (!rt_dialog_open(dialog))
        return;
    rt_copy_file(rt_get_text(dialog, P_DIALOG_FILE), background_path());
    // The window shows the copy, which is also what the next start loads.
    rt_set(rt_window(MainWindow), P_WINDOW_PICTURE, rt_read_file(background_path()));
}

void clear_background()
{
    rt_delete_file(background_path());
    rt_set(rt_window(MainWindow), P_WINDOW_PICTURE, rt_read_file(background_path()));
}

void open_password_window() { rt_load_window(PasswordWindow, std::nullopt, true); }
void open_egg_layout_window() { rt_load_window(EggLayoutWindow, std::nullopt, true); }
void open_results_window() { rt_load_window(ResultsWindow, std::nullopt, true); }

void confirm_exit()
{
    if (ask_exit())
        rt_exit(0);
}

bool confirm_close()
{
    if (ask_exit())
        rt_exit(0);
    return false;
}

} // namespace egg
