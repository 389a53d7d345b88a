// A small program on the window layer for end-to-end runs: a full-screen
// window with buttons (one asks a question, one asks for a text), a label
// that moves with the mouse, a red box, a pop-up menu on the right button
// and a Shift+Q hot key; everything it sees goes into a log file.
//   ui_demo_app <log file>          the full-screen window
//   ui_demo_app <log file> plain    a small framed window that takes the focus
#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/ui.h"

namespace {

std::string log_path;

void note(const std::string& line)
{
    std::ofstream out(log_path, std::ios::app);
    out << line << '\n';
}

constexpr int kStage = 1;
constexpr int kPlain = 2;

WindowDef stage()
{
    WindowDef d;
    d.id = kStage;
    d.name = "舞台";
    d.title = "ui demo stage";
    d.border = 0;
    d.back_color = 0x00336699;  // red 0x99, green 0x66, blue 0x33
    d.events = {
        on(E_CREATED,
           [] {
               const UnitRef w = rt_window(kStage);
               rt_set(w, P_LEFT, 0);
               rt_set(w, P_TOP, 0);
               rt_set(w, P_WIDTH, rt_screen_width());
               rt_set(w, P_HEIGHT, rt_screen_height());
               const int32_t id = rt_register_hot_key(w, rt_unit(kStage, "标签_热键"), 2, 'Q');
               note("ready " + std::to_string(rt_screen_width()) + "x" + std::to_string(rt_screen_height()) +
                    " hotkey " + std::to_string(id));
           }),
        on_mouse(E_RBUTTON_DOWN,
                 [](int32_t, int32_t, int32_t) {
                     rt_popup_menu(rt_window(kStage), rt_unit(kStage, "菜单"));
                     note("popup closed");
                 }),
    };

    UnitDef button = make_unit("按钮_记录", UnitType::Button, 100, 100, 200, 60);
    button.caption = "点我";
    button.font = FontSpec{"宋体", 24};
    button.events = {on(E_CLICK, [] { note("click"); })};

    UnitDef title = make_unit("透明标签_拖动", UnitType::TransparentLabel, 400, 100, 300, 80);
    title.caption = "拖动我";
    title.font = FontSpec{"隶书", 48, true};
    title.text_color = 0x0000FFFF;
    title.effect = 1;
    title.events = {on_mouse(E_LBUTTON_DOWN, [](int32_t x, int32_t y, int32_t keys) {
        note("press " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(keys));
        const UnitRef self = rt_unit(kStage, "透明标签_拖动");
        rt_send_message(self, 161, 2, 0);
        note("dropped " + std::to_string(rt_get_int(self, P_LEFT)) + "," + std::to_string(rt_get_int(self, P_TOP)));
    })};

    UnitDef box = make_unit("外形框_红", UnitType::ShapeBox, 800, 600, 200, 200);
    box.back_color = 0x000000FF;
    box.border = 0;

    UnitDef target = make_unit("标签_热键", UnitType::Label, 10, 10, 20, 20);
    target.flags = 0;
    target.events = {on(E_HOT_KEY, [] { note("hotkey"); })};

    UnitDef ask = make_unit("按钮_提问", UnitType::Button, 100, 200, 200, 60);
    ask.caption = "提问";
    ask.events = {on(E_CLICK, [] { note("answer " + std::to_string(rt_message_box("继续吗？", 1, "提问"))); })};

    UnitDef input = make_unit("按钮_输入", UnitType::Button, 100, 300, 200, 60);
    input.caption = "输入";
    input.events = {on(E_CLICK, [] {
        std::string value = "旧";
        const bool ok = rt_input_box("请输入新的文字", "输入", "初始文字", value, 1);
        note("input " + (ok ? value : std::string("cancelled")));
    })};

    const UnitDef menu = make_menu_item("菜单", "", M_HIDDEN);
    UnitDef first = make_menu_item("甲", "菜单", [] { note("menu 甲"); });
    first.caption = "第一项";
    UnitDef second = make_menu_item("乙", "菜单", [] { note("menu 乙"); }, M_TICKED);
    second.caption = "第二项";

    d.units = {button, title, box, target, ask, input, menu, first, second};
    return d;
}

WindowDef plain()
{
    WindowDef d;
    d.id = kPlain;
    d.name = "普通窗口";
    d.title = "ui demo focus thief";
    d.left = 1500;
    d.top = 800;
    d.width = 300;
    d.height = 200;
    d.events = {on(E_CREATED, [] { note("plain ready"); })};
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <log file> [plain]\n", argv[0]);
        return 2;
    }
    log_path = argv[1];
    const bool plain_mode = argc > 2 && std::string(argv[2]) == "plain";
    rt_init(argc, argv);
    rt_define_window(stage());
    rt_define_window(plain());
    rt_load_startup_window(plain_mode ? kPlain : kStage);
    return rt_message_loop();
}
