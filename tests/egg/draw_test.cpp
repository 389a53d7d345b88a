// A click on an egg: the draw, the tally, the sounds, the prize display.

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>

#include "common/draw.h"
#include "common/tally.h"
#include "platform/clock.h"
#include "media/egg_media.h"
#include "runtime/convert.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

const std::string kEmptyPoolText =
    "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置  \r\n\r\n"
    "————————————————————————————\r\n\r\n"
    "2．如果是按奖品数量方式正在抽奖  应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖  ";

class EggDraw : public EggWindowTest {
protected:
    std::string wav(const std::string& name) const { return dir.path() + "/wav/" + name; }
    std::vector<std::string> sounds_after_draw()
    {
        wait_for_music_end();
        return rt_sound_log();
    }
};

TEST_F(EggDraw, EmptyPoolExplainsAndChangesNothing)
{
    no_effects();
    result("j2", "7");
    start(); // quantity mode, no counts stored: nothing to draw
    Bytes picture_during_message;
    dialogs.on_show = [&](const ScriptedDialogs::Shown&) {
        picture_during_message = rt_get_bytes(egg_button(4), P_PICTURE);
    };
    rt_test_click(egg_button(4));

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "message");
    EXPECT_EQ(dialogs.shown[0].text, kEmptyPoolText);
    EXPECT_EQ(dialogs.shown[0].title, "砸金蛋抽奖信息提示");
    EXPECT_EQ(dialogs.shown[0].style, 64);
    EXPECT_EQ(picture_during_message, media::smash_picture());
    EXPECT_EQ(rt_get_bytes(egg_button(4), P_PICTURE), media::egg_picture(4));

    EXPECT_EQ(read_result("j2"), "7");
    for (int n : {1, 3, 4, 5, 6, 7, 8})
        EXPECT_EQ(read_result("j" + std::to_string(n)), "") << n;
    EXPECT_TRUE(rt_sound_log().empty());
    EXPECT_FALSE(rt_music_playing());
    EXPECT_FALSE(shown("画板相片"));
    EXPECT_FALSE(shown("透明标签_关闭"));
    EXPECT_TRUE(shown("透明标签_主标题"));
}

TEST_F(EggDraw, QuantityModeUsesUpThePool)
{
    no_effects();
    setting("一", "2");
    setting("二", "0");
    setting("三", "1");
    setting("lx", "假");
    start();
    for (int draw = 1; draw <= 3; ++draw) {
        rt_test_click(egg_button(draw));
        EXPECT_EQ(total_wins(), draw);
        EXPECT_EQ(prize_pool.size(), 4 - draw) << "pool before draw " << draw;
    }
    EXPECT_EQ(read_result("j1"), "2");
    EXPECT_EQ(read_result("j2"), "");
    EXPECT_EQ(read_result("j3"), "1");
    EXPECT_TRUE(dialogs.shown.empty());

    rt_test_click(egg_button(9));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kEmptyPoolText});
    EXPECT_EQ(total_wins(), 3);
}

