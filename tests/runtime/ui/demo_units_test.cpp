// Loading the demonstration window and reading back its units' properties.
#include "tests/runtime/ui/demo_window.h"

#include <QApplication>
#include <QWidget>

#include <limits>
#include <map>
#include <string>

#include "runtime/ui/picture.h"
#include "tests/runtime/ui/picture_samples.h"

using namespace demo;

namespace {

class DemoUnits : public DemoTest {};

TEST_F(DemoUnits, CreatedRunsOnceWithEveryUnitInPlaceAndTheWindowShowsAfterIt)
{
    open_main();
    EXPECT_EQ(log(), (std::vector<std::string>{"created 确定"}));
    EXPECT_TRUE(rt_get_bool(rt_window(MainWindow), P_VISIBLE));
    // Loading a loaded window makes no second one.
    EXPECT_TRUE(rt_load_window(MainWindow));
    EXPECT_EQ(log().size(), 1u);
}

TEST_F(DemoUnits, WindowsStayHiddenWhenTheirDefinitionOrCreatedHandlerSaysSo)
{
    ASSERT_TRUE(rt_load_window(HiddenWindow));
    EXPECT_TRUE(logged("hidden created"));
    EXPECT_FALSE(rt_get_bool(rt_window(HiddenWindow), P_VISIBLE));

    state().hide_child_when_created = true;
    ASSERT_TRUE(rt_load_window(ChildWindow));
    EXPECT_FALSE(rt_get_bool(rt_window(ChildWindow), P_VISIBLE));
    rt_set(rt_window(ChildWindow), P_VISIBLE, true);
    EXPECT_TRUE(rt_get_bool(rt_window(ChildWindow), P_VISIBLE));
}

TEST_F(DemoUnits, UnitIdsComeFromTheDefinitionAndDoNotChangeWithLoading)
{
    const UnitRef before = unit("时钟1");
    open_main();
    EXPECT_EQ(unit("时钟1"), before);
    EXPECT_EQ(unit("演示窗口"), rt_window(MainWindow));
    EXPECT_NE(unit("按钮_确定"), unit("图形按钮1"));
    EXPECT_FALSE(rt_load_window(99));
}

TEST_F(DemoUnits, AnUnknownUnitNameEndsTheProgramWithTheErrorReport)
{
    EXPECT_EXIT(rt_unit(MainWindow, "没有这个"), ::testing::ExitedWithCode(1), "运行时出错! 4");
}

TEST_F(DemoUnits, UnitsOfAWindowThatIsNotLoadedReadNeutralAndIgnoreWrites)
{
    const UnitRef b = unit("按钮_确定");
    rt_set(b, P_CAPTION, std::string("不在"));
    rt_set(b, P_LEFT, 5);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(rt_read_unit_property(b, P_CAPTION)));
    EXPECT_EQ(rt_get_int(b, P_LEFT), 0);
    EXPECT_EQ(rt_get_text(unit("编辑框1"), P_TEXT), "");
    EXPECT_EQ(rt_unit_snapshot(unit("画板1")), Bytes{});
    EXPECT_EQ(rt_sprite_add(unit("动画框1"), unit("动画物体1"), 0, 0), 0);
    rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
    EXPECT_FALSE(rt_dialog_open(unit("通用对话框1")));
    EXPECT_EQ(rt_get_window_handle(b), 0);
}

// One row per (unit, property): a written value reads back as written.
struct RoundTrip {
    const char* label;
    const char* unit;
    int property;
    RtValue value;
};

class DemoRoundTrip : public DemoTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(DemoRoundTrip, WrittenValueReadsBack)
{
    open_main();
    const RoundTrip& row = GetParam();
    const UnitRef u = unit(row.unit);
    rt_set(u, row.property, row.value);
    EXPECT_EQ(rt_read_unit_property(u, row.property), row.value);
}

