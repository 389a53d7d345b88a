// The web browser control in its host window: the inner windows, the page
// and movie it shows, its document's style taking effect on screen, its
// menu, and the colour key cut from the frames it hands over.
#include "platform/atl.h"
#include "platform/mshtml.h"
#include "platform/oleacc.h"
#include "platform/ui/browser.h"
#include "platform/ui/color_key.h"
#include "platform/user32.h"
#include "tests/platform/sample_movie.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <string>

namespace {

using platform::AutoRef;
using platform::AutoValue;

std::string text_of(const AutoValue& v)
{
    const auto* s = std::get_if<std::string>(&v);
    return s ? *s : std::string("<not a text>");
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(AtlAxWinInit());
        top.setWindowFlag(Qt::FramelessWindowHint);
        top.setGeometry(0, 0, 400, 300);
        top.show();
    }

    std::string write(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name).toStdString();
    }
    std::string write_movie(const QString& name, const std::vector<uint8_t>& swf)
    {
        return write(name, QByteArray(reinterpret_cast<const char*>(swf.data()), static_cast<qsizetype>(swf.size())));
    }

    int64_t host(const std::string& address, uint32_t style = WS_CHILD | WS_VISIBLE, uint32_t ex_style = 0)
    {
        return CreateWindowExA(ex_style, "AtlAxWin", address.c_str(), style, 0, 0, 400, 300,
                               static_cast<int64_t>(top.winId()), 0, 0, nullptr);
    }
    // The page's window, once it has loaded.
    static platform::ServerView* server_of(int64_t host_window)
    {
        auto* host = dynamic_cast<platform::HostWindow*>(platform::widget_of(host_window));
        for (int i = 0; i < 200 && host && (!host->server() || host->busy()); ++i)
            QTest::qWait(5);
        return host ? host->server() : nullptr;
    }
    static AutoRef document_of(platform::ServerView* server)
    {
        uintptr_t result = 0;
        const auto window = static_cast<int64_t>(server->winId());
        EXPECT_NE(SendMessageTimeoutA(window, RegisterWindowMessageA("WM_HTML_GETOBJECT"), 0, 0, SMTO_ABORTIFHUNG,
                                      1000, &result),
                  0);
        AutoRef document;
        EXPECT_EQ(ObjectFromLresult(static_cast<intptr_t>(result), platform::IID_IHTMLDocument, 0, &document), S_OK);
        // A result serves once.
        AutoRef again;
        EXPECT_NE(ObjectFromLresult(static_cast<intptr_t>(result), platform::IID_IHTMLDocument, 0, &again), S_OK);
        return document;
    }
    static AutoRef member(const AutoRef& object, const char* name)
    {
        AutoValue v;
        if (!object || !object->get(name, v))
            return nullptr;
        const auto* o = std::get_if<AutoRef>(&v);
        return o ? *o : nullptr;
    }
    static QRgb at(platform::ServerView* s, int x, int y) { return s->frame().pixel(x, y) & 0xFFFFFFu; }

    QTemporaryDir dir;
    QWidget top;
};

TEST_F(Browser, HostMakesTheControlWindowsAndTheServerWindowComesWithThePage)
{
    const int64_t h = host("about:blank");
    ASSERT_NE(h, 0);
    const int64_t embedding = FindWindowExA(h, 0, "Shell Embedding", nullptr);
    ASSERT_NE(embedding, 0);
    const int64_t doc_view = FindWindowExA(embedding, 0, "Shell DocObject View", nullptr);
    ASSERT_NE(doc_view, 0);
    EXPECT_EQ(FindWindowExA(doc_view, 0, "Internet Explorer_Server", nullptr), 0); // not loaded yet
    platform::ServerView* server = server_of(h);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(FindWindowExA(doc_view, 0, "Internet Explorer_Server", nullptr), static_cast<int64_t>(server->winId()));
    EXPECT_EQ(server->size(), QSize(400, 300));

    AutoRef control;
    ASSERT_EQ(AtlAxGetControl(h, &control), S_OK);
    EXPECT_EQ(AtlAxGetControl(embedding, &control), E_FAIL);
    ASSERT_EQ(AtlAxGetControl(h, &control), S_OK);
    AutoValue location;
    ASSERT_TRUE(control->get("LocationURL", location));
    EXPECT_EQ(text_of(location), "about:blank");
    AutoValue url;
    ASSERT_TRUE(document_of(server)->get("URL", url));
    EXPECT_EQ(text_of(url), "about:blank");
    EXPECT_EQ(at(server, 200, 150), 0xFFFFFFu); // a blank page is white

    // Commands it does not carry out fail; navigating keeps the server window.
    std::vector<AutoValue> args{int32_t(99), int32_t(0)};
    AutoValue result;
    EXPECT_FALSE(control->invoke("ExecWB", args, result));
    EXPECT_FALSE(control->invoke("NoSuchMethod", args, result));
    const std::string page = write("p.htm", "<body bgcolor=#00ff00 style='border:0'>");
    std::vector<AutoValue> nav{page};
    ASSERT_TRUE(control->invoke("Navigate2", nav, result));
    EXPECT_EQ(server_of(h), server);
    EXPECT_EQ(at(server, 200, 150), 0x00FF00u);
}

