#include "wheel_faces.h"

#include "raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace gen {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSegment = kPi / 4;

// The program's ring boxes on its 500-pixel wheel, slot 1..8; the face is
// drawn for them scaled to its own size.
struct Box500 {
    double left, top, width, height;
};
constexpr std::array<Box500, 8> kSlots{{
    {132, 69, 106, 65}, {260, 55, 106, 65}, {334, 172, 106, 65}, {347, 268, 106, 65},
    {260, 366, 106, 65}, {135, 379, 106, 65}, {60, 264, 106, 65}, {42, 172, 106, 65},
}};

struct Palette {
    Colour segment_a, segment_b;
    std::array<Colour, 8> by_slot; // used when `rainbow`
    bool rainbow = false;
    bool rays = false;
    Colour separator;
    Colour rim_dark, rim_light;
    Colour lamp, lamp_glow;
    Colour hub_light, hub_dark;
    Colour card, card_edge;
};

Palette palette(int style)
{
    Palette p;
    switch (style) {
    case 1: // red and gold, the festive classic
        p.segment_a = rgb(204, 20, 44);
        p.segment_b = rgb(250, 190, 48);
        p.separator = rgb(255, 240, 190);
        p.rim_dark = rgb(140, 88, 14);
        p.rim_light = rgb(255, 226, 128);
        p.lamp = rgb(255, 252, 225);
        p.lamp_glow = rgb(255, 230, 120);
        p.hub_light = rgb(246, 70, 60);
        p.hub_dark = rgb(128, 6, 18);
        p.card = rgb(255, 250, 238);
        p.card_edge = rgb(214, 156, 36);
        break;
    case 2: // a rainbow, one colour a prize
        p.rainbow = true;
        p.by_slot = {rgb(229, 57, 53), rgb(251, 140, 0), rgb(253, 204, 40), rgb(67, 160, 71),
                     rgb(0, 172, 193), rgb(30, 136, 229), rgb(142, 36, 170), rgb(216, 27, 96)};
        p.separator = rgb(255, 255, 255);
        p.rim_dark = rgb(150, 156, 174);
        p.rim_light = rgb(255, 255, 255);
        p.lamp = rgb(255, 244, 160);
        p.lamp_glow = rgb(255, 214, 60);
        p.hub_light = rgb(70, 110, 235);
        p.hub_dark = rgb(12, 28, 112);
        p.card = rgb(255, 255, 255);
        p.card_edge = rgb(236, 238, 246);
        break;
    case 3: // royal blue and purple in silver
        p.segment_a = rgb(30, 64, 168);
        p.segment_b = rgb(104, 44, 160);
        p.separator = rgb(222, 228, 246);
        p.rim_dark = rgb(84, 90, 114);
        p.rim_light = rgb(244, 247, 255);
        p.lamp = rgb(236, 248, 255);
        p.lamp_glow = rgb(120, 220, 255);
        p.hub_light = rgb(168, 92, 230);
        p.hub_dark = rgb(52, 16, 100);
        p.card = rgb(246, 248, 255);
        p.card_edge = rgb(196, 204, 228);
        break;
    case 4: // jade and coral on bronze
        p.segment_a = rgb(18, 138, 96);
        p.segment_b = rgb(250, 116, 86);
        p.rays = true;
        p.separator = rgb(255, 244, 212);
        p.rim_dark = rgb(100, 52, 20);
        p.rim_light = rgb(226, 164, 92);
        p.lamp = rgb(255, 246, 200);
        p.lamp_glow = rgb(255, 200, 90);
        p.hub_light = rgb(40, 180, 124);
        p.hub_dark = rgb(6, 70, 44);
        p.card = rgb(255, 249, 232);
        p.card_edge = rgb(196, 124, 60);
        break;
    default:
        throw std::invalid_argument("no such wheel style");
    }
    return p;
}

// Coverage of a pixel by a shape whose signed distance (negative inside) is d.
double cover(double d) { return clamp01(0.5 - d); }

Colour over(Colour under, Colour top, double alpha) { return mix(under, top, clamp01(alpha)); }

Colour lift(Colour c, double s)
{
    return {clamp01(c.r * s), clamp01(c.g * s), clamp01(c.b * s), 1};
}

