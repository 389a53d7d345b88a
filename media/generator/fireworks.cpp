// Fireworks shows built from a few reusable pieces, nested as sprites so the
// files stay small:
//   shell  = a rocket rising, then a burst where it stops (the main
//            timeline swaps one for the other, so shells share their rockets)
//   burst  = a short flash and a group of rings sinking under gravity, fading at the end
//   ring   = rays turned evenly around the centre
//   ray    = one spark flying out along x, slowing, with a streak behind it
// The spark shapes are grey; each shell's colour transform maps their grey
// rim onto the shell's colour while their white cores stay white. Every
// colour drawn stays bright: over the stage, black is see-through and a dim
// colour would show as a dark smudge, so sparks fade by shrinking and use
// alpha only in their last moments.

#include "fireworks.h"

#include "embed.h"

#include "swf_writer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace gen {

namespace {

using namespace swfw;

constexpr double kPi = 3.14159265358979323846;

struct MovieForm {
    bool compressed;
    uint8_t version;
    size_t stored_size;
    size_t uncompressed_size; // equals stored_size for an uncompressed movie
    int width, height;        // stage, pixels
    double frame_rate;
    int frames;
};

// 0: the default movie; 1..3: the fireworks.
const MovieForm kForms[4] = {
    {false, 5, 18547, 18547, 680, 350, 24, 1},
    {true, 8, 19487, 29995, 550, 400, 12, 91},
    {true, 6, 40246, 42610, 550, 400, 36, 60},
    {false, 5, 41317, 41317, 400, 400, 20, 35},
};

double tw(double px) { return px * 20; }

// A small generator of our own, so the movies come out the same everywhere.
class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 1u) {}
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double uniform() { return (next() >> 8) / double(1u << 24); }
    double between(double a, double b) { return a + (b - a) * uniform(); }

private:
    uint32_t s_;
};

struct Rgb {
    int r, g, b;
};

// The grey the spark shapes end in at their rim; tint() maps it onto a colour.
constexpr int kRimGrey = 180;

// Channel map c -> c*m + a with 255 -> 255 and kRimGrey -> the colour.
ColorTransform tint(Rgb c) {
    auto terms = [](int target, int32_t& mult, int32_t& add) {
        const double m = (255.0 - target) / (255.0 - kRimGrey);
        mult = int32_t(std::lround(m * 256));
        add = int32_t(std::lround(255 - 255 * m));
    };
    ColorTransform t;
    terms(c.r, t.mr, t.ar);
    terms(c.g, t.mg, t.ag);
    terms(c.b, t.mb, t.ab);
    return t;
}

Rgba grey(int v) { return {uint8_t(v), uint8_t(v), uint8_t(v), 255}; }

void append(Bytes& to, const Bytes& tags) { to.insert(to.end(), tags.begin(), tags.end()); }

// Frame f of a sprite's animation of one object: frame 0 puts `character`
// at `depth`, later frames move what is there.
void place_frame(Bytes& tags, int f, uint16_t depth, uint16_t character, const Matrix& m,
                 const std::optional<ColorTransform>& cx = std::nullopt) {
    Place p{depth, std::nullopt, m, cx, f > 0};
    if (f == 0)
        p.character = character;
    append(tags, place_object2(p));
}

struct RayKind {
    double life_s;      // how long the spark flies
    double distance;    // how far it gets, stage pixels
    bool ember;         // small coloured head instead of a white-hot spark
    double head_scale;
    double trail_s;     // streak length as the distance flown in this time
    bool twinkle;       // flickers as it dies
    double sparkle = 0.15; // random shimmer of the head's size, frame by frame
};

struct Ring {
    uint16_t ray;
    int count;
    double jitter;      // radians of random turn per ray
    double scale_lo, scale_hi;
};

struct Event {
    int frame;
    double x;
    double scale;
    double tilt_deg;
    Rgb colour;
    int shell; // index into Show::shells
};

