// Drawing a transparent label's text, on the user-interface thread or on
// workers.
#include "runtime/ui/label_drawing.h"

#include "runtime/ui/model.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace rtui {

namespace {

// The glyph runs of `text` that come from a face without a bold of its own
// (a fallback face drawing the characters the label's face lacks), each
// with the origin that places it where drawText(r, flags, text) draws it:
// lines as that call lays them out, each aligned on its own.
std::vector<std::pair<QPointF, QGlyphRun>> runs_without_bold(const QFont& font, const QRectF& r, int flags,
                                                              const QString& text)
{
    QTextLayout layout(text, font);
    const bool wrap = flags & Qt::TextWordWrap;
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    if (!wrap)
        option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wrap ? std::max<qreal>(0, r.width()) : 0x01000000);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();

    const qreal yoff = flags & Qt::AlignBottom ? r.height() - height
                       : flags & Qt::AlignVCenter ? (r.height() - height) / 2
                                                  : 0;
    std::vector<std::pair<QPointF, QGlyphRun>> runs;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const qreal advance = line.horizontalAdvance();
        const qreal xoff = flags & Qt::AlignRight ? r.width() - advance
                           : flags & Qt::AlignHCenter ? (r.width() - advance) / 2
                                                      : 0;
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            if (!QFontDatabase::bold(raw.familyName(), raw.styleName()))
                runs.emplace_back(QPointF(r.x() + xoff, r.y() + yoff), run);
        }
    }
    return runs;
}

void draw_text(QPainter& p, const LabelLook& look, const QFont& font, const QRect& rect)
{
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);

    int flags = look.align == 1 ? Qt::AlignHCenter : look.align == 2 ? Qt::AlignRight : Qt::AlignLeft;
    if (look.wrap)
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    else
        flags |= look.valign == 1 ? Qt::AlignVCenter : look.valign == 2 ? Qt::AlignBottom : Qt::AlignTop;
    const QString& text = look.text;
    const QColor fg = color_from_ref(look.color);
    // Outline and shadow contrast with the text so it reads on any picture.
    const QColor edge = fg.lightness() > 96 ? QColor(0, 0, 0) : QColor(255, 255, 255);
    const int r = std::max(1, look.pixels / 24);

    // A face without a bold of its own is emboldened by the font engine only
    // in the glyphs it caches; from 64 pixels up text is filled from the
    // outlines and would show regular, so thicken it as the engine would
    // (by an em / 24 in each direction). Where the label's face has a bold,
    // the characters it lacks may still come from a fallback face that has
    // none (Chinese in a Latin face): only those are thickened.
    const QFontInfo info(font);
    const bool big_bold = font.bold() && info.pixelSize() >= 64;
    const bool thicken_all = big_bold && !QFontDatabase::bold(info.family(), info.styleName());
    const double half = big_bold ? info.pixelSize() / 48.0 : 0.0;
    const auto thin_runs = big_bold && !thicken_all ? runs_without_bold(font, QRectF(rect), flags, text)
                                                    : std::vector<std::pair<QPointF, QGlyphRun>>();
    auto draw_at = [&](QPoint offset, const QColor& c) {
        p.setPen(c);
        if (!thicken_all)
            p.drawText(rect.translated(offset), flags, text);
        if (!thicken_all && thin_runs.empty())
            return;
        for (double dx : {-half, 0.0, half})
            for (double dy : {-half, 0.0, half}) {
                const QPointF at = offset + QPointF(dx, dy);
                if (thicken_all)
                    p.drawText(QRectF(rect).translated(at), flags, text);
                else if (dx != 0.0 || dy != 0.0)
                    for (const auto& [origin, run] : thin_runs)
                        p.drawGlyphRun(origin + at, run);
            }
    };
    if (look.effect == 2 || look.effect == 3) {
        QColor shadow = edge;
        shadow.setAlpha(160);
        const int d = look.effect == 3 ? 2 * r + 1 : r + 1;
        draw_at(QPoint(d, d), shadow);
    }
    if (look.effect == 1 || look.effect == 3) {
        for (int dx = -r; dx <= r; ++dx)
            for (int dy = -r; dy <= r; ++dy)
                if ((dx || dy) && dx * dx + dy * dy <= r * r + 1)
                    draw_at(QPoint(dx, dy), edge);
    }
    draw_at(QPoint(0, 0), fg);
}

QThreadPool* g_painters = nullptr;

// At exit the toolkit's statics go: no painter may still be drawing text.
// Those the painters use exist before the first painter starts (see
// painters()), so this runs before they go.
void stop_painters()
{
    g_painters->clear();
    g_painters->waitForDone();
}

