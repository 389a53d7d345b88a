// Transparent labels, shape boxes, check and radio boxes; fonts and colours.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTimer>

#include <cmath>
#include <set>
#include <utility>

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
    draw_soon();
}

void TransparentLabel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange) {
        drawn_ = QImage();
        draw_soon();
    }
    QWidget::changeEvent(e);
}

void TransparentLabel::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    draw_soon();
}

LabelLook TransparentLabel::look() const
{
    LabelLook l;
    l.text = QString::fromStdString(text_);
    l.font = font().toString();
    l.size = size();
    l.ratio = devicePixelRatioF();
    l.pixels = pixels_;
    l.color = color_;
    l.align = align_;
    l.valign = valign_;
    l.wrap = wrap_;
    l.effect = effect_;
    return l;
}

void TransparentLabel::draw_soon()
{
    if (draw_pending_)
        return;
    draw_pending_ = true;
    QTimer::singleShot(0, this, [this] {
        draw_pending_ = false;
        begin_drawing();
    });
}

void TransparentLabel::begin_drawing()
{
    // A hidden label is drawn when it is shown and painted.
    if (text_.empty() || size().isEmpty() || !isVisibleTo(window()))
        return;
    LabelLook l = look();
    const bool drawn = !drawn_.isNull() && drawn_.size() == (QSizeF(l.size) * l.ratio).toSize();
    if (drawn || (drawing_ && drawing_->look() == l))
        return;
    drawing_.emplace(std::move(l));
}

void begin_label_drawings(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>())
        if (auto* label = dynamic_cast<TransparentLabel*>(w))
            label->begin_drawing();
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
        LabelLook l = look();
        if (!drawing_ || !(drawing_->look() == l))
            drawing_.emplace(std::move(l));
        drawn_ = drawing_->image();
        drawing_.reset();
    }
    QPainter(this).drawImage(0, 0, drawn_);
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