TEST_F(Browser, PageShowsItsMovieAtThePageSizeOnThePageColour)
{
    // A 100 x 50 stage with its top-left quarter green; the movie's own red
    // background is not the page's.
    write_movie("m.swf", sample::rectangle_movie({100, 50}, {0, 0, 50, 25}, Qt::green, Qt::red));
    const std::string page =
        write("page.htm", "<html><body bgcolor=\"#000080\" style=\"margin:0;border:0 none;overflow:hidden\">"
                          "<embed src=\"m.swf\" width=\"200\" height=\"100\" scale=\"exactfit\"></body></html>");
    platform::ServerView* server = server_of(host(page));
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(server->has_movie());
    EXPECT_EQ(server->movie_rect(), QRect(0, 0, 200, 100));
    EXPECT_EQ(at(server, 10, 10), 0x00FF00u);   // the box, stretched to 100 x 50
    EXPECT_EQ(at(server, 95, 45), 0x00FF00u);
    EXPECT_EQ(at(server, 150, 20), 0x000080u);  // stage without objects
    EXPECT_EQ(at(server, 300, 200), 0x000080u); // beyond the movie
    EXPECT_FALSE(server->horizontal_bar()->isVisible());
}

// Each tick repaints only what the movie covered and covers now: nothing
// of the box's old place may stay behind.
TEST_F(Browser, MovingObjectsLeaveNothingBehind)
{
    write_movie("m.swf", sample::rectangle_movie({400, 300}, {10, 10, 20, 20}, Qt::white, Qt::black, 50, 2, {200, 0}));
    const std::string page =
        write("page.htm", "<body bgcolor=\"#000000\" style=\"margin:0;border:0;overflow:hidden\">"
                          "<embed src=m.swf width=400 height=300>");
    platform::ServerView* server = server_of(host(page));
    ASSERT_NE(server, nullptr);
    ASSERT_EQ(at(server, 20, 20), 0xFFFFFFu);
    for (int i = 0; i < 400 && at(server, 220, 20) != 0xFFFFFFu; ++i)
        QTest::qWait(5);
    ASSERT_EQ(at(server, 220, 20), 0xFFFFFFu) << "the movie did not move on";
    EXPECT_EQ(at(server, 20, 20), 0x000000u);
    const QRect drawn = platform::region_outside_key(server->frame(), qRgb(0, 0, 0)).boundingRect();
    EXPECT_TRUE(drawn.contains(QRect(210, 10, 20, 20)));
    EXPECT_TRUE(QRect(209, 9, 22, 22).contains(drawn)) << "left behind: " << drawn.x() << "," << drawn.y();
}

// A frame falls due half a period before its time; the first tick after the
// movie starts waits for frame 1 as every later tick waits for its frame.
TEST_F(Browser, FirstTickComesWhenFrameOneFallsDue)
{
    for (const int fps : {1, 3}) {
        write_movie("m.swf", sample::rectangle_movie({400, 300}, {10, 10, 20, 20}, Qt::white, Qt::black, fps));
        const std::string page = write("page.htm", "<body bgcolor=\"#000000\"><embed src=m.swf>");
        platform::ServerView* server = server_of(host(page));
        ASSERT_NE(server, nullptr);
        const QList<QTimer*> timers = server->findChildren<QTimer*>(Qt::FindDirectChildrenOnly);
        ASSERT_EQ(timers.size(), 1);
        EXPECT_TRUE(timers.front()->isActive());
        EXPECT_EQ(timers.front()->interval(), fps == 1 ? 500 : 167) << fps;
    }
}

TEST_F(Browser, NoMovieWhenThePageNamesNoneOrItCannotBeRead)
{
    write("broken.swf", "FWS\x05 not a movie");
    const struct {
        const char* page;
    } cases[] = {
        {"<body bgcolor=black style=border:0>"},
        {"<body bgcolor=black style=border:0><embed src=\"missing.swf\">"},
        {"<body bgcolor=black style=border:0><embed src=\"broken.swf\">"},
        {"<body bgcolor=black style=border:0><embed src=\"http://example.invalid/a.swf\">"},
    };
    for (const auto& c : cases) {
        const std::string page = write("case.htm", c.page);
        platform::ServerView* server = server_of(host(page));
        ASSERT_NE(server, nullptr) << c.page;
        // A damaged movie may play what could be read of it: nothing here.
        for (QPoint p : {QPoint(0, 0), QPoint(200, 150), QPoint(399, 299)})
            EXPECT_EQ(at(server, p.x(), p.y()), 0x000000u) << c.page;
    }
    platform::ServerView* missing = server_of(host(dir.filePath("no-such-page.htm").toStdString()));
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->has_movie());
}

