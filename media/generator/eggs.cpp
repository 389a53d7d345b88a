#include "eggs.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gen {
namespace {

constexpr double kPi = std::numbers::pi;

struct Vec3 {
    double x, y, z;
};

Vec3 normalised(Vec3 v)
{
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The egg in its own frame: centre at the origin, y grows downwards, the
// blunt end at the bottom.
struct EggForm {
    double hw = 63;      // half width at the widest
    double hh = 84;      // half height
    double taper = 0.14; // how much wider the bottom is than the top

    double half_width_at(double v) const
    {
        if (v <= -1 || v >= 1)
            return 0;
        return hw * std::sqrt(1 - v * v) * (1 + taper * v);
    }
    bool inside(double x, double y) const
    {
        const double v = y / hh;
        return std::abs(x) <= half_width_at(v);
    }
    Shape shape() const
    {
        EggForm f = *this;
        return {{-hw * 1.2, -hh, hw * 1.2, hh}, [f](double x, double y) { return f.inside(x, y); }};
    }
};

// Where a point of the picture lies on the egg's surface.
struct SurfacePoint {
    double u;     // -1 left edge .. 1 right edge, across the silhouette
    double v;     // -1 top .. 1 bottom
    Vec3 normal;  // y down, z towards the viewer
    double s, t;  // unrolled surface coordinates in pixels, 0,0 at the front centre
};

SurfacePoint surface(const EggForm& f, double x, double y)
{
    SurfacePoint p{};
    p.v = std::clamp(y / f.hh, -0.9999, 0.9999);
    const double w = f.half_width_at(p.v);
    p.u = w > 0 ? std::clamp(x / w, -1.0, 1.0) : 0;
    const double r = std::sqrt(1 - p.v * p.v);
    // Ellipsoid normal, tipped up a little more at the pointed top.
    const double aspect = f.hw / f.hh;
    p.normal = normalised({p.u * r, p.v * aspect - f.taper * 0.5 * r, std::sqrt(1 - p.u * p.u) * r});
    p.s = std::asin(p.u) * f.hw * (1 + f.taper * p.v);
    // Seen from slightly above: a band of one height curves down at the front.
    const double depth = std::sqrt(1 - p.u * p.u) * r * f.hw;
    p.t = p.v * f.hh - 0.2 * (depth - f.hw);
    return p;
}

const Vec3 kKeyLight = normalised({-0.55, -0.7, 0.55});
const Vec3 kFillLight = normalised({0.7, 0.35, 0.35});

const std::vector<Stop> kGoldRamp = {
    {0.00, rgb(58, 28, 4)},     {0.22, rgb(120, 66, 8)},    {0.45, rgb(196, 128, 18)},
    {0.65, rgb(238, 178, 42)},  {0.82, rgb(255, 219, 100)}, {1.00, rgb(255, 250, 222)},
};
const std::vector<Stop> kRedRamp = {
    {0.00, rgb(48, 0, 4)},     {0.25, rgb(118, 6, 12)},    {0.50, rgb(186, 18, 24)},
    {0.70, rgb(226, 44, 38)},  {0.86, rgb(255, 112, 92)},  {1.00, rgb(255, 228, 214)},
};

enum class Material { Gold, Red, Trim };

// Brightness (0..1) of a glossy surface with the given normal: key light,
// a studio "sky" reflection with a dark horizon band, a fill from the lower
// right and a darker rim.
double tone(Vec3 n, double v)
{
    const double ndl = std::max(0.0, dot(n, kKeyLight));
    const Vec3 h = normalised({kKeyLight.x, kKeyLight.y, kKeyLight.z + 1});
    const double ndh = std::max(0.0, dot(n, h));
    const Vec3 r{2 * n.z * n.x, 2 * n.z * n.y, 2 * n.z * n.z - 1};
    const double sky = smoothstep(0.05, 0.75, -r.y);
    const double horizon = std::exp(-std::pow((r.y - 0.18) / 0.16, 2));
    const double fill = std::pow(std::max(0.0, dot(n, kFillLight)), 3);
    const double floor = smoothstep(0.3, 0.9, r.y);
    double t = 0.21 + 0.42 * ndl + 0.22 * sky - 0.15 * horizon + 0.18 * fill + 0.10 * floor +
               0.30 * std::pow(ndh, 24);
    t *= 1 - 0.40 * std::pow(1 - std::max(0.0, n.z), 2.2);
    // The egg sits on its base: darker where it meets the ground.
    t *= 1 - 0.30 * smoothstep(0.78, 1.0, v);
    return clamp01(t);
}

Colour shade(Material m, Vec3 n, double v)
{
    const double t = tone(n, v);
    switch (m) {
    case Material::Red:
        return sample_stops(kRedRamp, std::min(1.0, t * 0.95 + 0.05));
    case Material::Trim:
        return sample_stops(kGoldRamp, std::min(1.0, t * 1.12 + 0.08));
    case Material::Gold:
        break;
    }
    return sample_stops(kGoldRamp, t);
}

using Pattern = Material (*)(double s, double t);

double tri(double x) { return std::abs(x - std::floor(x) - 0.5) * 2; } // 1 at integers, 0 halfway

bool in_star(double s, double t, double cs, double ct, double r, double rot)
{
    static const Shape unit = star({0, 0}, 1.0, 0.42, 5, 0.0);
    const double c = std::cos(-rot), sn = std::sin(-rot);
    const double x = (s - cs) / r, y = (t - ct) / r;
    return unit.inside(c * x - sn * y, sn * x + c * y);
}

bool near_line(double t, double at, double half) { return std::abs(t - at) <= half; }

Material ribbon_band(double, double t)
{
    if (near_line(t, 5, 1.4) || near_line(t, 33, 1.4))
        return Material::Trim;
    return (t >= 8 && t <= 30) ? Material::Red : Material::Gold;
}

Material scattered_stars(double s, double t)
{
    struct S {
        double s, t, r, rot;
    };
    static const S stars[] = {{0, 4, 22, 0},        {-42, -34, 11, -0.3}, {40, -40, 10, 0.25},
                              {-46, 40, 12, 0.4},   {44, 38, 11, -0.2},   {0, -58, 8, 0.1},
                              {2, 56, 9, -0.15}};
    for (const S& st : stars)
        if (in_star(s, t, st.s, st.t, st.r, st.rot))
            return Material::Red;
    return Material::Gold;
}

Material sash(double s, double t)
{
    const double d = t - 0.6 * s - 4;
    if (near_line(d, -13, 1.4) || near_line(d, 13, 1.4))
        return Material::Trim;
    return std::abs(d) <= 17 ? Material::Red : Material::Gold;
}

Material polka(double s, double t)
{
    constexpr double dx = 27, dy = 24;
    const double row = std::round(t / dy);
    const double off = (int(std::lround(row)) % 2 == 0) ? 0 : dx / 2;
    const double col = std::round((s - off) / dx);
    const double cx = col * dx + off, cy = row * dy;
    const double r2 = (s - cx) * (s - cx) + (t - cy) * (t - cy);
    return r2 <= 7.2 * 7.2 ? Material::Red : Material::Gold;
}

Material zigzag(double s, double t)
{
    const double mid = 14 + 10 * (tri(s / 22) - 0.5) * 2;
    if (near_line(t, mid - 12, 1.3) || near_line(t, mid + 12, 1.3))
        return Material::Trim;
    return std::abs(t - mid) <= 9 ? Material::Red : Material::Gold;
}

Material twin_bands(double s, double t)
{
    if ((t >= -26 && t <= -16) || (t >= 26 && t <= 36))
        return Material::Red;
    if (near_line(t, -21, 1.0) || near_line(t, 31, 1.0))
        return Material::Trim;
    const double cx = std::round(s / 22) * 22;
    const double r2 = (s - cx) * (s - cx) + (t - 5) * (t - 5);
    return r2 <= 6.5 * 6.5 ? Material::Red : Material::Gold;
}

Material diamonds(double s, double t)
{
    if (near_line(t, -8, 1.6) || near_line(t, 32, 1.6))
        return Material::Red;
    const double cx = std::round(s / 26) * 26;
    const double d = std::abs(s - cx) / 12 + std::abs(t - 12) / 15;
    if (d <= 0.62)
        return Material::Trim;
    return d <= 1 ? Material::Red : Material::Gold;
}

Material wave(double s, double t)
{
    const double mid = 10 + 11 * std::sin(s / 15);
    if (near_line(t, mid - 14, 1.3) || near_line(t, mid + 14, 1.3))
        return Material::Trim;
    return std::abs(t - mid) <= 8 ? Material::Red : Material::Gold;
}

Material blossom(double s, double t)
{
    constexpr double cs = 0, ct = 8;
    const double ds = s - cs, dt = t - ct;
    const double rr = std::sqrt(ds * ds + dt * dt);
    if (rr <= 7.5)
        return Material::Trim;
    if (rr <= 9.5)
        return Material::Red;
    for (int i = 0; i < 5; ++i) {
        const double a = -kPi / 2 + i * 2 * kPi / 5;
        const double ps = cs + 16 * std::cos(a), pt = ct + 16 * std::sin(a);
        if ((s - ps) * (s - ps) + (t - pt) * (t - pt) <= 11.5 * 11.5)
            return Material::Red;
    }
    if (rr >= 36 && rr <= 39)
        return Material::Red;
    return Material::Gold;
}

constexpr Pattern kPatterns[kEggCount] = {ribbon_band, scattered_stars, sash,       polka,  zigzag,
                                          twin_bands,  diamonds,        wave,       blossom};

const Colour kOutline = rgb(92, 52, 6);

// The shaded shell in the egg's own frame. `angle` is how far the piece is
// turned on screen, so its light still comes from the upper left.
Paint shell_paint(const EggForm& f, Pattern pattern, double angle)
{
    const double ca = std::cos(angle), sa = std::sin(angle);
    return [f, pattern, ca, sa](double x, double y) {
        SurfacePoint p = surface(f, x, y);
        const Vec3 n = p.normal;
        p.normal = {ca * n.x - sa * n.y, sa * n.x + ca * n.y, n.z};
        const Material m = pattern ? pattern(p.s, p.t) : Material::Gold;
        return shade(m, p.normal, p.v);
    };
}

// The egg body: outline, then the shaded shell with its pattern.
void paint_egg(Canvas& c, const EggForm& f, const Placement& at, Pattern pattern)
{
    const Shape local = f.shape();
    c.fill(placed(dilate(local, 2.2 / at.scale), at), solid(kOutline));
    c.fill(placed(local, at), placed(shell_paint(f, pattern, at.angle), at));
}

// A soft window reflection in the upper left and a small hot spot in it.
void paint_gloss(Canvas& c, const EggForm& f, const Placement& at)
{
    const Vec2 centre{-0.42 * f.hw, -0.46 * f.hh};
    const Placement tilt{at.to_canvas(centre), at.angle + 0.42, at.scale};
    const double rx = 0.20 * f.hw, ry = 0.33 * f.hh;
    c.fill(placed(ellipse({0, 0}, rx, ry), tilt),
           placed(radial({0, -ry * 0.15}, rx, ry,
                         {{0.0, rgb(255, 255, 240, 0.92)}, {0.45, rgb(255, 250, 220, 0.55)},
                          {1.0, rgb(255, 240, 190, 0.0)}}),
                  tilt));
    const Placement spot{at.to_canvas({-0.50 * f.hw, -0.58 * f.hh}), at.angle + 0.42, at.scale};
    c.fill(placed(ellipse({0, 0}, 0.07 * f.hw, 0.11 * f.hh), spot),
           placed(radial({0, 0}, 0.07 * f.hw, 0.11 * f.hh,
                         {{0.0, rgb(255, 255, 255, 1.0)}, {0.5, rgb(255, 255, 250, 0.9)},
                          {1.0, rgb(255, 255, 240, 0.0)}}),
                  spot));
    // Light bounced up from the ground along the lower right edge.
    const Shape egg = placed(f.shape(), at);
    const Shape inner = placed(EggForm{f.hw - 5, f.hh - 5, f.taper}.shape(),
                               Placement{at.to_canvas({-4, -4}), at.angle, at.scale});
    c.fill(subtract(egg, inner),
           placed(radial({0.55 * f.hw, 0.55 * f.hh}, 0.7 * f.hw, 0.5 * f.hh,
                         {{0.0, rgb(255, 226, 130, 0.75)}, {1.0, rgb(255, 226, 130, 0.0)}}),
                  at));
}

// Dark, fully opaque contact shadow: GIF has no partial transparency, so the
// shadow is a narrow solid pad tucked under the egg rather than a soft halo.
void paint_shadow(Canvas& c, Vec2 centre, double rx, double ry)
{
    c.fill(ellipse(centre, rx, ry),
           radial(centre, rx, ry, {{0.0, rgb(40, 20, 2)}, {0.7, rgb(62, 34, 6)}, {1.0, rgb(84, 50, 10)}}));
}

} // namespace

Canvas draw_egg(int k)
{
    Canvas c(kEggWidth, kEggHeight);
    const EggForm f;
    const Placement at{{100, 92}, 0, 1};
    paint_shadow(c, {100, 176}, 46, 7);
    const Pattern pattern = (k >= 1 && k <= kEggCount) ? kPatterns[k - 1] : nullptr;
    paint_egg(c, f, at, pattern);
    paint_gloss(c, f, at);
    return c;
}

namespace {

// Places `local` (a point of the egg's frame) at `canvas`, turned and scaled.
Placement pinned(Vec2 local, Vec2 canvas, double angle, double scale)
{
    Placement p{{0, 0}, angle, scale};
    const Vec2 moved = p.to_canvas(local);
    p.origin = canvas - moved;
    return p;
}

// A jagged line across the egg: a base curve plus fixed zigzag offsets.
std::vector<Vec2> jagged(double y0, double bow, const std::vector<double>& teeth, double x_reach)
{
    std::vector<Vec2> pts;
    const size_t n = teeth.size();
    for (size_t i = 0; i < n; ++i) {
        const double x = -x_reach + 2 * x_reach * double(i) / double(n - 1);
        const double q = x / x_reach;
        pts.push_back({x, y0 + bow * std::sqrt(std::max(0.0, 1 - q * q)) + teeth[i]});
    }
    return pts;
}

// The region below (or above) a jagged line, as a polygon.
Shape below(std::vector<Vec2> line, double bottom)
{
    line.push_back({line.back().x + 40, line.back().y});
    line.push_back({line.back().x, bottom});
    line.push_back({line.front().x - 40, bottom});
    line.push_back({line.front().x - 40, line.front().y});
    return polygon(std::move(line));
}

Shape above(std::vector<Vec2> line, double top)
{
    line.push_back({line.back().x + 40, line.back().y});
    line.push_back({line.back().x, top});
    line.push_back({line.front().x - 40, top});
    line.push_back({line.front().x - 40, line.front().y});
    return polygon(std::move(line));
}

// A four-pointed twinkle with a thin dark edge so it reads on light walls too.
void paint_sparkle(Canvas& c, Vec2 at, double r, double rotation)
{
    const Shape s = star(at, r, r * 0.22, 4, rotation);
    c.fill(dilate(s, 1.6), solid(kOutline));
    c.fill(s, radial(at, r, r, {{0.0, rgb(255, 255, 255)}, {0.35, rgb(255, 246, 190)}, {1.0, rgb(255, 196, 40)}}));
}

void paint_gold_star(Canvas& c, Vec2 at, double r, double rotation)
{
    const Shape s = star(at, r, r * 0.45, 5, rotation);
    c.fill(dilate(s, 1.6), solid(kOutline));
    c.fill(s, radial({at.x - r * 0.3, at.y - r * 0.3}, r * 1.3, r * 1.3,
                     {{0.0, rgb(255, 250, 210)}, {0.5, rgb(255, 210, 70)}, {1.0, rgb(214, 140, 20)}}));
}

} // namespace

Canvas draw_smash()
{
    Canvas c(kEggWidth, kEggHeight);
    const EggForm f;
    const double k = 0.84;
    const Placement at{{100, 110}, 0, k};
    const Vec2 opening = at.to_canvas({0, -14});

    // Light bursting out of the opening: slim tapered glints behind the shell.
    for (int i = 0; i < 11; ++i) {
        const double a = -kPi / 2 + (i - 5) * 0.3;
        const Vec2 dir{std::cos(a), std::sin(a)};
        const Vec2 side{-dir.y, dir.x};
        const double r0 = 50 + (i % 2) * 10, r1 = r0 + 26 + (i % 3) * 6;
        const double mid = (r0 + r1) / 2, half = (i % 2) ? 2.6 : 3.4;
        const Shape ray = polygon({opening + dir * r0, opening + dir * mid + side * half, opening + dir * r1,
                                   opening + dir * mid - side * half});
        c.fill(dilate(ray, 1.6), solid(kOutline));
        c.fill(ray, linear(opening + dir * r0, opening + dir * r1,
                           {{0.0, rgb(255, 252, 220)}, {0.6, rgb(255, 226, 100)}, {1.0, rgb(255, 196, 40)}}));
    }

    paint_shadow(c, {100, 178}, 40, 6);

    const std::vector<double> front_teeth = {2, -9, 5, -12, 3, -14, 1, -11, 6, -10, 2, -7, 3};
    const std::vector<double> back_teeth = {0, -6, 3, -8, 1, -9, 2, -6, 3, -7, 1, -4, 0};
    const std::vector<Vec2> front_rim = jagged(-16, 14, front_teeth, f.hw + 2);
    const std::vector<Vec2> back_rim = jagged(-20, -12, back_teeth, f.hw + 2);

    // The opening: the inside of the back wall, bright where the light comes out.
    const Shape egg = f.shape();
    const Shape inside = intersect(egg, below(back_rim, f.hh + 2));
    c.fill(placed(dilate(inside, 2.2 / k), at), solid(kOutline));
    c.fill(placed(inside, at), placed(radial({0, -8}, f.hw * 0.95, 26,
                                             {{0.0, rgb(255, 255, 236)},
                                              {0.35, rgb(255, 236, 150)},
                                              {0.75, rgb(236, 150, 34)},
                                              {1.0, rgb(150, 72, 8)}}),
                                      at));

    // The lower shell with its broken edge.
    const Shape lower = intersect(egg, below(front_rim, f.hh + 2));
    c.fill(placed(dilate(lower, 2.2 / k), at), solid(kOutline));
    c.fill(placed(lower, at), placed(shell_paint(f, nullptr, 0), at));
    std::vector<Vec2> edge_line = front_rim;
    for (Vec2& p : edge_line)
        p.y += 3.2;
    const Shape edge = intersect(lower, above(edge_line, -f.hh));
    c.fill(placed(edge, at), solid(rgb(255, 240, 196)));

    // Cracks running down from the break.
    const std::vector<std::vector<Vec2>> cracks = {
        {{-20, -6}, {-24, 8}, {-16, 20}, {-22, 34}, {-17, 44}},
        {{24, -4}, {28, 10}, {21, 22}, {27, 32}},
        {{-24, 8}, {-36, 14}, {-40, 24}},
    };
    for (const auto& line : cracks)
        for (size_t i = 0; i + 1 < line.size(); ++i)
            c.fill(placed(intersect(segment(line[i], line[i + 1], 1.1), lower), at), solid(rgb(80, 40, 4)));

    // Gloss on the lower shell.
    const Placement spot{at.to_canvas({-0.5 * f.hw, 0.1 * f.hh}), 0.3, k};
    c.fill(placed(ellipse({0, 0}, 8, 16), spot),
           placed(radial({0, 0}, 8, 16, {{0.0, rgb(255, 255, 240, 0.9)}, {1.0, rgb(255, 240, 190, 0.0)}}), spot));

    // The top of the shell flying off to the upper left.
    const std::vector<double> cap_teeth = {3, -5, 4, -7, 2, -6, 5, -4, 3};
    std::vector<Vec2> cap_line = jagged(-38, 0, cap_teeth, f.hw);
    const Shape cap = intersect(egg, above(cap_line, -f.hh - 2));
    const Placement cap_at = pinned({0, -60}, {56, 32}, -0.5, k);
    c.fill(placed(dilate(cap, 2.2 / k), cap_at), solid(kOutline));
    c.fill(placed(cap, cap_at), placed(shell_paint(f, nullptr, cap_at.angle), cap_at));
    for (Vec2& p : cap_line)
        p.y -= 3.0;
    c.fill(placed(intersect(cap, below(cap_line, f.hh)), cap_at), solid(rgb(255, 240, 196)));
    const Placement cap_spot{cap_at.to_canvas({-22, -60}), cap_at.angle + 0.4, k};
    c.fill(placed(ellipse({0, 0}, 7, 11), cap_spot),
           placed(radial({0, 0}, 7, 11, {{0.0, rgb(255, 255, 245, 0.95)}, {1.0, rgb(255, 240, 190, 0.0)}}),
                  cap_spot));

    // A smaller shard to the upper right.
    const Shape shard = intersect(egg, polygon({{-10, -54}, {18, -60}, {14, -42}, {6, -30}, {-2, -40}}));
    const Placement shard_at = pinned({6, -44}, {160, 58}, 0.45, k);
    c.fill(placed(dilate(shard, 2.2 / k), shard_at), solid(kOutline));
    c.fill(placed(shard, shard_at), placed(shell_paint(f, nullptr, shard_at.angle), shard_at));

    // Twinkles and stars bursting out.
    paint_sparkle(c, {100, 30}, 15, 0.0);
    paint_sparkle(c, {146, 20}, 10, 0.3);
    paint_sparkle(c, {24, 80}, 9, 0.2);
    paint_sparkle(c, {178, 104}, 8, 0.1);
    paint_gold_star(c, {128, 52}, 9, 0.2);
    paint_gold_star(c, {74, 66}, 7, -0.3);
    paint_gold_star(c, {182, 24}, 6, 0.1);
    return c;
}

} // namespace gen
