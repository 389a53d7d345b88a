// Colour-keyed windows: the key colour is cut out of the window's shape.
#include "platform/user32.h"

#include <gtest/gtest.h>

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

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), back_);
        p.fillRect(square_, fill_);
    }

private:
    QColor back_;
    QRect square_;
    QColor fill_;
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
    EXPECT_EQ(w.mask(), QRegion(20, 30, 10, 5));
}

TEST(LayeredWindow, KeyIsAColourRefWithRedInTheLowByte)
{
    Painted w(QColor(255, 0, 0), QRect(0, 0, 4, 4), QColor(0, 0, 255));
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x0000FF, 200, LWA_COLORKEY));
    EXPECT_EQ(w.mask(), QRegion(0, 0, 4, 4));
}

TEST(LayeredWindow, WindowWhollyInTheKeyColourShowsNothing)
{
    Painted w(Qt::black, QRect(), Qt::black);
    make_layered(w.handle());
    ASSERT_TRUE(SetLayeredWindowAttributes(w.handle(), 0x000000, 200, LWA_COLORKEY));
    EXPECT_FALSE(w.mask().isEmpty());
    EXPECT_TRUE(w.mask().intersected(w.rect()).isEmpty());
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