class Show {
public:
    explicit Show(double fps) : fps_(fps) { make_shapes(); }

    uint16_t ray(const RayKind& k);
    uint16_t ring(const Ring& r, uint32_t seed);
    // A burst of the given rings (all as long as `frames`).
    // A burst of rings, each with its placement (a smaller inner ring, say).
    uint16_t burst(const std::vector<std::pair<uint16_t, Matrix>>& rings, int frames, double gravity, double fade_s, double flash_scale);
    // Returns the shell's index for events.
    int shell(uint16_t burst, int burst_frames, double rise_s, double height);

    int frames_of(double seconds) const { return std::max(2, int(std::lround(seconds * fps_))); }
    int shell_frames(int shell) const { return shells_[size_t(shell)].frames(); }

    // The main timeline: every event placed at its frame, removed when over.
    Bytes timeline(const std::vector<Event>& events, int frames, double ground) const;

    Bytes defs;

private:
    struct ShellInfo {
        uint16_t rise;      // the rising rocket's sprite
        int rise_frames;
        double height;
        uint16_t burst;
        int burst_frames;
        int frames() const { return rise_frames + burst_frames; }
    };
    uint16_t next_id() { return next_id_++; }
    // Each adds its definition under a new id and returns the id.
    uint16_t add_shape(const ShapeBuilder& s);
    uint16_t add_sprite(int frames, const Bytes& tags);
    void make_shapes();
    uint16_t rocket();

    double fps_;
    uint16_t next_id_ = 2; // 1 is the crackle sound
    uint16_t spark_ = 0, ember_ = 0, streak_ = 0, flash_ = 0, rocket_ = 0;
    std::vector<ShellInfo> shells_;
};

constexpr double kStreakLength = 24; // pixels, at scale 1

uint16_t Show::add_shape(const ShapeBuilder& s) {
    const uint16_t id = next_id();
    append(defs, s.define(id));
    return id;
}

uint16_t Show::add_sprite(int frames, const Bytes& tags) {
    const uint16_t id = next_id();
    append(defs, define_sprite(id, uint16_t(frames), tags));
    return id;
}

void Show::make_shapes() {
    // A white-hot spark: white core, grey rim (tinted later).
    {
        ShapeBuilder s;
        const uint32_t f = s.add_fill(Fill::radial(0, 0, tw(2.9), {{0, grey(255)}, {70, grey(252)}, {150, grey(226)},
                                                                  {215, grey(196)}, {255, grey(kRimGrey)}}));
        s.circle(0, 0, tw(2.9), f);
        spark_ = add_shape(s);
    }
    // An ember: mostly colour, a little lighter in the middle.
    {
        ShapeBuilder s;
        const uint32_t f = s.add_fill(Fill::radial(0, 0, tw(2.6), {{0, grey(215)}, {160, grey(196)}, {255, grey(kRimGrey)}}));
        s.circle(0, 0, tw(2.6), f);
        ember_ = add_shape(s);
    }
    // The streak behind a spark: its head at the origin, tapering along -x.
    {
        ShapeBuilder s;
        const uint32_t f = s.add_fill(Fill::linear(0, 0, tw(-kStreakLength), 0, {{0, grey(238)}, {255, grey(kRimGrey)}}));
        // Its tail stays wide enough to cover whole pixels: a hairline would
        // be all edge, and edges blend towards black.
        s.polygon({{tw(0.5), tw(-1.9)}, {tw(-kStreakLength * 0.5), tw(-1.25)}, {tw(-kStreakLength * 0.95), tw(-0.8)},
                   {tw(-kStreakLength), tw(-0.4)}, {tw(-kStreakLength), tw(0.4)}, {tw(-kStreakLength * 0.95), tw(0.8)},
                   {tw(-kStreakLength * 0.5), tw(1.25)}, {tw(0.5), tw(1.9)}},
                  f);
        streak_ = add_shape(s);
    }
    // The flash where a shell bursts.
    {
        ShapeBuilder s;
        const uint32_t f = s.add_fill(
            Fill::radial(0, 0, tw(15), {{0, grey(255)}, {170, grey(253)}, {255, grey(240)}}));
        s.circle(0, 0, tw(15), f);
        flash_ = add_shape(s);
    }
    rocket_ = rocket();
}

