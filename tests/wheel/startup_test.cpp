// Start-up of the wheel's main window: what it restores from the settings
// file and how it lays the stage out.

#include <filesystem>
#include <functional>
#include <sstream>

#include "media/wheel_media.h"
#include "platform/gdi32.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

using WheelStartup = WheelWindowTest;

// The frame's round cut, as the platform reports it: inside at the rim's
// four extremes, outside in the corners.
void expect_round(int32_t side)
{
    const int64_t frame = rt_get_window_handle(rt_unit(wheel::MainWindow, "外形框1"));
    const int64_t region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(frame, region), COMPLEXREGION);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, side + 1);
    EXPECT_EQ(box.bottom, side + 1);
    const int32_t mid = side / 2;
    for (auto [x, y] : {std::pair{mid, 0}, {mid, side - 1}, {0, mid}, {side - 1, mid}, {mid, mid}})
        EXPECT_TRUE(PtInRegion(region, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{3, 3}, {side - 4, 3}, {3, side - 4}, {side - 4, side - 4}})
        EXPECT_FALSE(PtInRegion(region, x, y)) << x << "," << y;
    DeleteObject(region);
}

TEST_F(WheelStartup, FirstRunWithoutSettingsFile)
{
    start();

    // Only the window mode is written back; the picture folder exists.
    EXPECT_EQ(read_setting("界面大小"), "全屏");
    std::istringstream file(dir.read("config.a"));
    int items = 0;
    for (std::string line; std::getline(file, line);)
        items += line.find('=') != std::string::npos;
    EXPECT_EQ(items, 1);
    EXPECT_TRUE(rt_file_exists(dir.file("奖品图片")));
    EXPECT_FALSE(rt_file_exists(dir.file("jieguo.a")));

    EXPECT_EQ(rt_get_int(window(), P_LEFT), 0);
    EXPECT_EQ(rt_get_int(window(), P_TOP), 0);
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), 1920);
    EXPECT_EQ(rt_get_int(window(), P_HEIGHT), 1080);
    EXPECT_EQ(rt_get_int(window(), P_WINDOW_BORDER), 0);
    EXPECT_EQ(rt_get_text(window(), P_TEXT), "Orvana转盘抽奖软件" + std::string(24, ' '));

    // The wheel centred across the screen at its designed top, face 1, round.
    EXPECT_EQ(get("外形框1", P_LEFT), 710);
    EXPECT_EQ(get("外形框1", P_TOP), 160);
    EXPECT_EQ(get("外形框1", P_WIDTH), 500);
    EXPECT_EQ(rt_get_bytes(unit("图片框_背景"), P_PICTURE), media::wheel_face(1));
    EXPECT_TRUE(ticked("样式一"));
    for (const char* item : {"样式二", "样式三", "样式四"})
        EXPECT_FALSE(ticked(item)) << item;
    expect_round(500);

    EXPECT_TRUE(ticked("启用背景音乐"));
    EXPECT_FALSE(ticked("禁用背景音乐"));
    EXPECT_TRUE(ticked("全屏"));
    EXPECT_EQ(text("编辑框_自动停止"), "0");
    EXPECT_EQ(text("编辑框_滚动速度"), "30");
    EXPECT_EQ(text("编辑框_转盘大小"), "0");
    EXPECT_EQ(text("编辑框_奖品图片宽"), "200");
    EXPECT_EQ(text("编辑框_奖品图片高"), "160");
    EXPECT_EQ(get("图片框a_结果", P_WIDTH), 200);
    EXPECT_EQ(get("图片框a_结果", P_HEIGHT), 160);
    EXPECT_FALSE(rt_get_bool(unit("选择框_禁用特效"), P_CHECKED));
    EXPECT_EQ(get("通用对话框_字体设置", P_DIALOG_KIND), 2);

    const PrizeCounts defaults{0, 1, 2, 4, 8, 10, 15, 20, 50};
    EXPECT_EQ(prize_counts, defaults);
    ASSERT_EQ(wheel::prize_slots.size(), 8u);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(wheel::prize_slots[static_cast<size_t>(k - 1)], slot(k));
        EXPECT_TRUE(rt_get_bytes(slot(k), P_PICTURE).empty());
    }

    // Titles as designed, stretched over the window and centred.
    for (const char* name : {"透明标签_主标题", "透明标签_副标题"}) {
        EXPECT_EQ(get(name, P_WIDTH), 1920) << name;
        EXPECT_EQ(get(name, P_LABEL_ALIGN), 1) << name;
    }
    EXPECT_EQ(text("透明标签_主标题"), "某某大卖场购物有奖活动");
    EXPECT_EQ(text("透明标签_副标题"), "--- 现场抽奖仪式 ---");

    // Idle: the start label, no timer but the focus timer, nothing armed.
    EXPECT_TRUE(shown("透明标签_开始"));
    for (const char* name : {"透明标签_结束", "图片框a_结果", "外形框2", "标签_zd", "透明标签_zd", "按钮1"})
        EXPECT_FALSE(shown(name)) << name;
    EXPECT_EQ(caption(), "开始");
    EXPECT_EQ(get("时钟1", P_TIMER_INTERVAL), 0);
    EXPECT_EQ(get("时钟2", P_TIMER_INTERVAL), 200);
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 0);
    EXPECT_EQ(std::get<int32_t>(rt_read_unit_property(unit("透明标签_开始"), P_LABEL_FONT, 5)), 30);
}