TEST_F(Browser, ScrollBarsAndBorderFollowTheBodysStyle)
{
    // Without a style the body has margins and a sunken border, so a movie of
    // the view's size does not fit.
    write_movie("m.swf", sample::rectangle_movie({400, 300}, {0, 0, 10, 10}, Qt::green, Qt::black));
    const std::string page = write("page.htm", "<body bgcolor=#ffffff><embed src=m.swf width=400 height=300>");
    platform::ServerView* server = server_of(host(page));
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(server->horizontal_bar()->isVisible());
    EXPECT_TRUE(server->vertical_bar()->isVisible());
    EXPECT_EQ(at(server, 0, 0), qRgb(128, 128, 128) & 0xFFFFFFu); // the border
    EXPECT_EQ(server->movie_rect().topLeft(), QPoint(2 + 10, 2 + 15));

    const AutoRef document = document_of(server);
    const AutoRef style = member(member(document, "body"), "style");
    ASSERT_NE(style, nullptr);
    EXPECT_TRUE(style->put("overflowX", std::string("hidden;")));
    EXPECT_FALSE(server->horizontal_bar()->isVisible());
    EXPECT_TRUE(server->vertical_bar()->isVisible());
    EXPECT_TRUE(style->put("border", std::string("0px none #CCCCCC;")));
    EXPECT_EQ(at(server, 0, 0), 0xFFFFFFu);
    EXPECT_FALSE(style->put("overflow", std::string("nonsense")));
    AutoValue read;
    ASSERT_TRUE(style->get("overflowX", read));
    EXPECT_EQ(text_of(read), "hidden");

    const AutoRef window = member(document, "parentWindow");
    ASSERT_NE(window, nullptr);
    std::vector<AutoValue> bad{std::string("alert('x');"), std::string("JavaScript")};
    AutoValue result;
    EXPECT_FALSE(window->invoke("execScript", bad, result));
    std::vector<AutoValue> good{std::string("document.body.style.overflow='hidden';"), std::string("JavaScript")};
    EXPECT_TRUE(window->invoke("execScript", good, result));
    EXPECT_FALSE(server->vertical_bar()->isVisible());
}

TEST_F(Browser, RightClickOpensTheBrowsersMenu)
{
    platform::ServerView* server = server_of(host("about:blank"));
    ASSERT_NE(server, nullptr);
    QTest::mouseClick(server, Qt::RightButton, {}, QPoint(50, 50));
    ASSERT_NE(server->menu(), nullptr);
    EXPECT_TRUE(server->menu()->isVisible());
    EXPECT_EQ(server->menu()->actions().front()->text(), QStringLiteral("刷新"));
    server->menu()->hide();
}

TEST_F(Browser, ColourKeyIsCutFromTheFramesTheViewHandsOver)
{
    write_movie("m.swf", sample::rectangle_movie({400, 300}, {40, 30, 20, 10}, Qt::white, Qt::black));
    const std::string page = write("page.htm", "<body bgcolor=\"#000000\" style=\"margin:0;border:0;overflow:hidden\">"
                                               "<embed src=m.swf width=400 height=300>");
    const auto top_handle = static_cast<int64_t>(top.winId());
    SetWindowLongA(top_handle, GWL_EXSTYLE, WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(top_handle, 0x000000, 200, LWA_COLORKEY));
    platform::ServerView* server = server_of(host(page));
    ASSERT_NE(server, nullptr);
    // The box, give or take the pixels its edges share with the stage.
    EXPECT_TRUE(top.mask().contains(QRect(40, 30, 20, 10)));
    EXPECT_TRUE(QRegion(39, 29, 22, 12).contains(top.mask().boundingRect()));
}

// What the view paints onto its window: all of its frame, or, where the
// window is cut to what is not the page's background, only the part around
// that (the rest keeps what was there before).
TEST_F(Browser, ViewPaintsOnlyWhatTheColourKeyLetsShow)
{
    write_movie("m.swf", sample::rectangle_movie({400, 300}, {40, 30, 20, 10}, Qt::white, Qt::black));
    const std::string page = write("page.htm", "<body bgcolor=\"#000000\" style=\"margin:0;border:0;overflow:hidden\">"
                                               "<embed src=m.swf width=400 height=300>");
    const auto painted = [](platform::ServerView* view) {
        QImage onto(view->size(), QImage::Format_RGB32);
        onto.fill(Qt::red);
        view->render(&onto, QPoint(), QRegion(), QWidget::DrawChildren);
        return onto;
    };
    const auto top_handle = static_cast<int64_t>(top.winId());
    SetWindowLongA(top_handle, GWL_EXSTYLE, WS_EX_LAYERED);
    const struct {
        uint32_t key;
        QRgb far_from_the_box;
    } cases[] = {
        {0x000000, qRgb(255, 0, 0)}, // the page's colour: cut to the box
        {0x00FF00, qRgb(0, 0, 0)},   // another colour: the frame is cut by its pixels
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetLayeredWindowAttributes(top_handle, c.key, 200, LWA_COLORKEY));
        platform::ServerView* server = server_of(host(page));
        ASSERT_NE(server, nullptr);
        const QImage onto = painted(server);
        EXPECT_EQ(onto.pixel(45, 35), qRgb(255, 255, 255)) << c.key;
        EXPECT_EQ(onto.pixel(300, 200), c.far_from_the_box) << c.key;
    }
}

} // namespace
