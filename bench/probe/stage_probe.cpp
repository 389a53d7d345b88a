// What an audience sees of a running program, measured on the X server:
// when the screen changes (damage events on the root window), how long a
// program takes to show its window, and how the screen changes after a
// click. Figures come from the server's side, so they include what the
// server spends on the program's requests.
//
//   stage_probe watch SECONDS [options]    screen changes for SECONDS
//   stage_probe startup [options] -- CMD…  start CMD, time until it shows
//   stage_probe bare                       a bare full-screen Qt window
//
// Options:
//   --area X,Y,W,H   count only changes that meet this rectangle
//   --min-area N     count only changes of at least N pixels
//   --gap MS         changes closer than this belong to one frame (3)
//   --click X,Y      click there first and time the changes from the click
//   --log FILE       every change as "ms x y w h"
//   --over MS        also count frame gaps longer than MS
//   --cpu PID        the process's processor share while watching (repeatable)
//   --boxes          one change per burst: the bounding box of what changed
//                    since the last report, rather than every rectangle.
//                    The server then sends a few events per frame instead
//                    of thousands, so the watch loads it far less.
//   --until-unmapped WINDOW  stop watching early when that window (an X id)
//                    is unmapped or destroyed, e.g. a fireworks window

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool meets(const Rect& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
};

struct Change {
    double ms;
    Rect r;
};

struct Options {
    std::optional<Rect> area;
    long min_area = 0;
    double gap = 3.0;
    std::optional<std::pair<int, int>> click;
    std::string log;
    double over = 0;
    std::vector<int> cpu_pids;
    uint32_t until_unmapped = 0;
    bool boxes = false;
};

[[noreturn]] void die(const std::string& why)
{
    std::fprintf(stderr, "stage_probe: %s\n", why.c_str());
    std::exit(2);
}

std::vector<int> numbers(const std::string& text)
{
    std::vector<int> out;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        out.push_back(std::atoi(part.c_str()));
    return out;
}

// Parses options from argv[i...] up to "--" or the end; returns the index
// after them.
int parse_options(int argc, char** argv, int i, Options& o)
{
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc)
                die(a + " needs a value");
            return argv[++i];
        };
        if (a == "--") {
            return i + 1;
        } else if (a == "--area") {
            const auto v = numbers(next());
            if (v.size() != 4)
                die("--area X,Y,W,H");
            o.area = Rect{v[0], v[1], v[2], v[3]};
        } else if (a == "--min-area") {
            o.min_area = std::atol(next().c_str());
        } else if (a == "--gap") {
            o.gap = std::atof(next().c_str());
        } else if (a == "--click") {
            const auto v = numbers(next());
            if (v.size() != 2)
                die("--click X,Y");
            o.click = std::make_pair(v[0], v[1]);
        } else if (a == "--log") {
            o.log = next();
        } else if (a == "--over") {
            o.over = std::atof(next().c_str());
        } else if (a == "--cpu") {
            o.cpu_pids.push_back(std::atoi(next().c_str()));
        } else if (a == "--boxes") {
            o.boxes = true;
        } else if (a == "--until-unmapped") {
            o.until_unmapped = uint32_t(std::strtoul(next().c_str(), nullptr, 0));
        } else {
            die("unknown option " + a);
        }
    }
    return i;
}

// Clock ticks of user and system time of a process.
std::optional<long long> cpu_ticks(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return std::nullopt;
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::stringstream rest(line.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int n = 3; rest >> field; ++n) {
        if (n == 14)
            utime = std::atoll(field.c_str());
        if (n == 15) {
            stime = std::atoll(field.c_str());
            return utime + stime;
        }
    }
    return std::nullopt;
}

