// Start-up of the main window: what it restores from the settings file and
// how it lays out the stage.

#include <algorithm>
#include <array>
#include <sstream>

#include "common/draw.h"
#include "media/egg_media.h"
#include "platform/user32.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

struct Place {
    int32_t left, top;
};
constexpr std::array<Place, 9> kDesignedEggs{{
    {152, 288}, {352, 184}, {566, 184}, {730, 280}, {153, 476},
    {340, 559}, {548, 563}, {748, 476}, {461, 373},
}};

using EggStartup = EggWindowTest;

TEST_F(EggStartup, FirstStartWithoutSettingsFile)
{
    start();

    // Only the window mode is written back.
    EXPECT_EQ(read_setting("界面大小"), "全屏");
    std::istringstream file(dir.read("config.a"));
    int sections = 0, items = 0;
    for (std::string line; std::getline(file, line);) {
        sections += !line.empty() && line[0] == '[';
        items += line.find('=') != std::string::npos;
    }
    EXPECT_EQ(sections, 1);
    EXPECT_EQ(items, 1);
    EXPECT_FALSE(rt_file_exists(dir.file("jieguo.a")));

    const PrizeCounts defaults{0, 1, 2, 4, 8, 10, 15, 20, 50};
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(prize_counts[static_cast<size_t>(n)], defaults[static_cast<size_t>(n)]) << "grade " << n;

    // Full screen, the board and the stage of the reveal as large as the window.
    EXPECT_EQ(rt_get_int(window(), P_LEFT), 0);
    EXPECT_EQ(rt_get_int(window(), P_TOP), 0);
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width());
    EXPECT_EQ(rt_get_int(window(), P_HEIGHT), rt_screen_height());
    EXPECT_EQ(rt_get_int(window(), P_WINDOW_BORDER), 0);
    EXPECT_TRUE(rt_get_bool(unit("全屏"), P_MENU_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("窗口"), P_MENU_CHECKED));
    for (const char* name : {"画板相片", "动画框1"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(get(name, P_LEFT), 0);
        EXPECT_EQ(get(name, P_TOP), 0);
        EXPECT_EQ(get(name, P_WIDTH), rt_screen_width());
        EXPECT_EQ(get(name, P_HEIGHT), rt_screen_height());
        EXPECT_FALSE(shown(name));
    }
    EXPECT_FALSE(shown("透明标签_关闭"));

    // Nine eggs where they were designed, each with its own picture and the hammer.
    for (int k = 1; k <= 9; ++k) {
        SCOPED_TRACE("egg " + std::to_string(k));
        const UnitRef egg = egg_button(k);
        EXPECT_TRUE(rt_get_bool(egg, P_VISIBLE));
        EXPECT_EQ(rt_get_int(egg, P_LEFT), kDesignedEggs[static_cast<size_t>(k - 1)].left);
        EXPECT_EQ(rt_get_int(egg, P_TOP), kDesignedEggs[static_cast<size_t>(k - 1)].top);
        EXPECT_EQ(rt_get_int(egg, P_WIDTH), 200);
        EXPECT_EQ(rt_get_int(egg, P_HEIGHT), 188);
        EXPECT_EQ(rt_get_bytes(egg, P_PICTURE), media::egg_picture(k));
        EXPECT_EQ(rt_get_bytes(egg, P_MOUSE_POINTER), media::hammer_cursor());
    }

    // Designed titles, stretched over the window and centred.
    const UnitRef main_title = unit("透明标签_主标题");
    const UnitRef subtitle = unit("透明标签_副标题");
    EXPECT_EQ(rt_get_text(main_title, P_TEXT), "某某大卖场购物有奖活动");
    EXPECT_EQ(rt_get_text(subtitle, P_TEXT), "--- 现场抽奖仪式 ---");
    for (UnitRef t : {main_title, subtitle}) {
        EXPECT_TRUE(rt_get_bool(t, P_VISIBLE));
        EXPECT_EQ(rt_get_int(t, P_LEFT), 0);
        EXPECT_EQ(rt_get_int(t, P_WIDTH), rt_screen_width());
        EXPECT_EQ(rt_get_int(t, P_LABEL_ALIGN), 1);
        EXPECT_EQ(rt_get_int(t, P_LABEL_COLOR), 0x0000FFFF);
        EXPECT_TRUE(rt_get_font(t, P_LABEL_FONT).bold);
    }
    EXPECT_EQ(rt_get_int(main_title, P_TOP), 8);
    EXPECT_EQ(rt_get_int(main_title, P_HEIGHT), 110);
    EXPECT_EQ(rt_get_int(subtitle, P_TOP), 97);
    EXPECT_EQ(rt_get_int(subtitle, P_HEIGHT), 70);
    EXPECT_EQ(rt_get_text(window(), P_TEXT), "Orvana砸金蛋抽奖软件      ");
}