const RoundTrip kRoundTrips[] = {
    {"ButtonLeft", "按钮_确定", P_LEFT, int32_t{-12}},
    {"ButtonTop", "按钮_确定", P_TOP, int32_t{33}},
    {"ButtonWidth", "按钮_确定", P_WIDTH, int32_t{150}},
    {"ButtonHeight", "按钮_确定", P_HEIGHT, int32_t{41}},
    {"ButtonHidden", "按钮_确定", P_VISIBLE, false},
    {"ButtonDisabled", "按钮_确定", P_DISABLED, true},
    {"ButtonCaption", "按钮_确定", P_CAPTION, std::string("停止")},
    {"WindowLeft", "演示窗口", P_LEFT, int32_t{5}},
    {"WindowWidth", "演示窗口", P_WIDTH, int32_t{700}},
    {"WindowTitle", "演示窗口", P_TEXT, std::string("标题")},
    {"WindowFrameless", "演示窗口", P_WINDOW_BORDER, int32_t{0}},
    {"EditText", "编辑框1", P_TEXT, std::string("12.5 元")},
    {"LabelText", "标签1", P_TEXT, std::string("说明")},
    {"TransparentText", "透明标签1", P_TEXT, std::string("现场抽奖")},
    {"TransparentEffect", "透明标签1", P_LABEL_EFFECT, int32_t{3}},
    {"TransparentColor", "透明标签1", P_LABEL_COLOR, int32_t{0x00123456}},
    {"TransparentAlign", "透明标签1", P_LABEL_ALIGN, int32_t{2}},
    {"TransparentWrap", "透明标签1", P_LABEL_WRAP, int32_t{1}},
    {"TransparentValign", "透明标签1", P_LABEL_VALIGN, int32_t{1}},
    {"PictureBorder", "图片框1", P_BORDER_STYLE, int32_t{2}},
    {"CheckBoxTicked", "选择框1", P_CHECKED, true},
    {"RadioUnticked", "单选框1", P_CHECKED, false},
    {"GroupCaption", "分组框1", P_CAPTION, std::string("新分组")},
    {"TimerInterval", "时钟1", P_TIMER_INTERVAL, int32_t{250}},
    {"TimerLeft", "时钟1", P_LEFT, int32_t{8}},
    {"DialogKind", "通用对话框1", P_DIALOG_KIND, int32_t{1}},
    {"DialogFile", "通用对话框1", P_DIALOG_FILE, std::string("/tmp/底图.jpg")},
    {"DialogFilter", "通用对话框1", P_DIALOG_FILTER, std::string("图形文件(*.jpg)|*.jpg")},
    {"FontColor", "通用对话框_字体", P_FONT_COLOR, int32_t{0x0000FF00}},
    {"FontBold", "通用对话框_字体", P_FONT_BOLD, true},
    {"FontItalic", "通用对话框_字体", P_FONT_ITALIC, true},
    {"FontStrikeout", "通用对话框_字体", P_FONT_STRIKEOUT, true},
    {"FontUnderline", "通用对话框_字体", P_FONT_UNDERLINE, true},
    {"FontFace", "通用对话框_字体", P_FONT_FACE, std::string("宋体")},
    {"FontSize", "通用对话框_字体", P_FONT_SIZE, int32_t{36}},
    {"SpriteZoom", "动画物体1", P_SPRITE_ZOOM, int32_t{500}},
    {"SpriteWidth", "动画物体1", P_WIDTH, int32_t{1920}},
    {"MenuTicked", "甲", P_MENU_CHECKED, true},
    {"MenuUnticked", "乙", P_MENU_CHECKED, false},
    {"MenuHidden", "甲", P_VISIBLE, false},
    {"MenuGreyed", "甲", P_DISABLED, true},
    {"PointerCleared", "图形按钮1", P_MOUSE_POINTER, Bytes{}},
};

INSTANTIATE_TEST_SUITE_P(Units, DemoRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& row) { return std::string(row.param.label); });

// Places and sizes at the 32-bit limits (a damaged settings file holds
// such values) are kept within 2^24 pixels, where the toolkit's rectangles
// cannot overflow; the unit still moves and reads back.
TEST_F(DemoUnits, ExtremePlacesAndSizesStayWithinReach)
{
    open_main();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kFar = 1 << 24;
    struct Row {
        const char* unit;
        int property;
        int32_t written, read;
    };
    const Row rows[] = {
        {"按钮_确定", P_LEFT, kMax, kFar},      {"按钮_确定", P_TOP, kMin, -kFar},
        {"按钮_确定", P_WIDTH, kMax, kFar - 1}, {"按钮_确定", P_LEFT, -70000, -70000},
        {"动画物体1", P_LEFT, kMin, -kFar},     {"动画物体1", P_HEIGHT, kMax, kFar - 1},
        {"演示窗口", P_TOP, kMax, kFar},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.unit) + " " + std::to_string(r.property));
        const UnitRef u = r.unit == std::string("演示窗口") ? rt_window(MainWindow) : unit(r.unit);
        rt_set(u, r.property, r.written);
        rt_test_click(u);
        EXPECT_EQ(rt_get_int(u, r.property), r.read);
    }
}