uint16_t Show::rocket() {
    // A bright head with a flickering trail of embers below it.
    Bytes tags;
    Rng rng(7);
    const int frames = 3;
    for (int f = 0; f < frames; ++f) {
        // The head stands still: placed once.
        if (f == 0)
            place_frame(tags, f, 1, spark_, Matrix::place(0, 0, 0.55));
        for (int k = 0; k < 4; ++k) {
            const double y = tw(5.5 + 5.5 * k);
            const double x = tw(rng.between(-0.9, 0.9));
            const double s = (1.0 - 0.19 * k) * rng.between(0.7, 1.05);
            place_frame(tags, f, uint16_t(2 + k), ember_, Matrix::place(x, y, s));
        }
        append(tags, show_frame());
    }
    return add_sprite(frames, tags);
}

uint16_t Show::ray(const RayKind& k) {
    const int frames = frames_of(k.life_s);
    const double drag = 2.6;
    auto flown = [&](double u) { return k.distance * (1 - std::exp(-drag * u)) / (1 - std::exp(-drag)); };
    auto speed = [&](double u) { return k.distance * drag * std::exp(-drag * u) / (1 - std::exp(-drag)) / k.life_s; };
    Bytes tags;
    Rng rng(next_id_);
    for (int f = 0; f < frames; ++f) {
        // Frame 0 shows the sparks already a little way out.
        const double u = (f + 0.5) / (frames - 0.5);
        const double x = flown(u);
        double hs = k.head_scale * (u < 0.55 ? 1.0 : 1.0 - 0.5 * (u - 0.55) / 0.45);
        hs *= 1 - k.sparkle * rng.uniform();
        if (k.twinkle && u > 0.5 && f % 2 == 1)
            hs *= 0.72;
        if (k.trail_s > 0) {
            // A streak never reaches back past where the spark started.
            const double length =
                std::clamp(std::min(speed(u) * k.trail_s * (1 - k.sparkle * rng.uniform()), x + 2), 2.0, 70.0);
            place_frame(tags, f, 1, streak_, Matrix::place(tw(x), 0, length / kStreakLength, hs));
        }
        place_frame(tags, f, 2, k.ember ? ember_ : spark_, Matrix::place(tw(x), 0, hs));
        append(tags, show_frame());
    }
    return add_sprite(frames, tags);
}

uint16_t Show::ring(const Ring& r, uint32_t seed) {
    Rng rng(seed);
    Bytes tags;
    const double turn = rng.uniform() * 2 * kPi;
    for (int i = 0; i < r.count; ++i) {
        const double angle = turn + 2 * kPi * i / r.count + r.jitter * (rng.uniform() - 0.5);
        const double s = rng.between(r.scale_lo, r.scale_hi);
        append(tags, place_object2({uint16_t(i + 1), r.ray, Matrix::place(0, 0, s, s, angle), std::nullopt, false}));
    }
    // One frame: the rays play their own timelines while it stands still.
    append(tags, show_frame());
    return add_sprite(1, tags);
}

