#pragma once
// The SWF movies stored in both programs, made by the media generator at
// build time.

#include "runtime/types.h"

namespace media {

// The overlay's stand-in for an empty movie: "FWS", version 5, 18547 bytes,
// 680 x 350, one frame at 24 frames per second.
const Bytes& default_movie();
// Fireworks movie n (1..3); empty for any other n.
//   1: "CWS", version 8, 19487 bytes (29995 inflated), 550 x 400, 91 frames at 12 fps
//   2: "CWS", version 6, 40246 bytes (42610 inflated), 550 x 400, 60 frames at 36 fps
//   3: "FWS", version 5, 41317 bytes, 400 x 400, 35 frames at 20 fps
const Bytes& fireworks_movie(int n);

} // namespace media
