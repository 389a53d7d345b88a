#include "swf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace gen::swfw {

void BitWriter::ub(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        if (bit_ == 0)
            out_.push_back(0);
        if ((value >> i) & 1u)
            out_.back() |= uint8_t(0x80u >> bit_);
        bit_ = (bit_ + 1) % 8;
    }
}

void BitWriter::sb(int32_t value, int bits) {
    if (bits < 32 && signed_bits(value) > bits)
        throw std::logic_error("swf: value does not fit its bit field");
    ub(uint32_t(value) & (bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1)), bits);
}

void BitWriter::align() { bit_ = 0; }

void BitWriter::u8(uint8_t v) {
    align();
    out_.push_back(v);
}

void BitWriter::u16(uint16_t v) {
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
}

void BitWriter::u32(uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
}

void BitWriter::bytes(const Bytes& b) {
    align();
    out_.insert(out_.end(), b.begin(), b.end());
}

void BitWriter::str(const std::string& s) {
    align();
    out_.insert(out_.end(), s.begin(), s.end());
    out_.push_back(0);
}

const Bytes& BitWriter::data() {
    align();
    return out_;
}

int signed_bits(int64_t v) {
    int n = 1;
    while (v < -(int64_t(1) << (n - 1)) || v >= (int64_t(1) << (n - 1)))
        ++n;
    return n;
}

int unsigned_bits(uint64_t v) {
    int n = 0;
    while (v >> n)
        ++n;
    return n;
}

namespace {

int32_t fixed16(double v) { return int32_t(std::lround(v * 65536.0)); }

void write_rgba(BitWriter& w, Rgba c) {
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    w.u8(c.a);
}

} // namespace

Matrix Matrix::translate(double x, double y) {
    Matrix m;
    m.tx = int32_t(std::lround(x));
    m.ty = int32_t(std::lround(y));
    return m;
}

Matrix Matrix::place(double x, double y, double scale_x, double scale_y, double angle) {
    if (scale_y == 0)
        scale_y = scale_x;
    Matrix m = translate(x, y);
    const double c = std::cos(angle), s = std::sin(angle);
    m.sx = scale_x * c;
    m.r0 = scale_x * s;
    m.r1 = -scale_y * s;
    m.sy = scale_y * c;
    return m;
}

void write_rect(BitWriter& w, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax) {
    const int n = std::max({signed_bits(xmin), signed_bits(xmax), signed_bits(ymin), signed_bits(ymax)});
    w.ub(uint32_t(n), 5);
    w.sb(xmin, n);
    w.sb(xmax, n);
    w.sb(ymin, n);
    w.sb(ymax, n);
    w.align();
}

void write_matrix(BitWriter& w, const Matrix& m) {
    w.align();
    const int32_t sx = fixed16(m.sx), sy = fixed16(m.sy), r0 = fixed16(m.r0), r1 = fixed16(m.r1);
    const bool scale = sx != 65536 || sy != 65536;
    w.ub(scale, 1);
    if (scale) {
        const int n = std::max(signed_bits(sx), signed_bits(sy));
        w.ub(uint32_t(n), 5);
        w.sb(sx, n);
        w.sb(sy, n);
    }
    const bool rotate = r0 != 0 || r1 != 0;
    w.ub(rotate, 1);
    if (rotate) {
        const int n = std::max(signed_bits(r0), signed_bits(r1));
        w.ub(uint32_t(n), 5);
        w.sb(r0, n);
        w.sb(r1, n);
    }
    const int n = (m.tx == 0 && m.ty == 0) ? 0 : std::max(signed_bits(m.tx), signed_bits(m.ty));
    w.ub(uint32_t(n), 5);
    if (n) {
        w.sb(m.tx, n);
        w.sb(m.ty, n);
    }
    w.align();
}

