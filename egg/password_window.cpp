// The lock in front of the prize settings: log in with the settings
// password, or change it.

#include <string>

#include "common/cipher.h"
#include "egg/egg.h"
#include "runtime/gbk.h"
#include "runtime/ini.h"
#include "runtime/ui.h"

namespace egg {

// The settings password in plain text, as the last handler left it.
std::string settings_password;

namespace {


std::string stored_password() { return rt_read_config(settings_path(), "zbt", "password"); }

std::string typed_password() { return rt_get_text(rt_unit(PasswordWindow, "编辑框1"), P_TEXT); }

// Passwords are GBK byte strings on disk; both sides are compared as such.
bool same_password(const std::string& a, const std::string& b) { return utf8_to_gbk(a) == utf8_to_gbk(b); }

void load_settings_password() { settings_password = decipher_text(stored_password(), kPasswordKey); }

void check_settings_password()
{
    const std::string p = decipher_text(stored_password(), kPasswordKey);
    if (!same_password(typed_password(), p)) {
        rt_message_box("密码不正确  请重新输入。", 0);
        return;
    }
    rt_load_window(PrizeSettingsWindow, std::nullopt, true);
    rt_destroy_window(PasswordWindow);
}

void change_settings_password()
{
    settings_password = decipher_text(stored_password(), kPasswordKey);
    if (!same_password(typed_password(), settings_password)) {
        rt_message_box("请在密码框输入原始密码后再修改  ", 0);
        return;
    }
    // Cancel leaves the current password in place; it is then stored again
    // under a fresh salt like a typed one.
    rt_input_box("请输入密码", "请输入密码", "", settings_password, 1);
    if (!rt_write_config(settings_path(), "zbt", "password", encipher_text(settings_password, kPasswordKey))) {
        // The old password stays in force: say so rather than report success.
        settings_password = decipher_text(stored_password(), kPasswordKey);
        rt_message_box("密码没有保存成功  原来的密码仍然有效  ", 0);
        return;
    }
    if (settings_password.empty()) {
        rt_message_box("您没有设置任何密码  ", 0);
        return;
    }
    rt_message_box("设置成功  请牢记您的密码  ", 0);
    rt_destroy_window(PasswordWindow);
}

} // namespace

WindowDef password_window_definition()
{
    WindowDef w;
    w.id = PasswordWindow;
    w.name = "PasswordWindow";
    w.title = "密码设置  ";
    w.left = 50;
    w.top = 50;
    w.width = 380;
    w.height = 180;
    w.events = {on(E_CREATED, load_settings_password)};

    UnitDef prompt = make_unit("标签1", UnitType::Label, 8, 24, 144, 32, "输入密码(初始密码为空)：");
    prompt.valign = 1;
    w.units.push_back(prompt);

    UnitDef box = make_unit("编辑框1", UnitType::EditBox, 160, 24, 192, 32, "", F_VISIBLE | F_FOCUS_STOP);
    box.masked = true;
    w.units.push_back(box);

    UnitDef log_in = make_unit("按钮_登陆", UnitType::Button, 85, 80, 80, 32, "进入设置", F_VISIBLE | F_FOCUS_STOP);
    log_in.events.push_back(on(E_CLICK, check_settings_password));
    w.units.push_back(log_in);

    UnitDef change = make_unit("按钮_修改密码", UnitType::Button, 209, 80, 80, 32, "修改密码", F_VISIBLE | F_FOCUS_STOP);
    change.events.push_back(on(E_CLICK, change_settings_password));
    w.units.push_back(change);
    return w;
}

} // namespace egg
