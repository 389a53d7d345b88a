#pragma once
// The runtime's sound players: an MP3 list player and a wave player, each
// decoding on a worker thread of its own. Output goes to the sound device
// when there is one, else to a silent output that keeps time.
//
// Call these from the user-interface thread; none of them waits for sound.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace sound {

// Stops and discards what the list player plays, then plays the non-empty
// names one after another, the whole list `repeat` times (0 not at all,
// -1 or less endlessly). Names go through rt_native_path before opening; a
// file that is missing or does not decode is a silent entry. Returns at
// once.
void play_list(int32_t repeat, const std::vector<std::string>& paths);
// Stops the list player and the wave player.
void stop_all();
// Plays a RIFF WAVE byte set once or looping, replacing the wave that
// plays; the list player plays on. True when playing started: false for a
// wave that is not PCM 8 or 16-bit mono or stereo, or holds no sound.
bool play_wave(const Bytes& wave, bool loop);

// Entries as the players reached them, in order, whether or not they
// decoded: list entries by the name as given, waves as "<wave>" on every
// pass of a loop. Only the most recent entries are kept.
std::vector<std::string> log();
void clear_log();
// Seconds of sound both players have handed to the output since
// clear_log(), decoded files only.
double played_seconds();
bool list_playing();
bool wave_playing();

// Stops the workers and waits for them to end. Safe to call more than
// once; it also runs by itself when the application object or the process
// goes away. The players can be used again afterwards.
void shutdown();

// Loads what sound on a device needs, unless it is loaded: the first sound
// does it too, but start-up calls it once the window is up, so that the
// first sound needs not wait for it.
void load_device_support();

// Forces the silent output (tests, machines without a device).
void force_silent_output(bool silent);
// True when new sound would go to a device: a device exists and the silent
// output is not forced.
bool device_output();

} // namespace sound