void write_color_transform(BitWriter& w, const ColorTransform& c) {
    w.align();
    const bool mult = c.mr != 256 || c.mg != 256 || c.mb != 256 || c.ma != 256;
    const bool add = c.ar != 0 || c.ag != 0 || c.ab != 0 || c.aa != 0;
    int n = 1;
    if (mult)
        n = std::max({n, signed_bits(c.mr), signed_bits(c.mg), signed_bits(c.mb), signed_bits(c.ma)});
    if (add)
        n = std::max({n, signed_bits(c.ar), signed_bits(c.ag), signed_bits(c.ab), signed_bits(c.aa)});
    if (n > 15)
        throw std::logic_error("swf: colour transform term too large");
    w.ub(add, 1);
    w.ub(mult, 1);
    w.ub(uint32_t(n), 4);
    if (mult) {
        w.sb(c.mr, n);
        w.sb(c.mg, n);
        w.sb(c.mb, n);
        w.sb(c.ma, n);
    }
    if (add) {
        w.sb(c.ar, n);
        w.sb(c.ag, n);
        w.sb(c.ab, n);
        w.sb(c.aa, n);
    }
    w.align();
}

Bytes tag(uint16_t code, const Bytes& body, bool long_form) {
    BitWriter w;
    if (body.size() < 0x3F && !long_form) {
        w.u16(uint16_t(code << 6 | body.size()));
    } else {
        w.u16(uint16_t(code << 6 | 0x3F));
        w.u32(uint32_t(body.size()));
    }
    w.bytes(body);
    return w.data();
}

Fill Fill::solid(Rgba c) {
    Fill f;
    f.color = c;
    return f;
}

Fill Fill::radial(double x, double y, double radius, std::vector<GradientStop> stops) {
    Fill f;
    f.kind = Kind::Radial;
    f.matrix = Matrix::place(x, y, radius / 16384.0);
    f.stops = std::move(stops);
    return f;
}

Fill Fill::linear(double x0, double y0, double x1, double y1, std::vector<GradientStop> stops) {
    Fill f;
    f.kind = Kind::Linear;
    const double len = std::hypot(x1 - x0, y1 - y0);
    f.matrix = Matrix::place((x0 + x1) / 2, (y0 + y1) / 2, len / 32768.0, len / 32768.0, std::atan2(y1 - y0, x1 - x0));
    f.stops = std::move(stops);
    return f;
}

uint32_t ShapeBuilder::add_fill(const Fill& f) {
    if (f.kind != Fill::Kind::Solid && (f.stops.empty() || f.stops.size() > 8))
        throw std::logic_error("swf: a gradient has 1 to 8 stops");
    fills_.push_back(f);
    return uint32_t(fills_.size());
}

uint32_t ShapeBuilder::add_line(const Line& l) {
    lines_.push_back(l);
    return uint32_t(lines_.size());
}

void ShapeBuilder::extend(int32_t x, int32_t y) {
    if (!any_) {
        xmin_ = xmax_ = x;
        ymin_ = ymax_ = y;
        any_ = true;
    }
    xmin_ = std::min(xmin_, x);
    xmax_ = std::max(xmax_, x);
    ymin_ = std::min(ymin_, y);
    ymax_ = std::max(ymax_, y);
}

void ShapeBuilder::style(uint32_t fill0, uint32_t fill1, uint32_t line) {
    Record r{Record::Kind::Style};
    r.fill0 = fill0;
    r.fill1 = fill1;
    r.line = line;
    records_.push_back(r);
}

void ShapeBuilder::pen_to(const Record& r) {
    records_.push_back(r);
    at_x_ = r.x;
    at_y_ = r.y;
    extend(r.x, r.y);
}

void ShapeBuilder::move_to(int32_t x, int32_t y) {
    Record r{Record::Kind::Move};
    r.x = x;
    r.y = y;
    pen_to(r);
}

void ShapeBuilder::line_to(int32_t x, int32_t y) {
    Record r{Record::Kind::Line};
    r.x = x;
    r.y = y;
    pen_to(r);
}

void ShapeBuilder::curve_to(int32_t cx, int32_t cy, int32_t x, int32_t y) {
    Record r{Record::Kind::Curve};
    r.cx = cx;
    r.cy = cy;
    r.x = x;
    r.y = y;
    extend(cx, cy);
    pen_to(r);
}

void ShapeBuilder::circle(double x, double y, double r, uint32_t fill, uint32_t line) {
    // Eight quadratic arcs, clockwise on screen, so the inside is on the right.
    const double pi = std::acos(-1.0);
    const double rc = r / std::cos(pi / 8);
    auto at = [&](double radius, double a) {
        return std::pair{int32_t(std::lround(x + radius * std::cos(a))), int32_t(std::lround(y + radius * std::sin(a)))};
    };
    style(0, fill, line);
    const auto [sx, sy] = at(r, 0);
    move_to(sx, sy);
    for (int k = 0; k < 8; ++k) {
        const auto [cx, cy] = at(rc, (2 * k + 1) * pi / 8);
        auto [ex, ey] = at(r, (k + 1) * pi / 4);
        if (k == 7) {
            ex = sx;
            ey = sy;
        }
        curve_to(cx, cy, ex, ey);
    }
}

