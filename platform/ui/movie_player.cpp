#include "platform/ui/movie_player.h"

#include "platform/swf.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <unordered_map>

namespace platform {

namespace {

// What one movie may make the player hold or draw, whatever its sprites do.
constexpr size_t kMaxInstances = 50000;
constexpr size_t kMaxCacheBytes = size_t(64) << 20;
constexpr int64_t kMaxCachedPixels = 1024 * 1024;
constexpr double kMaxDevice = double(1 << 22); // pixels; beyond this a shape is not drawn
// Cached pictures come in scale steps of 2^(1/32), about 2 %.
constexpr double kScaleSteps = 32;

QTransform to_qt(const swf::Matrix& m) { return QTransform(m.sx, m.r0, m.r1, m.sy, m.tx, m.ty); }

QColor to_qt(swf::Rgba c) { return QColor(c.r, c.g, c.b, c.a); }

struct Clip;

struct Placed {
    swf::DisplayItem item;
    const swf::Character* character = nullptr;
    int born_frame = 0;
    std::unique_ptr<Clip> clip; // a sprite's own timeline
};

struct Clip {
    const swf::Timeline* timeline = nullptr;
    int frame = 0;
    swf::DisplayList list;
    std::map<uint16_t, Placed> children;
};

struct CacheKey {
    const swf::Shape* shape = nullptr;
    int step = 0;
    swf::ColorTransform color;
    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};

struct CacheKeyHash {
    size_t operator()(const CacheKey& k) const {
        size_t h = std::hash<const void*>()(k.shape);
        const int32_t parts[] = {k.step, k.color.mr, k.color.mg, k.color.mb, k.color.ma,
                                 k.color.ar, k.color.ag, k.color.ab, k.color.aa};
        for (int32_t p : parts)
            h = h * 1000003u ^ std::hash<int32_t>()(p);
        return h;
    }
};

// Vector outlines of one shape, built once.
struct ShapePaths {
    std::vector<std::pair<QPainterPath, uint32_t>> fills; // path, style
    std::vector<std::pair<QPainterPath, uint32_t>> lines;
};

void add_segments(QPainterPath& path, const std::vector<swf::Segment>& run) {
    path.moveTo(run.front().from.x, run.front().from.y);
    for (const swf::Segment& s : run) {
        if (s.curved)
            path.quadTo(s.control.x, s.control.y, s.to.x, s.to.y);
        else
            path.lineTo(s.to.x, s.to.y);
    }
}

ShapePaths build_paths(const swf::Shape& shape) {
    ShapePaths p;
    for (const swf::FillPath& f : shape.fill_paths) {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const auto& contour : f.contours) {
            add_segments(path, contour);
            path.closeSubpath();
        }
        p.fills.emplace_back(std::move(path), f.style);
    }
    for (const swf::LinePath& l : shape.line_paths) {
        QPainterPath path;
        for (const auto& stroke : l.strokes) {
            add_segments(path, stroke);
            if (stroke.front().from == stroke.back().to)
                path.closeSubpath();
        }
        p.lines.emplace_back(std::move(path), l.style);
    }
    return p;
}

QBrush brush_for(const swf::FillStyle& f, const swf::ColorTransform& cx) {
    using Kind = swf::FillStyle::Kind;
    if (f.kind == Kind::Solid)
        return QBrush(to_qt(cx.apply(f.color)));
    if ((f.kind != Kind::Linear && f.kind != Kind::Radial) || f.stops.empty())
        return Qt::NoBrush;
    const double det = f.matrix.sx * f.matrix.sy - f.matrix.r0 * f.matrix.r1;
    if (!std::isfinite(det) || std::abs(det) < 1e-12)
        return QBrush(to_qt(cx.apply(f.stops.back().color)));
    QGradientStops stops;
    double last = -1;
    for (const swf::GradientStop& s : f.stops) {
        // Positions must rise for the gradient; equal ones are nudged apart.
        double at = std::max(s.ratio / 255.0, last + 1e-6);
        at = std::min(at, 1.0);
        if (at <= last)
            continue;
        stops.append({at, to_qt(cx.apply(s.color))});
        last = at;
    }
    QBrush brush;
    if (f.kind == Kind::Linear) {
        QLinearGradient g(-16384, 0, 16384, 0);
        g.setStops(stops);
        brush = QBrush(g);
    } else {
        QRadialGradient g(0, 0, 16384);
        g.setStops(stops);
        brush = QBrush(g);
    }
    brush.setTransform(to_qt(f.matrix));
    return brush;
}

// Colour transforms of cached pictures are rounded so that a fading or
// tinting animation reuses a handful of pictures rather than making one per frame.
swf::ColorTransform quantised(const swf::ColorTransform& c) {
    auto q = [](int32_t v, int32_t step) { return int32_t(std::lround(double(v) / step)) * step; };
    swf::ColorTransform r;
    r.mr = q(c.mr, 8);
    r.mg = q(c.mg, 8);
    r.mb = q(c.mb, 8);
    r.ar = q(c.ar, 4);
    r.ag = q(c.ag, 4);
    r.ab = q(c.ab, 4);
    r.aa = q(c.aa, 4);
    r.ma = c.aa == 0 ? 256 : q(c.ma, 8); // plain alpha goes through the painter's opacity
    return r;
}

} // namespace

