// The spin engine: presses, steps, the stop step, the end of a spin, the
// forced result, the automatic stop and the tally.

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>

#include "common/tally.h"
#include "media/wheel_media.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

class WheelSpin : public WheelWindowTest {
public:
    // A step timer that never fires on its own during a test: every step
    // is one the test takes.
    void start_spinning_program(const std::vector<std::string>& values, const std::string& mode = "假")
    {
        prizes(values);
        setting("lx", mode);
        setting("滚动速度", "600000");
        put_pictures();
        start_without_effects();
    }
    // Between the cases of a table: the program ended and its tally gone,
    // the engine as a new run finds it.
    void end_case()
    {
        rt_destroy_window(wheel::MainWindow);
        rt_do_events();
        std::filesystem::remove(dir.file("jieguo.a"));
        wheel::prize_slots.clear();
        wheel::draw_running = 0;
        wheel::highlight_pos = 0;
    }
    void expect_idle()
    {
        EXPECT_EQ(wheel::draw_running, 0);
        EXPECT_EQ(caption(), "开始");
        EXPECT_FALSE(rt_get_bool(unit("按钮1"), P_DISABLED));
        EXPECT_EQ(get("时钟1", P_TIMER_INTERVAL), 0);
        EXPECT_TRUE(shown("透明标签_开始"));
        EXPECT_FALSE(shown("透明标签_结束"));
    }
    void expect_spinning()
    {
        EXPECT_EQ(wheel::draw_running, 1);
        EXPECT_EQ(caption(), "停止");
        EXPECT_EQ(get("时钟1", P_TIMER_INTERVAL), 600000);
        EXPECT_FALSE(shown("透明标签_开始"));
        EXPECT_TRUE(shown("透明标签_结束"));
    }
    // The slot where a spin ended shows its picture, lit, and the result
    // box shows the same.
    void expect_won(int grade)
    {
        EXPECT_EQ(wheel::highlight_pos, grade);
        EXPECT_EQ(border(grade), 2);
        EXPECT_EQ(rt_get_bytes(slot(grade), P_PICTURE), picture(grade));
        EXPECT_EQ(rt_get_bytes(unit("图片框a_结果"), P_PICTURE), picture(grade));
        EXPECT_TRUE(shown("图片框a_结果"));
        EXPECT_EQ(read_result("j" + std::to_string(grade)), "1");
        EXPECT_EQ(total_wins(), 1);
    }
    // The wave player logs from its own thread: wait (bounded) for it.
    static bool win_sound_played()
    {
        for (int i = 0; i < 100; ++i) {
            const auto log = rt_sound_log();
            if (std::find(log.begin(), log.end(), "<wave>") != log.end())
                return true;
            rt_delay(5);
        }
        return false;
    }
    // A spin stopped with a press and settled by the next step.
    void stop_and_settle()
    {
        press_stop();
        steps(1);
    }
};

TEST_F(WheelSpin, EmptyPoolExplainsAndChangesNothing)
{
    setting("禁用特效", "真");
    start(); // quantity mode, no values saved: nothing to draw
    press_start();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, wheel::kEmptyPoolText);
    EXPECT_EQ(dialogs.shown[0].title, "转盘抽奖信息提示");
    EXPECT_EQ(dialogs.shown[0].style, 64);
    EXPECT_EQ(wheel::kEmptyPoolText,
              "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置！\r\n\r\n"
              "————————————————————————————\r\n\r\n"
              "2．如果是按奖品数量方式正在抽奖！应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖！");
    EXPECT_FALSE(shown("图片框a_结果"));
    expect_idle();
    EXPECT_FALSE(rt_file_exists(dir.file("jieguo.a")));
}

