// The fireworks window that a draw opens over the stage.

#include "common/ui/effect_window.h"
#include "egg/egg.h"
#include "media/movies.h"

namespace egg {

WindowDef effect_window_definition()
{
    return make_effect_window_definition(
        EffectWindow, {media::fireworks_movie(1), media::fireworks_movie(2), media::fireworks_movie(3)});
}

} // namespace egg
