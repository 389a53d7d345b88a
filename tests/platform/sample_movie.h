#pragma once
// A small valid SWF movie made in the test: a background colour and one
// solid rectangle on the stage, placed on every frame.

#include <QColor>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

namespace sample {

class Bits {
public:
    void put(uint32_t value, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = static_cast<uint8_t>(acc_ << 1 | ((value >> i) & 1u));
            if (++used_ == 8)
                flush();
        }
    }
    void put_signed(int32_t value, int n) { put(static_cast<uint32_t>(value) & ((1u << n) - 1u), n); }
    void align()
    {
        if (used_ > 0) {
            acc_ = static_cast<uint8_t>(acc_ << (8 - used_));
            flush();
        }
    }
    std::vector<uint8_t> bytes()
    {
        align();
        return out_;
    }

private:
    void flush()
    {
        out_.push_back(acc_);
        acc_ = 0;
        used_ = 0;
    }
    std::vector<uint8_t> out_;
    uint8_t acc_ = 0;
    int used_ = 0;
};

// Twips (1/20 pixel) in a RECT with 20 bits per field.
inline std::vector<uint8_t> rect_record(int xmin, int xmax, int ymin, int ymax)
{
    Bits b;
    b.put(20, 5);
    for (int v : {xmin, xmax, ymin, ymax})
        b.put_signed(v, 20);
    return b.bytes();
}

inline void put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x & 0xFF));
    v.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
}

inline void tag(std::vector<uint8_t>& out, int code, const std::vector<uint8_t>& body)
{
    put16(out, static_cast<uint32_t>(code << 6 | 0x3F));
    const auto n = static_cast<uint32_t>(body.size());
    put16(out, n & 0xFFFF);
    put16(out, n >> 16);
    out.insert(out.end(), body.begin(), body.end());
}

// A PlaceObject2 body: at depth 1, the character (new) or a move, with the
// box translated by (dx, dy) pixels.
inline std::vector<uint8_t> place(bool first, int dx, int dy)
{
    Bits m;
    m.put(0, 1); // no scale
    m.put(0, 1); // no rotation
    m.put(20, 5);
    m.put_signed(dx * 20, 20);
    m.put_signed(dy * 20, 20);
    std::vector<uint8_t> p{static_cast<uint8_t>(first ? 0x06 : 0x05)};
    put16(p, 1);
    if (first)
        put16(p, 1);
    const std::vector<uint8_t> matrix = m.bytes();
    p.insert(p.end(), matrix.begin(), matrix.end());
    return p;
}

// "FWS" version 5: stage, frame rate and frame count as given; on frame i
// the box stands moved by i * step.
inline std::vector<uint8_t> rectangle_movie(QSize stage, QRect box, QColor fill, QColor background, int fps = 20,
                                            int frames = 2, QPoint step = QPoint())
{
    std::vector<uint8_t> body;
    const std::vector<uint8_t> frame = rect_record(0, stage.width() * 20, 0, stage.height() * 20);
    body.insert(body.end(), frame.begin(), frame.end());
    put16(body, static_cast<uint32_t>(fps) << 8);
    put16(body, static_cast<uint32_t>(frames));

    tag(body, 9, {static_cast<uint8_t>(background.red()), static_cast<uint8_t>(background.green()),
                  static_cast<uint8_t>(background.blue())});

    // DefineShape: one solid fill, no lines, a closed rectangle.
    std::vector<uint8_t> shape;
    put16(shape, 1);
    const int l = box.left() * 20, t = box.top() * 20, w = box.width() * 20, h = box.height() * 20;
    const std::vector<uint8_t> bounds = rect_record(l, l + w, t, t + h);
    shape.insert(shape.end(), bounds.begin(), bounds.end());
    shape.push_back(1);    // one fill style
    shape.push_back(0x00); // solid
    shape.push_back(static_cast<uint8_t>(fill.red()));
    shape.push_back(static_cast<uint8_t>(fill.green()));
    shape.push_back(static_cast<uint8_t>(fill.blue()));
    shape.push_back(0);    // no line styles
    Bits b;
    b.put(1, 4);           // fill bits
    b.put(0, 4);           // line bits
    // Style change: move to the top left corner, fill style 1 on the right.
    b.put(0, 1);
    b.put(0, 1); // new styles
    b.put(0, 1); // line style
    b.put(1, 1); // fill style 1
    b.put(0, 1); // fill style 0
    b.put(1, 1); // move to
    b.put(20, 5);
    b.put_signed(l, 20);
    b.put_signed(t, 20);
    b.put(1, 1);
    auto edge = [&b](int dx, int dy) {
        b.put(1, 1); // edge
        b.put(1, 1); // straight
        b.put(15, 4); // 17 bits, the most a delta may take
        b.put(0, 1);  // not general
        b.put(dx == 0 ? 1 : 0, 1); // vertical?
        b.put_signed(dx == 0 ? dy : dx, 17);
    };
    edge(w, 0);
    edge(0, h);
    edge(-w, 0);
    edge(0, -h);
    b.put(0, 6); // end of shape
    const std::vector<uint8_t> records = b.bytes();
    shape.insert(shape.end(), records.begin(), records.end());
    tag(body, 2, shape);

    for (int i = 0; i < frames; ++i) {
        if (i == 0 || !step.isNull())
            tag(body, 26, place(i == 0, i * step.x(), i * step.y()));
        tag(body, 1, {});
    }
    tag(body, 0, {});

    std::vector<uint8_t> out{'F', 'W', 'S', 5};
    const auto length = static_cast<uint32_t>(body.size() + 8);
    put16(out, length & 0xFFFF);
    put16(out, length >> 16);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace sample
