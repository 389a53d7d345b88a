#pragma once
// The deployed sounds, synthesised sample by sample and encoded to MP3.

#include <cstdint>
#include <vector>

namespace gen {

constexpr int kSampleRate = 44100;

struct Audio {
    int channels = 1;
    std::vector<float> left;
    std::vector<float> right; // empty for mono
    double seconds() const { return double(left.size()) / kSampleRate; }
};

// A hammer striking a shell: knock, crackle and a short ceramic ring.
Audio synth_hammer_strike();
// A bright brass fanfare: a rising call, an arpeggio and a held major chord.
Audio synth_fanfare();

// Scales so the loudest sample sits at `peak` (linear, below 1).
void normalise(Audio& a, double peak);
// 44.1 kHz, 128 kbit/s, with the encoder-delay tag so players trim exactly.
std::vector<uint8_t> encode_mp3(const Audio& a);

} // namespace gen
