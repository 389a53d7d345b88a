#pragma once
// Writes SWF movies: the bit-packed records, the tags our movies use, and
// the file around them ("FWS" plain or "CWS" with a zlib body).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gen::swfw {

using Bytes = std::vector<uint8_t>;

// Tag codes, and the first version each belongs to.
enum Code : uint16_t {
    kEnd = 0,                 // 1
    kShowFrame = 1,           // 1
    kDefineShape = 2,         // 1
    kPlaceObject = 4,         // 1
    kRemoveObject = 5,        // 1
    kSetBackgroundColor = 9,  // 1
    kDefineSound = 14,        // 1
    kDefineShape2 = 22,       // 2
    kPlaceObject2 = 26,       // 3
    kRemoveObject2 = 28,      // 3
    kDefineShape3 = 32,       // 3
    kDefineSprite = 39,       // 3
    kFrameLabel = 43,         // 3
    kFileAttributes = 69,     // 8
};

class BitWriter {
public:
    void ub(uint32_t value, int bits);
    void sb(int32_t value, int bits);
    void align();
    void u8(uint8_t v);
    void u16(uint16_t v);
    void u32(uint32_t v);
    void bytes(const Bytes& b);
    void str(const std::string& s); // zero-terminated
    const Bytes& data();

private:
    Bytes out_;
    int bit_ = 0; // bits used of the last byte
};

// Bits a signed / unsigned field needs to hold `v`.
int signed_bits(int64_t v);
int unsigned_bits(uint64_t v);

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct Matrix {
    double sx = 1, r0 = 0, r1 = 0, sy = 1; // as 16.16 fixed point in the file
    int32_t tx = 0, ty = 0;                // twips
    static Matrix translate(double x_twips, double y_twips);
    // Scale, then turn by `angle` radians (clockwise on screen), then move.
    static Matrix place(double x_twips, double y_twips, double scale_x, double scale_y = 0, double angle = 0);
};

struct ColorTransform {
    int32_t mr = 256, mg = 256, mb = 256, ma = 256;
    int32_t ar = 0, ag = 0, ab = 0, aa = 0;
};

void write_rect(BitWriter& w, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax);
void write_matrix(BitWriter& w, const Matrix& m);
void write_color_transform(BitWriter& w, const ColorTransform& c); // with alpha

// One tag: the short header when the body is short, unless `long_form`.
Bytes tag(uint16_t code, const Bytes& body, bool long_form = false);

struct GradientStop {
    uint8_t ratio = 0;
    Rgba color;
};

struct Fill {
    enum class Kind { Solid, Linear, Radial } kind = Kind::Solid;
    Rgba color;
    Matrix matrix; // maps the gradient square (-16384..16384) onto the shape
    std::vector<GradientStop> stops;
    static Fill solid(Rgba c);
    // A radial gradient centred at (x, y) reaching `radius` twips.
    static Fill radial(double x, double y, double radius, std::vector<GradientStop> stops);
    // A linear gradient from (x0, y0) to (x1, y1), twips.
    static Fill linear(double x0, double y0, double x1, double y1, std::vector<GradientStop> stops);
};

struct Line {
    uint16_t width = 20; // twips
    Rgba color;
};

// The records of a DefineShape3 with one set of styles. Coordinates in twips.
class ShapeBuilder {
public:
    uint32_t add_fill(const Fill& f);   // 1-based style index
    uint32_t add_line(const Line& l);   // 1-based style index
    void style(uint32_t fill0, uint32_t fill1, uint32_t line);
    void move_to(int32_t x, int32_t y);
    void line_to(int32_t x, int32_t y);
    void curve_to(int32_t cx, int32_t cy, int32_t x, int32_t y);
    // Closed outlines filled (on their right-hand side as written) with `fill`.
    void circle(double x, double y, double r, uint32_t fill, uint32_t line = 0);
    void polygon(const std::vector<std::pair<double, double>>& points, uint32_t fill, uint32_t line = 0);
    // The DefineShape3 tag; the bounds cover every point (and half the widest line).
    Bytes define(uint16_t id) const;

private:
    struct Record {
        enum class Kind { Style, Move, Line, Curve } kind;
        uint32_t fill0 = 0, fill1 = 0, line = 0;
        int32_t x = 0, y = 0, cx = 0, cy = 0;
    };
    void extend(int32_t x, int32_t y);
    // Records a move or an edge, the pen ending at its end point.
    void pen_to(const Record& r);
    std::vector<Fill> fills_;
    std::vector<Line> lines_;
    std::vector<Record> records_;
    int32_t at_x_ = 0, at_y_ = 0;
    int32_t xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
    bool any_ = false;
};

struct Place {
    uint16_t depth = 1;
    std::optional<uint16_t> character;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> color;
    bool move = false;
};
Bytes place_object2(const Place& p);
Bytes remove_object2(uint16_t depth);
Bytes show_frame();
Bytes end_tag();
Bytes set_background(Rgba c);
Bytes frame_label(const std::string& label);
Bytes file_attributes(uint32_t flags);
// A sprite from its control tags (ShowFrame included); adds End itself.
Bytes define_sprite(uint16_t id, uint16_t frames, const Bytes& control_tags);
// An event sound of 8-bit mono uncompressed samples at 11025 Hz.
Bytes define_sound(uint16_t id, const Bytes& samples);
// Size of that tag for `samples` samples.
size_t define_sound_size(size_t samples);

struct Header {
    bool compressed = false;
    uint8_t version = 5;
    int32_t width_twips = 0;
    int32_t height_twips = 0;
    double frame_rate = 12;
    uint16_t frames = 1;
};
// Size of the uncompressed file for this header and these tags.
size_t movie_length(const Header& h, size_t tags_size);
// The whole file. A compressed body is deflated at zlib's best level.
Bytes movie(const Header& h, const Bytes& tags);

} // namespace gen::swfw
