// The wheel's commands as the operator reaches them: the right-button menu,
// the titles, moving things with the mouse, background picture and music,
// window modes, help, about, exit and the ring's prize pictures.

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "tests/wheel/wheel_window_fixture.h"

namespace {

const std::vector<std::string> kSettingsMenu{
    "奖项设置",   "其它设置",   "主标题",     "副标题",     "中奖结果",     "转盘样式",     "样式一",
    "样式二",     "样式三",     "样式四",     "字体颜色设置", "主标题字体",   "副标题字体",   "背景图控制",
    "更换背景图", "取消背景图", "背景音乐控制", "更换背景音乐", "启用背景音乐", "禁用背景音乐", "界面大小",
    "全屏",       "窗口",       "帮助",       "关于",       "退出"};

// A picture of one colour, as a JPEG file holds it.
Bytes jpeg_of(QColor colour, int w = 64, int h = 48)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG", 95);
    return Bytes(data.begin(), data.end());
}

class WheelCommands : public WheelWindowTest {
public:
    void SetUp() override
    {
        WheelWindowTest::SetUp();
        if (IsSkipped())
            return;
        start();
    }

    static QImage stage_shot() { return QImage::fromData(rt_unit_snapshot(window())); }
    // Pixels of the titles' yellow inside the rectangle of the stage.
    static int yellow_in(const QImage& shot, QRect r)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                n += c.red() > 200 && c.green() > 200 && c.blue() < 90;
            }
        return n;
    }
};

TEST_F(WheelCommands, RightButtonOpensTheMenuOnEveryBoundUnit)
{
    // Units hidden at start-up get the press once they show.
    for (const char* name : {"图片框a_结果", "标签_zd", "透明标签_结束", "外形框2"})
        rt_set(unit(name), P_VISIBLE, true);
    const std::vector<std::string> bound{"图片框1", "图片框2", "图片框3", "图片框4", "图片框5", "图片框6",
                                         "图片框7", "图片框8", "图片框_背景", "图片框a_结果", "外形框1",
                                         "透明标签_主标题", "透明标签_副标题", "透明标签_开始", "透明标签_结束",
                                         "标签_zd", "标签2"};
    for (const std::string& name : bound) {
        dialogs.last_popup_items.clear();
        rt_test_next_menu_choice("");
        rt_test_mouse(unit(name), E_RBUTTON_DOWN, 3, 3);
        EXPECT_EQ(rt_last_popup_items(), kSettingsMenu) << name;
    }
    dialogs.last_popup_items.clear();
    rt_test_next_menu_choice("");
    rt_test_mouse(window(), E_RBUTTON_DOWN, 5, rt_screen_height() - 5);
    EXPECT_EQ(rt_last_popup_items(), kSettingsMenu) << "the window itself";

    // The panel's fields bind no right button.
    dialogs.last_popup_items.clear();
    rt_test_mouse(unit("编辑框_滚动速度"), E_RBUTTON_DOWN, 3, 3);
    EXPECT_TRUE(rt_last_popup_items().empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

// The two titles: the wheel's menu reaches the same commands as the egg's.
struct Twin {
    const char* name;
    const char* label;
    const char* text_item;
    const char* font_item;
    const char* offered;
    const char* face_key;
    const char* size_key;
    const char* color_key;
};

void PrintTo(const Twin& t, std::ostream* os) { *os << t.name; }

class WheelTitles : public WheelCommands, public ::testing::WithParamInterface<Twin> {};

TEST_P(WheelTitles, TextAndFontFromTheMenu)
{
    const Twin& t = GetParam();
    const UnitRef label = unit(t.label);
    const std::string designed = rt_get_text(label, P_TEXT);
    dialogs.input_answers = {std::nullopt, std::string("周年庆典")};
    choose(t.text_item);
    EXPECT_EQ(rt_get_text(label, P_TEXT), designed);
    choose(t.text_item);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].initial, t.offered);
    EXPECT_EQ(rt_get_text(label, P_TEXT), "周年庆典");
    EXPECT_EQ(read_setting(t.text_item), "周年庆典");

    dialogs.font_answers.push_back(FontChoice{0x0000FF00, true, false, false, false, "黑体", 36});
    choose(t.font_item);
    EXPECT_EQ(rt_get_font(label, P_LABEL_FONT).size_pt, 36);
    EXPECT_EQ(rt_get_int(label, P_HEIGHT), 64);
    EXPECT_EQ(read_setting(t.face_key, "yanse"), "黑体");
    EXPECT_EQ(read_setting(t.size_key, "yanse"), "36");
    EXPECT_EQ(read_setting(t.color_key, "yanse"), "65280");
}

