// The main road: a press starts the highlight running round the ring, a
// second press (or the automatic stop) asks it to stop, and the next step
// decides the prize, shows it, sounds it and counts it.

#include <string>

#include "common/draw.h"
#include "common/paths.h"
#include "common/tally.h"
#include "common/ui/effect_window.h"
#include "media/wheel_media.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {

int32_t draw_running = 0;
int32_t spin_countdown = 0;
int32_t highlight_pos = 0;
Bytes saved_picture;
std::vector<UnitRef> prize_slots;

const std::string kEmptyPoolText =
    "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置！"
    "\r\n\r\n"
    "————————————————————————————"
    "\r\n\r\n"
    "2．如果是按奖品数量方式正在抽奖！应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖！";

namespace {

constexpr int32_t kHighlight = 2;
constexpr int32_t kNoBorder = 0;
constexpr int32_t kEffectMs = 3500;

// Presses that reached toggle_draw, numbered, and the last of them whose
// START armed the automatic stop.
int64_t presses = 0;
int64_t auto_stop_armed_by = 0;

int32_t number_in(const char* field) { return rt_to_int(rt_to_number(rt_get_text(main_unit(field), P_TEXT))); }

// After a pool build a grade has tickets exactly when its count is positive.
bool has_tickets(int32_t grade) { return prize_counts[static_cast<size_t>(grade)] > 0; }

void start_spin()
{
    rt_set(main_unit("按钮1"), P_CAPTION, std::string("停止"));
    if (rt_get_bool(main_unit("启用背景音乐"), P_MENU_CHECKED))
        rt_play_music_list(-1, {rt_get_run_dir() + "\\wav\\bjyy.mp3"});
    reset_highlight();
    rt_set(main_unit("时钟1"), P_TIMER_INTERVAL, number_in("编辑框_滚动速度"));
    rt_set(slot(1), P_BORDER_STYLE, kHighlight);
    seed_random();
    spin_countdown = random_between(100000, 130000);
    rt_set(main_unit("图片框a_结果"), P_PICTURE, Bytes{});
}

void request_stop()
{
    spin_countdown = 1;
    rt_stop_music();
    rt_set(main_unit("按钮1"), P_DISABLED, true);
    if (rt_get_bool(main_unit("选择框_禁用特效"), P_CHECKED))
        return;
    show_fireworks(EffectWindow, MainWindow, kEffectMs);
}

// The button, the step timer and the running flag back to idle.
void back_to_idle()
{
    const UnitRef button = main_unit("按钮1");
    rt_set(button, P_CAPTION, std::string("开始"));
    rt_set(button, P_DISABLED, false);
    rt_set(main_unit("时钟1"), P_TIMER_INTERVAL, int32_t{0});
    draw_running = 0;
}

// A spin that must end while no prize is left to give: the slot left behind
// gets its picture back, nothing is lit, shown, sounded or counted, and an
// armed forced result keeps waiting for a stop that can use it.
void end_without_prize(int32_t prev)
{
    rt_set(slot(prev), P_BORDER_STYLE, kNoBorder);
    rt_set(slot(prev), P_PICTURE, rt_read_file(prize_picture_path(prev)));
    highlight_pos = 0;
    saved_picture.clear();
    const UnitRef result = main_unit("图片框a_结果");
    rt_set(result, P_PICTURE, Bytes{});
    rt_set(result, P_VISIBLE, false);
    back_to_idle();
}

void count_win(int32_t grade)
{
    if (!record_win(grade))
        rt_message_box(win_not_counted_text(grade), 48, std::string(kMessageTitle));
}

} // namespace

