// The stage of the prize-wheel program: its window as designed, and the
// start-up that restores every stored setting onto it.

#include <array>
#include <string>

#include "common/ui/main_commands.h"
#include "common/ui/prize_settings.h"
#include "common/ui/window_mode.h"
#include "media/wheel_media.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {
namespace {

constexpr uint32_t kYellow = 0x0000FFFF;
// Deep night blue behind the wheel when no background picture is set: the
// red and gold faces and the yellow titles stand out on it across a hall.
constexpr uint32_t kStageBlue = 0x00561C10;
constexpr uint32_t kPanelFill = 0x00F8F0EC;
constexpr uint32_t kPanelLine = 0x00803010;
constexpr uint32_t kCardFill = 0x00DCF8FF;

EventBinding context_menu() { return on_mouse(E_RBUTTON_DOWN, [](int32_t, int32_t, int32_t) { show_context_menu(); }); }

UnitDef child(UnitDef u, std::string parent)
{
    u.parent = std::move(parent);
    return u;
}

// Left button down with the key state; only the key state counts.
EventBinding on_press(void (*press)(int32_t key_state))
{
    return on_mouse(E_LBUTTON_DOWN, [press](int32_t, int32_t, int32_t keys) { press(keys); });
}

UnitDef title_label(std::string name, int top, int height, std::string caption, int font_px,
                    void (*drag)(int32_t key_state))
{
    UnitDef u = make_unit(std::move(name), UnitType::TransparentLabel, 8, top, 632, height, std::move(caption));
    u.font = FontSpec{"宋体", font_px, true};
    u.text_color = kYellow;
    u.effect = 2;
    u.events.push_back(on_press(drag));
    u.events.push_back(context_menu());
    return u;
}

UnitDef centre_label(std::string name, std::string caption, int flags, void (*press)())
{
    UnitDef u = make_unit(std::move(name), UnitType::TransparentLabel, kCentreLeft, kCentreTop, kCentreWidth,
                          kCentreHeight, std::move(caption), flags);
    u.parent = "图片框_背景";
    u.font = FontSpec{"隶书", 40, true}; // 30 points
    u.text_color = kYellow;
    u.effect = 1;
    u.align = 1;
    u.valign = 1;
    u.events.push_back(on_mouse(E_LBUTTON_DOWN, [press](int32_t, int32_t, int32_t) { press(); }));
    u.events.push_back(context_menu());
    return u;
}

UnitDef timer(std::string name, std::string parent, int left, int top, int interval, void (*tick)())
{
    UnitDef u = make_unit(std::move(name), UnitType::Timer, left, top, 0, 0);
    u.parent = std::move(parent);
    u.interval = interval;
    u.events.push_back(on(E_TICK, tick));
    return u;
}

UnitDef panel_field(std::string name, UnitType type, int left, int top, int width, int height,
                    std::string caption = {})
{
    return child(make_unit(std::move(name), type, left, top, width, height, std::move(caption)), "分组框1");
}

} // namespace

