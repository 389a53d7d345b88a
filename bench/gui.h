#pragma once
// The application every benchmark that paints or opens windows needs, on
// the offscreen platform with a hall's 1920 x 1080 screen, for which the
// stages are laid out. It is the runtime's own, whichever benchmark runs
// first: the wheel's windows need its QApplication, not a bare GUI app.

#include <cstdlib>

#include "runtime/ui.h"

inline void ensure_gui()
{
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" PRIZEDRAW_STAGE_SCREEN, 0);
    static int argc = 1;
    static char name[] = "prizedraw_bench";
    static char* argv[] = {name, nullptr};
    rt_init(argc, argv); // does nothing once the application is there
}