uint16_t Show::burst(const std::vector<std::pair<uint16_t, Matrix>>& rings, int frames, double gravity, double fade_s, double flash_scale) {
    // The rings sit in one group, so sinking and fading move one object.
    Bytes group;
    for (size_t i = 0; i < rings.size(); ++i) {
        append(group, place_object2({uint16_t(i + 1), rings[i].first, rings[i].second, std::nullopt, false}));
    }
    append(group, show_frame());
    const uint16_t group_id = add_sprite(1, group);

    Bytes tags;
    const int fade = int(std::lround(fade_s * fps_));
    const int flash_frames = std::max(2, int(std::lround(0.12 * fps_)));
    for (int f = 0; f < frames; ++f) {
        if (flash_scale > 0) {
            if (f < flash_frames) {
                const double s = flash_scale * (1.0 - 0.75 * f / double(flash_frames));
                place_frame(tags, f, 1, flash_, Matrix::place(0, 0, s));
            } else if (f == flash_frames) {
                append(tags, remove_object2(1));
            }
        }
        const double t = f / fps_;
        const double sag = 0.5 * gravity * t * t;
        std::optional<ColorTransform> cx;
        const int left = frames - f;
        if (left <= fade && fade > 0) {
            ColorTransform c;
            c.ma = int32_t(std::lround(256.0 * (left - 0.5) / (fade + 0.5)));
            cx = c;
        }
        place_frame(tags, f, 2, group_id, Matrix::translate(0, tw(sag)), cx);
        append(tags, show_frame());
    }
    return add_sprite(frames, tags);
}

int Show::shell(uint16_t burst_id, int burst_frames, double rise_s, double height) {
    const int rise = frames_of(rise_s);
    for (const ShellInfo& other : shells_) {
        if (other.rise_frames == rise && other.height == height) {
            shells_.push_back({other.rise, rise, height, burst_id, burst_frames});
            return int(shells_.size() - 1);
        }
    }
    Bytes tags;
    for (int f = 0; f < rise; ++f) {
        const double u = double(f) / rise;
        const double y = -height * (1 - (1 - u) * (1 - u));
        place_frame(tags, f, 1, rocket_, Matrix::translate(0, tw(y)));
        append(tags, show_frame());
    }
    shells_.push_back({add_sprite(rise, tags), rise, height, burst_id, burst_frames});
    return int(shells_.size() - 1);
}

Bytes Show::timeline(const std::vector<Event>& events, int frames, double ground) const {
    // Event i rises at depth 2i+1 and bursts at depth 2i+2.
    Bytes tags;
    for (const Event& e : events)
        if (e.frame + shells_[size_t(e.shell)].frames() > frames)
            throw std::logic_error("fireworks: a shell outlasts its movie");
    for (int f = 0; f < frames; ++f) {
        for (size_t i = 0; i < events.size(); ++i) {
            const Event& e = events[i];
            const ShellInfo& sh = shells_[size_t(e.shell)];
            const uint16_t depth = uint16_t(2 * i + 1);
            const double tilt = e.tilt_deg * kPi / 180;
            if (f == e.frame) {
                append(tags, place_object2({depth, sh.rise, Matrix::place(tw(e.x), tw(ground), e.scale, e.scale, tilt),
                                            tint(e.colour), false}));
            } else if (f == e.frame + sh.rise_frames) {
                // Where the rocket stopped: the rise turned and scaled as the event is.
                const double up = sh.height * e.scale;
                append(tags, remove_object2(depth));
                append(tags, place_object2({uint16_t(depth + 1), sh.burst,
                                            Matrix::place(tw(e.x + up * std::sin(tilt)), tw(ground - up * std::cos(tilt)),
                                                          e.scale, e.scale, tilt),
                                            tint(e.colour), false}));
            } else if (f == e.frame + sh.frames()) {
                append(tags, remove_object2(uint16_t(depth + 1)));
            }
        }
        append(tags, show_frame());
    }
    return tags;
}

const Rgb kRed{255, 64, 52}, kGold{255, 196, 64}, kGreen{96, 255, 120}, kBlue{100, 150, 255},
    kViolet{205, 110, 255}, kCyan{90, 235, 255}, kPink{255, 120, 205}, kSilver{236, 236, 255};

// Shows for each fireworks movie: definitions and main timeline.
struct Content {
    Bytes defs;
    Bytes timeline;
};

