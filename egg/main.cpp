// The golden-egg draw program.

#include "egg/egg.h"
#include "runtime/ui.h"

int main(int argc, char** argv)
{
    rt_init(argc, argv);
    egg::define_windows();
    rt_load_startup_window(egg::MainWindow);
    return rt_message_loop();
}