TEST_F(DemoUnits, DesignedValuesReadBack)
{
    open_main();
    EXPECT_EQ(rt_get_int(rt_window(MainWindow), P_WIDTH), 640);
    EXPECT_EQ(rt_get_int(rt_window(MainWindow), P_WINDOW_BORDER), 1);
    EXPECT_EQ(rt_get_text(unit("编辑框1"), P_TEXT), "初始");
    EXPECT_EQ(rt_get_int(unit("透明标签1"), P_LABEL_COLOR), static_cast<int32_t>(kYellow));
    EXPECT_EQ(rt_get_int(unit("透明标签1"), P_LABEL_ALIGN), 1);
    EXPECT_TRUE(rt_get_bool(unit("单选框1"), P_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("单选框2"), P_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("动画物体1"), P_VISIBLE));
    EXPECT_TRUE(rt_get_bool(unit("乙"), P_MENU_CHECKED));
    EXPECT_FALSE(rt_get_bool(unit("戊"), P_VISIBLE));
    EXPECT_TRUE(rt_get_bool(unit("丁"), P_DISABLED));
    EXPECT_EQ(rt_get_bytes(unit("图形按钮1"), P_MOUSE_POINTER), cursor_file(0, 0));
    EXPECT_EQ(rt_get_int(unit("时钟1"), P_TIMER_INTERVAL), 0);
    // A child's place is in its parent's client area.
    EXPECT_EQ(rt_get_int(unit("单选框2"), P_TOP), 45);
}

TEST_F(DemoUnits, TransparentLabelWrapsOnlyForOne)
{
    open_main();
    const UnitRef label = unit("透明标签1");
    rt_set(label, P_LABEL_WRAP, true);
    EXPECT_EQ(rt_get_int(label, P_LABEL_WRAP), 1);
    for (const RtValue& other : {RtValue{int32_t{2}}, RtValue{int32_t{-1}}, RtValue{0.5}}) {
        rt_set(label, P_LABEL_WRAP, int32_t{1});
        rt_set(label, P_LABEL_WRAP, other);
        EXPECT_EQ(rt_get_int(label, P_LABEL_WRAP), 0);
    }
}

TEST_F(DemoUnits, FontRecordMembersAndPointSizes)
{
    open_main();
    const UnitRef title = unit("透明标签1");
    // Designed 67 pixels high: 50 points.
    FontValue f = rt_get_font(title, P_LABEL_FONT);
    EXPECT_EQ(f.size_pt, 50);
    EXPECT_TRUE(f.bold);
    EXPECT_EQ(f.face, "宋体");
    EXPECT_EQ(std::get<int32_t>(rt_read_unit_property(title, P_LABEL_FONT, 5)), 50);
    EXPECT_EQ(std::get<std::string>(rt_read_unit_property(title, P_LABEL_FONT, 6)), "宋体");

    rt_write_unit_property(title, P_LABEL_FONT, 5, int32_t{36});
    rt_write_unit_property(title, P_LABEL_FONT, 6, std::string("隶书"));
    rt_write_unit_property(title, P_LABEL_FONT, 2, true);
    f = rt_get_font(title, P_LABEL_FONT);
    EXPECT_EQ(f.size_pt, 36);
    EXPECT_EQ(f.face, "隶书");
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.bold);

    const FontValue whole{0, false, false, true, true, 9, "某个没有安装的字体"};
    rt_write_unit_property(title, P_LABEL_FONT, -1, whole);
    EXPECT_EQ(rt_get_font(title, P_LABEL_FONT), whole);
    // A size of 0 is kept as given and still draws.
    rt_write_unit_property(title, P_LABEL_FONT, 5, int32_t{0});
    EXPECT_EQ(std::get<int32_t>(rt_read_unit_property(title, P_LABEL_FONT, 5)), 0);
    EXPECT_EQ(picture_size(rt_unit_snapshot(title)), std::make_pair(400, 90));
}

