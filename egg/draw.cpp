// The main road: an egg is smashed, a prize grade is drawn from the pool,
// counted, sounded and revealed on the prize board.

#include <string>
#include <vector>

#include "common/draw.h"
#include "common/tally.h"
#include "common/ui/effect_window.h"
#include "common/ui/main_commands.h"
#include "egg/egg.h"
#include "media/egg_media.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ui.h"

namespace egg {

int64_t drawn_index = 0;

namespace {

constexpr int32_t kEffectMs = 3000;

UnitRef main_unit(const char* name) { return rt_unit(MainWindow, name); }

const std::string kEmptyPoolText =
    "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置  "
    "\r\n\r\n"
    "————————————————————————————"
    "\r\n\r\n"
    "2．如果是按奖品数量方式正在抽奖  应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖  ";

} // namespace

void on_egg_click(int egg)
{
    const UnitRef button = rt_unit(MainWindow, "图形按钮" + std::to_string(egg));
    rt_set(button, P_PICTURE, media::smash_picture());
    draw_prize();
    rt_set(button, P_PICTURE, media::egg_picture(egg));
}

void draw_prize()
{
    // A draw still waiting on its fireworks loses them to this one.
    if (rt_is_loaded(EffectWindow))
        rt_destroy_window(EffectWindow);

    build_prize_pool();
    if (prize_pool.size() < 1) {
        rt_message_box(kEmptyPoolText, 64, std::string("砸金蛋抽奖信息提示"));
        return;
    }

    // Everything taken from the pool is read here, before the first point
    // where events run: a nested draw rebuilds the pool under our feet.
    drawn_index = draw_ticket();
    const int32_t grade = drawn_grade(drawn_index);
    const std::string run_dir = rt_get_run_dir();

    rt_set(main_unit("画板相片"), P_PICTURE, rt_read_file(prize_picture_path(grade)));

    std::string grade_music;
    bool counted = true;
    if (grade >= 1 && grade <= 8) {
        grade_music = run_dir + "\\wav\\" + rt_to_text(grade) + ".mp3";
        counted = record_win(grade);
    }

    std::vector<std::string> playlist{run_dir + "\\wav\\zaxia.mp3 "};
    if (stored_setting("禁用背景音乐") != "真") {
        if (rt_file_exists(grade_music))
            playlist.push_back(grade_music);
        else
            playlist.push_back(run_dir + "\\wav\\中奖音乐.mp3 ");
    }
    rt_play_music_list(playlist);

    play_reveal_animation();

    const UnitRef board = main_unit("画板相片");
    const UnitRef close = main_unit("透明标签_关闭");
    rt_set(close, P_LEFT, rt_get_int(board, P_WIDTH) - rt_get_int(close, P_WIDTH));
    rt_set(close, P_TOP, rt_get_int(board, P_TOP));
    rt_set(close, P_VISIBLE, true);
    rt_set(main_unit("透明标签_主标题"), P_VISIBLE, false);
    rt_set(main_unit("透明标签_副标题"), P_VISIBLE, false);

    if (stored_setting("禁用特效") != "真")
        show_fireworks(EffectWindow, MainWindow, kEffectMs);

    // The audience has seen the prize; the operator must learn that the
    // tally (and in quantity mode the pool) does not know of it.
    if (!counted)
        rt_message_box(win_not_counted_text(grade), 48, std::string(kWinNotCountedTitle));
}

void prepare_prize_picture(int grade)
{
    rt_prepare_pictures(main_unit("画板相片"), {prize_picture_path(grade)});
}

void restore_hammer_cursor() { rt_set(main_unit("图形按钮1"), P_MOUSE_POINTER, media::hammer_cursor()); }

void hide_prize_display()
{
    rt_set(main_unit("动画框1"), P_VISIBLE, false);
    rt_set(main_unit("画板相片"), P_VISIBLE, false);
    rt_set(main_unit("透明标签_关闭"), P_VISIBLE, false);
    rt_set(main_unit("透明标签_主标题"), P_VISIBLE, true);
    rt_set(main_unit("透明标签_副标题"), P_VISIBLE, true);
    rt_stop_music();
}

} // namespace egg
