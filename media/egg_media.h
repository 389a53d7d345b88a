#pragma once
// Pictures and the cursor stored in the golden-egg program, made by the
// media generator at build time.

#include "runtime/types.h"

namespace media {

// Egg picture k (1..9): GIF89a, 200 x 188, one frame, colour index 255 transparent.
const Bytes& egg_picture(int k);
// The smashed egg shown while a draw runs; same form as the egg pictures.
const Bytes& smash_picture();
// The hammer mouse pointer: .cur, one 64 x 64 image at 32 bits, hot spot (0, 0).
const Bytes& hammer_cursor();

} // namespace media
