#pragma once
// Reduces an RGBA picture to a GIF's 256 colours: index 255 stands for
// "transparent", the other 255 entries come from a variance-driven median cut
// refined by a few k-means passes.

#include <array>
#include <cstdint>
#include <vector>

namespace gen {

struct Rgb8 {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

struct Rgba8 {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::array<Rgb8, 256> palette{};
    std::vector<uint8_t> index; // row-major, 255 = transparent
};

constexpr uint8_t kTransparentIndex = 255;

// Pixels with alpha below 128 become transparent; the rest are opaque.
// With `dither`, error diffusion hides banding in smooth gradients.
IndexedImage quantize(const std::vector<Rgba8>& pixels, int width, int height, bool dither);

} // namespace gen
