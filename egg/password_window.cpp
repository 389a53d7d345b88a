// The lock in front of the prize settings: log in with the settings
// password, or change it.

#include "common/ui/password_window.h"
#include "egg/egg.h"

namespace egg {

WindowDef password_window_definition()
{
    static const PasswordWindowTexts texts{
        "密码设置  ",
        kPasswordKey,
        "密码不正确  请重新输入。",
        "请在密码框输入原始密码后再修改  ",
        "您没有设置任何密码  ",
        "设置成功  请牢记您的密码  ",
        "密码没有保存成功  原来的密码仍然有效  ",
        "密码太长  请输入较短的密码  ",
    };
    return make_password_window_definition(PasswordWindow, PrizeSettingsWindow, texts);
}

} // namespace egg
