#pragma once
// A fresh program folder per test, the real window definitions of the wheel,
// scripted dialogs, and the engine as a new program run finds it.

#include <gtest/gtest.h>

#include <string>

#include "common/draw.h"
#include "platform/clock.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/testing.h"
#include "runtime/ui.h"
#include "tests/support/temp_dir.h"
#include "wheel/wheel.h"

class WheelWindowTest : public ::testing::Test {
public:
    TempDir dir;
    ScriptedDialogs dialogs;

    void SetUp() override
    {
        // The stage is laid out for the screen of a hall; ctest gives the
        // offscreen platform one of 1920 x 1080.
        if (rt_screen_width() != 1920 || rt_screen_height() != 1080)
            GTEST_SKIP() << "needs a 1920 x 1080 screen (QT_QPA_PLATFORM=offscreen:configfile=...)";
        rt_set_run_dir(dir.path());
        rt_set_dialog_backend(&dialogs);
        rt_stop_music();
        rt_sound_log_clear();
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
        rt_stop_music();
        for (int id : {wheel::PrizeSettingsWindow, wheel::ResultsWindow, wheel::PasswordWindow, wheel::EffectWindow,
                       wheel::MainWindow})
            if (rt_is_loaded(id))
                rt_destroy_window(id);
        rt_do_events();
        rt_set_dialog_backend(nullptr);
    }

    void setting(const std::string& key, const std::string& value, const std::string& section = "zbt")
    {
        ASSERT_TRUE(rt_write_config(dir.file("config.a"), section, key, value));
    }
    std::string read_setting(const std::string& key, const std::string& section = "zbt")
    {
        return rt_read_config(dir.file("config.a"), section, key);
    }
    void result(const std::string& key, const std::string& value)
    {
        ASSERT_TRUE(rt_write_config(dir.file("jieguo.a"), "zjjg", key, value));
    }
    std::string read_result(const std::string& key) { return rt_read_config(dir.file("jieguo.a"), "zjjg", key); }

    // The values of grades 1..8 as the settings window stores them.
    void prizes(const std::vector<std::string>& values)
    {
        static const char* keys[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
        for (size_t n = 0; n < 8; ++n)
            setting(keys[n], n < values.size() ? values[n] : "0");
    }
    int total_wins()
    {
        int sum = 0;
        for (int n = 1; n <= 8; ++n)
            sum += rt_to_int(rt_to_number(read_result("j" + std::to_string(n))));
        return sum;
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
    void put_file(const std::string& name, const Bytes& bytes) { dir.write(name, std::string(bytes.begin(), bytes.end())); }

    void start()
    {
        ASSERT_TRUE(rt_load_window(wheel::MainWindow));
        ASSERT_TRUE(rt_is_loaded(wheel::MainWindow));
    }
    // Results come at the next step and no fireworks window waits.
    void start_without_effects()
    {
        setting("禁用特效", "真");
        start();
    }

    static UnitRef unit(const std::string& name) { return rt_unit(wheel::MainWindow, name); }
    static UnitRef slot(int k) { return unit("图片框" + std::to_string(k)); }
    static UnitRef window() { return rt_window(wheel::MainWindow); }
    static int32_t get(const std::string& name, int property) { return rt_get_int(unit(name), property); }
    static std::string text(const std::string& name) { return rt_get_text(unit(name), P_TEXT); }
    static bool shown(const std::string& name) { return rt_get_bool(unit(name), P_VISIBLE); }
    static bool ticked(const std::string& item) { return rt_get_bool(unit(item), P_MENU_CHECKED); }
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

    // A menu item chosen as the operator does: right button on the main
    // title, then the item.
    static void choose(const std::string& item)
    {
        rt_test_next_menu_choice(item);
        rt_test_mouse(unit("透明标签_主标题"), E_RBUTTON_DOWN, 5, 5);
    }
};
