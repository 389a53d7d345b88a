#pragma once
// The widgets that draw the runtime's own unit types. Private to runtime/ui.

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QMargins>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "runtime/types.h"
#include "runtime/ui/label_drawing.h"
#include "runtime/ui/picture.h"
#include "runtime/ui/picture_cache.h"

class QLineEdit;

namespace rtui {

struct Window;

// Password entry: every typed character shows as "*", whatever the style's
// own mask character.
void mask_entry(QLineEdit* edit);

// A picture property: the bytes as written, their decoded frames, the
// animation of an animated GIF, and a cache of the last scaled frame.
class PictureSlot {
public:
    // `fill`: the owner draws the picture stretched to fill its box.
    explicit PictureSlot(QWidget* owner, bool fill = false);
    PictureSlot(const PictureSlot&) = delete;
    PictureSlot& operator=(const PictureSlot&) = delete;

    // An empty or undecodable byte set clears the picture. `fit` is the box
    // the picture is shown in; see decode_picture.
    void set(const Bytes& data, QSize fit = QSize());
    // The box is now `box`: a picture decoded smaller for a smaller box is
    // decoded again, so that it stays sharp.
    void fit_to(QSize box);
    // Starts decoding `data` for a box of `fit` into the shared cache, where
    // a later set of the same bytes finds it.
    PictureDecode prepare(const Bytes& data, QSize fit) const;
    const Bytes& bytes() const { return bytes_; }
    bool empty() const { return picture().empty(); }
    QSize natural_size() const { return picture().size(); }
    QImage frame() const;
    // The current frame scaled to `size` with `mode`, smoothly; cached.
    QImage scaled(QSize size, Qt::AspectRatioMode mode);
    // The picture as an opaque BMP when it was decoded as one of `size`;
    // else empty.
    Bytes frame_bmp(QSize size) const;

private:
    void advance();
    // The decoded picture, waiting here for a decode still running.
    const Picture& picture() const;

    QWidget* owner_;
    bool fill_;
    Bytes bytes_;
    mutable PictureDecode decode_; // until its picture is taken
    mutable Picture picture_;
    size_t frame_ = 0;
    QTimer timer_;
    QImage cache_;
    QSize cache_size_;
    size_t cache_frame_ = 0;
    Qt::AspectRatioMode cache_mode_ = Qt::IgnoreAspectRatio;
};

// A top-level window of the program. Its size as the program sees it is the
// outer size, frame and title bar included, as its place is the frame's
// place: a window manager frames it only once it is shown (and again when
// the border changes), so the outer size asked for is kept and the inside
// follows whenever the frame turns out other than it was.
class WindowWidget : public QWidget {
public:
    WindowWidget(std::weak_ptr<Window> window, QWidget* parent);
    PictureSlot& picture() { return picture_; }
    void set_back_color(std::optional<QColor> c);
    std::shared_ptr<Window> window() const { return window_.lock(); }

    QSize outer_size() const;
    void set_outer_size(QSize outer);
    // Frame and title bar beyond the inside; none for a frameless window.
    QSize frame_extra() const;
    // The frame's top-left corner (the window itself when frameless), and
    // placing it.
    QPoint outer_pos() const;
    void place(QPoint at);
    // Gives the window a frame or takes it away; its outer place and size stay.
    void set_frameless(bool frameless);
    // Fits the inside to the outer size asked for if the frame changed, now
    // and, for a few seconds, whenever the frame turns out to have changed.
    void fit_frame();
    void watch_frame();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QMargins frame_margins() const;
    void follow_frame();

