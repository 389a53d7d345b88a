// The program's windows, registered once before the start window loads.

#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {

void define_windows()
{
    rt_define_window(main_window_definition());
    rt_define_window(effect_window_definition());
    rt_define_window(password_window_definition());
    rt_define_window(prize_settings_window_definition());
    rt_define_window(results_window_definition());
}

UnitRef main_unit(std::string_view name) { return rt_unit(MainWindow, name); }

} // namespace wheel
