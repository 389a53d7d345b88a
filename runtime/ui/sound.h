#pragma once
// The runtime's sound players: an MP3 list player and a wave player, each
// decoding on a worker thread of its own. Output goes to the sound device
// when there is one, else to a silent output that keeps time.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace sound {

// Stops and discards what the list player plays, then plays the non-empty
// names one after another, the whole list `repeat` times (0 not at all,
// -1 or less endlessly). Returns at once.
void play_list(int32_t repeat, const std::vector<std::string>& paths);
// Stops the list player and the wave player.
void stop_all();
// Plays a RIFF WAVE byte set once or looping; true when playing started.
bool play_wave(const Bytes& wave, bool loop);

// Entries as the players reached them, in order (list entries by path,
// waves as "<wave>"), whether or not they decoded.
std::vector<std::string> log();
void clear_log();
bool list_playing();

// Stops the workers; called when the program ends.
void shutdown();

// Forces the silent output (tests, machines without a device).
void force_silent_output(bool silent);

} // namespace sound