INSTANTIATE_TEST_SUITE_P(Twins, WheelTitles,
                         ::testing::Values(Twin{"MainTitle", "透明标签_主标题", "主标题", "主标题字体", "购物有奖活动",
                                                "主标题字体", "主标题字体大小", "主标题字体颜色"},
                                           Twin{"Subtitle", "透明标签_副标题", "副标题", "副标题字体",
                                                "---现场抽奖仪式---", "副标题字体", "副标题字体大小",
                                                "副标题字体颜色"}),
                         [](const ::testing::TestParamInfo<Twin>& p) { return std::string(p.param.name); });

// Moving a unit with the mouse: which key states act, what moves, which
// keys store it, and whether the titles come to the top afterwards.
struct Drag {
    const char* name;
    const char* pressed;
    const char* moved;
    bool any_keys;
    const char* left_key;
    const char* top_key;
    bool raises_titles;
    // Where the drop leaves the moved unit: a free stretch of the wheel face
    // (or the result picture) under the middle of the main title's text.
    int32_t to_left, to_top;
};

void PrintTo(const Drag& d, std::ostream* os) { *os << d.name; }

class WheelDrags : public WheelCommands, public ::testing::WithParamInterface<Drag> {};

TEST_P(WheelDrags, KeysPlaceAndTitles)
{
    const Drag& d = GetParam();
    const UnitRef pressed = unit(d.pressed);
    const UnitRef moved = unit(d.moved);
    rt_set(pressed, P_VISIBLE, true);
    // A black surface under the main title: the title's yellow shows there
    // only while the title lies on top.
    const Bytes black = jpeg_of(Qt::black, 600, 600);
    rt_set(unit("图片框_背景"), P_PICTURE, black);
    rt_set(unit("图片框a_结果"), P_PICTURE, black);
    rt_set_z_order(unit("透明标签_主标题"), 2);
    rt_set_z_order(unit("透明标签_副标题"), 2);

    const int32_t left = rt_get_int(moved, P_LEFT), top = rt_get_int(moved, P_TOP);
    const int32_t dx = d.to_left - left, dy = d.to_top - top;
    rt_test_next_drag(dx, dy);
    for (int32_t keys : std::vector<int32_t>{0, KEY_SHIFT, KEY_ALT, KEY_CTRL | KEY_SHIFT, KEY_CTRL | KEY_ALT}) {
        if (d.any_keys)
            break;
        rt_test_mouse(pressed, E_LBUTTON_DOWN, 10, 10, keys);
        rt_test_mouse(pressed, E_LBUTTON_UP, 10, 10, keys);
        EXPECT_EQ(rt_get_int(moved, P_LEFT), left) << "key state " << keys;
        EXPECT_EQ(read_setting(d.left_key), "") << "key state " << keys;
    }
    rt_test_mouse(pressed, E_LBUTTON_DOWN, 10, 10, d.any_keys ? KEY_SHIFT : KEY_CTRL);
    rt_test_mouse(pressed, E_LBUTTON_UP, 10, 10, 0);
    EXPECT_EQ(rt_get_int(moved, P_LEFT), left + dx);
    EXPECT_EQ(rt_get_int(moved, P_TOP), top + dy);
    EXPECT_EQ(read_setting(d.left_key), std::to_string(left + dx));
    EXPECT_EQ(read_setting(d.top_key), std::to_string(top + dy));

    const int yellow = yellow_in(stage_shot(), QRect(870, 25, 160, 40));
    if (d.raises_titles)
        EXPECT_GT(yellow, 200) << "the main title is not above the moved unit";
    else
        EXPECT_EQ(yellow, 0) << "the titles were raised";

    // The next start puts the unit where it was dropped.
    rt_destroy_window(wheel::MainWindow);
    rt_do_events();
    wheel::prize_slots.clear();
    start();
    EXPECT_EQ(rt_get_int(moved, P_LEFT), left + dx);
    EXPECT_EQ(rt_get_int(moved, P_TOP), top + dy);
}

