// The fireworks window of the egg program: full screen, one of the three
// movies at random, and nothing written when effects are off.
#include "tests/egg/egg_window_fixture.h"

#include <functional>
#include <memory>
#include <set>

#include "media/movies.h"
#include "platform/clock.h"
#include "platform/user32.h"
#include "tests/support/movie_cache.h"

namespace {

class EggFireworks : public EggWindowTest {
protected:
    OwnMovieCache cache;
};

TEST_F(EggFireworks, EachOfTheThreeMoviesIsChosenAndTheWindowCoversTheScreen)
{
    std::set<int> chosen;
    for (int round = 0; round < 60 && chosen.size() < 3; ++round) {
        ASSERT_TRUE(rt_load_window(egg::EffectWindow));
        const UnitRef w = rt_window(egg::EffectWindow);
        EXPECT_EQ(rt_get_int(w, P_LEFT), 0);
        EXPECT_EQ(rt_get_int(w, P_TOP), 0);
        EXPECT_EQ(rt_get_int(w, P_WIDTH), rt_screen_width());
        EXPECT_EQ(rt_get_int(w, P_HEIGHT), rt_screen_height());
        const int64_t handle = rt_get_window_handle(w);
        EXPECT_TRUE(GetWindowLongA(handle, GWL_EXSTYLE) & WS_EX_LAYERED);
        const Bytes movie = rt_read_file(cache.movie_folder() + "/plimb-" + std::to_string(handle) + ".swf");
        int which = 0;
        for (int n = 1; n <= 3; ++n)
            if (movie == media::fireworks_movie(n))
                which = n;
        ASSERT_NE(which, 0) << "the window shows none of the three movies";
        chosen.insert(which);
        rt_destroy_window(egg::EffectWindow);
        rt_do_events();
    }
    EXPECT_EQ(chosen, (std::set<int>{1, 2, 3}));
}

// A draw with effects writes the movie and its page; with 禁用特效 = "真"
// nothing is written at all.
TEST_F(EggFireworks, EffectsOffWritesNoMovieOrPage)
{
    only_grade(5, "9");
    no_effects();
    start();
    egg::on_egg_click(4);
    EXPECT_EQ(read_result("j5"), "1");
    EXPECT_TRUE(cache.files().empty());

    setting("禁用特效", "假");
    ManualClock clock(1000);
    set_platform_clock(&clock);
    // The fireworks wait ends once this clock has moved past 3000 ms.
    auto active = std::make_shared<bool>(true);
    std::function<void()> step = [&clock, &step, active] {
        if (!*active)
            return;
        clock.advance(200);
        rt_post(step);
    };
    rt_post(step);
    egg::on_egg_click(4);
    *active = false;
    set_platform_clock(nullptr);
    EXPECT_EQ(read_result("j5"), "2");
    EXPECT_EQ(cache.files().size(), 2u);
}

} // namespace
