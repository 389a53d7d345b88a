#include "common/ui/effect_window.h"

#include <memory>

#include "common/ui/flash_overlay.h"
#include "common/ui/window_mode.h"
#include "runtime/random.h"

WindowDef make_effect_window_definition(int window_id, FireworksMovies movies)
{
    WindowDef w;
    w.id = window_id;
    w.name = "EffectWindow";
    w.title = "";
    w.left = 50;
    w.top = 50;
    w.width = 380;
    w.height = 250;
    w.border = 0;
    // What shows before the movie's first frame is black, and black is cut.
    w.back_color = 0x000000;
    auto shared = std::make_shared<const FireworksMovies>(std::move(movies));
    w.events = {on(E_CREATED, [window_id, shared] { start_effect_animation(window_id, *shared); })};
    return w;
}

void start_effect_animation(int window_id, const FireworksMovies& movies)
{
    auto overlay = std::make_unique<FlashOverlay>();
    const UnitRef window = rt_window(window_id);
    cover_screen(window_id);
    rt_seed_random();
    const int32_t n = rt_random_int(4, 6);
    if (n >= 4 && n <= 6)
        overlay->show_movie(rt_get_window_handle(window), &movies[static_cast<size_t>(n - 4)], 0);
    overlay->release();
}

void show_fireworks(int window_id, int main_window, int32_t milliseconds)
{
    rt_load_window(window_id, rt_window(main_window), false);
    rt_set(rt_window(window_id), P_VISIBLE, true);
    rt_delay(milliseconds);
    if (rt_is_loaded(window_id))
        rt_destroy_window(window_id);
}
