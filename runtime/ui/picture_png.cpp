// PNG through libpng. Errors come back by longjmp to the setjmp in run();
// all state with destructors lives in PngJob, owned by the caller.

#include <cstring>
#include <vector>

#include <png.h>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    QImage image;
    std::vector<png_bytep> rows;
};

void read_bytes(png_structp png, png_bytep out, size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (length > job->size - job->pos)
        png_error(png, "truncated");
    std::memcpy(out, job->data + job->pos, length);
    job->pos += length;
}

[[noreturn]] void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

bool run(PngJob& job) {
    png_structp png = job.png;
    png_infop info = job.info;
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_cache_max(png, 128);
    png_set_chunk_malloc_max(png, 8 << 20);
    png_set_read_fn(png, &job, read_bytes);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!size_allowed(width, height))
        return false;

    // Whatever the colour type and depth, ask for 8-bit RGBA in the byte
    // order of ARGB32.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
#else
    png_set_add_alpha(png, 0xff, PNG_FILLER_BEFORE);
#endif
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4)
        return false;

    job.image = QImage(int(width), int(height), QImage::Format_ARGB32);
    if (job.image.isNull())
        return false;
    job.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        job.rows[y] = job.image.scanLine(int(y));
    png_read_image(png, job.rows.data());
    // No png_read_end: the pixels are complete, and what follows them
    // (text chunks, the end chunk) does not change the picture.
    return true;
}

} // namespace

QImage decode_png(const uint8_t* data, size_t size) {
    PngJob job;
    job.data = data;
    job.size = size;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!job.png)
        return {};
    job.info = png_create_info_struct(job.png);
    const bool ok = job.info && run(job);
    png_destroy_read_struct(&job.png, &job.info, nullptr);
    if (!ok)
        return {};
    return job.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace picture_detail