WindowDef main_window_definition()
{
    WindowDef w;
    w.id = MainWindow;
    w.name = "MainWindow";
    w.title = "Orvana转盘抽奖软件" + std::string(24, ' ');
    w.left = 50;
    w.top = 50;
    w.width = 778;
    w.height = 677;
    w.border = 1;
    w.back_color = kStageBlue;
    w.events = {
        on(E_CREATED, on_main_window_created),
        on_query(E_MAY_CLOSE, confirm_close),
        context_menu(),
    };

    UnitDef frame = make_unit("外形框1", UnitType::ShapeBox, 75, 160, kFaceSide, kFaceSide);
    frame.border = 0;
    frame.events.push_back(on_press(drag_wheel_frame));
    frame.events.push_back(context_menu());
    w.units.push_back(frame);

    UnitDef face = child(make_unit("图片框_背景", UnitType::PictureBox, 0, 0, kFaceSide, kFaceSide), "外形框1");
    face.events.push_back(on_press(drag_wheel_face));
    face.events.push_back(context_menu());
    w.units.push_back(face);

    for (int k = 1; k <= 8; ++k) {
        const RingPlace& p = kRing[static_cast<size_t>(k - 1)];
        UnitDef slot = child(
            make_unit("图片框" + std::to_string(k), UnitType::PictureBox, p.left, p.top, kSlotWidth, kSlotHeight),
            "图片框_背景");
        slot.events.push_back(on_mouse(E_DOUBLE_CLICK, [k](int32_t, int32_t, int32_t) { choose_prize_picture(k); }));
        slot.events.push_back(context_menu());
        w.units.push_back(slot);
    }

    w.units.push_back(centre_label("透明标签_开始", "开始", F_VISIBLE, on_start_label_down));
    w.units.push_back(centre_label("透明标签_结束", "停止", 0, on_stop_label_down));

    UnitDef button = child(make_unit("按钮1", UnitType::Button, 80, 616, 40, 32, "开始", 0), "外形框1");
    button.events.push_back(on(E_CLICK, toggle_draw));
    w.units.push_back(button);

    w.units.push_back(timer("时钟1", "", 8, 616, 0, on_spin_timer));
    w.units.push_back(timer("时钟2", "外形框1", 8, 608, 200, keep_start_focus));
    w.units.push_back(timer("时钟3_自动停止", "", 112, 8, 0, on_auto_stop_tick));

    UnitDef file_dialog = child(make_unit("通用对话框1", UnitType::CommonDialog, 600, 568, 0, 0), "外形框1");
    file_dialog.dialog_kind = 0;
    w.units.push_back(file_dialog);
    UnitDef font_dialog = make_unit("通用对话框_字体设置", UnitType::CommonDialog, 8, 8, 0, 0);
    // Opens first on the main title's own look, so that changing only the
    // size does not turn a title black.
    font_dialog.font = FontSpec{"宋体", 67, true};
    font_dialog.text_color = kYellow;
    w.units.push_back(font_dialog);

    w.units.push_back(title_label("透明标签_主标题", 15, 110, "某某大卖场购物有奖活动", 67, drag_main_title));
    w.units.push_back(title_label("透明标签_副标题", 104, 70, "--- 现场抽奖仪式 ---", 40, drag_subtitle));

    UnitDef result = make_unit("图片框a_结果", UnitType::PictureBox, 20, 440, 200, 160, {}, 0);
    result.border = 1;
    result.back_color = kCardFill;
    result.events.push_back(on_press(drag_result_picture));
    result.events.push_back(context_menu());
    w.units.push_back(result);

    UnitDef hot_key = make_unit("标签_zd", UnitType::Label, 688, 80, 56, 32, {}, 0);
    hot_key.events.push_back(on(E_HOT_KEY, arm_forced_result));
    hot_key.events.push_back(context_menu());
    w.units.push_back(hot_key);
    w.units.push_back(make_unit("透明标签_zd", UnitType::TransparentLabel, 632, 136, 64, 48, " ", 0));

    // The other-settings panel, hidden until its menu item opens it.
    UnitDef panel = make_unit("外形框2", UnitType::ShapeBox, 8, 112, 272, 200, {}, 0);
    panel.back_color = kPanelFill;
    panel.text_color = kPanelLine;
    panel.border = 1;
    panel.events.push_back(on_mouse(E_LBUTTON_DOWN, [](int32_t, int32_t, int32_t) { drag_other_settings(); }));
    w.units.push_back(panel);
    UnitDef header = child(make_unit("透明标签1", UnitType::TransparentLabel, 6, -1, 69, 24, "● 奖项设置"), "外形框2");
    header.font = FontSpec{"宋体", 12, true};
    header.text_color = kPanelLine;
    header.valign = 1;
    w.units.push_back(header);
    // The icon stands over the header's bullet.
    UnitDef icon = child(make_unit("图片框9", UnitType::PictureBox, 4, 3, 16, 16), "外形框2");
    icon.picture = media::panel_icon();
    w.units.push_back(icon);
    UnitDef close = child(make_unit("标签8", UnitType::Label, 245, 3, 20, 17, "×"), "外形框2");
    close.align = 1;
    close.valign = 1;
    close.text_color = kPanelLine;
    close.events.push_back(on_mouse(E_LBUTTON_DOWN, [](int32_t, int32_t, int32_t) { close_other_settings(); }));
    w.units.push_back(close);
    w.units.push_back(child(make_unit("分组框1", UnitType::GroupBox, 2, 20, 270, 180), "外形框2"));
    w.units.push_back(panel_field("标签6", UnitType::Label, 9, 15, 168, 20, "奖品图片框大小(像素：宽x高)："));
    w.units.push_back(panel_field("编辑框_奖品图片宽", UnitType::EditBox, 181, 16, 28, 25, "200"));
    w.units.push_back(panel_field("标签7", UnitType::Label, 212, 18, 13, 18, "×"));
    w.units.push_back(panel_field("编辑框_奖品图片高", UnitType::EditBox, 229, 16, 28, 25, "160"));
    w.units.push_back(panel_field("标签9", UnitType::Label, 8, 42, 177, 20, "设置抽奖滚动速度(默认30毫秒):"));
    w.units.push_back(panel_field("编辑框_滚动速度", UnitType::EditBox, 180, 42, 53, 23, "30"));
    w.units.push_back(
        panel_field("选择框_禁用特效", UnitType::CheckBox, 8, 69, 254, 16, "禁用特效(中奖后有3种烟花效果随机播放)"));
    w.units.push_back(panel_field("编辑框_自动停止", UnitType::EditBox, 8, 94, 36, 18, "0"));
    w.units.push_back(panel_field("标签1", UnitType::Label, 48, 89, 214, 24, "秒后自动停止滚动(默认0，需手动停止)"));
    w.units.push_back(panel_field("编辑框_转盘大小", UnitType::EditBox, 8, 116, 36, 18, "0"));
    UnitDef zoom_caption =
        panel_field("标签2", UnitType::Label, 48, 112, 214, 24, "转盘大小(默认为0,可填0-4逐渐变大)");
    zoom_caption.events.push_back(context_menu());
    w.units.push_back(zoom_caption);
    UnitDef save = panel_field("按钮_保存", UnitType::Button, 60, 144, 128, 32, "保存");
    save.events.push_back(on(E_CLICK, apply_other_settings));
    w.units.push_back(save);

    // The menu bar item is hidden: the menu only ever opens as a pop-up.
    w.units.push_back(make_menu_item("设置", "", M_HIDDEN));
    w.units.push_back(make_menu_item("奖项设置", "设置", open_password_window));
    w.units.push_back(make_menu_item("其它设置", "设置", open_other_settings));
    w.units.push_back(make_menu_item("转盘放大", "设置", zoom_step, M_HIDDEN));
    w.units.push_back(make_menu_item("主标题", "设置", edit_main_title));
    w.units.push_back(make_menu_item("副标题", "设置", edit_subtitle));
    w.units.push_back(make_menu_item("中奖结果", "设置", open_results_window));
    w.units.push_back(make_menu_item("转盘样式", "设置"));
    const std::array<const char*, 4> styles{"样式一", "样式二", "样式三", "样式四"};
    for (int k = 1; k <= 4; ++k)
        w.units.push_back(make_menu_item(styles[static_cast<size_t>(k - 1)], "转盘样式",
                                         [k] { set_wheel_style(k); }, k == 1 ? M_TICKED : 0));
    w.units.push_back(make_menu_item("字体颜色设置", "设置"));
    w.units.push_back(make_menu_item("主标题字体", "字体颜色设置", choose_main_title_font));
    w.units.push_back(make_menu_item("副标题字体", "字体颜色设置", choose_subtitle_font));
    w.units.push_back(make_menu_item("背景图控制", "设置"));
    w.units.push_back(make_menu_item("更换背景图", "背景图控制", choose_background));
    w.units.push_back(make_menu_item("取消背景图", "背景图控制", clear_background));
    w.units.push_back(make_menu_item("背景音乐控制", "设置"));
    w.units.push_back(make_menu_item("更换背景音乐", "背景音乐控制", choose_background_music));
    w.units.push_back(make_menu_item("启用背景音乐", "背景音乐控制", enable_background_music));
    w.units.push_back(make_menu_item("禁用背景音乐", "背景音乐控制", disable_background_music));
    w.units.push_back(make_menu_item("界面大小", "设置"));
    w.units.push_back(make_menu_item("全屏", "界面大小", set_full_screen, M_TICKED));
    w.units.push_back(make_menu_item("窗口", "界面大小", set_windowed));
    w.units.push_back(make_menu_item("帮助", "设置", show_help));
    w.units.push_back(make_menu_item("关于", "设置", show_about));
    w.units.push_back(make_menu_item("退出", "设置", confirm_exit));
    return w;
}

