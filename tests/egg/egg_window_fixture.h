#pragma once
// The egg program's window tests: its windows defined in a fresh program
// folder, and helpers to reach its eggs, sounds and effects.

#include <filesystem>
#include <string>

#include "egg/egg.h"
#include "tests/support_qt/modal_steps.h"
#include "tests/support_qt/program_window_fixture.h"

using ModalSteps =
    BasicModalSteps<egg::PrizeSettingsWindow, egg::ResultsWindow, egg::PasswordWindow, egg::EggLayoutWindow>;

class EggWindowTest : public ProgramWindowTest<egg::MainWindow> {
protected:
    void SetUp() override
    {
        ProgramWindowTest::SetUp();
        egg::define_windows();
    }

    void TearDown() override { close_program({egg::EffectWindow, egg::MainWindow}); }

    // A sound the build made, from the build tree this test runs in.
    static Bytes built_sound(const std::string& name)
    {
        namespace fs = std::filesystem;
        const fs::path tree = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
        return rt_read_file((tree / "media" / "wav" / name).string());
    }

    // Draws that return as soon as the prize shows.
    void no_effects() { setting("禁用特效", "真"); }

    static UnitRef egg_button(int k) { return unit("图形按钮" + std::to_string(k)); }

    // Waits (bounded) until the list player has reached its last entry.
    static void wait_for_music_end()
    {
        for (int i = 0; i < 400 && rt_music_playing(); ++i)
            rt_delay(10);
    }
};