struct MoviePlayer::State {
    swf::Movie movie;
    Clip root;
    uint32_t next_serial = 1;
    size_t instances = 0;

    std::unordered_map<const swf::Shape*, ShapePaths> paths;
    using Lru = std::list<std::pair<CacheKey, QImage>>;
    Lru lru;
    std::unordered_map<CacheKey, Lru::iterator, CacheKeyHash> cache;
    size_t cache_bytes = 0;

    void drop(Clip& clip) {
        for (auto& [depth, p] : clip.children)
            if (p.clip)
                drop(*p.clip);
        instances -= std::min(instances, clip.children.size());
        clip.children.clear();
    }

    void start(Clip& clip, const swf::Timeline& timeline) {
        clip.timeline = &timeline;
        clip.frame = 0;
        clip.list.clear();
        swf::apply_frame(clip.list, timeline.frames.front(), next_serial);
        sync(clip);
    }

    // Brings the clip's instances in line with its display list: new
    // instances start their own timelines, removed ones end theirs.
    void sync(Clip& clip) {
        for (auto it = clip.children.begin(); it != clip.children.end();) {
            const auto found = clip.list.find(it->first);
            if (found == clip.list.end() || found->second.serial != it->second.item.serial) {
                if (it->second.clip)
                    drop(*it->second.clip);
                --instances;
                it = clip.children.erase(it);
            } else {
                it->second.item = found->second;
                ++it;
            }
        }
        for (const auto& [depth, item] : clip.list) {
            if (clip.children.count(depth))
                continue;
            if (instances >= kMaxInstances)
                break;
            const swf::Character* c = movie.character(item.character);
            if (!c)
                continue;
            Placed& p = clip.children[depth];
            ++instances;
            p.item = item;
            p.character = c;
            p.born_frame = clip.frame;
            if (c->kind == swf::Character::Kind::Sprite) {
                p.clip = std::make_unique<Clip>();
                start(*p.clip, c->sprite->timeline);
            }
        }
    }

    void advance(Clip& clip) {
        for (auto& [depth, p] : clip.children)
            if (p.clip)
                advance(*p.clip);
        const auto& frames = clip.timeline->frames;
        if (size_t(clip.frame) + 1 < frames.size()) {
            ++clip.frame;
            swf::apply_frame(clip.list, frames[size_t(clip.frame)], next_serial);
        } else {
            // Back to the first frame: what the first frame placed and still
            // stands goes on playing, everything else goes.
            clip.frame = 0;
            swf::DisplayList fresh;
            swf::apply_frame(fresh, frames.front(), next_serial);
            for (auto& [depth, item] : fresh) {
                const auto old = clip.children.find(depth);
                if (old != clip.children.end() && old->second.born_frame == 0 &&
                    old->second.item.character == item.character)
                    item.serial = old->second.item.serial;
            }
            clip.list = std::move(fresh);
        }
        sync(clip);
    }

    const ShapePaths& paths_of(const swf::Shape& shape) {
        auto it = paths.find(&shape);
        if (it == paths.end())
            it = paths.emplace(&shape, build_paths(shape)).first;
        return it->second;
    }

