#include "wheel_media.h"

#include "wheel_chime.h"
#include "wheel_faces.h"
#include "wheel_jpeg.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace gen {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kFaceQuality = 90;
constexpr int kIconQuality = 92;

void write_file(const std::filesystem::path& path, const Bytes& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void put_array(std::string& src, const std::string& name, const Bytes& data)
{
    src += "const unsigned char " + name + "[] = {";
    char buf[8];
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 24 == 0)
            src += "\n";
        std::snprintf(buf, sizeof buf, "%u,", unsigned(data[i]));
        src += buf;
    }
    src += "\n};\n\n";
}

std::string embedded_source(const std::vector<Bytes>& faces, const Bytes& icon, const Bytes& chime)
{
    std::string src = "// Made by media_generator at build time; edits are overwritten.\n"
                      "#include \"media/wheel_media.h\"\n\n"
                      "namespace media {\nnamespace {\n\n";
    for (size_t i = 0; i < faces.size(); ++i)
        put_array(src, "kFace" + std::to_string(i + 1), faces[i]);
    put_array(src, "kIcon", icon);
    put_array(src, "kChime", chime);
    src += "Bytes bytes_of(const unsigned char* data, size_t size) { return Bytes(data, data + size); }\n\n"
           "} // namespace\n\n"
           "const Bytes& wheel_face(int k)\n{\n"
           "    static const Bytes faces[] = {\n";
    for (size_t i = 0; i < faces.size(); ++i)
        src += "        bytes_of(kFace" + std::to_string(i + 1) + ", sizeof kFace" + std::to_string(i + 1) + "),\n";
    src += "    };\n"
           "    static const Bytes none;\n"
           "    if (k < 1 || k > int(sizeof faces / sizeof faces[0]))\n"
           "        return none;\n"
           "    return faces[k - 1];\n}\n\n"
           "const Bytes& panel_icon()\n{\n"
           "    static const Bytes icon = bytes_of(kIcon, sizeof kIcon);\n"
           "    return icon;\n}\n\n"
           "const Bytes& win_sound()\n{\n"
           "    static const Bytes sound = bytes_of(kChime, sizeof kChime);\n"
           "    return sound;\n}\n\n"
           "} // namespace media\n";
    return src;
}

} // namespace

void write_wheel_media(const std::filesystem::path& out)
{
    std::vector<Bytes> faces;
    for (int k = 1; k <= kWheelStyles; ++k) {
        faces.push_back(encode_jpeg(draw_wheel_face(k), kFaceQuality));
        write_file(out / ("wheel_face" + std::to_string(k) + ".jpg"), faces.back());
    }
    const Bytes icon = encode_jpeg(draw_panel_icon(), kIconQuality);
    write_file(out / "panel_icon.jpg", icon);
    const Bytes chime = synth_win_chime();
    write_file(out / "win.wav", chime);
    const std::string src = embedded_source(faces, icon, chime);
    write_file(out / "wheel_media_data.cpp", Bytes(src.begin(), src.end()));
}

} // namespace gen
