// The wheel's operator windows: the password lock, the prize settings behind
// it, and the results behind the same password.

#include <filesystem>

#include "common/cipher.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

const char* const kWrong = "密码不正确！请重新输入。";
const char* const kNeedOld = "请在密码框输入原始密码后再修改！";
const char* const kNoPassword = "您没有设置任何密码！";
const char* const kChanged = "设置成功！请牢记您的密码！";
const char* const kNotSaved = "密码没有保存成功！原来的密码仍然有效！";
const char* const kResultsPrompt = "请输入密码（这里密码与奖项设置是同一个密码，初始密码为空！）";

class WheelOperatorWindows : public WheelWindowTest {
public:
    void SetUp() override
    {
        WheelWindowTest::SetUp();
        if (IsSkipped())
            return;
        put_pictures();
        setting("禁用特效", "真");
        start();
    }

    static UnitRef lock_unit(const char* name) { return rt_unit(wheel::PasswordWindow, name); }
    static UnitRef settings_unit(const std::string& name) { return rt_unit(wheel::PrizeSettingsWindow, name); }
    static UnitRef results_unit(const std::string& name) { return rt_unit(wheel::ResultsWindow, name); }
    static void type_password(const std::string& text) { rt_set(lock_unit("编辑框1"), P_TEXT, text); }
    static void log_in() { rt_test_click(lock_unit("按钮_登陆")); }
    static void change() { rt_test_click(lock_unit("按钮_修改密码")); }

    void store_password(const std::string& plain) { setting("password", encipher_text(plain, wheel::kPasswordKey)); }
    std::string stored() { return read_setting("password"); }

    // The menu's 奖项设置, the text typed and 进入设置; true when the prize
    // settings opened. Whatever opened is closed again.
    bool logs_in_with(const std::string& text)
    {
        bool opened = false;
        const bool leftover = ModalSteps::run([] { choose("奖项设置"); }, {
            [&] { type_password(text); log_in(); },
            [&] {
                opened = rt_is_loaded(wheel::PrizeSettingsWindow);
                rt_test_close_box(opened ? wheel::PrizeSettingsWindow : wheel::PasswordWindow);
            },
        });
        EXPECT_FALSE(leftover);
        EXPECT_FALSE(rt_is_loaded(wheel::PasswordWindow));
        return opened;
    }
    // The menu's 中奖结果 with the password box answered (nullopt cancels);
    // true when the results window opened.
    bool results_open_with(std::optional<std::string> typed)
    {
        dialogs.input_answers.push_back(typed);
        bool opened = false;
        ModalSteps::run([] { choose("中奖结果"); }, {[&] {
                            opened = rt_is_loaded(wheel::ResultsWindow);
                            if (opened)
                                rt_test_close_box(wheel::ResultsWindow);
                        }});
        EXPECT_FALSE(rt_is_loaded(wheel::ResultsWindow));
        return opened;
    }
};

TEST_F(WheelOperatorWindows, FirstRunOpensWithTheEmptyPasswordOnly)
{
    bool settings_open = false, lock_open_meanwhile = false;
    std::string title;
    const bool leftover = ModalSteps::run([] { choose("奖项设置"); }, {
        [&] {
            title = rt_get_text(rt_window(wheel::PasswordWindow), P_TEXT);
            log_in();
        },
        [&] {
            settings_open = rt_is_loaded(wheel::PrizeSettingsWindow);
            lock_open_meanwhile = rt_is_loaded(wheel::PasswordWindow);
            rt_test_close_box(wheel::PrizeSettingsWindow);
        },
    });
    EXPECT_FALSE(leftover);
    EXPECT_EQ(title, "密码设置！");
    EXPECT_TRUE(settings_open);
    EXPECT_TRUE(lock_open_meanwhile);
    EXPECT_FALSE(rt_is_loaded(wheel::PasswordWindow));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(stored(), "") << "logging in stores nothing";

    EXPECT_FALSE(logs_in_with(" "));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kWrong});
    // The results box takes the empty entry too.
    EXPECT_TRUE(results_open_with(std::string()));
}

