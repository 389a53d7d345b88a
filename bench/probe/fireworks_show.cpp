// Plays one fireworks movie through the programs' own fireworks window, over
// a still stage, so that the X server's side can be watched (stage_probe)
// for as long as one likes and for the movie one picks: in the programs the
// movie is drawn at random and shows for three seconds.
//
//   fireworks_show MOVIE SECONDS [SHOWS]
//
// MOVIE is 1..3 (0: the overlay's default movie). The stage shows for a
// second first; then SHOWS fireworks windows (1 by default) follow one
// another, half a second apart. Before the first and after the last, the
// process's resident memory (all of it, and its anonymous part) and what the
// main malloc arena holds allocated are printed: "rss_kb before N after N
// anon_kb before N after N heap_kb before N after N".

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/ui/effect_window.h"
#include "common/ui/window_mode.h"
#include "media/movies.h"
#include "runtime/ui.h"

namespace {

constexpr int kStage = 1;
constexpr int kEffect = 2;

// A line of /proc/self/status in kB ("VmRSS", "RssAnon", ...).
long status_kb(const std::string& name)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::atol(line.c_str() + name.size() + 1);
    return 0;
}

long heap_kb()
{
    const struct mallinfo2 m = mallinfo2();
    return long((m.uordblks + m.hblkhd) / 1024);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fireworks_show MOVIE SECONDS [SHOWS]\n");
        return 2;
    }
    const int movie = std::atoi(argv[1]);
    const int ms = int(std::atof(argv[2]) * 1000);
    const int shows = argc > 3 ? std::atoi(argv[3]) : 1;
    rt_init(argc, argv);

    WindowDef stage;
    stage.id = kStage;
    stage.name = "StageWindow";
    stage.title = "fireworks_show";
    stage.border = 0;
    stage.back_color = 0xA05F3A; // a mid blue, far from the key
    stage.events = {on(E_CREATED, [] { cover_screen(kStage); })};
    rt_define_window(stage);
    const Bytes& bytes = movie == 0 ? Bytes() : media::fireworks_movie(movie);
    rt_define_window(make_effect_window_definition(kEffect, {bytes, bytes, bytes}));

    rt_load_window(kStage);
    rt_delay(1000);
    const long rss_before = status_kb("VmRSS"), anon_before = status_kb("RssAnon"), heap_before = heap_kb();
    for (int i = 0; i < shows; ++i) {
        show_fireworks(kEffect, kStage, ms);
        rt_delay(500);
    }
    std::printf("rss_kb before %ld after %ld anon_kb before %ld after %ld heap_kb before %ld after %ld\n", rss_before,
                status_kb("VmRSS"), anon_before, status_kb("RssAnon"), heap_before, heap_kb());
    std::fflush(stdout);
    return 0;
}
