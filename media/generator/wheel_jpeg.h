#pragma once
// Baseline JPEG through libjpeg, the form the program's pictures take.

#include "wheel_faces.h"

#include <cstdint>
#include <vector>

namespace gen {

// Baseline (sequential, Huffman), full colour resolution, the given quality.
std::vector<uint8_t> encode_jpeg(const RgbImage& image, int quality);

} // namespace gen
