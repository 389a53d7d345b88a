#include "common/ui/flash_overlay.h"

#include <chrono>
#include <thread>

#include "common/descramble.h"
#include "common/flash_overlay_page.h"
#include "media/movies.h"
#include "platform/atl.h"
#include "platform/imagehlp.h"
#include "platform/kernel32.h"
#include "platform/mshtml.h"
#include "platform/oleacc.h"
#include "platform/winmm.h"
#include "runtime/bytes.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ui.h"

namespace flash_overlay {

int32_t server_old_proc = 0;

namespace {

constexpr const char* kServerClass = "Internet Explorer_Server";

std::string class_of(int64_t window)
{
    char name[255] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Releases every reference it holds when it goes.
struct References {
    RtObject document, body, style, parent_window;
    ~References()
    {
        rt_object_release(parent_window);
        rt_object_release(style);
        rt_object_release(body);
        rt_object_release(document);
    }
};

// The body's style of the server window at or below `window`.
bool body_style_of(int64_t window, References& refs)
{
    if (class_of(window) != kServerClass)
        window = find_child_by_class(window);
    if (window == 0)
        return false;
    refs.document = document_from_window(window);
    refs.body = rt_ole_read_object(refs.document, "body");
    refs.style = rt_ole_read_object(refs.body, "style");
    return true;
}

// Once the covered window is gone, so are the movie and page named after it
// (the next window gets a handle of its own, so nothing would ever overwrite
// them), and the memory its browser and movie player held goes back to the
// system.
void clean_up_after(int64_t window, const std::string& base_path)
{
    platform::when_window_destroyed(window, [window, base_path] {
        // A window that has the handle again shows from these files now.
        if (!IsWindow(window)) {
            rt_delete_file(base_path + ".swf");
            rt_delete_file(base_path + ".htm");
        }
        trim_working_set();
    });
}

} // namespace

LRESULT server_window_proc(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP)
        return 0;
    return CallWindowProcA(server_old_proc, window, message, wparam, lparam);
}

int32_t window_extent(int64_t window, int which)
{
    RECT r;
    GetWindowRect(window, &r);
    return which == 0 ? r.right - r.left : r.bottom - r.top;
}

int64_t find_browser_server_window(int64_t host)
{
    const int64_t embedding = FindWindowExA(host, 0, "Shell Embedding", nullptr);
    if (embedding == 0)
        return 0;
    const int64_t doc_view = FindWindowExA(embedding, 0, "Shell DocObject View", nullptr);
    if (doc_view == 0)
        return 0;
    return FindWindowExA(doc_view, 0, kServerClass, nullptr);
}

void subclass_server_window(int64_t host)
{
    // The browser makes its server window once the page has loaded.
    int64_t server = find_browser_server_window(host);
    const uint32_t start = GetTickCount();
    const auto step = std::chrono::milliseconds(5);
    for (uint32_t waited = 0; server == 0; waited += 5) {
        // A test clock that stands still must not hold us: the steps count too.
        if (GetTickCount() - start > kServerWaitMs || waited > kServerWaitMs)
            return;
        rt_do_events();
        server = find_browser_server_window(host);
        if (server == 0)
            std::this_thread::sleep_for(step);
    }
    const int32_t ours = platform::procedure_token(server_window_proc);
    // Put in front twice, the procedure would hand messages to itself.
    if (GetWindowLongA(server, GWL_WNDPROC) == ours)
        return;
    server_old_proc = SetWindowLongA(server, GWL_WNDPROC, ours);
}

int64_t find_child_by_class(int64_t window)
{
    for (int64_t child = FindWindowExA(window, 0, nullptr, nullptr); child != 0;
         child = FindWindowExA(window, child, nullptr, nullptr)) {
        if (class_of(child) == kServerClass)
            return child;
        if (const int64_t found = find_child_by_class(child))
            return found;
    }
    return 0;
}

RtObject document_from_window(int64_t server_window)
{
    const uint32_t message = RegisterWindowMessageA("WM_HTML_GETOBJECT");
    uintptr_t result = 0;
    SendMessageTimeoutA(server_window, message, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
    platform::AutoRef document;
    ObjectFromLresult(static_cast<intptr_t>(result), platform::IID_IHTMLDocument, 0, &document);
    return RtObject(document);
}

bool ensure_folder(const std::string& folder) { return MakeSureDirectoryPathExists(folder.c_str()); }

void trim_working_set() { SetProcessWorkingSetSize(GetCurrentProcess(), -1, -1); }

void trim_timer_proc(int64_t, uint32_t, uintptr_t, uint32_t) { trim_working_set(); }

} // namespace flash_overlay

using namespace flash_overlay;

void FlashOverlay::release()
{
    rt_object_release(browser);
    page_text.clear();
    page_path.clear();
}

std::unique_ptr<FlashOverlay> FlashOverlay::copy() const { return std::make_unique<FlashOverlay>(*this); }

int64_t FlashOverlay::create_host(int64_t parent, std::optional<std::string> address, int32_t left, int32_t top,
                                  std::optional<int32_t> width, std::optional<int32_t> height,
                                  std::optional<uint32_t> style, int32_t block_menu, int32_t plain_edge,
                                  int32_t style_choice, RtObject* browser_out)
{
    AtlAxWinInit();
    const std::string target = address ? *address : std::string("about:blank");
    const int32_t w = width ? *width : window_extent(parent, 0);
    const int32_t h = height ? *height : window_extent(parent, 1);
    const uint32_t window_style =
        style ? *style
              : (style_choice == 1 ? WS_VISIBLE | WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS
                                   : WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
    const uint32_t ex_style = plain_edge == 1 ? 0 : static_cast<uint32_t>(WS_EX_CLIENTEDGE);
    host_hwnd = CreateWindowExA(ex_style, "AtlAxWin", target.c_str(), window_style, left, top, w, h, parent, 0,
                                GetModuleHandleA(nullptr), nullptr);
    platform::AutoRef control;
    AtlAxGetControl(host_hwnd, &control);
    browser = RtObject(control);
    if (block_menu == 1)
        block_context_menu();
    if (browser_out)
        rt_object_assign(*browser_out, browser);
    return host_hwnd;
}

void FlashOverlay::set_color_key(int64_t window, uint32_t colour)
{
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, colour, 200, LWA_COLORKEY);
}

void FlashOverlay::move_host(int32_t left, int32_t top, int32_t width, int32_t height)
{
    MoveWindow(host_hwnd, left, top, width, height, true);
}

int32_t FlashOverlay::host_height()
{
    RECT r;
    GetWindowRect(host_hwnd, &r);
    return r.bottom - r.top;
}

int32_t FlashOverlay::host_width()
{
    RECT r;
    GetWindowRect(host_hwnd, &r);
    return r.right - r.left;
}

void FlashOverlay::navigate_host(const std::string& address) { rt_ole_call(browser, "Navigate2", {address}); }

int64_t FlashOverlay::host_window() { return host_hwnd; }

void FlashOverlay::exec_command(int32_t command, int32_t option, std::string* input, std::string* output)
{
    std::vector<OleValue> args{command, option, input ? *input : std::string(), output ? *output : std::string()};
    rt_ole_call(browser, "ExecWB", args);
    if (output)
        if (const auto* text = std::get_if<std::string>(&args[3]))
            *output = *text;
}

void FlashOverlay::remove_own_border() { remove_border(host_hwnd); }

void FlashOverlay::block_context_menu() { subclass_server_window(host_hwnd); }

void FlashOverlay::hide_own_scrollbars() { hide_scrollbars(host_hwnd); }

void FlashOverlay::hide_scrollbars(int64_t window)
{
    References refs;
    if (!body_style_of(window, refs))
        return;
    for (const char* member : {"overflow", "overflowX", "overflowY"})
        rt_ole_write(refs.style, member, std::string("hidden;"));
    refs.parent_window = rt_ole_read_object(refs.document, "parentWindow");
    rt_ole_call(refs.parent_window, "execScript",
                {std::string("document.body.style.overflow='hidden';"), std::string("JavaScript")});
}

void FlashOverlay::remove_border(int64_t window)
{
    References refs;
    if (!body_style_of(window, refs))
        return;
    rt_ole_write(refs.style, "border", std::string("0px none #CCCCCC;"));
}

void FlashOverlay::do_nothing() {}

int64_t FlashOverlay::show_movie(int64_t parent, const Bytes* movie, uint32_t colour, int32_t trim)
{
    parent_hwnd = parent;
    set_color_key(parent, colour);
    color_key = colour;
    // A missing cache folder would put our files at the root: no movie then.
    const std::string folder = movie_folder();
    const bool usable = movie_folder_usable(folder);
    const std::string base = "plimb-" + rt_to_text(parent_hwnd);
    bool written = false;
    if (usable) {
        ensure_folder(folder);
        page_path = folder + base + ".htm";
        const Bytes& shown = movie && !movie->empty() ? *movie : media::default_movie();
        const bool movie_written = rt_write_file(folder + base + ".swf", shown);
        movie_width = window_extent(parent, 0);
        movie_height = window_extent(parent, 1);
        const bool page_written =
            rt_write_file(page_path, build_movie_page(parent_hwnd, movie_width, movie_height, colour));
        written = movie_written && page_written;
        clean_up_after(parent, folder + base);
    }
    if (trim != 0)
        SetTimer(parent, static_cast<uintptr_t>(parent), 5000, trim_timer_proc);
    // Without both files the browser would show an error page over the
    // stage, not a movie.
    if (!written)
        return 0;
    return create_host(parent, page_path, 0, 0, std::nullopt, std::nullopt, std::nullopt, 1, 1, 1, nullptr);
}

Bytes FlashOverlay::build_movie_page(int64_t n, int32_t width, int32_t height, uint32_t colour)
{
    page_text = fill_movie_page(rt_to_text(descramble_bytes(movie_page_template(), "")), n, width, height, colour);
    return rt_to_bytes(page_text);
}

void FlashOverlay::resize_movie(int32_t width, int32_t height)
{
    move_host(0, 0, width, height);
    rt_write_file(page_path, build_movie_page(parent_hwnd, width, height, color_key));
    navigate_host(page_path);
    movie_height = height;
    movie_width = width;
}

void FlashOverlay::recolor_movie(uint32_t colour)
{
    rt_write_file(page_path, build_movie_page(parent_hwnd, movie_width, movie_height, colour));
    navigate_host(page_path);
    set_color_key(parent_hwnd, colour);
    color_key = colour;
}
