// The fireworks window that a stopped spin opens over the stage.

#include "platform/user32.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {
namespace {

// The window covers the screen and is colour-keyed on black, so that only
// what the fireworks draw in other colours shows over the wheel. Until a
// fireworks movie plays here the window stays wholly see-through, and the
// wheel under it keeps taking the operator's clicks.
void start_effect_animation()
{
    const UnitRef window = rt_window(EffectWindow);
    rt_set(window, P_LEFT, 0);
    rt_set(window, P_TOP, 0);
    rt_set(window, P_WIDTH, rt_screen_width());
    rt_set(window, P_HEIGHT, rt_screen_height());
    const int64_t handle = rt_get_window_handle(window);
    SetWindowLongA(handle, GWL_EXSTYLE, GetWindowLongA(handle, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(handle, 0, 200, LWA_COLORKEY);
}

} // namespace

WindowDef effect_window_definition()
{
    WindowDef w;
    w.id = EffectWindow;
    w.name = "EffectWindow";
    w.title = "";
    w.left = 50;
    w.top = 50;
    w.width = 380;
    w.height = 250;
    w.border = 0;
    w.back_color = 0x000000;
    w.events = {on(E_CREATED, start_effect_animation)};
    return w;
}

} // namespace wheel
