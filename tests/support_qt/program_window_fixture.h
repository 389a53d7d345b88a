#pragma once
// What the window tests of both programs share: a fresh program folder per
// test, scripted dialogs, the settings and results files as the program
// reads them, and the units of its main window `Main`.

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/testing.h"
#include "runtime/ui.h"
#include "tests/support/temp_dir.h"

template <int Main>
class ProgramWindowTest : public ::testing::Test {
public:
    TempDir dir;
    ScriptedDialogs dialogs;

    // The settings keys of grades 1..8, spelled out here rather than taken
    // from the programs, so that a wrong key there shows.
    static constexpr std::array<const char*, 8> kGradeSettingKeys{"一", "二", "三", "四", "五", "六", "七", "八"};

    // The program's own windows are defined by the fixture that derives.
    void SetUp() override
    {
        rt_set_run_dir(dir.path());
        rt_set_dialog_backend(&dialogs);
        rt_stop_music();
        rt_sound_log_clear();
    }

    // For TearDown: the windows still loaded are closed in the order given
    // (owned ones before their owners) and their closing runs before the
    // dialogs go.
    static void close_program(std::initializer_list<int> windows)
    {
        rt_stop_music();
        for (int id : windows)
            if (rt_is_loaded(id))
                rt_destroy_window(id);
        rt_do_events();
        rt_set_dialog_backend(nullptr);
    }

    // Settings and results as the program reads them (GBK INI on disk).
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

    // The values of grades 1..8 as the settings window stores them; grades
    // past the list get "0".
    void prizes(const std::vector<std::string>& values)
    {
        for (size_t n = 0; n < kGradeSettingKeys.size(); ++n)
            setting(kGradeSettingKeys[n], n < values.size() ? values[n] : "0");
    }
    // Only grade `grade` in the pool, `count` of it.
    void only_grade(int grade, const std::string& count = "1")
    {
        for (int n = 1; n <= 8; ++n)
            setting(kGradeSettingKeys[static_cast<size_t>(n - 1)], n == grade ? count : "0");
    }
    int total_wins()
    {
        int sum = 0;
        for (int n = 1; n <= 8; ++n)
            sum += rt_to_int(rt_to_number(read_result("j" + std::to_string(n))));
        return sum;
    }

    // A file of the program folder, folders made on the way.
    void put_file(const std::string& name, const Bytes& bytes)
    {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
    }

    void start()
    {
        ASSERT_TRUE(rt_load_window(Main));
        ASSERT_TRUE(rt_is_loaded(Main));
    }

    static UnitRef unit(const std::string& name) { return rt_unit(Main, name); }
    static UnitRef window() { return rt_window(Main); }
    static int32_t get(const std::string& name, int property) { return rt_get_int(unit(name), property); }
    static std::string text(const std::string& name) { return rt_get_text(unit(name), P_TEXT); }
    static bool shown(const std::string& name) { return rt_get_bool(unit(name), P_VISIBLE); }
    static bool ticked(const std::string& item) { return rt_get_bool(unit(item), P_MENU_CHECKED); }

    // A menu item chosen as the operator does: right button on the main
    // title, then the item.
    static void choose(const std::string& item)
    {
        rt_test_next_menu_choice(item);
        rt_test_mouse(unit("透明标签_主标题"), E_RBUTTON_DOWN, 5, 5);
    }

    // 退出 in the menu and the main window's close box both ask first, and
    // Cancel leaves the program running.
    void expect_exit_asks_first()
    {
        dialogs.message_answers = {1, 1};
        choose("退出");
        rt_test_close_box(Main);
        rt_do_events();
        ASSERT_EQ(dialogs.shown.size(), 2u);
        for (const auto& s : dialogs.shown) {
            EXPECT_EQ(s.text, "确定退出程序吗？");
            EXPECT_EQ(s.title, "确定退出吗？");
            EXPECT_EQ(s.style, 1);
        }
        EXPECT_TRUE(rt_is_loaded(Main));
    }
};
