// The stage: zoom from the base layout, the round cut, the four faces and
// the other-settings panel.

#include "media/wheel_media.h"
#include "platform/gdi32.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

using WheelStage = WheelWindowTest;

struct Layout {
    const char* typed;
    int32_t side;
    int32_t ring_w, ring_h, slot1_left, slot1_top;
    int32_t label_w, label_h, label_left, label_top, font;
};

constexpr Layout kBase{"", 500, 106, 65, 132, 69, 96, 112, 205, 192, 30};

void expect_layout(const Layout& l)
{
    SCOPED_TRACE(std::string("wheel size \"") + l.typed + "\"");
    auto u = [](const std::string& name) { return rt_unit(wheel::MainWindow, name); };
    for (const char* name : {"外形框1", "图片框_背景"}) {
        EXPECT_EQ(rt_get_int(u(name), P_WIDTH), l.side) << name;
        EXPECT_EQ(rt_get_int(u(name), P_HEIGHT), l.side) << name;
    }
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(rt_get_int(u("图片框" + std::to_string(k)), P_WIDTH), l.ring_w) << k;
        EXPECT_EQ(rt_get_int(u("图片框" + std::to_string(k)), P_HEIGHT), l.ring_h) << k;
    }
    EXPECT_EQ(rt_get_int(u("图片框1"), P_LEFT), l.slot1_left);
    EXPECT_EQ(rt_get_int(u("图片框1"), P_TOP), l.slot1_top);
    for (const char* name : {"透明标签_开始", "透明标签_结束"}) {
        EXPECT_EQ(rt_get_int(u(name), P_WIDTH), l.label_w) << name;
        EXPECT_EQ(rt_get_int(u(name), P_HEIGHT), l.label_h) << name;
        EXPECT_EQ(rt_get_int(u(name), P_LEFT), l.label_left) << name;
        EXPECT_EQ(rt_get_int(u(name), P_TOP), l.label_top) << name;
        EXPECT_EQ(std::get<int32_t>(rt_read_unit_property(u(name), P_LABEL_FONT, 5)), l.font) << name;
    }

    // The cut: the rectangle's inscribed ellipse while the frame is at most
    // 1000 pixels, a square with rounded corners above that.
    const int64_t region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(rt_get_window_handle(u("外形框1")), region), COMPLEXREGION);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.right, l.side + 1);
    EXPECT_EQ(box.bottom, l.side + 1);
    const bool circle = l.side + 1 <= 1000;
    // Inside a rounded square, outside the circle of the same box.
    const int32_t y = l.side * 300 / 1069, x = l.side * 45 / 1069;
    EXPECT_EQ(PtInRegion(region, x, y), !circle);
    EXPECT_TRUE(PtInRegion(region, 0, l.side / 2));
    EXPECT_FALSE(PtInRegion(region, 2, 2));
    DeleteObject(region);
}

// Saving the panel always starts again from the base layout.
TEST_F(WheelStage, SavingZoomsFromTheBaseLayout)
{
    start();
    const std::vector<Layout> table{
        {"0", 500, 106, 65, 132, 69, 96, 112, 205, 192, 30},
        {"1", 550, 116, 71, 145, 75, 105, 123, 225, 211, 33},
        {"2", 605, 127, 78, 159, 82, 115, 135, 247, 232, 36},
        {"3", 665, 139, 85, 174, 90, 126, 148, 271, 255, 39},
        {"4", 731, 152, 93, 191, 99, 138, 162, 298, 280, 42},
        {"4", 731, 152, 93, 191, 99, 138, 162, 298, 280, 42},
        {"6", 884, 183, 112, 231, 118, 166, 195, 359, 338, 50},
        // The bound: no step that would take the frame, at its top of 160,
        // past the screen's bottom (7 steps would end at 160 + 972).
        {"7", 884, 183, 112, 231, 118, 166, 195, 359, 338, 50},
        {"100", 884, 183, 112, 231, 118, 166, 195, 359, 338, 50},
        {"2147483647", 884, 183, 112, 231, 118, 166, 195, 359, 338, 50},
        {"3.9", 665, 139, 85, 174, 90, 126, 148, 271, 255, 39},
        {"-2", 500, 106, 65, 132, 69, 96, 112, 205, 192, 30},
        {"abc", 500, 106, 65, 132, 69, 96, 112, 205, 192, 30},
        {"", 500, 106, 65, 132, 69, 96, 112, 205, 192, 30},
    };
    const int32_t left = get("外形框1", P_LEFT);
    for (const Layout& l : table) {
        type("编辑框_转盘大小", l.typed);
        rt_test_click(unit("按钮_保存"));
        expect_layout(l);
        EXPECT_EQ(read_setting("计次"), l.typed);
        EXPECT_EQ(get("外形框1", P_LEFT), left);
    }
}

