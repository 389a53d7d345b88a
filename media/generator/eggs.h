#pragma once
// The golden eggs and the smashed egg, 200 x 188 each.

#include "raster.h"

namespace gen {

constexpr int kEggWidth = 200;
constexpr int kEggHeight = 188;
constexpr int kEggCount = 9;

// Egg k (1..9): the same glossy golden egg with its own red decoration.
Canvas draw_egg(int k);
// The broken egg shown while a draw runs.
Canvas draw_smash();

} // namespace gen
