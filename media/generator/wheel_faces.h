#pragma once
// The prize wheel's pictures: four wheel faces and the settings panel's
// header icon, as plain RGB images ready for the JPEG encoder.

#include <cstdint>
#include <vector>

namespace gen {

constexpr int kWheelFaceSide = 914;
constexpr int kWheelStyles = 4;

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // rows top to bottom, 3 bytes a pixel
};

// Face k (1..4): eight segments, a rim of lamps and a hub, with a light
// card where each ring picture of the program stands.
RgbImage draw_wheel_face(int style);
// 48 x 45: a gold star on a blue tile.
RgbImage draw_panel_icon();

} // namespace gen
