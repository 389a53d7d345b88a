// The stage of the golden-egg program: its window as designed, and the
// routines that lay it out at start-up and keep the prize board as large as
// the window.

#include <array>
#include <string>

#include "common/ui/main_commands.h"
#include "common/ui/prize_settings.h"
#include "common/ui/window_mode.h"
#include "egg/egg.h"
#include "media/egg_media.h"
#include "runtime/ui.h"

namespace egg {
namespace {

constexpr uint32_t kYellow = 0x0000FFFF;
constexpr uint32_t kWhite = 0x00FFFFFF;
// Deep festive red behind the eggs when no background picture is set: the
// golden eggs and the yellow titles stand out on it from across a hall.
constexpr uint32_t kStageRed = 0x00101890;

struct EggPlace {
    int left, top;
};
constexpr std::array<EggPlace, 9> kEggPlaces{{
    {152, 288}, {352, 184}, {566, 184}, {730, 280}, {153, 476},
    {340, 559}, {548, 563}, {748, 476}, {461, 373},
}};

UnitDef title_label(std::string name, int top, int height, std::string caption, int font_px,
                    void (*drag)(int32_t, int32_t, int32_t))
{
    UnitDef u = make_unit(std::move(name), UnitType::TransparentLabel, 132, top, 632, height);
    u.caption = std::move(caption);
    u.font = FontSpec{"宋体", font_px, true};
    u.text_color = kYellow;
    u.events.push_back(on_mouse(E_LBUTTON_DOWN, drag));
    u.events.push_back(on_mouse(E_RBUTTON_DOWN, [](int32_t, int32_t, int32_t) { show_settings_menu(); }));
    return u;
}

UnitRef main_unit(const std::string& name) { return rt_unit(MainWindow, name); }
UnitRef egg_button(int k) { return main_unit("图形按钮" + std::to_string(k)); }

} // namespace

WindowDef main_window_definition()
{
    WindowDef w;
    w.id = MainWindow;
    w.name = "MainWindow";
    w.title = "Orvana砸金蛋抽奖软件      ";
    w.left = 50;
    w.top = 50;
    w.width = 1026;
    w.height = 787;
    w.border = 1;
    w.back_color = kStageRed;
    w.events = {
        on(E_CREATED, on_main_window_created),
        on(E_SIZE_CHANGED, on_main_window_resized),
        on_query(E_MAY_CLOSE, confirm_close),
        on_mouse(E_RBUTTON_DOWN, [](int32_t, int32_t, int32_t) { show_settings_menu(); }),
    };

    w.units.push_back(title_label("透明标签_主标题", 8, 110, "某某大卖场购物有奖活动", 67, drag_main_title));
    w.units.push_back(title_label("透明标签_副标题", 97, 70, "--- 现场抽奖仪式 ---", 40, drag_subtitle));

    // Units stack in the order they are defined here, each above those
    // before it: the eggs stand on a shown prize, so that a click on one
    // runs a draw inside the one on show, and the reveal plays over the eggs.
    UnitDef board = make_unit("画板相片", UnitType::DrawingBoard, 120, 64, 200, 184, {}, 0);
    board.events.push_back(on_mouse(E_RBUTTON_DOWN, [](int32_t, int32_t, int32_t) { show_close_menu(); }));
    w.units.push_back(board);

    UnitDef close = make_unit("透明标签_关闭", UnitType::TransparentLabel, 0, 0, 88, 48, {}, 0);
    close.parent = "画板相片";
    close.caption = "关闭";
    close.font = FontSpec{"隶书", 29, true};
    close.text_color = kWhite;
    // Outlined and shadowed: a grade without a picture leaves the board white.
    close.effect = 3;
    close.align = 1;
    close.valign = 1;
    close.events.push_back(on_mouse(E_LBUTTON_DOWN, [](int32_t, int32_t, int32_t) { hide_prize_display(); }));
    w.units.push_back(close);

    for (int k = 1; k <= 9; ++k) {
        const EggPlace& p = kEggPlaces[static_cast<size_t>(k - 1)];
        UnitDef egg = make_unit("图形按钮" + std::to_string(k), UnitType::ImageButton, p.left, p.top, 200, 188);
        egg.cursor = media::hammer_cursor();
        egg.events.push_back(on(E_CLICK, [k] { on_egg_click(k); }));
        if (k == 1)
            egg.events.push_back(on_mouse(E_LBUTTON_UP, [](int32_t, int32_t, int32_t) { restore_hammer_cursor(); }));
        w.units.push_back(egg);
    }

    w.units.push_back(make_unit("动画框1", UnitType::AnimationBox, 120, 64, 216, 200, {}, 0));
    w.units.push_back(make_unit("动画物体1", UnitType::AnimationObject, 568, 72, 50, 50, {}, 0));

    UnitDef file_dialog = make_unit("通用对话框1", UnitType::CommonDialog, 24, 56, 16, 24);
    file_dialog.dialog_kind = 0;
    w.units.push_back(file_dialog);
    UnitDef font_dialog = make_unit("通用对话框_字体设置", UnitType::CommonDialog, 8, 8, 40, 24);
    font_dialog.dialog_kind = 2;
    // Opens first on the main title's own look, so that changing only the
    // size does not turn a title black.
    font_dialog.font = FontSpec{"宋体", 67, true};
    font_dialog.text_color = kYellow;
    w.units.push_back(font_dialog);

    // Both menus are hidden: they only ever open as pop-up menus.
    w.units.push_back(make_menu_item("关闭菜单", "", M_HIDDEN));
    w.units.push_back(make_menu_item("关闭", "关闭菜单", hide_prize_display));

    w.units.push_back(make_menu_item("设置", "", M_HIDDEN));
    w.units.push_back(make_menu_item("主标题", "设置", edit_main_title));
    w.units.push_back(make_menu_item("副标题", "设置", edit_subtitle));
    w.units.push_back(make_menu_item("奖项设置", "设置", open_password_window));
    w.units.push_back(make_menu_item("调整金蛋位置", "设置", open_egg_layout_window));
    w.units.push_back(make_menu_item("字体颜色设置", "设置"));
    w.units.push_back(make_menu_item("主标题字体", "字体颜色设置", choose_main_title_font));
    w.units.push_back(make_menu_item("副标题字体", "字体颜色设置", choose_subtitle_font));
    w.units.push_back(make_menu_item("背景图控制", "设置"));
    w.units.push_back(make_menu_item("更换背景图", "背景图控制", choose_background));
    w.units.push_back(make_menu_item("取消背景图", "背景图控制", clear_background));
    w.units.push_back(make_menu_item("中奖结果", "设置", open_results_window));
    w.units.push_back(make_menu_item("界面大小", "设置"));
    w.units.push_back(make_menu_item("全屏", "界面大小", set_full_screen, M_TICKED));
    w.units.push_back(make_menu_item("窗口", "界面大小", set_windowed));
    w.units.push_back(make_menu_item("帮助", "设置"));
    w.units.push_back(make_menu_item("退出", "设置", confirm_exit));
    return w;
}

void on_main_window_created()
{
    const UnitRef window = rt_window(MainWindow);
    cover_screen(MainWindow);
    fit_board_to_window();

    for (int k = 1; k <= 9; ++k)
        rt_set(egg_button(k), P_PICTURE, media::egg_picture(k));

    load_prize_counts();

    show_egg_count();

    for (const char* name : {"透明标签_主标题", "透明标签_副标题"}) {
        const UnitRef u = main_unit(name);
        rt_set(u, P_LEFT, int32_t{0});
        rt_set(u, P_WIDTH, rt_get_int(window, P_WIDTH));
        rt_set(u, P_LABEL_ALIGN, int32_t{1});
    }

    const UnitRef main_title = main_unit("透明标签_主标题");
    const UnitRef subtitle = main_unit("透明标签_副标题");
    struct Place {
        const char* key;
        UnitRef unit;
        int property;
    };
    for (const Place& p : {Place{"主标题左边", main_title, P_LEFT}, Place{"主标题顶边", main_title, P_TOP},
                           Place{"副标题左边", subtitle, P_LEFT}, Place{"副标题顶边", subtitle, P_TOP}}) {
        const std::string v = stored_setting(p.key);
        if (!v.empty())
            rt_set(p.unit, p.property, stored_int(v));
    }

    if (const std::string t = stored_setting("主标题"); !t.empty())
        rt_set(main_title, P_TEXT, t);
    if (const std::string t = stored_setting("副标题"); !t.empty())
        rt_set(subtitle, P_TEXT, t);

    restore_title_font(MainWindow, kMainTitle);
    restore_title_font(MainWindow, kSubtitle);

    restore_window_mode(MainWindow);

    show_background(MainWindow);

    apply_egg_positions();
}

void set_full_screen() { ::set_full_screen(MainWindow); }
void set_windowed() { ::set_windowed(MainWindow); }

void show_egg_count()
{
    const std::string text = stored_setting("金蛋个数");
    if (text.empty())
        return;
    const int32_t n = stored_int(text);
    if (n < 1 || n > 9)
        return;
    for (int k = 1; k <= 9; ++k)
        rt_set(egg_button(k), P_VISIBLE, k <= n);
}

void apply_egg_positions()
{
    for (int k = 1; k <= 9; ++k) {
        const std::string d = "d" + std::to_string(k);
        const std::string left = stored_setting((d + "左边").c_str());
        if (left.empty())
            continue;
        // The top key is taken as it stands: an empty one puts the egg at 0.
        const UnitRef egg = egg_button(k);
        rt_set(egg, P_LEFT, stored_int(left));
        rt_set(egg, P_TOP, stored_int(stored_setting((d + "顶边").c_str())));
    }
}

void on_main_window_resized() { fit_board_to_window(); }

void fit_board_to_window()
{
    const UnitRef window = rt_window(MainWindow);
    for (const char* name : {"画板相片", "动画框1"}) {
        const UnitRef u = main_unit(name);
        rt_set(u, P_LEFT, int32_t{0});
        rt_set(u, P_TOP, int32_t{0});
        rt_set(u, P_WIDTH, rt_get_int(window, P_WIDTH));
        rt_set(u, P_HEIGHT, rt_get_int(window, P_HEIGHT));
    }
    // Decoded while the operator waits, the drawn grade's picture shows the
    // moment its egg is smashed.
    for (int k = 1; k <= 8; ++k)
        prepare_prize_picture(k);
}

} // namespace egg
