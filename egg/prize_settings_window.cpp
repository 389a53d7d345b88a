// The prize settings: each grade's picture, value and music, the draw mode,
// how many eggs the stage shows and the two switches.

#include <array>
#include <string>

#include "common/ui/main_commands.h"
#include "common/ui/prize_settings.h"
#include "egg/egg.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ui.h"

namespace egg {
namespace {

const std::array<const char*, 8> kDesignedValues{"1", "2", "4", "8", "10", "15", "20", "50"};
constexpr std::array<int, 4> kRowTops{28, 74, 120, 166};

// Left edges of a grade's picture box, value field and music button.
struct GradeColumns {
    int picture, value, music;
};
constexpr GradeColumns kLeftHalf{8, 131, 256};
constexpr GradeColumns kRightHalf{392, 519, 660};

// Egg counts this close to the range still pass.
constexpr double kCountTolerance = 0.0000001;

UnitRef settings_unit(const std::string& name) { return rt_unit(PrizeSettingsWindow, name); }
UnitRef picture_box(int k) { return settings_unit("图片框" + std::to_string(k)); }

std::string prize_sound_path(int k) { return rt_get_run_dir() + "\\wav\\" + std::to_string(k) + ".mp3"; }

void on_prize_settings_created()
{
    if (const std::string n = stored_setting("金蛋个数"); !n.empty())
        rt_set(settings_unit("编辑框_金蛋个数"), P_TEXT, n);

    for (int k = 1; k <= 8; ++k)
        rt_set(picture_box(k), P_PICTURE, rt_read_file(prize_picture_path(k)));

    show_stored_prize_values(PrizeSettingsWindow);
    show_draw_mode(PrizeSettingsWindow);

    rt_set(settings_unit("选择框_禁用特效"), P_CHECKED, stored_setting("禁用特效") == "真");
    rt_set(settings_unit("选择框_禁用背景音乐"), P_CHECKED, stored_setting("禁用背景音乐") == "真");
}

void save_prize_settings()
{
    const std::string count_text = rt_get_text(settings_unit("编辑框_金蛋个数"), P_TEXT);
    const double count = rt_to_number(count_text);
    if (count - 9 > kCountTolerance || count - 1 < -kCountTolerance) {
        rt_message_box("界面显示金蛋个数必须是1到9之间的整数  请重新设置", 0);
        return;
    }

    bool saved = store_setting("禁用特效", rt_to_text(rt_get_bool(settings_unit("选择框_禁用特效"), P_CHECKED)));
    saved = store_setting("禁用背景音乐", rt_to_text(rt_get_bool(settings_unit("选择框_禁用背景音乐"), P_CHECKED)))
            && saved;
    saved = store_setting("金蛋个数", count_text) && saved;
    PrizeValueTexts values;
    saved = write_prize_values(PrizeSettingsWindow, values) && saved;
    if (!saved) {
        // What did not reach the file would be lost at the next draw or
        // start: keep the window open instead of reporting success.
        rt_message_box("设置没有保存成功  请检查程序文件夹是否可以写入  ", 0);
        return;
    }

    set_prize_counts(values);
    show_egg_count();
    rt_message_box("设置成功  ", 0);
    rt_destroy_window(PrizeSettingsWindow);
}

void choose_prize_picture(int k)
{
    const std::string target = prize_picture_path(k);
    if (!choose_file(PrizeSettingsWindow, "图形文件(*.jpg)|*.jpg", target))
        return;
    // The box shows what now stands in the target, copied or not.
    rt_set(picture_box(k), P_PICTURE, rt_read_file(target));
    prepare_prize_picture(k);
}

void choose_prize_sound(int k)
{
    choose_file(PrizeSettingsWindow, "图形文件(*.mp3)|*.mp3", prize_sound_path(k));
}

} // namespace

WindowDef prize_settings_window_definition()
{
    WindowDef w;
    w.id = PrizeSettingsWindow;
    w.name = "PrizeSettingsWindow";
    w.title = "设置";
    w.left = 50;
    w.top = 50;
    w.width = 794;
    w.height = 433;
    w.events = {on(E_CREATED, on_prize_settings_created)};

    w.units.push_back(make_unit("标签1", UnitType::Label, 4, 0, 104, 24, "对应奖品"));
    w.units.push_back(make_unit("标签2", UnitType::Label, 98, 0, 165, 24, "奖品数值"));
    w.units.push_back(make_unit("标签8", UnitType::Label, 256, 0, 104, 24, "中奖音乐"));
    w.units.push_back(make_unit("标签5", UnitType::Label, 384, 0, 104, 24, "对应奖品"));
    w.units.push_back(make_unit("标签6", UnitType::Label, 495, 0, 157, 24, "奖品数值"));
    w.units.push_back(make_unit("标签9", UnitType::Label, 656, 0, 104, 24, "中奖音乐"));

    for (int k = 1; k <= 8; ++k) {
        const GradeColumns& c = k <= 4 ? kLeftHalf : kRightHalf;
        const int top = kRowTops[static_cast<size_t>((k - 1) % 4)];
        const std::string n = std::to_string(k);

        UnitDef picture = make_unit("图片框" + n, UnitType::PictureBox, c.picture, top, 100, 40);
        // A thin frame, so the operator finds a box that has no picture yet.
        picture.border = 1;
        picture.events.push_back(on_mouse(E_DOUBLE_CLICK, [k](int32_t, int32_t, int32_t) { choose_prize_picture(k); }));
        w.units.push_back(picture);

        UnitDef value = make_unit("编辑框" + n, UnitType::EditBox, c.value, top, 100, 40,
                             kDesignedValues[static_cast<size_t>(k - 1)]);
        value.flags = F_VISIBLE | F_FOCUS_STOP;
        value.font = FontSpec{"宋体", 20, true};
        w.units.push_back(value);

        UnitDef music = make_unit("按钮_bjyy" + n, UnitType::Button, c.music, top, 100, 40, "设置中奖音乐");
        music.events.push_back(on(E_CLICK, [k] { choose_prize_sound(k); }));
        w.units.push_back(music);
    }

    UnitDef hint = make_unit("标签4", UnitType::Label, 12, 210, 764, 16,
                        "鼠标双击图片选择更改奖品图片类型，中奖概率（奖品数量）必须为整数，若设置为0，则当前奖项不会中奖。");
    hint.font = FontSpec{"宋体", 12, true};
    w.units.push_back(hint);

    w.units.push_back(make_unit("标签7", UnitType::Label, 89, 231, 144, 16, "界面显示金蛋个数(1-9个)："));
    UnitDef count = make_unit("编辑框_金蛋个数", UnitType::EditBox, 240, 231, 33, 16, "9");
    count.flags = F_VISIBLE | F_FOCUS_STOP;
    w.units.push_back(count);

    UnitDef by_quantity = make_unit("单选框1", UnitType::RadioBox, 281, 231, 109, 16, "按奖品数量抽奖");
    by_quantity.events.push_back(on(E_CLICK, [] { select_quantity_mode(PrizeSettingsWindow); }));
    w.units.push_back(by_quantity);
    UnitDef by_probability = make_unit("单选框2", UnitType::RadioBox, 396, 231, 82, 16, "按概率抽奖");
    by_probability.events.push_back(on(E_CLICK, [] { select_probability_mode(PrizeSettingsWindow); }));
    w.units.push_back(by_probability);

    w.units.push_back(make_unit("选择框_禁用特效", UnitType::CheckBox, 496, 231, 96, 16, "禁用烟花特效"));
    w.units.push_back(make_unit("选择框_禁用背景音乐", UnitType::CheckBox, 603, 231, 96, 16, "禁用背景音乐"));

    w.units.push_back(make_unit("分组框1", UnitType::GroupBox, 7, 256, 769, 111, "设置说明"));
    UnitDef explanation = make_unit("标签3", UnitType::Label, 8, 15, 753, 88, kDrawModeExplanation);
    explanation.parent = "分组框1";
    explanation.font = FontSpec{"宋体", 14, false};
    explanation.word_wrap = true;
    w.units.push_back(explanation);

    UnitDef ok = make_unit("按钮1", UnitType::Button, 338, 371, 112, 29, "确定");
    ok.flags = F_VISIBLE | F_FOCUS_STOP;
    ok.font = FontSpec{"宋体", 12, false};
    ok.events.push_back(on(E_CLICK, save_prize_settings));
    w.units.push_back(ok);

    UnitDef dialog = make_unit("通用对话框1", UnitType::CommonDialog, 504, 376, 32, 24);
    dialog.dialog_kind = 0;
    w.units.push_back(dialog);
    return w;
}

} // namespace egg