class Display {
public:
    Display()
    {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_))
            die("cannot open the display");
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
        const auto* ext = xcb_get_extension_data(conn_, &xcb_damage_id);
        if (!ext || !ext->present)
            die("the X server has no DAMAGE extension");
        damage_event_ = ext->first_event + XCB_DAMAGE_NOTIFY;
        // Damage needs the fixes extension's version agreed first.
        free(xcb_xfixes_query_version_reply(conn_, xcb_xfixes_query_version(conn_, 4, 0), nullptr));
        free(xcb_damage_query_version_reply(conn_, xcb_damage_query_version(conn_, 1, 1), nullptr));
    }
    ~Display() { xcb_disconnect(conn_); }

    Rect screen() const { return Rect{0, 0, screen_->width_in_pixels, screen_->height_in_pixels}; }

    void start_damage(bool boxes = false)
    {
        damage_ = xcb_generate_id(conn_);
        boxes_ = boxes;
        xcb_damage_create(conn_, damage_, screen_->root,
                          boxes ? XCB_DAMAGE_REPORT_LEVEL_BOUNDING_BOX : XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        // The server reports the whole screen once when the watch begins;
        // that is not a change.
        free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
        while (xcb_generic_event_t* e = xcb_poll_for_event(conn_))
            free(e);
        if (boxes_)
            xcb_damage_subtract(conn_, damage_, XCB_NONE, XCB_NONE);
        xcb_flush(conn_);
    }

    // Unmap and destroy events of the window end `collect` early.
    void watch_window(uint32_t window)
    {
        watched_ = window;
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, window, XCB_CW_EVENT_MASK, &mask);
        free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    }

    void click(int x, int y)
    {
        xcb_test_fake_input(conn_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen_->root, int16_t(x), int16_t(y), 0);
        xcb_test_fake_input(conn_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(conn_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(conn_);
    }

    // Collects damage until `until` returns true or `seconds` pass.
    template <typename Until>
    std::vector<Change> collect(Clock::time_point t0, double seconds, Until until)
    {
        std::vector<Change> out;
        const int fd = xcb_get_file_descriptor(conn_);
        bool gone = false;
        while (!gone && ms_since(t0) < seconds * 1000.0) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
                const uint8_t type = e->response_type & 0x7f;
                if (watched_ && type == XCB_UNMAP_NOTIFY &&
                    reinterpret_cast<xcb_unmap_notify_event_t*>(e)->window == watched_)
                    gone = true;
                if (watched_ && type == XCB_DESTROY_NOTIFY &&
                    reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == watched_)
                    gone = true;
                if (type == damage_event_ && !gone) {
                    const auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                    out.push_back(Change{ms_since(t0), Rect{d->area.x, d->area.y, d->area.width, d->area.height}});
                    // The next change reports again only once this one is taken.
                    if (boxes_) {
                        xcb_damage_subtract(conn_, damage_, XCB_NONE, XCB_NONE);
                        xcb_flush(conn_);
                    }
                }
                free(e);
            }
            if (xcb_connection_has_error(conn_))
                die("lost the display");
            if (until(out))
                break;
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 5);
        }
        return out;
    }

private:
    xcb_connection_t* conn_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    uint8_t damage_event_ = 0;
    xcb_damage_damage_t damage_ = 0;
    uint32_t watched_ = 0;
    bool boxes_ = false;
};