Content show1() {
    const MovieForm& m = kForms[1];
    Show s(m.frame_rate);
    const uint16_t spark = s.ray({1.35, 130, false, 1.1, 0.2, false});
    const uint16_t slow = s.ray({1.35, 62, true, 1.1, 0.15, true});
    const uint16_t willow = s.ray({1.8, 95, true, 1.2, 0.35, false});
    const int fb = s.frames_of(1.35), fw = s.frames_of(1.8);
    const uint16_t peony = s.burst({{s.ring({spark, 34, 0.25, 0.85, 1.1}, 11), Matrix{}}}, fb, 60, 0, 1.0);
    const uint16_t chrys =
        s.burst({{s.ring({spark, 30, 0.2, 0.95, 1.1}, 12), Matrix{}}, {s.ring({slow, 16, 0.4, 0.8, 1.05}, 13), Matrix{}}}, fb, 60, 0, 1.1);
    const uint16_t ring = s.burst({{s.ring({spark, 36, 0.0, 1.0, 1.0}, 14), Matrix{}}}, fb, 50, 0, 0.8);
    const uint16_t weep = s.burst({{s.ring({willow, 30, 0.3, 0.8, 1.1}, 15), Matrix{}}}, fw, 95, 0, 1.0);
    const int p = s.shell(peony, fb, 0.55, 230), c = s.shell(chrys, fb, 0.6, 250), r = s.shell(ring, fb, 0.5, 200),
              w = s.shell(weep, fw, 0.6, 240);
    const std::vector<Event> events = {
        {0, 160, 1.0, -4, kRed, p},    {2, 385, 0.95, 5, kGold, c},   {8, 270, 1.05, 0, kGreen, r},
        {14, 120, 0.85, -6, kBlue, c}, {17, 430, 1.0, 4, kPink, p},   {23, 280, 1.1, -2, kGold, w},
        {30, 180, 0.9, 3, kCyan, r},   {33, 400, 0.95, -3, kRed, c},  {40, 300, 1.0, 2, kViolet, p},
        {45, 140, 0.95, -5, kSilver, w}, {49, 440, 0.9, 6, kGreen, c}, {55, 250, 1.05, 0, kPink, r},
        {58, 380, 0.9, -4, kBlue, p},  {62, 170, 1.0, 3, kGold, c},
    };
    return {s.defs, s.timeline(events, m.frames, m.height + 6)};
}

Content show2() {
    const MovieForm& m = kForms[2];
    Show s(m.frame_rate);
    const uint16_t spark = s.ray({1.1, 125, false, 1.1, 0.18, true});
    const int fb = s.frames_of(1.1);
    const uint16_t outer = s.ring({spark, 32, 0.2, 0.9, 1.1}, 21);
    const uint16_t chrys = s.burst({{outer, Matrix{}}, {s.ring({spark, 16, 0.4, 0.9, 1.05}, 22), Matrix::place(0, 0, 0.55)}},
                                   fb, 70, 0, 1.1);
    const uint16_t peony = s.burst({{outer, Matrix::place(0, 0, 0.9, 0.9, 0.3)}}, fb, 70, 0, 1.0);
    const int c = s.shell(chrys, fb, 0.33, 230), p = s.shell(peony, fb, 0.33, 230);
    const std::vector<Event> events = {
        {0, 170, 1.0, -5, kViolet, c},
        {2, 390, 0.88, 4, kGold, p},
        {5, 285, 1.08, 0, kCyan, c},
        {7, 455, 0.8, 6, kRed, p},
    };
    return {s.defs, s.timeline(events, m.frames, m.height + 6)};
}

Content show3() {
    const MovieForm& m = kForms[3];
    Show s(m.frame_rate);
    const uint16_t willow = s.ray({1.35, 100, true, 1.2, 0.32, true});
    const uint16_t spark = s.ray({1.35, 105, false, 1.15, 0.18, false});
    const int fb = s.frames_of(1.35);
    const uint16_t weep = s.burst({{s.ring({willow, 32, 0.25, 0.85, 1.1}, 31), Matrix{}}}, fb, 110, 0, 1.1);
    const uint16_t peony = s.burst({{s.ring({spark, 30, 0.3, 0.85, 1.1}, 32), Matrix{}}}, fb, 70, 0, 0.9);
    const int w = s.shell(weep, fb, 0.3, 275), p = s.shell(peony, fb, 0.3, 235);
    const std::vector<Event> events = {
        {0, 200, 1.0, 0, kGold, w},
        {0, 95, 0.9, -8, kGreen, p},
        {1, 308, 0.88, 7, kPink, p},
    };
    return {s.defs, s.timeline(events, m.frames, m.height + 6)};
}

