// Program life: start-up, the message loop, processing events, waiting and
// ending the program.
#include "platform/clock.h"
#include "platform/hotkey.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/gbk.h"
#include "runtime/ui/model.h"
#include "runtime/ui/sound.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <utility>

namespace rtui {

namespace {

// How long a sprite frame stays on screen: the pace of the sprite
// animations (20 frames a second).
constexpr int kSpriteFrameMs = 50;
// When the sound device support is loaded after the message loop starts.
constexpr int kSoundSupportDelayMs = 1000;

QEventLoop* main_loop = nullptr;
struct PendingFrame {
    QPointer<QWidget> widget;
    QRect area; // one rectangle: the painter is fastest with a plain clip
};
std::vector<PendingFrame> pending_frames;

// The holds of one animation end one hold apart, so the time the handler
// and the painting take between two frames is part of the hold rather than
// added to it. The first frame after a pause is held whole; a frame that
// came later than its hold's end is not held at all.
void hold_frame()
{
    static QElapsedTimer clock;
    static qint64 last_end = 0;
    if (!clock.isValid())
        clock.start();
    const qint64 now = clock.elapsed();
    const bool running = last_end > 0 && now - last_end < 4 * kSpriteFrameMs;
    const qint64 end = running ? std::max(last_end + kSpriteFrameMs, now) : now + kSpriteFrameMs;
    last_end = end;
    if (end <= now)
        return;
    QEventLoop hold;
    QTimer::singleShot(int(end - now), Qt::PreciseTimer, &hold, &QEventLoop::quit);
    hold.exec();
}

void show_error_box(int number, std::string_view message)
{
    const std::string text = "运行时出错!\n错误号: " + std::to_string(number) + "\n" + std::string(message);
    std::cerr << "运行时出错! " << number << " " << message << std::endl;
    if (!qApp)
        return;
    if (DialogBackend* b = dialog_backend()) {
        b->message_box(text, 16, "运行时出错!");
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8("运行时出错!"), QString::fromStdString(text));
    box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    box.exec();
}

// The toolkit's own dialogs (files, fonts, colours) speak the programs'
// language, whatever the machine's locale. Without the translations
// installed they stay in English.
void install_translations()
{
    auto* qt = new QTranslator(qApp);
    if (qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace

void quit_message_loop_if_idle()
{
    if (main_loop && loaded_windows().empty())
        main_loop->quit();
}

void mark_frame_pending(QWidget* widget, const QRect& area)
{
    auto it = std::find_if(pending_frames.begin(), pending_frames.end(),
                           [widget](const PendingFrame& f) { return f.widget == widget; });
    if (it == pending_frames.end())
        pending_frames.push_back(PendingFrame{widget, area});
    else
        it->area |= area;
}

void paint_pending()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    flush_display();
}

void present_pending_frames()
{
    if (pending_frames.empty())
        return;
    // Units shown or hidden since the last frame ask for their repaint
    // through posted events; taken now, the frame shows them together with
    // the sprites instead of a moment later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    auto frames = std::move(pending_frames);
    pending_frames.clear();
    bool painted = false;
    for (auto& f : frames)
        if (f.widget && f.widget->isVisible()) {
            f.widget->repaint(f.area);
            painted = true;
        }
    if (!painted)
        return;
    flush_display();
    // Sprite frames come as fast as the handler can make them; each one is
    // held on screen for a moment so that a person sees the animation move
    // instead of a flash. Nobody watches the offscreen platform.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    hold_frame();
}

} // namespace rtui

using namespace rtui;

void rt_init(int& argc, char** argv)
{
    if (qApp)
        return;
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // While the application connects to the display, threads of their own
    // build the GBK tables, which the first settings read needs, and load
    // the font configuration, which the first widget with text needs.
    // Loaded twice at once it would be loaded twice, so the toolkit asks for
    // it only once it is there.
    std::thread tables([] { gbk_prepare(); });
    std::thread fonts([] { FcInit(); });
    // Lives until the process ends; rt_exit ends it without unwinding.
    auto* app = new QApplication(argc, argv);
    tables.join();
    fonts.join();
    app->setQuitOnLastWindowClosed(false);

    const QString dir = QCoreApplication::applicationDirPath();
    rt_set_run_dir(dir.toStdString());
    QDir::setCurrent(dir);

    install_translations();
    install_font_substitutions();
    QFont base = make_font("宋体", 12, false, false, false, false);
    QApplication::setFont(base);
    install_input_filter();
    rt_set_error_reporter(show_error_box);
}

int rt_message_loop()
{
    if (loaded_windows().empty())
        return 0;
    // The sound device support is loaded once the start window is up: not
    // while it comes up, and not when the first sound is wanted.
    static bool sound_prepared = false;
    if (!std::exchange(sound_prepared, true))
        QTimer::singleShot(kSoundSupportDelayMs, qApp, [] { sound::load_device_support(); });
    QEventLoop loop;
    QEventLoop* outer = main_loop;
    main_loop = &loop;
    loop.exec();
    main_loop = outer;
    return 0;
}

void rt_exit(int code)
{
    sound::shutdown();
    platform::unregister_all_hot_keys();
    for (auto& w : loaded_windows())
        if (w->widget)
            w->widget->hide();
    flush_display();
    std::fflush(nullptr);
    // Handlers of windows may still be on the stack: end here, without
    // unwinding into them or running the toolkit's teardown.
    std::_Exit(code);
}

void rt_do_events()
{
    present_pending_frames();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void rt_delay(int32_t milliseconds)
{
    if (milliseconds <= 0)
        return;
    present_pending_frames();
    Clock& clock = platform_clock();
    const uint32_t start = clock.milliseconds_since_boot();
    const uint32_t limit = static_cast<uint32_t>(milliseconds);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (;;) {
        const uint32_t elapsed = clock.milliseconds_since_boot() - start;
        if (elapsed > limit)
            break;
        // Short steps let a clock that tests move by hand end the wait too.
        timer.start(static_cast<int>(std::min<uint32_t>(limit - elapsed + 1, 50)));
        loop.exec();
    }
}

void rt_post(std::function<void()> action)
{
    QMetaObject::invokeMethod(qApp, [action = std::move(action)] { action(); }, Qt::QueuedConnection);
}