// Idle -> spinning -> stop requested -> idle, watching every unit the
// engine drives on the way.
TEST_F(WheelSpin, StartStepsStopAndCount)
{
    start_spinning_program({"0", "0", "0", "0", "3"});
    put_file("wav/bjyy.mp3", Bytes{'I', 'D', '3'});

    press_start();
    expect_spinning();
    EXPECT_GE(wheel::spin_countdown, 100000);
    EXPECT_LE(wheel::spin_countdown, 130000);
    EXPECT_EQ(border(1), 2);
    EXPECT_TRUE(shown("图片框a_结果"));
    EXPECT_TRUE(rt_get_bytes(unit("图片框a_结果"), P_PICTURE).empty());
    // The list player opens the music on its own thread.
    for (int i = 0; i < 200 && rt_sound_log().empty(); ++i)
        rt_delay(5);
    EXPECT_EQ(rt_sound_log(), std::vector<std::string>{dir.path() + "/wav/bjyy.mp3"});

    // The first step lights slot 1 and gives slot 8 its file back.
    rt_set(slot(8), P_PICTURE, Bytes{'x'});
    const int32_t countdown = wheel::spin_countdown;
    steps(1);
    EXPECT_EQ(wheel::spin_countdown, countdown - 1);
    EXPECT_EQ(wheel::highlight_pos, 1);
    EXPECT_EQ(border(1), 2);
    EXPECT_EQ(border(8), 0);
    EXPECT_EQ(rt_get_bytes(slot(8), P_PICTURE), picture(8));
    EXPECT_TRUE(rt_get_bytes(slot(1), P_PICTURE).empty());
    EXPECT_EQ(wheel::saved_picture, picture(1));
    EXPECT_EQ(rt_get_bytes(unit("图片框a_结果"), P_PICTURE), picture(1));

    // Round the ring: from slot 8 back to slot 1, one slot lit at a time.
    steps(8);
    EXPECT_EQ(wheel::highlight_pos, 1);
    for (int k = 2; k <= 8; ++k) {
        EXPECT_EQ(border(k), 0) << k;
        EXPECT_EQ(rt_get_bytes(slot(k), P_PICTURE), picture(k)) << k;
    }
    steps(1);
    EXPECT_EQ(border(1), 0);
    EXPECT_EQ(rt_get_bytes(slot(1), P_PICTURE), picture(1));

    rt_sound_log_clear();
    press_stop();
    EXPECT_EQ(wheel::draw_running, 0);
    EXPECT_EQ(wheel::spin_countdown, 1);
    EXPECT_EQ(caption(), "停止");
    EXPECT_TRUE(rt_get_bool(unit("按钮1"), P_DISABLED));
    EXPECT_FALSE(rt_music_playing());
    EXPECT_FALSE(rt_is_loaded(wheel::EffectWindow));
    EXPECT_EQ(total_wins(), 0);

    // The next step jumps straight to the drawn slot: only grade 5 has tickets.
    steps(1);
    expect_idle();
    expect_won(5);
    EXPECT_EQ(border(2), 0);
    EXPECT_TRUE(win_sound_played());
    EXPECT_EQ(rt_sound_log(), std::vector<std::string>{"<wave>"});
}

TEST_F(WheelSpin, NoMusicWhenSwitchedOff)
{
    setting("背景音乐", "假");
    start_spinning_program({"1"});
    press_start();
    EXPECT_TRUE(rt_sound_log().empty());
}

// The next START gives the slot where the last spin ended the picture held
// aside (emptied by a picture chooser in between), keeps its border until
// the highlight passes, and empties the result box.
TEST_F(WheelSpin, NextStartResetsTheHighlight)
{
    start_spinning_program({"0", "0", "0", "9"});
    press_start();
    steps(2);
    stop_and_settle();
    expect_won(4);

    wheel::saved_picture = Bytes{'h', 'e', 'l', 'd'};
    press_start();
    EXPECT_EQ(wheel::highlight_pos, 0);
    EXPECT_TRUE(wheel::saved_picture.empty());
    EXPECT_EQ(rt_get_bytes(slot(4), P_PICTURE), (Bytes{'h', 'e', 'l', 'd'}));
    EXPECT_EQ(border(4), 2);
    EXPECT_EQ(border(1), 2);
    EXPECT_TRUE(rt_get_bytes(unit("图片框a_结果"), P_PICTURE).empty());
    steps(4);
    EXPECT_EQ(border(4), 2);
    steps(1);
    EXPECT_EQ(border(4), 0);
    EXPECT_EQ(rt_get_bytes(slot(4), P_PICTURE), picture(4));
}

