// Build-time generator of the golden-egg program's media. Usage:
//   media_generator <output folder>
// Writes the pictures and the cursor as files, a C++ source that embeds
// them, and the deployed sounds in <output folder>/wav.

#include "eggs.h"
#include "fireworks.h"
#include "gif_encode.h"
#include "hammer.h"
#include "quantize.h"
#include "sound.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void write_file(const fs::path& path, const Bytes& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

Bytes picture_gif(const gen::Canvas& c)
{
    std::vector<gen::Rgba8> px(size_t(c.width()) * size_t(c.height()));
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const gen::Colour s = c.straight(x, y);
            auto byte = [](double v) { return uint8_t(std::lround(gen::clamp01(v) * 255)); };
            px[size_t(y) * size_t(c.width()) + size_t(x)] = {byte(s.r), byte(s.g), byte(s.b), byte(s.a)};
        }
    return gen::encode_gif(gen::quantize(px, c.width(), c.height(), true));
}

void put_array(std::string& src, const std::string& name, const Bytes& data)
{
    src += "const unsigned char " + name + "[] = {";
    char buf[8];
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 20 == 0)
            src += "\n   ";
        std::snprintf(buf, sizeof buf, " %u,", unsigned(data[i]));
        src += buf;
    }
    src += "\n};\n\n";
}

// The source that carries the pictures and the cursor inside the program.
std::string embedded_source(const std::vector<Bytes>& eggs, const Bytes& smash, const Bytes& cursor)
{
    std::string src = "// Made by media_generator at build time; edits are overwritten.\n"
                      "#include \"media/egg_media.h\"\n\n"
                      "namespace media {\nnamespace {\n\n";
    for (size_t i = 0; i < eggs.size(); ++i)
        put_array(src, "kEgg" + std::to_string(i + 1), eggs[i]);
    put_array(src, "kSmash", smash);
    put_array(src, "kHammer", cursor);
    src += "Bytes bytes_of(const unsigned char* data, size_t size) { return Bytes(data, data + size); }\n\n"
           "} // namespace\n\n"
           "const Bytes& egg_picture(int k)\n{\n"
           "    static const Bytes pictures[] = {\n";
    for (size_t i = 0; i < eggs.size(); ++i)
        src += "        bytes_of(kEgg" + std::to_string(i + 1) + ", sizeof kEgg" + std::to_string(i + 1) + "),\n";
    src += "    };\n"
           "    static const Bytes none;\n"
           "    if (k < 1 || k > int(sizeof pictures / sizeof pictures[0]))\n"
           "        return none;\n"
           "    return pictures[k - 1];\n}\n\n"
           "const Bytes& smash_picture()\n{\n"
           "    static const Bytes picture = bytes_of(kSmash, sizeof kSmash);\n"
           "    return picture;\n}\n\n"
           "const Bytes& hammer_cursor()\n{\n"
           "    static const Bytes cursor = bytes_of(kHammer, sizeof kHammer);\n"
           "    return cursor;\n}\n\n"
           "} // namespace media\n";
    return src;
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

        const std::string src = embedded_source(eggs, smash, cursor);
        write_file(out / "egg_media_data.cpp", Bytes(src.begin(), src.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "media_generator: %s\n", e.what());
        return 1;
    }
    return 0;
}
