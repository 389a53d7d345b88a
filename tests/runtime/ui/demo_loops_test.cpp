// Waiting, nested and modal loops, closing windows, and the dialogs.
#include "tests/runtime/ui/demo_window.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "runtime/files.h"
#include "runtime/ui/dialogs.h"

using namespace demo;

namespace {

class DemoLoops : public DemoTest {};

uint32_t now() { return platform_clock().milliseconds_since_boot(); }

TEST_F(DemoLoops, DelayReturnsOnlyAfterMoreThanTheTimeAndRunsEventsMeanwhile)
{
    open_main();
    bool posted = false;
    rt_post([&] { posted = true; });
    const uint32_t start = now();
    rt_delay(120);
    EXPECT_GT(now() - start, 120u);
    EXPECT_TRUE(posted);
}

TEST_F(DemoLoops, DelayOfZeroOrLessReturnsWithoutProcessingEvents)
{
    bool posted = false;
    rt_post([&] { posted = true; });
    rt_delay(0);
    rt_delay(-50);
    EXPECT_FALSE(posted);
    rt_do_events();
    EXPECT_TRUE(posted);
}

// Moves on by a fixed step each time it is read.
class SteppingClock final : public Clock {
public:
    uint32_t milliseconds_since_boot() override { return now_ += 1000; }
    uint32_t now_ = 0xFFFFF000u;  // wraps during the wait
};

TEST_F(DemoLoops, DelayMeasuresWithThePlatformClock)
{
    SteppingClock clock;
    set_platform_clock(&clock);
    rt_delay(3000);  // four readings of the test clock, not three seconds
    set_platform_clock(nullptr);
    EXPECT_EQ(clock.now_, 0xFFFFF000u + 5 * 1000u);
}

TEST_F(DemoLoops, TimerKeepsTickingInsideDelayAndInsideAModalMessageBox)
{
    open_main();
    rt_set(unit("时钟1"), P_TIMER_INTERVAL, 5);
    rt_delay(40);
    EXPECT_GT(state().ticks, 0);

    int ticks_seen = -1;
    dialogs.message_answers = {1};
    dialogs.on_show = [&](const ScriptedDialogs::Shown&) {
        // The box is open: the main window takes no input, timers run.
        EXPECT_TRUE(rt_get_bool(rt_window(MainWindow), P_DISABLED));
        rt_test_click(unit("按钮_确定"));
        const int before = state().ticks;
        for (int i = 0; i < 200 && state().ticks < before + 3; ++i)
            rt_delay(5);
        ticks_seen = state().ticks - before;
    };
    EXPECT_EQ(rt_message_box("继续吗？", 1, std::string("问题")), 1);
    EXPECT_GE(ticks_seen, 3);
    EXPECT_FALSE(logged("click 按钮_确定"));
    EXPECT_FALSE(rt_get_bool(rt_window(MainWindow), P_DISABLED));
}

TEST_F(DemoLoops, HandlerThatClosesItsOwnWindowFinishesFirst)
{
    ASSERT_TRUE(rt_load_window(ModalWindow));
    rt_test_click(rt_unit(ModalWindow, "按钮_关闭"));
    EXPECT_TRUE(logged("after destroy loaded"));
    EXPECT_TRUE(rt_is_loaded(ModalWindow));
    rt_do_events();
    EXPECT_FALSE(rt_is_loaded(ModalWindow));
    // Its units now read neutral.
    EXPECT_EQ(rt_get_text(rt_unit(ModalWindow, "按钮_关闭"), P_CAPTION), "");
}

TEST_F(DemoLoops, ModalWindowBlocksItsCallerUntilClosedFromAPostedAction)
{
    open_main();
    rt_set(unit("按钮_确定"), P_DISABLED, true);  // disabled before: stays so
    bool main_blocked = false;
    state().hooks["modal created"] = [&] {
        rt_post([&] {
            main_blocked = rt_get_bool(rt_window(MainWindow), P_DISABLED);
            rt_test_click(unit("图形按钮1"));  // swallowed: the main window is blocked
            rt_test_click(rt_unit(ModalWindow, "按钮_关闭"));
        });
    };
    EXPECT_TRUE(rt_load_window(ModalWindow, rt_window(MainWindow), true));
    EXPECT_FALSE(rt_is_loaded(ModalWindow));
    EXPECT_TRUE(main_blocked);
    EXPECT_FALSE(logged("click 图形按钮1"));
    EXPECT_FALSE(rt_get_bool(rt_window(MainWindow), P_DISABLED));
    EXPECT_TRUE(rt_get_bool(unit("按钮_确定"), P_DISABLED));
    rt_test_click(unit("图形按钮1"));
    EXPECT_TRUE(logged("click 图形按钮1"));
}

TEST_F(DemoLoops, ModalWindowIsTheToolkitsModalWindowWhileOpen)
{
    // A window manager keeps the toolkit's modal window in front of the stage.
    open_main();
    bool modal_in_front = false;
    state().hooks["modal created"] = [&] {
        rt_post([&] {
            const QWidget* modal = QApplication::activeModalWidget();
            modal_in_front = modal && modal->windowTitle() == QString::fromStdString(
                rt_get_text(rt_window(ModalWindow), P_TEXT));
            rt_test_click(rt_unit(ModalWindow, "按钮_关闭"));
        });
    };
    rt_load_window(ModalWindow, std::nullopt, true);
    EXPECT_TRUE(modal_in_front);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Loaded without waiting, the same window is an ordinary one.
    ASSERT_TRUE(rt_load_window(ModalWindow));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    rt_destroy_window(ModalWindow);
    rt_do_events();
}

TEST_F(DemoLoops, NestedModalsResumeInnermostFirst)
{
    open_main();
    std::vector<std::string> order;
    state().hooks["modal created"] = [&] {
        rt_post([&] {
            dialogs.on_show = [&](const ScriptedDialogs::Shown&) {
                // Closing the modal window under the box ends its wait only
                // after the box has returned.
                rt_destroy_window(ModalWindow);
                rt_delay(20);
                order.push_back("box answered");
            };
            rt_message_box("内层");
            order.push_back("box returned");
        });
    };
    rt_load_window(ModalWindow, std::nullopt, true);
    order.push_back("modal returned");
    EXPECT_EQ(order, (std::vector<std::string>{"box answered", "box returned", "modal returned"}));
}

TEST_F(DemoLoops, MayCloseQueryKeepsTheWindowOpenOrLetsItGo)
{
    open_main();
    state().may_close = false;
    rt_test_close_box(MainWindow);
    rt_do_events();
    EXPECT_TRUE(rt_is_loaded(MainWindow));
    EXPECT_TRUE(logged("may close"));

    state().may_close = true;
    rt_test_close_box(MainWindow);
    EXPECT_FALSE(rt_is_loaded(MainWindow));
}

TEST_F(DemoLoops, AltF4AsksLikeTheCloseBox)
{
    open_main();
    state().may_close = false;
    rt_test_key(unit("编辑框1"), 0x73, KEY_ALT);
    EXPECT_TRUE(logged("may close"));
    EXPECT_TRUE(rt_is_loaded(MainWindow));
    state().may_close = true;
    rt_test_key(rt_window(MainWindow), 0x73, KEY_ALT);
    EXPECT_FALSE(rt_is_loaded(MainWindow));
}

TEST_F(DemoLoops, DestroyWindowDoesNotAskAndClosesOwnedWindows)
{
    open_main();
    state().may_close = false;
    ASSERT_TRUE(rt_load_window(ChildWindow, rt_window(MainWindow)));
    rt_destroy_window(MainWindow);
    rt_do_events();
    EXPECT_FALSE(rt_is_loaded(MainWindow));
    EXPECT_FALSE(rt_is_loaded(ChildWindow));
    EXPECT_FALSE(logged("may close"));
}

TEST_F(DemoLoops, WindowClosedDuringItsOwnHandlersWaitIsFreedOnlyAfterwards)
{
    open_main();
    state().hooks["click 按钮_确定"] = [] {
        rt_post([] { rt_destroy_window(MainWindow); });
        rt_delay(30);
        // The window went away under this handler; its units are gone.
        rt_set(unit("编辑框1"), P_TEXT, std::string("x"));
        state().log.push_back(rt_is_loaded(MainWindow) ? "still loaded" : "closed meanwhile");
    };
    rt_test_click(unit("按钮_确定"));
    EXPECT_TRUE(logged("closed meanwhile"));
    rt_do_events();
}

TEST_F(DemoLoops, SecondClickDuringADelayRunsNested)
{
    open_main();
    int depth = 0, deepest = 0;
    state().hooks["click 图形按钮1"] = [&] {
        deepest = std::max(deepest, ++depth);
        if (depth == 1) {
            rt_post([] { rt_test_click(unit("图形按钮1")); });
            rt_delay(30);
        }
        --depth;
    };
    rt_test_click(unit("图形按钮1"));
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(std::count(log().begin(), log().end(), "click 图形按钮1"), 2);
}

TEST_F(DemoLoops, MessageLoopReturnsWhenTheLastWindowHasClosed)
{
    open_main();
    ASSERT_TRUE(rt_load_window(ChildWindow));
    rt_post([] { rt_destroy_window(ChildWindow); });
    rt_post([] { rt_post([] { rt_test_close_box(MainWindow); }); });
    EXPECT_EQ(rt_message_loop(), 0);
    EXPECT_FALSE(rt_is_loaded(MainWindow));
    EXPECT_FALSE(rt_is_loaded(ChildWindow));
    EXPECT_EQ(rt_message_loop(), 0);  // nothing loaded: returns at once
}

TEST_F(DemoLoops, RunFolderIsTheExecutablesFolderAndTheCurrentDirectory)
{
    // In a process of its own, so no other test has moved either yet.
    EXPECT_EXIT(
        {
            const auto exe_dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
            const bool ok = std::filesystem::path(rt_get_run_dir()) == exe_dir &&
                            std::filesystem::current_path() == exe_dir;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DemoLoops, ExitEndsTheProcessWithItsCodeEvenFromTheMayCloseQuery)
{
    EXPECT_EXIT(rt_exit(7), ::testing::ExitedWithCode(7), "");
    EXPECT_EXIT(
        {
            state().hooks["may close"] = [] { rt_exit(0); };
            rt_load_window(MainWindow);
            rt_test_close_box(MainWindow);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------

struct BoxCase {
    const char* label;
    int32_t style;
    int32_t answer;
    int32_t result;
};

class DemoMessageBox : public DemoTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(DemoMessageBox, ResultNumbering)
{
    const BoxCase& c = GetParam();
    dialogs.message_answers = {c.answer};
    EXPECT_EQ(rt_message_box("文本", c.style), c.result);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "信息：");
    EXPECT_EQ(dialogs.shown[0].style, c.style);
}

INSTANTIATE_TEST_SUITE_P(Styles, DemoMessageBox,
                         ::testing::Values(BoxCase{"OkOnly", 0, 0, 0},
                                           BoxCase{"OkOnlyEscape", 0, 1, 0},
                                           BoxCase{"OkCancelOk", 1, 0, 0},
                                           BoxCase{"OkCancelCancel", 1, 1, 1},
                                           BoxCase{"OkCancelImpossibleAnswer", 1, 5, 1},
                                           BoxCase{"InformationOk", 64, 0, 0},
                                           BoxCase{"InformationEscape", 64, 1, 0},
                                           BoxCase{"YesNoCancelNo", 3, 6, 6},
                                           BoxCase{"YesNoEscape", 4, 1, 6}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(DemoLoops, MessageBoxShowsTextAndTitle)
{
    rt_message_box("确定退出程序吗？", 1, std::string("确定退出吗？"));
    rt_message_box("", 0, std::string());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "确定退出程序吗？");
    EXPECT_EQ(dialogs.shown[0].title, "确定退出吗？");
    EXPECT_EQ(dialogs.shown[1].title, "");
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"确定退出程序吗？", ""}));
}

TEST_F(DemoLoops, InputBoxStoresOnOkOnlyAndClampsTheMode)
{
    std::string v = "旧";
    dialogs.input_answers = {std::string("新标题"), std::nullopt};
    EXPECT_TRUE(rt_input_box("请输入主标题", "请输入主标题", "购物有奖活动", v, 1));
    EXPECT_EQ(v, "新标题");
    EXPECT_FALSE(rt_input_box("密码", "", "", v, 9));
    EXPECT_EQ(v, "新标题");
    EXPECT_FALSE(rt_input_box("空队列", "", "", v, 0));  // an empty queue cancels
    EXPECT_EQ(v, "新标题");
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].initial, "购物有奖活动");
    EXPECT_EQ(dialogs.shown[0].title, "请输入主标题");
    EXPECT_EQ(dialogs.shown[1].style, 4);
    EXPECT_EQ(dialogs.shown[2].style, 1);
}

TEST_F(DemoLoops, FileDialogFillsTheFileNameOnlyOnOk)
{
    open_main();
    const UnitRef d = unit("通用对话框1");
    rt_set(d, P_DIALOG_FILTER, std::string("图形文件(*.jpg)|*.jpg"));
    dialogs.file_answers = {std::string("/媒体/图.jpg"), std::nullopt};
    EXPECT_TRUE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_text(d, P_DIALOG_FILE), "/媒体/图.jpg");
    EXPECT_FALSE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_text(d, P_DIALOG_FILE), "/媒体/图.jpg");
    EXPECT_EQ(dialogs.shown[0].text, "图形文件(*.jpg)|*.jpg");
    // A help dialog has nothing to show.
    rt_set(d, P_DIALOG_KIND, 3);
    EXPECT_FALSE(rt_dialog_open(d));
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(DemoLoops, FontDialogIsPresetFromItsPropertiesAndFillsThem)
{
    open_main();
    const UnitRef d = unit("通用对话框_字体");
    FontChoice preset_seen;
    struct Recorder : ScriptedDialogs {
        FontChoice* seen;
        bool choose_font(FontChoice& c) override
        {
            *seen = c;
            return ScriptedDialogs::choose_font(c);
        }
    } recorder;
    recorder.seen = &preset_seen;
    recorder.font_answers = {FontChoice{0x0000FF00, true, false, true, false, "隶书", 36}, std::nullopt};
    rt_set_dialog_backend(&recorder);

    EXPECT_TRUE(rt_dialog_open(d));
    EXPECT_EQ(preset_seen.face, "隶书");
    EXPECT_EQ(preset_seen.size_pt, 12);  // designed 16 pixels
    EXPECT_EQ(preset_seen.color, kBlue);
    EXPECT_EQ(rt_get_int(d, P_FONT_COLOR), 0x0000FF00);
    EXPECT_TRUE(rt_get_bool(d, P_FONT_BOLD));
    EXPECT_TRUE(rt_get_bool(d, P_FONT_STRIKEOUT));
    EXPECT_FALSE(rt_get_bool(d, P_FONT_ITALIC));
    EXPECT_EQ(rt_get_text(d, P_FONT_FACE), "隶书");
    EXPECT_EQ(rt_get_int(d, P_FONT_SIZE), 36);

    // The next use starts from the last choice; Cancel leaves it.
    EXPECT_FALSE(rt_dialog_open(d));
    EXPECT_EQ(preset_seen.size_pt, 36);
    EXPECT_EQ(rt_get_int(d, P_FONT_SIZE), 36);
    rt_set_dialog_backend(&dialogs);
}

