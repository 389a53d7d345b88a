// The web browser control: host window, inner windows, the page view with
// its movie, and the automation objects of the control and its document.
#include "platform/ui/browser.h"

#include "platform/ascii.h"

#include "platform/atl.h"
#include "platform/mshtml.h"
#include "platform/oleacc.h"
#include "platform/ui/color_key.h"

#include <QAction>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace platform {
namespace {

constexpr qint64 kMaxPageBytes = 1 << 20;
constexpr qint64 kMaxMovieBytes = 64 << 20;

std::vector<uint8_t> read_bounded(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > limit)
        return {};
    const QByteArray bytes = f.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A local file behind an address: a path (either separator) or a file: URL.
// Nothing for other schemes.
std::optional<QString> local_path(const std::string& address)
{
    std::string a = address;
    if (ascii_starts_with(a, "file:")) {
        a.erase(0, 5);
        while (a.size() >= 2 && (a[0] == '/' || a[0] == '\\') && (a[1] == '/' || a[1] == '\\'))
            a.erase(0, 1);
        a = QUrl::fromPercentEncoding(QByteArray::fromStdString(a)).toStdString();
    } else {
        const size_t colon = a.find(':');
        const size_t slash = a.find_first_of("/\\");
        if (colon != std::string::npos && colon > 1 && (slash == std::string::npos || colon < slash))
            return std::nullopt; // http:, about:, ...
    }
    std::replace(a.begin(), a.end(), '\\', '/');
    if (a.empty())
        return std::nullopt;
    return QString::fromStdString(a);
}

// Attribute values come in the page's bytes, which are GBK.
QString page_text(const std::string& bytes)
{
    QStringDecoder gbk("GB18030");
    if (gbk.isValid()) {
        const QString s = gbk.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (!gbk.hasError())
            return s;
    }
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

MovieScale scale_of(const std::string& s)
{
    if (s == "noborder")
        return MovieScale::NoBorder;
    if (s == "exactfit")
        return MovieScale::ExactFit;
    return MovieScale::ShowAll;
}

// The grid a view seen through its window repaints in: small enough that
// far-apart sparks do not make the compositor redraw the space between
// them, large enough that a frame is tens of rectangles, not thousands.
constexpr int kSeeThroughCell = 32;

// A frame the size of the view. A full-screen one is 8 MB of fresh memory,
// and on a machine whose page faults are slow the first paint into it paid
// for 2000 of them (about 25 ms, before a window of fireworks could show);
// in large pages it takes four.
QImage fresh_frame(QSize size)
{
    constexpr size_t kLarge = size_t(2) << 20;
    const qsizetype line = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(line) * size_t(size.height());
    if (size.isEmpty() || bytes < 2 * kLarge)
        return QImage(size, QImage::Format_RGB32);
    void* data = std::aligned_alloc(kLarge, (bytes + kLarge - 1) / kLarge * kLarge);
    if (!data)
        return QImage(size, QImage::Format_RGB32);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(data, (bytes + kLarge - 1) / kLarge * kLarge, MADV_HUGEPAGE); // a hint: failure is fine
#endif
    return QImage(static_cast<uchar*>(data), size.width(), size.height(), line, QImage::Format_RGB32,
                  [](void* p) { std::free(p); }, data);
}

QColor page_color(const std::optional<uint32_t>& rgb)
{
    return rgb ? QColor(QRgb(0xFF000000u | *rgb)) : QColor(Qt::white);
}

// -------------------------------------------------------------------------
// Automation objects

class StyleObject final : public Automation {
public:
    explicit StyleObject(std::shared_ptr<DocumentState> d) : doc_(std::move(d)) {}
    bool get(std::string_view name, AutoValue& value) override
    {
        const std::optional<std::string> text = doc_->page.body.get(name);
        if (!text)
            return false;
        value = *text;
        return true;
    }
    bool put(std::string_view name, const AutoValue& value) override
    {
        std::string text;
        if (!value_text(value, text) || !doc_->page.body.set(name, text))
            return false;
        doc_->changed();
        return true;
    }

private:
    std::shared_ptr<DocumentState> doc_;
};

class BodyObject final : public Automation {
public:
    explicit BodyObject(std::shared_ptr<DocumentState> d) : doc_(std::move(d)) {}
    bool get(std::string_view name, AutoValue& value) override
    {
        if (same_name(name, "style"))
            value = AutoRef(std::make_shared<StyleObject>(doc_));
        else if (same_name(name, "tagName"))
            value = std::string("BODY");
        else
            return false;
        return true;
    }

private:
    std::shared_ptr<DocumentState> doc_;
};

class WindowObject final : public Automation {
public:
    explicit WindowObject(std::shared_ptr<DocumentState> d) : doc_(std::move(d)) {}
    bool invoke(std::string_view name, std::vector<AutoValue>& args, AutoValue& result) override
    {
        if (!same_name(name, "execScript") || args.empty())
            return false;
        std::string code, language;
        if (!value_text(args[0], code))
            return false;
        if (args.size() > 1 && !value_text(args[1], language))
            return false;
        const bool ran = run_body_style_script(code, language, doc_->page.body);
        doc_->changed(); // statements before a failing one took effect
        result = std::monostate();
        return ran;
    }

private:
    std::shared_ptr<DocumentState> doc_;
};

class DocumentObject final : public Automation {
public:
    explicit DocumentObject(std::shared_ptr<DocumentState> d) : doc_(std::move(d)) {}
    bool supports(const GUID& iid) const override
    {
        return iid == IID_IHTMLDocument || iid == IID_IHTMLDocument2 || Automation::supports(iid);
    }
    bool get(std::string_view name, AutoValue& value) override
    {
        if (same_name(name, "body"))
            value = AutoRef(std::make_shared<BodyObject>(doc_));
        else if (same_name(name, "parentWindow"))
            value = AutoRef(std::make_shared<WindowObject>(doc_));
        else if (same_name(name, "URL"))
            value = doc_->url;
        else if (same_name(name, "readyState"))
            value = std::string("complete");
        else
            return false;
        return true;
    }

private:
    std::shared_ptr<DocumentState> doc_;
};

class BrowserObject final : public Automation {
public:
    explicit BrowserObject(HostWindow* host) : host_(host) {}
    bool get(std::string_view name, AutoValue& value) override
    {
        if (!host_)
            return false;
        if (same_name(name, "Document")) {
            ServerView* server = host_->server();
            if (!server || !server->document())
                return false;
            value = AutoRef(std::make_shared<DocumentObject>(server->document()));
        } else if (same_name(name, "LocationURL")) {
            value = host_->location();
        } else if (same_name(name, "Busy")) {
            value = host_->busy();
        } else if (same_name(name, "ReadyState")) {
            value = int32_t(host_->busy() ? 1 : 4); // loading, complete
        } else {
            return false;
        }
        return true;
    }
    bool invoke(std::string_view name, std::vector<AutoValue>& args, AutoValue& result) override
    {
        if (!host_)
            return false;
        result = std::monostate();
        if (same_name(name, "Navigate2") || same_name(name, "Navigate")) {
            std::string address;
            if (args.empty() || !value_text(args[0], address))
                return false;
            host_->navigate(address);
            return true;
        }
        if (same_name(name, "ExecWB")) {
            int32_t command = 0;
            if (args.empty() || !value_int(args[0], command))
                return false;
            if (command == OLECMDID_REFRESH)
                host_->refresh();
            else if (command == OLECMDID_STOP)
                host_->stop();
            else
                return false; // a command this control does not carry out
            return true;
        }
        if (same_name(name, "Refresh")) {
            host_->refresh();
            return true;
        }
        if (same_name(name, "Stop")) {
            host_->stop();
            return true;
        }
        return false;
    }

private:
    QPointer<HostWindow> host_;
};

// -------------------------------------------------------------------------
// Window classes

// "Shell Embedding" and "Shell DocObject View": each filled by its child.
class FillWindow final : public MessageWindow {
public:
    using MessageWindow::MessageWindow;

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        MessageWindow::resizeEvent(e);
        for (QObject* o : children())
            if (o->isWidgetType() && handle_of(static_cast<QWidget*>(o)))
                static_cast<QWidget*>(o)->setGeometry(rect());
    }
};

// Asked on every message the view gets, mouse moves included.
uint32_t html_getobject_message()
{
    static const uint32_t message = RegisterWindowMessageA("WM_HTML_GETOBJECT");
    return message;
}

LRESULT server_procedure(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    auto* view = dynamic_cast<ServerView*>(widget_of(window));
    if (view && message == html_getobject_message() && message != 0) {
        if (!view->document())
            return 0;
        return LresultFromObject(IID_IHTMLDocument, wparam, std::make_shared<DocumentObject>(view->document()));
    }
    if (view && message == WM_CONTEXTMENU) {
        QPoint at(lparam_x(lparam), lparam_y(lparam));
        if (at == QPoint(-1, -1)) // from the keyboard
            at = view->mapToGlobal(view->rect().center());
        view->popup_menu(at);
        return 0;
    }
    if (view && message == WM_MOUSEWHEEL) {
        if (QScrollBar* bar = view->vertical_bar(); bar && bar->isVisible()) {
            const int delta = static_cast<int16_t>((wparam >> 16) & 0xFFFF);
            bar->setValue(bar->value() - delta / 120 * bar->singleStep() * 3);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT host_procedure(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        auto* host = dynamic_cast<HostWindow*>(widget_of(window));
        if (!host)
            return -1;
        char title[4096];
        GetWindowTextA(window, title, sizeof title);
        host->create_control(title);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT fill_procedure(int64_t window, uint32_t message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

// ---------------------------------------------------------------------------

void DocumentState::changed()
{
    if (view && view->document().get() == this)
        view->relayout();
}

std::shared_ptr<DocumentState> load_document(const std::string& address)
{
    auto doc = std::make_shared<DocumentState>();
    doc->url = address;
    if (same_name(address, "about:blank"))
        return doc;
    const std::optional<QString> path = local_path(address);
    if (!path)
        return doc;
    const std::vector<uint8_t> bytes = read_bounded(*path, kMaxPageBytes);
    if (bytes.empty())
        return doc;
    doc->page = read_movie_page(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (doc->page.movie) {
        const QString source = page_text(doc->page.movie->source);
        std::optional<QString> movie;
        if (source.startsWith("file:", Qt::CaseInsensitive))
            movie = local_path(source.toStdString());
        else if (!source.contains(':'))
            movie = source.startsWith('/') || source.startsWith('\\')
                        ? QString(source).replace('\\', '/')
                        : QFileInfo(*path).absolutePath() + '/' + QString(source).replace('\\', '/');
        if (movie)
            doc->movie_path = movie->toStdString();
    }
    return doc;
}

ServerView::ServerView(QWidget* parent) : MessageWindow(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    vbar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {hbar_, vbar_}) {
        bar->hide();
        bar->setContextMenuPolicy(Qt::NoContextMenu);
        connect(bar, &QScrollBar::valueChanged, this, [this] { relayout(); });
    }
    document_ = std::make_shared<DocumentState>();
    document_->url = "about:blank";
}

ServerView::~ServerView() = default;

void ServerView::show_document(std::shared_ptr<DocumentState> document)
{
    timer_->stop();
    player_.reset();
    document_ = std::move(document);
    document_->view = this;
    if (!document_->movie_path.empty()) {
        const std::vector<uint8_t> bytes = read_bounded(QString::fromStdString(document_->movie_path), kMaxMovieBytes);
        if (!bytes.empty()) {
            auto player = std::make_unique<MoviePlayer>(bytes);
            if (!player->empty())
                player_ = std::move(player);
        }
    }
    if (player_) {
        scale_ = scale_of(document_->page.movie ? document_->page.movie->scale : std::string());
        timer_->setInterval(std::max(1, static_cast<int>(std::lround(1000.0 / player_->frame_rate()))));
        if (playing_)
            start_clock();
    }
    hbar_->setValue(0);
    vbar_->setValue(0);
    relayout();
}

void ServerView::set_playing(bool playing)
{
    playing_ = playing;
    if (playing_ && player_)
        start_clock();
    else
        timer_->stop();
}

void ServerView::start_clock()
{
    played_.start();
    frames_played_ = 0;
    // The first tick comes when frame 1 falls due, as every later one does:
    // after a whole period it came late, and frame 1, the first that shows
    // anything of a movie that starts empty, had only half of its time on
    // screen.
    tick_when_next_due();
}

// The movie keeps its own time: a late tick catches up on the frames that
// were due (a few at most), so a busy machine shows the show at its pace
// with frames left out rather than slowed down.
void ServerView::tick()
{
    if (!player_)
        return;
    // Nobody sees a hidden view: its movie waits.
    if (!isVisible()) {
        played_.restart();
        frames_played_ = 0;
        return;
    }
    // Rounded: the timer's whole milliseconds may fall just short of a frame.
    const double period = 1000.0 / player_->frame_rate();
    const int64_t due = std::llround(static_cast<double>(played_.elapsed()) / period);
    if (due > frames_played_) {
        const int64_t steps = std::min<int64_t>(due - frames_played_, 4);
        for (int64_t i = 0; i < steps; ++i)
            player_->advance();
        frames_played_ = due;
        render_frame(false);
    }
    tick_when_next_due();
}

// A fixed interval of whole milliseconds drifts against the movie's time
// (28 ms for 27.8): now and then a tick found two frames due and the next
// none, a gap of two frames.
void ServerView::tick_when_next_due()
{
    const double next = (static_cast<double>(frames_played_) + 0.5) * 1000.0 / player_->frame_rate();
    timer_->start(std::max(1, static_cast<int>(std::ceil(next - static_cast<double>(played_.elapsed())))));
}

// The body's border as drawn: never more than half the view.
int ServerView::border_width() const
{
    const Border& border = document_->page.body.border;
    return border.shown() ? std::clamp(border.width, 0, std::min(width(), height()) / 2) : 0;
}

void ServerView::relayout()
{
    if (laying_out_)
        return;
    laying_out_ = true;
    const BodyStyle& body = document_->page.body;
    const int border = border_width();
    const QRect avail = rect().adjusted(border, border, -border, -border);

    QSize movie;
    if (player_) {
        const MoviePage::Movie& m = *document_->page.movie;
        movie = QSize(m.width > 0 ? m.width : player_->stage_size().width(),
                      m.height > 0 ? m.height : player_->stage_size().height());
    }
    const int content_w = body.margin_left + movie.width() + body.margin_right;
    const int content_h = body.margin_top + movie.height() + body.margin_bottom;
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    auto automatic = [](Overflow o) { return o == Overflow::Auto || o == Overflow::Visible; };
    bool need_v = body.overflow_y == Overflow::Scroll || (automatic(body.overflow_y) && content_h > avail.height());
    bool need_h = body.overflow_x == Overflow::Scroll ||
                  (automatic(body.overflow_x) && content_w > avail.width() - (need_v ? extent : 0));
    if (!need_v && automatic(body.overflow_y) && need_h && content_h > avail.height() - extent)
        need_v = true;

    viewport_ = avail.adjusted(0, 0, need_v ? -extent : 0, need_h ? -extent : 0);
    if (viewport_.width() < 0)
        viewport_.setWidth(0);
    if (viewport_.height() < 0)
        viewport_.setHeight(0);
    vbar_->setVisible(need_v);
    hbar_->setVisible(need_h);
    if (need_v) {
        vbar_->setGeometry(viewport_.right() + 1, avail.top(), extent, viewport_.height());
        vbar_->setRange(0, std::max(0, content_h - viewport_.height()));
        vbar_->setPageStep(std::max(1, viewport_.height()));
        vbar_->setSingleStep(16);
    }
    if (need_h) {
        hbar_->setGeometry(avail.left(), viewport_.bottom() + 1, viewport_.width(), extent);
        hbar_->setRange(0, std::max(0, content_w - viewport_.width()));
        hbar_->setPageStep(std::max(1, viewport_.width()));
        hbar_->setSingleStep(16);
    }
    const int sx = need_h ? hbar_->value() : 0;
    const int sy = need_v ? vbar_->value() : 0;
    movie_rect_ = QRect(viewport_.left() + body.margin_left - sx, viewport_.top() + body.margin_top - sy,
                        movie.width(), movie.height());
    laying_out_ = false;
    render_frame();
}

void ServerView::draw_border(QPainter& p, const Border& border, int width) const
{
    if (width <= 0)
        return;
    const QRect r = rect();
    QColor top_left = QColor(QRgb(0xFF000000u | border.color));
    QColor bottom_right = top_left;
    if (border.style == BorderStyle::Inset || border.style == BorderStyle::Groove) {
        top_left = QColor(128, 128, 128);
        bottom_right = QColor(240, 240, 240);
    } else if (border.style == BorderStyle::Outset || border.style == BorderStyle::Ridge) {
        top_left = QColor(240, 240, 240);
        bottom_right = QColor(128, 128, 128);
    }
    p.fillRect(QRect(r.left(), r.top(), r.width(), width), top_left);
    p.fillRect(QRect(r.left(), r.top(), width, r.height()), top_left);
    p.fillRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width), bottom_right);
    p.fillRect(QRect(r.right() - width + 1, r.top(), width, r.height()), bottom_right);
}

// The frame is drawn once and then both shown and handed to the colour key.
// While only the movie shows (no border, no scroll bars), a tick clears and
// repaints just what the movie covers, so the cost follows the sparks, not
// the screen.
void ServerView::render_frame(bool whole)
{
    if (width() <= 0 || height() <= 0)
        return;
    if (frame_.size() != size()) {
        frame_ = fresh_frame(size());
        whole = true;
    }
    const BodyStyle& body = document_->page.body;
    const int border = border_width();
    const bool movie_only = border == 0 && !hbar_->isVisibleTo(this) && !vbar_->isVisibleTo(this);
    if (!movie_only || !drawn_known_)
        whole = true;
    const QColor background = page_color(body.background);
    QPainter p(&frame_);
    if (whole)
        p.fillRect(frame_.rect(), background);
    else
        for (const QRect& r : keyed_ == KeyedFrame::SeeThrough ? clear_ : drawn_)
            p.fillRect(r, background);
    if (player_ && !movie_rect_.isEmpty()) {
        p.save();
        p.setClipRect(viewport_);
        player_->paint(p, QRectF(movie_rect_), scale_);
        p.restore();
    }
    draw_border(p, body.border, border);
    for (QScrollBar* bar : {hbar_, vbar_})
        if (bar->isVisibleTo(this))
            bar->render(&p, bar->pos());
    p.end();

    const QRegion before = drawn_;
    drawn_ = region_outside_key(frame_, background.rgb());
    drawn_known_ = true;
    const KeyedFrame was_keyed = keyed_;
    keyed_ = offer_key_frame(this, frame_, &drawn_, background.rgb());
    if (keyed_ == KeyedFrame::SeeThrough) {
        // The background is made transparent around what shows, and only
        // there is the window repainted: the old cells, cleared, and the new.
        const QRegion before_cells = was_keyed == KeyedFrame::SeeThrough ? clear_ : QRegion();
        clear_ = grid_cells(drawn_, kSeeThroughCell);
        clear_key(frame_, clear_, background.rgb());
        if (whole || was_keyed != KeyedFrame::SeeThrough)
            update();
        else
            update(before_cells | clear_);
        return;
    }
    clear_ = QRegion();
    if (whole || (was_keyed != KeyedFrame::Whole && keyed_ != was_keyed))
        update();
    else
        update(frame_update_area(before, drawn_));
}

void ServerView::paintEvent(QPaintEvent* e)
{
    if (frame_.size() != size())
        render_frame();
    // Where the window is cut to what is not the page's background, the rest
    // is not copied: for a new full-screen window that was 8 MB of fresh
    // memory written (25 to 35 ms on a machine with slow page faults) before
    // the first frame of its movie could show.
    if (keyed_ == KeyedFrame::SeeThrough) {
        // The window has an alpha channel and the toolkit clears what it
        // repaints; around what shows the frame's key is transparent.
        const QImage clear(frame_.constBits(), frame_.width(), frame_.height(), frame_.bytesPerLine(),
                           QImage::Format_ARGB32_Premultiplied);
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : clear_ & e->region())
            p.drawImage(r, clear, r);
        return;
    }
    const QRect area = keyed_ != KeyedFrame::Whole ? e->rect() & drawn_.boundingRect() : e->rect();
    if (area.isEmpty())
        return;
    QPainter p(this);
    p.drawImage(area, frame_, area);
}

void ServerView::resizeEvent(QResizeEvent* e)
{
    MessageWindow::resizeEvent(e);
    relayout();
}

void ServerView::showEvent(QShowEvent* e)
{
    MessageWindow::showEvent(e);
    render_frame();
}

void ServerView::popup_menu(QPoint global)
{
    if (!menu_) {
        menu_ = new QMenu(this);
        QAction* refresh = menu_->addAction(QStringLiteral("刷新"));
        connect(refresh, &QAction::triggered, this, [this] {
            if (on_refresh)
                on_refresh();
        });
        menu_->addSeparator();
        QAction* play = menu_->addAction(QStringLiteral("播放"));
        play->setCheckable(true);
        connect(play, &QAction::toggled, this, [this](bool on) { set_playing(on); });
        connect(menu_, &QMenu::aboutToShow, this, [this, play] {
            play->setEnabled(player_ != nullptr);
            play->setChecked(playing_);
        });
    }
    menu_->popup(global);
}

// ---------------------------------------------------------------------------

HostWindow::HostWindow(QWidget* parent, uint32_t style, uint32_t ex_style) : MessageWindow(parent)
{
    edge_ = (ex_style & WS_EX_CLIENTEDGE) ? 2 : 0;
    const int extent = this->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    setContentsMargins(edge_, edge_, edge_ + ((style & WS_VSCROLL) ? extent : 0),
                       edge_ + ((style & WS_HSCROLL) ? extent : 0));
}

HostWindow::~HostWindow() = default;

void HostWindow::create_control(const std::string& address)
{
    control_ = std::make_shared<BrowserObject>(this);
    const QRect client = contentsRect();
    const int64_t embedding = CreateWindowExA(0, "Shell Embedding", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                              client.width(), client.height(), handle_of(this), 0, 0, nullptr);
    embedding_ = widget_of(embedding);
    const int64_t doc_view = CreateWindowExA(0, "Shell DocObject View", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                             0, client.width(), client.height(), embedding, 0, 0, nullptr);
    doc_view_ = widget_of(doc_view);
    navigate(address.empty() ? std::string("about:blank") : address);
}

void HostWindow::navigate(const std::string& address)
{
    location_ = address;
    busy_ = true;
    const uint64_t generation = ++generation_;
    // Pages load after the caller has returned, as they do in a browser:
    // the page's window comes with the first page.
    QTimer::singleShot(0, this, [this, generation] { load(generation); });
}

void HostWindow::refresh() { navigate(location_); }

void HostWindow::stop()
{
    ++generation_;
    busy_ = false;
    if (server_)
        server_->set_playing(false);
}

void HostWindow::load(uint64_t generation)
{
    if (generation != generation_ || !doc_view_)
        return;
    std::shared_ptr<DocumentState> doc = load_document(location_);
    if (!server_) {
        const QSize size = doc_view_->size();
        const int64_t server = CreateWindowExA(0, "Internet Explorer_Server", "", WS_CHILD | WS_VISIBLE, 0, 0,
                                               size.width(), size.height(), handle_of(doc_view_), 0, 0, nullptr);
        server_ = dynamic_cast<ServerView*>(widget_of(server));
        if (!server_)
            return;
        server_->on_refresh = [this] { refresh(); };
    }
    server_->set_playing(true);
    server_->show_document(std::move(doc));
    busy_ = false;
}

void HostWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
    const QRect client = contentsRect();
    // Scroll bars the host window was made with: it never scrolls itself.
    if (client.right() + 1 < width() - edge_)
        p.fillRect(QRect(client.right() + 1, client.top(), width() - edge_ - client.right() - 1, client.height()),
                   QColor(225, 225, 225));
    if (client.bottom() + 1 < height() - edge_)
        p.fillRect(QRect(client.left(), client.bottom() + 1, client.width(), height() - edge_ - client.bottom() - 1),
                   QColor(225, 225, 225));
    if (edge_ > 0) {
        // The sunken client edge.
        const QRect r = rect();
        p.setPen(QColor(160, 160, 160));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(QColor(105, 105, 105));
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        p.setPen(QColor(227, 227, 227));
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
}

void HostWindow::resizeEvent(QResizeEvent* e)
{
    MessageWindow::resizeEvent(e);
    if (embedding_)
        embedding_->setGeometry(contentsRect());
}

} // namespace platform

using namespace platform;

bool AtlAxWinInit()
{
    if (!QCoreApplication::instance())
        return false;
    static bool registered = false;
    if (registered)
        return true;
    registered = true;
    register_window_class("AtlAxWin", host_procedure,
                          [](const CreateRequest& r) { return new HostWindow(r.parent, r.style, r.ex_style); });
    register_window_class("Shell Embedding", fill_procedure,
                          [](const CreateRequest& r) { return new FillWindow(r.parent); });
    register_window_class("Shell DocObject View", fill_procedure,
                          [](const CreateRequest& r) { return new FillWindow(r.parent); });
    register_window_class("Internet Explorer_Server", server_procedure,
                          [](const CreateRequest& r) { return new ServerView(r.parent); });
    return true;
}

int32_t AtlAxGetControl(int64_t host_window, AutoRef* control)
{
    if (!control)
        return E_INVALIDARG;
    auto* host = dynamic_cast<HostWindow*>(widget_of(host_window));
    if (!host || !host->control())
        return E_FAIL;
    *control = host->control();
    return S_OK;
}
