// The main window's commands as the operator reaches them: pop-up menus on
// the right button, the two titles, the background picture, the secondary
// windows and ending the program.

#include "tests/egg/egg_window_fixture.h"

namespace {

class MainCommandsTest : public EggWindowTest {
protected:
    void SetUp() override
    {
        EggWindowTest::SetUp();
        start();
    }

    static void right_click(UnitRef u, int32_t x = 5, int32_t y = 5) { rt_test_mouse(u, E_RBUTTON_DOWN, x, y); }
};

const std::vector<std::string> kSettingsMenu{"主标题",     "副标题",     "奖项设置",   "调整金蛋位置",
                                             "字体颜色设置", "主标题字体", "副标题字体", "背景图控制",
                                             "更换背景图", "取消背景图", "中奖结果",   "界面大小",
                                             "全屏",       "窗口",       "帮助",       "退出"};

TEST_F(MainCommandsTest, RightButtonOpensTheMenuOfWhatWasPressed)
{
    rt_test_next_menu_choice("");
    right_click(unit("透明标签_主标题"));
    EXPECT_EQ(rt_last_popup_items(), kSettingsMenu);

    rt_set(unit("画板相片"), P_VISIBLE, true);
    rt_test_next_menu_choice("");
    right_click(unit("画板相片"));
    EXPECT_EQ(rt_last_popup_items(), std::vector<std::string>{"关闭"});
    rt_set(unit("画板相片"), P_VISIBLE, false);

    // An egg binds no right button and does not pass it to the window: the
    // queued dismissal is still there for the next menu.
    rt_test_next_menu_choice("");
    right_click(egg_button(9));
    EXPECT_EQ(rt_last_popup_items(), std::vector<std::string>{"关闭"});

    right_click(unit("透明标签_副标题"));
    EXPECT_EQ(rt_last_popup_items(), kSettingsMenu);

    rt_set(unit("画板相片"), P_VISIBLE, true);
    rt_test_next_menu_choice("");
    right_click(unit("画板相片"));
    rt_set(unit("画板相片"), P_VISIBLE, false);
    rt_test_next_menu_choice("");
    // A press on the stage itself, away from every egg and title.
    right_click(window(), 5, rt_screen_height() - 5);
    EXPECT_EQ(rt_last_popup_items(), kSettingsMenu);
    EXPECT_TRUE(dialogs.shown.empty());
}

// The menu items that open a window open it modally, and return when it closes.
struct OpenCase {
    const char* item;
    int window;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.item; }

class MenuOpensWindow : public MainCommandsTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(MenuOpensWindow, ModallyUntilItCloses)
{
    const OpenCase c = GetParam();
    bool open_inside = false;
    const bool leftover = ModalSteps::run([&] { choose(c.item); },
                                          {[&] {
                                              open_inside = rt_is_loaded(c.window);
                                              rt_test_close_box(c.window);
                                          }});
    EXPECT_TRUE(open_inside);
    EXPECT_FALSE(leftover);
    EXPECT_FALSE(rt_is_loaded(c.window));
    EXPECT_TRUE(rt_is_loaded(egg::MainWindow));
}

INSTANTIATE_TEST_SUITE_P(Items, MenuOpensWindow,
                         ::testing::Values(OpenCase{"奖项设置", egg::PasswordWindow},
                                           OpenCase{"调整金蛋位置", egg::EggLayoutWindow},
                                           OpenCase{"中奖结果", egg::ResultsWindow}),
                         [](const ::testing::TestParamInfo<OpenCase>& param_info) {
                             return std::to_string(param_info.param.window);
                         });

// The two titles have the same commands with their own label, keys and texts.
struct Twin {
    const char* name;
    const char* label;
    const char* text_item;
    const char* font_item;
    const char* text_key;
    const char* offered;
    const char* prompt;
    const char* left_key;
    const char* top_key;
    const char* face_key;
    const char* size_key;
    const char* color_key;
};

const Twin kMainTitle{"MainTitle", "透明标签_主标题", "主标题", "主标题字体", "主标题", "购物有奖活动",
                      "请输入主标题", "主标题左边", "主标题顶边", "主标题字体", "主标题字体大小", "主标题字体颜色"};
const Twin kSubtitle{"Subtitle", "透明标签_副标题", "副标题", "副标题字体", "副标题", "---现场抽奖仪式---",
                     "请输入副标题", "副标题左边", "副标题顶边", "副标题字体", "副标题字体大小", "副标题字体颜色"};

void PrintTo(const Twin& t, std::ostream* os) { *os << t.label; }

class TitleCommands : public MainCommandsTest, public ::testing::WithParamInterface<Twin> {
protected:
    UnitRef label() const { return unit(GetParam().label); }
};

TEST_P(TitleCommands, EditOffersTheStoredTextAndCancelChangesNothing)
{
    const Twin& t = GetParam();
    const std::string designed = rt_get_text(label(), P_TEXT);

    dialogs.input_answers = {std::nullopt, std::string("周年庆典"), std::string("")};
    choose(t.text_item);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "input");
    EXPECT_EQ(dialogs.shown[0].text, t.prompt);
    EXPECT_EQ(dialogs.shown[0].title, t.prompt);
    EXPECT_EQ(dialogs.shown[0].initial, t.offered);
    EXPECT_EQ(dialogs.shown[0].style, 1);
    EXPECT_EQ(rt_get_text(label(), P_TEXT), designed);
    EXPECT_EQ(read_setting(t.text_key), "");