TEST_F(EggDraw, ProbabilityModeCountsButNeverRunsDown)
{
    no_effects();
    only_grade(4, "3");
    setting("lx", "真");
    start();
    // The file no longer matters: weights stay as start-up loaded them.
    setting("四", "0");
    for (int draw = 1; draw <= 5; ++draw) {
        rt_test_click(egg_button(5));
        EXPECT_EQ(prize_pool.size(), 3);
        EXPECT_EQ(drawn_grade(egg::drawn_index), 4);
    }
    EXPECT_EQ(read_result("j4"), "5");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(EggDraw, TallyAddsOneToWhatIsStored)
{
    no_effects();
    only_grade(3);
    setting("lx", "真");
    struct Case {
        const char* stored;
        const char* after;
    };
    for (Case c : {Case{"2.5", "3.5"}, Case{"abc", "1"}, Case{"41", "42"}, Case{"-1", "0"}, Case{"", "1"}}) {
        SCOPED_TRACE(c.stored);
        result("j3", c.stored);
        if (!rt_is_loaded(egg::MainWindow))
            start();
        rt_test_click(egg_button(2));
        EXPECT_EQ(read_result("j3"), c.after);
    }
}

TEST_F(EggDraw, PrizeShowsOnTheBoardWithTheCloseLabel)
{
    no_effects();
    only_grade(6);
    start();
    const Bytes picture = rt_unit_snapshot(unit("透明标签_主标题"));
    put_file("奖品图片/6.jpg", picture);
    rt_test_click(egg_button(1));

    EXPECT_EQ(read_result("j6"), "1");
    EXPECT_EQ(rt_get_bytes(unit("画板相片"), P_PICTURE), picture);
    EXPECT_TRUE(shown("画板相片"));
    EXPECT_FALSE(shown("动画框1"));
    EXPECT_TRUE(shown("透明标签_关闭"));
    EXPECT_EQ(get("透明标签_关闭", P_LEFT), get("画板相片", P_WIDTH) - 88);
    EXPECT_EQ(get("透明标签_关闭", P_TOP), 0);
    EXPECT_FALSE(shown("透明标签_主标题"));
    EXPECT_FALSE(shown("透明标签_副标题"));
    EXPECT_EQ(rt_get_bytes(egg_button(1), P_PICTURE), media::egg_picture(1));
    EXPECT_FALSE(rt_is_loaded(egg::EffectWindow));
}

// Share of the close label's pixels, as the window shows them, that are
// dark (luminance below 80) and light (above 200).
struct Contrast {
    double dark = 0, light = 0;
};
Contrast close_label_contrast()
{
    const QImage shot = QImage::fromData(rt_unit_snapshot(rt_window(egg::MainWindow)));
    const UnitRef close = rt_unit(egg::MainWindow, "透明标签_关闭");
    const QRect area(rt_get_int(close, P_LEFT), rt_get_int(close, P_TOP), rt_get_int(close, P_WIDTH),
                     rt_get_int(close, P_HEIGHT));
    Contrast c;
    int pixels = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!shot.rect().contains(x, y))
                continue;
            const int l = qGray(shot.pixel(x, y));
            c.dark += l < 80 ? 1 : 0;
            c.light += l > 200 ? 1 : 0;
            ++pixels;
        }
    if (pixels > 0) {
        c.dark /= pixels;
        c.light /= pixels;
    }
    return c;
}

// The white close label reads on the white board of a grade without a
// picture and on a dark prize picture alike.
TEST_F(EggDraw, CloseLabelReadsOnAnyBoard)
{
    no_effects();
    only_grade(6, "2");
    start();
    rt_test_click(egg_button(1));
    ASSERT_TRUE(shown("透明标签_关闭"));
    ASSERT_TRUE(rt_get_bytes(unit("画板相片"), P_PICTURE).empty());
    const Contrast on_white = close_label_contrast();
    EXPECT_GT(on_white.dark, 0.05) << "nothing sets the white text off the white board";

    QImage black(400, 300, QImage::Format_RGB32);
    black.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    black.save(&buffer, "PNG");
    put_file("奖品图片/6.jpg", Bytes(png.begin(), png.end()));
    rt_test_click(egg_button(1));
    const Contrast on_black = close_label_contrast();
    EXPECT_GT(on_black.light, 0.05) << "the white text itself is lost";
    EXPECT_LT(on_black.light, 0.9);
}

TEST_F(EggDraw, PlaylistHammerThenWinMusic)
{
    no_effects();
    only_grade(5, "10");
    start();

    // No music of the grade: the default win music follows the hammer.
    rt_test_click(egg_button(1));
    EXPECT_EQ(sounds_after_draw(), (std::vector<std::string>{wav("zaxia.mp3"), wav("中奖音乐.mp3")}));

    // The grade's own music once it exists.
    rt_sound_log_clear();
    put_file("wav/5.mp3", Bytes{'n', 'o', 't'});
    rt_test_click(egg_button(1));
    EXPECT_EQ(sounds_after_draw(), (std::vector<std::string>{wav("zaxia.mp3"), wav("5.mp3")}));

    // "假" or any other text still plays the music.
    rt_sound_log_clear();
    setting("禁用背景音乐", "假");
    rt_test_click(egg_button(1));
    EXPECT_EQ(sounds_after_draw(), (std::vector<std::string>{wav("zaxia.mp3"), wav("5.mp3")}));

    // Only the hammer when the win music is switched off.
    rt_sound_log_clear();
    setting("禁用背景音乐", "真");
    rt_test_click(egg_button(1));
    EXPECT_EQ(sounds_after_draw(), std::vector<std::string>{wav("zaxia.mp3")});
    EXPECT_EQ(read_result("j5"), "4");
}

