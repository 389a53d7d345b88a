#include "tests/runtime/ui/demo_window.h"

#include "runtime/ui/picture.h"

#include <algorithm>

namespace demo {

State& state()
{
    static State s;
    return s;
}

namespace {

void put16(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v)
{
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}

void note(const std::string& entry)
{
    state().log.push_back(entry);
    auto it = state().hooks.find(entry);
    if (it != state().hooks.end() && it->second)
        it->second();
}

EventBinding logs(int event, const std::string& entry)
{
    return on(event, [entry] { note(entry); });
}

EventBinding logs_mouse(int event, const std::string& name)
{
    return on_mouse(event, [event, name](int32_t x, int32_t y, int32_t keys) {
        note(name + " " + std::to_string(event) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
             std::to_string(keys));
    });
}

UnitDef menu_item(const std::string& name, std::string parent, int flags = 0)
{
    UnitDef u = make_menu_item(name, std::move(parent), flags);
    u.caption = name;
    u.events = {logs(E_CLICK, "menu " + name)};
    return u;
}

WindowDef main_window()
{
    WindowDef d;
    d.id = MainWindow;
    d.name = "演示窗口";
    d.title = "演示";
    d.left = 40;
    d.top = 30;
    d.width = 640;
    d.height = 480;
    d.back_color = 0x00604020;
    d.events = {
        on(E_CREATED,
           [] {
               // Every unit exists before the window shows.
               note("created " + rt_get_text(unit("按钮_确定"), P_CAPTION));
           }),
        on_query(E_MAY_CLOSE,
                 [] {
                     note("may close");
                     return state().may_close;
                 }),
        logs(E_SIZE_CHANGED, "size"),
        logs_mouse(E_RBUTTON_DOWN, "window"),
    };

    UnitDef button = make_unit("按钮_确定", UnitType::Button, 10, 10, 100, 30);
    button.caption = "确定";
    button.flags = F_VISIBLE | F_FOCUS_STOP;
    button.events = {logs(E_CLICK, "click 按钮_确定"), logs_mouse(E_LBUTTON_DOWN, "按钮_确定"),
                     logs_mouse(E_LBUTTON_UP, "按钮_确定")};

    UnitDef image = make_unit("图形按钮1", UnitType::ImageButton, 120, 10, 64, 48);
    image.picture = solid_bmp(64, 48, kRed);
    image.cursor = cursor_file(0, 0);
    image.events = {logs(E_CLICK, "click 图形按钮1")};

    UnitDef edit = make_unit("编辑框1", UnitType::EditBox, 10, 50, 200, 24);
    edit.caption = "初始";

    UnitDef label = make_unit("标签1", UnitType::Label, 220, 50, 100, 20);
    label.caption = "标签";

    UnitDef title = make_unit("透明标签1", UnitType::TransparentLabel, 10, 80, 400, 90);
    title.caption = "某某大卖场";
    title.font = FontSpec{"宋体", 67, true};
    title.text_color = kYellow;
    title.align = 1;
    title.events = {logs_mouse(E_LBUTTON_DOWN, "透明标签1"), logs_mouse(E_LBUTTON_UP, "透明标签1"),
                    logs_mouse(E_DOUBLE_CLICK, "透明标签1"), logs_mouse(E_RBUTTON_DOWN, "透明标签1")};

    UnitDef picture = make_unit("图片框1", UnitType::PictureBox, 420, 80, 106, 65);

    UnitDef board = make_unit("画板1", UnitType::DrawingBoard, 10, 180, 120, 80);
    board.back_color = kWhite;
    board.events = {on_mouse(E_RBUTTON_DOWN, [](int32_t, int32_t, int32_t) {
        rt_popup_menu(rt_window(MainWindow), unit("菜单_板"));
        note("popup returned");
    })};

    UnitDef group = make_unit("分组框1", UnitType::GroupBox, 140, 180, 200, 80);
    group.caption = "分组";
    UnitDef radio1 = make_unit("单选框1", UnitType::RadioBox, 10, 20, 80, 20);
    radio1.parent = "分组框1";
    radio1.caption = "一";
    radio1.checked = true;
    radio1.events = {logs(E_CLICK, "click 单选框1")};
    UnitDef radio2 = make_unit("单选框2", UnitType::RadioBox, 10, 45, 80, 20);
    radio2.parent = "分组框1";
    radio2.caption = "二";
    radio2.events = {logs(E_CLICK, "click 单选框2")};
    UnitDef radio3 = make_unit("单选框3", UnitType::RadioBox, 350, 210, 80, 20);
    radio3.caption = "三";
    radio3.checked = true;

    UnitDef check = make_unit("选择框1", UnitType::CheckBox, 350, 180, 100, 20);
    check.caption = "选择";
    check.events = {logs(E_CLICK, "click 选择框1")};

    UnitDef shape = make_unit("外形框1", UnitType::ShapeBox, 460, 180, 150, 150);
    shape.border = 1;
    shape.back_color = kWhite;
    shape.events = {on_mouse(E_LBUTTON_DOWN, [](int32_t, int32_t, int32_t) {
        rt_send_message(unit("外形框1"), 161, 2, 0);
        note("dropped at " + std::to_string(rt_get_int(unit("外形框1"), P_LEFT)) + "," +
             std::to_string(rt_get_int(unit("外形框1"), P_TOP)));
    })};

    UnitDef file_dialog = make_unit("通用对话框1", UnitType::CommonDialog, 24, 56, 16, 24);
    UnitDef font_dialog = make_unit("通用对话框_字体", UnitType::CommonDialog, 8, 8, 40, 24);
    font_dialog.dialog_kind = 2;
    font_dialog.font = FontSpec{"隶书", 16};
    font_dialog.text_color = kBlue;

    UnitDef timer = make_unit("时钟1", UnitType::Timer, 0, 0, 0, 0);
    timer.events = {on(E_TICK, [] {
        ++state().ticks;
        note("tick");
    })};

    UnitDef box = make_unit("动画框1", UnitType::AnimationBox, 0, 270, 300, 200);
    box.back_color = kWhite;
    UnitDef object = make_unit("动画物体1", UnitType::AnimationObject, 0, 0, 100, 60);
    object.flags = 0;
    object.picture = solid_bmp(100, 60, kRed);

    UnitDef hot_key_target = make_unit("标签_热键", UnitType::Label, 600, 10, 20, 20);
    hot_key_target.flags = 0;
    hot_key_target.events = {logs(E_HOT_KEY, "hot key")};

    d.units = {button, image, edit, label, title, picture, board, group, radio1, radio2, radio3, check, shape,
               file_dialog, font_dialog, timer, box, object, hot_key_target,
               menu_item("菜单_板", "", M_HIDDEN), menu_item("甲", "菜单_板"),
               menu_item("乙", "菜单_板", M_TICKED), menu_item("子菜单", "菜单_板"), menu_item("丙", "子菜单"),
               menu_item("丁", "菜单_板", M_GREYED), menu_item("戊", "菜单_板", M_HIDDEN)};
    return d;
}

WindowDef modal_window()
{
    WindowDef d;
    d.id = ModalWindow;
    d.name = "模态窗口";
    d.title = "模态";
    d.width = 200;
    d.height = 100;
    d.events = {logs(E_CREATED, "modal created")};
    UnitDef close = make_unit("按钮_关闭", UnitType::Button, 10, 10, 80, 30);
    close.caption = "关闭";
    close.events = {on(E_CLICK, [] {
        rt_destroy_window(ModalWindow);
        // The close waits for the queue: this handler still has its window.
        note(std::string("after destroy ") + (rt_is_loaded(ModalWindow) ? "loaded" : "gone"));
    })};
    d.units = {close};
    return d;
}

WindowDef child_window()
{
    WindowDef d;
    d.id = ChildWindow;
    d.name = "子窗口";
    d.width = 200;
    d.height = 100;
    d.events = {on(E_CREATED, [] {
        if (state().hide_child_when_created)
            rt_set(rt_window(ChildWindow), P_VISIBLE, false);
        note("child created");
    })};
    UnitDef b = make_unit("按钮1", UnitType::Button, 10, 10, 80, 30);
    b.events = {logs(E_CLICK, "click 子窗口.按钮1")};
    d.units = {b};
    return d;
}

WindowDef hidden_window()
{
    WindowDef d;
    d.id = HiddenWindow;
    d.name = "隐藏窗口";
    d.visible = false;
    d.events = {logs(E_CREATED, "hidden created")};
    return d;
}

} // namespace

Bytes solid_bmp(int width, int height, uint32_t colorref)
{
    const int row = (width * 3 + 3) / 4 * 4;
    Bytes b{'B', 'M'};
    put32(b, static_cast<uint32_t>(54 + row * height));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(width));
    put32(b, static_cast<uint32_t>(height));
    put16(b, 1);
    put16(b, 24);
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            b.push_back(static_cast<uint8_t>(colorref >> 16));  // blue
            b.push_back(static_cast<uint8_t>(colorref >> 8));   // green
            b.push_back(static_cast<uint8_t>(colorref));        // red
        }
        b.insert(b.end(), static_cast<size_t>(row - width * 3), 0);
    }
    return b;
}