void toggle_draw()
{
    const int64_t press = ++presses;
    const UnitRef result = main_unit("图片框a_结果");
    rt_set(result, P_VISIBLE, true);

    const std::string auto_stop = rt_get_text(main_unit("编辑框_自动停止"), P_TEXT);
    const bool arms_auto_stop = auto_stop != "0";
    if (arms_auto_stop)
        rt_set(main_unit("时钟3_自动停止"), P_TIMER_INTERVAL, rt_to_int(rt_to_number(auto_stop) * 1000));

    if (rt_is_loaded(EffectWindow))
        rt_destroy_window(EffectWindow);

    build_prize_pool();
    if (prize_pool.empty()) {
        rt_set(result, P_VISIBLE, false);
        rt_message_box(kEmptyPoolText, 64, std::string(kMessageTitle));
        return;
    }

    rt_set(main_unit("透明标签_开始"), P_VISIBLE, false);
    rt_set(main_unit("透明标签_结束"), P_VISIBLE, true);
    draw_running = (draw_running & 1) ^ 1;
    if (draw_running == 1) {
        if (arms_auto_stop)
            auto_stop_armed_by = press;
        start_spin();
    } else {
        request_stop();
    }
}

void reset_highlight()
{
    if (highlight_pos != 0)
        rt_set(slot(highlight_pos), P_PICTURE, saved_picture);
    highlight_pos = 0;
    spin_countdown = 0;
    saved_picture.clear();
}

void on_spin_timer()
{
    spin_countdown -= 1;
    if (spin_countdown == 0) {
        rt_set(main_unit("透明标签_开始"), P_VISIBLE, true);
        rt_set(main_unit("透明标签_结束"), P_VISIBLE, false);
    }

    highlight_pos += 1;
    if (highlight_pos == 9)
        highlight_pos = 1;
    const int32_t prev = highlight_pos - 1 == 0 ? 8 : highlight_pos - 1;

    if (draw_running == 0) {
        // The pool is the one the stop press built; a later press that found
        // it empty leaves nothing to stop on.
        if (prize_pool.empty()) {
            end_without_prize(prev);
            return;
        }
        const UnitRef marker = main_unit("透明标签_zd");
        if (rt_get_bool(marker, P_VISIBLE)) {
            highlight_pos = prize_pool.at(1);
            rt_set(marker, P_VISIBLE, false);
        } else {
            highlight_pos = drawn_grade(draw_ticket());
        }
    } else if (spin_countdown == 0) {
        // Nobody stopped the spin. The slot it reached is the result only
        // while its grade still has tickets; otherwise the wheel would award
        // a prize that is gone, so it settles on one drawn from the pool.
        build_prize_pool();
        if (prize_pool.empty()) {
            end_without_prize(prev);
            return;
        }
        if (!has_tickets(highlight_pos)) {
            highlight_pos = drawn_grade(draw_ticket());
        }
    }

    const UnitRef left = slot(prev);
    rt_set(left, P_BORDER_STYLE, kNoBorder);
    rt_set(left, P_PICTURE, rt_read_file(prize_picture_path(prev)));

    const UnitRef lit = slot(highlight_pos);
    rt_set(lit, P_BORDER_STYLE, kHighlight);
    saved_picture = rt_get_bytes(lit, P_PICTURE);
    rt_set(lit, P_PICTURE, Bytes{});
    rt_set(main_unit("图片框a_结果"), P_PICTURE, saved_picture);

    if (spin_countdown != 0)
        return;

    back_to_idle();
    rt_set(lit, P_PICTURE, saved_picture);
    rt_play_music(media::win_sound());
    count_win(highlight_pos);
}

void on_start_label_down()
{
    if (rt_get_text(main_unit("按钮1"), P_CAPTION) == "开始")
        toggle_draw();
}

void on_stop_label_down()
{
    const int64_t own_press = presses + 1;
    if (rt_get_text(main_unit("按钮1"), P_CAPTION) == "停止")
        toggle_draw();
    // A start pressed while this stop waited on its fireworks armed the
    // automatic stop for its own spin: that spin keeps it.
    if (auto_stop_armed_by <= own_press)
        rt_set(main_unit("时钟3_自动停止"), P_TIMER_INTERVAL, int32_t{0});
}

void on_auto_stop_tick() { on_stop_label_down(); }

void arm_forced_result() { rt_set(main_unit("透明标签_zd"), P_VISIBLE, true); }

void keep_start_focus() { rt_set_focus(main_unit("按钮1")); }

} // namespace wheel