// One row per rule of the start-up: what is stored, and what the stage shows.
struct Stored {
    const char* name;
    std::vector<std::pair<std::string, std::string>> zbt;
    std::function<void(WheelWindowTest&)> check;
};

void PrintTo(const Stored& s, std::ostream* os) { *os << s.name; }

class WheelStoredSettings : public WheelWindowTest, public ::testing::WithParamInterface<Stored> {};

TEST_P(WheelStoredSettings, StartUpShowsThem)
{
    for (const auto& [key, value] : GetParam().zbt)
        setting(key, value);
    start();
    GetParam().check(*this);
}

using W = WheelWindowTest;
const Bytes& face(int k) { return media::wheel_face(k); }
Bytes face_shown() { return rt_get_bytes(rt_unit(wheel::MainWindow, "图片框_背景"), P_PICTURE); }
std::vector<bool> style_ticks()
{
    std::vector<bool> out;
    for (const char* item : {"样式一", "样式二", "样式三", "样式四"})
        out.push_back(rt_get_bool(rt_unit(wheel::MainWindow, item), P_MENU_CHECKED));
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WheelStoredSettings,
    ::testing::Values(
        Stored{"StyleThree", {{"样式", "zp3"}},
               [](W&) {
                   EXPECT_EQ(face_shown(), face(3));
                   EXPECT_EQ(style_ticks(), (std::vector<bool>{false, false, true, false}));
               }},
        Stored{"StyleUnknown", {{"样式", "zp5"}},
               [](W&) {
                   EXPECT_EQ(face_shown(), face(1));
                   EXPECT_EQ(style_ticks(), (std::vector<bool>{true, false, false, false}));
               }},
        Stored{"StyleWithBlank", {{"样式", "zp2 x"}}, [](W&) { EXPECT_EQ(face_shown(), face(1)); }},
        Stored{"DefaultsWhenFirstValueEmpty", {{"二", "9"}, {"八", "3"}},
               [](W&) { EXPECT_EQ(prize_counts, (PrizeCounts{0, 1, 2, 4, 8, 10, 15, 20, 50})); }},
        Stored{"OwnValuesOnceFirstIsSet", {{"一", "5"}, {"二", "2.9"}, {"四", "abc"}, {"八", "-3"}},
               [](W&) { EXPECT_EQ(prize_counts, (PrizeCounts{0, 5, 2, 0, 0, 0, 0, 0, -3})); }},
        Stored{"AutoStopZero", {{"自动停止", "0"}}, [](W& w) { EXPECT_EQ(w.text("编辑框_自动停止"), "0"); }},
        Stored{"AutoStopTwelve", {{"自动停止", "12"}}, [](W& w) { EXPECT_EQ(w.text("编辑框_自动停止"), "12"); }},
        Stored{"SpeedAsTyped", {{"滚动速度", "80ms"}}, [](W& w) { EXPECT_EQ(w.text("编辑框_滚动速度"), "80ms"); }},
        Stored{"MusicOff", {{"背景音乐", "假"}},
               [](W& w) {
                   EXPECT_FALSE(w.ticked("启用背景音乐"));
                   EXPECT_TRUE(w.ticked("禁用背景音乐"));
               }},
        Stored{"MusicOtherText", {{"背景音乐", "否"}, {"禁用特效", "是"}},
               [](W& w) {
                   EXPECT_TRUE(w.ticked("启用背景音乐"));
                   EXPECT_FALSE(rt_get_bool(w.unit("选择框_禁用特效"), P_CHECKED));
               }},
        Stored{"EffectsOff", {{"禁用特效", "真"}},
               [](W& w) { EXPECT_TRUE(rt_get_bool(w.unit("选择框_禁用特效"), P_CHECKED)); }},
        Stored{"ResultBoxSize", {{"奖品图片宽", "abc"}, {"奖品图片高", "240.7"}},
               [](W& w) {
                   EXPECT_EQ(w.get("图片框a_结果", P_WIDTH), 0);
                   EXPECT_EQ(w.text("编辑框_奖品图片宽"), "0");
                   EXPECT_EQ(w.get("图片框a_结果", P_HEIGHT), 240);
                   EXPECT_EQ(w.text("编辑框_奖品图片高"), "240");
               }},
        Stored{"TwoZoomSteps", {{"计次", "2"}},
               [](W& w) {
                   EXPECT_EQ(w.get("外形框1", P_WIDTH), 605);
                   EXPECT_EQ(w.get("图片框_背景", P_HEIGHT), 605);
                   EXPECT_EQ(w.get("外形框1", P_LEFT), 710); // where the 500-pixel frame was centred
                   EXPECT_EQ(w.text("编辑框_转盘大小"), "2");
                   expect_round(605);
               }},
        Stored{"StoredPlaces",
               {{"外形框1左边", "30"}, {"外形框1顶边", "-20"}, {"主标题左边", "5"}, {"副标题顶边", "300"},
                {"中奖图片左边", "1500"}, {"中奖图片顶边", "700.9"}, {"计次", "1"}},
               [](W& w) {
                   EXPECT_EQ(w.get("外形框1", P_LEFT), 30);
                   EXPECT_EQ(w.get("外形框1", P_TOP), -20);
                   EXPECT_EQ(w.get("外形框1", P_WIDTH), 550);
                   EXPECT_EQ(w.get("透明标签_主标题", P_LEFT), 5);
                   EXPECT_EQ(w.get("透明标签_主标题", P_TOP), 15);
                   EXPECT_EQ(w.get("透明标签_副标题", P_TOP), 300);
                   EXPECT_EQ(w.get("图片框a_结果", P_LEFT), 1500);
                   EXPECT_EQ(w.get("图片框a_结果", P_TOP), 700);
               }},
        Stored{"TitlesAndWindowed", {{"主标题", "新春大抽奖"}, {"副标题", ""}, {"界面大小", "窗口"}},
               [](W& w) {
                   EXPECT_EQ(w.text("透明标签_主标题"), "新春大抽奖");
                   EXPECT_EQ(w.text("透明标签_副标题"), "--- 现场抽奖仪式 ---");
                   EXPECT_EQ(rt_get_int(w.window(), P_WINDOW_BORDER), 1);
                   EXPECT_EQ(rt_get_int(w.window(), P_WIDTH), 1900);
                   EXPECT_TRUE(w.ticked("窗口"));
                   EXPECT_EQ(w.read_setting("界面大小"), "窗口");
               }}),
    [](const ::testing::TestParamInfo<Stored>& p) { return std::string(p.param.name); });