TEST_F(DemoUnits, PicturesAreSetAndClearedByByteSets)
{
    open_main();
    const Bytes red = solid_bmp(40, 30, kRed);
    for (const char* name : {"图片框1", "画板1", "图形按钮1"}) {
        SCOPED_TRACE(name);
        rt_set(unit(name), P_PICTURE, red);
        EXPECT_EQ(rt_get_bytes(unit(name), P_PICTURE), red);
        rt_set(unit(name), P_PICTURE, Bytes{});
        EXPECT_TRUE(rt_get_bytes(unit(name), P_PICTURE).empty());
    }
    rt_set(rt_window(MainWindow), P_WINDOW_PICTURE, red);
    EXPECT_EQ(rt_get_bytes(rt_window(MainWindow), P_WINDOW_PICTURE), red);
    rt_set(rt_window(MainWindow), P_WINDOW_PICTURE, Bytes{});
    EXPECT_TRUE(rt_get_bytes(rt_window(MainWindow), P_WINDOW_PICTURE).empty());
    // Bytes that are no picture are kept and show nothing.
    rt_set(unit("画板1"), P_PICTURE, Bytes{'n', 'o'});
    EXPECT_EQ(rt_get_bytes(unit("画板1"), P_PICTURE), (Bytes{'n', 'o'}));
}

TEST_F(DemoUnits, BoardSnapshotIsItsPictureScaledToTheBoardEvenWhenHidden)
{
    open_main();
    const UnitRef board = unit("画板1");
    rt_set(board, P_PICTURE, solid_bmp(12, 8, kRed));
    rt_set(board, P_VISIBLE, false);
    const Bytes shot = rt_unit_snapshot(board);
    EXPECT_EQ(picture_size(shot), std::make_pair(120, 80));
    const Picture pic = decode_picture(shot);
    ASSERT_FALSE(pic.empty());
    EXPECT_EQ(pic.size(), QSize(120, 80));
    EXPECT_EQ(pic.frames[0].pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(pic.frames[0].pixelColor(119, 79), QColor(255, 0, 0));

    // The snapshot is a picture that every picture property accepts and
    // gives back unchanged, and the unit then shows it.
    struct Property {
        UnitRef unit;
        int number;
    };
    for (const Property& p : {Property{unit("图片框1"), P_PICTURE}, Property{unit("图形按钮1"), P_PICTURE},
                              Property{board, P_PICTURE}, Property{rt_window(MainWindow), P_WINDOW_PICTURE},
                              Property{unit("动画物体1"), P_SPRITE_PICTURE}}) {
        SCOPED_TRACE(p.number);
        rt_set(p.unit, p.number, shot);
        EXPECT_EQ(rt_get_bytes(p.unit, p.number), shot);
    }
    const QImage shown = decode_picture(rt_unit_snapshot(unit("图片框1"))).frames.at(0);
    EXPECT_EQ(shown.size(), QSize(106, 65));
    EXPECT_EQ(shown.pixelColor(53, 32), QColor(255, 0, 0));
}

QImage snapshot_image(UnitRef u)
{
    const Picture pic = decode_picture(rt_unit_snapshot(u));
    return pic.empty() ? QImage() : pic.frames[0];
}

TEST_F(DemoUnits, EachPictureUnitPlacesItsPictureItsOwnWay)
{
    open_main();
    const QColor red(255, 0, 0);
    // Picture box: fitted, aspect kept, centred (40 x 10 in 106 x 65: 106 x 26).
    rt_set(unit("图片框1"), P_PICTURE, solid_bmp(40, 10, kRed));
    QImage img = snapshot_image(unit("图片框1"));
    EXPECT_EQ(img.pixelColor(0, 32), red);
    EXPECT_EQ(img.pixelColor(105, 32), red);
    EXPECT_NE(img.pixelColor(53, 5), red);
    EXPECT_NE(img.pixelColor(53, 60), red);

    // Image button: natural size, centred (20 x 10 in 64 x 48 from (22, 19)).
    rt_set(unit("图形按钮1"), P_PICTURE, solid_bmp(20, 10, kRed));
    img = snapshot_image(unit("图形按钮1"));
    EXPECT_EQ(img.pixelColor(22, 19), red);
    EXPECT_EQ(img.pixelColor(41, 28), red);
    EXPECT_NE(img.pixelColor(21, 19), red);
    EXPECT_NE(img.pixelColor(42, 29), red);

    // Window: stretched over the whole client area, units drawn on top. The
    // designed 640 x 480 is the outer size, frame included.
    rt_set(rt_window(MainWindow), P_WINDOW_PICTURE, solid_bmp(3, 3, kRed));
    img = snapshot_image(rt_window(MainWindow));
    const QWidget* inside = nullptr;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->property("rt_window").toInt() == MainWindow && w->property("rt_unit").toInt() == 0)
            inside = w;
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->frameGeometry().size(), QSize(640, 480));
    EXPECT_EQ(img.size(), inside->size());
    EXPECT_EQ(img.pixelColor(img.width() - 1, img.height() - 1), red);
    EXPECT_EQ(img.pixelColor(630, 100), red);
    EXPECT_EQ(img.pixelColor(470, 190), QColor(255, 255, 255));  // the white shape box
}

