// Shape records: the edge list with its left and right fill styles, turned
// into closed outlines per fill style and joined strokes per line style.

#include "platform/core/swf_internal.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace swf::detail {

namespace {

// Coordinates are kept well inside 32 bits so sums and products stay defined.
constexpr int64_t kCoordLimit = int64_t(1) << 30;

int32_t clamp_coord(int64_t v) { return int32_t(std::clamp(v, -kCoordLimit, kCoordLimit)); }

Rgba read_color(Bits& in, bool alpha) {
    Rgba c;
    c.r = in.u8();
    c.g = in.u8();
    c.b = in.u8();
    c.a = alpha ? in.u8() : 255;
    return c;
}

struct Edge {
    Segment seg;
    uint32_t fill0 = 0, fill1 = 0, line = 0; // 1-based into the shape's arrays, 0 none
};

class ShapeReader {
public:
    ShapeReader(Bits& in, int shape_version, Budget& budget) : in_(in), version_(shape_version), budget_(budget) {}

    Shape read() {
        shape_.bounds = read_rect(in_);
        if (!read_styles())
            return finish();
        uint32_t fill0 = 0, fill1 = 0, line = 0;
        uint32_t fill_base = 0, line_base = 0;
        uint32_t fill_count = uint32_t(shape_.fills.size()), line_count = uint32_t(shape_.lines.size());
        int64_t x = 0, y = 0;
        auto style_index = [](uint32_t v, uint32_t base, uint32_t count) { return v == 0 || v > count ? 0u : base + v; };

        while (!in_.overrun()) {
            if (in_.ub(1) == 0) {
                const uint32_t flags = in_.ub(5);
                if (flags == 0 || in_.overrun())
                    break;
                if (flags & 1u) {
                    const int n = int(in_.ub(5));
                    x = in_.sb(n);
                    y = in_.sb(n);
                }
                if (flags & 2u)
                    fill0 = style_index(in_.ub(fill_bits_), fill_base, fill_count);
                if (flags & 4u)
                    fill1 = style_index(in_.ub(fill_bits_), fill_base, fill_count);
                if (flags & 8u)
                    line = style_index(in_.ub(line_bits_), line_base, line_count);
                if (flags & 16u) {
                    // A new set of styles: indices from here on refer to it.
                    fill_base = uint32_t(shape_.fills.size());
                    line_base = uint32_t(shape_.lines.size());
                    if (!read_styles())
                        break;
                    fill_count = uint32_t(shape_.fills.size()) - fill_base;
                    line_count = uint32_t(shape_.lines.size()) - line_base;
                    fill0 = fill1 = line = 0;
                }
                continue;
            }
            Edge e;
            e.seg.from = {clamp_coord(x), clamp_coord(y)};
            const bool straight = in_.ub(1) != 0;
            const int n = int(in_.ub(4)) + 2;
            if (straight) {
                int64_t dx = 0, dy = 0;
                if (in_.ub(1)) {
                    dx = in_.sb(n);
                    dy = in_.sb(n);
                } else if (in_.ub(1)) {
                    dy = in_.sb(n);
                } else {
                    dx = in_.sb(n);
                }
                x = clamp_coord(x + dx);
                y = clamp_coord(y + dy);
                e.seg.to = e.seg.control = {int32_t(x), int32_t(y)};
            } else {
                const int64_t cx = clamp_coord(x + in_.sb(n));
                const int64_t cy = clamp_coord(y + in_.sb(n));
                x = clamp_coord(cx + in_.sb(n));
                y = clamp_coord(cy + in_.sb(n));
                e.seg.control = {int32_t(cx), int32_t(cy)};
                e.seg.to = {int32_t(x), int32_t(y)};
                e.seg.curved = true;
            }
            if (in_.overrun() || !budget_.take(1))
                break;
            e.fill0 = fill0;
            e.fill1 = fill1;
            e.line = line;
            if (e.fill0 || e.fill1 || e.line)
                edges_.push_back(e);
        }
        return finish();
    }

private:
    bool read_styles() {
        uint32_t count = in_.u8();
        if (count == 0xFF && version_ >= 2)
            count = in_.u16();
        for (uint32_t i = 0; i < count && !in_.overrun(); ++i) {
            if (!budget_.take(1))
                return false;
            FillStyle f;
            const uint8_t type = in_.u8();
            if (type == 0x00) {
                f.kind = FillStyle::Kind::Solid;
                f.color = read_color(in_, version_ >= 3);
            } else if (type == 0x10 || type == 0x12 || type == 0x13) {
                f.kind = type == 0x10 ? FillStyle::Kind::Linear : FillStyle::Kind::Radial;
                f.matrix = read_matrix(in_);
                in_.ub(4); // spread and interpolation modes: pad and RGB are what we draw
                const uint32_t stops = in_.ub(4);
                for (uint32_t s = 0; s < stops && !in_.overrun(); ++s) {
                    if (!budget_.take(1))
                        return false;
                    GradientStop g;
                    g.ratio = in_.u8();
                    g.color = read_color(in_, version_ >= 3);
                    f.stops.push_back(g);
                }
                if (type == 0x13)
                    in_.u16(); // focal point
            } else if (type >= 0x40 && type <= 0x43) {
                f.kind = FillStyle::Kind::Bitmap;
                f.bitmap_id = in_.u16();
                f.matrix = read_matrix(in_);
            } else {
                return false; // its length is unknown, so nothing after it can be read
            }
            if (in_.overrun())
                return false;
            shape_.fills.push_back(std::move(f));
        }
        count = in_.u8();
        if (count == 0xFF && version_ >= 2)
            count = in_.u16();
        for (uint32_t i = 0; i < count && !in_.overrun(); ++i) {
            if (!budget_.take(1))
                return false;
            LineStyle l;
            l.width = in_.u16();
            l.color = read_color(in_, version_ >= 3);
            if (in_.overrun())
                return false;
            shape_.lines.push_back(l);
        }
        fill_bits_ = int(in_.ub(4));
        line_bits_ = int(in_.ub(4));
        return !in_.overrun();
    }

