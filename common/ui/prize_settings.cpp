#include "common/ui/prize_settings.h"

#include "common/draw.h"
#include "common/ui/main_commands.h"
#include "runtime/convert.h"
#include "runtime/ui.h"

const std::array<const char*, 8> kGradeKeys{"一", "二", "三", "四", "五", "六", "七", "八"};

const char* const kDrawModeExplanation =
    "1.按奖品数量抽奖：\r\n"
    "    选择按数量抽奖，就是把所有奖品(即：奖品数值之和)都放在一个盒子里，依次从里面往外拿，全部拿完抽奖结束；\r\n"
    "2.按概率抽奖：\r\n"
    "    选择按概率抽奖，就是把所有奖品(即：奖品数值之和)都放在一个盒子里，抽取时往外面拿出一个，"
    "然后再把这个奖品往盒子里补充一个，保持盒子里的奖品总量不变，等待下一次抽取。";

namespace {

UnitRef value_field(int window, int k) { return rt_unit(window, "编辑框" + std::to_string(k)); }

void tick_mode(int window, bool by_probability)
{
    rt_set(rt_unit(window, "单选框1"), P_CHECKED, !by_probability);
    rt_set(rt_unit(window, "单选框2"), P_CHECKED, by_probability);
}

} // namespace

void show_stored_prize_values(int settings_window)
{
    if (stored_setting(kGradeKeys[0]).empty())
        return;
    for (int k = 1; k <= 8; ++k)
        rt_set(value_field(settings_window, k), P_TEXT, stored_setting(kGradeKeys[static_cast<size_t>(k - 1)]));
}

void show_draw_mode(int settings_window)
{
    const bool by_probability = stored_setting("lx") == "真";
    rt_set(rt_unit(settings_window, "单选框2"), P_CHECKED, by_probability);
    rt_set(rt_unit(settings_window, "单选框1"), P_CHECKED, !by_probability);
}

void select_quantity_mode(int settings_window)
{
    store_setting("lx", "假");
    tick_mode(settings_window, false);
}

void select_probability_mode(int settings_window)
{
    store_setting("lx", "真");
    tick_mode(settings_window, true);
}

bool write_prize_values(int settings_window, PrizeValueTexts& typed)
{
    bool saved = true;
    for (size_t n = 0; n < typed.size(); ++n) {
        typed[n] = rt_get_text(value_field(settings_window, static_cast<int>(n + 1)), P_TEXT);
        saved = store_setting(kGradeKeys[n], typed[n]) && saved;
    }
    return saved;
}

void set_prize_counts(const PrizeValueTexts& typed)
{
    for (size_t n = 0; n < typed.size(); ++n)
        prize_counts[n + 1] = rt_to_int(rt_to_number(typed[n]));
}

void load_prize_counts()
{
    if (stored_setting(kGradeKeys[0]).empty()) {
        for (size_t n = 0; n < kDefaultPrizeCounts.size(); ++n)
            prize_counts[n + 1] = kDefaultPrizeCounts[n];
        return;
    }
    for (size_t n = 0; n < kGradeKeys.size(); ++n)
        prize_counts[n + 1] = rt_to_int(rt_to_number(stored_setting(kGradeKeys[n])));
}
