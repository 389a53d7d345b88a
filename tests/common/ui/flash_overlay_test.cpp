// The browser overlay over real windows of the runtime: the files it writes,
// the host it makes, the search for the browser's windows, the swallowed
// right button and the document settings it changes.
#include "common/ui/flash_overlay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <filesystem>
#include <set>
#include <string>

#include "common/flash_overlay_page.h"
#include "media/movies.h"
#include "platform/atl.h"
#include "platform/ui/browser.h"
#include "runtime/files.h"
#include "runtime/ui.h"
#include "tests/support/movie_cache.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace flash_overlay;

constexpr int kCovered = 901;

std::vector<uint32_t> passed; // messages that reached the old procedure

LRESULT recording_proc(int64_t, uint32_t message, WPARAM, LPARAM)
{
    passed.push_back(message);
    return 1000 + static_cast<LRESULT>(message);
}

class Overlay : public ::testing::Test {
protected:
    TempDir dir;
    OwnMovieCache cache;

    void SetUp() override
    {
        WindowDef w;
        w.id = kCovered;
        w.name = "Covered";
        w.left = 10;
        w.top = 20;
        w.width = 320;
        w.height = 240;
        w.border = 0;
        w.back_color = 0x000000;
        rt_define_window(w);
        ASSERT_TRUE(rt_load_window(kCovered));
        AtlAxWinInit();
    }
    void TearDown() override
    {
        if (rt_is_loaded(kCovered))
            rt_destroy_window(kCovered);
        rt_do_events();
    }
    static int64_t covered() { return rt_get_window_handle(rt_window(kCovered)); }
    static platform::ServerView* server_below(int64_t host)
    {
        return dynamic_cast<platform::ServerView*>(platform::widget_of(find_browser_server_window(host)));
    }
    static RECT rect_of(int64_t w)
    {
        RECT r;
        GetWindowRect(w, &r);
        return r;
    }
};

