// Making a picture smaller by averaging: each pixel of the result is the
// mean of the part of the picture it covers, every pixel of the picture
// weighted by how much of it lies inside, as a smooth scaling makes a
// picture smaller. Done here rather than by the toolkit so that a decoded
// photograph goes straight into the buffer its board shows.

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/ui/picture_codecs.h"

namespace picture_detail {
namespace {

constexpr uint32_t kOne = 65536; // the weights of one result pixel add up to this

// The four channels of a pixel, as the compiler's vector type: one multiply
// and add for all four.
using Pixel = uint32_t __attribute__((vector_size(16)));
using Quad = uint8_t __attribute__((vector_size(4)));

Pixel widen(const uint8_t* at)
{
    Quad b;
    std::memcpy(&b, at, 4);
    return __builtin_convertvector(b, Pixel);
}

void narrow(Pixel p, uint8_t* at)
{
    const Quad b = __builtin_convertvector(p, Quad);
    std::memcpy(at, &b, 4);
}

// The pixels of a line of `from` that one pixel of a line of `to` covers:
// `count` of them from `first`, with weights from `weights_at` on.
struct Span {
    int first = 0;
    int count = 0;
    size_t weights_at = 0;
};

struct Spans {
    std::vector<Span> spans;
    std::vector<uint32_t> weights;
};

// Source pixel i covers [i * to, (i + 1) * to) and result pixel k covers
// [k * from, (k + 1) * from) on a common scale; a weight is the overlap's
// share of the result pixel, the rounding put on the largest.
Spans spans_for(int from, int to)
{
    Spans s;
    s.spans.reserve(size_t(to));
    for (int k = 0; k < to; ++k) {
        const int64_t begin = int64_t(k) * from, end = begin + from;
        Span span;
        span.first = int(begin / to);
        span.count = int((end - 1) / to) - span.first + 1;
        span.weights_at = s.weights.size();
        int64_t sum = 0;
        size_t largest = span.weights_at;
        for (int i = span.first; i < span.first + span.count; ++i) {
            const int64_t overlap = std::min(int64_t(i + 1) * to, end) - std::max(int64_t(i) * to, begin);
            const auto w = uint32_t((overlap * kOne + from / 2) / from);
            s.weights.push_back(w);
            sum += w;
            if (w > s.weights[largest])
                largest = s.weights.size() - 1;
        }
        s.weights[largest] = uint32_t(int64_t(s.weights[largest]) + int64_t(kOne) - sum);
        s.spans.push_back(span);
    }
    return s;
}

} // namespace

// Raw pixels only: a QImage copy would make the writer's image detach.
struct RowReduction::State {
    const uint8_t* source = nullptr;
    qsizetype source_stride = 0;
    size_t source_width = 0;
    uint8_t* target = nullptr;
    qsizetype target_stride = 0;
    int target_height = 0;
    Spans columns;
    Spans rows;
    int bands = 0;

    std::atomic<int> next{0}; // the next band to take
    std::mutex mutex;
    std::condition_variable changed;
    int ready = 0;               // source rows written
    int wanted = 0;              // source rows a helper waits for; 0: none waits
    bool abandoned = false;
    int done = 0;                // bands reduced or dropped

    static constexpr int kBand = 16; // result rows

    // Source rows that band `b` needs written.
    int needed(int b) const
    {
        const Span& last = rows.spans[size_t(std::min(target_height, (b + 1) * kBand) - 1)];
        return last.first + last.count;
    }

    void band_done()
    {
        {
            const std::lock_guard lock(mutex);
            ++done;
        }
        changed.notify_all();
    }

    // Takes bands until none is left, each once its rows are written.
    void work()
    {
        for (;;) {
            const int b = next.fetch_add(1);
            if (b >= bands)
                return;
            bool drop = false;
            {
                std::unique_lock lock(mutex);
                if (!abandoned && ready < needed(b)) {
                    wanted = needed(b);
                    changed.wait(lock, [&] { return abandoned || ready >= needed(b); });
                    wanted = 0;
                }
                drop = abandoned;
            }
            if (!drop)
                reduce(b * kBand, std::min(target_height, (b + 1) * kBand));
            band_done();
        }
    }

