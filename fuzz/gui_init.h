#pragma once
// The GUI application a fuzz target needs for its pictures, on the offscreen
// platform, started once from LLVMFuzzerInitialize. `name` becomes its argv[0]
// and must outlive it, like the application, which is never destroyed.

#include <QGuiApplication>

#include <cstdlib>

inline void start_offscreen_gui(char* name)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}
