// Colour-keyed windows on a real X server, with and without a compositing
// manager (the test owns the manager's selection itself): the window's
// visual, its shapes, its pixels and where clicks go.
#include "platform/atl.h"
#include "platform/ui/browser.h"
#include "platform/ui/color_key.h"
#include "platform/ui/windows.h"
#include "platform/user32.h"
#include "tests/platform/sample_movie.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r) { return Reply<T>(r, &std::free); }

xcb_connection_t* x() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }

xcb_window_t native(const QWidget& w) { return static_cast<xcb_window_t>(w.internalWinId()); }

// What the server has of a window's shape of one kind: the bounding box of
// its rectangles.
QRect shape_box(xcb_window_t window, xcb_shape_kind_t kind)
{
    auto r = reply(xcb_shape_get_rectangles_reply(x(), xcb_shape_get_rectangles(x(), window, kind), nullptr));
    QRegion region;
    if (r) {
        const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(r.get());
        for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(r.get()); ++i)
            region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    }
    return region.boundingRect();
}

// A pixel of a window as the server holds it, alpha included.
uint32_t pixel(xcb_window_t window, QPoint at)
{
    auto r = reply(xcb_get_image_reply(
        x(), xcb_get_image(x(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(at.x()), int16_t(at.y()), 1, 1, ~0u),
        nullptr));
    uint32_t value = 0;
    if (r && xcb_get_image_data_length(r.get()) >= 4)
        std::memcpy(&value, xcb_get_image_data(r.get()), 4);
    return value;
}

void click(QPoint at)
{
    QCursor::setPos(at);
    xcb_test_fake_input(x(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, XCB_NONE, int16_t(at.x()), int16_t(at.y()), 0);
    xcb_test_fake_input(x(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(x(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(x());
    QTest::qWait(150);
}

// Owns the compositing manager's selection of screen 0 while it lives, as
// a running compositor would.
class CompositorSelection {
public:
    CompositorSelection()
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x())).data;
        owner_ = xcb_generate_id(x());
        xcb_create_window(x(), XCB_COPY_FROM_PARENT, owner_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char name[] = "_NET_WM_CM_S0";
        auto atom = reply(
            xcb_intern_atom_reply(x(), xcb_intern_atom(x(), 0, sizeof name - 1, name), nullptr));
        xcb_set_selection_owner(x(), owner_, atom->atom, XCB_CURRENT_TIME);
        xcb_flush(x());
    }
    ~CompositorSelection()
    {
        xcb_destroy_window(x(), owner_); // the selection goes with it
        xcb_flush(x());
    }

private:
    xcb_window_t owner_ = 0;
};

// A frameless top-level window at the screen's corner.
class Plain : public QWidget {
public:
    Plain()
    {
        setWindowFlag(Qt::FramelessWindowHint);
        setGeometry(0, 0, 400, 300);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

void key_black(QWidget& window)
{
    const auto handle = static_cast<int64_t>(window.winId());
    SetWindowLongA(handle, GWL_EXSTYLE, WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(handle, 0x000000, 200, LWA_COLORKEY));
}

class SeeThrough : public testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "Xvfb is needed";
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(AtlAxWinInit());
    }

    std::string write(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name).toStdString();
    }

    QTemporaryDir dir;
};

// The fireworks' way: a hidden window keyed black, a browser page with a
// movie on black in it (a white box), then shown over a stage.
TEST_F(SeeThrough, WindowFollowsTheCompositor)
{
    const auto swf = sample::rectangle_movie({400, 300}, {40, 30, 20, 10}, Qt::white, Qt::black);
    write("m.swf", QByteArray(reinterpret_cast<const char*>(swf.data()), qsizetype(swf.size())));
    const std::string page = write("page.htm", "<body bgcolor=\"#000000\" style=\"margin:0;border:0;overflow:hidden\">"
                                               "<embed src=m.swf width=400 height=300>");
    const QRect box(40, 30, 20, 10);
    // Beside the box: where the frame's background is repainted with it.
    const QPoint in_box(45, 35), beside_box(36, 52), far_from_box(300, 200);
    for (const bool compositor : {true, false}) {
        SCOPED_TRACE(compositor ? "with a compositor" : "without a compositor");
        std::optional<CompositorSelection> selection;
        if (compositor)
            selection.emplace();
        Plain stage;
        stage.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage));
        Plain top;
        const auto handle = static_cast<int64_t>(top.winId());
        key_black(top);
        const int64_t host = CreateWindowExA(0, "AtlAxWin", page.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 400, 300,
                                             handle, 0, 0, nullptr);
        top.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
        auto* view = dynamic_cast<platform::HostWindow*>(platform::widget_of(host));
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->server() && !view->busy(); }, 3000));
        QTest::qWait(200);

        // Made anew with alpha, the window keeps the handle it was given.
        auto geometry = reply(xcb_get_geometry_reply(x(), xcb_get_geometry(x(), native(top)), nullptr));
        ASSERT_TRUE(geometry);
        EXPECT_EQ(geometry->depth, compositor ? 32 : 24);
        EXPECT_EQ(platform::widget_of(handle), &top);
        EXPECT_EQ(platform::handle_of(&top), handle);

        // What shows: the box alone, by the window's shape or by its alpha.
        auto extents = reply(xcb_shape_query_extents_reply(x(), xcb_shape_query_extents(x(), native(top)), nullptr));
        ASSERT_TRUE(extents);
        EXPECT_EQ(bool(extents->bounding_shaped), !compositor);
        // The box, give or take the pixels its edges share with the stage;
        // without a compositor the pointer's shape is the window's, and the
        // bounding shape cuts it too.
        const QRect cut = shape_box(native(top), compositor ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING);
        EXPECT_TRUE(cut.contains(box));
        EXPECT_TRUE(QRect(39, 29, 22, 12).contains(cut));
        if (compositor) {
            EXPECT_EQ(pixel(native(top), in_box), 0xFFFFFFFFu);
            EXPECT_EQ(pixel(native(top), beside_box) >> 24, 0u);
            EXPECT_EQ(pixel(native(top), far_from_box) >> 24, 0u);
        }
        // Clicks go through where nothing shows.
        click(far_from_box);
        EXPECT_EQ(stage.presses, 1);
        click(in_box);
        EXPECT_EQ(stage.presses, 1);
    }
}