    choose(t.text_item);
    EXPECT_EQ(dialogs.shown.at(1).initial, t.offered);
    EXPECT_EQ(rt_get_text(label(), P_TEXT), "周年庆典");
    EXPECT_EQ(read_setting(t.text_key), "周年庆典");

    // The stored text is offered next time; an empty entry empties both.
    choose(t.text_item);
    EXPECT_EQ(dialogs.shown.at(2).initial, "周年庆典");
    EXPECT_EQ(rt_get_text(label(), P_TEXT), "");
    EXPECT_EQ(read_setting(t.text_key), "");
    EXPECT_EQ(dialogs.shown.size(), 3u);
}

TEST_P(TitleCommands, OnlyCtrlAloneDragsAndStoresThePlace)
{
    const Twin& t = GetParam();
    const int32_t left = rt_get_int(label(), P_LEFT), top = rt_get_int(label(), P_TOP);
    // One drag waits in the queue; presses that must not move leave it there.
    rt_test_next_drag(-40, 25);
    for (int32_t keys : std::vector<int32_t>{0, KEY_SHIFT, KEY_CTRL | KEY_SHIFT, KEY_CTRL | KEY_ALT, KEY_CTRL | KEY_SHIFT | KEY_ALT}) {
        rt_test_mouse(label(), E_LBUTTON_DOWN, 10, 10, keys);
        rt_test_mouse(label(), E_LBUTTON_UP, 10, 10, keys);
        EXPECT_EQ(rt_get_int(label(), P_LEFT), left) << "key state " << keys;
        EXPECT_EQ(read_setting(t.left_key), "") << "key state " << keys;
    }
    rt_test_mouse(label(), E_LBUTTON_DOWN, 10, 10, KEY_CTRL);
    rt_test_mouse(label(), E_LBUTTON_UP, 10, 10, KEY_CTRL);
    EXPECT_EQ(rt_get_int(label(), P_LEFT), left - 40);
    EXPECT_EQ(rt_get_int(label(), P_TOP), top + 25);
    EXPECT_EQ(read_setting(t.left_key), std::to_string(left - 40));
    EXPECT_EQ(read_setting(t.top_key), std::to_string(top + 25));
}

TEST_P(TitleCommands, ConfirmedFontSetsTheLabelAndItsHeight)
{
    const Twin& t = GetParam();
    dialogs.font_answers.push_back(FontChoice{0x0000FF00, true, true, false, false, "黑体", 36});
    choose(t.font_item);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "font");
    const FontValue f = rt_get_font(label(), P_LABEL_FONT);
    EXPECT_EQ(f.face, "黑体");
    EXPECT_EQ(f.size_pt, 36);
    EXPECT_TRUE(f.bold);
    EXPECT_TRUE(f.italic);
    EXPECT_EQ(rt_get_int(label(), P_LABEL_COLOR), 0x0000FF00);
    EXPECT_EQ(rt_get_int(label(), P_HEIGHT), 64);
    EXPECT_EQ(read_setting(t.face_key, "yanse"), "黑体");
    EXPECT_EQ(read_setting(t.size_key, "yanse"), "36");
    EXPECT_EQ(read_setting(t.color_key, "yanse"), "65280");

    // The next start restores what was stored.
    rt_destroy_window(egg::MainWindow);
    rt_do_events();
    start();
    EXPECT_EQ(rt_get_font(label(), P_LABEL_FONT).size_pt, 36);
    EXPECT_EQ(rt_get_int(label(), P_LABEL_COLOR), 0x0000FF00);
}

