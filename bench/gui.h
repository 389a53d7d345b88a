#pragma once
// The application every benchmark that paints or opens windows needs, on
// the offscreen platform. It is the runtime's own, whichever benchmark runs
// first: the wheel's windows need its QApplication, not a bare GUI app.

#include <cstdlib>

#include "runtime/ui.h"

inline void ensure_gui()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "prizedraw_bench";
    static char* argv[] = {name, nullptr};
    rt_init(argc, argv); // does nothing once the application is there
}
