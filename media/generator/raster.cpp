#include "raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gen {

Colour rgb(int r, int g, int b, double a) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour scale(Colour c, double s) { return {c.r * s, c.g * s, c.b * s, c.a}; }

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

uint8_t byte_of(double v) { return uint8_t(std::lround(clamp01(v) * 255)); }

double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Shape ellipse(Vec2 c, double rx, double ry)
{
    return {{c.x - rx, c.y - ry, c.x + rx, c.y + ry}, [=](double x, double y) {
                const double dx = (x - c.x) / rx;
                const double dy = (y - c.y) / ry;
                return dx * dx + dy * dy <= 1.0;
            }};
}

Shape polygon(std::vector<Vec2> pts)
{
    Box b{1e9, 1e9, -1e9, -1e9};
    for (const Vec2& p : pts) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return {b, [pts = std::move(pts)](double x, double y) {
                int winding = 0;
                const size_t n = pts.size();
                for (size_t i = 0; i < n; ++i) {
                    const Vec2 a = pts[i];
                    const Vec2 c = pts[(i + 1) % n];
                    const double side = (c.x - a.x) * (y - a.y) - (x - a.x) * (c.y - a.y);
                    if (a.y <= y) {
                        if (c.y > y && side > 0)
                            ++winding;
                    } else if (c.y <= y && side < 0) {
                        --winding;
                    }
                }
                return winding != 0;
            }};
}

Shape star(Vec2 c, double outer, double inner, int points, double rotation)
{
    std::vector<Vec2> pts;
    for (int i = 0; i < points * 2; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = rotation - std::numbers::pi / 2 + i * std::numbers::pi / points;
        pts.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    return polygon(std::move(pts));
}

Shape segment(Vec2 a, Vec2 b, double hw)
{
    Box box{std::min(a.x, b.x) - hw, std::min(a.y, b.y) - hw, std::max(a.x, b.x) + hw,
            std::max(a.y, b.y) + hw};
    return {box, [=](double x, double y) {
                const Vec2 ab = b - a;
                const double len2 = ab.x * ab.x + ab.y * ab.y;
                double t = len2 > 0 ? ((x - a.x) * ab.x + (y - a.y) * ab.y) / len2 : 0;
                t = clamp01(t);
                const double dx = x - (a.x + ab.x * t);
                const double dy = y - (a.y + ab.y * t);
                return dx * dx + dy * dy <= hw * hw;
            }};
}

Shape dilate(const Shape& s, double r)
{
    Box b{s.bounds.x0 - r, s.bounds.y0 - r, s.bounds.x1 + r, s.bounds.y1 + r};
    return {b, [in = s.inside, r](double x, double y) {
                if (in(x, y))
                    return true;
                // Two rings of probes are enough for outlines a few pixels wide.
                for (int ring = 1; ring <= 2; ++ring) {
                    const double rr = r * ring / 2.0;
                    const int n = 8 * ring;
                    for (int i = 0; i < n; ++i) {
                        const double a = 2 * std::numbers::pi * i / n;
                        if (in(x + rr * std::cos(a), y + rr * std::sin(a)))
                            return true;
                    }
                }
                return false;
            }};
}

Shape intersect(const Shape& a, const Shape& b)
{
    Box box{std::max(a.bounds.x0, b.bounds.x0), std::max(a.bounds.y0, b.bounds.y0),
            std::min(a.bounds.x1, b.bounds.x1), std::min(a.bounds.y1, b.bounds.y1)};
    return {box, [ia = a.inside, ib = b.inside](double x, double y) { return ia(x, y) && ib(x, y); }};
}

Shape subtract(const Shape& a, const Shape& b)
{
    return {a.bounds, [ia = a.inside, ib = b.inside](double x, double y) { return ia(x, y) && !ib(x, y); }};
}

Vec2 Placement::to_canvas(Vec2 p) const
{
    const double c = std::cos(angle), s = std::sin(angle);
    return {origin.x + scale * (c * p.x - s * p.y), origin.y + scale * (s * p.x + c * p.y)};
}

Vec2 Placement::to_local(Vec2 q) const
{
    const double c = std::cos(angle), s = std::sin(angle);
    const double dx = (q.x - origin.x) / scale, dy = (q.y - origin.y) / scale;
    return {c * dx + s * dy, -s * dx + c * dy};
}

Shape placed(const Shape& local, const Placement& p)
{
    Box b{1e9, 1e9, -1e9, -1e9};
    const Vec2 corners[4] = {{local.bounds.x0, local.bounds.y0},
                             {local.bounds.x1, local.bounds.y0},
                             {local.bounds.x0, local.bounds.y1},
                             {local.bounds.x1, local.bounds.y1}};
    for (const Vec2& c : corners) {
        const Vec2 q = p.to_canvas(c);
        b.x0 = std::min(b.x0, q.x);
        b.y0 = std::min(b.y0, q.y);
        b.x1 = std::max(b.x1, q.x);
        b.y1 = std::max(b.y1, q.y);
    }
    return {b, [in = local.inside, p](double x, double y) {
                const Vec2 l = p.to_local({x, y});
                return in(l.x, l.y);
            }};
}

Paint placed(const Paint& local, const Placement& p)
{
    return [local, p](double x, double y) {
        const Vec2 l = p.to_local({x, y});
        return local(l.x, l.y);
    };
}

Colour sample_stops(const std::vector<Stop>& stops, double t)
{
    if (stops.empty())
        return {};
    if (t <= stops.front().at)
        return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            const double span = stops[i].at - stops[i - 1].at;
            const double f = span > 0 ? (t - stops[i - 1].at) / span : 1.0;
            return mix(stops[i - 1].colour, stops[i].colour, f);
        }
    }
    return stops.back().colour;
}

