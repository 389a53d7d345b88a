// The prize settings: each grade's value and the draw mode. The pictures
// are the ring's; they are chosen on the wheel itself.

#include <array>
#include <string>

#include "common/ui/prize_settings.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {
namespace {

const std::array<const char*, 8> kDesignedValues{"1", "2", "4", "8", "10", "15", "20", "50"};
constexpr std::array<int, 4> kRowTops{28, 74, 120, 166};

UnitRef settings_unit(const std::string& name) { return rt_unit(PrizeSettingsWindow, name); }

void on_prize_settings_created()
{
    for (int k = 1; k <= 8; ++k) {
        const std::string n = std::to_string(k);
        rt_set(settings_unit("图片框" + n), P_PICTURE, rt_get_bytes(main_unit("图片框" + n), P_PICTURE));
    }
    show_stored_prize_values(PrizeSettingsWindow);
    show_draw_mode(PrizeSettingsWindow);
}

void save_prize_settings()
{
    PrizeValueTexts values;
    if (!write_prize_values(PrizeSettingsWindow, values)) {
        // What did not reach the file would be lost at the next spin or
        // start: keep the window open instead of reporting success.
        rt_message_box("设置没有保存成功！请检查程序文件夹是否可以写入！", 0);
        return;
    }
    set_prize_counts(values);
    rt_message_box("设置成功！", 0);
    rt_destroy_window(PrizeSettingsWindow);
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
    w.width = 564;
    w.height = 433;
    w.events = {on(E_CREATED, on_prize_settings_created)};

    w.units.push_back(make_unit("标签1", UnitType::Label, 4, 0, 104, 24, "对应奖品"));
    w.units.push_back(make_unit("标签2", UnitType::Label, 115, 0, 157, 24, "中奖概率(奖品数量)"));
    w.units.push_back(make_unit("标签5", UnitType::Label, 280, 0, 104, 24, "对应奖品"));
    w.units.push_back(make_unit("标签6", UnitType::Label, 391, 0, 157, 24, "中奖概率(奖品数量)"));

    for (int k = 1; k <= 8; ++k) {
        const bool left_half = k <= 4;
        const int top = kRowTops[static_cast<size_t>((k - 1) % 4)];
        const std::string n = std::to_string(k);

        UnitDef picture = make_unit("图片框" + n, UnitType::PictureBox, left_half ? 8 : 288, top, 100, 40);
        // A thin frame, so that a grade without a picture still shows its place.
        picture.border = 1;
        w.units.push_back(picture);

        UnitDef value = make_unit("编辑框" + n, UnitType::EditBox, left_half ? 115 : 391, top, 157, 40,
                                  kDesignedValues[static_cast<size_t>(k - 1)], F_VISIBLE | F_FOCUS_STOP);
        value.font = FontSpec{"宋体", 20, true};
        w.units.push_back(value);
    }

    UnitDef by_quantity = make_unit("单选框1", UnitType::RadioBox, 103, 224, 150, 24, "按奖品数量抽奖");
    by_quantity.events.push_back(on(E_CLICK, [] { select_quantity_mode(PrizeSettingsWindow); }));
    w.units.push_back(by_quantity);
    UnitDef by_probability = make_unit("单选框2", UnitType::RadioBox, 327, 224, 150, 24, "按概率抽奖");
    by_probability.events.push_back(on(E_CLICK, [] { select_probability_mode(PrizeSettingsWindow); }));
    w.units.push_back(by_probability);

    w.units.push_back(make_unit("分组框1", UnitType::GroupBox, 7, 243, 537, 125));
    UnitDef explanation = make_unit("标签3", UnitType::Label, 8, 15, 521, 102, kDrawModeExplanation);
    explanation.parent = "分组框1";
    // Six lines must fit the narrower box.
    explanation.font = FontSpec{"宋体", 12, false};
    explanation.word_wrap = true;
    w.units.push_back(explanation);

    UnitDef ok = make_unit("按钮1", UnitType::Button, 223, 372, 112, 29, "确定", F_VISIBLE | F_FOCUS_STOP);
    ok.font = FontSpec{"宋体", 12, false};
    ok.events.push_back(on(E_CLICK, save_prize_settings));
    w.units.push_back(ok);
    return w;
}

} // namespace wheel