Bytes cursor_file(int hot_x, int hot_y)
{
    const int n = 32;
    Bytes b;
    put16(b, 0);
    put16(b, 2);  // cursor
    put16(b, 1);
    b.push_back(n);
    b.push_back(n);
    b.push_back(0);
    b.push_back(0);
    put16(b, static_cast<uint16_t>(hot_x));
    put16(b, static_cast<uint16_t>(hot_y));
    const uint32_t size = 40 + n * n * 4 + n * 4;
    put32(b, size);
    put32(b, 22);
    put32(b, 40);
    put32(b, n);
    put32(b, 2 * n);
    put16(b, 1);
    put16(b, 32);
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    for (int i = 0; i < n * n; ++i)
        put32(b, 0xFF000000u);  // opaque black
    b.insert(b.end(), static_cast<size_t>(n * 4), 0);
    return b;
}

std::pair<int, int> picture_size(const Bytes& picture)
{
    const QSize size = decode_picture(picture).size();
    return size.isValid() ? std::make_pair(size.width(), size.height()) : std::make_pair(0, 0);
}

void define_windows()
{
    rt_define_window(main_window());
    rt_define_window(modal_window());
    rt_define_window(child_window());
    rt_define_window(hidden_window());
}

void DemoTest::SetUp()
{
    state() = State{};
    rt_set_dialog_backend(&dialogs);
    define_windows();
}

void DemoTest::TearDown()
{
    for (int id : {ChildWindow, ModalWindow, HiddenWindow, MainWindow})
        if (rt_is_loaded(id))
            rt_destroy_window(id);
    rt_do_events();
    for (int id : {ChildWindow, ModalWindow, HiddenWindow, MainWindow})
        EXPECT_FALSE(rt_is_loaded(id)) << "window " << id << " outlived its test";
    rt_set_dialog_backend(nullptr);
    state() = State{};
}

void DemoTest::open_main()
{
    ASSERT_TRUE(rt_load_window(MainWindow));
    ASSERT_TRUE(rt_is_loaded(MainWindow));
}

bool DemoTest::logged(const std::string& entry) const
{
    const auto& l = state().log;
    return std::find(l.begin(), l.end(), entry) != l.end();
}

} // namespace demo