TEST_F(Overlay, ShowMovieWritesTheDefaultMovieAndItsPageAndOverwritesThemNextTime)
{
    FlashOverlay overlay;
    const int64_t host = overlay.show_movie(covered());
    ASSERT_NE(host, 0);
    const std::string base = "plimb-" + std::to_string(covered());
    EXPECT_EQ(cache.files(), (std::set<std::string>{base + ".htm", base + ".swf"}));
    const Bytes written = rt_read_file(cache.movie_folder() + "/" + base + ".swf");
    EXPECT_EQ(written.size(), 18547u);
    EXPECT_EQ(written, media::default_movie());
    EXPECT_EQ(overlay.page_path, cache.movie_folder() + "\\" + base + ".htm");
    EXPECT_EQ(overlay.movie_width, 320);
    EXPECT_EQ(overlay.movie_height, 240);
    EXPECT_EQ(rt_read_file(overlay.page_path),
              overlay.build_movie_page(covered(), 320, 240, 0)); // the page names this movie
    EXPECT_TRUE(GetWindowLongA(covered(), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(FindWindowExA(covered(), 0, "AtlAxWin", nullptr), host);

    // Again for the same window, with another movie and colour: the same two
    // files, overwritten.
    FlashOverlay second;
    const Bytes& other = media::fireworks_movie(3);
    ASSERT_NE(second.show_movie(covered(), &other, 0x00FF00), 0);
    EXPECT_EQ(cache.files(), (std::set<std::string>{base + ".htm", base + ".swf"}));
    EXPECT_EQ(rt_read_file(cache.movie_folder() + "/" + base + ".swf"), other);
    EXPECT_NE(second.page_text.find("#00FF00"), std::string::npos);
    EXPECT_EQ(rt_read_file(second.page_path), second.build_movie_page(covered(), 320, 240, 0x00FF00));
}

// Every covered window has a handle of its own, so nothing would overwrite
// its files: they go with the window. A hundred shows leave only the files
// of the window that still shows.
TEST_F(Overlay, FilesGoWithTheirWindowAndThoseOfAShowingWindowStay)
{
    constexpr int kShowing = 902;
    WindowDef showing;
    showing.id = kShowing;
    showing.name = "Showing";
    showing.width = 200;
    showing.height = 100;
    showing.border = 0;
    rt_define_window(showing);
    ASSERT_TRUE(rt_load_window(kShowing));
    const int64_t kept = rt_get_window_handle(rt_window(kShowing));
    const std::string kept_base = "plimb-" + std::to_string(kept);
    ASSERT_NE(FlashOverlay().show_movie(kept, &media::fireworks_movie(1)), 0);
    // The fixture's window goes first: a window still closing would be
    // loaded again as it is.
    rt_destroy_window(kCovered);
    rt_do_events();

    std::set<int64_t> handles;
    for (int show = 0; show < 100; ++show) {
        ASSERT_TRUE(rt_load_window(kCovered));
        handles.insert(covered());
        const std::string base = "plimb-" + std::to_string(covered());
        FlashOverlay overlay;
        ASSERT_NE(overlay.show_movie(covered(), &media::fireworks_movie(1 + show % 3)), 0);
        overlay.release();
        ASSERT_EQ(cache.files().count(base + ".swf") + cache.files().count(base + ".htm"), 2u) << show;
        rt_destroy_window(kCovered);
        for (int i = 0; i < 10 && cache.files().count(base + ".swf"); ++i)
            rt_do_events();
    }
    EXPECT_EQ(handles.size(), 100u) << "each window had a handle of its own";
    EXPECT_EQ(cache.files(), (std::set<std::string>{kept_base + ".htm", kept_base + ".swf"}));
    EXPECT_EQ(rt_read_file(cache.movie_folder() + "/" + kept_base + ".swf"), media::fireworks_movie(1));
    rt_destroy_window(kShowing);
    for (int i = 0; i < 10 && !cache.files().empty(); ++i)
        rt_do_events();
    EXPECT_TRUE(cache.files().empty());
}

// A missing cache value would put the files at the root; a folder that
// cannot be made leaves nowhere to write them. Either way no movie, no
// host, and the covered window stays keyed.
TEST_F(Overlay, NoFilesNoHostWhenTheMovieFolderIsMissingOrUnwritable)
{
    const std::string root_movie = "/plimb-" + std::to_string(covered()) + ".swf";
    ASSERT_FALSE(fs::exists(root_movie));
    CacheValueGuard::remove();
    FlashOverlay overlay;
    EXPECT_EQ(overlay.show_movie(covered()), 0);
    EXPECT_FALSE(fs::exists(root_movie));
    EXPECT_FALSE(fs::exists("/plimb-" + std::to_string(covered()) + ".htm"));

    dir.write("blocker", "a file where a folder should be");
    CacheValueGuard::set(dir.path() + "/blocker/Temporary Internet Files");
    EXPECT_EQ(overlay.show_movie(covered()), 0);
    EXPECT_EQ(FindWindowExA(covered(), 0, "AtlAxWin", nullptr), 0);
    EXPECT_TRUE(GetWindowLongA(covered(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(Overlay, CreateHostDefaultsToABlankPageOfTheParentsOuterSize)
{
    // A framed window: its outer rectangle includes whatever frame it has.
    rt_set(rt_window(kCovered), P_WINDOW_BORDER, int32_t{1});
    rt_do_events();
    FlashOverlay overlay;
    RtObject out;
    const int64_t host = overlay.create_host(covered(), std::nullopt, 0, 0, std::nullopt, std::nullopt,
                                             std::nullopt, 0, 0, 0, &out);
    ASSERT_NE(host, 0);
    EXPECT_EQ(overlay.host_window(), host);
    EXPECT_EQ(out, overlay.browser);
    EXPECT_EQ(overlay.browser.references(), 2 + 1); // ours, out's, and the host's own
    const auto location = rt_ole_read(overlay.browser, "LocationURL");
    ASSERT_TRUE(location);
    EXPECT_EQ(std::get<std::string>(*location), "about:blank");
    const RECT parent = rect_of(covered());
    EXPECT_EQ(overlay.host_width(), parent.right - parent.left);
    EXPECT_EQ(overlay.host_height(), parent.bottom - parent.top);
    EXPECT_EQ(static_cast<uint32_t>(GetWindowLongA(host, GWL_STYLE)), WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
    EXPECT_EQ(GetWindowLongA(host, GWL_EXSTYLE), WS_EX_CLIENTEDGE);

    const int64_t plain = overlay.create_host(covered(), std::string("about:blank"), 5, 6, 70, 80, std::nullopt, 0,
                                              1, 1);
    EXPECT_EQ(static_cast<uint32_t>(GetWindowLongA(plain, GWL_STYLE)),
              WS_VISIBLE | WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    EXPECT_EQ(GetWindowLongA(plain, GWL_EXSTYLE), 0);
    EXPECT_EQ(overlay.host_width(), 70);
    overlay.move_host(1, 2, 30, 40);
    EXPECT_EQ(overlay.host_width(), 30);
    EXPECT_EQ(overlay.host_height(), 40);
}

class WindowTree : public Overlay {
protected:
    void SetUp() override
    {
        Overlay::SetUp();
        static const WNDCLASSA box{DefWindowProcA, "TestBox"};
        RegisterClassA(&box);
    }
    static int64_t make(int64_t parent, const char* cls)
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, 0, 0, nullptr);
    }
};

TEST_F(WindowTree, FindChildByClassSearchesEachChildsSubtreeBeforeTheNextChild)
{
    const int64_t root = make(covered(), "TestBox");
    const int64_t first = make(root, "TestBox");
    make(first, "TestBox");
    const int64_t second = make(root, "TestBox");
    const int64_t deep_in_second = make(make(second, "TestBox"), "Internet Explorer_Server");
    const int64_t third = make(root, "Internet Explorer_Server");
    EXPECT_EQ(find_child_by_class(root), deep_in_second);
    EXPECT_NE(third, deep_in_second);

    const int64_t in_first = make(make(first, "TestBox"), "Internet Explorer_Server");
    EXPECT_EQ(find_child_by_class(root), in_first);
    EXPECT_EQ(find_child_by_class(second), deep_in_second);
    EXPECT_EQ(find_child_by_class(make(covered(), "TestBox")), 0);
}

TEST_F(WindowTree, ServerWindowSearchStopsAtAMissingLink)
{
    // The browser's own chain.
    const int64_t host = make(covered(), "TestBox");
    const int64_t embedding = make(host, "Shell Embedding");
    const int64_t view = make(embedding, "Shell DocObject View");
    EXPECT_EQ(find_browser_server_window(host), 0);
    const int64_t server = make(view, "Internet Explorer_Server");
    EXPECT_EQ(find_browser_server_window(host), server);

    // No "Shell Embedding": nothing, even with the rest right below.
    const int64_t other = make(covered(), "TestBox");
    make(make(other, "Shell DocObject View"), "Internet Explorer_Server");
    make(other, "Internet Explorer_Server");
    EXPECT_EQ(find_browser_server_window(other), 0);
    // "Shell DocObject View" missing below the embedding.
    const int64_t third = make(covered(), "TestBox");
    make(make(third, "Shell Embedding"), "Internet Explorer_Server");
    EXPECT_EQ(find_browser_server_window(third), 0);
}

TEST(ServerWindowProc, SwallowsRightButtonDownAndUpAndPassesEverythingElse)
{
    const int32_t saved = server_old_proc;
    server_old_proc = platform::procedure_token(recording_proc);
    const struct {
        uint32_t message;
        bool passes;
    } cases[] = {
        {WM_RBUTTONDOWN, false}, {WM_RBUTTONUP, false},   {WM_RBUTTONDBLCLK, true}, {WM_LBUTTONDOWN, true},
        {WM_LBUTTONUP, true},    {WM_MOUSEMOVE, true},    {WM_CONTEXTMENU, true},   {WM_MBUTTONDOWN, true},
        {WM_TIMER, true},        {0xC123, true},
    };
    for (const auto& c : cases) {
        passed.clear();
        const LRESULT r = server_window_proc(1, c.message, 0, 0);
        EXPECT_EQ(r, c.passes ? 1000 + static_cast<LRESULT>(c.message) : 0) << std::hex << c.message;
        EXPECT_EQ(passed.size(), c.passes ? 1u : 0u) << std::hex << c.message;
    }
    server_old_proc = saved;
}

// A person's right click on the movie: the browser's menu appears only
// while nothing swallows the right button.
TEST_F(Overlay, RightClickOnTheMovieOpensNoMenu)
{
    FlashOverlay open;
    const int64_t unblocked = open.create_host(covered(), std::string("about:blank"), 0, 0, 100, 100,
                                               std::nullopt, 0, 1, 1);
    for (int i = 0; i < 100 && !server_below(unblocked); ++i)
        rt_delay(5);
    platform::ServerView* plain = server_below(unblocked);
    ASSERT_NE(plain, nullptr);
    QTest::mouseClick(plain, Qt::RightButton, {}, QPoint(10, 10));
    ASSERT_NE(plain->menu(), nullptr);
    EXPECT_TRUE(plain->menu()->isVisible());
    plain->menu()->hide();

    FlashOverlay overlay;
    const int64_t host = overlay.show_movie(covered());
    platform::ServerView* server = server_below(host); // block menu waited for it
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(GetWindowLongA(rt_get_window_handle(rt_window(kCovered)), GWL_EXSTYLE) & WS_EX_LAYERED, WS_EX_LAYERED);
    QTest::mouseClick(server, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseDClick(server, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(server->menu() == nullptr || !server->menu()->isVisible());
    // Subclassing twice must not make the procedure call itself.
    overlay.block_context_menu();
    QTest::mouseClick(server, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_NE(server_old_proc, platform::procedure_token(server_window_proc));
}

TEST_F(Overlay, HidingScrollBarsAndRemovingTheBorderTakeEffect)
{
    const std::string page = dir.path() + "/page.htm";
    dir.write("page.htm", "<body bgcolor=#ffffff><embed src=none.swf width=2000 height=2000>");
    FlashOverlay overlay;
    const int64_t host = overlay.create_host(covered(), page, 0, 0, 300, 200, std::nullopt, 1, 1, 1);
    platform::ServerView* server = server_below(host);
    ASSERT_NE(server, nullptr);
    // No movie loads, yet the page's default margins and border show.
    EXPECT_EQ(server->frame().pixel(0, 0) & 0xFFFFFFu, 0x808080u);
    overlay.remove_own_border();
    EXPECT_EQ(server->frame().pixel(0, 0) & 0xFFFFFFu, 0xFFFFFFu);

    // The content (margins only, the movie is missing) fits: ask for bars.
    RtObject document = document_from_window(find_browser_server_window(host));
    RtObject style = rt_ole_read_object(rt_ole_read_object(document, "body"), "style");
    ASSERT_TRUE(rt_ole_write(style, "overflow", std::string("scroll")));
    EXPECT_TRUE(server->vertical_bar()->isVisible());
    EXPECT_TRUE(server->horizontal_bar()->isVisible());
    overlay.hide_scrollbars(covered()); // found below the covered window
    EXPECT_FALSE(server->vertical_bar()->isVisible());
    EXPECT_FALSE(server->horizontal_bar()->isVisible());
    EXPECT_EQ(std::get<std::string>(*rt_ole_read(style, "overflowY")), "hidden");

    overlay.hide_scrollbars(FindWindowExA(covered(), 0, "NoSuchWindow", nullptr)); // nothing there: nothing done
}

TEST_F(Overlay, ResizeAndRecolourRewriteThePageAndLoadItAgain)
{
    FlashOverlay overlay;
    const int64_t host = overlay.show_movie(covered());
    ASSERT_NE(host, 0);
    overlay.resize_movie(200, 100);
    EXPECT_EQ(overlay.host_width(), 200);
    EXPECT_EQ(overlay.movie_width, 200);
    EXPECT_EQ(overlay.movie_height, 100);
    EXPECT_EQ(rt_read_file(overlay.page_path), overlay.build_movie_page(covered(), 200, 100, 0));
    overlay.recolor_movie(0x0000FF);
    EXPECT_EQ(overlay.color_key, 0x0000FFu);
    EXPECT_EQ(rt_read_file(overlay.page_path), overlay.build_movie_page(covered(), 200, 100, 0x0000FF));
    for (int i = 0; i < 100 && std::get<bool>(*rt_ole_read(overlay.browser, "Busy")); ++i)
        rt_delay(5);
    platform::ServerView* server = server_below(host);
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(server->document()->page.body.background);
    EXPECT_EQ(*server->document()->page.body.background, 0xFF0000u); // red as the page writes it
}

TEST_F(Overlay, CopySharesTheBrowserAndReleaseLeavesTheMoviePlaying)
{
    auto overlay = std::make_unique<FlashOverlay>();
    const int64_t host = overlay->show_movie(covered());
    ASSERT_NE(host, 0);
    const long before = overlay->browser.references();
    std::unique_ptr<FlashOverlay> twin = overlay->copy();
    EXPECT_EQ(twin->browser, overlay->browser);
    EXPECT_EQ(overlay->browser.references(), before + 1);
    EXPECT_EQ(twin->page_path, overlay->page_path);
    EXPECT_EQ(twin->host_hwnd, host);
    overlay->release();
    EXPECT_TRUE(overlay->browser.empty());
    EXPECT_TRUE(overlay->page_text.empty());
    EXPECT_TRUE(overlay->page_path.empty());
    overlay.reset();
    twin.reset();
    EXPECT_TRUE(IsWindow(host));
    EXPECT_NE(find_browser_server_window(host), 0);
}

} // namespace
