#pragma once
// The prize wheel's win sound: a bright chime, stored in the program as a
// whole RIFF WAVE file.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen {

// PCM, 2 channels, 44100 Hz, 16 bits; exactly this many bytes, header
// included (about 1.6 s).
constexpr size_t kWinSoundBytes = 285228;

std::vector<uint8_t> synth_win_chime();

} // namespace gen
