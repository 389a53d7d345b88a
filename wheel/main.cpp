// The prize-wheel draw program.

#include "runtime/ui.h"
#include "wheel/wheel.h"

int main(int argc, char** argv)
{
    rt_init(argc, argv);
    wheel::define_windows();
    rt_load_startup_window(wheel::MainWindow);
    return rt_message_loop();
}
