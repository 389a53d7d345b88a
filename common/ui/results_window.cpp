#include "common/ui/results_window.h"

#include <array>
#include <memory>
#include <string>

#include "common/paths.h"
#include "runtime/ini.h"

namespace {

constexpr std::array<int, 4> kRowTops{28, 74, 120, 166};

std::string tally_key(int k) { return "j" + std::to_string(k); }
UnitRef count_field(int window, int k) { return rt_unit(window, "编辑框" + std::to_string(k)); }

// The eight count fields show j1..j8 as stored: a missing key is an empty
// field, not 0.
void show_tallies(int results_window)
{
    for (int k = 1; k <= 8; ++k)
        rt_set(count_field(results_window, k), P_TEXT, rt_read_config(results_file(), "zjjg", tally_key(k)));
}

void clear_results(int window, const char* not_cleared)
{
    if (rt_message_box("确定要清空中奖结果吗？", 1, std::string("确定清空吗？")) != 0)
        return;
    bool cleared = true;
    for (int k = 1; k <= 8; ++k)
        cleared = rt_write_config(results_file(), "zjjg", tally_key(k), "0") && cleared;
    if (!cleared) {
        // The fields must not claim a reset the file did not get.
        show_tallies(window);
        rt_message_box(not_cleared, 0);
        return;
    }
    for (int k = 1; k <= 8; ++k)
        rt_set(count_field(window, k), P_TEXT, std::string("0"));
}

} // namespace

WindowDef make_results_window_definition(int window_id, GradePicture grade_picture, const char* not_cleared)
{
    auto picture = std::make_shared<const GradePicture>(std::move(grade_picture));

    WindowDef w;
    w.id = window_id;
    w.name = "ResultsWindow";
    w.title = "中奖结果";
    w.left = 50;
    w.top = 50;
    w.width = 484;
    w.height = 284;
    w.events = {on(E_CREATED, [window_id, picture] {
        for (int k = 1; k <= 8; ++k)
            rt_set(rt_unit(window_id, "图片框" + std::to_string(k)), P_PICTURE, (*picture)(k));
        show_tallies(window_id);
    })};

    w.units.push_back(make_unit("标签1", UnitType::Label, 4, 0, 104, 24, "奖品"));
    w.units.push_back(make_unit("标签2", UnitType::Label, 115, 0, 104, 24, "已中奖数量", F_VISIBLE | F_DISABLED));
    w.units.push_back(make_unit("标签3", UnitType::Label, 248, 0, 104, 24, "奖品"));
    w.units.push_back(make_unit("标签4", UnitType::Label, 359, 0, 104, 24, "已中奖数量", F_VISIBLE | F_DISABLED));

    for (int k = 1; k <= 8; ++k) {
        const bool left_half = k <= 4;
        const int top = kRowTops[static_cast<size_t>((k - 1) % 4)];
        const std::string n = std::to_string(k);
        UnitDef box = make_unit("图片框" + n, UnitType::PictureBox, left_half ? 8 : 248, top, 100, 40);
        box.font.reset();
        box.border = 1;
        w.units.push_back(box);
        // The operator reads the counts here but cannot edit them; they are
        // drawn large and black, not in the faint grey of a disabled box.
        UnitDef count = make_unit("编辑框" + n, UnitType::EditBox, left_half ? 124 : 364, top, 100, 40, "0",
                                  F_VISIBLE | F_DISABLED);
        count.font = FontSpec{"宋体", 20, true};
        count.text_color = 0x00000000;
        w.units.push_back(count);
    }

    UnitDef clear = make_unit("按钮1", UnitType::Button, 184, 216, 112, 29, "清空中奖", F_VISIBLE | F_FOCUS_STOP);
    clear.events.push_back(on(E_CLICK, [window_id, not_cleared] { clear_results(window_id, not_cleared); }));
    w.units.push_back(clear);
    return w;
}
