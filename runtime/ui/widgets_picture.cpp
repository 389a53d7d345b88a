#include "runtime/ui/widgets.h"

#include "runtime/ui/picture_cache.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace rtui {

namespace {
// Browsers treat tiny GIF delays as 100 ms; so do we, or such a GIF would
// spin the event loop.
int frame_delay(int ms) { return ms < 20 ? 100 : ms; }

// About four full screens: above it a scaled copy is not worth its memory.
constexpr int64_t kMaxScaledPixels = int64_t(32) << 20;

} // namespace

PictureSlot::PictureSlot(QWidget* owner, bool fill) : owner_(owner), fill_(fill)
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, owner_, [this] { advance(); });
}

void PictureSlot::set(const Bytes& data, QSize fit)
{
    timer_.stop();
    frame_ = 0;
    cache_ = QImage();
    picture_ = Picture();
    if (data.empty()) {
        bytes_ = Bytes();
        decode_ = PictureDecode();
    } else {
        CachedPicture found = cached_picture(data, fit, fill_);
        bytes_ = std::move(found.bytes);
        decode_ = std::move(found.decode);
        // What decodes here is ready; only a still JPEG goes to a worker.
        if (decode_.ready() && picture().animated())
            timer_.start(frame_delay(picture_.delays_ms.empty() ? 100 : picture_.delays_ms[0]));
    }
    owner_->update();
}

const Picture& PictureSlot::picture() const
{
    if (decode_.valid()) {
        picture_ = decode_.picture();
        decode_ = PictureDecode();
    }
    return picture_;
}

PictureDecode PictureSlot::prepare(const Bytes& data, QSize fit) const
{
    return data.empty() ? PictureDecode() : cached_picture(data, fit, fill_).decode;
}

void PictureSlot::fit_to(QSize box)
{
    if (!box.isValid() || bytes_.empty())
        return;
    if (decode_.valid() ? decode_.serves(box, fill_) : serves(picture_, box))
        return;
    // Only a reduced JPEG gets here: a still picture, so no timer runs and
    // set() starts none.
    set(bytes_, box);
}

QImage PictureSlot::frame() const
{
    const Picture& picture = this->picture();
    if (picture.empty())
        return QImage();
    return picture.frames[std::min(frame_, picture.frames.size() - 1)];
}

QImage PictureSlot::scaled(QSize size, Qt::AspectRatioMode mode)
{
    if (empty() || size.isEmpty())
        return QImage();
    if (!cache_.isNull() && cache_size_ == size && cache_frame_ == frame_ && cache_mode_ == mode)
        return cache_;
    const QImage f = frame();
    cache_ = f.size() == size ? f : cached_scaled(f, size, mode);
    cache_size_ = size;
    cache_frame_ = frame_;
    cache_mode_ = mode;
    return cache_;
}

Bytes PictureSlot::frame_bmp(QSize size) const
{
    const Picture& picture = this->picture();
    if (picture.animated() || picture.size() != size)
        return {};
    return picture.frame_bmp;
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

DrawingBoard::DrawingBoard(QWidget* parent) : QWidget(parent), picture_(this, true)
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
