// The wheel's fireworks window: one of the three movies over the whole
// screen after a stop, closed at once by a new spin, never loaded with
// effects off.

#include <functional>
#include <memory>
#include <set>

#include "media/movies.h"
#include "platform/user32.h"
#include "tests/support/movie_cache.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

class WheelFireworks : public WheelWindowTest {
public:
    OwnMovieCache cache;
    ManualClock clock{1000};

    void SetUp() override
    {
        WheelWindowTest::SetUp();
        if (IsSkipped())
            return;
        prizes({"0", "50"});
        setting("滚动速度", "1");
        put_pictures();
    }
    // Starts a spin and lets the real step timer move the highlight.
    void spin_a_little()
    {
        press_start();
        for (int i = 0; i < 2000 && wheel::highlight_pos < 3; ++i)
            rt_delay(1);
        ASSERT_GE(wheel::highlight_pos, 3);
    }
    // Presses 停止 and runs `watch` from the event queue at every turn while
    // the press waits, the clock moving `per_turn` ms each turn, until
    // `watch` returns true.
    void stop_watching(int32_t per_turn, std::function<bool()> watch)
    {
        set_platform_clock(&clock);
        struct State {
            bool watching = true, waiting = true;
        };
        auto state = std::make_shared<State>();
        auto turn = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> next = turn;
        *turn = [this, per_turn, watch, state, next] {
            if (!state->waiting)
                return;
            if (state->watching && watch())
                state->watching = false;
            clock.advance(static_cast<uint32_t>(per_turn));
            if (auto again = next.lock())
                rt_post(*again);
        };
        rt_post(*turn);
        press_stop();
        state->waiting = false;
        set_platform_clock(nullptr);
        rt_do_events();
    }
};

TEST_F(WheelFireworks, AStopShowsOneOfTheMoviesOverTheWholeScreen)
{
    start();
    spin_a_little();
    struct Seen {
        bool covered = false, layered = false;
        int movie = 0;
    } seen;
    stop_watching(20, [&] {
        if (!rt_is_loaded(wheel::EffectWindow))
            return false;
        const UnitRef w = rt_window(wheel::EffectWindow);
        seen.covered = rt_get_int(w, P_LEFT) == 0 && rt_get_int(w, P_TOP) == 0 && rt_get_int(w, P_WIDTH) == 1920 &&
                       rt_get_int(w, P_HEIGHT) == 1080;
        const int64_t handle = rt_get_window_handle(w);
        seen.layered = GetWindowLongA(handle, GWL_EXSTYLE) & WS_EX_LAYERED;
        const Bytes movie = rt_read_file(cache.movie_folder() + "/plimb-" + std::to_string(handle) + ".swf");
        for (int n = 1; n <= 3; ++n)
            if (movie == media::fireworks_movie(n))
                seen.movie = n;
        return true;
    });
    EXPECT_TRUE(seen.covered);
    EXPECT_TRUE(seen.layered);
    EXPECT_NE(seen.movie, 0) << "the window shows none of the three movies";
    EXPECT_EQ(cache.files().size(), 2u) << "the movie and its page";
    EXPECT_FALSE(rt_is_loaded(wheel::EffectWindow));
    EXPECT_EQ(read_result("j2"), "1");
}

// Once the stop has settled inside the fireworks wait, a press on 开始
// starts the next spin and the fireworks go at once, long before the wait
// of the first stop is over.
TEST_F(WheelFireworks, ANewSpinClosesThemAtOnce)
{
    start();
    spin_a_little();
    enum { Settling, Pressed, Checked } phase = Settling;
    uint32_t pressed_at = 0;
    bool gone = false, spinning_again = false;
    int64_t gone_after = -1;
    stop_watching(10, [&] {
        switch (phase) {
        case Settling:
            if (caption() == "开始" && rt_is_loaded(wheel::EffectWindow)) {
                pressed_at = clock.milliseconds_since_boot();
                press_start();
                phase = Pressed;
            }
            return false;
        case Pressed:
            if (!rt_is_loaded(wheel::EffectWindow)) {
                gone = true;
                gone_after = clock.milliseconds_since_boot() - pressed_at;
                spinning_again = wheel::draw_running == 1;
                phase = Checked;
                return true;
            }
            return clock.milliseconds_since_boot() - pressed_at > 5000;
        case Checked:
            return true;
        }
        return true;
    });
    EXPECT_TRUE(gone);
    EXPECT_TRUE(spinning_again);
    EXPECT_GE(gone_after, 0);
    EXPECT_LT(gone_after, 100) << "closed " << gone_after << " ms after the press";
    EXPECT_EQ(read_result("j2"), "1");
}

TEST_F(WheelFireworks, EffectsOffLoadsNoWindowAndWritesNoMovie)
{
    setting("禁用特效", "真");
    start();
    spin_a_little();
    bool loaded = false;
    stop_watching(20, [&] {
        loaded = loaded || rt_is_loaded(wheel::EffectWindow);
        return false;
    });
    // The stop returned at once; the next step settles it.
    for (int i = 0; i < 2000 && wheel::spin_countdown != 0; ++i)
        rt_delay(1);
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(cache.files().empty());
    EXPECT_EQ(read_result("j2"), "1");
}

} // namespace