void on_main_window_created()
{
    const UnitRef window = rt_window(MainWindow);
    const std::string run_dir = rt_get_run_dir();

    // Shift+Q anywhere arms the forced result; a key taken by another
    // program only leaves the wheel without it.
    rt_register_hot_key(window, main_unit("标签_zd"), 2, 0x51);
    rt_create_directory(run_dir + "\\奖品图片");
    zoom_factor = 1.0f;

    cover_screen(MainWindow);

    const UnitRef frame = main_unit("外形框1");
    rt_set(frame, P_LEFT, rt_to_int((rt_screen_width() - rt_get_int(frame, P_WIDTH)) / 2.0));

    const UnitRef main_title = main_unit("透明标签_主标题");
    const UnitRef subtitle = main_unit("透明标签_副标题");
    for (UnitRef t : {main_title, subtitle}) {
        rt_set(t, P_WIDTH, rt_get_int(window, P_WIDTH));
        rt_set(t, P_LABEL_ALIGN, int32_t{1});
    }

    const UnitRef result = main_unit("图片框a_结果");
    struct StoredPlace {
        const char* key;
        UnitRef unit;
        int property;
    };
    for (const StoredPlace& p :
         {StoredPlace{"外形框1左边", frame, P_LEFT}, StoredPlace{"外形框1顶边", frame, P_TOP},
          StoredPlace{"主标题左边", main_title, P_LEFT}, StoredPlace{"主标题顶边", main_title, P_TOP},
          StoredPlace{"副标题左边", subtitle, P_LEFT}, StoredPlace{"副标题顶边", subtitle, P_TOP},
          StoredPlace{"中奖图片左边", result, P_LEFT}, StoredPlace{"中奖图片顶边", result, P_TOP}}) {
        if (const std::string v = stored_setting(p.key); !v.empty())
            rt_set(p.unit, p.property, stored_int(v));
    }

    rt_set(main_unit("选择框_禁用特效"), P_CHECKED, stored_setting("禁用特效") == "真");

    if (const std::string v = stored_setting("奖品图片宽"); !v.empty())
        rt_set(result, P_WIDTH, stored_int(v));
    rt_set(main_unit("编辑框_奖品图片宽"), P_TEXT, rt_to_text(rt_get_int(result, P_WIDTH)));
    if (const std::string v = stored_setting("奖品图片高"); !v.empty())
        rt_set(result, P_HEIGHT, stored_int(v));
    rt_set(main_unit("编辑框_奖品图片高"), P_TEXT, rt_to_text(rt_get_int(result, P_HEIGHT)));

    restore_window_mode(MainWindow);

    const bool music_off = stored_setting("背景音乐") == "假";
    rt_set(main_unit("启用背景音乐"), P_MENU_CHECKED, !music_off);
    rt_set(main_unit("禁用背景音乐"), P_MENU_CHECKED, music_off);

    const std::string auto_stop = stored_setting("自动停止");
    rt_set(main_unit("编辑框_自动停止"), P_TEXT, auto_stop.empty() || auto_stop == "0" ? std::string("0") : auto_stop);

    if (const std::string v = stored_setting("滚动速度"); !v.empty())
        rt_set(main_unit("编辑框_滚动速度"), P_TEXT, v);

    const std::string style = stored_setting("样式");
    int face = 0;
    for (int k = 1; k <= 4 && face == 0; ++k)
        if (style == "zp" + std::to_string(k))
            face = k;
    if (face != 0)
        tick_wheel_style(face);
    // An unknown or missing style shows the first face.
    rt_set(main_unit("图片框_背景"), P_PICTURE, media::wheel_face(face != 0 ? face : 1));

    for (int k = 1; k <= 8; ++k)
        prize_slots.push_back(main_unit("图片框" + std::to_string(k)));
    for (int k = 1; k <= 8; ++k)
        rt_set(prize_slots[static_cast<size_t>(k - 1)], P_PICTURE, rt_read_file(prize_picture_path(k)));

    if (const std::string t = stored_setting("主标题"); !t.empty())
        rt_set(main_title, P_TEXT, t);
    if (const std::string t = stored_setting("副标题"); !t.empty())
        rt_set(subtitle, P_TEXT, t);

    load_prize_counts();

    if (const std::string v = stored_setting("计次"); !v.empty()) {
        rt_set(main_unit("编辑框_转盘大小"), P_TEXT, v);
        zoom_wheel(stored_int(v));
    }

    rt_set(main_unit("通用对话框_字体设置"), P_DIALOG_KIND, int32_t{2});

    restore_title_font(MainWindow, kMainTitle);
    restore_title_font(MainWindow, kSubtitle);

    show_background(MainWindow);

    round_wheel_frame();
}

void set_full_screen() { ::set_full_screen(MainWindow); }
void set_windowed() { ::set_windowed(MainWindow); }

} // namespace wheel