Paint solid(Colour c)
{
    return [c](double, double) { return c; };
}

Paint linear(Vec2 from, Vec2 to, std::vector<Stop> stops)
{
    const Vec2 d = to - from;
    const double len2 = d.x * d.x + d.y * d.y;
    return [=](double x, double y) {
        const double t = len2 > 0 ? ((x - from.x) * d.x + (y - from.y) * d.y) / len2 : 0;
        return sample_stops(stops, t);
    };
}

Paint radial(Vec2 c, double rx, double ry, std::vector<Stop> stops)
{
    return [=](double x, double y) {
        const double dx = (x - c.x) / rx, dy = (y - c.y) / ry;
        return sample_stops(stops, std::sqrt(dx * dx + dy * dy));
    };
}

Canvas::Canvas(int width, int height) : w_(width), h_(height), px_(size_t(width) * size_t(height), Colour{0, 0, 0, 0}) {}

void Canvas::fill(const Shape& s, const Paint& p)
{
    constexpr int kSub = 4;
    // Clamp before converting: an empty shape may carry huge bounds.
    auto cell = [](double v, int hi) { return int(std::clamp(std::floor(v), -1.0, double(hi))); };
    const int x0 = std::max(0, cell(s.bounds.x0, w_) - 1);
    const int y0 = std::max(0, cell(s.bounds.y0, h_) - 1);
    const int x1 = std::min(w_ - 1, cell(s.bounds.x1, w_) + 1);
    const int y1 = std::min(h_ - 1, cell(s.bounds.y1, h_) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < kSub; ++j) {
                for (int i = 0; i < kSub; ++i) {
                    const double sx = x + (i + 0.5) / kSub;
                    const double sy = y + (j + 0.5) / kSub;
                    if (!s.inside(sx, sy))
                        continue;
                    const Colour c = p(sx, sy);
                    const double ca = clamp01(c.a);
                    r += clamp01(c.r) * ca;
                    g += clamp01(c.g) * ca;
                    b += clamp01(c.b) * ca;
                    a += ca;
                }
            }
            if (a <= 0)
                continue;
            constexpr double n = kSub * kSub;
            Colour& d = px_[size_t(y) * size_t(w_) + size_t(x)];
            const double sa = a / n;
            d.r = r / n + d.r * (1 - sa);
            d.g = g / n + d.g * (1 - sa);
            d.b = b / n + d.b * (1 - sa);
            d.a = sa + d.a * (1 - sa);
        }
    }
}

Colour Canvas::pixel(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }

Colour Canvas::straight(int x, int y) const
{
    const Colour p = pixel(x, y);
    if (p.a <= 1e-9)
        return {0, 0, 0, 0};
    return {clamp01(p.r / p.a), clamp01(p.g / p.a), clamp01(p.b / p.a), clamp01(p.a)};
}

} // namespace gen