TEST_F(WheelOperatorWindows, ChangeThenOnlyTheNewPasswordOpensSettingsAndResults)
{
    const std::string password = "转盘 Pw1";
    dialogs.input_answers.push_back(password);
    bool closed_itself = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { change(); },
        [&] { closed_itself = !rt_is_loaded(wheel::PasswordWindow); },
    });
    EXPECT_TRUE(closed_itself);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "input");
    EXPECT_EQ(dialogs.shown[0].text, "请输入密码");
    EXPECT_EQ(dialogs.shown[0].title, "请输入密码");
    EXPECT_EQ(dialogs.shown[0].style, 1) << "the new password is typed unmasked";
    EXPECT_EQ(dialogs.shown[1].text, kChanged);
    EXPECT_EQ(dialogs.shown[1].title, "信息：");

    // Salt and two capitals A..P per GBK byte, under the wheel's key text.
    const std::string s = stored();
    ASSERT_EQ(s.size(), 2 + 2 * 8u);
    for (char c : s)
        EXPECT_TRUE(c >= 'A' && c <= 'Z') << s;
    EXPECT_EQ(decipher_text(s, "tolvenra"), password);
    EXPECT_NE(decipher_text(s, "qxv"), password);

    dialogs.shown.clear();
    EXPECT_TRUE(logs_in_with(password));
    EXPECT_FALSE(logs_in_with("转盘 pw1"));
    EXPECT_FALSE(logs_in_with(""));
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kWrong, kWrong}));

    dialogs.shown.clear();
    EXPECT_FALSE(results_open_with(std::nullopt));
    EXPECT_FALSE(results_open_with(std::string("转盘Pw1")));
    EXPECT_TRUE(results_open_with(password));
    std::vector<std::string> boxes;
    for (const auto& shown : dialogs.shown)
        boxes.push_back(shown.kind + ":" + shown.text + ":" + shown.title + ":" + std::to_string(shown.style));
    const std::string input = std::string("input:") + kResultsPrompt + ":请输入密码:4";
    EXPECT_EQ(boxes, (std::vector<std::string>{input, input, "message:密码不正确！:信息：:0", input}));
}

TEST_F(WheelOperatorWindows, ChangingNeedsTheCurrentPasswordAndCancelKeepsIt)
{
    store_password("abc");
    const std::string before = stored();
    bool still_open = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { change(); },
        [&] { type_password("ABC"); change(); },
        [&] {
            still_open = rt_is_loaded(wheel::PasswordWindow);
            rt_test_close_box(wheel::PasswordWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kNeedOld, kNeedOld}));
    EXPECT_EQ(stored(), before);

    // Cancel stores the current password again under a fresh salt, and
    // says so as for a typed one.
    dialogs.shown.clear();
    dialogs.input_answers.push_back(std::nullopt);
    bool closed_itself = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { type_password("abc"); change(); },
        [&] { closed_itself = !rt_is_loaded(wheel::PasswordWindow); },
    });
    EXPECT_TRUE(closed_itself);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kChanged});
    EXPECT_EQ(decipher_text(stored(), wheel::kPasswordKey), "abc");
    EXPECT_TRUE(logs_in_with("abc"));
}

TEST_F(WheelOperatorWindows, TheEmptyNewPasswordKeepsTheWindowOpen)
{
    store_password("old");
    dialogs.input_answers.push_back(std::string());
    bool still_open = false, settings_open = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { type_password("old"); change(); },
        [&] {
            still_open = rt_is_loaded(wheel::PasswordWindow);
            type_password("");
            log_in();
        },
        [&] {
            settings_open = rt_is_loaded(wheel::PrizeSettingsWindow);
            rt_test_close_box(wheel::PrizeSettingsWindow);
        },
    });
    EXPECT_TRUE(still_open);
    EXPECT_TRUE(settings_open);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kNoPassword});
    EXPECT_EQ(stored().size(), 2u) << "the salt alone";
}

// The settings file gives a value back whole up to 10239 bytes: a password
// whose stored form is longer would lock the operator out, so it is refused.
TEST_F(WheelOperatorWindows, APasswordTooLongToReadBackIsRefused)
{
    const std::string longest(5118, 'a'), too_long(5119, 'b');
    dialogs.input_answers = {longest, too_long};
    ModalSteps::run([] { choose("奖项设置"); }, {[&] { change(); }});
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { type_password(longest); change(); },
        [&] { rt_test_close_box(wheel::PasswordWindow); },
    });
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kChanged, "密码太长！请输入较短的密码！"}));
    EXPECT_EQ(stored().size(), 2 + 2 * longest.size());
    EXPECT_TRUE(logs_in_with(longest));
    EXPECT_FALSE(logs_in_with(too_long));
}

TEST_F(WheelOperatorWindows, UnwritableSettingsAreReportedNotCelebrated)
{
    // A folder where the settings file should be: no write can succeed,
    // whoever runs the test.
    std::filesystem::remove(dir.file("config.a"));
    std::filesystem::create_directory(dir.file("config.a"));

    dialogs.input_answers.push_back(std::string("new"));
    bool lock_open = false, settings_open = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { change(); },
        [&] {
            lock_open = rt_is_loaded(wheel::PasswordWindow);
            log_in();
        },
        [&] {
            rt_set(settings_unit("编辑框1"), P_TEXT, std::string("7"));
            rt_test_click(settings_unit("按钮1"));
        },
        [&] {
            settings_open = rt_is_loaded(wheel::PrizeSettingsWindow);
            rt_test_close_box(wheel::PrizeSettingsWindow);
        },
    });
    EXPECT_TRUE(lock_open);
    EXPECT_TRUE(settings_open) << "a save that did not reach the file closes nothing";
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kNotSaved, "设置没有保存成功！请检查程序文件夹是否可以写入！"}));
    EXPECT_EQ(prize_counts[1], 1) << "the counts stay those of the file";
}