// Signed distance to a rounded rectangle.
double rounded_rect(double x, double y, double cx, double cy, double hw, double hh, double radius)
{
    const double qx = std::fabs(x - cx) - (hw - radius);
    const double qy = std::fabs(y - cy) - (hh - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

// Clockwise from straight up, 0 .. 2 pi.
double bearing(double dx, double dy)
{
    const double a = std::atan2(dx, -dy);
    return a < 0 ? a + 2 * kPi : a;
}

// Polished metal lit from the upper left: brightest in the middle of the
// band (u 0..1 across it) and on the lit side.
Colour metal(const Palette& p, double u, double angle)
{
    const double lit = 0.5 + 0.5 * std::cos(angle - 7 * kPi / 4);
    const double bevel = std::sin(kPi * clamp01(u));
    return mix(p.rim_dark, p.rim_light, clamp01(0.18 + 0.52 * bevel + 0.38 * (lit - 0.35)));
}

class FacePainter {
public:
    explicit FacePainter(int style) : p_(palette(style))
    {
        const double s = kWheelFaceSide / 500.0;
        for (size_t i = 0; i < kSlots.size(); ++i) {
            const Box500& b = kSlots[i];
            cards_[i] = {(b.left + b.width / 2) * s, (b.top + b.height / 2) * s, b.width / 2 * s, b.height / 2 * s};
        }
    }

    Colour at(double x, double y) const
    {
        const double dx = x - kCentre, dy = y - kCentre;
        const double r = std::hypot(dx, dy);
        const double angle = bearing(dx, dy);

        Colour c = kStage;
        if (r > kRadius + 1)
            return c;
        c = over(c, rim(r, angle), cover(r - kRadius));
        c = over(c, rgb(40, 22, 8), cover(r - kRadius) * (1 - cover(r - (kRadius - 2.5))));
        if (r < kRimInner + 1) {
            c = over(c, body(x, y, r, angle), cover(r - kRimInner));
            // A thin dark line where the rim begins.
            c = over(c, rgb(30, 16, 6), 0.8 * cover(std::fabs(r - kRimInner) - 1.2));
        }
        if (r < kHubOuter + 1)
            c = hub(c, x, y, r, angle);
        // A soft gloss over the top of the wheel.
        const double gx = (x - kCentre + 0.12 * kRadius) / (0.78 * kRadius);
        const double gy = (y - kCentre + 0.42 * kRadius) / (0.46 * kRadius);
        const double gloss = clamp01(1 - gx * gx - gy * gy);
        return over(c, rgb(255, 255, 255), 0.13 * gloss * cover(r - kRimInner));
    }

private:
    static constexpr double kCentre = kWheelFaceSide / 2.0;
    static constexpr double kRadius = kWheelFaceSide / 2.0 - 1;
    static constexpr double kRimInner = kRadius * 0.915;
    static constexpr double kLampRing = (kRadius + kRimInner) / 2;
    static constexpr double kLampRadius = 9.5;
    static constexpr int kLamps = 24;
    static constexpr double kHubOuter = kRadius * 0.27;
    static constexpr double kHubInner = kRadius * 0.232;
    static inline const Colour kStage = rgb(16, 28, 86);

    struct Card {
        double cx, cy, hw, hh;
    };

    Colour segment_colour(double r, double angle) const
    {
        const int seg = std::min(7, static_cast<int>(angle / kSegment));
        const int slot = (seg + 1) % 8 + 1;
        Colour base = p_.rainbow ? p_.by_slot[static_cast<size_t>(slot - 1)] : (seg % 2 == 0 ? p_.segment_a : p_.segment_b);
        const double within = angle / kSegment - seg; // 0..1 across the segment
        double light = 0.80 + 0.26 * (r / kRimInner) + 0.07 * (0.5 - std::fabs(within - 0.5));
        if (p_.rays && static_cast<int>(angle / (kPi / 60)) % 2 == 0)
            light += 0.05;
        if (p_.rainbow)
            light += 0.05 * std::cos(r / kRimInner * 6 * kPi) * (r > kHubOuter ? 1 : 0);
        return lift(base, light);
    }

    Colour body(double x, double y, double r, double angle) const
    {
        Colour c = segment_colour(r, angle);
        // Separators between the segments, from the hub to the rim.
        const double off = std::fmod(angle, kSegment);
        const double to_edge = std::min(off, kSegment - off) * r;
        c = over(c, rgb(0, 0, 0), 0.25 * cover(to_edge - 5.5));
        c = over(c, p_.separator, cover(to_edge - 3));
        // The hub casts a short shadow onto the segments.
        c = over(c, rgb(0, 0, 0), 0.35 * (1 - smoothstep(0, 16, r - kHubOuter)));

        for (const Card& card : cards_) {
            const double shadow = rounded_rect(x - 3, y - 5, card.cx, card.cy, card.hw, card.hh, 12);
            c = over(c, rgb(0, 0, 0), 0.32 * (1 - smoothstep(-2, 9, shadow)));
        }
        for (const Card& card : cards_) {
            const double d = rounded_rect(x, y, card.cx, card.cy, card.hw, card.hh, 12);
            if (d > 1)
                continue;
            const double v = (y - (card.cy - card.hh)) / (2 * card.hh);
            c = over(c, p_.card_edge, cover(d));
            c = over(c, mix(p_.card, lift(p_.card, 0.9), clamp01(v)), cover(d + 5));
        }
        return c;
    }

    Colour rim(double r, double angle) const
    {
        Colour c = metal(p_, (r - kRimInner) / (kRadius - kRimInner), angle);
        const double step = 2 * kPi / kLamps;
        const double k = std::floor(angle / step);
        const double lamp_angle = (k + 0.5) * step;
        const double lx = kCentre + kLampRing * std::sin(lamp_angle);
        const double ly = kCentre - kLampRing * std::cos(lamp_angle);
        const double px = kCentre + r * std::sin(angle), py = kCentre - r * std::cos(angle);
        const double d = std::hypot(px - lx, py - ly);
        c = over(c, p_.lamp_glow, 0.65 * std::exp(-std::pow(std::max(0.0, d - kLampRadius) / 5.5, 2)));
        c = over(c, rgb(60, 36, 10), cover(d - (kLampRadius + 1.5)) * 0.6);
        // The lamp itself, its brightest point up and to the left.
        const double hx = lx - 3, hy = ly - 3;
        const double glint = std::hypot(px - hx, py - hy) / kLampRadius;
        c = over(c, mix(rgb(255, 255, 255), p_.lamp, clamp01(glint)), cover(d - kLampRadius));
        return c;
    }

    Colour hub(Colour c, double x, double y, double r, double angle) const
    {
        const double u = (kHubOuter - r) / (kHubOuter - kHubInner);
        c = over(c, rgb(30, 16, 6), cover(r - (kHubOuter + 1.5)));
        c = over(c, metal(p_, u, angle + kPi), cover(r - kHubOuter));
        const double hx = kCentre - 0.32 * kHubInner, hy = kCentre - 0.38 * kHubInner;
        const double t = std::hypot(x - hx, y - hy) / (1.45 * kHubInner);
        Colour inner = mix(p_.hub_light, p_.hub_dark, clamp01(t));
        c = over(c, rgb(20, 8, 4), 0.7 * cover(std::fabs(r - kHubInner) - 1.5));
        return over(c, inner, cover(r - (kHubInner - 1.5)));
    }

    Palette p_;
    std::array<Card, 8> cards_{};
};

} // namespace

RgbImage draw_wheel_face(int style)
{
    const FacePainter painter(style);
    RgbImage img{kWheelFaceSide, kWheelFaceSide, {}};
    img.rgb.resize(size_t(img.width) * size_t(img.height) * 3);
    uint8_t* out = img.rgb.data();
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const Colour c = painter.at(x + 0.5, y + 0.5);
            *out++ = byte_of(c.r);
            *out++ = byte_of(c.g);
            *out++ = byte_of(c.b);
        }
    return img;
}

