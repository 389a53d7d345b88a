// The fireworks window that a stopped spin opens over the stage.

#include "common/ui/effect_window.h"
#include "media/movies.h"
#include "wheel/wheel.h"

namespace wheel {

WindowDef effect_window_definition()
{
    return make_effect_window_definition(
        EffectWindow, {media::fireworks_movie(1), media::fireworks_movie(2), media::fireworks_movie(3)});
}

} // namespace wheel