    Shape finish() {
        build_fills();
        build_lines();
        return std::move(shape_);
    }

    void build_fills() {
        // Each fill style gets the edges it lies on, turned so that the style
        // is always on the same side; then the edges are joined into loops.
        std::vector<std::vector<Segment>> by_style(shape_.fills.size() + 1);
        for (const Edge& e : edges_) {
            if (e.fill1)
                by_style[e.fill1].push_back(e.seg);
            if (e.fill0)
                by_style[e.fill0].push_back(Segment{e.seg.to, e.seg.control, e.seg.from, e.seg.curved});
        }
        for (uint32_t style = 1; style < by_style.size(); ++style) {
            if (by_style[style].empty())
                continue;
            FillPath path;
            path.style = style - 1;
            path.contours = join_loops(by_style[style]);
            shape_.fill_paths.push_back(std::move(path));
        }
    }

    static std::vector<std::vector<Segment>> join_loops(const std::vector<Segment>& segs) {
        // Start points sorted, so the segment that continues a loop is found by search.
        std::vector<std::tuple<int32_t, int32_t, uint32_t>> starts;
        starts.reserve(segs.size());
        for (uint32_t i = 0; i < segs.size(); ++i)
            starts.emplace_back(segs[i].from.x, segs[i].from.y, i);
        std::sort(starts.begin(), starts.end());
        std::vector<bool> used(segs.size(), false);
        // Per run of equal start points, how many leading entries are used up.
        std::vector<uint32_t> spent(starts.size(), 0);
        auto take_from = [&](Point p, uint32_t prefer) -> int64_t {
            if (prefer < segs.size() && !used[prefer] && segs[prefer].from == p)
                return prefer;
            const auto it = std::lower_bound(starts.begin(), starts.end(), std::make_tuple(p.x, p.y, 0u));
            const size_t first = size_t(it - starts.begin());
            auto same = [&](size_t k) {
                return k < starts.size() && std::get<0>(starts[k]) == p.x && std::get<1>(starts[k]) == p.y;
            };
            if (!same(first))
                return -1;
            while (same(first + spent[first]) && used[std::get<2>(starts[first + spent[first]])])
                ++spent[first];
            for (size_t k = first + spent[first]; same(k); ++k)
                if (!used[std::get<2>(starts[k])])
                    return std::get<2>(starts[k]);
            return -1;
        };

        std::vector<std::vector<Segment>> loops;
        for (uint32_t i = 0; i < segs.size(); ++i) {
            if (used[i])
                continue;
            std::vector<Segment> loop{segs[i]};
            used[i] = true;
            const Point start = segs[i].from;
            Point at = segs[i].to;
            uint32_t next = i + 1;
            while (!(at == start)) {
                const int64_t k = take_from(at, next);
                if (k < 0)
                    break; // left open; a fill closes it
                used[size_t(k)] = true;
                loop.push_back(segs[size_t(k)]);
                at = segs[size_t(k)].to;
                next = uint32_t(k) + 1;
            }
            loops.push_back(std::move(loop));
        }
        return loops;
    }

    void build_lines() {
        std::vector<std::vector<const Segment*>> by_style(shape_.lines.size() + 1);
        for (const Edge& e : edges_)
            if (e.line)
                by_style[e.line].push_back(&e.seg);
        for (uint32_t style = 1; style < by_style.size(); ++style) {
            if (by_style[style].empty())
                continue;
            LinePath path;
            path.style = style - 1;
            for (const Segment* seg : by_style[style]) {
                if (path.strokes.empty() || !(path.strokes.back().back().to == seg->from))
                    path.strokes.emplace_back();
                path.strokes.back().push_back(*seg);
            }
            shape_.line_paths.push_back(std::move(path));
        }
    }

    Bits& in_;
    int version_;
    Budget& budget_;
    Shape shape_;
    std::vector<Edge> edges_;
    int fill_bits_ = 0;
    int line_bits_ = 0;
};

} // namespace

Shape read_shape_records(Bits& in, int shape_version, Budget& budget) {
    return ShapeReader(in, shape_version, budget).read();
}

} // namespace swf::detail