    void draw_vector(QPainter& p, const swf::Shape& shape, const swf::ColorTransform& cx) {
        const ShapePaths& sp = paths_of(shape);
        p.setPen(Qt::NoPen);
        for (const auto& [path, style] : sp.fills) {
            if (style >= shape.fills.size())
                continue;
            const QBrush brush = brush_for(shape.fills[style], cx);
            if (brush.style() != Qt::NoBrush)
                p.fillPath(path, brush);
        }
        for (const auto& [path, style] : sp.lines) {
            if (style >= shape.lines.size())
                continue;
            const swf::LineStyle& l = shape.lines[style];
            QPen pen(to_qt(cx.apply(l.color)), l.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.strokePath(path, pen);
        }
    }

    const QImage* cached(const CacheKey& key, const swf::Rect& b, double scale) {
        auto it = cache.find(key);
        if (it != cache.end()) {
            lru.splice(lru.begin(), lru, it->second);
            return &it->second->second;
        }
        const int w = int(std::ceil(double(b.width()) * scale)) + 2;
        const int h = int(std::ceil(double(b.height()) * scale)) + 2;
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        if (img.isNull())
            return nullptr;
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(1, 1);
            p.scale(scale, scale);
            p.translate(-double(b.xmin), -double(b.ymin));
            draw_vector(p, *key.shape, key.color);
        }
        const size_t bytes = size_t(img.sizeInBytes());
        while (!lru.empty() && cache_bytes + bytes > kMaxCacheBytes) {
            cache_bytes -= size_t(lru.back().second.sizeInBytes());
            cache.erase(lru.back().first);
            lru.pop_back();
        }
        lru.emplace_front(key, std::move(img));
        cache.emplace(key, lru.begin());
        cache_bytes += bytes;
        return &lru.front().second;
    }

    void draw_shape(QPainter& painter, const swf::Shape& shape, const swf::Matrix& m, const swf::ColorTransform& cx) {
        if (cx.ma <= 0 && cx.aa <= 0)
            return; // fully transparent
        const swf::Rect& b = shape.bounds;
        if (b.width() <= 0 || b.height() <= 0)
            return;
        const QTransform t = to_qt(m);
        const QRectF device = t.mapRect(QRectF(b.xmin, b.ymin, double(b.width()), double(b.height())));
        if (!std::isfinite(device.left()) || !std::isfinite(device.right()) || !std::isfinite(device.top()) ||
            !std::isfinite(device.bottom()) || std::abs(device.left()) > kMaxDevice ||
            std::abs(device.right()) > kMaxDevice || std::abs(device.top()) > kMaxDevice ||
            std::abs(device.bottom()) > kMaxDevice)
            return;
        const double s = std::max(std::hypot(m.sx, m.r0), std::hypot(m.r1, m.sy));
        if (!(s > 1e-9))
            return;
        const int step = int(std::lround(std::log2(s) * kScaleSteps));
        const double scale = std::exp2(step / kScaleSteps);
        const double pixels = (double(b.width()) * scale + 2) * (double(b.height()) * scale + 2);

        const swf::ColorTransform q = quantised(cx);
        const double opacity = cx.aa == 0 ? std::clamp(cx.ma / 256.0, 0.0, 1.0) : 1.0;
        if (pixels > double(kMaxCachedPixels)) {
            // Too big to keep: drawn from its outlines, clipped to the target.
            painter.save();
            painter.setTransform(t, true);
            painter.setOpacity(painter.opacity() * opacity);
            painter.setRenderHint(QPainter::Antialiasing);
            draw_vector(painter, shape, q);
            painter.restore();
            return;
        }
        const QImage* img = cached(CacheKey{&shape, step, q}, b, scale);
        if (!img)
            return;
        const double old_opacity = painter.opacity();
        painter.setOpacity(old_opacity * opacity);
        const QTransform world = painter.worldTransform();
        const bool upright = std::abs(m.r0) < 1e-9 * s && std::abs(m.r1) < 1e-9 * s && m.sx > 0 && m.sy > 0 &&
                             std::abs(m.sx / scale - 1) < 0.012 && std::abs(m.sy / scale - 1) < 0.012 &&
                             world.type() <= QTransform::TxTranslate;
        if (upright) {
            // Within a pixel of the cached size: a plain copy at a whole pixel.
            const QPointF at = t.map(QPointF(b.xmin, b.ymin)) - QPointF(1, 1);
            painter.drawImage(QPointF(std::round(at.x() + world.dx()) - world.dx(),
                                      std::round(at.y() + world.dy()) - world.dy()),
                              *img);
        } else {
            painter.save();
            QTransform place;
            place.translate(-1, -1);
            place = place * QTransform::fromScale(1 / scale, 1 / scale) *
                    QTransform::fromTranslate(double(b.xmin), double(b.ymin)) * t;
            painter.setTransform(place, true);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QPointF(0, 0), *img);
            painter.restore();
        }
        painter.setOpacity(old_opacity);
    }

    void draw(QPainter& painter, const Clip& clip, const swf::Matrix& m, const swf::ColorTransform& cx, int level) {
        if (level > swf::kMaxSpriteNesting)
            return;
        for (const auto& [depth, p] : clip.children) {
            if (p.item.clip_depth)
                continue; // masks are not played; what they mask shows whole
            const swf::Matrix pm = m * p.item.matrix;
            const swf::ColorTransform pc = cx * p.item.color;
            if (p.character->kind == swf::Character::Kind::Shape)
                draw_shape(painter, *p.character->shape, pm, pc);
            else if (p.clip)
                draw(painter, *p.clip, pm, pc, level + 1);
        }
    }
};

