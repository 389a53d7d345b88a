#include "wheel_media.h"

#include "embed.h"
#include "wheel_chime.h"
#include "wheel_faces.h"
#include "wheel_jpeg.h"

#include <string>
#include <vector>

namespace gen {
namespace {

constexpr int kFaceQuality = 90;
constexpr int kIconQuality = 92;

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
    EmbeddedSource src("media/wheel_media.h");
    src.family("wheel_face", faces);
    src.single("panel_icon", icon);
    src.single("win_sound", chime);
    src.write(out / "wheel_media_data.cpp");
}

} // namespace gen