TEST_F(EggStartup, RestoresTitlesFontsAndEggPlaces)
{
    setting("主标题", "新春大抽奖");
    setting("副标题", "欢迎光临");
    setting("主标题左边", "40");
    setting("主标题顶边", "25");
    setting("副标题左边", "-12");
    setting("副标题顶边", "300.9");
    setting("主标题字体", "隶书", "yanse");
    setting("主标题字体大小", "48", "yanse");
    setting("主标题字体颜色", "255", "yanse");
    // A colour without a face gives the empty face.
    setting("副标题字体大小", "20", "yanse");
    setting("副标题字体颜色", "16711680", "yanse");
    setting("d3左边", "400");
    setting("d7左边", "10");
    setting("d7顶边", "20");
    setting("d8顶边", "99"); // ignored: its left key is empty
    start();

    const UnitRef main_title = unit("透明标签_主标题");
    const UnitRef subtitle = unit("透明标签_副标题");
    EXPECT_EQ(rt_get_text(main_title, P_TEXT), "新春大抽奖");
    EXPECT_EQ(rt_get_text(subtitle, P_TEXT), "欢迎光临");
    EXPECT_EQ(rt_get_int(main_title, P_LEFT), 40);
    EXPECT_EQ(rt_get_int(main_title, P_TOP), 25);
    EXPECT_EQ(rt_get_int(subtitle, P_LEFT), -12);
    EXPECT_EQ(rt_get_int(subtitle, P_TOP), 300);
    // Heights stay as designed; width is still the window's.
    EXPECT_EQ(rt_get_int(main_title, P_HEIGHT), 110);
    EXPECT_EQ(rt_get_int(main_title, P_WIDTH), rt_screen_width());

    const FontValue main_font = rt_get_font(main_title, P_LABEL_FONT);
    EXPECT_EQ(main_font.face, "隶书");
    EXPECT_EQ(main_font.size_pt, 48);
    EXPECT_EQ(rt_get_int(main_title, P_LABEL_COLOR), 255);
    const FontValue sub_font = rt_get_font(subtitle, P_LABEL_FONT);
    EXPECT_EQ(sub_font.face, "");
    EXPECT_EQ(sub_font.size_pt, 20);
    EXPECT_EQ(rt_get_int(subtitle, P_LABEL_COLOR), 16711680);

    EXPECT_EQ(rt_get_int(egg_button(3), P_LEFT), 400);
    EXPECT_EQ(rt_get_int(egg_button(3), P_TOP), 0);
    EXPECT_EQ(rt_get_int(egg_button(7), P_LEFT), 10);
    EXPECT_EQ(rt_get_int(egg_button(7), P_TOP), 20);
    EXPECT_EQ(rt_get_int(egg_button(8), P_LEFT), 748);
    EXPECT_EQ(rt_get_int(egg_button(8), P_TOP), 476);
}

TEST_F(EggStartup, EmptyTitleKeysKeepTheDesign)
{
    setting("主标题", "");
    setting("主标题左边", "");
    setting("副标题字体", "隶书", "yanse"); // no colour: the font stays as designed
    setting("副标题字体大小", "70", "yanse");
    start();
    EXPECT_EQ(rt_get_text(unit("透明标签_主标题"), P_TEXT), "某某大卖场购物有奖活动");
    EXPECT_EQ(get("透明标签_主标题", P_LEFT), 0);
    EXPECT_NE(rt_get_font(unit("透明标签_副标题"), P_LABEL_FONT).face, "隶书");
    EXPECT_NE(rt_get_font(unit("透明标签_副标题"), P_LABEL_FONT).size_pt, 70);
}

struct CountCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> keys;
    PrizeCounts expected;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

