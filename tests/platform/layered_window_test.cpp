// Colour-keyed windows: the key colour is cut out of the window's shape.
#include "platform/ui/color_key.h"
#include "platform/user32.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QWidget>

namespace {

// A frameless window painted in one colour with a square of another.
class Painted : public QWidget {
public:
    Painted(QColor back, QRect square, QColor fill) : back_(back), square_(square), fill_(fill)
    {
        setWindowFlag(Qt::FramelessWindowHint);
        resize(100, 80);
    }

    int64_t handle() { return static_cast<int64_t>(winId()); }
    void move_square(QRect square) { square_ = square; }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter p(this);
        p.fillRect(rect(), back_);
        p.fillRect(square_, fill_);
    }

private:
    QColor back_;
    QRect square_;
    QColor fill_;
};

// A child that covers its window and hands over its frames, as the movie
// view does.
class Cover : public QWidget {
public:
    explicit Cover(QWidget* parent) : QWidget(parent) { setGeometry(parent->rect()); }
    void hand_over(QRect square)
    {
        QImage frame(size(), QImage::Format_RGB32);
        frame.fill(Qt::black);
        QPainter(&frame).fillRect(square, Qt::white);
        platform::offer_key_frame(this, frame);
    }
};

void make_layered(int64_t handle)
{
    SetWindowLongA(handle, GWL_EXSTYLE, GetWindowLongA(handle, GWL_EXSTYLE) | WS_EX_LAYERED);
}

TEST(LayeredWindow, KeyColourIsCutOutOfTheShape)
{
    Painted w(Qt::black, QRect(20, 30, 10, 5), Qt::white);
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    w.show();
    EXPECT_EQ(w.mask(), QRegion(20, 30, 10, 5));
}

TEST(LayeredWindow, KeyIsAColourRefWithRedInTheLowByte)
{
    Painted w(QColor(255, 0, 0), QRect(0, 0, 4, 4), QColor(0, 0, 255));
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x0000FF, 200, LWA_COLORKEY));
    w.show();
    EXPECT_EQ(w.mask(), QRegion(0, 0, 4, 4));
}

TEST(LayeredWindow, WindowWhollyInTheKeyColourShowsNothing)
{
    Painted w(Qt::black, QRect(), Qt::black);
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    w.show();
    EXPECT_FALSE(w.mask().isEmpty());
    EXPECT_TRUE(w.mask().intersected(w.rect()).isEmpty());
}

// Keyed while hidden, a window is cut from what it shows when it is shown,
// before it reaches the screen (no event is processed here in between).
// Keyed while shown, it is cut at once.
TEST(LayeredWindow, HiddenWindowIsCutAsItIsShownAShownOneAtOnce)
{
    Painted w(Qt::black, QRect(20, 30, 10, 5), Qt::white);
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    w.move_square(QRect(50, 10, 8, 8));
    w.show();
    EXPECT_EQ(w.mask(), QRegion(50, 10, 8, 8));

    w.move_square(QRect(1, 2, 3, 4));
    w.update();
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    EXPECT_EQ(w.mask(), QRegion(1, 2, 3, 4));
}

// A view that covers a hidden window hands over its frame before the window
// is shown (here after the window was made smaller, as a window is resized
// to the screen): the window is cut from that frame, also once the events of
// its showing are processed, and never pictured for a cut. This view paints
// nothing, so a picture of the window would show it all.
TEST(LayeredWindow, FrameOfACoveringViewCutsAHiddenWindowWithoutPicturingIt)
{
    Painted w(Qt::white, QRect(), Qt::white);
    Cover view(&w);
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    w.resize(90, 70);
    view.hand_over(QRect(5, 6, 7, 8));
    w.show();
    EXPECT_EQ(w.mask(), QRegion(5, 6, 7, 8));
    EXPECT_EQ(w.paints, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.mask(), QRegion(5, 6, 7, 8));
}

TEST(LayeredWindow, OnlyLayeredWindowsOfOursTakeAKey)
{
    Painted w(Qt::black, QRect(), Qt::black);
    EXPECT_FALSE(SetLayeredWindowAttributes(w.handle(), 0, 200, LWA_COLORKEY));
    EXPECT_TRUE(w.mask().isEmpty());
    EXPECT_FALSE(SetLayeredWindowAttributes(0, 0, 200, LWA_COLORKEY));
    EXPECT_EQ(GetWindowLongA(0, GWL_EXSTYLE), 0);
}

TEST(LayeredWindow, ExtendedStyleIsKeptPerWindow)
{
    Painted a(Qt::black, QRect(), Qt::black);
    Painted b(Qt::black, QRect(), Qt::black);
    EXPECT_EQ(SetWindowLongA(a.handle(), GWL_EXSTYLE, WS_EX_LAYERED | 0x200), 0);
    EXPECT_EQ(GetWindowLongA(a.handle(), GWL_EXSTYLE), WS_EX_LAYERED | 0x200);
    EXPECT_EQ(GetWindowLongA(b.handle(), GWL_EXSTYLE), 0);
}

} // namespace

// The cells a view seen through its window repaints: every cell a
// rectangle touches, none it does not, in rows of runs.
TEST(LayeredWindow, GridCellsAreTheCellsTheRegionTouches)
{
    const struct {
        QRegion region;
        QRegion cells;
    } cases[] = {
        {QRegion(), QRegion()},
        {QRegion(33, 5, 1, 1), QRegion(32, 0, 32, 32)},
        {QRegion(31, 31, 2, 2), QRegion(0, 0, 64, 64)},
        {QRegion(0, 0, 10, 10) + QRegion(200, 100, 5, 5), QRegion(0, 0, 32, 32) + QRegion(192, 96, 32, 32)},
        {QRegion(40, 10, 100, 2), QRegion(32, 0, 128, 32)},
        {QRegion(-5, -40, 2, 2), QRegion(-32, -64, 32, 32)},
    };
    for (const auto& c : cases) {
        const QRegion cells = platform::grid_cells(c.region, 32);
        EXPECT_EQ(cells, c.cells) << c.region.boundingRect().x() << "," << c.region.boundingRect().y();
        EXPECT_TRUE(cells.contains(c.region.boundingRect()) || c.region.isEmpty());
        EXPECT_EQ(cells.rectCount(), c.cells.rectCount());
    }
}

TEST(LayeredWindow, KeyIsMadeTransparentOnlyInsideTheArea)
{
    QImage frame(64, 8, QImage::Format_RGB32);
    frame.fill(Qt::black);
    frame.setPixel(5, 1, qRgb(1, 0, 0));  // near the key, not the key
    frame.setPixel(40, 1, qRgb(9, 9, 9)); // outside the area
    platform::clear_key(frame, QRegion(0, 0, 32, 8), qRgb(0, 0, 0));
    const struct {
        QPoint at;
        QRgb value;
    } cases[] = {{{0, 0}, 0u}, {{31, 7}, 0u}, {{5, 1}, qRgb(1, 0, 0)}, {{32, 0}, qRgb(0, 0, 0)}, {{40, 1}, qRgb(9, 9, 9)}};
    for (const auto& c : cases)
        EXPECT_EQ(reinterpret_cast<const QRgb*>(frame.constScanLine(c.at.y()))[c.at.x()], c.value)
            << c.at.x() << "," << c.at.y();
}
