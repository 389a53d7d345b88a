#include "hammer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gen {
namespace {

const Colour kInk = rgb(28, 20, 14);

// Head and handle in the hammer's own frame: the head lies along x with its
// striking face at -x, the handle hangs from the head along +y.
constexpr double kHeadHalfLength = 16;
constexpr double kHeadHalfThickness = 9.5;
constexpr double kHandleLength = 46;
// Turned a little anticlockwise: the handle leans to the lower right.
constexpr double kTurnDegrees = -10;

Shape head_shape()
{
    const double l = kHeadHalfLength, t = kHeadHalfThickness, bevel = 2.5, flare = 1.2;
    return polygon({{-l, -t - flare + bevel},
                    {-l + bevel, -t - flare},
                    {-l + 6, -t},
                    {l - 2, -t},
                    {l, -t + 2},
                    {l, t - 2},
                    {l - 2, t},
                    {-l + 6, t},
                    {-l + bevel, t + flare},
                    {-l, t + flare - bevel}});
}

Shape handle_shape()
{
    return polygon({{-3.6, 0}, {-4.6, kHandleLength - 4}, {-2.5, kHandleLength}, {2.5, kHandleLength},
                    {4.6, kHandleLength - 4}, {3.6, 0}});
}

// Steel, shaded as a block lit from above: bright on top, a dark band of
// reflected floor, then a rim of light underneath.
Paint steel_paint()
{
    return [](double x, double y) {
        const double across = (y + kHeadHalfThickness) / (2 * kHeadHalfThickness); // 0 lit .. 1 shaded
        Colour c = sample_stops({{0.0, rgb(236, 240, 246)},
                                 {0.25, rgb(196, 204, 214)},
                                 {0.55, rgb(112, 120, 132)},
                                 {0.8, rgb(72, 78, 88)},
                                 {1.0, rgb(150, 158, 170)}},
                                across);
        if (x < -kHeadHalfLength + 5) // the polished face ring
            c = mix(c, rgb(250, 250, 252), 0.35);
        return c;
    };
}

Paint wood_paint()
{
    return [](double x, double y) {
        const double across = clamp01((x + 4.6) / 9.2);
        Colour c = sample_stops({{0.0, rgb(236, 180, 110)},
                                 {0.3, rgb(206, 140, 70)},
                                 {0.75, rgb(150, 92, 40)},
                                 {1.0, rgb(98, 56, 22)}},
                                across);
        // Grain: slow stripes along the handle.
        const double grain = 0.5 + 0.5 * std::sin(x * 2.1 + std::sin(y * 0.23) * 1.6);
        c = scale(c, 0.92 + 0.08 * grain);
        if (y > kHandleLength - 15) // dark grip
            c = mix(c, rgb(120, 20, 18), 0.8);
        return c;
    };
}

} // namespace

Canvas draw_hammer()
{
    Canvas c(kCursorSize, kCursorSize);
    Placement at{{0, 0}, kTurnDegrees * std::numbers::pi / 180, 1};
    // As close to the hot spot as the turned head allows.
    const double l = kHeadHalfLength, t = kHeadHalfThickness + 1.2;
    double min_x = 1e9, min_y = 1e9;
    for (const Vec2 p : {Vec2{-l, -t}, Vec2{-l, t}, Vec2{l, -t}, Vec2{l, t}}) {
        min_x = std::min(min_x, at.to_canvas(p).x);
        min_y = std::min(min_y, at.to_canvas(p).y);
    }
    at.origin = {1.6 - min_x, 1.6 - min_y};

    const Shape handle = placed(handle_shape(), at);
    const Shape head = placed(head_shape(), at);
    c.fill(dilate(handle, 1.6), solid(kInk));
    c.fill(handle, placed(wood_paint(), at));
    c.fill(dilate(head, 1.6), solid(kInk));
    c.fill(head, placed(steel_paint(), at));
    // A glint along the lit top of the head.
    const Shape glint = placed(segment({-10, -kHeadHalfThickness + 2.5}, {10, -kHeadHalfThickness + 2.5}, 1.1), at);
    c.fill(glint, solid(rgb(255, 255, 255, 0.85)));
    return c;
}

std::vector<uint8_t> encode_cur(const Canvas& picture)
{
    const int n = kCursorSize;
    std::vector<uint8_t> out;
    auto u16 = [&](unsigned v) {
        out.push_back(uint8_t(v & 0xff));
        out.push_back(uint8_t((v >> 8) & 0xff));
    };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t((v >> (8 * i)) & 0xff));
    };
    constexpr uint32_t kHeader = 40;
    const uint32_t xor_bytes = uint32_t(n * n * 4);
    const uint32_t and_bytes = uint32_t(n * (n / 8));
    // Directory: reserved, type 2 (cursor), one image.
    u16(0);
    u16(2);
    u16(1);
    // Entry: 64 x 64, no palette, hot spot (0, 0), data size and offset.
    out.push_back(uint8_t(n));
    out.push_back(uint8_t(n));
    out.push_back(0);
    out.push_back(0);
    u16(0);
    u16(0);
    u32(kHeader + xor_bytes + and_bytes);
    u32(22);
    // Bitmap header: the height counts the XOR and AND halves together.
    u32(kHeader);
    u32(uint32_t(n));
    u32(uint32_t(2 * n));
    u16(1);
    u16(32);
    for (int i = 0; i < 6; ++i)
        u32(0);
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const Colour s = picture.straight(x, y);
            const uint8_t a = byte_of(s.a);
            out.push_back(a ? byte_of(s.b) : 0);
            out.push_back(a ? byte_of(s.g) : 0);
            out.push_back(a ? byte_of(s.r) : 0);
            out.push_back(a);
        }
    for (int y = n - 1; y >= 0; --y)
        for (int bx = 0; bx < n / 8; ++bx) {
            uint8_t bits = 0;
            for (int i = 0; i < 8; ++i)
                if (byte_of(picture.straight(bx * 8 + i, y).a) == 0)
                    bits = uint8_t(bits | (0x80 >> i));
            out.push_back(bits);
        }
    return out;
}

} // namespace gen
