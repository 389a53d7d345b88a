#include "runtime/ui/picture_cache.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

namespace rtui {

namespace {

// Below this a JPEG decodes in a few milliseconds: not worth a thread. A
// wheel face (150 KB, 914 x 914) takes over ten.
constexpr size_t kWorkerBytes = size_t(64) << 10;

// A picture is stretched to fill only a box of a known size.
bool fills_box(QSize fit, bool fill) { return fill && fit.isValid(); }

// Decoders leave one processor to the user-interface thread.
QThreadPool& decoders()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        return p;
    }();
    return *pool;
}

// A GIF of a single picture: it never animates, so nothing needs its frames
// when it is set, and it can decode on a worker like a photograph. Walks
// the blocks without decoding them; anything unexpected answers no.
bool still_gif(const Bytes& d)
{
    if (d.size() < 13 || d[0] != 'G' || d[1] != 'I' || d[2] != 'F')
        return false;
    size_t at = 13;
    if (d[10] & 0x80)
        at += size_t(3) << ((d[10] & 7) + 1);
    const auto skip_blocks = [&] {
        while (at < d.size()) {
            const size_t n = d[at++];
            if (n == 0)
                return true;
            at += n;
        }
        return false;
    };
    int images = 0;
    while (at < d.size()) {
        switch (d[at++]) {
        case 0x21: // extension: a label, then data blocks
            if (++at > d.size() || !skip_blocks())
                return false;
            break;
        case 0x2C: // picture: a descriptor, a palette, the code size, data blocks
            if (++images > 1 || at + 10 > d.size())
                return false;
            if (d[at + 8] & 0x80)
                at += size_t(3) << ((d[at + 8] & 7) + 1);
            at += 10;
            if (!skip_blocks())
                return false;
            break;
        case 0x3B: // end
            return images == 1;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

struct PictureDecode::Job {
    Bytes data;
    QSize fit;
    bool fill = false;
    std::once_flag once;
    std::atomic<bool> done{false};
    Picture picture;

    // On whichever thread comes first; a second one waits for the first.
    void run()
    {
        std::call_once(once, [this] {
            picture = decode_picture(data, fit, fill);
            done.store(true, std::memory_order_release);
        });
    }
};

PictureDecode::PictureDecode(const Bytes& data, QSize fit, bool fill) : job_(std::make_shared<Job>())
{
    job_->data = data;
    job_->fit = fit;
    job_->fill = fills_box(fit, fill);
    const bool large_jpeg = data.size() >= kWorkerBytes && data[0] == 0xff && data[1] == 0xd8;
    if (!(large_jpeg || still_gif(data)) || !QCoreApplication::instance()) {
        job_->run();
        return;
    }
    // A worker starts on it at once: the handler that put the picture there
    // goes on meanwhile (reading the next one, or whatever it does before
    // the picture is shown). A picture let go before a worker was free is
    // not decoded at all.
    decoders().start([weak = std::weak_ptr<Job>(job_)] {
        if (auto job = weak.lock())
            job->run();
    });
}

bool PictureDecode::ready() const { return job_ && job_->done.load(std::memory_order_acquire); }

const Picture& PictureDecode::picture() const
{
    job_->run();
    return job_->picture;
}

QSize PictureDecode::fit() const { return job_ ? job_->fit : QSize(); }

bool PictureDecode::fills() const { return job_ && job_->fill; }

bool PictureDecode::serves(QSize box, bool fill) const
{
    // A picture made to fill a box has that box's shape, not its own.
    if (job_ && job_->fill && !fill)
        return false;
    // A decode for a box at least as large is at least that large itself,
    // or the whole picture.
    const QSize made_for = fit();
    if (!made_for.isValid() || (box.isValid() && box.width() <= made_for.width() && box.height() <= made_for.height()))
        return true;
    return rtui::serves(picture(), box);
}

namespace {

// Recently decoded pictures by content. The wheel's highlight reads the same
// few prize pictures from disk at every step and hands them from box to
// box; equal bytes are not decoded again, and the boxes keep the bytes the
// cache already holds, so a picture's bytes are held once however many
// times they were read.
class DecodedPictures {
public:
    static DecodedPictures& instance()
    {
        static auto* cache = new DecodedPictures;
        return *cache;
    }

    CachedPicture get(const Bytes& data, QSize fit, bool fill)
    {
        std::vector<Iter> found = find(data);
        // One made for this kind of box first: a board's own decode is its
        // snapshot.
        const bool fills = fills_box(fit, fill);
        std::stable_partition(found.begin(), found.end(), [&](Iter it) { return it->decode.fills() == fills; });
        for (const Iter it : found) {
            if (it->decode.serves(fit, fill)) {
                entries_.splice(entries_.begin(), entries_, it);
                return {entries_.front().bytes, entries_.front().decode};
            }
        }
        // A decode too small for a box of its kind gives way to a larger
        // one; one made for the other kind (filled or fitted) stays.
        const Bytes bytes = found.empty() ? data : found.front()->bytes;
        for (const Iter it : found)
            if (it->decode.fills() == fills)
                entries_.erase(it);
        const PictureDecode decode(bytes, fit, fill);
        entries_.push_front(Entry{bytes, decode});
        trim();
        return {bytes, decode};
    }

    PictureDecode held(const Bytes& data, QSize fit, bool fill)
    {
        for (const Iter it : find(data))
            if (it->decode.fills() == fills_box(fit, fill) && it->decode.serves(fit, fill))
                return it->decode;
        return PictureDecode();
    }

private:
    struct Entry {
        Bytes bytes;
        PictureDecode decode;
    };

    using Iter = std::list<Entry>::iterator;

    // The entries of these bytes, one for each kind of box.
    std::vector<Iter> find(const Bytes& data)
    {
        std::vector<Iter> found;
        // A set handed on from another box is the very buffer decoded
        // before: no need to compare megabytes.
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->bytes.shares_buffer_with(data))
                found.push_back(it);
        if (found.empty())
            for (auto it = entries_.begin(); it != entries_.end(); ++it)
                if (it->bytes == data)
                    found.push_back(it);
        return found;
    }

    static constexpr size_t kMaxEntries = 32;
    static constexpr size_t kMaxBytes = size_t(160) << 20;
    static constexpr size_t kMaxEntryBytes = size_t(40) << 20;

    // A decode still running counts with its bytes only.
    static size_t cost_of(const Entry& e)
    {
        size_t cost = e.bytes.size();
        if (e.decode.ready())
            for (const QImage& frame : e.decode.picture().frames)
                cost += size_t(frame.sizeInBytes());
        return cost;
    }

    void trim()
    {
        size_t held = 0;
        for (auto it = entries_.begin(); it != entries_.end();) {
            const size_t cost = cost_of(*it);
            if (cost > kMaxEntryBytes) {
                it = entries_.erase(it);
                continue;
            }
            held += cost;
            ++it;
        }
        while (entries_.size() > kMaxEntries || held > kMaxBytes) {
            held -= cost_of(entries_.back());
            entries_.pop_back();
        }
    }

    std::list<Entry> entries_; // most recently used first
};

// Scaled copies of frames: the wheel's pictures move from box to box at
// every step, and boxes of one size need each picture scaled once, not at
// every step. A frame is known by its cache key, which no other image's
// contents ever get.
class ScaledFrames {
public:
    static ScaledFrames& instance()
    {
        static auto* cache = new ScaledFrames;
        return *cache;
    }

    QImage get(const QImage& frame, QSize size, Qt::AspectRatioMode mode)
    {
        const qint64 key = frame.cacheKey();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == key && it->size == size && it->mode == mode) {
                entries_.splice(entries_.begin(), entries_, it);
                return it->image;
            }
        }
        QImage image = frame.scaled(size, mode, Qt::SmoothTransformation);
        const size_t cost = size_t(image.sizeInBytes());
        if (cost <= kMaxEntryBytes) {
            entries_.push_front(Entry{key, size, mode, image});
            held_ += cost;
            while (entries_.size() > kMaxEntries || held_ > kMaxBytes) {
                held_ -= size_t(entries_.back().image.sizeInBytes());
                entries_.pop_back();
            }
        }
        return image;
    }

private:
    struct Entry {
        qint64 key;
        QSize size;
        Qt::AspectRatioMode mode;
        QImage image;
    };

    // Box-sized copies are small; a full-screen one stays with its unit.
    static constexpr size_t kMaxEntries = 64;
    static constexpr size_t kMaxBytes = size_t(16) << 20;
    static constexpr size_t kMaxEntryBytes = size_t(2) << 20;

    std::list<Entry> entries_; // most recently used first
    size_t held_ = 0;
};

} // namespace

bool serves(const Picture& picture, QSize box)
{
    if (!picture.reduced)
        return true;
    return box.isValid() && picture.size().width() >= box.width() && picture.size().height() >= box.height();
}

CachedPicture cached_picture(const Bytes& data, QSize fit, bool fill)
{
    return DecodedPictures::instance().get(data, fit, fill);
}

PictureDecode held_picture(const Bytes& data, QSize fit, bool fill)
{
    return DecodedPictures::instance().held(data, fit, fill);
}

QImage cached_scaled(const QImage& frame, QSize size, Qt::AspectRatioMode mode)
{
    return ScaledFrames::instance().get(frame, size, mode);
}

} // namespace rtui
