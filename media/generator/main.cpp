// Build-time generator of the golden-egg program's media. Usage:
//   media_generator <output folder>
// Writes the pictures and the cursor as files, a C++ source that embeds
// them, and the deployed sounds in <output folder>/wav.

#include "eggs.h"
#include "embed.h"
#include "fireworks.h"
#include "gif_encode.h"
#include "hammer.h"
#include "quantize.h"
#include "sound.h"
#include "wheel_media.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using gen::Bytes;
using gen::write_file;

Bytes picture_gif(const gen::Canvas& c)
{
    std::vector<gen::Rgba8> px(size_t(c.width()) * size_t(c.height()));
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const gen::Colour s = c.straight(x, y);
            px[size_t(y) * size_t(c.width()) + size_t(x)] = {gen::byte_of(s.r), gen::byte_of(s.g), gen::byte_of(s.b),
                                                             gen::byte_of(s.a)};
        }
    return gen::encode_gif(gen::quantize(px, c.width(), c.height(), true));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--movies") {
        try {
            gen::write_movies(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "media_generator: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    try {
        const fs::path out = argv[1];
        fs::create_directories(out / "wav");

        std::vector<Bytes> eggs;
        for (int k = 1; k <= gen::kEggCount; ++k) {
            eggs.push_back(picture_gif(gen::draw_egg(k)));
            write_file(out / ("egg" + std::to_string(k) + ".gif"), eggs.back());
        }
        const Bytes smash = picture_gif(gen::draw_smash());
        write_file(out / "smash.gif", smash);
        const Bytes cursor = gen::encode_cur(gen::draw_hammer());
        write_file(out / "hammer.cur", cursor);

        write_file(out / "wav" / "zaxia.mp3", gen::encode_mp3(gen::synth_hammer_strike()));
        write_file(out / "wav" / "中奖音乐.mp3", gen::encode_mp3(gen::synth_fanfare()));

        gen::write_wheel_media(out);

        gen::EmbeddedSource src("media/egg_media.h");
        src.family("egg_picture", eggs);
        src.single("smash_picture", smash);
        src.single("hammer_cursor", cursor);
        src.write(out / "egg_media_data.cpp");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "media_generator: %s\n", e.what());
        return 1;
    }
    return 0;
}