TEST_F(EggDraw, ClosingThePrizeDisplay)
{
    no_effects();
    only_grade(2, "5");
    const Bytes piece = built_sound("中奖音乐.mp3");
    ASSERT_GT(piece.size(), 10000u);
    // Long enough to outlast a slow draw: MP3 frames simply follow each other.
    Bytes music;
    for (int i = 0; i < 4; ++i)
        music.insert(music.end(), piece.begin(), piece.end());
    put_file("wav/2.mp3", music);
    start();
    rt_test_click(egg_button(3));
    ASSERT_TRUE(shown("画板相片"));
    EXPECT_TRUE(rt_music_playing());

    rt_test_mouse(unit("透明标签_关闭"), E_LBUTTON_DOWN);
    EXPECT_FALSE(shown("画板相片"));
    EXPECT_FALSE(shown("动画框1"));
    EXPECT_FALSE(shown("透明标签_关闭"));
    EXPECT_TRUE(shown("透明标签_主标题"));
    EXPECT_TRUE(shown("透明标签_副标题"));
    EXPECT_FALSE(rt_music_playing());
    EXPECT_EQ(read_result("j2"), "1");

    // The board's own menu does the same.
    rt_test_click(egg_button(3));
    ASSERT_TRUE(shown("透明标签_关闭"));
    rt_test_next_menu_choice("关闭");
    rt_test_mouse(unit("画板相片"), E_RBUTTON_DOWN, 300, 300);
    rt_do_events();
    EXPECT_EQ(rt_last_popup_items(), std::vector<std::string>{"关闭"});
    EXPECT_FALSE(shown("画板相片"));
    EXPECT_FALSE(shown("透明标签_关闭"));
    EXPECT_TRUE(shown("透明标签_主标题"));
    EXPECT_EQ(read_result("j2"), "2");
}

TEST_F(EggDraw, ReleasingOverTheFirstEggRestoresTheHammer)
{
    start();
    for (int k : {1, 2}) {
        rt_set(egg_button(k), P_MOUSE_POINTER, Bytes{});
        rt_test_mouse(egg_button(k), E_LBUTTON_UP);
    }
    EXPECT_EQ(rt_get_bytes(egg_button(1), P_MOUSE_POINTER), media::hammer_cursor());
    EXPECT_TRUE(rt_get_bytes(egg_button(2), P_MOUSE_POINTER).empty());
}

// The tally is written before the reveal lets events in: a second click in
// the middle of the animation sees the pool without the first prize.
TEST_F(EggDraw, ClickDuringTheRevealRunsANestedDraw)
{
    no_effects();
    only_grade(7, "1");
    start();
    auto nested_ran = std::make_shared<bool>(false);
    rt_post([nested_ran] {
        *nested_ran = true;
        egg::on_egg_click(8);
    });
    rt_test_click(egg_button(1));
    EXPECT_TRUE(*nested_ran);
    EXPECT_EQ(read_result("j7"), "1");
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kEmptyPoolText});
    EXPECT_TRUE(shown("画板相片"));
    EXPECT_FALSE(shown("动画框1"));
    EXPECT_EQ(rt_get_bytes(egg_button(1), P_PICTURE), media::egg_picture(1));
    EXPECT_EQ(rt_get_bytes(egg_button(8), P_PICTURE), media::egg_picture(8));
}

TEST_F(EggDraw, RevealEndsWithTheBoardEvenIfClosedMidway)
{
    no_effects();
    only_grade(1, "3");
    start();
    auto first_zoom = std::make_shared<int32_t>(-1);
    auto stage_during_run = std::make_shared<bool>(false);
    rt_post([first_zoom, stage_during_run] {
        *first_zoom = get("动画物体1", P_SPRITE_ZOOM);
        *stage_during_run = shown("动画框1") && !shown("画板相片");
        egg::hide_prize_display();
    });
    rt_test_click(egg_button(1));
    EXPECT_TRUE(*stage_during_run);
    // At the first pause the copy is at the first step's zoom.
    EXPECT_EQ(*first_zoom, (get("画板相片", P_WIDTH) + get("画板相片", P_HEIGHT)) / 33);
    EXPECT_TRUE(shown("画板相片"));
    EXPECT_FALSE(shown("动画框1"));
    EXPECT_GT(get("动画物体1", P_SPRITE_ZOOM), 950);
    EXPECT_EQ(get("动画物体1", P_WIDTH), get("画板相片", P_WIDTH));
    EXPECT_EQ(get("动画物体1", P_HEIGHT), get("画板相片", P_HEIGHT));
}

