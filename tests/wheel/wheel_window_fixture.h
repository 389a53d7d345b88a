#pragma once
// The wheel's window tests: its windows defined in a fresh program folder,
// the engine as a new program run finds it, and helpers to reach the ring,
// the hub and the panel.

#include <string>

#include "common/draw.h"
#include "platform/clock.h"
#include "tests/support_qt/modal_steps.h"
#include "tests/support_qt/program_window_fixture.h"
#include "wheel/wheel.h"

using ModalSteps = BasicModalSteps<wheel::PrizeSettingsWindow, wheel::ResultsWindow, wheel::PasswordWindow>;

class WheelWindowTest : public ProgramWindowTest<wheel::MainWindow> {
public:
    void SetUp() override
    {
        // The stage is laid out for the screen of a hall; ctest gives the
        // offscreen platform one of 1920 x 1080.
        if (rt_screen_width() != 1920 || rt_screen_height() != 1080)
            GTEST_SKIP() << "needs a 1920 x 1080 screen (QT_QPA_PLATFORM=offscreen:configfile=...)";
        ProgramWindowTest::SetUp();
        wheel::draw_running = 0;
        wheel::spin_countdown = 0;
        wheel::highlight_pos = 0;
        wheel::saved_picture.clear();
        wheel::prize_slots.clear();
        prize_pool.clear();
        prize_counts = {};
        wheel::define_windows();
    }

    void TearDown() override
    {
        set_platform_clock(nullptr);
        close_program({wheel::PrizeSettingsWindow, wheel::ResultsWindow, wheel::PasswordWindow, wheel::EffectWindow,
                       wheel::MainWindow});
    }

    // Stand-in prize pictures: distinct bytes per grade; what the engine
    // moves between boxes is the bytes.
    static Bytes picture(int grade)
    {
        const std::string s = "\xFF\xD8\xFF prize picture " + std::to_string(grade);
        return Bytes(s.begin(), s.end());
    }
    void put_pictures()
    {
        for (int k = 1; k <= 8; ++k)
            put_file("奖品图片/" + std::to_string(k) + ".jpg", picture(k));
    }

    // Results come at the next step and no fireworks window waits.
    void start_without_effects()
    {
        setting("禁用特效", "真");
        start();
    }

    static UnitRef slot(int k) { return unit("图片框" + std::to_string(k)); }
    static std::string caption() { return rt_get_text(unit("按钮1"), P_CAPTION); }
    static int32_t border(int k) { return rt_get_int(slot(k), P_BORDER_STYLE); }

    // Presses as the operator makes them: on the centre labels.
    static void press_start() { rt_test_mouse(unit("透明标签_开始"), E_LBUTTON_DOWN); }
    static void press_stop() { rt_test_mouse(unit("透明标签_结束"), E_LBUTTON_DOWN); }
    // Steps of the highlight, one tick of the step timer each.
    static void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            wheel::on_spin_timer();
    }
    void type(const std::string& field, const std::string& value) { rt_set(unit(field), P_TEXT, value); }
};