TEST_F(WheelOperatorWindows, PrizeSettingsShowTheRingAndTheStoredState)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> stored;
        std::vector<std::string> fields;
        bool by_probability;
    };
    const std::vector<std::string> designed{"1", "2", "4", "8", "10", "15", "20", "50"};
    const std::vector<Case> cases{
        {"nothing stored", {}, designed, false},
        {"grade 1 missing", {{"二", "9"}, {"八", "3"}, {"lx", "真"}}, designed, true},
        {"grade 3 missing", {{"一", "5"}, {"二", "x"}, {"lx", "假"}}, {"5", "x", "", "", "", "", "", "3"}, false},
        {"other mode text", {{"lx", "真 "}, {"三", ""}}, {"5", "x", "", "", "", "", "", "3"}, true},
    };
    for (const Case& c : cases) {
        for (const auto& [key, value] : c.stored)
            setting(key, value);
        std::vector<std::string> fields;
        std::vector<Bytes> pictures;
        bool quantity = false, probability = false;
        ModalSteps::run([] { choose("奖项设置"); }, {
            [&] { log_in(); },
            [&] {
                for (int k = 1; k <= 8; ++k) {
                    fields.push_back(rt_get_text(settings_unit("编辑框" + std::to_string(k)), P_TEXT));
                    pictures.push_back(rt_get_bytes(settings_unit("图片框" + std::to_string(k)), P_PICTURE));
                }
                quantity = rt_get_bool(settings_unit("单选框1"), P_CHECKED);
                probability = rt_get_bool(settings_unit("单选框2"), P_CHECKED);
                rt_test_close_box(wheel::PrizeSettingsWindow);
            },
        });
        EXPECT_EQ(fields, c.fields) << c.name;
        EXPECT_EQ(probability, c.by_probability) << c.name;
        EXPECT_EQ(quantity, !c.by_probability) << c.name;
        for (int k = 1; k <= 8; ++k)
            EXPECT_EQ(pictures[static_cast<size_t>(k - 1)], picture(k)) << c.name << ", grade " << k;
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

// Values are stored exactly as typed and give prize_counts their leading
// number; in probability mode the next spin draws with those counts.
TEST_F(WheelOperatorWindows, SavedValuesDriveTheNextSpin)
{
    // Beyond 32 bits the conversion gives the lowest integer: no tickets.
    const std::vector<std::string> typed{"abc", "-1", " 3.7", "12abc", "99999999999", "", "0", "2.5"};
    const std::vector<int32_t> counts{0, -1, 3, 12, INT32_MIN, 0, 0, 2};
    bool closed = false;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { log_in(); },
        [&] {
            for (int k = 1; k <= 8; ++k)
                rt_set(settings_unit("编辑框" + std::to_string(k)), P_TEXT, typed[static_cast<size_t>(k - 1)]);
            rt_test_click(settings_unit("单选框2"));
            rt_test_click(settings_unit("按钮1"));
        },
        [&] { closed = !rt_is_loaded(wheel::PrizeSettingsWindow) && !rt_is_loaded(wheel::PasswordWindow); },
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"设置成功！"});
    for (size_t n = 0; n < 8; ++n) {
        const char* key = kGradeSettingKeys[n];
        EXPECT_EQ(read_setting(key), typed[n] == " 3.7" ? "3.7" : typed[n]) << key;
        EXPECT_EQ(prize_counts[n + 1], counts[n]) << key;
    }
    EXPECT_EQ(read_setting("lx"), "真");

    // Grades 3, 4 and 8 hold the tickets.
    type("编辑框_滚动速度", "600000");
    for (int spin = 0; spin < 6; ++spin) {
        press_start();
        press_stop();
        steps(1);
        EXPECT_TRUE(wheel::highlight_pos == 3 || wheel::highlight_pos == 4 || wheel::highlight_pos == 8)
            << wheel::highlight_pos;
    }
    EXPECT_EQ(total_wins(), 6);
}