TEST_F(EggDraw, TinyBoardRevealEndsAtOnce)
{
    start();
    for (auto [w, h] : {std::pair{10, 10}, std::pair{300, 0}, std::pair{0, 0}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        rt_set(unit("画板相片"), P_WIDTH, int32_t{w});
        rt_set(unit("画板相片"), P_HEIGHT, int32_t{h});
        egg::play_reveal_animation();
        EXPECT_TRUE(shown("画板相片"));
        EXPECT_FALSE(shown("动画框1"));
    }
}

// Looks at the fireworks window at every pause of a draw until stopped.
class EffectWatch {
public:
    EffectWatch() { post(state_); }
    ~EffectWatch() { state_->active = false; }
    bool seen() const { return state_->seen; }
    bool seen_visible() const { return state_->seen_visible; }
    void stop() { state_->active = false; }

private:
    struct State {
        bool active = true, seen = false, seen_visible = false;
    };
    static void post(std::shared_ptr<State> s)
    {
        rt_post([s] {
            if (!s->active)
                return;
            if (rt_is_loaded(egg::EffectWindow)) {
                s->seen = true;
                s->seen_visible = s->seen_visible || rt_get_bool(rt_window(egg::EffectWindow), P_VISIBLE);
            }
            post(s);
        });
    }
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

TEST_F(EggDraw, EffectsOffOpensNoFireworksWindow)
{
    no_effects();
    only_grade(8);
    start();
    EffectWatch watch;
    egg::on_egg_click(1);
    watch.stop();
    EXPECT_FALSE(watch.seen());
    EXPECT_FALSE(rt_is_loaded(egg::EffectWindow));
    EXPECT_EQ(read_result("j8"), "1");
}

// A win the results file cannot take (here it is a folder) is revealed,
// sounded and celebrated as ever; then the operator is told that it was not
// counted.
TEST_F(EggDraw, UncountedWinIsReportedAfterTheReveal)
{
    only_grade(4, "3");
    std::filesystem::create_directory(dir.file("jieguo.a"));
    start();
    ManualClock clock(1000);
    set_platform_clock(&clock);
    auto ticking = std::make_shared<bool>(true);
    std::function<void()> tick = [&tick, ticking, &clock] {
        rt_post([&tick, ticking, &clock] {
            if (!*ticking)
                return;
            clock.advance(100);
            tick();
        });
    };
    tick();
    struct Seen {
        bool board = false, close_label = false;
        uint32_t ms = 0;
    } at_message;
    dialogs.on_show = [&](const ScriptedDialogs::Shown&) {
        at_message = {shown("画板相片"), shown("透明标签_关闭"), clock.milliseconds_since_boot()};
    };
    EffectWatch watch;
    egg::on_egg_click(1);
    watch.stop();
    *ticking = false;
    set_platform_clock(nullptr);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, win_not_counted_text(4));
    EXPECT_NE(dialogs.shown[0].text.find("第4项"), std::string::npos);
    EXPECT_EQ(dialogs.shown[0].title, kWinNotCountedTitle);
    EXPECT_EQ(dialogs.shown[0].style, 48);
    EXPECT_TRUE(at_message.board);
    EXPECT_TRUE(at_message.close_label);
    EXPECT_TRUE(watch.seen());
    EXPECT_GT(at_message.ms, 1000u + 3000u) << "the fireworks' wait had not ended";
    EXPECT_EQ(sounds_after_draw().front(), wav("zaxia.mp3"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("jieguo.a")));

    // A counted win says nothing.
    std::filesystem::remove(dir.file("jieguo.a"));
    no_effects();
    egg::on_egg_click(2);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(read_result("j4"), "1");
}

// The one draw that waits the fireworks' 3 s for real.
TEST_F(EggDraw, FireworksWindowStaysForThreeSeconds)
{
    only_grade(8, "2");
    start();
    EffectWatch watch;
    const auto begin = std::chrono::steady_clock::now();
    egg::on_egg_click(2);
    const auto took = std::chrono::steady_clock::now() - begin;
    watch.stop();
    EXPECT_TRUE(watch.seen());
    EXPECT_TRUE(watch.seen_visible());
    EXPECT_GE(took, std::chrono::milliseconds(2900));
    rt_do_events();
    EXPECT_FALSE(rt_is_loaded(egg::EffectWindow));
    EXPECT_EQ(read_result("j8"), "1");
}

// A click during the fireworks wait runs a whole draw inside it: that draw
// closes the first fireworks window and opens its own. The clock is moved by
// hand, so neither wait takes real time.
TEST_F(EggDraw, ClickDuringTheFireworksRunsANestedDraw)
{
    only_grade(3, "5");
    start();
    ManualClock clock(5000);
    set_platform_clock(&clock);
    struct State {
        bool active = true, was_loaded = false, nested_started = false;
        int openings = 0;
        ManualClock* clock = nullptr;
    };
    auto state = std::make_shared<State>();
    state->clock = &clock;
    std::function<void(std::shared_ptr<State>)> step = [&step](std::shared_ptr<State> s) {
        rt_post([s, &step] {
            if (!s->active)
                return;
            const bool loaded = rt_is_loaded(egg::EffectWindow);
            s->openings += loaded && !s->was_loaded;
            s->was_loaded = loaded;
            s->clock->advance(100);
            step(s);
            if (loaded && !s->nested_started) {
                s->nested_started = true;
                egg::on_egg_click(6);
            }
        });
    };
    step(state);
    egg::on_egg_click(2);
    state->active = false;
    set_platform_clock(nullptr);

    EXPECT_TRUE(state->nested_started);
    EXPECT_EQ(state->openings, 2);
    EXPECT_EQ(read_result("j3"), "2");
    rt_do_events();
    EXPECT_FALSE(rt_is_loaded(egg::EffectWindow));
    EXPECT_EQ(rt_get_bytes(egg_button(2), P_PICTURE), media::egg_picture(2));
    EXPECT_EQ(rt_get_bytes(egg_button(6), P_PICTURE), media::egg_picture(6));
}

// The main window as the toolkit holds it, and the unit on top at a point of
// it: the one a person's click there reaches.
QWidget* main_window_widget()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->property("rt_window").toInt() == egg::MainWindow && w->property("rt_unit").toInt() == 0)
            return w;
    return nullptr;
}
std::string unit_on_top(QPoint at)
{
    QWidget* hit = main_window_widget()->childAt(at);
    for (; hit; hit = hit->parentWidget())
        if (hit->property("rt_window").toInt() == egg::MainWindow && hit->property("rt_unit").isValid())
            break;
    if (!hit)
        return "the window";
    const int id = hit->property("rt_unit").toInt();
    std::vector<std::string> names{"画板相片", "透明标签_关闭", "动画框1", "透明标签_主标题"};
    for (int k = 1; k <= 9; ++k)
        names.push_back("图形按钮" + std::to_string(k));
    for (const std::string& name : names)
        if (rt_unit(egg::MainWindow, name).unit == id)
            return name;
    return "unit " + std::to_string(id);
}

