// The program's windows, registered once before the start window loads.

#include "egg/egg.h"
#include "runtime/files.h"
#include "runtime/ui.h"

namespace egg {

void define_windows()
{
    rt_define_window(main_window_definition());
    rt_define_window(effect_window_definition());
    // The operator's windows (prize settings, results, password, egg layout)
    // are registered here as well.
}

std::string settings_path() { return rt_get_run_dir() + "/config.a"; }
std::string results_path() { return rt_get_run_dir() + "/jieguo.a"; }

} // namespace egg
