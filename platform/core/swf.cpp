// The SWF header, the tag stream and the display-list tags.

#include "platform/core/swf_internal.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace swf {

using detail::Bits;
using detail::Budget;

Matrix operator*(const Matrix& o, const Matrix& i) {
    Matrix m;
    m.sx = o.sx * i.sx + o.r1 * i.r0;
    m.r1 = o.sx * i.r1 + o.r1 * i.sy;
    m.r0 = o.r0 * i.sx + o.sy * i.r0;
    m.sy = o.r0 * i.r1 + o.sy * i.sy;
    m.tx = o.sx * i.tx + o.r1 * i.ty + o.tx;
    m.ty = o.r0 * i.tx + o.sy * i.ty + o.ty;
    return m;
}

namespace {

// Multipliers and offsets beyond these change nothing visible, and keeping
// them bounded keeps chained transforms from overflowing.
constexpr int32_t kTermLimit = 1 << 20;

int32_t clamp_term(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kTermLimit, kTermLimit)); }

uint8_t channel(int32_t c, int32_t mult, int32_t add) {
    return uint8_t(std::clamp<int64_t>(int64_t(c) * mult / 256 + add, 0, 255));
}

} // namespace

Rgba ColorTransform::apply(Rgba c) const {
    return {channel(c.r, mr, ar), channel(c.g, mg, ag), channel(c.b, mb, ab), channel(c.a, ma, aa)};
}

ColorTransform operator*(const ColorTransform& o, const ColorTransform& i) {
    auto mul = [](int32_t a, int32_t b) { return clamp_term(int64_t(a) * b / 256); };
    auto add = [](int32_t om, int32_t ia, int32_t oa) { return clamp_term(int64_t(om) * ia / 256 + oa); };
    ColorTransform c;
    c.mr = mul(o.mr, i.mr);
    c.mg = mul(o.mg, i.mg);
    c.mb = mul(o.mb, i.mb);
    c.ma = mul(o.ma, i.ma);
    c.ar = add(o.mr, i.ar, o.ar);
    c.ag = add(o.mg, i.ag, o.ag);
    c.ab = add(o.mb, i.ab, o.ab);
    c.aa = add(o.ma, i.aa, o.aa);
    return c;
}

const Character* Movie::character(uint16_t id) const {
    const auto it = characters.find(id);
    return it == characters.end() ? nullptr : &it->second;
}

void apply_frame(DisplayList& list, const Frame& frame, uint32_t& next_serial) {
    for (const DisplayOp& op : frame.ops) {
        if (op.kind == DisplayOp::Kind::Remove) {
            list.erase(op.depth);
            continue;
        }
        auto it = list.find(op.depth);
        if (!op.move || it == list.end()) {
            if (!op.has_character)
                continue;
            DisplayItem item;
            item.character = op.character;
            item.serial = next_serial++;
            it = list.insert_or_assign(op.depth, item).first;
        } else if (op.has_character) {
            it->second.character = op.character;
            it->second.serial = next_serial++;
        }
        DisplayItem& item = it->second;
        if (op.has_matrix)
            item.matrix = op.matrix;
        if (op.has_color)
            item.color = op.color;
        if (op.clip_depth)
            item.clip_depth = op.clip_depth;
    }
}

std::vector<DisplayList> display_lists(const Timeline& timeline) {
    std::vector<DisplayList> lists;
    lists.reserve(timeline.frames.size());
    DisplayList list;
    uint32_t serial = 1;
    for (const Frame& f : timeline.frames) {
        apply_frame(list, f, serial);
        lists.push_back(list);
    }
    return lists;
}

namespace detail {

Rect read_rect(Bits& in) {
    const int n = int(in.ub(5));
    Rect r;
    r.xmin = in.sb(n);
    r.xmax = in.sb(n);
    r.ymin = in.sb(n);
    r.ymax = in.sb(n);
    in.align();
    return r;
}

Matrix read_matrix(Bits& in) {
    in.align();
    Matrix m;
    if (in.ub(1)) {
        const int n = int(in.ub(5));
        m.sx = in.fb(n);
        m.sy = in.fb(n);
    }
    if (in.ub(1)) {
        const int n = int(in.ub(5));
        m.r0 = in.fb(n);
        m.r1 = in.fb(n);
    }
    const int n = int(in.ub(5));
    m.tx = in.sb(n);
    m.ty = in.sb(n);
    in.align();
    return m;
}

ColorTransform read_color_transform(Bits& in, bool alpha) {
    in.align();
    ColorTransform c;
    const bool add = in.ub(1) != 0;
    const bool mult = in.ub(1) != 0;
    const int n = int(in.ub(4));
    if (mult) {
        c.mr = in.sb(n);
        c.mg = in.sb(n);
        c.mb = in.sb(n);
        if (alpha)
            c.ma = in.sb(n);
    }
    if (add) {
        c.ar = in.sb(n);
        c.ag = in.sb(n);
        c.ab = in.sb(n);
        if (alpha)
            c.aa = in.sb(n);
    }
    in.align();
    return c;
}

} // namespace detail

