#include "common/ui/main_commands.h"

#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"

const TitleTwin kMainTitle{"透明标签_主标题", "主标题", "购物有奖活动", "请输入主标题",
                           "主标题左边", "主标题顶边", "主标题字体", "主标题字体大小", "主标题字体颜色"};
const TitleTwin kSubtitle{"透明标签_副标题", "副标题", "---现场抽奖仪式---", "请输入副标题",
                          "副标题左边", "副标题顶边", "副标题字体", "副标题字体大小", "副标题字体颜色"};

namespace {

constexpr uint32_t kNcLButtonDown = 161;
constexpr int32_t kHitCaption = 2;

std::string background_path() { return rt_get_run_dir() + "\\底图.jpg"; }

bool ask_exit() { return rt_message_box("确定退出程序吗？", 1, std::string("确定退出吗？")) == 0; }

} // namespace

std::string stored_setting(const char* key, const char* section)
{
    return rt_read_config(settings_file(), section, key);
}

bool store_setting(const char* key, const std::string& value, const char* section)
{
    return rt_write_config(settings_file(), section, key, value);
}

int32_t stored_int(const std::string& text) { return rt_to_int(rt_to_number(text)); }

void show_popup_menu(int window, const char* menu) { rt_popup_menu(rt_window(window), rt_unit(window, menu)); }

void edit_title(int main_window, const TitleTwin& title)
{
    std::string offered = rt_read_config(settings_file(), "zbt", title.text_key, title.offered_text);
    if (offered.empty())
        offered = title.offered_text;
    std::string entered;
    if (!rt_input_box(title.prompt, title.prompt, offered, entered, 1))
        return;
    rt_set(rt_unit(main_window, title.label), P_TEXT, entered);
    store_setting(title.text_key, entered);
}

void choose_title_font(int main_window, const TitleTwin& title)
{
    const UnitRef dialog = rt_unit(main_window, "通用对话框_字体设置");
    const UnitRef label = rt_unit(main_window, title.label);
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
    store_setting(title.face_key, current.face, "yanse");
    store_setting(title.size_key, rt_to_text(current.size_pt), "yanse");
    store_setting(title.color_key, rt_to_text(rt_get_int(label, P_LABEL_COLOR)), "yanse");
    rt_set(label, P_HEIGHT, rt_to_int_floor(current.size_pt * 1.8));
}

void restore_title_font(int main_window, const TitleTwin& title)
{
    const std::string color = stored_setting(title.color_key, "yanse");
    if (color.empty())
        return;
    const UnitRef u = rt_unit(main_window, title.label);
    rt_write_unit_property(u, P_LABEL_FONT, 6, stored_setting(title.face_key, "yanse"));
    rt_write_unit_property(u, P_LABEL_FONT, 5, stored_int(stored_setting(title.size_key, "yanse")));
    rt_set(u, P_LABEL_COLOR, stored_int(color));
}

void drag_and_store(UnitRef unit, const char* left_key, const char* top_key)
{
    rt_send_message(unit, kNcLButtonDown, kHitCaption, 0);
    store_setting(left_key, rt_to_text(rt_get_int(unit, P_LEFT)));
    store_setting(top_key, rt_to_text(rt_get_int(unit, P_TOP)));
}

void drag_title(int main_window, const TitleTwin& title, int32_t key_state)
{
    if (key_state != KEY_CTRL)
        return;
    drag_and_store(rt_unit(main_window, title.label), title.left_key, title.top_key);
}

bool choose_file(int window, const char* filter, const std::string& target)
{
    const UnitRef dialog = rt_unit(window, "通用对话框1");
    rt_set(dialog, P_DIALOG_FILTER, std::string(filter));
    if (!rt_dialog_open(dialog))
        return false;
    rt_copy_file(rt_get_text(dialog, P_DIALOG_FILE), target);
    return true;
}

bool choose_background(int main_window)
{
    if (!choose_file(main_window, "图形文件(*.jpg)|*.jpg", background_path()))
        return false;
    // The window shows the copy, which is also what the next start loads.
    show_background(main_window);
    return true;
}

void clear_background(int main_window)
{
    rt_delete_file(background_path());
    show_background(main_window);
}

void show_background(int main_window)
{
    rt_set(rt_window(main_window), P_WINDOW_PICTURE, rt_read_file(background_path()));
}

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