TEST(DialogTexts, FilterPairsBecomeToolkitFilters)
{
    using rtui::file_dialog_filter;
    EXPECT_EQ(file_dialog_filter("图形文件(*.jpg)|*.jpg"), "图形文件(*.jpg) (*.jpg)");
    EXPECT_EQ(file_dialog_filter("图片|*.jpg;*.jpeg|声音|*.mp3"), "图片 (*.jpg *.jpeg);;声音 (*.mp3)");
    EXPECT_EQ(file_dialog_filter(""), "");
    EXPECT_EQ(file_dialog_filter("只有说明"), "");
    EXPECT_EQ(file_dialog_filter("空|"), "");
}

TEST(DialogTexts, MessageBoxEscapeIsCancelOrTheOnlyWayOut)
{
    EXPECT_EQ(rtui::message_box_escape(0), 0);
    EXPECT_EQ(rtui::message_box_escape(1), 1);
    EXPECT_EQ(rtui::message_box_escape(64), 0);
    EXPECT_EQ(rtui::message_box_escape(65), 1);
    EXPECT_EQ(rtui::message_box_escape(5), 1);
}

TEST_F(DemoLoops, SoundCommandsReachThePlayers)
{
    rt_play_music_list({"a.mp3 ", "", "sub\\b.mp3"});
    for (int i = 0; i < 200 && rt_sound_log().size() < 2; ++i)
        rt_delay(5);
    EXPECT_EQ(rt_sound_log(), (std::vector<std::string>{"a.mp3", "sub/b.mp3"}));
    rt_stop_music();
    EXPECT_FALSE(rt_music_playing());
    rt_sound_log_clear();
    EXPECT_TRUE(rt_sound_log().empty());
    EXPECT_FALSE(rt_play_music(Bytes{'n', 'o'}));
}

} // namespace
