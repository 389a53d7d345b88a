#include "bench/camera_picture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

Bytes camera_picture(int width, int height, double wave, int variant)
{
    std::vector<uint8_t> row(size_t(width) * 3);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    uint32_t noise = 2463534242u + uint32_t(variant);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double light = 0.5 + 0.35 * std::sin(x * wave + y * 0.0013);
            const bool edge = ((x / 97 + y / 61 + variant) % 5) == 0;
            for (int c = 0; c < 3; ++c) {
                const double v = light * (edge ? 0.6 : 1.0) * (0.7 + 0.1 * c) * 255 + int(noise >> (8 * c) & 31) - 16;
                row[size_t(x) * 3 + size_t(c)] = uint8_t(std::lround(std::fmin(255, std::fmax(0, v))));
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}