    std::weak_ptr<Window> window_;
    PictureSlot picture_;
    std::optional<QColor> back_;
    QSize outer_;             // what the program asked for; empty: nothing asked
    QSize known_extra_;       // the frame when the inside was last fitted
    std::optional<QPoint> placed_at_; // where the program put the frame
    bool follow_pending_ = false;
    QTimer frame_watch_;
    int frame_checks_left_ = 0;
};

// Shows its picture at natural size, centred, with transparency; no frame.
class ImageButton : public QAbstractButton {
public:
    explicit ImageButton(QWidget* parent);
    PictureSlot& picture() { return picture_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    PictureSlot picture_;
};

// Fits its picture into the box (aspect kept, centred) inside its border:
// 0 none, 1 a single line, 2 a raised frame.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent);
    PictureSlot& picture() { return picture_; }
    int border() const { return border_; }
    void set_border(int style);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PictureSlot picture_;
    int border_ = 0;
};

// A picture surface: the picture scaled to fill the whole board.
class DrawingBoard : public QWidget {
public:
    explicit DrawingBoard(QWidget* parent);
    PictureSlot& picture() { return picture_; }
    // What the board shows, as an opaque BMP, when its picture was decoded
    // to its size as one; else empty (the board is then drawn to be seen).
    Bytes shown_bmp() const { return picture_.frame_bmp(size()); }
    void set_back_color(QColor c) { back_ = c; update(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PictureSlot picture_;
    QColor back_ = Qt::white;
};

// The labels of a window that is about to show begin drawing their text.
void begin_label_drawings(QWidget* window);

// Text drawn over whatever lies below, with an optional outline or shadow.
class TransparentLabel : public QWidget {
public:
    explicit TransparentLabel(QWidget* parent);

    const std::string& text() const { return text_; }
    void set_text(std::string t);
    const FontValue& font_record() const { return record_; }
    // The record as the program sees it; `pixels` is the character height
    // the face is drawn with (derived from the record's points when unset).
    void set_font_record(FontValue f, std::optional<int> pixels = std::nullopt);
    uint32_t color() const { return color_; }
    void set_color(uint32_t c);
    int align() const { return align_; }
    void set_align(int a);
    int valign() const { return valign_; }
    void set_valign(int a);
    bool wrap() const { return wrap_; }
    void set_wrap(bool w);
    int effect() const { return effect_; }
    void set_effect(int e);
    // Begins drawing the text on workers, unless it is drawn or being drawn
    // as the label is now.
    void begin_drawing();

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void changed();
    LabelLook look() const;
    // Begins drawing the text on workers once the handler that changes the
    // label has returned, so that the drawing is ready, or under way, when
    // the label is painted.
    void draw_soon();

    QImage drawn_; // the text as last drawn, for repaints that change nothing
    std::optional<LabelDrawing> drawing_; // begun for the label as it is now
    bool draw_pending_ = false;
    std::string text_;
    FontValue record_;
    int pixels_ = 12;
    uint32_t color_ = 0;
    int align_ = 0;
    int valign_ = 0;
    bool wrap_ = false;
    int effect_ = 0;
};

// A plain rectangle: filled when it has a colour, framed by a line of
// `line_width` pixels.
class ShapeBox : public QWidget {
public:
    explicit ShapeBox(QWidget* parent);
    void set_fill(std::optional<QColor> c) { fill_ = c; update(); }
    void set_line(QColor c, int width) { line_ = c; line_width_ = width; update(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::optional<QColor> fill_;
    QColor line_ = Qt::black;
    int line_width_ = 1;
};

// A surface of sprite copies, each a picture drawn at a size and a place,
// turned about its centre. A change draws again only the part of the surface
// it touches.
class AnimationBox : public QWidget {
public:
    explicit AnimationBox(QWidget* parent);
    // `image` is drawn scaled to `size`; a null image draws nothing.
    int add(QImage image, QSize size, QPoint at);
    bool remove(int id);
    bool rotate(int id, int degrees);
    int count() const { return static_cast<int>(sprites_.size()); }
    void set_back_color(std::optional<QColor> c) { back_ = c; update(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    struct Sprite {
        QImage image;
        QSize size;
        QPoint at;
        int angle = 0;
    };
    // What the copy covers on the surface, its smoothed edge included.
    static QRect area_of(const Sprite& s);
    void changed(const QRect& area);

    std::map<int, Sprite> sprites_;
    int next_id_ = 1;
    std::optional<QColor> back_;
};

// Radio boxes are ticked by their handlers; a click ticks the clicked one
// (siblings are unticked by the click handling), never unticks it.
class RadioBox : public QRadioButton {
public:
    explicit RadioBox(QWidget* parent);

protected:
    void nextCheckState() override;
    bool hitButton(const QPoint& pos) const override;
};

// The whole box answers a click, not only its mark and text.
class CheckBox : public QCheckBox {
public:
    explicit CheckBox(QWidget* parent);

protected:
    bool hitButton(const QPoint& pos) const override;
};

} // namespace rtui
