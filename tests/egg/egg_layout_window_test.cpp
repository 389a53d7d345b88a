// The egg layout window: a marker on every visible egg; dropping a marker
// moves its egg and stores the place at once.

#include "media/egg_media.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

class EggLayoutTest : public EggWindowTest {
protected:
    static UnitRef marker(int k) { return rt_unit(egg::EggLayoutWindow, "图片框" + std::to_string(k)); }
    static void press(UnitRef u) { rt_test_mouse(u, E_LBUTTON_DOWN, 10, 10); }
    static void done() { press(rt_unit(egg::EggLayoutWindow, "透明标签1")); }

    // Opens the window as the menu does; the last step presses "设置完毕",
    // which must close it.
    static void in_window(std::vector<ModalSteps::Step> steps)
    {
        steps.push_back(done);
        EXPECT_FALSE(ModalSteps::run(egg::open_egg_layout_window, std::move(steps))) << "设置完毕 did not close";
        EXPECT_FALSE(rt_is_loaded(egg::EggLayoutWindow));
    }

    static int32_t get(UnitRef u, int property) { return rt_get_int(u, property); }
};

TEST_F(EggLayoutTest, MarkersLieOnTheVisibleEggs)
{
    setting("金蛋个数", "5");
    setting("d3左边", "400"); // no top key: the egg goes to top 0
    start();
    rt_set(window(), P_LEFT, int32_t{7});
    rt_set(window(), P_TOP, int32_t{9});
    in_window({[&] {
        const UnitRef sheet = rt_window(egg::EggLayoutWindow);
        for (int p : {P_LEFT, P_TOP, P_WIDTH, P_HEIGHT})
            EXPECT_EQ(get(sheet, p), get(window(), p)) << "property " << p;
        EXPECT_EQ(rt_get_text(rt_unit(egg::EggLayoutWindow, "透明标签1"), P_TEXT), "设置完毕");
        for (int k = 1; k <= 9; ++k) {
            SCOPED_TRACE("egg " + std::to_string(k));
            EXPECT_EQ(get(marker(k), P_LEFT), get(egg_button(k), P_LEFT));
            EXPECT_EQ(get(marker(k), P_TOP), get(egg_button(k), P_TOP));
            EXPECT_EQ(get(marker(k), P_WIDTH), 200);
            EXPECT_EQ(get(marker(k), P_HEIGHT), 188);
            EXPECT_EQ(rt_get_bool(marker(k), P_VISIBLE), k <= 5);
            EXPECT_EQ(rt_get_bytes(marker(k), P_PICTURE), media::egg_picture(k));
        }
        EXPECT_EQ(get(marker(3), P_LEFT), 400);
        EXPECT_EQ(get(marker(3), P_TOP), 0);
    }});
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(EggLayoutTest, DroppedMarkerMovesItsEggAndStoresAtOnce)
{
    start();
    const int32_t left2 = get(egg_button(2), P_LEFT), top2 = get(egg_button(2), P_TOP);
    std::string stored_left, stored_top;
    int32_t egg1_left = 0, egg1_top = 0;
    in_window({
        [&] {
            rt_test_next_drag(30, -20);
            press(marker(2));
            EXPECT_EQ(get(marker(2), P_LEFT), left2 + 30);
            EXPECT_EQ(get(egg_button(2), P_LEFT), left2 + 30);
            EXPECT_EQ(get(egg_button(2), P_TOP), top2 - 20);
            // Stored before the window closes.
            stored_left = read_setting("d2左边");
            stored_top = read_setting("d2顶边");
        },
        [&] {
            // Partly beyond the window's left and top edges.
            rt_test_next_drag(-200, -300);
            press(marker(1));
            egg1_left = get(egg_button(1), P_LEFT);
            egg1_top = get(egg_button(1), P_TOP);
        },
    });
    EXPECT_EQ(stored_left, std::to_string(left2 + 30));
    EXPECT_EQ(stored_top, std::to_string(top2 - 20));
    EXPECT_EQ(egg1_left, 152 - 200);
    EXPECT_EQ(egg1_top, 288 - 300);
    EXPECT_EQ(read_setting("d1左边"), "-48");
    EXPECT_EQ(read_setting("d1顶边"), "-12");
    for (int k = 3; k <= 9; ++k)
        EXPECT_EQ(read_setting("d" + std::to_string(k) + "左边"), "") << "egg " << k;

    // The next start puts the eggs where they were dropped.
    rt_destroy_window(egg::MainWindow);
    rt_do_events();
    start();
    EXPECT_EQ(get(egg_button(1), P_LEFT), -48);
    EXPECT_EQ(get(egg_button(1), P_TOP), -12);
    EXPECT_EQ(get(egg_button(2), P_LEFT), left2 + 30);
    EXPECT_EQ(get(egg_button(2), P_TOP), top2 - 20);
}

TEST_F(EggLayoutTest, ClickWithoutMovingWritesTheSamePlace)
{
    setting("金蛋个数", "3");
    start();
    in_window({[&] {
        rt_test_next_drag(0, 0);
        press(marker(3));
    }});
    EXPECT_EQ(read_setting("d3左边"), "566");
    EXPECT_EQ(read_setting("d3顶边"), "184");
    EXPECT_EQ(get(egg_button(3), P_LEFT), 566);
    // Hidden eggs keep their places and keys.
    EXPECT_FALSE(rt_get_bool(egg_button(4), P_VISIBLE));
    EXPECT_EQ(get(egg_button(4), P_LEFT), 730);
    EXPECT_EQ(read_setting("d4左边"), "");
}

TEST_F(EggLayoutTest, ClosingRightAwayChangesNothing)
{
    setting("d5左边", "10");
    setting("d5顶边", "20");
    start();
    const std::string before = dir.read("config.a");
    in_window({});
    EXPECT_EQ(dir.read("config.a"), before);
    EXPECT_EQ(get(egg_button(5), P_LEFT), 10);
    EXPECT_EQ(get(egg_button(5), P_TOP), 20);
}

} // namespace
