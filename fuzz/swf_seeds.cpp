// Writes the SWF fuzzer's seed corpus into the folder given as the argument:
// the stored movies, small movies that use each kind of record, and damaged
// copies of both.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "media/generator/swf_writer.h"
#include "media/movies.h"

namespace w = gen::swfw;

namespace {

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Shapes of every kind, a sprite, moves, colour transforms and removal.
Bytes sampler(bool compressed) {
    w::ShapeBuilder s;
    const uint32_t solid = s.add_fill(w::Fill::solid({200, 30, 30, 255}));
    const uint32_t linear = s.add_fill(w::Fill::linear(0, 0, 400, 0, {{0, {0, 0, 255, 255}}, {255, {0, 255, 0, 128}}}));
    const uint32_t radial = s.add_fill(w::Fill::radial(200, 200, 100, {{0, {255, 255, 255, 255}}, {128, {255, 0, 0, 200}},
                                                                      {255, {0, 0, 0, 0}}}));
    const uint32_t line = s.add_line({40, {255, 255, 0, 255}});
    s.polygon({{0, 0}, {400, 0}, {400, 400}, {0, 400}}, solid, line);
    s.polygon({{500, 0}, {900, 0}, {900, 300}}, linear);
    s.circle(200, 200, 100, radial);
    w::ColorTransform tint;
    tint.mr = 128;
    tint.ag = 60;
    tint.ma = 200;
    const Bytes sprite = w::define_sprite(
        2, 2, cat({w::place_object2({1, uint16_t(1), w::Matrix::place(0, 0, 0.5, 0.5, 0.3), std::nullopt, false}),
                   w::show_frame(), w::place_object2({1, std::nullopt, w::Matrix::translate(100, 0), tint, true}),
                   w::show_frame()}));
    const Bytes tags = cat({w::set_background({0, 0, 0, 255}), s.define(1), sprite,
                            w::place_object2({1, uint16_t(2), w::Matrix::translate(200, 200), std::nullopt, false}),
                            w::place_object2({2, uint16_t(1), w::Matrix::place(1000, 500, 1.5, 0.5, 1.0), tint, false}),
                            w::frame_label("start"), w::show_frame(), w::remove_object2(2), w::show_frame(),
                            w::end_tag()});
    w::Header h;
    h.compressed = compressed;
    h.version = compressed ? 6 : 5;
    h.width_twips = 2000;
    h.height_twips = 1500;
    h.frame_rate = 15;
    h.frames = 2;
    return w::movie(h, tags);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::vector<std::pair<std::string, Bytes>> seeds = {
        {"default.swf", media::default_movie()},        {"fireworks1.swf", media::fireworks_movie(1)},
        {"fireworks2.swf", media::fireworks_movie(2)}, {"fireworks3.swf", media::fireworks_movie(3)},
        {"sampler.swf", sampler(false)},               {"sampler-cws.swf", sampler(true)},
    };
    const size_t whole = seeds.size();
    for (size_t i = 0; i < whole; ++i) {
        const auto [name, bytes] = seeds[i];
        seeds.push_back({"cut-" + name, Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 3))});
        Bytes flipped = bytes;
        for (size_t k = 40; k < flipped.size(); k += 97)
            flipped[k] ^= 0x24;
        seeds.push_back({"flipped-" + name, flipped});
    }
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