TEST_P(TitleCommands, CancelledFontStillStoresTheCurrentOne)
{
    const Twin& t = GetParam();
    const FontValue before = rt_get_font(label(), P_LABEL_FONT);
    dialogs.font_answers.push_back(std::nullopt);
    choose(t.font_item);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(rt_get_font(label(), P_LABEL_FONT), before);
    EXPECT_EQ(rt_get_int(label(), P_LABEL_COLOR), 0x0000FFFF);
    EXPECT_EQ(read_setting(t.face_key, "yanse"), before.face);
    EXPECT_EQ(read_setting(t.size_key, "yanse"), std::to_string(before.size_pt));
    EXPECT_EQ(read_setting(t.color_key, "yanse"), "65535");
    // The size in points times 1.8, rounded down.
    EXPECT_EQ(rt_get_int(label(), P_HEIGHT), before.size_pt * 18 / 10);
}

TEST_P(TitleCommands, FontDialogOpensFirstOnTheMainTitlesLookThenOnTheLastChoice)
{
    const UnitRef dialog = unit("通用对话框_字体设置");
    EXPECT_EQ(rt_get_text(dialog, P_FONT_FACE), "宋体");
    EXPECT_EQ(rt_get_int(dialog, P_FONT_SIZE), 50);
    EXPECT_TRUE(rt_get_bool(dialog, P_FONT_BOLD));
    EXPECT_EQ(rt_get_int(dialog, P_FONT_COLOR), 0x0000FFFF);
    dialogs.font_answers.push_back(FontChoice{0x0000FF00, false, false, false, false, "黑体", 30});
    choose(GetParam().font_item);
    choose(GetParam().font_item);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "宋体");
    EXPECT_EQ(dialogs.shown[0].style, 50);
    EXPECT_EQ(dialogs.shown[1].text, "黑体");
    EXPECT_EQ(dialogs.shown[1].style, 30);
}

INSTANTIATE_TEST_SUITE_P(Twins, TitleCommands, ::testing::Values(kMainTitle, kSubtitle),
                         [](const ::testing::TestParamInfo<Twin>& param_info) {
                             return std::string(param_info.param.name);
                         });

TEST_F(MainCommandsTest, BackgroundIsTheCopyBesideTheProgram)
{
    // Removing with no picture there: no question, no message.
    choose("取消背景图");
    EXPECT_TRUE(rt_get_bytes(window(), P_WINDOW_PICTURE).empty());

    const Bytes picture = rt_unit_snapshot(unit("透明标签_主标题"));
    ASSERT_FALSE(picture.empty());
    ASSERT_TRUE(rt_write_file(dir.file("chosen.jpg"), picture));
    dialogs.file_answers = {std::nullopt, dir.file("chosen.jpg")};
    choose("更换背景图");
    EXPECT_FALSE(rt_file_exists(dir.file("底图.jpg")));
    choose("更换背景图");
    EXPECT_EQ(dialogs.shown.at(0).text, "图形文件(*.jpg)|*.jpg");
    EXPECT_EQ(rt_read_file(dir.file("底图.jpg")), picture);
    EXPECT_EQ(rt_get_bytes(window(), P_WINDOW_PICTURE), picture);

    choose("取消背景图");
    EXPECT_FALSE(rt_file_exists(dir.file("底图.jpg")));
    EXPECT_TRUE(rt_get_bytes(window(), P_WINDOW_PICTURE).empty());
    EXPECT_TRUE(rt_file_exists(dir.file("chosen.jpg")));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(MainCommandsTest, HelpDoesNothing)
{
    const std::string before = dir.read("config.a");
    choose("帮助");
    EXPECT_EQ(rt_last_popup_items(), kSettingsMenu);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(dir.read("config.a"), before);
    for (int id : {egg::PasswordWindow, egg::PrizeSettingsWindow, egg::ResultsWindow, egg::EggLayoutWindow,
                   egg::EffectWindow})
        EXPECT_FALSE(rt_is_loaded(id));
}

TEST_F(MainCommandsTest, ExitAndCloseBoxAskFirstAndCancelGoesOn) { expect_exit_asks_first(); }

using MainCommandsDeathTest = MainCommandsTest;

TEST_F(MainCommandsDeathTest, ExitWithOkEndsWithCodeZero)
{
    EXPECT_EXIT(choose("退出"), ::testing::ExitedWithCode(0), "");
}

TEST_F(MainCommandsDeathTest, CloseBoxWithOkEndsWithCodeZero)
{
    EXPECT_EXIT(rt_test_close_box(egg::MainWindow), ::testing::ExitedWithCode(0), "");
}

} // namespace
