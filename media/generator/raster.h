#pragma once
// A small software rasteriser: shapes are inside-tests, paints are colour
// functions, and every pixel is sampled 4 x 4 times so edges, gradients and
// pattern borders come out anti-aliased.

#include <cstdint>
#include <functional>
#include <vector>

namespace gen {

struct Vec2 {
    double x = 0;
    double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }

// Straight (not premultiplied) colour, components 0..1.
struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

Colour rgb(int r, int g, int b, double a = 1.0);
Colour mix(Colour a, Colour b, double t);
Colour scale(Colour c, double s); // scales r, g, b only

double clamp01(double v);
// A component 0..1 as a byte 0..255, rounded to nearest.
uint8_t byte_of(double v);
double smoothstep(double e0, double e1, double x);

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

using Inside = std::function<bool(double, double)>;
using Paint = std::function<Colour(double, double)>;

struct Shape {
    Box bounds;
    Inside inside;
};

// Shapes.
Shape ellipse(Vec2 centre, double rx, double ry);
Shape polygon(std::vector<Vec2> points); // non-zero winding
Shape star(Vec2 centre, double outer, double inner, int points, double rotation);
Shape segment(Vec2 a, Vec2 b, double half_width); // a capsule
Shape dilate(const Shape& s, double radius);
Shape intersect(const Shape& a, const Shape& b);
Shape subtract(const Shape& a, const Shape& b);

// An affine placement: local point -> canvas point = origin + R(angle) * (scale * p).
struct Placement {
    Vec2 origin;
    double angle = 0; // radians, clockwise on screen (y grows downwards)
    double scale = 1;
    Vec2 to_canvas(Vec2 local) const;
    Vec2 to_local(Vec2 canvas) const;
};
// Draws a shape or paint given in its own coordinates at a placement.
Shape placed(const Shape& local, const Placement& p);
Paint placed(const Paint& local, const Placement& p);

// Paints.
struct Stop {
    double at;
    Colour colour;
};
Colour sample_stops(const std::vector<Stop>& stops, double t);
Paint solid(Colour c);
Paint linear(Vec2 from, Vec2 to, std::vector<Stop> stops);
// Radial gradient; ry scales the vertical radius (ry = r gives a circle).
Paint radial(Vec2 centre, double rx, double ry, std::vector<Stop> stops);

// Premultiplied RGBA canvas.
class Canvas {
public:
    Canvas(int width, int height);
    int width() const { return w_; }
    int height() const { return h_; }
    void fill(const Shape& s, const Paint& p);
    // Premultiplied pixel.
    Colour pixel(int x, int y) const;
    // Straight colour of a pixel (transparent black where alpha is 0).
    Colour straight(int x, int y) const;

private:
    int w_;
    int h_;
    std::vector<Colour> px_;
};

} // namespace gen
