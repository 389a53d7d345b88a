#include "runtime/ui/widgets.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <list>

namespace rtui {

namespace {
// Browsers treat tiny GIF delays as 100 ms; so do we, or such a GIF would
// spin the event loop.
int frame_delay(int ms) { return ms < 20 ? 100 : ms; }

// About four full screens: above it a scaled copy is not worth its memory.
constexpr int64_t kMaxScaledPixels = int64_t(32) << 20;

// A decode of a picture is good for a box when it was not made smaller
// than the file, or is still at least as large as the box.
bool serves(const Picture& picture, QSize fit)
{
    if (!picture.reduced)
        return true;
    return fit.isValid() && picture.size().width() >= fit.width() && picture.size().height() >= fit.height();
}

// Recently decoded pictures by content, shared by all picture units. The
// wheel's highlight reads the same few prize pictures from disk at every
// step and hands them from box to box; equal bytes are not decoded again,
// and the boxes keep the bytes the cache already holds, so a picture's
// bytes are held once however many times they were read.
class DecodedPictures {
public:
    static DecodedPictures& instance()
    {
        static auto* cache = new DecodedPictures;
        return *cache;
    }

    struct Found {
        Bytes bytes;
        Picture picture;
    };

    Found get(const Bytes& data, QSize fit)
    {
        // A set handed on from another box is the very buffer decoded
        // before: no need to compare megabytes.
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& e) { return e.bytes.shares_buffer_with(data); });
        if (it == entries_.end())
            it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.bytes == data; });
        if (it != entries_.end()) {
            if (serves(it->picture, fit)) {
                entries_.splice(entries_.begin(), entries_, it);
                return {entries_.front().bytes, entries_.front().picture};
            }
            drop(it);
        }
        Picture picture = decode_picture(data, fit);
        const size_t cost = cost_of(data, picture);
        if (cost <= kMaxEntryBytes) {
            entries_.push_front(Entry{data, picture, cost});
            held_ += cost;
            while (entries_.size() > kMaxEntries || held_ > kMaxBytes)
                drop(std::prev(entries_.end()));
        }
        return {data, picture};
    }

private:
    struct Entry {
        Bytes bytes;
        Picture picture;
        size_t cost;
    };

    static constexpr size_t kMaxEntries = 32;
    static constexpr size_t kMaxBytes = size_t(160) << 20;
    static constexpr size_t kMaxEntryBytes = size_t(40) << 20;

    static size_t cost_of(const Bytes& data, const Picture& picture)
    {
        size_t cost = data.size();
        for (const QImage& frame : picture.frames)
            cost += size_t(frame.sizeInBytes());
        return cost;
    }

    void drop(std::list<Entry>::iterator it)
    {
        held_ -= it->cost;
        entries_.erase(it);
    }

    std::list<Entry> entries_; // most recently used first
    size_t held_ = 0;
};

// Scaled copies of frames, shared by all picture units: the wheel's pictures
// move from box to box at every step, and boxes of one size need each
// picture scaled once, not at every step. A frame is known by its cache key,
// which no other image's contents ever get.
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

PictureSlot::PictureSlot(QWidget* owner) : owner_(owner)
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, owner_, [this] { advance(); });
}

void PictureSlot::set(const Bytes& data, QSize fit)
{
    timer_.stop();
    if (data.empty()) {
        bytes_ = Bytes();
        picture_ = Picture();
    } else {
        DecodedPictures::Found found = DecodedPictures::instance().get(data, fit);
        bytes_ = std::move(found.bytes);
        picture_ = std::move(found.picture);
    }
    frame_ = 0;
    cache_ = QImage();
    if (picture_.animated())
        timer_.start(frame_delay(picture_.delays_ms.empty() ? 100 : picture_.delays_ms[0]));
    owner_->update();
}

void PictureSlot::fit_to(QSize box)
{
    if (!box.isValid() || serves(picture_, box))
        return;
    // Only a reduced JPEG gets here: a still picture, so no timer runs and
    // set() starts none.
    set(bytes_, box);
}

