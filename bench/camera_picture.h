#pragma once
#include "runtime/types.h"

// A JPEG with a photograph's worth of detail (smooth light, edges, grain), so
// the file is about as large and as slow to decode as a camera's. `wave` sets
// how fast the light changes across; `variant` makes pictures differ.
Bytes camera_picture(int width, int height, double wave, int variant);