bool counts(const Change& c, const Options& o)
{
    if (long(c.r.w) * c.r.h < o.min_area)
        return false;
    return !o.area || c.r.meets(*o.area);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

// Frames: changes closer together than the gap are one frame.
std::vector<double> frame_starts(const std::vector<Change>& changes, const Options& o)
{
    std::vector<double> starts;
    double last = -1e9;
    for (const Change& c : changes) {
        if (!counts(c, o))
            continue;
        if (c.ms - last > o.gap)
            starts.push_back(c.ms);
        last = c.ms;
    }
    return starts;
}

void report(const std::vector<Change>& changes, const Options& o, double seconds)
{
    if (!o.log.empty()) {
        std::ofstream log(o.log);
        for (const Change& c : changes)
            log << c.ms << ' ' << c.r.x << ' ' << c.r.y << ' ' << c.r.w << ' ' << c.r.h << '\n';
    }
    const std::vector<double> starts = frame_starts(changes, o);
    std::vector<double> gaps;
    for (size_t i = 1; i < starts.size(); ++i)
        gaps.push_back(starts[i] - starts[i - 1]);
    size_t rects = 0;
    for (const Change& c : changes)
        rects += counts(c, o) ? 1 : 0;
    const double span = starts.size() > 1 ? starts.back() - starts.front() : 0;
    std::printf("changes %zu frames %zu", rects, starts.size());
    if (span > 0)
        std::printf(" fps %.2f", double(starts.size() - 1) * 1000.0 / span);
    std::printf(" watched_s %.1f\n", seconds);
    if (!starts.empty())
        std::printf("first_ms %.1f last_ms %.1f\n", starts.front(), starts.back());
    if (!gaps.empty()) {
        std::printf("gap_ms min %.1f median %.1f p90 %.1f max %.1f", percentile(gaps, 0), percentile(gaps, 0.5),
                    percentile(gaps, 0.9), percentile(gaps, 1));
        if (o.over > 0)
            std::printf(" over_%g %ld", o.over,
                        long(std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g > o.over; })));
        std::printf("\n");
    }
}

int watch(int argc, char** argv)
{
    if (argc < 3)
        die("watch SECONDS [options]");
    const double seconds = std::atof(argv[2]);
    Options o;
    parse_options(argc, argv, 3, o);
    Display d;
    if (o.until_unmapped)
        d.watch_window(o.until_unmapped);
    d.start_damage(o.boxes);
    std::vector<std::pair<int, long long>> cpu0;
    for (int pid : o.cpu_pids)
        cpu0.emplace_back(pid, cpu_ticks(pid).value_or(0));
    const Clock::time_point t0 = Clock::now();
    if (o.click)
        d.click(o.click->first, o.click->second);
    const auto changes = d.collect(t0, seconds, [](const std::vector<Change>&) { return false; });
    const double wall = ms_since(t0) / 1000.0;
    report(changes, o, wall);
    const double hz = double(sysconf(_SC_CLK_TCK));
    for (const auto& [pid, ticks] : cpu0)
        if (const auto now = cpu_ticks(pid))
            std::printf("cpu pid %d share %.3f\n", pid, double(*now - ticks) / hz / wall);
    return 0;
}

int startup(int argc, char** argv)
{
    Options o;
    const int at = parse_options(argc, argv, 2, o);
    if (at >= argc)
        die("startup [options] -- CMD...");
    Display d;
    const Rect screen = d.screen();
    if (o.min_area == 0)
        o.min_area = long(screen.w) * screen.h / 2;
    d.start_damage();
    const Clock::time_point t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[at], argv + at);
        _exit(127);
    }
    // A shaped window reaches the server as many small changes: the window
    // counts as shown once one burst of changes covers the area asked for.
    long burst = 0;
    size_t seen_before = 0;
    double burst_end = -1e9;
    std::optional<double> shown;
    d.collect(t0, 30.0, [&](const std::vector<Change>& seen) {
        for (; seen_before < seen.size(); ++seen_before) {
            const Change& c = seen[seen_before];
            if (o.area && !c.r.meets(*o.area))
                continue;
            if (c.ms - burst_end > o.gap)
                burst = 0;
            burst += long(c.r.w) * c.r.h;
            burst_end = c.ms;
            if (burst >= o.min_area && !shown)
                shown = c.ms;
        }
        return shown.has_value();
    });
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (!shown)
        die("the program showed no window within 30 s");
    std::printf("shown_ms %.1f\n", *shown);
    return 0;
}

int bare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowFlag(Qt::FramelessWindowHint);
    w.setStyleSheet("background: #901810;");
    w.setGeometry(QGuiApplication::primaryScreen()->geometry());
    w.showFullScreen();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "watch")
        return watch(argc, argv);
    if (what == "startup")
        return startup(argc, argv);
    if (what == "bare")
        return bare(argc, argv);
    std::fprintf(stderr, "usage: stage_probe watch SECONDS [options] | startup [options] -- CMD... | bare\n");
    return 2;
}
