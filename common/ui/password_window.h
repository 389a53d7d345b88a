#pragma once
// The lock in front of the prize settings, the same in both programs but for
// the key text of the cipher and the wording of the window and its messages.

#include <string>
#include <string_view>

#include "runtime/ui.h"

struct PasswordWindowTexts {
    const char* title;
    const char* key_text;   // the cipher's key text of the program
    const char* wrong;      // the box does not hold the password
    const char* need_old;   // a change without the current password
    const char* none_set;   // the new password is empty
    const char* changed;    // a new password was stored
    const char* not_saved;  // the settings file could not be written
    const char* too_long;   // the new password would not read back whole
};

// The settings password in plain text, as the last handler left it.
extern std::string settings_password;

// The stored password, read afresh and deciphered with the key text.
std::string stored_settings_password(std::string_view key_text);
// Passwords are GBK byte strings on disk; both sides are compared as such.
bool same_password(const std::string& a, const std::string& b);

// The window: created loads the password, 进入设置 opens the settings window
// modally (and closes the lock once it has closed), 修改密码 stores a new one.
WindowDef make_password_window_definition(int window_id, int settings_window_id, const PasswordWindowTexts& texts);
