#pragma once
// Reader of SWF movies, uncompressed ("FWS") and zlib-compressed ("CWS"):
// bytes in, the header, the character dictionary and a list of display-list
// changes per frame out. Qt-free, so it can be fuzzed and tested headless.
//
// Whatever the input, reading ends, and what it allocates is bounded by the
// limits below: a damaged movie yields what could be read before the damage.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace swf {

// Bounds on what one movie may make the reader build.
inline constexpr size_t kMaxBodyBytes = 16u << 20;    // inflated size of a "CWS" movie
inline constexpr size_t kMaxFrames = 16000;           // per timeline, as the players allow
inline constexpr size_t kMaxElements = 1u << 21;      // edges, styles, stops and display changes together
inline constexpr int kMaxSpriteNesting = 16;          // sprites inside sprites inside ...

struct Rect { // twips
    int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int64_t width() const { return int64_t(xmax) - xmin; }
    int64_t height() const { return int64_t(ymax) - ymin; }
};

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// x' = sx*x + r1*y + tx,  y' = r0*x + sy*y + ty  (t in twips).
struct Matrix {
    double sx = 1, r0 = 0, r1 = 0, sy = 1;
    double tx = 0, ty = 0;
    friend bool operator==(const Matrix&, const Matrix&) = default;
};
// this applied after `inner`.
Matrix operator*(const Matrix& outer, const Matrix& inner);

// c' = c * mult / 256 + add, per channel, clamped to 0..255.
struct ColorTransform {
    int32_t mr = 256, mg = 256, mb = 256, ma = 256;
    int32_t ar = 0, ag = 0, ab = 0, aa = 0;
    Rgba apply(Rgba c) const;
    friend bool operator==(const ColorTransform&, const ColorTransform&) = default;
};
// `outer` applied after `inner`.
ColorTransform operator*(const ColorTransform& outer, const ColorTransform& inner);

struct GradientStop {
    uint8_t ratio = 0;
    Rgba color;
};

struct FillStyle {
    enum class Kind : uint8_t { Solid, Linear, Radial, Bitmap, Unknown };
    Kind kind = Kind::Solid;
    Rgba color;                         // Solid
    Matrix matrix;                      // gradient square (-16384..16384 twips) or bitmap placement
    std::vector<GradientStop> stops;    // Linear, Radial
    uint16_t bitmap_id = 0;             // Bitmap (not drawn)
};

struct LineStyle {
    uint16_t width = 0; // twips; 0 is a hairline
    Rgba color;
};

struct Point {
    int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A straight edge (control == to) or a quadratic curve.
struct Segment {
    Point from, control, to;
    bool curved = false;
};

// Closed outlines of one fill style, each a run of joined segments.
struct FillPath {
    uint32_t style = 0; // index into Shape::fills
    std::vector<std::vector<Segment>> contours;
};

// Runs of joined segments drawn with one line style.
struct LinePath {
    uint32_t style = 0; // index into Shape::lines
    std::vector<std::vector<Segment>> strokes;
};

struct Shape {
    Rect bounds;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<FillPath> fill_paths; // in drawing order
    std::vector<LinePath> line_paths; // drawn over the fills
};

// One change to a display list, as PlaceObject/PlaceObject2/RemoveObject(2)
// state it. Characters are already known to exist when an op names one.
struct DisplayOp {
    enum class Kind : uint8_t { Place, Remove };
    Kind kind = Kind::Place;
    uint16_t depth = 0;
    bool move = false;          // modifies (or replaces) what is at the depth
    bool has_character = false;
    uint16_t character = 0;
    bool has_matrix = false;
    Matrix matrix;
    bool has_color = false;
    ColorTransform color;
    uint16_t clip_depth = 0;    // > 0: a mask layer
};

struct Frame {
    std::vector<DisplayOp> ops;
    std::string label;
};

struct Timeline {
    std::vector<Frame> frames; // at least one once read
};

struct Sprite {
    Timeline timeline;
    int nesting = 1; // 1 + the deepest sprite it places
};

struct Character {
    enum class Kind : uint8_t { Shape, Sprite };
    Kind kind = Kind::Shape;
    std::shared_ptr<const Shape> shape;
    std::shared_ptr<const Sprite> sprite;
};

// What is shown at one depth after a run of ops.
struct DisplayItem {
    uint16_t character = 0;
    Matrix matrix;
    ColorTransform color;
    uint16_t clip_depth = 0;
    uint32_t serial = 0; // changes whenever a new instance takes the depth
};
using DisplayList = std::map<uint16_t, DisplayItem>; // by depth, drawn in ascending order

// Applies one frame's ops; `next_serial` numbers new instances.
void apply_frame(DisplayList& list, const Frame& frame, uint32_t& next_serial);
// The display list at every frame of a timeline played from its start.
std::vector<DisplayList> display_lists(const Timeline& timeline);

// A tag as it stands in the file (main timeline, or inside a sprite).
struct TagInfo {
    uint16_t code = 0;
    uint32_t length = 0;
    size_t offset = 0;      // of the tag header in the (inflated) file
    bool long_form = false; // 32-bit length field
    bool in_sprite = false;
};

struct Movie {
    bool ok = false;            // a header was read; without it nothing plays
    bool compressed = false;    // "CWS"
    uint8_t version = 0;
    uint32_t file_length = 0;   // as the header states it (the inflated length)
    size_t body_length = 0;     // bytes actually available after the signature, inflated
    Rect frame;                 // stage, twips
    uint16_t frame_rate_raw = 0; // 8.8 fixed point
    uint16_t header_frame_count = 0;
    bool has_background = false;
    Rgba background{0, 0, 0, 255};
    std::map<uint16_t, Character> characters;
    Timeline timeline;
    std::vector<TagInfo> tags;
    bool complete = false;      // every tag read up to End, nothing cut short

    double frame_rate() const { return frame_rate_raw / 256.0; }
    const Character* character(uint16_t id) const;
};

Movie read_movie(std::span<const uint8_t> bytes);

} // namespace swf
