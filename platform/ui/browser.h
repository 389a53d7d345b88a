#pragma once
// Inside the window layer: the web browser control. A host window of class
// "AtlAxWin" holds the control's windows "Shell Embedding" > "Shell
// DocObject View" > "Internet Explorer_Server"; the last one shows the page:
// its background, its border and scroll bars as the body's style says, and
// the movie it embeds, played at the movie's frame rate.

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation.h"
#include "platform/html_page.h"
#include "platform/ui/color_key.h"
#include "platform/ui/movie_player.h"
#include "platform/ui/windows.h"

class QMenu;
class QScrollBar;
class QTimer;

namespace platform {

class ServerView;

// One loaded page. Automation objects of the document share it, so a script
// that changes the body's style changes what the view shows.
struct DocumentState {
    std::string url;
    MoviePage page;
    std::string movie_path; // the file the page names, resolved; "" when none
    QPointer<ServerView> view;
    void changed();
};

// "Internet Explorer_Server": the view of the current document.
class ServerView final : public MessageWindow {
public:
    explicit ServerView(QWidget* parent);
    ~ServerView() override;

    void show_document(std::shared_ptr<DocumentState> document);
    const std::shared_ptr<DocumentState>& document() const { return document_; }
    void relayout();
    void popup_menu(QPoint global);
    void set_playing(bool playing);
    bool playing() const { return playing_; }
    // Reload asked for from the menu.
    std::function<void()> on_refresh;

    // What the view shows now (for the colour key and for tests).
    const QImage& frame() const { return frame_; }
    QRect movie_rect() const { return movie_rect_; }
    bool has_movie() const { return player_ != nullptr; }
    QScrollBar* horizontal_bar() const { return hbar_; }
    QScrollBar* vertical_bar() const { return vbar_; }
    QMenu* menu() const { return menu_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void start_clock();
    void tick();
    // The timer set for when the frame after the last one played falls due.
    void tick_when_next_due();
    // All of it, or (on a movie's tick, when nothing but the movie shows)
    // only what the movie drew last time and draws now.
    void render_frame(bool whole = true);
    int border_width() const;
    void draw_border(QPainter& p, const Border& border, int width) const;

    std::shared_ptr<DocumentState> document_;
    std::unique_ptr<MoviePlayer> player_;
    MovieScale scale_ = MovieScale::ShowAll;
    QTimer* timer_ = nullptr;
    QElapsedTimer played_;     // since the movie started (or was seen again)
    int64_t frames_played_ = 0;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    QMenu* menu_ = nullptr;
    QImage frame_;
    QRegion drawn_;         // where the frame is not the page's background
    bool drawn_known_ = false;
    KeyedFrame keyed_ = KeyedFrame::Whole; // how the window shows only drawn_
    QRegion clear_;         // seen through: the cells around drawn_, key made transparent there
    QRect viewport_;
    QRect movie_rect_;
    bool playing_ = true;
    bool laying_out_ = false;
};

// "AtlAxWin": the host window and the control it made for its title.
class HostWindow final : public MessageWindow {
public:
    HostWindow(QWidget* parent, uint32_t style, uint32_t ex_style);
    ~HostWindow() override;

    AutoRef control() const { return control_; }
    void create_control(const std::string& address);
    void navigate(const std::string& address);
    void refresh();
    void stop();
    const std::string& location() const { return location_; }
    bool busy() const { return busy_; }
    ServerView* server() const { return server_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void load(uint64_t generation);

    AutoRef control_;
    QPointer<QWidget> embedding_;
    QPointer<QWidget> doc_view_;
    QPointer<ServerView> server_;
    std::string location_;
    bool busy_ = false;
    uint64_t generation_ = 0;
    int edge_ = 0;
};

// The page's own bytes and what they show, for a local file or about:blank;
// a page that cannot be read gives an empty white page.
std::shared_ptr<DocumentState> load_document(const std::string& address);

} // namespace platform
