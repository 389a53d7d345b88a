#pragma once
// GIF89a writer on giflib: one frame, a global 256-colour table, and a
// graphics control extension that marks index 255 transparent.

#include "quantize.h"

#include <cstdint>
#include <vector>

namespace gen {

std::vector<uint8_t> encode_gif(const IndexedImage& image);

} // namespace gen
