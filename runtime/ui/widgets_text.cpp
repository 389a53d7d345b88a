// Transparent labels, shape boxes, check and radio boxes; fonts and colours.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTextLayout>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace rtui {

namespace {

const char* const kCjkFace = "WenQuanYi Micro Hei";

// Faces the designs name that no Linux machine has.
const char* const kDesignedFaces[] = {"宋体", "新宋体", "隶书", "黑体", "楷体", "楷体_GB2312",
                                      "仿宋", "仿宋_GB2312", "微软雅黑", "幼圆", "华文行楷"};

bool face_installed(const QString& face)
{
    static std::set<QString> known, missing;
    if (known.count(face))
        return true;
    if (missing.count(face))
        return false;
    const bool has = QFontDatabase::hasFamily(face);
    (has ? known : missing).insert(face);
    return has;
}

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

class AsteriskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

} // namespace

void mask_entry(QLineEdit* edit)
{
    static QPointer<AsteriskStyle> style;
    if (!style) {
        style = new AsteriskStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}

void install_font_substitutions()
{
    for (const char* face : kDesignedFaces)
        QFont::insertSubstitution(QString::fromUtf8(face), QString::fromUtf8(kCjkFace));
}

QFont make_font(const std::string& face, int pixels, bool bold, bool italic, bool underline, bool strikeout)
{
    QString family = QString::fromStdString(face);
    // An unknown face would fall back to a Latin font without Chinese glyphs.
    if (family.isEmpty() || (QFont::substitute(family) == family && !face_installed(family)))
        family = QString::fromUtf8(kCjkFace);
    QFont f(family);
    f.setPixelSize(pixels > 0 ? pixels : 12);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeout);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

int points_from_pixels(int px) { return static_cast<int>(std::lround(px * 72.0 / 96.0)); }
int pixels_from_points(int pt) { return static_cast<int>(std::lround(pt * 96.0 / 72.0)); }

QColor color_from_ref(uint32_t ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

uint32_t ref_from_color(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

// ---------------------------------------------------------------------------

TransparentLabel::TransparentLabel(QWidget* parent) : QWidget(parent)
{
    record_.face = "宋体";
    record_.size_pt = points_from_pixels(pixels_);
    setFont(make_font(record_.face, pixels_, false, false, false, false));
}

void TransparentLabel::set_text(std::string t)
{
    text_ = std::move(t);
    changed();
}

void TransparentLabel::set_font_record(FontValue f, std::optional<int> pixels)
{
    record_ = std::move(f);
    pixels_ = pixels ? *pixels : pixels_from_points(record_.size_pt);
    setFont(make_font(record_.face, pixels_, record_.bold, record_.italic, record_.underline, record_.strikeout));
    changed();
}

void TransparentLabel::set_color(uint32_t c)
{
    color_ = c;
    changed();
}
void TransparentLabel::set_align(int a)
{
    align_ = a;
    changed();
}
void TransparentLabel::set_valign(int a)
{
    valign_ = a;
    changed();
}
void TransparentLabel::set_wrap(bool w)
{
    wrap_ = w;
    changed();
}
void TransparentLabel::set_effect(int e)
{
    effect_ = e;
    changed();
}

void TransparentLabel::changed()
{
    drawn_ = QImage();
    update();
}

void TransparentLabel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        drawn_ = QImage();
    QWidget::changeEvent(e);
}

void TransparentLabel::paintEvent(QPaintEvent*)
{
    if (text_.empty())
        return;
    // Outlined or shadowed text is drawn many times over, and a title under
    // the prize reveal is repainted at every frame: it is drawn once into an
    // image, which then only needs showing.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return;
    if (drawn_.size() != pixels || drawn_.devicePixelRatio() != ratio) {
        drawn_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        drawn_.setDevicePixelRatio(ratio);
        drawn_.fill(Qt::transparent);
        QPainter p(&drawn_);
        draw_text(p);
    }
    QPainter(this).drawImage(0, 0, drawn_);
}

void TransparentLabel::draw_text(QPainter& p) const
{
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());

    int flags = align_ == 1 ? Qt::AlignHCenter : align_ == 2 ? Qt::AlignRight : Qt::AlignLeft;
    if (wrap_)
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    else
        flags |= valign_ == 1 ? Qt::AlignVCenter : valign_ == 2 ? Qt::AlignBottom : Qt::AlignTop;
    const QString text = QString::fromStdString(text_);
    const QColor fg = color_from_ref(color_);
    // Outline and shadow contrast with the text so it reads on any picture.
    const QColor edge = fg.lightness() > 96 ? QColor(0, 0, 0) : QColor(255, 255, 255);
    const int r = std::max(1, pixels_ / 24);

    // A face without a bold of its own is emboldened by the font engine only
    // in the glyphs it caches; from 64 pixels up text is filled from the
    // outlines and would show regular, so thicken it as the engine would
    // (by an em / 24 in each direction). Where the label's face has a bold,
    // the characters it lacks may still come from a fallback face that has
    // none (Chinese in a Latin face): only those are thickened.
    const QFontInfo info(font());
    const bool big_bold = font().bold() && info.pixelSize() >= 64;
    const bool thicken_all = big_bold && !QFontDatabase::bold(info.family(), info.styleName());
    const double half = big_bold ? info.pixelSize() / 48.0 : 0.0;
    const auto thin_runs = big_bold && !thicken_all ? runs_without_bold(font(), QRectF(rect()), flags, text)
                                                    : std::vector<std::pair<QPointF, QGlyphRun>>();
    auto draw_at = [&](QPoint offset, const QColor& c) {
        p.setPen(c);
        if (!thicken_all)
            p.drawText(rect().translated(offset), flags, text);
        if (!thicken_all && thin_runs.empty())
            return;
        for (double dx : {-half, 0.0, half})
            for (double dy : {-half, 0.0, half}) {
                const QPointF at = offset + QPointF(dx, dy);
                if (thicken_all)
                    p.drawText(QRectF(rect()).translated(at), flags, text);
                else if (dx != 0.0 || dy != 0.0)
                    for (const auto& [origin, run] : thin_runs)
                        p.drawGlyphRun(origin + at, run);
            }
    };
    if (effect_ == 2 || effect_ == 3) {
        QColor shadow = edge;
        shadow.setAlpha(160);
        const int d = effect_ == 3 ? 2 * r + 1 : r + 1;
        draw_at(QPoint(d, d), shadow);
    }
    if (effect_ == 1 || effect_ == 3) {
        for (int dx = -r; dx <= r; ++dx)
            for (int dy = -r; dy <= r; ++dy)
                if ((dx || dy) && dx * dx + dy * dy <= r * r + 1)
                    draw_at(QPoint(dx, dy), edge);
    }
    draw_at(QPoint(0, 0), fg);
}

// ---------------------------------------------------------------------------

ShapeBox::ShapeBox(QWidget* parent) : QWidget(parent) {}

void ShapeBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (fill_)
        p.fillRect(rect(), *fill_);
    if (line_width_ > 0) {
        QPen pen(line_, line_width_);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        const int h = line_width_ / 2;
        p.drawRect(rect().adjusted(h, h, -h - (line_width_ % 2), -h - (line_width_ % 2)));
    }
}

// ---------------------------------------------------------------------------

RadioBox::RadioBox(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }

void RadioBox::nextCheckState() { setChecked(true); }

bool RadioBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {}

bool CheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

} // namespace rtui