// Painters of labels. A few: more would take processors from the
// user-interface thread and the display server while the window comes up.
QThreadPool& painters()
{
    if (!g_painters) {
        // What drawing text needs of the toolkit's statics, made here by
        // drawing a little text both ways (from the glyph cache and, large,
        // from outlines) before the exit hook is registered, is torn down
        // after the hook has run.
        QImage scratch(4, 4, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&scratch);
        for (int pixels : {12, 80}) {
            LabelLook look;
            look.font = make_font("宋体", pixels, true, false, false, false).toString();
            QFont font;
            font.fromString(look.font);
            look.text = QStringLiteral("中A");
            look.pixels = pixels;
            draw_text(p, look, font, scratch.rect());
        }
        p.end();
        g_painters = new QThreadPool;
        g_painters->setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 3));
        std::atexit(stop_painters);
    }
    return *g_painters;
}

// About how many times the text is drawn over: once, and once more for
// each offset of an outline or shadow, all of it nine times for a big face
// that is thickened.
double passes(const LabelLook& look)
{
    const double r = std::max(1, look.pixels / 24);
    double n = 1;
    if (look.effect == 1 || look.effect == 3)
        n += (2 * r + 1) * (2 * r + 1) - 1;
    if (look.effect == 2 || look.effect == 3)
        n += 1;
    if (look.pixels >= 64)
        n *= 9;
    return n;
}

// Work worth a column of its own: a few milliseconds of drawing.
constexpr double kColumnWork = 150000;
constexpr int kMaxColumns = 2;

} // namespace

QImage draw_label(const LabelLook& look, QRect columns)
{
    const QSize pixels = (QSizeF(look.size) * look.ratio).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(look.ratio);
    image.fill(Qt::transparent);
    if (look.text.isEmpty())
        return image;
    QFont font;
    font.fromString(look.font);
    QPainter p(&image);
    if (columns.isValid())
        p.setClipRect(QRect(columns.x(), 0, columns.width(), look.size.height()));
    draw_text(p, look, font, QRect(QPoint(0, 0), look.size));
    return image;
}

std::vector<QRect> label_columns(const LabelLook& look)
{
    const int width = look.size.width();
    const QRect whole(QPoint(0, 0), look.size);
    // A device pixel that is part of two label pixels would be split
    // between two columns.
    if (look.wrap || look.ratio != 1 || width <= 0)
        return {whole};
    // Where the text stands, guessed from its characters (a Chinese one an
    // em wide, others about half that): a poor guess only shares the work
    // less evenly, the drawing is the same.
    // In floating point: a size or a text of any length must not overflow.
    const double pixels = std::max(0, look.pixels);
    double ems = 0;
    for (const QChar c : look.text)
        ems += c.unicode() >= 0x2E80 ? 1.0 : 0.6;
    const int ink = int(std::min<double>(width, std::ceil(ems * pixels * 1.1) + pixels / 4 + 4));
    const double work = ink * std::min<double>(look.size.height(), pixels * 1.5) * passes(look);
    const int n = work >= kMaxColumns * kColumnWork ? kMaxColumns : std::max(1, int(work / kColumnWork));
    if (n == 1)
        return {whole};
    const int left = look.align == 1 ? (width - ink) / 2 : look.align == 2 ? width - ink : 0;
    std::vector<QRect> out;
    for (int i = 0; i < n; ++i) {
        const int x0 = i == 0 ? 0 : left + ink * i / n;
        const int x1 = i == n - 1 ? width : left + ink * (i + 1) / n;
        out.emplace_back(x0, 0, x1 - x0, look.size.height());
    }
    return out;
}

struct LabelDrawing::Job {
    LabelLook look;
    std::vector<QRect> columns;
    struct Part {
        std::once_flag once;
        QImage image;
    };
    std::unique_ptr<Part[]> parts;

    // On whichever thread comes first; a second one waits for the first.
    void draw(size_t i)
    {
        std::call_once(parts[i].once, [&] {
            parts[i].image = draw_label(look, columns.size() > 1 ? columns[i] : QRect());
        });
    }
};

LabelDrawing::LabelDrawing(LabelLook look) : job_(std::make_shared<Job>())
{
    job_->look = std::move(look);
    job_->columns = label_columns(job_->look);
    job_->parts = std::make_unique<Job::Part[]>(job_->columns.size());
    for (size_t i = 0; i < job_->columns.size(); ++i)
        painters().start([weak = std::weak_ptr<Job>(job_), i] {
            if (auto job = weak.lock())
                job->draw(i);
        });
}

const LabelLook& LabelDrawing::look() const { return job_->look; }

QImage LabelDrawing::image() const
{
    for (size_t i = 0; i < job_->columns.size(); ++i)
        job_->draw(i);
    QImage out = job_->parts[0].image;
    for (size_t i = 1; i < job_->columns.size(); ++i) {
        const QImage& part = job_->parts[i].image;
        const QRect c = job_->columns[i];
        if (out.isNull() || part.size() != out.size())
            return draw_label(job_->look);
        for (int y = 0; y < out.height(); ++y)
            std::memcpy(out.scanLine(y) + c.x() * 4, part.constScanLine(y) + c.x() * 4, size_t(c.width()) * 4);
    }
    return out;
}

} // namespace rtui