void ShapeBuilder::polygon(const std::vector<std::pair<double, double>>& points, uint32_t fill, uint32_t line) {
    if (points.size() < 2)
        return;
    style(0, fill, line);
    const int32_t x0 = int32_t(std::lround(points[0].first)), y0 = int32_t(std::lround(points[0].second));
    move_to(x0, y0);
    for (size_t i = 1; i < points.size(); ++i)
        line_to(int32_t(std::lround(points[i].first)), int32_t(std::lround(points[i].second)));
    line_to(x0, y0);
}

Bytes ShapeBuilder::define(uint16_t id) const {
    BitWriter w;
    w.u16(id);
    uint16_t widest = 0;
    for (const Line& l : lines_)
        widest = std::max(widest, l.width);
    const int32_t pad = (widest + 1) / 2;
    write_rect(w, xmin_ - pad, xmax_ + pad, ymin_ - pad, ymax_ + pad);

    auto count = [&](size_t n) {
        if (n < 0xFF) {
            w.u8(uint8_t(n));
        } else {
            w.u8(0xFF);
            w.u16(uint16_t(n));
        }
    };
    count(fills_.size());
    for (const Fill& f : fills_) {
        if (f.kind == Fill::Kind::Solid) {
            w.u8(0x00);
            write_rgba(w, f.color);
            continue;
        }
        w.u8(f.kind == Fill::Kind::Linear ? 0x10 : 0x12);
        write_matrix(w, f.matrix);
        w.ub(0, 2); // pad spread
        w.ub(0, 2); // normal RGB interpolation
        w.ub(uint32_t(f.stops.size()), 4);
        for (const GradientStop& s : f.stops) {
            w.u8(s.ratio);
            write_rgba(w, s.color);
        }
    }
    count(lines_.size());
    for (const Line& l : lines_) {
        w.u16(l.width);
        write_rgba(w, l.color);
    }
    const int fill_bits = unsigned_bits(fills_.size());
    const int line_bits = unsigned_bits(lines_.size());
    w.ub(uint32_t(fill_bits), 4);
    w.ub(uint32_t(line_bits), 4);

    int32_t x = 0, y = 0;
    size_t i = 0;
    while (i < records_.size()) {
        const Record& r = records_[i];
        if (r.kind == Record::Kind::Style || r.kind == Record::Kind::Move) {
            // A style change and the move after it share one record.
            const Record* style = r.kind == Record::Kind::Style ? &r : nullptr;
            const Record* move = r.kind == Record::Kind::Move ? &r : nullptr;
            ++i;
            if (style && i < records_.size() && records_[i].kind == Record::Kind::Move)
                move = &records_[i++];
            uint32_t flags = 0;
            if (move)
                flags |= 1;
            if (style)
                flags |= 2 | 4 | (line_bits ? 8 : 0);
            w.ub(0, 1);
            w.ub(flags, 5);
            if (move) {
                const int n = std::max(signed_bits(move->x), signed_bits(move->y));
                w.ub(uint32_t(n), 5);
                w.sb(move->x, n);
                w.sb(move->y, n);
                x = move->x;
                y = move->y;
            }
            if (style) {
                w.ub(style->fill0, fill_bits);
                w.ub(style->fill1, fill_bits);
                if (line_bits)
                    w.ub(style->line, line_bits);
            }
            continue;
        }
        w.ub(1, 1); // edge
        if (r.kind == Record::Kind::Line) {
            const int32_t dx = r.x - x, dy = r.y - y;
            w.ub(1, 1); // straight
            const int n = std::max({signed_bits(dx), signed_bits(dy), 2});
            if (n > 17)
                throw std::logic_error("swf: edge too long");
            w.ub(uint32_t(n - 2), 4);
            if (dx != 0 && dy != 0) {
                w.ub(1, 1);
                w.sb(dx, n);
                w.sb(dy, n);
            } else if (dx == 0) {
                w.ub(0, 1);
                w.ub(1, 1); // vertical
                w.sb(dy, n);
            } else {
                w.ub(0, 1);
                w.ub(0, 1);
                w.sb(dx, n);
            }
        } else {
            const int32_t cdx = r.cx - x, cdy = r.cy - y, adx = r.x - r.cx, ady = r.y - r.cy;
            w.ub(0, 1); // curved
            const int n = std::max({signed_bits(cdx), signed_bits(cdy), signed_bits(adx), signed_bits(ady), 2});
            if (n > 17)
                throw std::logic_error("swf: curve too long");
            w.ub(uint32_t(n - 2), 4);
            w.sb(cdx, n);
            w.sb(cdy, n);
            w.sb(adx, n);
            w.sb(ady, n);
        }
        x = r.x;
        y = r.y;
        ++i;
    }
    w.ub(0, 1);
    w.ub(0, 5); // end of shape
    return tag(kDefineShape3, w.data());
}

