#include "common/ui/password_window.h"

#include "common/cipher.h"
#include "common/ui/main_commands.h"
#include "runtime/gbk.h"

std::string settings_password;

namespace {

// A settings value reads back whole up to this many bytes; a longer stored
// password would come back cut and lock the operator out.
constexpr size_t kReadableValueBytes = 10239;

struct PasswordWindow {
    int id;
    int settings_window;
    PasswordWindowTexts texts;

    std::string typed() const { return rt_get_text(rt_unit(id, "编辑框1"), P_TEXT); }

    void load() const { settings_password = stored_settings_password(texts.key_text); }

    void check() const
    {
        if (!same_password(typed(), stored_settings_password(texts.key_text))) {
            rt_message_box(texts.wrong, 0);
            return;
        }
        rt_load_window(settings_window, std::nullopt, true);
        rt_destroy_window(id);
    }

    void change() const
    {
        settings_password = stored_settings_password(texts.key_text);
        if (!same_password(typed(), settings_password)) {
            rt_message_box(texts.need_old, 0);
            return;
        }
        // Cancel leaves the current password in place; it is then stored
        // again under a fresh salt like a typed one.
        rt_input_box("请输入密码", "请输入密码", "", settings_password, 1);
        const std::string stored = encipher_text(settings_password, texts.key_text);
        if (stored.size() > kReadableValueBytes) {
            settings_password = stored_settings_password(texts.key_text);
            rt_message_box(texts.too_long, 0);
            return;
        }
        if (!store_setting("password", stored)) {
            // The old password stays in force: say so rather than report success.
            settings_password = stored_settings_password(texts.key_text);
            rt_message_box(texts.not_saved, 0);
            return;
        }
        if (settings_password.empty()) {
            rt_message_box(texts.none_set, 0);
            return;
        }
        rt_message_box(texts.changed, 0);
        rt_destroy_window(id);
    }
};

} // namespace

std::string stored_settings_password(std::string_view key_text)
{
    return decipher_text(stored_setting("password"), key_text);
}

bool same_password(const std::string& a, const std::string& b) { return utf8_to_gbk(a) == utf8_to_gbk(b); }

WindowDef make_password_window_definition(int window_id, int settings_window_id, const PasswordWindowTexts& texts)
{
    const PasswordWindow lock{window_id, settings_window_id, texts};

    WindowDef w;
    w.id = window_id;
    w.name = "PasswordWindow";
    w.title = texts.title;
    w.left = 50;
    w.top = 50;
    w.width = 380;
    w.height = 180;
    w.events = {on(E_CREATED, [lock] { lock.load(); })};

    UnitDef prompt = make_unit("标签1", UnitType::Label, 8, 24, 144, 32, "输入密码(初始密码为空)：");
    prompt.valign = 1;
    w.units.push_back(prompt);

    UnitDef box = make_unit("编辑框1", UnitType::EditBox, 160, 24, 192, 32, "", F_VISIBLE | F_FOCUS_STOP);
    box.masked = true;
    w.units.push_back(box);

    UnitDef log_in = make_unit("按钮_登陆", UnitType::Button, 85, 80, 80, 32, "进入设置", F_VISIBLE | F_FOCUS_STOP);
    log_in.events.push_back(on(E_CLICK, [lock] { lock.check(); }));
    w.units.push_back(log_in);

    UnitDef change = make_unit("按钮_修改密码", UnitType::Button, 209, 80, 80, 32, "修改密码", F_VISIBLE | F_FOCUS_STOP);
    change.events.push_back(on(E_CLICK, [lock] { lock.change(); }));
    w.units.push_back(change);
    return w;
}
