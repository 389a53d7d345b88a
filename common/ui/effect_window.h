#pragma once
// The fireworks window: a window without controls that, once created,
// covers the screen and plays one of three fireworks movies, chosen at
// random, keyed on black so that only the fireworks show over the stage.
// Each program gives it its own window id and movies; the program's draw
// shows it through show_fireworks.

#include <array>
#include <cstdint>

#include "runtime/types.h"
#include "runtime/ui.h"

// Movie n (1..3) is chosen by the random value n + 3.
using FireworksMovies = std::array<Bytes, 3>;

// The window's definition: empty title, designed at 50, 50, 380 x 250 (a
// size that never shows), its created event running start_effect_animation.
WindowDef make_effect_window_definition(int window_id, FireworksMovies movies);

// Full screen, a random movie of the three, shown through a FlashOverlay
// that is let go again at once: the movie plays on in the window.
void start_effect_animation(int window_id, const FireworksMovies& movies);

// Loads the fireworks window over the program's main window, shows it, waits
// `milliseconds` (events run meanwhile) and closes it unless something else
// already has.
void show_fireworks(int window_id, int main_window, int32_t milliseconds);
