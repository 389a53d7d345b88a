#pragma once
// Plays an SWF movie over a window: the movie and a page that shows it are
// written into a folder beside the browser's cache, the covered window is
// made layered with one colour see-through, and the page opens in a web
// browser control hosted in an "AtlAxWin" child window that fills it.
// Right-button presses inside the browser are swallowed, so no context menu
// appears over the movie. Both programs use it for their fireworks.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/user32.h"
#include "runtime/ole.h"
#include "runtime/types.h"

class FlashOverlay {
public:
    int64_t host_hwnd = 0;     // the "AtlAxWin" host window; 0 until create_host
    RtObject browser;          // the browser control in the host window
    std::string page_text;     // the page last built by build_movie_page
    std::string page_path;     // full path of the page file
    uint32_t color_key = 0;    // 0x00BBGGRR, see-through in the covered window
    int32_t movie_width = 0;   // of the movie page, pixels
    int32_t movie_height = 0;
    int64_t parent_hwnd = 0;   // the covered window; names the movie and page files

    FlashOverlay() = default;
    FlashOverlay(const FlashOverlay&) = default;
    FlashOverlay& operator=(const FlashOverlay&) = default;
    virtual ~FlashOverlay() = default;

    // The operations, in their slot order. They call one another through
    // these slots.

    // Lets go of the browser and the texts. The host window stays: it is a
    // child of the covered window and the movie plays on in it.
    virtual void release();
    // The same field values; the browser is shared.
    virtual std::unique_ptr<FlashOverlay> copy() const;
    // Opens `address` ("about:blank" when none) in a new host window at
    // left, top, of the parent's outer size unless given. Style choice 1
    // makes a plain clipping child, anything else one with scroll bars;
    // plain edge 1 leaves out the sunken client edge. Block menu 1 swallows
    // right-button presses. `browser_out` gets a further reference to the
    // control. Returns the host window (0 when it could not be made).
    virtual int64_t create_host(int64_t parent, std::optional<std::string> address = std::nullopt, int32_t left = 0,
                                int32_t top = 0, std::optional<int32_t> width = std::nullopt,
                                std::optional<int32_t> height = std::nullopt,
                                std::optional<uint32_t> style = std::nullopt, int32_t block_menu = 0,
                                int32_t plain_edge = 0, int32_t style_choice = 0, RtObject* browser_out = nullptr);
    // The window becomes layered with `colour` see-through.
    virtual void set_color_key(int64_t window, uint32_t colour);
    virtual void move_host(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual int32_t host_height();
    virtual int32_t host_width();
    virtual void navigate_host(const std::string& address);
    virtual int64_t host_window();
    virtual void exec_command(int32_t command, int32_t option, std::string* input = nullptr,
                              std::string* output = nullptr);
    virtual void remove_own_border();
    virtual void block_context_menu();
    virtual void hide_own_scrollbars();
    virtual void hide_scrollbars(int64_t window);
    virtual void remove_border(int64_t window);
    virtual void do_nothing();
    // Shows `movie` (the default movie when empty or none) over `parent`
    // with `colour` see-through; a non-zero trim flag hands unused memory
    // back every 5 seconds while the parent lives. Returns the host window,
    // or 0 when the files could not be written where they belong: then no
    // movie shows and the parent stays wholly see-through where it is
    // `colour`.
    virtual int64_t show_movie(int64_t parent, const Bytes* movie = nullptr, uint32_t colour = 0, int32_t trim = 0);
    // The page, as GBK bytes, for the movie "plimb-<n>.swf".
    virtual Bytes build_movie_page(int64_t n, int32_t width, int32_t height, uint32_t colour);
    virtual void resize_movie(int32_t width, int32_t height);
    virtual void recolor_movie(uint32_t colour);
};

// The routines behind the operations.
namespace flash_overlay {

// Right-button down and up stop here; every other message goes on to this
// procedure, which the browser's server window had before (one for all).
extern int32_t server_old_proc;
LRESULT server_window_proc(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam);

// Outer width (which 0) or height (1) of a window.
int32_t window_extent(int64_t window, int which);
// "Shell Embedding" > "Shell DocObject View" > "Internet Explorer_Server"
// below the host; 0 when a link is missing.
int64_t find_browser_server_window(int64_t host);
// Waits (processing events) at most this long for the server window.
inline constexpr uint32_t kServerWaitMs = 2000;
void subclass_server_window(int64_t host);
// Depth first: the first "Internet Explorer_Server" below the window.
int64_t find_child_by_class(int64_t window);
// The document of a server window; empty when it cannot be had.
RtObject document_from_window(int64_t server_window);
bool ensure_folder(const std::string& folder);
void trim_working_set();
void trim_timer_proc(int64_t window, uint32_t message, uintptr_t id, uint32_t time);

} // namespace flash_overlay
