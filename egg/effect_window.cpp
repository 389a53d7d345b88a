// The fireworks window that a draw opens over the stage.

#include "egg/egg.h"
#include "runtime/ui.h"

namespace egg {
namespace {

// The fireworks movie is not played yet: the window opens and closes with
// the draw and shows nothing of its own.
void on_effect_window_created() {}

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
    w.events = {on(E_CREATED, on_effect_window_created)};
    return w;
}

} // namespace egg