// A child covering its window that hands over frames of one white square
// on black, as the movie view does.
class Cover : public QWidget {
public:
    explicit Cover(QWidget* parent) : QWidget(parent) { setGeometry(parent->rect()); }
    void hand_over(QRect square)
    {
        QImage frame(size(), QImage::Format_RGB32);
        frame.fill(Qt::black);
        QPainter(&frame).fillRect(square, Qt::white);
        const QRegion shows(square);
        last = platform::offer_key_frame(this, frame, &shows, qRgb(0, 0, 0));
    }
    platform::KeyedFrame last = platform::KeyedFrame::Whole;
};

// The pointer's shape is sent again only when it is wrong where the
// pointer is: a compositor redraws the window at every change of it.
TEST_F(SeeThrough, PointerShapeIsSentWhenWrongWhereThePointerIs)
{
    CompositorSelection selection;
    Plain top;
    key_black(top);
    Cover cover(&top);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    const QRect a(10, 10, 20, 20), b(100, 100, 20, 20), c(200, 100, 20, 20);
    const struct {
        QRect square;
        QPoint pointer;
        QRect input; // what the server has afterwards
    } steps[] = {
        {a, {300, 250}, a}, // the first frame's shape is sent
        {b, {300, 250}, a}, // the old one is as right where the pointer is
        {b, {110, 110}, b}, // the pointer is over the square: sent
        {c, {110, 110}, c}, // the pointer is no longer over it: sent
        {c, {150, 150}, c},
        {a, {150, 150}, c},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(QString("square at %1,%2").arg(step.square.x()).arg(step.square.y()).toStdString());
        QCursor::setPos(top.mapToGlobal(step.pointer));
        cover.hand_over(step.square);
        EXPECT_EQ(cover.last, platform::KeyedFrame::SeeThrough);
        EXPECT_EQ(shape_box(native(top), XCB_SHAPE_SK_INPUT), step.input);
    }
}

} // namespace
