#pragma once
// The hammer mouse pointer: a 64 x 64 picture with real alpha, packed as a
// Windows .cur file whose hot spot is the striking face at the top left.

#include "raster.h"

#include <cstdint>
#include <vector>

namespace gen {

constexpr int kCursorSize = 64;

Canvas draw_hammer();
// One 32-bit image, XOR picture plus AND mask, hot spot (0, 0).
std::vector<uint8_t> encode_cur(const Canvas& picture);

} // namespace gen
