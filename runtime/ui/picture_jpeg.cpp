// JPEG through the IJG interface of libjpeg-turbo. The library reports errors
// by calling error_exit, which by default ends the process; ours jumps back
// here instead. Nothing with a destructor lives between setjmp and longjmp:
// all state sits in JpegJob, which the caller owns.

#include <csetjmp>
#include <cstdlib>
#include <cstdio> // jpeglib.h needs FILE
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

// Past this many corrupt-data warnings a file is garbage, not a picture
// with a few damaged blocks.
constexpr int kMaxWarnings = 100;
// Progressive files can hold any number of scans, each of which revisits
// the whole image; real encoders write a dozen or so.
constexpr int kMaxScans = 500;
// Memory libjpeg may use for its own buffers (the coefficient buffer of a
// progressive file is the big one). Above it the library fails cleanly
// because it has no backing store.
constexpr long kMaxLibraryMemory = 512L << 20;

struct JpegError {
    jpeg_error_mgr mgr; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    int warnings;
};

struct JpegProgress {
    jpeg_progress_mgr mgr; // first member, as above
    JpegError* error;
};

// Full-scale rows that are wanted only until they are reduced to the box.
// Their buffer is kept for the next such decode: on some machines a fresh
// buffer of this size costs more in page faults than the decoding itself.
// It starts on a large page, so that all of it can be mapped in large ones.
struct FreeBuffer {
    void operator()(uint8_t* p) const { std::free(p); }
};
using ScratchBuffer = std::unique_ptr<uint8_t, FreeBuffer>;

class Scratch {
public:
    static Scratch& instance()
    {
        static auto* scratch = new Scratch;
        return *scratch;
    }

    // A buffer of at least `bytes`: the kept one when it is large enough.
    ScratchBuffer take(size_t bytes, size_t& capacity)
    {
        {
            const std::lock_guard lock(mutex_);
            if (kept_ && kept_capacity_ >= bytes) {
                capacity = kept_capacity_;
                return std::move(kept_);
            }
        }
        const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        ScratchBuffer fresh(static_cast<uint8_t*>(std::aligned_alloc(kLargePage, rounded)));
        capacity = fresh ? rounded : 0;
        if (fresh)
            prefer_large_pages(fresh.get(), rounded);
        return fresh;
    }

    // Keeps the larger of this and the kept buffer, within reason.
    void give(ScratchBuffer buffer, size_t capacity)
    {
        const std::lock_guard lock(mutex_);
        if (buffer && capacity <= kMaxKept && (!kept_ || capacity > kept_capacity_)) {
            kept_ = std::move(buffer);
            kept_capacity_ = capacity;
        }
    }

private:
    static constexpr size_t kLargePage = size_t(2) << 20;
    static constexpr size_t kMaxKept = size_t(48) << 20; // a 24-megapixel photo at half size
    std::mutex mutex_;
    ScratchBuffer kept_;
    size_t kept_capacity_ = 0;
};

struct JpegJob {
    jpeg_decompress_struct cinfo{};
    JpegError error{};
    JpegProgress progress{};
    QImage image;
    std::vector<uint8_t> row;
    // Filling a box: the box-sized picture, and the full-scale rows on their
    // way to it when the DCT scale alone does not give the box's size.
    std::optional<BmpCanvas> canvas;
    ScratchBuffer scratch;
    size_t scratch_capacity = 0;
    std::optional<RowReduction> reduction;
};

[[noreturn]] void fail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void on_message(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace output
    auto* error = reinterpret_cast<JpegError*>(cinfo->err);
    const int code = error->mgr.msg_code;
    // Missing data would show as grey blocks: a truncated or damaged file is
    // treated as no picture at all.
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC ||
        ++error->warnings > kMaxWarnings)
        fail(cinfo);
}

void on_output(j_common_ptr) {}

void on_progress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        fail(cinfo);
}

uint8_t mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// Converts one CMYK row to premultiplied ARGB. Files with an Adobe marker
// (what Photoshop and libjpeg itself write) store the inks inverted.
void cmyk_to_argb(const uint8_t* in, uint32_t* out, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(mul255(c, k), mul255(m, k), mul255(y, k));
    }
}