// Start-up takes the stored steps while the whole frame stays on the screen
// where it stands, grown right and down from its stored or designed place.
TEST_F(WheelStage, StoredZoomKeepsTheFrameOnTheScreen)
{
    constexpr Layout k2{"", 605, 127, 78, 159, 82, 115, 135, 247, 232, 36};
    constexpr Layout k6{"", 884, 183, 112, 231, 118, 166, 195, 359, 338, 50};
    constexpr Layout k8{"", 1069, 221, 135, 279, 141, 200, 235, 433, 408, 60};
    struct Case {
        const char* what;
        const char* left;
        const char* top;
        const char* steps;
        Layout layout;
    };
    const Case cases[] = {
        {"designed place, 8 asked", "", "", "8", k6},
        {"at the top edge, 9 asked", "", "0", "9", k8},
        {"moved right, 4 asked", "1300", "", "4", k2},
        {"already past the bottom, 3 asked", "", "700", "3", kBase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setting("外形框1左边", c.left);
        setting("外形框1顶边", c.top);
        setting("计次", c.steps);
        start();
        expect_layout(c.layout);
        EXPECT_EQ(text("编辑框_转盘大小"), c.steps);
        if (c.layout.side > kBase.side) {
            EXPECT_LE(get("外形框1", P_LEFT) + get("外形框1", P_WIDTH), 1920);
            EXPECT_LE(get("外形框1", P_TOP) + get("外形框1", P_HEIGHT), 1080);
        }
        rt_destroy_window(wheel::MainWindow);
        rt_do_events();
        wheel::prize_slots.clear();
    }
}

// A face shown on a grown wheel is as sharp as one put on a wheel of that
// size: the picture is decoded again for the larger box.
TEST_F(WheelStage, FaceStaysSharpWhenTheWheelGrows)
{
    start();
    type("编辑框_转盘大小", "4");
    rt_test_click(unit("按钮_保存"));
    rt_do_events();
    const Bytes grown = rt_unit_snapshot(unit("图片框_背景"));
    rt_set(unit("图片框_背景"), P_PICTURE, Bytes{});
    rt_set(unit("图片框_背景"), P_PICTURE, media::wheel_face(1));
    rt_do_events();
    const Bytes fresh = rt_unit_snapshot(unit("图片框_背景"));
    ASSERT_FALSE(fresh.empty());
    EXPECT_TRUE(grown == fresh);
}

TEST_F(WheelStage, StyleItemsTickShowAndStore)
{
    setting("计次", "2");
    start();
    const char* items[] = {"样式一", "样式二", "样式三", "样式四"};
    for (int k : {3, 2, 4, 1, 3}) {
        SCOPED_TRACE(k);
        rt_test_click(unit(items[k - 1]));
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(ticked(items[n - 1]), n == k) << items[n - 1];
        EXPECT_EQ(rt_get_bytes(unit("图片框_背景"), P_PICTURE), media::wheel_face(k));
        EXPECT_EQ(read_setting("样式"), "zp" + std::to_string(k));
        EXPECT_EQ(get("图片框_背景", P_WIDTH), 605);
    }
    for (int k = 1; k <= 4; ++k)
        for (int n = k + 1; n <= 4; ++n)
            EXPECT_NE(media::wheel_face(k), media::wheel_face(n));
}

TEST_F(WheelStage, PanelOpensClosesAndSaves)
{
    setting("滚动速度", "30");
    start();
    setting("一", "1");

    for (int i = 0; i < 2; ++i) {
        rt_test_click(unit("其它设置"));
        EXPECT_TRUE(shown("外形框2"));
        EXPECT_EQ(get("时钟2", P_TIMER_INTERVAL), 0);
    }

    // Dragging moves it for this run only.
    const int32_t left = get("外形框2", P_LEFT), top = get("外形框2", P_TOP);
    rt_test_next_drag(40, 25);
    rt_test_mouse(unit("外形框2"), E_LBUTTON_DOWN, 100, 5);
    EXPECT_EQ(get("外形框2", P_LEFT), left + 40);
    EXPECT_EQ(get("外形框2", P_TOP), top + 25);

    // Closed unsaved: the typed speed acts on the next spin, the file keeps
    // the old one.
    type("编辑框_滚动速度", "80");
    rt_test_mouse(unit("标签8"), E_LBUTTON_DOWN);
    EXPECT_FALSE(shown("外形框2"));
    EXPECT_EQ(get("时钟2", P_TIMER_INTERVAL), 200);
    press_start();
    EXPECT_EQ(get("时钟1", P_TIMER_INTERVAL), 80);
    EXPECT_EQ(read_setting("滚动速度"), "30");
    EXPECT_EQ(text("编辑框_滚动速度"), "80");

    // Saving writes every field as typed and hides the panel.
    rt_test_click(unit("其它设置"));
    type("编辑框_奖品图片宽", "320");
    type("编辑框_奖品图片高", "2.5e2");
    type("编辑框_自动停止", " 7 ");
    rt_set(unit("选择框_禁用特效"), P_CHECKED, true);
    rt_test_click(unit("按钮_保存"));
    EXPECT_FALSE(shown("外形框2"));
    EXPECT_EQ(get("时钟2", P_TIMER_INTERVAL), 200);
    EXPECT_EQ(get("图片框a_结果", P_WIDTH), 320);
    EXPECT_EQ(get("图片框a_结果", P_HEIGHT), 250);
    EXPECT_EQ(read_setting("奖品图片宽"), "320");
    EXPECT_EQ(read_setting("奖品图片高"), "2.5e2");
    EXPECT_EQ(read_setting("滚动速度"), "80");
    EXPECT_EQ(read_setting("自动停止"), "7");
    EXPECT_EQ(read_setting("禁用特效"), "真");
    rt_set(unit("选择框_禁用特效"), P_CHECKED, false);
    rt_test_click(unit("按钮_保存"));
    EXPECT_EQ(read_setting("禁用特效"), "假");
}

} // namespace
