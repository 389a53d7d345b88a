// The settings password: logging in, changing it, and what a damaged stored
// value lets through.

#include <unistd.h>

#include <filesystem>

#include "runtime/random.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

const char* const kWrong = "密码不正确  请重新输入。";
const char* const kNeedOld = "请在密码框输入原始密码后再修改  ";
const char* const kNoPassword = "您没有设置任何密码  ";
const char* const kChanged = "设置成功  请牢记您的密码  ";

// Stored values as the egg program's key text enciphers them: "abc" and
// "old" under the salt KQ.
const char* const kAbc = "KQOKGNHB";
const char* const kOld = "KQOEGDHG";
// The salt drawn after rt_seed_random(2024) is "SS"; what a change then
// stores for these passwords.
constexpr uint32_t kSaltSeed = 2024;
const char* const kNewPasswordStored = "SSJINFIKDDOEBFILOO"; // 金蛋 Pw1
const char* const kAbcStored = "SSEEEHFM";
const char* const kEmptyStored = "SS";

class PasswordWindowTest : public EggWindowTest {
protected:
    static UnitRef unit(const char* name) { return rt_unit(egg::PasswordWindow, name); }
    static void type(const std::string& text) { rt_set(unit("编辑框1"), P_TEXT, text); }
    static void log_in() { rt_test_click(unit("按钮_登陆")); }
    static void change() { rt_test_click(unit("按钮_修改密码")); }
    static std::string typed() { return rt_get_text(unit("编辑框1"), P_TEXT); }

    void store_password(const std::string& stored) { setting("password", stored); }
    std::string stored() { return read_setting("password"); }

    // Opens the window as the menu does, types `text` and presses the log-in
    // button; true when the prize settings opened.
    bool logs_in_with(const std::string& text)
    {
        bool opened = false;
        const bool leftover = ModalSteps::run(egg::open_password_window, {
            [&] { type(text); log_in(); },
            [&] {
                opened = rt_is_loaded(egg::PrizeSettingsWindow);
                if (opened)
                    rt_test_close_box(egg::PrizeSettingsWindow);
                else
                    rt_test_close_box(egg::PasswordWindow);
            },
        });
        EXPECT_FALSE(leftover);
        EXPECT_FALSE(rt_is_loaded(egg::PasswordWindow));
        return opened;
    }
};

TEST_F(PasswordWindowTest, FreshFolderOpensWithTheEmptyBoxOnly)
{
    bool settings_open = false, lock_open_meanwhile = false;
    const bool leftover = ModalSteps::run(egg::open_password_window, {
        [&] { log_in(); },
        [&] {
            settings_open = rt_is_loaded(egg::PrizeSettingsWindow);
            lock_open_meanwhile = rt_is_loaded(egg::PasswordWindow);
            rt_test_close_box(egg::PrizeSettingsWindow);
        },
    });
    EXPECT_FALSE(leftover);
    EXPECT_TRUE(settings_open);
    EXPECT_TRUE(lock_open_meanwhile);
    // The lock closes once the settings have closed.
    EXPECT_FALSE(rt_is_loaded(egg::PasswordWindow));
    EXPECT_TRUE(dialogs.shown.empty());
    // Logging in stores nothing.
    EXPECT_FALSE(rt_file_exists(dir.file("config.a")));

    EXPECT_FALSE(logs_in_with(" "));
    EXPECT_FALSE(logs_in_with("0"));
}

TEST_F(PasswordWindowTest, WrongPasswordKeepsTheWindowAndWhatWasTyped)
{
    store_password(kAbc);
    std::string box_after;
    bool still_open = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { type("abd"); log_in(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow) && !rt_is_loaded(egg::PrizeSettingsWindow);
            box_after = typed();
            rt_test_close_box(egg::PasswordWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(box_after, "abd");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "message");
    EXPECT_EQ(dialogs.shown[0].text, kWrong);
    EXPECT_EQ(dialogs.shown[0].title, "信息：");
    EXPECT_EQ(dialogs.shown[0].style, 0);
}

TEST_F(PasswordWindowTest, ChangeThenLogInWithTheNewPasswordOnly)
{
    const std::string password = "金蛋 Pw1";
    dialogs.input_answers.push_back(password);
    rt_seed_random(kSaltSeed);
    bool closed_itself = false;
    const bool leftover = ModalSteps::run(egg::open_password_window, {
        [&] { change(); },
        [&] { closed_itself = !rt_is_loaded(egg::PasswordWindow); },
    });
    EXPECT_FALSE(leftover);
    EXPECT_TRUE(closed_itself);

    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "input");
    EXPECT_EQ(dialogs.shown[0].text, "请输入密码");
    EXPECT_EQ(dialogs.shown[0].title, "请输入密码");
    EXPECT_EQ(dialogs.shown[0].initial, "");
    EXPECT_EQ(dialogs.shown[0].style, 1) << "the new password is typed unmasked";
    EXPECT_EQ(dialogs.shown[1].text, kChanged);

    EXPECT_EQ(stored(), kNewPasswordStored);

    dialogs.shown.clear();
    EXPECT_TRUE(logs_in_with(password));
    // Byte for byte: case, blanks and the old empty password all count.
    EXPECT_FALSE(logs_in_with("金蛋 pw1"));
    EXPECT_FALSE(logs_in_with("金蛋Pw1"));
    EXPECT_FALSE(logs_in_with(password + " "));
    EXPECT_FALSE(logs_in_with(""));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>(4, kWrong));
}

