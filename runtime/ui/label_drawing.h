#pragma once
// The text of a transparent label drawn into an image, on worker threads.
// A big outlined or shadowed title takes tens of milliseconds to draw: drawn
// beside the user-interface thread, and in columns side by side, it is
// ready when the window first shows. Private to runtime/ui.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace rtui {

// Everything the drawing depends on, by value: a worker shares nothing
// with the widget.
struct LabelLook {
    QString text;
    QString font; // QFont::toString(); each drawing makes its own font from it
    QSize size;   // the label's own pixels
    qreal ratio = 1; // device pixels to one of them
    int pixels = 12; // character height: outline and shadow widths follow it
    uint32_t color = 0;
    int align = 0;
    int valign = 0;
    bool wrap = false;
    int effect = 0;
    bool operator==(const LabelLook&) const = default;
};

// The look drawn into a transparent image of its size. With `columns` (in
// the label's own pixels), only those columns are drawn; every pixel in
// them comes out as in the whole drawing.
QImage draw_label(const LabelLook& look, QRect columns = QRect());

// The columns a drawing of `look` is split into, left to right, covering
// the whole width; one for a small drawing.
std::vector<QRect> label_columns(const LabelLook& look);

// A drawing begun on worker threads as it is made.
class LabelDrawing {
public:
    explicit LabelDrawing(LabelLook look);
    const LabelLook& look() const;
    // The whole image: draws here the columns no worker has begun, and
    // waits for those under way.
    QImage image() const;

private:
    struct Job;
    std::shared_ptr<Job> job_;
};

} // namespace rtui
