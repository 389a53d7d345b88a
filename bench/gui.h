#pragma once
// The GUI application the painting benchmarks need, on the offscreen
// platform, started by whichever benchmark runs first.

#include <QGuiApplication>

#include <cstdlib>

inline void ensure_gui()
{
    if (QGuiApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "prizedraw_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