// A window's left, top, width and height are its frame's, as on the
// original platform: the inside is what the frame leaves, and taking the
// frame away or giving it back keeps the outer place and size.
TEST_F(DemoUnits, WindowGeometryIsTheFramesGeometry)
{
    open_main();
    const UnitRef w = rt_window(MainWindow);
    const QWidget* inside = nullptr;
    for (const QWidget* top : QApplication::topLevelWidgets())
        if (top->property("rt_window").toInt() == MainWindow && top->property("rt_unit").toInt() == 0)
            inside = top;
    ASSERT_NE(inside, nullptr);
    struct Step {
        const char* what;
        int border;
        QRect outer;
    };
    const Step steps[] = {
        {"framed", 1, QRect(0, 0, 500, 300)},
        {"frameless", 0, QRect(0, 0, 500, 300)},
        {"frameless moved", 0, QRect(30, 40, 620, 410)},
        {"framed again", 1, QRect(30, 40, 620, 410)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        rt_set(w, P_WINDOW_BORDER, s.border);
        rt_set(w, P_LEFT, s.outer.left());
        rt_set(w, P_TOP, s.outer.top());
        rt_set(w, P_WIDTH, s.outer.width());
        rt_set(w, P_HEIGHT, s.outer.height());
        rt_do_events();
        EXPECT_EQ(QRect(rt_get_int(w, P_LEFT), rt_get_int(w, P_TOP), rt_get_int(w, P_WIDTH), rt_get_int(w, P_HEIGHT)),
                  s.outer);
        EXPECT_EQ(inside->frameGeometry(), s.outer);
        EXPECT_EQ(snapshot_image(w).size(), inside->size());
        if (s.border == 0) {
            EXPECT_EQ(inside->geometry(), s.outer);
        }
    }
}

TEST_F(DemoUnits, AnimatedPictureMovesOnWhenItsFrameTimeHasPassed)
{
    open_main();
    const std::vector<QRgb> palette{qRgb(255, 0, 0), qRgb(0, 0, 255)};
    const std::vector<uint8_t> all_red(16 * 16, 0), all_blue(16 * 16, 1);
    samples::GifFrame first{QRect(0, 0, 16, 16), all_red, 5};      // 50 ms
    samples::GifFrame second{QRect(0, 0, 16, 16), all_blue, 500};  // 5 s
    rt_set(unit("画板1"), P_PICTURE, samples::gif(QSize(16, 16), palette, {first, second}));
    EXPECT_EQ(snapshot_image(unit("画板1")).pixelColor(60, 40), QColor(255, 0, 0));
    rt_delay(200);
    EXPECT_EQ(snapshot_image(unit("画板1")).pixelColor(60, 40), QColor(0, 0, 255));

    // A picture of one frame (decoded on a worker) shows at once and stays.
    rt_set(unit("画板1"), P_PICTURE, samples::gif(QSize(16, 16), palette, {first}));
    EXPECT_EQ(snapshot_image(unit("画板1")).pixelColor(60, 40), QColor(255, 0, 0));
    rt_delay(200);
    EXPECT_EQ(snapshot_image(unit("画板1")).pixelColor(60, 40), QColor(255, 0, 0));
}

// Colour of the sprite box at a point, from its snapshot.
QColor box_pixel(int x, int y)
{
    const Picture pic = decode_picture(rt_unit_snapshot(unit("动画框1")));
    return pic.empty() ? QColor() : pic.frames[0].pixelColor(x, y);
}

TEST_F(DemoUnits, SpriteCopyTakesTheObjectSizeTimesZoomAndTurnsAboutItsCentre)
{
    open_main();
    const UnitRef box = unit("动画框1");
    const UnitRef object = unit("动画物体1");
    const QColor red(255, 0, 0), white(255, 255, 255);

    rt_set(object, P_SPRITE_ZOOM, 500);  // the 100 x 60 object: a 50 x 30 copy
    const int id = rt_sprite_add(box, object, 10, 20);
    EXPECT_GT(id, 0);
    EXPECT_EQ(box_pixel(11, 21), red);
    EXPECT_EQ(box_pixel(58, 48), red);
    EXPECT_EQ(box_pixel(62, 52), white);
    EXPECT_EQ(box_pixel(9, 19), white);

    // A quarter turn about the centre (35, 35): 30 wide, 50 high.
    rt_sprite_rotate(box, id, 450);
    EXPECT_EQ(box_pixel(35, 13), red);
    EXPECT_EQ(box_pixel(35, 57), red);
    EXPECT_EQ(box_pixel(13, 35), white);
    EXPECT_EQ(box_pixel(57, 35), white);

    // The copy keeps the zoom it was added with.
    rt_set(object, P_SPRITE_ZOOM, 2000);
    EXPECT_EQ(box_pixel(13, 35), white);

    const int second = rt_sprite_add(box, object, 100, 0);
    EXPECT_NE(second, id);
    EXPECT_EQ(box_pixel(299, 119), red);  // 200 x 120 from (100, 0)
    rt_sprite_remove(box, id);
    rt_sprite_remove(box, second);
    EXPECT_EQ(box_pixel(35, 35), white);
    EXPECT_EQ(box_pixel(150, 60), white);
    // Unknown ids and a zoom of 0 are harmless.
    rt_sprite_rotate(box, 12345, 10);
    rt_sprite_remove(box, 12345);
    rt_set(object, P_SPRITE_ZOOM, 0);
    EXPECT_GT(rt_sprite_add(box, object, 0, 0), 0);
}

// A copy far smaller than the object's picture shows the picture's colours
// averaged, as a smoothly scaled copy would, not a sample of its stripes.
TEST_F(DemoUnits, SmallSpriteCopyIsSmoothedNotSampled)
{
    open_main();
    const UnitRef box = unit("动画框1");
    const UnitRef object = unit("动画物体1");
    QImage stripes(800, 480, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    rt_set(object, P_WIDTH, 800);
    rt_set(object, P_HEIGHT, 480);
    rt_set(object, P_SPRITE_PICTURE, samples::bmp(stripes, 24));
    std::map<int, QImage> shown;
    for (int zoom : {100, 230, 500}) {
        SCOPED_TRACE(zoom);
        rt_set(object, P_SPRITE_ZOOM, zoom);
        const int id = rt_sprite_add(box, object, 0, 0);
        for (int x : {10, 11, 20, 33}) {
            const QColor c = box_pixel(x, 20);
            EXPECT_NEAR(c.red(), 128, 12) << x;
            EXPECT_NEAR(c.blue(), 128, 12) << x;
        }
        shown[zoom] = decode_picture(rt_unit_snapshot(box)).frames.at(0);
        rt_sprite_remove(box, id);
    }
    // Asked for from the largest down, the copies look the same.
    rt_set(object, P_SPRITE_PICTURE, samples::bmp(stripes, 24));
    for (int zoom : {500, 230, 100}) {
        SCOPED_TRACE(zoom);
        rt_set(object, P_SPRITE_ZOOM, zoom);
        const int id = rt_sprite_add(box, object, 0, 0);
        EXPECT_LE(samples::max_difference(decode_picture(rt_unit_snapshot(box)).frames.at(0), shown[zoom]), 2);
        rt_sprite_remove(box, id);
    }
}

TEST_F(DemoUnits, ScreenSizeAndWindowHandles)
{
    open_main();
    EXPECT_GT(rt_screen_width(), 0);
    EXPECT_GT(rt_screen_height(), 0);
    EXPECT_NE(rt_get_window_handle(rt_window(MainWindow)), 0);
    EXPECT_EQ(rt_get_window_handle(unit("时钟1")), 0);
}

} // namespace