QImage PictureSlot::frame() const
{
    if (picture_.empty())
        return QImage();
    return picture_.frames[std::min(frame_, picture_.frames.size() - 1)];
}

QImage PictureSlot::scaled(QSize size, Qt::AspectRatioMode mode)
{
    if (picture_.empty() || size.isEmpty())
        return QImage();
    if (!cache_.isNull() && cache_size_ == size && cache_frame_ == frame_ && cache_mode_ == mode)
        return cache_;
    const QImage f = frame();
    cache_ = f.size() == size ? f : ScaledFrames::instance().get(f, size, mode);
    cache_size_ = size;
    cache_frame_ = frame_;
    cache_mode_ = mode;
    return cache_;
}

void PictureSlot::advance()
{
    if (!picture_.animated())
        return;
    frame_ = (frame_ + 1) % picture_.frames.size();
    const size_t d = std::min(frame_, picture_.delays_ms.size() - 1);
    timer_.start(frame_delay(picture_.delays_ms.empty() ? 100 : picture_.delays_ms[d]));
    if (owner_->isVisible())
        owner_->update();
}

// ---------------------------------------------------------------------------

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent), picture_(this)
{
    setFocusPolicy(Qt::NoFocus);
}

QSize ImageButton::sizeHint() const
{
    return picture_.empty() ? QSize(16, 16) : picture_.natural_size();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    const QImage img = picture_.frame();
    if (img.isNull())
        return;
    QPainter p(this);
    const QPoint at((width() - img.width()) / 2, (height() - img.height()) / 2);
    // A pressed egg sinks a little, as a pressed button does.
    p.drawImage(isDown() ? at + QPoint(1, 1) : at, img);
}

// ---------------------------------------------------------------------------

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), picture_(this) {}

void PictureBox::set_border(int style)
{
    border_ = style;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect inner = rect();
    if (border_ == 1) {
        p.setPen(QPen(palette().color(QPalette::Shadow), 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        inner.adjust(1, 1, -1, -1);
    } else if (border_ >= 2) {
        // The raised frame marks the lit slot of the wheel, so it is drawn
        // wide enough to read from the back of a hall.
        const int w = std::max(4, std::min(width(), height()) / 12);
        const QColor light(255, 255, 255), dark(64, 64, 64), mid(192, 192, 192);
        p.fillRect(rect(), mid);
        for (int i = 0; i < w; ++i) {
            const QRect r = rect().adjusted(i, i, -1 - i, -1 - i);
            p.setPen(i < w / 2 ? light : QColor(224, 224, 224));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(i < w / 2 ? dark : QColor(128, 128, 128));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
        inner.adjust(w, w, -w, -w);
    }
    if (picture_.empty() || inner.isEmpty())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = picture_.natural_size().scaled(inner.size(), Qt::KeepAspectRatio);
    const QRect target(inner.x() + (inner.width() - fitted.width()) / 2,
                       inner.y() + (inner.height() - fitted.height()) / 2, fitted.width(), fitted.height());
    // A box sized far beyond any screen would need a scaled copy larger than
    // memory; the painter then scales only the part that shows.
    if (int64_t(fitted.width()) * fitted.height() > kMaxScaledPixels) {
        p.drawImage(QRectF(target), picture_.frame());
        return;
    }
    p.drawImage(target.topLeft(), picture_.scaled(inner.size(), Qt::KeepAspectRatio));
}

void PictureBox::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    picture_.fit_to(e->size());
}

// ---------------------------------------------------------------------------

DrawingBoard::DrawingBoard(QWidget* parent) : QWidget(parent), picture_(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingBoard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (picture_.empty()) {
        p.fillRect(rect(), back_);
        return;
    }
    const QImage img = picture_.scaled(size(), Qt::IgnoreAspectRatio);
    if (img.hasAlphaChannel())
        p.fillRect(rect(), back_);
    p.drawImage(0, 0, img);
}

void DrawingBoard::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    picture_.fit_to(e->size());
}

} // namespace rtui
