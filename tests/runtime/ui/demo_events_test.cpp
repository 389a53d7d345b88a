// Input reaching the demonstration window's handlers as numbered events.
#include "tests/runtime/ui/demo_window.h"

using namespace demo;

namespace {

class DemoEvents : public DemoTest {
protected:
    void SetUp() override
    {
        DemoTest::SetUp();
        open_main();
        log().clear();
    }
};

TEST_F(DemoEvents, ButtonPressReleaseThenClickInThatOrder)
{
    rt_test_click(unit("按钮_确定"));
    EXPECT_EQ(log(), (std::vector<std::string>{"按钮_确定 -1 50,15 0", "按钮_确定 -2 50,15 0", "click 按钮_确定"}));
}

TEST_F(DemoEvents, DisabledUnitsGetNoEvents)
{
    rt_set(unit("按钮_确定"), P_DISABLED, true);
    rt_test_click(unit("按钮_确定"));
    rt_set(unit("单选框2"), P_DISABLED, true);
    rt_test_click(unit("单选框2"));
    EXPECT_TRUE(log().empty());
    rt_set(unit("按钮_确定"), P_DISABLED, false);
    rt_test_click(unit("按钮_确定"));
    EXPECT_TRUE(logged("click 按钮_确定"));
}

struct MouseCase {
    const char* label;
    int event;
    int32_t keys;
};

class DemoMouse : public DemoEvents, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(DemoMouse, ArgumentsArePixelsInTheUnitAndTheKeyState)
{
    const MouseCase& c = GetParam();
    rt_test_mouse(unit("透明标签1"), c.event, 17, 42, c.keys);
    EXPECT_EQ(log(), (std::vector<std::string>{"透明标签1 " + std::to_string(c.event) + " 17,42 " +
                                               std::to_string(c.keys)}));
}

INSTANTIATE_TEST_SUITE_P(Events, DemoMouse,
                         ::testing::Values(MouseCase{"LeftDownPlain", E_LBUTTON_DOWN, 0},
                                           MouseCase{"LeftDownCtrl", E_LBUTTON_DOWN, KEY_CTRL},
                                           MouseCase{"LeftDownCtrlShift", E_LBUTTON_DOWN, KEY_CTRL | KEY_SHIFT},
                                           MouseCase{"LeftDownAll", E_LBUTTON_DOWN, KEY_CTRL | KEY_SHIFT | KEY_ALT},
                                           MouseCase{"LeftUpAlt", E_LBUTTON_UP, KEY_ALT},
                                           MouseCase{"DoubleClick", E_DOUBLE_CLICK, 0},
                                           MouseCase{"RightDownShift", E_RBUTTON_DOWN, KEY_SHIFT}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(DemoEvents, MouseEventsStayWithTheUnitTheyHit)
{
    // The image button binds no right button: the window must not get it.
    rt_test_mouse(unit("图形按钮1"), E_RBUTTON_DOWN, 3, 3);
    rt_test_mouse(unit("标签1"), E_RBUTTON_DOWN, 3, 3);
    EXPECT_TRUE(log().empty());
    rt_test_mouse(rt_window(MainWindow), E_RBUTTON_DOWN, 630, 5, KEY_CTRL);
    EXPECT_EQ(log(), (std::vector<std::string>{"window -4 630,5 1"}));
}

TEST_F(DemoEvents, ImageButtonAndCheckBoxClicks)
{
    rt_test_click(unit("图形按钮1"));
    rt_test_click(unit("选择框1"));
    EXPECT_EQ(log(), (std::vector<std::string>{"click 图形按钮1", "click 选择框1"}));
    EXPECT_TRUE(rt_get_bool(unit("选择框1"), P_CHECKED));
    rt_test_click(unit("选择框1"));
    EXPECT_FALSE(rt_get_bool(unit("选择框1"), P_CHECKED));
}

TEST_F(DemoEvents, RadioClickTicksItselfAndUnticksSiblingsOfTheSameParentOnly)
{
    rt_test_click(unit("单选框2"));
    EXPECT_TRUE(rt_get_bool(unit("单选框2"), P_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("单选框1"), P_CHECKED));
    EXPECT_TRUE(rt_get_bool(unit("单选框3"), P_CHECKED));  // another parent
    // A second click leaves it ticked; the handler still runs.
    rt_test_click(unit("单选框2"));
    EXPECT_TRUE(rt_get_bool(unit("单选框2"), P_CHECKED));
    EXPECT_EQ(log(), (std::vector<std::string>{"click 单选框2", "click 单选框2"}));
    // Handlers may tick several: nothing unticks the others behind them.
    rt_set(unit("单选框1"), P_CHECKED, true);
    EXPECT_TRUE(rt_get_bool(unit("单选框2"), P_CHECKED));
}

TEST_F(DemoEvents, TimerTicksWhileItsIntervalIsAboveZero)
{
    const UnitRef timer = unit("时钟1");
    rt_delay(60);
    EXPECT_EQ(state().ticks, 0);
    rt_set(timer, P_TIMER_INTERVAL, 10);
    rt_delay(150);
    const int ticks = state().ticks;
    EXPECT_GE(ticks, 3);
    rt_set(timer, P_TIMER_INTERVAL, 0);
    rt_delay(60);
    EXPECT_EQ(state().ticks, ticks);
}

TEST_F(DemoEvents, SizeChangedOnceForEachRealChange)
{
    const UnitRef w = rt_window(MainWindow);
    rt_set(w, P_WIDTH, 800);
    EXPECT_EQ(log(), (std::vector<std::string>{"size"}));
    rt_set(w, P_WIDTH, 800);
    rt_set(w, P_LEFT, 3);
    rt_do_events();
    EXPECT_EQ(log().size(), 1u);
    rt_set(w, P_HEIGHT, 500);
    rt_do_events();
    EXPECT_EQ(log().size(), 2u);
}

TEST_F(DemoEvents, PopupChoiceRaisesTheItemsClickAfterTheMenuClosed)
{
    rt_test_next_menu_choice("丙");
    rt_test_mouse(unit("画板1"), E_RBUTTON_DOWN, 5, 5);
    EXPECT_EQ(log(), (std::vector<std::string>{"menu 丙", "popup returned"}));
    // Hidden items are not offered; the sub-menu's item is.
    EXPECT_EQ(rt_last_popup_items(), (std::vector<std::string>{"甲", "乙", "子菜单", "丙", "丁"}));
}

TEST_F(DemoEvents, PopupDismissedOrGreyedChoiceRaisesNothing)
{
    rt_test_next_menu_choice("");
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    rt_test_next_menu_choice("丁");
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    rt_set(unit("甲"), P_VISIBLE, false);
    rt_test_next_menu_choice("甲");
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(rt_last_popup_items(), (std::vector<std::string>{"乙", "子菜单", "丙", "丁"}));
}

TEST_F(DemoEvents, MoveLoopLeavesTheUnitWhereTheDragEnded)
{
    rt_test_next_drag(-30, 45);
    rt_test_mouse(unit("外形框1"), E_LBUTTON_DOWN, 10, 10);
    EXPECT_EQ(log(), (std::vector<std::string>{"dropped at 430,225"}));
    // A drag the backend was not told about leaves the unit where it was.
    rt_test_mouse(unit("外形框1"), E_LBUTTON_DOWN, 10, 10);
    EXPECT_EQ(log().back(), "dropped at 430,225");
    // Other messages do nothing.
    EXPECT_EQ(rt_send_message(unit("外形框1"), 16, 0, 0), 0);
    EXPECT_EQ(rt_get_int(unit("外形框1"), P_LEFT), 430);
}

// Menus and move loops ask whatever backend is installed; what one backend
// was told to answer stays with it.
class FixedAnswers : public DialogBackend {
public:
    std::vector<std::string> offered;
    int drags = 0;
    int32_t message_box(const std::string&, int32_t, const std::string&) override { return 0; }
    bool input_box(const std::string&, const std::string&, const std::string&, int, std::string&) override
    {
        return false;
    }
    bool open_file(const std::string&, std::string&) override { return false; }
    bool choose_font(FontChoice&) override { return false; }
    std::string popup_menu(const std::vector<std::string>& items) override
    {
        offered = items;
        return "丙";
    }
    DragOffset drag() override
    {
        ++drags;
        return {7, -3};
    }
};

TEST_F(DemoEvents, MenusAndMoveLoopsAskTheInstalledBackend)
{
    dialogs.menu_choices.push_back("甲");
    dialogs.drags.push_back({100, 100});
    FixedAnswers other;
    rt_set_dialog_backend(&other);
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    EXPECT_EQ(log(), (std::vector<std::string>{"menu 丙"}));
    EXPECT_EQ(other.offered, (std::vector<std::string>{"甲", "乙", "子菜单", "丙", "丁"}));
    rt_test_mouse(unit("外形框1"), E_LBUTTON_DOWN, 10, 10);
    EXPECT_EQ(other.drags, 1);
    EXPECT_EQ(log().back(), "dropped at 467,177");

    rt_set_dialog_backend(&dialogs);
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    EXPECT_EQ(log().back(), "menu 甲");
    EXPECT_EQ(dialogs.last_popup_items, other.offered);
    rt_test_mouse(unit("外形框1"), E_LBUTTON_DOWN, 10, 10);
    EXPECT_EQ(log().back(), "dropped at 567,277");
    EXPECT_TRUE(dialogs.menu_choices.empty());
    EXPECT_TRUE(dialogs.drags.empty());
}

TEST_F(DemoEvents, HiddenButtonWithTheFocusTakesItsKeys)
{
    const UnitRef b = unit("按钮_确定");
    rt_set(b, P_VISIBLE, false);
    rt_set_focus(b);
    rt_test_key(b, 0x20);
    rt_test_key(b, 0x0D);
    rt_test_key(b, 'A');
    EXPECT_EQ(log(), (std::vector<std::string>{"click 按钮_确定", "click 按钮_确定"}));
}

TEST_F(DemoEvents, EditBoxTakesTypedKeys)
{
    const UnitRef e = unit("编辑框1");
    rt_set(e, P_TEXT, std::string());
    rt_set_focus(e);
    rt_test_key(e, 'Q');
    rt_test_key(e, '7');
    EXPECT_EQ(rt_get_text(e, P_TEXT), "q7");
}

TEST_F(DemoEvents, ZOrderAndFocusCommandsAcceptEveryCode)
{
    for (int code : {0, 1, 2, 3, 4, 9}) {
        rt_set_z_order(unit("外形框1"), code);
        rt_set_z_order(rt_window(MainWindow), code);
    }
    EXPECT_TRUE(rt_is_loaded(MainWindow));
    EXPECT_EQ(rt_get_int(rt_window(MainWindow), P_LEFT), 40);
    EXPECT_TRUE(rt_get_bool(rt_window(MainWindow), P_VISIBLE));
}

} // namespace