INSTANTIATE_TEST_SUITE_P(
    Units, WheelDrags,
    ::testing::Values(Drag{"WheelFrame", "外形框1", "外形框1", true, "外形框1左边", "外形框1顶边", true, 710, -120},
                      Drag{"WheelFace", "图片框_背景", "外形框1", false, "外形框1左边", "外形框1顶边", false, 710, -120},
                      Drag{"ResultPicture", "图片框a_结果", "图片框a_结果", false, "中奖图片左边", "中奖图片顶边",
                           true, 850, 15}),
    [](const ::testing::TestParamInfo<Drag>& p) { return std::string(p.param.name); });

TEST_F(WheelCommands, TitleDragNeedsCtrlAlone)
{
    const UnitRef title = unit("透明标签_副标题");
    const int32_t left = rt_get_int(title, P_LEFT);
    rt_test_next_drag(30, 40);
    rt_test_mouse(title, E_LBUTTON_DOWN, 5, 5, KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(rt_get_int(title, P_LEFT), left);
    rt_test_mouse(title, E_LBUTTON_DOWN, 5, 5, KEY_CTRL);
    EXPECT_EQ(read_setting("副标题左边"), std::to_string(left + 30));
    EXPECT_EQ(read_setting("副标题顶边"), "144");
}

// The wheel's frame is a window of its own, and the display server gives it
// every press inside it. Where a title lies over the wheel, the press is the
// title's all the same: it moves the title with Ctrl, and starts no spin and
// opens no picture chooser without. Where no title lies, the wheel keeps it.
TEST_F(WheelCommands, PressesOnATitleOverTheWheelGoToTheTitle)
{
    prizes({"5"});
    const UnitRef title = unit("透明标签_副标题");
    const UnitRef frame = unit("外形框1");
    QWindow* wheel_window = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (w->property("rt_window").toInt() == wheel::MainWindow && w->property("rt_unit").toInt() == frame.unit)
            wheel_window = w->windowHandle();
    ASSERT_NE(wheel_window, nullptr) << "the frame has no window of its own";
    ASSERT_EQ(get("外形框1", P_LEFT), 710);
    ASSERT_EQ(get("外形框1", P_TOP), 160);
    // Across the hub and ring slot 7: 70 pixels from the frame's y 220.
    rt_set(title, P_TOP, int32_t{380});
    rt_do_events();
    const QPoint hub(253, 250), slot7(110, 280), rim(250, 480); // in the frame

    QTest::mouseClick(wheel_window, Qt::LeftButton, {}, hub);
    QTest::mouseDClick(wheel_window, Qt::LeftButton, {}, slot7);
    rt_do_events();
    EXPECT_EQ(wheel::draw_running, 0) << "a plain press on the title started a spin";
    EXPECT_TRUE(dialogs.shown.empty()) << "a press on the title reached the wheel: " << dialogs.shown[0].kind;

    rt_test_next_drag(0, 100);
    QTest::mousePress(wheel_window, Qt::LeftButton, Qt::ControlModifier, hub);
    QTest::mouseRelease(wheel_window, Qt::LeftButton, Qt::ControlModifier, hub);
    rt_do_events();
    EXPECT_EQ(read_setting("副标题顶边"), "480");
    EXPECT_EQ(read_setting("外形框1左边"), "");
    EXPECT_EQ(get("外形框1", P_LEFT), 710);

    rt_test_next_drag(-100, 0);
    QTest::mousePress(wheel_window, Qt::LeftButton, Qt::ControlModifier, rim);
    QTest::mouseRelease(wheel_window, Qt::LeftButton, Qt::ControlModifier, rim);
    rt_do_events();
    EXPECT_EQ(read_setting("外形框1左边"), "610");
    EXPECT_EQ(read_setting("副标题顶边"), "480");
}

TEST_F(WheelCommands, BackgroundPictureHidesTheResultBoxEvenOnCancel)
{
    const Bytes picture = jpeg_of(QColor(30, 90, 160));
    put_file("chosen.jpg", picture);
    dialogs.file_answers = {std::nullopt, dir.file("chosen.jpg")};

    rt_set(unit("图片框a_结果"), P_VISIBLE, true);
    choose("更换背景图");
    EXPECT_EQ(dialogs.shown.at(0).text, "图形文件(*.jpg)|*.jpg");
    EXPECT_FALSE(shown("图片框a_结果"));
    EXPECT_FALSE(rt_file_exists(dir.file("底图.jpg")));

    rt_set(unit("图片框a_结果"), P_VISIBLE, true);
    choose("更换背景图");
    EXPECT_FALSE(shown("图片框a_结果"));
    EXPECT_EQ(rt_read_file(dir.file("底图.jpg")), picture);
    EXPECT_EQ(rt_get_bytes(window(), P_WINDOW_PICTURE), picture);

    rt_set(unit("图片框a_结果"), P_VISIBLE, true);
    choose("取消背景图");
    EXPECT_FALSE(shown("图片框a_结果"));
    EXPECT_FALSE(rt_file_exists(dir.file("底图.jpg")));
    EXPECT_TRUE(rt_get_bytes(window(), P_WINDOW_PICTURE).empty());
    // Again with nothing there: no message, still hidden.
    rt_set(unit("图片框a_结果"), P_VISIBLE, true);
    choose("取消背景图");
    EXPECT_FALSE(shown("图片框a_结果"));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(WheelCommands, BackgroundMusicFolderTicksAndKey)
{
    // Cancel on a fresh folder still makes wav.
    ASSERT_FALSE(rt_file_exists(dir.file("wav")));
    choose("更换背景音乐");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "音乐文件(*.mp3)|*.mp3");
    EXPECT_TRUE(rt_file_exists(dir.file("wav")));
    EXPECT_FALSE(rt_file_exists(dir.file("wav/bjyy.mp3")));

    const Bytes song{'I', 'D', '3', 4, 0, 0};
    put_file("music/song.mp3", song);
    dialogs.file_answers.push_back(dir.file("music/song.mp3"));
    choose("更换背景音乐");
    EXPECT_EQ(rt_read_file(dir.file("wav/bjyy.mp3")), song);
    // Choosing neither ticks nor plays.
    EXPECT_TRUE(ticked("启用背景音乐"));
    EXPECT_TRUE(rt_sound_log().empty());

    choose("禁用背景音乐");
    EXPECT_FALSE(ticked("启用背景音乐"));
    EXPECT_TRUE(ticked("禁用背景音乐"));
    EXPECT_EQ(read_setting("背景音乐"), "假");
    choose("启用背景音乐");
    EXPECT_TRUE(ticked("启用背景音乐"));
    EXPECT_FALSE(ticked("禁用背景音乐"));
    EXPECT_EQ(read_setting("背景音乐"), "真");
}

TEST_F(WheelCommands, MusicPlayingGoesOnWhenDisabled)
{
    prizes({"5"});
    type("编辑框_滚动速度", "600000");
    put_file("wav/bjyy.mp3", Bytes{'I', 'D', '3'});
    press_start();
    ASSERT_EQ(wheel::draw_running, 1);
    for (int i = 0; i < 200 && rt_sound_log().empty(); ++i)
        rt_delay(5);
    ASSERT_EQ(rt_sound_log().size(), 1u);
    choose("禁用背景音乐");
    EXPECT_TRUE(rt_music_playing());
}

TEST_F(WheelCommands, WindowModesFromTheMenu)
{
    choose("窗口");
    EXPECT_EQ(rt_get_int(window(), P_WINDOW_BORDER), 1);
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), 1900);
    EXPECT_EQ(rt_get_int(window(), P_HEIGHT), 1060);
    EXPECT_TRUE(ticked("窗口"));
    EXPECT_FALSE(ticked("全屏"));
    EXPECT_EQ(read_setting("界面大小"), "窗口");
    choose("全屏");
    EXPECT_EQ(rt_get_int(window(), P_WINDOW_BORDER), 0);
    EXPECT_EQ(rt_get_int(window(), P_WIDTH), 1920);
    EXPECT_EQ(rt_get_int(window(), P_HEIGHT), 1080);
    EXPECT_TRUE(ticked("全屏"));
    EXPECT_EQ(read_setting("界面大小"), "全屏");
}