namespace {

enum Tag : uint16_t {
    kEnd = 0,
    kShowFrame = 1,
    kDefineShape = 2,
    kPlaceObject = 4,
    kRemoveObject = 5,
    kSetBackgroundColor = 9,
    kDefineShape2 = 22,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineSprite = 39,
    kFrameLabel = 43,
};

// The inflated body of a "CWS" movie, up to `limit` bytes; a damaged stream
// gives what inflated before the damage.
std::vector<uint8_t> inflate_body(std::span<const uint8_t> in, size_t limit) {
    std::vector<uint8_t> out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return out;
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = uInt(std::min<size_t>(in.size(), 0x7fffffff));
    size_t chunk = 64 * 1024;
    while (out.size() < limit) {
        const size_t old = out.size();
        const size_t grow = std::min(chunk, limit - old);
        out.resize(old + grow);
        zs.next_out = out.data() + old;
        zs.avail_out = uInt(grow);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(old + grow - zs.avail_out);
        if (rc != Z_OK)
            break; // stream end, damage, or no more input
        if (zs.avail_out != 0 && zs.avail_in == 0)
            break;
        chunk = std::min<size_t>(chunk * 2, 4u << 20);
    }
    inflateEnd(&zs);
    return out;
}

class TagReader {
public:
    TagReader(Movie& movie, Budget& budget) : movie_(movie), budget_(budget) {}

    // Reads tags from `data` (which starts at `file_offset` of the file) into
    // `timeline`. Returns true when End was reached with nothing cut short.
    bool read(std::span<const uint8_t> data, size_t file_offset, Timeline& timeline, bool in_sprite, int& nesting) {
        Bits in(data);
        Frame frame;
        bool ended = false;
        bool clean = true;
        while (!ended) {
            if (in.remaining() < 2) {
                clean = false;
                break;
            }
            TagInfo info;
            info.offset = file_offset + in.position();
            info.in_sprite = in_sprite;
            const uint16_t head = in.u16();
            info.code = head >> 6;
            info.length = head & 0x3F;
            if (info.length == 0x3F) {
                info.long_form = true;
                info.length = in.u32();
                if (in.overrun()) {
                    clean = false;
                    break;
                }
            }
            if (!budget_.take(1)) {
                clean = false;
                break;
            }
            movie_.tags.push_back(info);
            size_t length = info.length;
            if (length > in.remaining()) {
                length = in.remaining(); // cut short: read what is there, then stop
                clean = false;
            }
            const std::span<const uint8_t> body = data.subspan(in.position(), length);
            const size_t body_offset = file_offset + in.position();
            in.skip(length);

            switch (info.code) {
            case kEnd:
                ended = true;
                break;
            case kShowFrame:
                timeline.frames.push_back(std::move(frame));
                frame = Frame{};
                if (timeline.frames.size() >= kMaxFrames) {
                    ended = true;
                    clean = false;
                }
                break;
            case kPlaceObject:
            case kPlaceObject2:
            case kRemoveObject:
            case kRemoveObject2:
                read_display_op(info.code, body, frame, in_sprite, nesting);
                break;
            case kFrameLabel: {
                Bits b(body);
                frame.label = b.str();
                break;
            }
            default:
                if (!in_sprite)
                    read_definition(info.code, body, body_offset);
                break;
            }
            if (!clean || budget_.exhausted())
                break;
        }
        if (!ended && (!frame.ops.empty() || !frame.label.empty()))
            timeline.frames.push_back(std::move(frame));
        if (timeline.frames.empty())
            timeline.frames.emplace_back();
        return ended && clean && !budget_.exhausted();
    }

private:
    void read_display_op(uint16_t code, std::span<const uint8_t> body, Frame& frame, bool in_sprite, int& nesting) {
        Bits in(body);
        DisplayOp op;
        switch (code) {
        case kPlaceObject:
            op.has_character = true;
            op.character = in.u16();
            op.depth = in.u16();
            op.has_matrix = true;
            op.matrix = detail::read_matrix(in);
            if (!in.overrun() && !in.at_end()) {
                op.has_color = true;
                op.color = detail::read_color_transform(in, false);
            }
            break;
        case kPlaceObject2: {
            const uint8_t flags = in.u8();
            op.move = flags & 0x01;
            op.depth = in.u16();
            if (flags & 0x02) {
                op.has_character = true;
                op.character = in.u16();
            }
            if (flags & 0x04) {
                op.has_matrix = true;
                op.matrix = detail::read_matrix(in);
            }
            if (flags & 0x08) {
                op.has_color = true;
                op.color = detail::read_color_transform(in, true);
            }
            if (flags & 0x10)
                in.u16(); // a morph ratio: no morph shapes are drawn
            if (flags & 0x20)
                in.str(); // instance name
            if (flags & 0x40)
                op.clip_depth = in.u16();
            break; // clip actions are not played
        }
        case kRemoveObject:
            op.kind = DisplayOp::Kind::Remove;
            in.u16();
            op.depth = in.u16();
            break;
        default:
            op.kind = DisplayOp::Kind::Remove;
            op.depth = in.u16();
            break;
        }
        if (in.overrun() || !budget_.take(1))
            return;
        if (op.has_character) {
            // Only what is already defined can be placed, which also keeps
            // sprites from containing themselves.
            const Character* c = movie_.character(op.character);
            if (!c)
                return;
            if (c->kind == Character::Kind::Sprite) {
                if (in_sprite && c->sprite->nesting + 1 > kMaxSpriteNesting)
                    return;
                nesting = std::max(nesting, c->sprite->nesting + 1);
            }
        }
        frame.ops.push_back(op);
    }