    // Result rows [from, to).
    void reduce(int from, int to) const
    {
        std::vector<Pixel> column(source_width);
        for (int y = from; y < to; ++y) {
            // Down the columns first: the rows that this result row covers,
            // weighted, kept with 8 bits below the point.
            const Span& r = rows.spans[size_t(y)];
            std::fill(column.begin(), column.end(), Pixel{128, 128, 128, 128});
            for (int k = 0; k < r.count; ++k) {
                const uint8_t* in = source + source_stride * (r.first + k);
                const uint32_t w = rows.weights[r.weights_at + size_t(k)];
                for (size_t x = 0; x < source_width; ++x)
                    column[x] += widen(in + 4 * x) * w;
            }
            for (Pixel& p : column)
                p >>= 8;
            // Then along the row. At most 65280 * 65536 plus the rounding:
            // within 32 bits.
            uint8_t* out = target + target_stride * y;
            for (size_t x = 0; x < columns.spans.size(); ++x) {
                const Span& c = columns.spans[x];
                const Pixel* in = column.data() + c.first;
                const uint32_t* w = columns.weights.data() + c.weights_at;
                Pixel sum = {1u << 23, 1u << 23, 1u << 23, 1u << 23};
                for (int k = 0; k < c.count; ++k)
                    sum += in[k] * w[k];
                narrow(sum >> 24, out + 4 * x);
            }
        }
    }
};

RowReduction::RowReduction(const QImage& source, QImage& target) : state_(std::make_shared<State>())
{
    State& s = *state_;
    s.source = source.constBits();
    s.source_stride = source.bytesPerLine();
    s.source_width = size_t(source.width());
    s.target = target.bits();
    s.target_stride = target.bytesPerLine();
    s.target_height = target.height();
    s.columns = spans_for(source.width(), target.width());
    s.rows = spans_for(source.height(), target.height());
    s.bands = (target.height() + State::kBand - 1) / State::kBand;
    // One helper follows the writer; should the pool start it late, it
    // finds the bands taken and ends.
    QThreadPool::globalInstance()->start([state = state_] { state->work(); });
}

RowReduction::~RowReduction() { abandon(); }

void RowReduction::rows_written(int rows)
{
    if (!state_)
        return;
    State& s = *state_;
    bool wake = false;
    {
        const std::lock_guard lock(s.mutex);
        s.ready = rows;
        wake = s.wanted > 0 && rows >= s.wanted;
    }
    if (wake)
        s.changed.notify_all();
}

void RowReduction::finish()
{
    if (!state_)
        return;
    State& s = *state_;
    rows_written(std::numeric_limits<int>::max());
    s.work();
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.done == s.bands; });
    lock.unlock();
    state_.reset();
}

void RowReduction::abandon()
{
    if (!state_)
        return;
    State& s = *state_;
    {
        const std::lock_guard lock(s.mutex);
        s.abandoned = true;
    }
    s.changed.notify_all();
    s.work(); // drops what is left
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.done == s.bands; });
    lock.unlock();
    state_.reset();
}

void reduce_into(const QImage& source, QImage& target)
{
    RowReduction reduction(source, target);
    reduction.rows_written(source.height());
    reduction.finish();
}

} // namespace picture_detail

QImage averaged_to(const QImage& image, QSize size)
{
    if (image.isNull() || size.isEmpty() || size.width() > image.width() || size.height() > image.height())
        return {};
    const QImage in = image.format() == QImage::Format_ARGB32_Premultiplied
                          ? image
                          : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out = picture_detail::fresh_image(size.width(), size.height(), QImage::Format_ARGB32_Premultiplied);
    if (!out.isNull())
        picture_detail::reduce_into(in, out);
    return out;
}
