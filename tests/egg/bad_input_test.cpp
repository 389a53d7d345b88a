// Damaged settings, pictures and sounds: the stage still starts and a draw
// still completes, with nothing lost.

#include "common/draw.h"
#include "media/egg_media.h"
#include "runtime/convert.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

const char* const kStartupKeys[] = {
    "一", "二", "三", "四", "五", "六", "七", "八", "金蛋个数", "主标题左边", "主标题顶边", "副标题左边",
    "副标题顶边", "主标题", "副标题", "界面大小", "lx", "禁用背景音乐",
};
const char* const kFontKeys[] = {"主标题字体", "主标题字体大小", "主标题字体颜色",
                                 "副标题字体", "副标题字体大小", "副标题字体颜色"};

struct BadValue {
    const char* name;
    const char* text;
    int visible_eggs;
    bool draws; // the pool holds tickets: one win is counted; else the empty-pool message
};

void PrintTo(const BadValue& v, std::ostream* os) { *os << v.name; }

using EggBadFiles = EggWindowTest;

class EggBadSettings : public EggWindowTest, public ::testing::WithParamInterface<BadValue> {};

TEST_P(EggBadSettings, EveryKeyHoldingTheSameValue)
{
    const BadValue& bad = GetParam();
    for (const char* key : kStartupKeys)
        setting(key, bad.text);
    for (const char* key : kFontKeys)
        setting(key, bad.text, "yanse");
    for (int k = 1; k <= 9; ++k) {
        setting("d" + std::to_string(k) + "左边", bad.text);
        setting("d" + std::to_string(k) + "顶边", bad.text);
    }
    start();

    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width());
    EXPECT_EQ(read_setting("界面大小"), "全屏");
    int visible = 0;
    for (int k = 1; k <= 9; ++k)
        visible += rt_get_bool(egg_button(k), P_VISIBLE) ? 1 : 0;
    EXPECT_EQ(visible, bad.visible_eggs);
    EXPECT_EQ(get("画板相片", P_WIDTH), rt_screen_width());

    // Every key holds the value, 一..八 and lx too: quantity mode with that
    // count for each grade.
    no_effects();
    rt_test_click(egg_button(1));
    int wins = 0, grades_won = 0;
    for (int n = 1; n <= 8; ++n) {
        const std::string tally = read_result("j" + std::to_string(n));
        wins += static_cast<int>(rt_to_number(tally));
        grades_won += tally.empty() ? 0 : 1;
    }
    if (bad.draws) {
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(wins, 1);
        EXPECT_EQ(grades_won, 1);
        EXPECT_TRUE(shown("画板相片"));
    } else {
        EXPECT_EQ(wins, 0);
        EXPECT_EQ(grades_won, 0);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].title, "砸金蛋抽奖信息提示");
        EXPECT_FALSE(shown("画板相片"));
    }
    EXPECT_EQ(rt_get_bytes(egg_button(1), P_PICTURE), media::egg_picture(1));
}

INSTANTIATE_TEST_SUITE_P(Values, EggBadSettings,
                         // 1e30 has no 64-bit integer part: its low 32 bits are 0.
                         ::testing::Values(BadValue{"Empty", "", 9, false}, BadValue{"Text", "abc", 9, false},
                                           BadValue{"Negative", "-5", 9, false},
                                           BadValue{"Huge", "1e30", 9, false},
                                           BadValue{"HugeNegative", "-1e30", 9, false},
                                           BadValue{"Fraction", "2.5", 2, true},
                                           // Eight grades of 2147483647: the sum passes 32 bits.
                                           BadValue{"Int32Max", "2147483647", 9, true},
                                           BadValue{"PastInt32", "4294967298", 9, true}),
                         [](const ::testing::TestParamInfo<BadValue>& p) { return std::string(p.param.name); });

TEST_F(EggBadFiles, GarbageSettingsFileStartsAsFirstRun)
{
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    dir.write("config.a", garbage);
    start();
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), rt_screen_width());
    EXPECT_EQ(read_setting("界面大小"), "全屏");
    for (int k = 1; k <= 9; ++k)
        EXPECT_TRUE(rt_get_bool(egg_button(k), P_VISIBLE));
}

// Pictures that are not what their names say: a window without a background,
// a board without a picture, and a draw that still counts.
TEST_F(EggBadFiles, DamagedPicturesAreEmptyPictures)
{
    const std::string truncated_jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xDB", 22);
    const std::string not_a_picture = "this is no picture at all";
    dir.write("底图.jpg", truncated_jpeg);
    dir.write("奖品图片/1.jpg", not_a_picture);
    dir.write("奖品图片/2.jpg", truncated_jpeg);
    dir.write("奖品图片/3.jpg", "");
    setting("禁用特效", "真");
    setting("一", "1");
    setting("二", "1");
    setting("三", "1");
    setting("四", "1"); // 4.jpg is missing
    start();
    for (int draw = 1; draw <= 4; ++draw) {
        rt_test_click(egg_button(draw));
        EXPECT_TRUE(shown("画板相片"));
        EXPECT_TRUE(shown("透明标签_关闭"));
    }
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(read_result("j" + std::to_string(n)), "1") << n;
    EXPECT_TRUE(dialogs.shown.empty());
}

// Sounds that are missing or not sound at all: the draw is complete and the
// player gets through its list.
TEST_F(EggBadFiles, MissingAndDamagedSoundsDoNotStopTheDraw)
{
    setting("禁用特效", "真");
    setting("一", "3");
    start();
    rt_test_click(egg_button(1)); // no wav folder at all
    dir.write("wav/zaxia.mp3", std::string(4096, '\xFF'));
    dir.write("wav/1.mp3", "ID3\x04\x00\x00\x00\x00\x00\x10 broken tag");
    rt_test_click(egg_button(1));
    wait_for_music_end();
    EXPECT_FALSE(rt_music_playing());
    EXPECT_EQ(read_result("j1"), "2");
}

} // namespace
