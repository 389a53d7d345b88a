#pragma once
// Sounds made on the spot for the player tests: MP3 tones through the LAME
// encoder and RIFF WAVE byte sets.

#include <lame/lame.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "runtime/types.h"

namespace sound_test {

// A sine tone of `ms` milliseconds. The encoder's info frame goes first, so
// the decoder trims the encoder's padding and the file plays exactly `ms`.
inline std::string mp3_tone(int ms, int rate = 44100, int channels = 1, double hz = 440.0)
{
    lame_global_flags* gf = lame_init();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(gf, 64);
    lame_set_quality(gf, 7);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return {};
    }
    const int frames = rate * ms / 1000;
    std::vector<short> pcm(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<short>(8000 * std::sin(2 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i * channels + c)] = v;
    }
    std::vector<unsigned char> out(static_cast<size_t>(frames) * 5 / 4 + 7200 + 16384);
    int n = channels == 1
        ? lame_encode_buffer(gf, pcm.data(), pcm.data(), frames, out.data(), static_cast<int>(out.size()))
        : lame_encode_buffer_interleaved(gf, pcm.data(), frames, out.data(), static_cast<int>(out.size()));
    if (n >= 0)
        n += lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
    std::vector<unsigned char> tag(8192);
    const size_t tag_size = lame_get_lametag_frame(gf, tag.data(), tag.size());
    lame_close(gf);
    if (n <= 0)
        return {};
    if (tag_size > 0 && tag_size <= static_cast<size_t>(n))
        std::memcpy(out.data(), tag.data(), tag_size);
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
}

// A RIFF WAVE file of `frames` frames of a ramp, PCM 8 or 16-bit.
inline Bytes wave(int rate, int channels, int bits, int frames)
{
    auto put16 = [](Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](Bytes& b, uint32_t v) { put16(b, v & 0xFFFF); put16(b, v >> 16); };
    auto tag = [](Bytes& b, const char* t) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(t[i]));
    };
    const uint32_t block = uint32_t(channels * bits / 8);
    const uint32_t data_size = block * uint32_t(frames);
    Bytes b;
    b.reserve(44 + data_size);
    tag(b, "RIFF");
    put32(b, 36 + data_size);
    tag(b, "WAVE");
    tag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, uint32_t(channels));
    put32(b, uint32_t(rate));
    put32(b, uint32_t(rate) * block);
    put16(b, block);
    put16(b, uint32_t(bits));
    tag(b, "data");
    put32(b, data_size);
    for (uint32_t i = 0; i < data_size; ++i)
        b.push_back(uint8_t(i * 7));
    return b;
}

// Polls `done` until it holds or `limit` has passed; every wait in the
// player tests is bounded so a hang fails instead of stalling the suite.
template <typename Pred>
bool wait_for(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace sound_test
