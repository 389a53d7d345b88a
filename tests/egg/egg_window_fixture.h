#pragma once
// A fresh program folder per test, the real window definitions, scripted
// dialogs and helpers to reach the main window's units.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "egg/egg.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/testing.h"
#include "runtime/ui.h"
#include "tests/support/temp_dir.h"

class EggWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedDialogs dialogs;

    void SetUp() override
    {
        rt_set_run_dir(dir.path());
        rt_set_dialog_backend(&dialogs);
        rt_stop_music();
        rt_sound_log_clear();
        egg::define_windows();
    }

    void TearDown() override
    {
        rt_stop_music();
        for (int id : {egg::EffectWindow, egg::MainWindow})
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

    // A file of the program folder, folders made on the way.
    void put_file(const std::string& name, const Bytes& bytes)
    {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
    }

    // A sound the build made, from the build tree this test runs in.
    static Bytes built_sound(const std::string& name)
    {
        namespace fs = std::filesystem;
        const fs::path tree = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
        return rt_read_file((tree / "media" / "wav" / name).string());
    }

    // Draws that return as soon as the prize shows.
    void no_effects() { setting("禁用特效", "真"); }

    void start()
    {
        ASSERT_TRUE(rt_load_window(egg::MainWindow));
        ASSERT_TRUE(rt_is_loaded(egg::MainWindow));
    }

    static UnitRef unit(const std::string& name) { return rt_unit(egg::MainWindow, name); }
    static UnitRef egg_button(int k) { return unit("图形按钮" + std::to_string(k)); }
    static UnitRef window() { return rt_window(egg::MainWindow); }
    static int32_t get(const std::string& name, int property) { return rt_get_int(unit(name), property); }
    static bool shown(const std::string& name) { return rt_get_bool(unit(name), P_VISIBLE); }

    // Waits (bounded) until the list player has reached its last entry.
    static void wait_for_music_end()
    {
        for (int i = 0; i < 400 && rt_music_playing(); ++i)
            rt_delay(10);
    }
};