Bytes place_object2(const Place& p) {
    BitWriter w;
    uint8_t flags = 0;
    if (p.move)
        flags |= 0x01;
    if (p.character)
        flags |= 0x02;
    if (p.matrix)
        flags |= 0x04;
    if (p.color)
        flags |= 0x08;
    w.u8(flags);
    w.u16(p.depth);
    if (p.character)
        w.u16(*p.character);
    if (p.matrix)
        write_matrix(w, *p.matrix);
    if (p.color)
        write_color_transform(w, *p.color);
    return tag(kPlaceObject2, w.data());
}

Bytes remove_object2(uint16_t depth) {
    BitWriter w;
    w.u16(depth);
    return tag(kRemoveObject2, w.data());
}

Bytes show_frame() { return tag(kShowFrame, {}); }

Bytes end_tag() { return tag(kEnd, {}); }

Bytes set_background(Rgba c) { return tag(kSetBackgroundColor, {c.r, c.g, c.b}); }

Bytes frame_label(const std::string& label) {
    BitWriter w;
    w.str(label);
    return tag(kFrameLabel, w.data());
}

Bytes file_attributes(uint32_t flags) {
    BitWriter w;
    w.u32(flags);
    return tag(kFileAttributes, w.data());
}

Bytes define_sprite(uint16_t id, uint16_t frames, const Bytes& control_tags) {
    BitWriter w;
    w.u16(id);
    w.u16(frames);
    w.bytes(control_tags);
    w.bytes(end_tag());
    return tag(kDefineSprite, w.data());
}

size_t define_sound_size(size_t samples) { return 6 + 2 + 1 + 4 + samples; }

Bytes define_sound(uint16_t id, const Bytes& samples) {
    BitWriter w;
    w.u16(id);
    w.ub(0, 4); // uncompressed
    w.ub(1, 2); // 11025 Hz
    w.ub(0, 1); // 8-bit
    w.ub(0, 1); // mono
    w.u32(uint32_t(samples.size()));
    w.bytes(samples);
    return tag(kDefineSound, w.data(), true);
}

namespace {

Bytes header_fields(const Header& h) {
    BitWriter w;
    write_rect(w, 0, h.width_twips, 0, h.height_twips);
    const int rate = int(std::lround(h.frame_rate * 256));
    w.u16(uint16_t(rate));
    w.u16(h.frames);
    return w.data();
}

} // namespace

size_t movie_length(const Header& h, size_t tags_size) { return 8 + header_fields(h).size() + tags_size; }

Bytes movie(const Header& h, const Bytes& tags) {
    Bytes body = header_fields(h);
    body.insert(body.end(), tags.begin(), tags.end());
    const uint32_t length = uint32_t(8 + body.size());
    Bytes out{uint8_t(h.compressed ? 'C' : 'F'), 'W', 'S', h.version, uint8_t(length), uint8_t(length >> 8),
              uint8_t(length >> 16), uint8_t(length >> 24)};
    if (!h.compressed) {
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
    uLongf size = compressBound(uLong(body.size()));
    Bytes packed(size);
    if (compress2(packed.data(), &size, body.data(), uLong(body.size()), 9) != Z_OK)
        throw std::runtime_error("swf: zlib failed");
    packed.resize(size);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

} // namespace gen::swfw
