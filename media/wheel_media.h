#pragma once
// Pictures and the sound stored in the prize-wheel program, made by the
// media generator at build time.

#include "runtime/types.h"

namespace media {

// Wheel face k (1..4): baseline JPEG, 914 x 914; empty for any other k.
const Bytes& wheel_face(int k);
// The other-settings panel's header icon: JPEG, 48 x 45.
const Bytes& panel_icon();
// The win sound: RIFF WAVE, PCM, 2 channels, 44100 Hz, 16 bits, 285228 bytes.
const Bytes& win_sound();

} // namespace media
