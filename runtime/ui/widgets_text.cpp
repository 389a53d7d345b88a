// Transparent labels, shape boxes, check and radio boxes; fonts and colours.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>

#include <cmath>
#include <set>

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
    update();
}

void TransparentLabel::set_font_record(FontValue f, std::optional<int> pixels)
{
    record_ = std::move(f);
    pixels_ = pixels ? *pixels : pixels_from_points(record_.size_pt);
    setFont(make_font(record_.face, pixels_, record_.bold, record_.italic, record_.underline, record_.strikeout));
    update();
}

void TransparentLabel::set_color(uint32_t c)
{
    color_ = c;
    update();
}
void TransparentLabel::set_align(int a)
{
    align_ = a;
    update();
}
void TransparentLabel::set_valign(int a)
{
    valign_ = a;
    update();
}
void TransparentLabel::set_wrap(bool w)
{
    wrap_ = w;
    update();
}
void TransparentLabel::set_effect(int e)
{
    effect_ = e;
    update();
}

void TransparentLabel::paintEvent(QPaintEvent*)
{
    if (text_.empty())
        return;
    int flags = align_ == 1 ? Qt::AlignHCenter : align_ == 2 ? Qt::AlignRight : Qt::AlignLeft;
    if (wrap_)
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    else
        flags |= valign_ == 1 ? Qt::AlignVCenter : valign_ == 2 ? Qt::AlignBottom : Qt::AlignTop;
    const QColor fg = color_from_ref(color_);
    // Outline and shadow contrast with the text so it reads on any picture.
    const QColor edge = fg.lightness() > 96 ? QColor(0, 0, 0) : QColor(255, 255, 255);
    const int r = std::max(1, pixels_ / 24);

    const Ink& ink = ink_for(flags);
    if (ink.image.isNull())
        return;
    QPainter p(this);
    // The text in one colour, as drawing it there would leave it: the ink is
    // the text's coverage, so copying it tinted blends exactly as the text.
    auto draw_at = [&](QPoint offset, const QColor& c) {
        QImage tinted = ink.image;
        QPainter t(&tinted);
        t.setCompositionMode(QPainter::CompositionMode_SourceIn);
        t.fillRect(tinted.rect(), c);
        t.end();
        p.drawImage(ink.at + QPointF(offset), tinted);
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

// The text's coverage, drawn once and cut to where it has ink. An outline
// draws the text some twenty times and large text is filled from glyph
// outlines, so drawing it once and copying it is what keeps the titles
// quick to paint.
const TransparentLabel::Ink& TransparentLabel::ink_for(int flags)
{
    const QString key = QString::fromStdString(text_) + QChar(0) + font().key() + QChar(0) +
                        QString::number(flags) + QChar(0) + QString::number(width()) + 'x' +
                        QString::number(height());
    if (ink_.key == key)
        return ink_;
    ink_ = Ink{key, QImage(), QPointF()};
    if (width() <= 0 || height() <= 0)
        return ink_;
    const qreal ratio = devicePixelRatioF();
    QImage whole(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    whole.setDevicePixelRatio(ratio);
    // The same resolution as the screen, so that a size in points comes out
    // as on the label itself.
    whole.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    whole.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    whole.fill(Qt::transparent);
    {
        QPainter p(&whole);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font());
        p.setPen(Qt::black);
        const QString text = QString::fromStdString(text_);
        // A face without a bold of its own is emboldened by the font engine
        // only in the glyphs it caches; from 64 pixels up text is filled from
        // the outlines and would show regular, so thicken it as the engine
        // would (by an em / 24 in each direction).
        const QFontInfo info(font());
        const double half = font().bold() && info.pixelSize() >= 64 &&
                                    !QFontDatabase::bold(info.family(), info.styleName())
                                ? info.pixelSize() / 48.0
                                : 0.0;
        if (half == 0.0) {
            p.drawText(rect(), flags, text);
        } else {
            for (double dx : {-half, 0.0, half})
                for (double dy : {-half, 0.0, half})
                    p.drawText(QRectF(rect()).translated(dx, dy), flags, text);
        }
    }
    // Cut to the inked rows and columns.
    int left = whole.width(), right = -1, top = whole.height(), bottom = -1;
    for (int y = 0; y < whole.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
        for (int x = 0; x < whole.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (right >= 0) {
        ink_.at = QPointF(left, top) / ratio;
        ink_.image = whole.copy(left, top, right - left + 1, bottom - top + 1);
    }
    return ink_;
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
