// The program's windows, registered once before the start window loads.

#include "egg/egg.h"
#include "runtime/ui.h"

namespace egg {

void define_windows()
{
    rt_define_window(main_window_definition());
    rt_define_window(effect_window_definition());
    rt_define_window(prize_settings_window_definition());
    rt_define_window(results_window_definition());
    rt_define_window(password_window_definition());
    rt_define_window(egg_layout_window_definition());
}

} // namespace egg
