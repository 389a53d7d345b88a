#include "wheel_chime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace gen {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kRate = 44100;
constexpr size_t kHeaderBytes = 44;
constexpr size_t kFrames = (kWinSoundBytes - kHeaderBytes) / 4;
constexpr double kPeak = 0.85;

// A struck bell: slightly inharmonic partials, the high ones dying first.
double bell(double t, double freq)
{
    if (t < 0)
        return 0;
    constexpr std::array<double, 5> ratio{1.0, 2.01, 3.02, 4.21, 5.43};
    constexpr std::array<double, 5> gain{1.0, 0.55, 0.30, 0.16, 0.08};
    constexpr std::array<double, 5> decay{0.55, 0.32, 0.20, 0.13, 0.09};
    const double attack = std::min(1.0, t / 0.003);
    double v = 0;
    for (size_t i = 0; i < ratio.size(); ++i)
        v += gain[i] * std::exp(-t / decay[i]) * std::sin(2 * kPi * freq * ratio[i] * t);
    return attack * v;
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

std::vector<uint8_t> synth_win_chime()
{
    // A rising E major arpeggio, then the top note and its octave together,
    // each note panned a little further round the room.
    struct Note {
        double at, freq, pan; // pan -1 left .. 1 right
    };
    constexpr std::array<Note, 6> notes{{
        {0.00, 1318.51, -0.5}, {0.08, 1661.22, -0.2}, {0.16, 1975.53, 0.2},
        {0.24, 2637.02, 0.5},  {0.36, 2637.02, -0.1}, {0.36, 3322.44, 0.1},
    }};

    std::vector<double> left(kFrames), right(kFrames);
    for (size_t i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        double l = 0, r = 0;
        for (const Note& n : notes) {
            const double v = bell(t - n.at, n.freq);
            l += v * std::sqrt(0.5 * (1 - n.pan));
            r += v * std::sqrt(0.5 * (1 + n.pan));
        }
        // Fade the tail out so the sound ends on silence, not a click.
        const double tail = double(kFrames - i) / (0.2 * kRate);
        const double fade = std::min(1.0, tail);
        left[i] = l * fade;
        right[i] = r * fade;
    }
    double peak = 0;
    for (size_t i = 0; i < kFrames; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    if (peak <= 0)
        throw std::runtime_error("win chime: silent");
    const double gain = kPeak / peak;

    std::vector<uint8_t> out;
    out.reserve(kWinSoundBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, uint32_t(kWinSoundBytes - 8));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);            // PCM
    put16(out, 2);            // channels
    put32(out, kRate);
    put32(out, kRate * 4);    // bytes a second
    put16(out, 4);            // bytes a frame
    put16(out, 16);           // bits a sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, uint32_t(kFrames * 4));
    auto sample = [&](double v) {
        const long s = std::lround(std::clamp(v * gain, -1.0, 1.0) * 32767);
        put16(out, uint32_t(uint16_t(int16_t(s))));
    };
    for (size_t i = 0; i < kFrames; ++i) {
        sample(left[i]);
        sample(right[i]);
    }
    if (out.size() != kWinSoundBytes)
        throw std::logic_error("win chime: wrong size");
    return out;
}

} // namespace gen