TEST_F(WheelStartup, TitleFontsFollowTheirColourKey)
{
    setting("主标题字体", "隶书", "yanse");
    setting("主标题字体大小", "48", "yanse");
    setting("主标题字体颜色", "255", "yanse");
    setting("副标题字体", "隶书", "yanse"); // no colour: the subtitle keeps its design
    setting("副标题字体大小", "70", "yanse");
    start();
    const FontValue main_font = rt_get_font(unit("透明标签_主标题"), P_LABEL_FONT);
    EXPECT_EQ(main_font.face, "隶书");
    EXPECT_EQ(main_font.size_pt, 48);
    EXPECT_EQ(get("透明标签_主标题", P_LABEL_COLOR), 255);
    EXPECT_EQ(get("透明标签_主标题", P_HEIGHT), 110);
    const FontValue sub_font = rt_get_font(unit("透明标签_副标题"), P_LABEL_FONT);
    EXPECT_EQ(sub_font.face, "宋体");
    EXPECT_EQ(sub_font.size_pt, 30);
    EXPECT_EQ(get("透明标签_副标题", P_LABEL_COLOR), 0x0000FFFF);
}

TEST_F(WheelStartup, RingAndBackgroundFromTheProgramFolder)
{
    put_pictures();
    dir.write("奖品图片/5.jpg", ""); // empty file: no picture
    std::filesystem::remove(dir.file("奖品图片/7.jpg"));
    put_file("底图.jpg", media::panel_icon());
    start();
    for (int k : {1, 2, 3, 4, 6, 8})
        EXPECT_EQ(rt_get_bytes(slot(k), P_PICTURE), picture(k)) << k;
    EXPECT_TRUE(rt_get_bytes(slot(5), P_PICTURE).empty());
    EXPECT_TRUE(rt_get_bytes(slot(7), P_PICTURE).empty());
    EXPECT_EQ(rt_get_bytes(window(), P_WINDOW_PICTURE), media::panel_icon());
}

} // namespace