// The units stack as the window defines them, each above those before it:
// the eggs stand on a shown prize and the reveal plays over the eggs, so a
// click on an egg while a prize is shown runs a draw of its own.
TEST_F(EggDraw, EggsStandOnTheShownPrizeUnderTheReveal)
{
    no_effects();
    only_grade(4, "5");
    start();
    ASSERT_NE(main_window_widget(), nullptr);
    rt_test_click(egg_button(9));
    ASSERT_TRUE(shown("画板相片"));
    const int width = rt_get_int(window(), P_WIDTH);
    const int height = rt_get_int(window(), P_HEIGHT);

    struct Case {
        const char* what;
        bool reveal_on;
        QPoint at;
        const char* on_top;
    };
    const Case cases[] = {
        {"egg 9 over the prize", false, {561, 467}, "图形按钮9"},
        {"egg 1 over the prize", false, {252, 382}, "图形按钮1"},
        {"the prize beside the eggs", false, {10, height - 10}, "画板相片"},
        {"the close label on the prize", false, {width - 30, 20}, "透明标签_关闭"},
        {"the reveal over egg 9", true, {561, 467}, "动画框1"},
        {"the reveal over egg 1", true, {252, 382}, "动画框1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rt_set(unit("动画框1"), P_VISIBLE, c.reveal_on);
        EXPECT_EQ(unit_on_top(c.at), c.on_top);
    }
    rt_set(unit("动画框1"), P_VISIBLE, false);

    // A click on egg 9 as the toolkit delivers it, to whatever stands there.
    QTest::mouseClick(main_window_widget()->windowHandle(), Qt::LeftButton, {}, QPoint(561, 467));
    rt_do_events();
    EXPECT_EQ(read_result("j4"), "2");
    EXPECT_TRUE(shown("画板相片"));
}

} // namespace
