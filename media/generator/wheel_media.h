#pragma once
// The prize wheel's media: four faces, the panel icon and the win sound,
// written as files and as a C++ source that embeds them.

#include <filesystem>

namespace gen {

// Writes wheel_face1.jpg .. wheel_face4.jpg, panel_icon.jpg, win.wav and
// wheel_media_data.cpp into `out`.
void write_wheel_media(const std::filesystem::path& out);

} // namespace gen