class EggStartupCounts : public EggWindowTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(EggStartupCounts, LoadsPrizeCounts)
{
    for (const auto& [k, v] : GetParam().keys)
        setting(k, v);
    prize_counts = PrizeCounts{};
    start();
    for (size_t n = 1; n <= 8; ++n)
        EXPECT_EQ(prize_counts[n], GetParam().expected[n]) << "grade " << n;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EggStartupCounts,
    ::testing::Values(
        CountCase{"AllSet",
                  {{"一", "3"}, {"二", "0"}, {"三", "7"}, {"四", "1"}, {"五", "2"}, {"六", "9"}, {"七", "100"}, {"八", "5"}},
                  {0, 3, 0, 7, 1, 2, 9, 100, 5}},
        CountCase{"FirstEmptyOthersIgnored",
                  {{"二", "9"}, {"三", "9"}, {"四", "9"}, {"五", "9"}, {"六", "9"}, {"七", "9"}, {"八", "9"}},
                  {0, 1, 2, 4, 8, 10, 15, 20, 50}},
        CountCase{"FirstFractionTruncates", {{"一", "3.9"}}, {0, 3, 0, 0, 0, 0, 0, 0, 0}},
        CountCase{"FirstNegativeKept", {{"一", "-2"}, {"八", "-7.9"}}, {0, -2, 0, 0, 0, 0, 0, 0, -7}},
        CountCase{"TextCountsZero", {{"一", "abc"}, {"二", "4x"}}, {0, 0, 4, 0, 0, 0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<CountCase>& p) { return std::string(p.param.name); });

struct EggCountCase {
    const char* name;
    const char* stored;
    int visible; // eggs 1..visible shown, the rest hidden
};

void PrintTo(const EggCountCase& c, std::ostream* os) { *os << c.name; }

class EggStartupEggCount : public EggWindowTest, public ::testing::WithParamInterface<EggCountCase> {};

TEST_P(EggStartupEggCount, ShowsTheFirstEggs)
{
    setting("金蛋个数", GetParam().stored);
    start();
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(rt_get_bool(egg_button(k), P_VISIBLE), k <= GetParam().visible) << "egg " << k;
}

INSTANTIATE_TEST_SUITE_P(Values, EggStartupEggCount,
                         ::testing::Values(EggCountCase{"Five", "5", 5}, EggCountCase{"FiveSeven", "5.7", 5},
                                           EggCountCase{"One", "1", 1}, EggCountCase{"Nine", "9", 9},
                                           EggCountCase{"Zero", "0", 9}, EggCountCase{"Twelve", "12", 9},
                                           EggCountCase{"Negative", "-3", 9}, EggCountCase{"Text", "many", 9},
                                           EggCountCase{"Huge", "1e30", 9}),
                         [](const ::testing::TestParamInfo<EggCountCase>& p) { return std::string(p.param.name); });

TEST_F(EggStartup, WindowedModeAndItsTicks)
{
    setting("界面大小", "窗口");
    start();
    EXPECT_EQ(get("画板相片", P_WIDTH), rt_get_int(window(), P_WIDTH));
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width() - 20);
    EXPECT_EQ(rt_get_int(window(), P_HEIGHT), rt_screen_height() - 20);
    // Frame and title bar included, the window fits the screen.
    RECT outer;
    ASSERT_TRUE(GetWindowRect(rt_get_window_handle(window()), &outer));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right, rt_screen_width() - 20);
    EXPECT_EQ(outer.bottom, rt_screen_height() - 20);
    EXPECT_EQ(rt_get_int(window(), P_WINDOW_BORDER), 1);
    EXPECT_TRUE(rt_get_bool(unit("窗口"), P_MENU_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("全屏"), P_MENU_CHECKED));
    EXPECT_EQ(read_setting("界面大小"), "窗口");

    // The board and the reveal's stage follow every change of the window's size.
    egg::set_full_screen();
    rt_do_events();
    EXPECT_EQ(read_setting("界面大小"), "全屏");
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width());
    for (const char* name : {"画板相片", "动画框1"}) {
        EXPECT_EQ(get(name, P_WIDTH), rt_get_int(window(), P_WIDTH)) << name;
        EXPECT_EQ(get(name, P_HEIGHT), rt_get_int(window(), P_HEIGHT)) << name;
    }
    egg::set_windowed();
    rt_do_events();
    EXPECT_EQ(get("动画框1", P_WIDTH), rt_screen_width() - 20);
    EXPECT_EQ(get("画板相片", P_HEIGHT), rt_screen_height() - 20);
}

TEST_F(EggStartup, OnlyTheExactWordSelectsWindowed)
{
    // Quoted so that the trailing blank survives the INI reader.
    dir.write("config.a", "[zbt]\r\n\xBD\xE7\xC3\xE6\xB4\xF3\xD0\xA1=\"\xB4\xB0\xBF\xDA \"\r\n");
    ASSERT_EQ(read_setting("界面大小"), "窗口 ");
    start();
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width());
    EXPECT_EQ(read_setting("界面大小"), "全屏");
}

TEST_F(EggStartup, BackgroundPictureFromTheProgramFolder)
{
    start();
    const Bytes snapshot = rt_unit_snapshot(unit("透明标签_主标题"));
    ASSERT_FALSE(snapshot.empty());
    rt_destroy_window(egg::MainWindow);
    rt_do_events();

    ASSERT_TRUE(rt_write_file(dir.file("底图.jpg"), snapshot));
    start();
    EXPECT_EQ(rt_get_bytes(window(), P_WINDOW_PICTURE), snapshot);
}

} // namespace
