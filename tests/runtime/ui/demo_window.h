#pragma once
// A demonstration program for the window layer: windows with every unit
// type, whose handlers write what happened into a log and run hooks that a
// test puts in place. Tests drive them through the real runtime API.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/testing.h"
#include "runtime/ui.h"

namespace demo {

enum : int {
    MainWindow = 1,   // every unit type
    ModalWindow = 2,  // its button closes it from its own handler
    ChildWindow = 3,  // modeless; its created handler may hide it
    HiddenWindow = 4, // designed hidden
};

struct State {
    std::vector<std::string> log;
    std::map<std::string, std::function<void()>> hooks;  // by handler name
    int ticks = 0;
    bool may_close = true;
    bool hide_child_when_created = false;
};
State& state();

// Colours 0x00BBGGRR.
constexpr uint32_t kRed = 0x000000FF;
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kYellow = 0x0000FFFF;
constexpr uint32_t kBlue = 0x00FF0000;

// A 24-bit BMP file of one colour.
Bytes solid_bmp(int width, int height, uint32_t colorref);
// A 32 x 32 cursor file (.cur) with its hot spot.
Bytes cursor_file(int hot_x, int hot_y);
// Width and height of a picture file as the decoders read it (0, 0 when it
// is none).
std::pair<int, int> picture_size(const Bytes& picture);

void define_windows();

inline UnitRef unit(const std::string& name) { return rt_unit(MainWindow, name); }

// Fresh demo windows and scripted dialogs for each test.
class DemoTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;

    void SetUp() override;
    void TearDown() override;
    void open_main();
    std::vector<std::string>& log() { return state().log; }
    bool logged(const std::string& entry) const;
};

} // namespace demo