// A press on the stop label before the step that settles a stop starts
// the spin again: the stop is dropped without a result.
TEST_F(WheelSpin, StopAbandonedByAnotherPress)
{
    start_spinning_program({"2", "2"});
    press_start();
    steps(3);
    press_stop();
    ASSERT_EQ(wheel::draw_running, 0);
    press_stop();
    EXPECT_EQ(wheel::draw_running, 1);
    EXPECT_GE(wheel::spin_countdown, 100000);
    EXPECT_EQ(caption(), "停止");
    steps(5);
    EXPECT_EQ(total_wins(), 0);
    stop_and_settle();
    expect_idle();
    EXPECT_EQ(total_wins(), 1);
}

// Prize values saved as 0 during a spin: the stop press is refused and the
// wheel keeps spinning.
TEST_F(WheelSpin, EmptyPoolWhileSpinning)
{
    start_spinning_program({"1"});
    press_start();
    steps(2);
    prizes({});
    press_stop();
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{wheel::kEmptyPoolText});
    expect_spinning();
    EXPECT_FALSE(rt_get_bool(unit("按钮1"), P_DISABLED));
    EXPECT_FALSE(shown("图片框a_结果"));
    steps(3);
    EXPECT_EQ(wheel::highlight_pos, 5);
}

// A stop whose pool emptied before the step that settles it (values saved
// as 0, then a refused press) has nothing to take: the spin ends without a
// prize, and an armed forced result keeps waiting.
TEST_F(WheelSpin, PendingStopOverAnEmptyPoolEndsWithoutAPrize)
{
    start_spinning_program({"1"});
    press_start();
    steps(3);
    wheel::arm_forced_result();
    press_stop();
    prizes({});
    press_stop();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    ASSERT_TRUE(prize_pool.empty());
    steps(1);
    expect_idle();
    EXPECT_EQ(wheel::highlight_pos, 0);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(border(k), 0) << k;
        EXPECT_EQ(rt_get_bytes(slot(k), P_PICTURE), picture(k)) << k;
    }
    EXPECT_FALSE(shown("图片框a_结果"));
    EXPECT_EQ(total_wins(), 0);
    EXPECT_FALSE(win_sound_played());
    EXPECT_TRUE(shown("透明标签_zd"));
}

// Nobody presses stop: the spin ends on the slot it reached when that
// grade still has tickets, and on a drawn one when it has none.
TEST_F(WheelSpin, SpinThatEndsByItself)
{
    struct Case {
        const char* name;
        std::vector<std::string> values;
        std::string mode;
        int reached;     // slot the steps reach
        int won;         // 0: nothing won
    };
    const std::vector<Case> cases{
        {"reached grade has tickets", {"1", "1", "1"}, "假", 3, 3},
        {"reached grade used up", {"0", "0", "0", "0", "0", "0", "2"}, "假", 3, 7},
        {"weight 0 by probability", {"0", "5"}, "真", 4, 2},
        {"pool empty by then", {"1"}, "假", 2, 0},
    };
    setting("背景音乐", "假");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start_spinning_program(c.values, c.mode);
        press_start();
        rt_stop_music();
        rt_sound_log_clear();
        if (c.won == 0)
            prizes({});
        wheel::spin_countdown = c.reached;
        steps(c.reached);
        expect_idle();
        EXPECT_EQ(win_sound_played(), c.won != 0);
        if (c.won) {
            expect_won(c.won);
        } else {
            EXPECT_EQ(total_wins(), 0);
            EXPECT_EQ(wheel::highlight_pos, 0);
        }
        end_case();
    }
}