// The default movie's still picture: a golden starburst.
Content still() {
    const MovieForm& m = kForms[0];
    Bytes defs;
    const double cx = tw(m.width / 2.0), cy = tw(m.height / 2.0);
    ShapeBuilder s;
    const uint32_t gold = s.add_line({uint16_t(tw(3)), {255, 200, 70, 255}});
    const uint32_t pale = s.add_line({uint16_t(tw(1.5)), {255, 240, 190, 255}});
    for (int k = 0; k < 32; ++k) {
        const double a = 2 * kPi * k / 32;
        const double r0 = tw(34), r1 = tw(k % 2 ? 120 : 150);
        s.style(0, 0, k % 2 ? pale : gold);
        s.move_to(int32_t(std::lround(cx + r0 * std::cos(a))), int32_t(std::lround(cy + r0 * std::sin(a))));
        s.line_to(int32_t(std::lround(cx + r1 * std::cos(a))), int32_t(std::lround(cy + r1 * std::sin(a))));
    }
    const Rgb colours[] = {kRed, kGold, kGreen, kBlue, kViolet, kCyan, kPink, kSilver};
    for (int k = 0; k < 16; ++k) {
        const double a = 2 * kPi * (k + 0.5) / 16;
        const Rgb c = colours[k % 8];
        const uint32_t f = s.add_fill(Fill::radial(cx + tw(135) * std::cos(a), cy + tw(135) * std::sin(a), tw(7),
                                                   {{0, grey(255)}, {255, {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), 255}}}));
        s.circle(cx + tw(135) * std::cos(a), cy + tw(135) * std::sin(a), tw(7), f);
    }
    const uint32_t core = s.add_fill(
        Fill::radial(cx, cy, tw(30), {{0, grey(255)}, {120, {255, 244, 200, 255}}, {255, {255, 190, 60, 255}}}));
    s.circle(cx, cy, tw(30), core);
    append(defs, s.define(2));
    Bytes tags = place_object2({1, uint16_t(2), std::nullopt, std::nullopt, false});
    append(tags, show_frame());
    return {defs, tags};
}

// The crackle of the bursts, a sound the movie defines but never starts,
// brings the movie to its exact size. Its pops are white noise, which no
// compressor shrinks, between stretches of silence, which shrink to almost
// nothing; how many samples pop sets the compressed size.
Bytes crackle(size_t samples, size_t popping, uint32_t seed) {
    Bytes out(samples, 128);
    popping = std::min(popping, samples);
    if (popping == 0)
        return out;
    constexpr size_t kPop = 400;
    const size_t pops = (popping + kPop - 1) / kPop;
    const size_t stride = samples / pops;
    Rng rng(seed);
    size_t left = popping;
    for (size_t p = 0; p < pops && left > 0; ++p) {
        const size_t n = std::min(left, kPop);
        for (size_t i = 0; i < n; ++i)
            out[p * stride + i] = uint8_t(rng.next() >> 24);
        left -= n;
    }
    return out;
}

struct Padding {
    size_t samples = 0;
    size_t popping = 0;
    uint32_t seed = 1;
};

Header header_of(int n) {
    const MovieForm& m = kForms[n];
    Header h;
    h.compressed = m.compressed;
    h.version = m.version;
    h.width_twips = m.width * 20;
    h.height_twips = m.height * 20;
    h.frame_rate = m.frame_rate;
    h.frames = uint16_t(m.frames);
    return h;
}

