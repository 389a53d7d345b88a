#include "wheel_jpeg.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace gen {
namespace {

// libjpeg ends the process on an error by default; ours jumps back so the
// build step fails with a message. Nothing with a destructor lives between
// setjmp and longjmp: all state sits in Job.
struct Job {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{}; // libjpeg hands error_exit a pointer to cinfo
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX]{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

Job* job_of(j_common_ptr cinfo) { return static_cast<Job*>(cinfo->client_data); }

[[noreturn]] void fail(j_common_ptr cinfo)
{
    (*cinfo->err->format_message)(cinfo, job_of(cinfo)->message);
    std::longjmp(job_of(cinfo)->jump, 1);
}

bool run(Job& job, const RgbImage& image, int quality)
{
    jpeg_compress_struct* cinfo = &job.cinfo;
    cinfo->err = jpeg_std_error(&job.err);
    job.err.error_exit = fail;
    cinfo->client_data = &job;
    if (setjmp(job.jump))
        return false;
    jpeg_create_compress(cinfo);
    cinfo->client_data = &job;
    jpeg_mem_dest(cinfo, &job.buffer, &job.size);
    cinfo->image_width = JDIMENSION(image.width);
    cinfo->image_height = JDIMENSION(image.height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    // No chroma subsampling: the faces' coloured edges stay crisp when the
    // wheel is shown large.
    for (int c = 0; c < cinfo->num_components; ++c) {
        cinfo->comp_info[c].h_samp_factor = 1;
        cinfo->comp_info[c].v_samp_factor = 1;
    }
    cinfo->optimize_coding = TRUE;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(image.rgb.data() + size_t(cinfo->next_scanline) * size_t(image.width) * 3);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

std::vector<uint8_t> encode_jpeg(const RgbImage& image, int quality)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != size_t(image.width) * size_t(image.height) * 3)
        throw std::invalid_argument("JPEG encoder: bad image");
    Job job;
    const bool ok = run(job, image, quality);
    std::vector<uint8_t> out;
    if (ok)
        out.assign(job.buffer, job.buffer + job.size);
    jpeg_destroy_compress(&job.cinfo);
    std::free(job.buffer);
    if (!ok)
        throw std::runtime_error(std::string("JPEG encoder: ") + job.message);
    return out;
}

} // namespace gen