// The hot key's marker makes the next stop take the first pool entry, the
// lowest grade with tickets; it is used up by that stop only.
TEST_F(WheelSpin, ForcedResult)
{
    struct Case {
        const char* name;
        std::vector<std::string> values;
        std::string mode;
        std::vector<std::pair<std::string, std::string>> wins;
        int forced;
    };
    const std::vector<Case> cases{
        {"quantity, grades 1 and 2 used up", {"1", "2", "4", "8"}, "假", {{"j1", "1"}, {"j2", "2"}}, 3},
        {"probability, defaults", {"1", "2", "4", "8", "10", "15", "20", "50"}, "真", {{"j1", "9"}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [key, value] : c.wins)
            result(key, value);
        start_spinning_program(c.values, c.mode);
        // Armed while idle: the marker shows nothing and waits.
        wheel::arm_forced_result();
        wheel::arm_forced_result();
        EXPECT_TRUE(shown("透明标签_zd"));
        press_start();
        steps(6);
        stop_and_settle();
        EXPECT_EQ(wheel::highlight_pos, c.forced);
        EXPECT_FALSE(shown("透明标签_zd"));
        end_case();
    }
}

// A spin that ends by itself leaves the marker armed for the next stop.
TEST_F(WheelSpin, SpinEndingByItselfKeepsTheMarker)
{
    start_spinning_program({"1", "1", "1", "1", "1", "1", "1", "1"}, "真");
    wheel::arm_forced_result();
    press_start();
    wheel::spin_countdown = 5;
    steps(5);
    expect_idle();
    EXPECT_EQ(read_result("j5"), "1");
    EXPECT_TRUE(shown("透明标签_zd"));
    press_start();
    steps(2);
    stop_and_settle();
    EXPECT_EQ(wheel::highlight_pos, 1);
    EXPECT_EQ(read_result("j1"), "1");
}

TEST_F(WheelSpin, AutomaticStop)
{
    start_spinning_program({"3"});
    struct Case {
        const char* typed;
        int32_t interval;
    };
    for (const Case& c : {Case{"5", 5000}, Case{"0.25", 250}, Case{"", 0}, Case{"abc", 0}, Case{"-3", -3000}}) {
        SCOPED_TRACE(c.typed);
        type("编辑框_自动停止", c.typed);
        press_start();
        EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), c.interval);
        steps(2);
        if (c.interval > 0) {
            wheel::on_auto_stop_tick();
            EXPECT_EQ(wheel::draw_running, 0);
            EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 0);
            steps(1);
        } else {
            stop_and_settle();
        }
        expect_idle();
    }
    // "0" leaves the timer as it is; a tick while idle only switches it off.
    rt_set(unit("时钟3_自动停止"), P_TIMER_INTERVAL, int32_t{5000});
    type("编辑框_自动停止", "0");
    press_start();
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 5000);
    stop_and_settle();
    rt_set(unit("时钟3_自动停止"), P_TIMER_INTERVAL, int32_t{5000});
    const int wins = total_wins();
    wheel::on_auto_stop_tick();
    expect_idle();
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 0);
    EXPECT_EQ(total_wins(), wins);
}

// The step timer itself drives the spin, and the fireworks window is open
// while the stop is settled inside its wait. The clock that ends the wait
// moves by hand.
TEST_F(WheelSpin, RealTimerAndFireworksWait)
{
    prizes({"0", "4"});
    setting("滚动速度", "1");
    put_pictures();
    start();
    press_start();
    for (int i = 0; i < 2000 && wheel::highlight_pos < 3; ++i)
        rt_delay(1);
    ASSERT_GE(wheel::highlight_pos, 3);

    ManualClock clock(1000);
    set_platform_clock(&clock);
    struct Watch {
        bool open_when_settled = false;
        bool done = false;
    };
    auto watch = std::make_shared<Watch>();
    std::function<void()> poll = [watch, &clock, &poll] {
        if (watch->done)
            return;
        if (wheel::draw_running == 0 && wheel::spin_countdown == 0 && !watch->open_when_settled)
            watch->open_when_settled = rt_is_loaded(wheel::EffectWindow);
        clock.advance(50);
        rt_post(poll);
    };
    rt_post(poll);
    press_stop();
    watch->done = true;
    set_platform_clock(nullptr);
    rt_do_events();

    EXPECT_TRUE(watch->open_when_settled);
    EXPECT_FALSE(rt_is_loaded(wheel::EffectWindow));
    expect_idle();
    EXPECT_EQ(read_result("j2"), "1");
}

