// The tally of wins per prize grade, and clearing it before a new event.

#include <array>
#include <string>

#include "egg/egg.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/ui.h"

namespace egg {
namespace {

constexpr std::array<int, 4> kRowTops{28, 74, 120, 166};


UnitRef count_field(int k) { return rt_unit(ResultsWindow, "编辑框" + std::to_string(k)); }
std::string tally_key(int k) { return "j" + std::to_string(k); }

void show_tallies()
{
    for (int k = 1; k <= 8; ++k)
        rt_set(count_field(k), P_TEXT, rt_read_config(results_path(), "zjjg", tally_key(k)));
}

void on_results_window_created()
{
    for (int k = 1; k <= 8; ++k)
        rt_set(rt_unit(ResultsWindow, "图片框" + std::to_string(k)), P_PICTURE,
               rt_read_file(rt_get_run_dir() + "\\奖品图片\\" + std::to_string(k) + ".jpg"));
    // A missing tally shows as an empty field, not as 0.
    show_tallies();
}

void clear_results()
{
    if (rt_message_box("确定要清空中奖结果吗？", 1, std::string("确定清空吗？")) != 0)
        return;
    bool cleared = true;
    for (int k = 1; k <= 8; ++k)
        cleared = rt_write_config(results_path(), "zjjg", tally_key(k), "0") && cleared;
    if (!cleared) {
        // The fields must not claim a reset the file did not get.
        show_tallies();
        rt_message_box("中奖结果没有清空  请检查程序文件夹是否可以写入  ", 0);
        return;
    }
    for (int k = 1; k <= 8; ++k)
        rt_set(count_field(k), P_TEXT, std::string("0"));
}

} // namespace

WindowDef results_window_definition()
{
    WindowDef w;
    w.id = ResultsWindow;
    w.name = "ResultsWindow";
    w.title = "中奖结果";
    w.left = 50;
    w.top = 50;
    w.width = 484;
    w.height = 284;
    w.events = {on(E_CREATED, on_results_window_created)};

    w.units.push_back(make_unit("标签1", UnitType::Label, 4, 0, 104, 24, "奖品"));
    w.units.push_back(make_unit("标签2", UnitType::Label, 115, 0, 104, 24, "已中奖数量", F_VISIBLE | F_DISABLED));
    w.units.push_back(make_unit("标签3", UnitType::Label, 248, 0, 104, 24, "奖品"));
    w.units.push_back(make_unit("标签4", UnitType::Label, 359, 0, 104, 24, "已中奖数量", F_VISIBLE | F_DISABLED));

    for (int k = 1; k <= 8; ++k) {
        const bool left_half = k <= 4;
        const int top = kRowTops[static_cast<size_t>((k - 1) % 4)];
        const std::string n = std::to_string(k);
        UnitDef picture = make_unit("图片框" + n, UnitType::PictureBox, left_half ? 8 : 248, top, 100, 40);
        picture.font.reset();
        picture.border = 1;
        w.units.push_back(picture);
        // The operator reads the counts here but cannot edit them; they are
        // drawn large and black, not in the faint grey of a disabled box.
        UnitDef count = make_unit("编辑框" + n, UnitType::EditBox, left_half ? 124 : 364, top, 100, 40, "0",
                             F_VISIBLE | F_DISABLED);
        count.font = FontSpec{"宋体", 20, true};
        count.text_color = 0x00000000;
        w.units.push_back(count);
    }

    UnitDef clear = make_unit("按钮1", UnitType::Button, 184, 216, 112, 29, "清空中奖", F_VISIBLE | F_FOCUS_STOP);
    clear.events.push_back(on(E_CLICK, clear_results));
    w.units.push_back(clear);
    return w;
}

} // namespace egg
