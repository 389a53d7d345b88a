#pragma once
// Pieces of the small movies the SWF tests build by hand: a 200 x 100
// stage, solid squares, and tags joined into one run.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "media/generator/swf_writer.h"

namespace swf_parts {

namespace w = gen::swfw;
using Bytes = std::vector<uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The file header of a version 6 movie on a 200 x 100 stage.
inline w::Header small_stage(double frame_rate, uint16_t frames, bool compressed = false)
{
    w::Header h;
    h.compressed = compressed;
    h.version = 6;
    h.width_twips = 200 * 20;
    h.height_twips = 100 * 20;
    h.frame_rate = frame_rate;
    h.frames = frames;
    return h;
}

// A square of `px` pixels with its top-left corner at the origin.
inline Bytes square(uint16_t id, int px, w::Rgba colour = {255, 0, 0, 255})
{
    w::ShapeBuilder s;
    const uint32_t f = s.add_fill(w::Fill::solid(colour));
    s.polygon({{0, 0}, {px * 20.0, 0}, {px * 20.0, px * 20.0}, {0, px * 20.0}}, f);
    return s.define(id);
}

} // namespace swf_parts