RgbImage draw_panel_icon()
{
    constexpr int kWidth = 48, kHeight = 45;
    Canvas canvas(kWidth, kHeight);
    Shape tile = intersect(polygon({{2, 2}, {46, 2}, {46, 43}, {2, 43}}), dilate(polygon({{8, 8}, {40, 8}, {40, 37}, {8, 37}}), 6));
    canvas.fill(tile, linear({0, 0}, {0, 45}, {{0, rgb(70, 130, 230)}, {1, rgb(20, 50, 140)}}));
    canvas.fill(star({24, 24}, 17, 7.5, 5, 0), solid(rgb(120, 70, 0)));
    canvas.fill(star({24, 23}, 16, 7, 5, 0), linear({0, 8}, {0, 38}, {{0, rgb(255, 240, 140)}, {1, rgb(240, 170, 20)}}));
    RgbImage img{kWidth, kHeight, {}};
    img.rgb.reserve(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Colour c = canvas.straight(x, y);
            // Composed over white: the icon sits on the panel's light header.
            const Colour on_white = mix(rgb(255, 255, 255), c, c.a);
            img.rgb.push_back(byte_of(on_white.r));
            img.rgb.push_back(byte_of(on_white.g));
            img.rgb.push_back(byte_of(on_white.b));
        }
    return img;
}

} // namespace gen