TEST_F(PasswordWindowTest, ChangingNeedsTheCurrentPasswordInTheBox)
{
    const std::string before = kAbc;
    store_password(before);
    bool still_open = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { change(); },
        [&] { type("ABC"); change(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow);
            rt_test_close_box(egg::PasswordWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kNeedOld, kNeedOld}));
    EXPECT_EQ(dialogs.shown.size(), 2u) << "no input box without the current password";
    EXPECT_EQ(stored(), before);
}

TEST_F(PasswordWindowTest, CancelStoresTheCurrentPasswordUnderAFreshSalt)
{
    // "abc" under the salt xy, which the program itself never draws.
    store_password("xyAMAEDD");
    rt_seed_random(kSaltSeed);
    dialogs.input_answers.push_back(std::nullopt);
    bool closed_itself = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { type("abc"); change(); },
        [&] { closed_itself = !rt_is_loaded(egg::PasswordWindow); },
    });
    EXPECT_EQ(stored(), kAbcStored);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kChanged});
    EXPECT_TRUE(closed_itself);
}

TEST_F(PasswordWindowTest, CancelWithTheEmptyPasswordSaysNoneIsSet)
{
    rt_seed_random(kSaltSeed);
    dialogs.input_answers.push_back(std::nullopt);
    bool still_open = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { change(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow);
            rt_test_close_box(egg::PasswordWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kNoPassword});
    EXPECT_EQ(stored(), kEmptyStored);
}

TEST_F(PasswordWindowTest, SettingTheEmptyPasswordKeepsTheWindowAndOpensWithNothing)
{
    store_password(kOld);
    rt_seed_random(kSaltSeed);
    dialogs.input_answers.push_back(std::string());
    bool still_open = false, settings_open = false;
    const bool leftover = ModalSteps::run(egg::open_password_window, {
        [&] { type("old"); change(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow);
            type("");
            log_in();
        },
        [&] {
            settings_open = rt_is_loaded(egg::PrizeSettingsWindow);
            rt_test_close_box(egg::PrizeSettingsWindow);
        },
    });
    EXPECT_FALSE(leftover);
    EXPECT_TRUE(still_open);
    EXPECT_TRUE(settings_open);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kNoPassword});
    EXPECT_EQ(stored(), kEmptyStored);
}

TEST_F(PasswordWindowTest, ReadOnlyFolderIsReportedNotCelebrated)
{
    namespace fs = std::filesystem;
    store_password(kAbc);
    const std::string before = stored();
    fs::permissions(dir.file("config.a"), fs::perms::owner_read, fs::perm_options::replace);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    if (access(dir.file("config.a").c_str(), W_OK) == 0) {
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
        GTEST_SKIP() << "this user can write read-only files";
    }

    dialogs.input_answers.push_back(std::string("new"));
    bool still_open = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { type("abc"); change(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow);
            rt_test_close_box(egg::PasswordWindow);
        },
    });
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"密码没有保存成功  原来的密码仍然有效  "});
    EXPECT_EQ(stored(), before);
}

TEST_F(PasswordWindowTest, SettingsFileInTheWayIsReportedNotCelebrated)
{
    // A folder where the settings file should be: no write can succeed,
    // whoever runs the test, and the empty password stays in force.
    std::filesystem::create_directory(dir.file("config.a"));
    dialogs.input_answers.push_back(std::string("new"));
    bool still_open = false;
    ModalSteps::run(egg::open_password_window, {
        [&] { change(); },
        [&] {
            still_open = rt_is_loaded(egg::PasswordWindow);
            rt_test_close_box(egg::PasswordWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"密码没有保存成功  原来的密码仍然有效  "});
    EXPECT_TRUE(logs_in_with(""));
}

// A stored value that the program did not write: nothing crashes, and what
// it deciphers to is the one text that opens the settings.
struct DamagedCase {
    const char* name;
    std::string stored;
    std::string opens;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << '"' << c.stored << '"'; }

class DamagedPassword : public PasswordWindowTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedPassword, OnlyWhatItDeciphersToOpens)
{
    store_password(GetParam().stored);
    const std::string& opens = GetParam().opens;
    EXPECT_TRUE(logs_in_with(opens)) << "expected to open: " << opens;
    EXPECT_FALSE(logs_in_with(opens + "x"));
    if (!opens.empty()) {
        EXPECT_FALSE(logs_in_with(""));
    }
}

// "pw" under the salt KQ is KQPLHI. Bytes that are no GBK character come
// back as U+F700 + byte (UTF-8 EF 9C 80 and up).
INSTANTIATE_TEST_SUITE_P(
    Stored, DamagedPassword,
    ::testing::Values(DamagedCase{"Empty", "", ""}, DamagedCase{"OneLetter", "K", ""},
                      DamagedCase{"SaltOnly", "KQ", ""}, DamagedCase{"LowercaseBody", "KQplhi", "pw"},
                      DamagedCase{"LowercaseSalt", "kqPLHI", "G\xEF\x9E\xB7"},
                      DamagedCase{"OddLength", "KQPLH", "p\x08"},
                      DamagedCase{"LettersBeyondP", "KQZZYXQR", "\"\xEF\x9E\x98\x03"},
                      // The settings file drops the blanks at the end.
                      DamagedCase{"OtherBytes", "KQ!!金蛋##  ", "U烟\xEF\x9F\x8C"},
                      // "pw" under the other program's key text.
                      DamagedCase{"OtherKey", "KQFBGE", "趉"}),
    [](const ::testing::TestParamInfo<DamagedCase>& param_info) { return std::string(param_info.param.name); });

} // namespace