TEST_F(WheelOperatorWindows, ModeRadiosWriteAtOnceWithoutOk)
{
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { log_in(); },
        [&] {
            rt_test_click(settings_unit("单选框2"));
            EXPECT_EQ(read_setting("lx"), "真");
            EXPECT_FALSE(rt_get_bool(settings_unit("单选框1"), P_CHECKED));
            rt_test_click(settings_unit("单选框1"));
            EXPECT_EQ(read_setting("lx"), "假");
            EXPECT_FALSE(rt_get_bool(settings_unit("单选框2"), P_CHECKED));
            rt_test_click(settings_unit("单选框2"));
            rt_test_close_box(wheel::PrizeSettingsWindow);
        },
    });
    EXPECT_EQ(read_setting("lx"), "真");
    EXPECT_EQ(read_setting("一"), "");
}

// While the wheel spins the lit slot's picture is held aside, so the copies
// in both windows show that slot empty.
TEST_F(WheelOperatorWindows, WindowsCopyTheRingAsItStandsDuringASpin)
{
    prizes({"2", "2"});
    type("编辑框_滚动速度", "600000");
    press_start();
    steps(5);
    ASSERT_EQ(wheel::highlight_pos, 5);
    std::vector<Bytes> in_settings, in_results;
    ModalSteps::run([] { choose("奖项设置"); }, {
        [&] { log_in(); },
        [&] {
            for (int k = 1; k <= 8; ++k)
                in_settings.push_back(rt_get_bytes(settings_unit("图片框" + std::to_string(k)), P_PICTURE));
            rt_test_close_box(wheel::PrizeSettingsWindow);
        },
    });
    dialogs.input_answers.push_back(std::string());
    ModalSteps::run([] { choose("中奖结果"); }, {[&] {
                        for (int k = 1; k <= 8; ++k)
                            in_results.push_back(rt_get_bytes(results_unit("图片框" + std::to_string(k)), P_PICTURE));
                        rt_test_close_box(wheel::ResultsWindow);
                    }});
    ASSERT_EQ(in_settings.size(), 8u);
    ASSERT_EQ(in_results.size(), 8u);
    for (int k = 1; k <= 8; ++k) {
        const Bytes expected = k == 5 ? Bytes{} : picture(k);
        EXPECT_EQ(in_settings[static_cast<size_t>(k - 1)], expected) << k;
        EXPECT_EQ(in_results[static_cast<size_t>(k - 1)], expected) << k;
    }
    EXPECT_EQ(wheel::draw_running, 1) << "the spin ran on under the windows";
}

TEST_F(WheelOperatorWindows, ResultsShowAsStoredAndClearAfterTheQuestion)
{
    result("j2", "3");
    result("j7", "2.5");
    std::vector<std::string> before, after_cancel, after_ok;
    auto counts = [] {
        std::vector<std::string> v;
        for (int k = 1; k <= 8; ++k)
            v.push_back(rt_get_text(results_unit("编辑框" + std::to_string(k)), P_TEXT));
        return v;
    };
    dialogs.input_answers.push_back(std::string());
    dialogs.message_answers = {1, 0};
    bool stayed_open = false;
    ModalSteps::run([] { choose("中奖结果"); }, {
        [&] {
            before = counts();
            rt_test_click(results_unit("按钮1"));
        },
        [&] {
            after_cancel = counts();
            rt_test_click(results_unit("按钮1"));
        },
        [&] {
            after_ok = counts();
            stayed_open = rt_is_loaded(wheel::ResultsWindow);
            rt_test_close_box(wheel::ResultsWindow);
        },
    });
    EXPECT_EQ(before, (std::vector<std::string>{"", "3", "", "", "", "", "2.5", ""}));
    EXPECT_EQ(after_cancel, before);
    EXPECT_EQ(after_ok, std::vector<std::string>(8, "0"));
    EXPECT_TRUE(stayed_open);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(read_result("j" + std::to_string(k)), "0");
    const auto questions = dialogs.messages();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], "确定要清空中奖结果吗？");
    EXPECT_EQ(dialogs.shown.back().title, "确定清空吗？");
    EXPECT_EQ(dialogs.shown.back().style, 1);
}

TEST_F(WheelOperatorWindows, ResultsThatCannotBeWrittenAreNotShownAsCleared)
{
    std::filesystem::create_directory(dir.file("jieguo.a"));
    dialogs.input_answers.push_back(std::string());
    std::vector<std::string> shown_counts;
    ModalSteps::run([] { choose("中奖结果"); }, {
        [&] { rt_test_click(results_unit("按钮1")); },
        [&] {
            for (int k = 1; k <= 8; ++k)
                shown_counts.push_back(rt_get_text(results_unit("编辑框" + std::to_string(k)), P_TEXT));
            rt_test_close_box(wheel::ResultsWindow);
        },
    });
    EXPECT_EQ(shown_counts, std::vector<std::string>(8, ""));
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"确定要清空中奖结果吗？",
                                                            "中奖结果没有清空！请检查程序文件夹是否可以写入！"}));
}

} // namespace