TEST_F(WheelCommands, HelpAndAboutTexts)
{
    choose("帮助");
    choose("关于");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text,
              "1.双击各个图片，可以选择自己的抽奖图片！(图片不要过大，50K以下最好！)\r\n2.右键弹出菜单！");
    EXPECT_EQ(dialogs.shown[0].title, "转盘抽奖帮助信息！");
    EXPECT_EQ(dialogs.shown[0].style, 0);
    EXPECT_EQ(dialogs.shown[1].text, "自定义Orvana转盘抽奖\r\n" + std::string(32, ' '));
    EXPECT_EQ(dialogs.shown[1].title, "自定义Orvana转盘抽奖");
    EXPECT_EQ(dialogs.shown[1].style, 0);
}

TEST_F(WheelCommands, ExitAndCloseBoxAskFirstAndCancelGoesOn) { expect_exit_asks_first(); }

using WheelCommandsDeathTest = WheelCommands;

TEST_F(WheelCommandsDeathTest, ExitAndCloseBoxWithOkEndWithCodeZero)
{
    EXPECT_EXIT(choose("退出"), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(rt_test_close_box(wheel::MainWindow), ::testing::ExitedWithCode(0), "");
}

// A double click on ring picture k copies the chosen file to k.jpg and shows
// it there; Cancel changes nothing but the picture held aside.
TEST_F(WheelCommands, RingPicturesThroughTheFileDialog)
{
    for (int k = 1; k <= 8; ++k) {
        const Bytes chosen = jpeg_of(QColor(20 * k, 200 - 20 * k, 90));
        put_file("chosen" + std::to_string(k) + ".jpg", chosen);
        wheel::saved_picture = Bytes{'h', 'e', 'l', 'd'};
        dialogs.file_answers = {std::nullopt, dir.file("chosen" + std::to_string(k) + ".jpg")};
        rt_test_mouse(slot(k), E_DOUBLE_CLICK, 5, 5);
        EXPECT_TRUE(wheel::saved_picture.empty()) << k;
        EXPECT_FALSE(rt_file_exists(dir.file("奖品图片/" + std::to_string(k) + ".jpg"))) << k;
        EXPECT_TRUE(rt_get_bytes(slot(k), P_PICTURE).empty()) << k;

        rt_test_mouse(slot(k), E_DOUBLE_CLICK, 5, 5);
        EXPECT_EQ(rt_read_file(dir.file("奖品图片/" + std::to_string(k) + ".jpg")), chosen) << k;
        EXPECT_EQ(rt_get_bytes(slot(k), P_PICTURE), chosen) << k;
    }
    for (const auto& s : dialogs.shown)
        EXPECT_EQ(s.text, "图形文件(*.jpg)|*.jpg");
}

// Chosen while the wheel spins: the lit slot's picture held aside is
// dropped, the slot shows the new file, and the stop shows the new file in
// the result box.
TEST_F(WheelCommands, RingPictureChosenWhileTheWheelSpins)
{
    prizes({"0", "0", "4"});
    setting("滚动速度", "600000");
    setting("禁用特效", "真");
    put_pictures();
    rt_destroy_window(wheel::MainWindow);
    rt_do_events();
    wheel::prize_slots.clear();
    start();

    press_start();
    steps(3);
    ASSERT_EQ(wheel::highlight_pos, 3);
    ASSERT_EQ(wheel::saved_picture, picture(3));
    EXPECT_TRUE(rt_get_bytes(slot(3), P_PICTURE).empty());

    const Bytes chosen = jpeg_of(QColor(250, 20, 20));
    put_file("chosen.jpg", chosen);
    dialogs.file_answers.push_back(dir.file("chosen.jpg"));
    rt_test_mouse(slot(3), E_DOUBLE_CLICK, 5, 5);
    EXPECT_TRUE(wheel::saved_picture.empty());
    EXPECT_EQ(rt_get_bytes(slot(3), P_PICTURE), chosen);

    // The only grade with tickets is 3: the stop lands on the new picture.
    press_stop();
    steps(1);
    EXPECT_EQ(wheel::highlight_pos, 3);
    EXPECT_EQ(rt_get_bytes(slot(3), P_PICTURE), chosen);
    EXPECT_EQ(rt_get_bytes(unit("图片框a_结果"), P_PICTURE), chosen);
    EXPECT_EQ(read_result("j3"), "1");
}

// Damaged pictures and music are copied as chosen and show (or sound)
// nothing; a huge title is stored and comes back cut to what the settings
// file gives back whole; the wheel still spins and settles over all of it.
TEST_F(WheelCommands, DamagedMediaAndAHugeTitle)
{
    const Bytes whole = jpeg_of(Qt::red);
    const Bytes bad_jpeg(whole.begin(), whole.begin() + 200);
    const Bytes not_mp3(5000, 0x5A);
    put_file("bad.jpg", bad_jpeg);
    put_file("bad.mp3", not_mp3);
    dialogs.file_answers = {dir.file("bad.jpg"), dir.file("bad.jpg"), dir.file("bad.mp3")};
    choose("更换背景图");
    rt_test_mouse(slot(2), E_DOUBLE_CLICK, 5, 5);
    choose("更换背景音乐");
    EXPECT_EQ(rt_read_file(dir.file("底图.jpg")), bad_jpeg);
    EXPECT_EQ(rt_read_file(dir.file("奖品图片/2.jpg")), bad_jpeg);
    EXPECT_EQ(rt_read_file(dir.file("wav/bjyy.mp3")), not_mp3);

    const std::string huge(20000, 'W');
    dialogs.input_answers.push_back(huge);
    choose("主标题");
    EXPECT_EQ(text("透明标签_主标题"), huge);

    prizes({"0", "3"});
    type("编辑框_滚动速度", "600000");
    rt_set(unit("选择框_禁用特效"), P_CHECKED, true);
    press_start();
    steps(9);
    press_stop();
    steps(1);
    EXPECT_EQ(read_result("j2"), "1");
    EXPECT_EQ(rt_get_bytes(slot(2), P_PICTURE), bad_jpeg);
    rt_do_events();

    rt_destroy_window(wheel::MainWindow);
    rt_do_events();
    wheel::prize_slots.clear();
    start();
    EXPECT_EQ(text("透明标签_主标题"), std::string(10239, 'W'));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(WheelCommands, MenuItemsOpenTheirWindowsModally)
{
    bool lock_open = false;
    const bool leftover = ModalSteps::run([] { choose("奖项设置"); }, {[&] {
                                              lock_open = rt_is_loaded(wheel::PasswordWindow);
                                              rt_test_close_box(wheel::PasswordWindow);
                                          }});
    EXPECT_TRUE(lock_open);
    EXPECT_FALSE(leftover);
    EXPECT_FALSE(rt_is_loaded(wheel::PasswordWindow));
}

} // namespace