// The image the rows are decoded into: the job's own, or for a box to fill
// the box-sized canvas or the scratch rows reduced into it.
bool make_target(JpegJob& job, QSize fill) {
    const int width = int(job.cinfo.output_width), height = int(job.cinfo.output_height);
    if (!fill.isValid()) {
        job.image = fresh_image(width, height, QImage::Format_ARGB32_Premultiplied);
        return !job.image.isNull();
    }
    if (width < fill.width() || height < fill.height())
        return false; // smaller than the box: it is enlarged when drawn
    job.canvas.emplace(fill, false); // every pixel is written below
    if (job.canvas->image().isNull())
        return false;
    // Views of the pixels, never copies: writing through a copy of the
    // canvas's image would give the copy pixels of its own.
    QImage& canvas = job.canvas->image();
    if (width == fill.width() && height == fill.height()) {
        job.image = QImage(canvas.bits(), width, height, canvas.bytesPerLine(), canvas.format());
        return true;
    }
    const size_t stride = size_t(width) * 4;
    job.scratch = Scratch::instance().take(stride * size_t(height), job.scratch_capacity);
    if (!job.scratch)
        return false;
    job.image = QImage(job.scratch.get(), width, height, qsizetype(stride), QImage::Format_ARGB32_Premultiplied);
    job.reduction.emplace(job.image, canvas);
    return true;
}

bool run(JpegJob& job, const uint8_t* data, size_t size, QSize fit, QSize fill, bool& reduced) {
    j_decompress_ptr cinfo = &job.cinfo;
    cinfo->err = jpeg_std_error(&job.error.mgr);
    job.error.mgr.error_exit = fail;
    job.error.mgr.emit_message = on_message;
    job.error.mgr.output_message = on_output;
    job.progress.mgr.progress_monitor = on_progress;
    job.progress.error = &job.error;
    if (setjmp(job.error.jump))
        return false;

    jpeg_create_decompress(cinfo);
    cinfo->progress = &job.progress.mgr;
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    if (cinfo->image_width > unsigned(kMaxSide) || cinfo->image_height > unsigned(kMaxSide))
        return false;

    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo->out_color_space = JCS_EXT_BGRA; // the memory order of ARGB32
#else
        cinfo->out_color_space = JCS_EXT_ARGB;
#endif
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        return false;
    }

    // Decode at the smallest DCT scale that still covers the box, so a
    // camera photo for a small picture box neither costs the full decode
    // nor looks worse than a scaled full decode would.
    cinfo->scale_denom = 8;
    cinfo->scale_num = 8;
    if (fit.width() > 0 && fit.height() > 0) {
        for (unsigned num = 1; num <= 8; ++num) {
            cinfo->scale_num = num;
            jpeg_calc_output_dimensions(cinfo);
            if (cinfo->output_width >= unsigned(fit.width()) && cinfo->output_height >= unsigned(fit.height()))
                break;
        }
    }
    jpeg_calc_output_dimensions(cinfo);
    if (!size_allowed(cinfo->output_width, cinfo->output_height))
        return false;
    reduced = cinfo->output_width < cinfo->image_width || cinfo->output_height < cinfo->image_height;

    jpeg_start_decompress(cinfo);
    const unsigned width = cinfo->output_width;
    if (cinfo->output_components != 4 || !make_target(job, fill))
        return false;
    if (cmyk)
        job.row.resize(size_t(width) * 4);
    uchar* const bits = job.image.bits();
    const qsizetype stride = job.image.bytesPerLine();
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* const line = bits + stride * cinfo->output_scanline;
        JSAMPROW target = cmyk ? job.row.data() : line;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1)
            return false;
        if (cmyk)
            cmyk_to_argb(job.row.data(), reinterpret_cast<uint32_t*>(line), width, cinfo->saw_Adobe_marker);
        if (job.reduction && cinfo->output_scanline % 16 == 0)
            job.reduction->rows_written(int(cinfo->output_scanline));
    }
    if (job.reduction)
        job.reduction->finish();
    // No jpeg_finish_decompress: every pixel is in, and a missing end
    // marker is no reason to refuse the picture.
    return true;
}

} // namespace

QImage decode_jpeg(const uint8_t* data, size_t size, QSize fit, bool* reduced) {
    JpegJob job;
    bool smaller = false;
    const bool ok = run(job, data, size, fit, QSize(), smaller);
    if (reduced)
        *reduced = ok && smaller;
    jpeg_destroy_decompress(&job.cinfo);
    return ok ? job.image : QImage();
}

Bytes decode_jpeg_filled(const uint8_t* data, size_t size, QSize box, bool* reduced) {
    if (!box.isValid() || box.isEmpty())
        return {};
    JpegJob job;
    bool smaller = false;
    const bool ok = run(job, data, size, box, box, smaller);
    if (job.reduction)
        job.reduction->abandon(); // only when the decode failed half-way
    jpeg_destroy_decompress(&job.cinfo);
    if (job.scratch)
        Scratch::instance().give(std::move(job.scratch), job.scratch_capacity);
    if (!ok || !job.canvas)
        return {};
    if (reduced)
        *reduced = smaller || job.reduction.has_value();
    job.image = QImage();
    return job.canvas->take();
}

} // namespace picture_detail