Bytes tags_of(int n, const Content& c, const Padding* pad) {
    const MovieForm& m = kForms[n];
    Bytes tags;
    if (m.version >= 8)
        append(tags, file_attributes(0));
    append(tags, set_background({0, 0, 0, 255}));
    if (pad)
        append(tags, define_sound(1, crackle(pad->samples, pad->popping, pad->seed)));
    append(tags, c.defs);
    append(tags, c.timeline);
    append(tags, end_tag());
    return tags;
}

Bytes assemble(int n, const Content& c, const Padding* pad) { return movie(header_of(n), tags_of(n, c, pad)); }

size_t movie_length_of(const Bytes& movie) {
    return size_t(movie[4]) | size_t(movie[5]) << 8 | size_t(movie[6]) << 16 | size_t(movie[7]) << 24;
}

Content content(int n) {
    switch (n) {
    case 1: return show1();
    case 2: return show2();
    case 3: return show3();
    default: return still();
    }
}

const MovieForm& movie_form(int n) {
    if (n < 0 || n > 3)
        throw std::out_of_range("fireworks: no movie " + std::to_string(n));
    return kForms[n];
}

std::vector<uint8_t> make_movie(int n) {
    const MovieForm& m = movie_form(n);
    const Content c = content(n);
    auto failed = [&](const std::string& what) {
        return std::runtime_error("fireworks: movie " + std::to_string(n) + " " + what);
    };
    // What the movie weighs without its sound decides the sound's length.
    const size_t bare = movie_length(header_of(n), tags_of(n, c, nullptr).size());
    if (bare + define_sound_size(0) > m.uncompressed_size)
        throw failed("is too big before padding");
    Padding pad;
    pad.samples = m.uncompressed_size - bare - define_sound_size(0);

    if (!m.compressed) {
        pad.popping = pad.samples / 2;
        Bytes out = assemble(n, c, &pad);
        if (out.size() != m.stored_size)
            throw failed("missed its size");
        return out;
    }
    // Compressed: the stored size grows with the popping samples by about a
    // byte a sample, so a search finds their number, and where zlib's
    // choices skip the size, another seed gets it exactly.
    Bytes last; // the movie stored() made last
    auto stored = [&](size_t popping) {
        pad.popping = popping;
        last = assemble(n, c, &pad);
        return last.size();
    };
    for (pad.seed = 1; pad.seed <= 64; ++pad.seed) {
        size_t lo = 0, hi = pad.samples;
        if (stored(lo) > m.stored_size || stored(hi) < m.stored_size)
            throw failed("cannot reach its compressed size (" + std::to_string(stored(lo)) + " to " +
                         std::to_string(stored(hi)) + " bytes)");
        while (hi - lo > 1) {
            const size_t mid = (lo + hi) / 2;
            (stored(mid) < m.stored_size ? lo : hi) = mid;
        }
        for (size_t k = hi > 48 ? hi - 48 : 0; k <= std::min(pad.samples, hi + 48); ++k)
            if (stored(k) == m.stored_size)
                return last;
    }
    throw failed("missed its compressed size");
}

} // namespace

void write_movies(const std::filesystem::path& out) {
    const char* const names[] = {"default.swf", "fireworks1.swf", "fireworks2.swf", "fireworks3.swf"};
    std::vector<Bytes> movies;
    for (int n = 0; n < 4; ++n) {
        movies.push_back(make_movie(n));
        // make_movie sees to the stored size; the length field is checked here.
        if (movie_length_of(movies.back()) != kForms[n].uncompressed_size)
            throw std::runtime_error(std::string("fireworks: ") + names[n] + " missed its form");
        write_file(out / names[n], movies.back());
    }
    EmbeddedSource src("media/movies.h");
    src.single("default_movie", movies[0]);
    src.family("fireworks_movie", {movies.begin() + 1, movies.end()});
    src.write(out / "movies_data.cpp");
}

} // namespace gen