// An automatic stop opens the fireworks and waits; the spin settles inside
// that wait and 开始 is pressed again. When the wait ends, the stop's
// handler leaves the automatic stop that the new start armed, and the new
// spin stops by itself. The clock that ends the wait moves by hand.
TEST_F(WheelSpin, StartDuringTheFireworksOfAnAutomaticStopStopsByItself)
{
    prizes({"0", "4"});
    setting("滚动速度", "600000");
    setting("自动停止", "1");
    put_pictures();
    start();
    press_start();
    ASSERT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 1000);

    ManualClock clock(1000);
    set_platform_clock(&clock);
    struct Watch {
        bool done = false, restarted = false;
    };
    auto watch = std::make_shared<Watch>();
    std::function<void()> poll = [watch, &clock, &poll] {
        if (watch->done)
            return;
        if (!watch->restarted && wheel::spin_countdown == 1 && rt_is_loaded(wheel::EffectWindow)) {
            steps(1);
            press_start();
            watch->restarted = true;
        }
        clock.advance(100);
        rt_post(poll);
    };
    rt_post(poll);
    wheel::on_auto_stop_tick();
    watch->done = true;
    set_platform_clock(nullptr);

    ASSERT_TRUE(watch->restarted);
    EXPECT_EQ(read_result("j2"), "1");
    expect_spinning();
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 1000);

    // The timer itself stops the new spin, this time without fireworks.
    rt_set(unit("选择框_禁用特效"), P_CHECKED, true);
    for (int i = 0; i < 300 && wheel::draw_running == 1; ++i)
        rt_delay(10);
    EXPECT_EQ(wheel::draw_running, 0);
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), 0);
    steps(1);
    expect_idle();
    EXPECT_EQ(read_result("j2"), "2");
}

TEST_F(WheelSpin, TallyAddsOneAndReportsAWinItCouldNotWrite)
{
    start_spinning_program({"0", "0", "5"}, "真");
    struct Case {
        const char* stored;
        const char* after;
    };
    for (Case c : {Case{"", "1"}, Case{"41", "42"}, Case{"2.5", "3.5"}, Case{"abc", "1"}}) {
        SCOPED_TRACE(c.stored);
        result("j3", c.stored);
        press_start();
        stop_and_settle();
        EXPECT_EQ(read_result("j3"), c.after);
    }
    EXPECT_TRUE(dialogs.shown.empty());

    // A disk that is full when the win is written (a file size limit stands
    // in for it): the operator is told, the file stays as it was.
    const std::string before = dir.read("jieguo.a");
    press_start();
    press_stop();
    struct rlimit old_limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    steps(1);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, win_not_counted_text(3));
    EXPECT_EQ(dialogs.shown[0].title, "转盘抽奖信息提示");
    EXPECT_EQ(dir.read("jieguo.a"), before);
    expect_idle();
    EXPECT_EQ(border(3), 2);
}

// A picture missing on disk: its slot is empty once the highlight passed.
TEST_F(WheelSpin, MissingPictureEmptiesItsSlot)
{
    start_spinning_program({"1", "1"});
    std::filesystem::remove(dir.file("奖品图片/2.jpg"));
    rt_set(slot(2), P_PICTURE, picture(2));
    press_start();
    steps(2);
    EXPECT_TRUE(rt_get_bytes(slot(2), P_PICTURE).empty());
    EXPECT_EQ(wheel::saved_picture, picture(2));
    steps(1);
    EXPECT_TRUE(rt_get_bytes(slot(2), P_PICTURE).empty());
    // A picture replaced on disk shows from the next pass.
    put_file("奖品图片/4.jpg", picture(7));
    steps(2);
    EXPECT_EQ(rt_get_bytes(slot(4), P_PICTURE), picture(7));
}

TEST_F(WheelSpin, FocusStaysOnTheStartButton)
{
    start_spinning_program({"1"});
    wheel::keep_start_focus();
    // Enter on the window reaches the hidden button: it starts a spin.
    rt_test_key(window(), 0x0d);
    EXPECT_EQ(wheel::draw_running, 1);
}

} // namespace
