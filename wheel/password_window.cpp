// The lock in front of the prize settings, and the same password in front
// of the results.

#include <string>

#include "common/ui/password_window.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {

WindowDef password_window_definition()
{
    static const PasswordWindowTexts texts{
        "密码设置！",
        kPasswordKey,
        "密码不正确！请重新输入。",
        "请在密码框输入原始密码后再修改！",
        "您没有设置任何密码！",
        "设置成功！请牢记您的密码！",
        "密码没有保存成功！原来的密码仍然有效！",
        "密码太长！请输入较短的密码！",
    };
    return make_password_window_definition(PasswordWindow, PrizeSettingsWindow, texts);
}

void open_results_window()
{
    std::string typed;
    if (!rt_input_box("请输入密码（这里密码与奖项设置是同一个密码，初始密码为空！）", "请输入密码", "", typed, 4))
        return;
    if (!same_password(typed, stored_settings_password(kPasswordKey))) {
        rt_message_box("密码不正确！", 0);
        return;
    }
    rt_load_window(ResultsWindow, std::nullopt, true);
}

} // namespace wheel