    void read_definition(uint16_t code, std::span<const uint8_t> body, size_t body_offset) {
        Bits in(body);
        switch (code) {
        case kSetBackgroundColor:
            movie_.background.r = in.u8();
            movie_.background.g = in.u8();
            movie_.background.b = in.u8();
            movie_.has_background = !in.overrun();
            break;
        case kDefineShape:
        case kDefineShape2:
        case kDefineShape3: {
            const uint16_t id = in.u16();
            if (in.overrun() || movie_.characters.count(id))
                return; // an id is defined once; later claims are ignored
            const int version = code == kDefineShape ? 1 : code == kDefineShape2 ? 2 : 3;
            Character c;
            c.kind = Character::Kind::Shape;
            c.shape = std::make_shared<Shape>(detail::read_shape_records(in, version, budget_));
            movie_.characters.emplace(id, std::move(c));
            break;
        }
        case kDefineSprite: {
            const uint16_t id = in.u16();
            in.u16(); // frame count as stated; the frames themselves decide
            if (in.overrun() || movie_.characters.count(id))
                return;
            auto sprite = std::make_shared<Sprite>();
            int nesting = 1;
            if (!read(body.subspan(4), body_offset + 4, sprite->timeline, true, nesting))
                damaged_ = true;
            sprite->nesting = nesting;
            Character c;
            c.kind = Character::Kind::Sprite;
            c.sprite = std::move(sprite);
            movie_.characters.emplace(id, std::move(c));
            break;
        }
        default:
            break; // skipped by its length
        }
    }

public:
    bool damaged() const { return damaged_; }

private:
    Movie& movie_;
    Budget& budget_;
    bool damaged_ = false;
};

} // namespace

Movie read_movie(std::span<const uint8_t> bytes) {
    Movie m;
    if (bytes.size() < 8 || bytes[1] != 'W' || bytes[2] != 'S' || (bytes[0] != 'F' && bytes[0] != 'C'))
        return m;
    m.compressed = bytes[0] == 'C';
    m.version = bytes[3];
    m.file_length = uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24;

    std::vector<uint8_t> inflated;
    std::span<const uint8_t> body = bytes.subspan(8);
    if (m.compressed) {
        // The stated length bounds what we inflate; a false one only cuts the movie short.
        const size_t stated = m.file_length > 8 ? m.file_length - 8 : 0;
        inflated = inflate_body(body, std::min(stated, kMaxBodyBytes));
        body = inflated;
    } else if (body.size() > kMaxBodyBytes) {
        body = body.first(kMaxBodyBytes);
    }
    m.body_length = body.size();

    Bits in(body);
    m.frame = detail::read_rect(in);
    m.frame_rate_raw = in.u16();
    m.header_frame_count = in.u16();
    if (in.overrun())
        return m;
    m.ok = true;

    Budget budget;
    TagReader reader(m, budget);
    int nesting = 1;
    const size_t start = in.position();
    m.complete = reader.read(body.subspan(start), 8 + start, m.timeline, false, nesting) && !reader.damaged();
    return m;
}

} // namespace swf
