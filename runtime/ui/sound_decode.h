#pragma once
// Turning sound files into 16-bit samples: MP3 through libmpg123, RIFF
// WAVE by hand.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace sound::detail {

// Interleaved signed 16-bit samples at this rate and channel count.
struct PcmFormat {
    int rate = 0;
    int channels = 0;
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// Receives decoded frames chunk by chunk; returns false to end decoding.
using PcmReceiver = std::function<bool(PcmFormat, const int16_t* samples, size_t frames)>;

// Decodes the MP3 file at `path` (already a native path) into `receive`.
// A file that cannot be opened or decoded yields what decoded before the
// fault, possibly nothing; the call always ends, whatever the bytes are.
// Returns false only when `receive` declined.
bool decode_mp3_file(const std::string& path, const PcmReceiver& receive);

struct Pcm {
    PcmFormat format;
    std::vector<int16_t> samples;  // interleaved
    size_t frames() const { return samples.size() / static_cast<size_t>(format.channels); }
};

// PCM 8-bit (unsigned) or 16-bit, one or two channels, any rate. Nothing
// for anything else, or for a wave without a single whole frame. A data
// chunk longer than the bytes that follow it is cut to what is there.
std::optional<Pcm> parse_wave(const Bytes& wave);

} // namespace sound::detail