MoviePlayer::MoviePlayer(const std::vector<uint8_t>& swf) : state_(std::make_unique<State>()) {
    state_->movie = swf::read_movie(swf);
    if (state_->movie.ok)
        state_->start(state_->root, state_->movie.timeline);
}

MoviePlayer::~MoviePlayer() = default;
MoviePlayer::MoviePlayer(MoviePlayer&&) noexcept = default;
MoviePlayer& MoviePlayer::operator=(MoviePlayer&&) noexcept = default;

bool MoviePlayer::empty() const { return !state_->movie.ok; }

double MoviePlayer::frame_rate() const {
    const double r = state_->movie.frame_rate();
    return r > 0 ? r : 12.0;
}

int MoviePlayer::frame_count() const { return std::max<int>(1, int(state_->movie.timeline.frames.size())); }

QSize MoviePlayer::stage_size() const {
    const swf::Rect& f = state_->movie.frame;
    auto px = [](int64_t twips) { return int(std::clamp<int64_t>((twips + 10) / 20, 0, 1 << 16)); };
    return QSize(px(f.width()), px(f.height()));
}

QColor MoviePlayer::background() const {
    const swf::Movie& m = state_->movie;
    return m.has_background ? QColor(m.background.r, m.background.g, m.background.b) : QColor(Qt::white);
}

int MoviePlayer::current_frame() const { return state_->root.frame; }

void MoviePlayer::advance() {
    if (state_->movie.ok)
        state_->advance(state_->root);
}

void MoviePlayer::paint(QPainter& painter, const QRectF& target, MovieScale scale) {
    if (!state_->movie.ok || target.isEmpty())
        return;
    const swf::Rect& f = state_->movie.frame;
    const double sw = double(f.width()), sh = double(f.height());
    swf::Matrix view;
    if (sw > 0 && sh > 0) {
        double sx = target.width() / sw, sy = target.height() / sh;
        if (scale == MovieScale::ShowAll)
            sx = sy = std::min(sx, sy);
        else if (scale == MovieScale::NoBorder)
            sx = sy = std::max(sx, sy);
        view.sx = sx;
        view.sy = sy;
        view.tx = target.x() + (target.width() - sw * sx) / 2 - f.xmin * sx;
        view.ty = target.y() + (target.height() - sh * sy) / 2 - f.ymin * sy;
    } else {
        view.sx = view.sy = 1.0 / 20;
        view.tx = target.x();
        view.ty = target.y();
    }
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    state_->draw(painter, state_->root, view, swf::ColorTransform{}, 0);
    painter.restore();
}

} // namespace platform
