#include "sound.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace gen {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRate = kSampleRate;
// About -1.4 dBFS before encoding: MP3 ringing adds a few tenths of a dB.
constexpr double kPeak = 0.85;

// Fixed-seed generator: the same noise on every build.
class Noise {
public:
    explicit Noise(uint64_t seed) : s_(seed) {}
    double next() // -1 .. 1
    {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return double(s_ >> 11) / double(1ULL << 52) - 1.0;
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * (next() * 0.5 + 0.5); }

private:
    uint64_t s_;
};

// Second-order filter after the well-known audio cookbook formulas.
class Biquad {
public:
    static Biquad bandpass(double freq, double q) { return make(freq, q, 0); }
    static Biquad highpass(double freq, double q) { return make(freq, q, 1); }
    static Biquad lowpass(double freq, double q) { return make(freq, q, 2); }
    double operator()(double x)
    {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    static Biquad make(double freq, double q, int kind)
    {
        const double w = 2 * kPi * freq / kRate;
        const double alpha = std::sin(w) / (2 * q);
        const double cw = std::cos(w);
        Biquad f;
        double b0 = 0, b1 = 0, b2 = 0;
        if (kind == 0) {
            b0 = alpha;
            b2 = -alpha;
        } else if (kind == 1) {
            b0 = (1 + cw) / 2;
            b1 = -(1 + cw);
            b2 = (1 + cw) / 2;
        } else {
            b0 = (1 - cw) / 2;
            b1 = 1 - cw;
            b2 = (1 - cw) / 2;
        }
        const double a0 = 1 + alpha;
        f.b0_ = b0 / a0;
        f.b1_ = b1 / a0;
        f.b2_ = b2 / a0;
        f.a1_ = -2 * cw / a0;
        f.a2_ = (1 - alpha) / a0;
        return f;
    }
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A small Schroeder room: parallel combs into series all-passes.
class Room {
public:
    Room(double size, double damping, int spread)
    {
        static const int combs[4] = {1557, 1617, 1491, 1422};
        static const int passes[2] = {556, 441};
        for (int d : combs)
            combs_.push_back({std::vector<double>(size_t(double(d + spread) * size), 0.0), 0, 0.0});
        for (int d : passes)
            passes_.push_back({std::vector<double>(size_t(d + spread), 0.0), 0, 0.0});
        damping_ = damping;
    }
    double operator()(double x, double feedback)
    {
        double out = 0;
        for (Line& c : combs_) {
            const double y = c.buf[c.pos];
            c.state = y * (1 - damping_) + c.state * damping_;
            c.buf[c.pos] = x + c.state * feedback;
            c.pos = (c.pos + 1) % c.buf.size();
            out += y;
        }
        for (Line& a : passes_) {
            const double b = a.buf[a.pos];
            a.buf[a.pos] = out + b * 0.5;
            out = b - out;
            a.pos = (a.pos + 1) % a.buf.size();
        }
        return out * 0.25;
    }

private:
    struct Line {
        std::vector<double> buf;
        size_t pos;
        double state;
    };
    std::vector<Line> combs_;
    std::vector<Line> passes_;
    double damping_ = 0.3;
};

size_t samples(double seconds) { return size_t(std::lround(seconds * kRate)); }

double midi_hz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Quiet at both ends of a buffer so the file neither starts nor stops with a click.
void fade_edges(std::vector<float>& v, double in_s, double out_s)
{
    const size_t in = std::min(v.size(), samples(in_s));
    const size_t out = std::min(v.size(), samples(out_s));
    for (size_t i = 0; i < in; ++i)
        v[i] = float(v[i] * double(i) / double(in));
    for (size_t i = 0; i < out; ++i)
        v[v.size() - 1 - i] = float(v[v.size() - 1 - i] * double(i) / double(out));
}

double smooth_on(double t, double from, double to)
{
    if (t <= from)
        return 0;
    if (t >= to)
        return 1;
    const double x = (t - from) / (to - from);
    return x * x * (3 - 2 * x);
}

// One brass voice: harmonics whose upper partials grow with loudness (the
// brass "bloom"), a lip attack that starts a little flat, and late vibrato.
void brass_note(std::vector<double>& out, double start, double length, int note, double gain, double detune_cents)
{
    const double f0 = midi_hz(note) * std::pow(2.0, detune_cents / 1200.0);
    const double attack = 0.035, release = 0.09;
    const size_t first = samples(start);
    const size_t count = samples(length + release);
    double phase = 0;
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = double(i) / kRate;
        double env;
        if (t < attack)
            env = std::sin(0.5 * kPi * t / attack);
        else if (t < length)
            env = 0.82 + 0.18 * std::exp(-(t - attack) / 0.08); // a bite, then the held level
        else
            env = 0.82 * std::exp(-(t - length) / (release / 3));
        const double scoop = 1 - 0.02 * std::exp(-t / 0.03);
        const double vibrato = 1 + 0.004 * smooth_on(t, 0.25, 0.5) * std::sin(2 * kPi * 5.4 * t);
        phase += 2 * kPi * f0 * scoop * vibrato / kRate;
        double s = 0;
        for (int h = 1; h <= 14; ++h) {
            if (f0 * h > 15000)
                break;
            const double amp = std::pow(env, 1 + 0.32 * (h - 1)) / std::pow(h, 0.75);
            s += amp * std::sin(h * phase);
        }
        out[first + i] += gain * s;
    }
}

// Gentle tape-like saturation: rounds off the loudest peaks so the whole
// sound can sit louder without clipping.
void saturate(Audio& a, double drive)
{
    normalise(a, 1.0);
    const double k = std::tanh(drive);
    for (float& v : a.left)
        v = float(std::tanh(drive * v) / k);
    for (float& v : a.right)
        v = float(std::tanh(drive * v) / k);
}

} // namespace

Audio synth_hammer_strike()
{
    const double length = 0.6;
    std::vector<double> dry(samples(length), 0.0);
    Noise noise(0x5eed'ba11'cafe'0001ULL);

    // The knock: a short bright click over a falling thump.
    {
        Biquad hp = Biquad::highpass(1800, 0.7);
        double phase = 0;
        for (size_t i = 0; i < samples(0.12); ++i) {
            const double t = double(i) / kRate;
            const double click = hp(noise.next()) * std::exp(-t / 0.0018);
            const double f = 70 + 130 * std::exp(-t / 0.02);
            phase += 2 * kPi * f / kRate;
            const double thump = std::sin(phase) * std::exp(-t / 0.03) * 0.7;
            dry[i] += 0.9 * click + thump;
        }
    }
    // The shell cracking: bursts of band-limited noise, thinning out.
    {
        Biquad bp = Biquad::bandpass(3800, 0.9);
        Biquad bp2 = Biquad::bandpass(2200, 1.2);
        for (int burst = 0; burst < 26; ++burst) {
            const double at = 0.002 + std::pow(noise.uniform(0, 1), 1.8) * 0.16;
            const double len = noise.uniform(0.002, 0.007);
            const double amp = noise.uniform(0.25, 0.8) * std::exp(-at / 0.08);
            const size_t first = samples(at);
            for (size_t i = 0; i < samples(len) && first + i < dry.size(); ++i) {
                const double t = double(i) / kRate;
                const double e = std::exp(-t / (len / 3));
                const double n = noise.next();
                dry[first + i] += amp * e * (1.4 * bp(n) + 0.9 * bp2(n));
            }
        }
    }
    // The shell ringing: a few inharmonic partials that die away quickly.
    {
        struct Partial {
            double hz, amp, tau;
        };
        static const Partial partials[] = {{1318, 0.22, 0.16}, {2093, 0.16, 0.11}, {3345, 0.12, 0.08},
                                           {4870, 0.08, 0.05}, {6420, 0.05, 0.035}};
        for (const Partial& p : partials) {
            const double phase0 = noise.uniform(0, 2 * kPi);
            for (size_t i = 0; i < dry.size(); ++i) {
                const double t = double(i) / kRate;
                dry[i] += p.amp * std::sin(2 * kPi * p.hz * t + phase0) * std::exp(-t / p.tau) *
                          (1 - std::exp(-t / 0.0015));
            }
        }
    }
    // Shell pieces landing.
    {
        Biquad bp = Biquad::bandpass(5200, 2.0);
        const double ticks[] = {0.19, 0.26, 0.31, 0.38};
        for (double at : ticks) {
            const double amp = 0.12 * std::exp(-(at - 0.19) / 0.2);
            for (size_t i = 0; i < samples(0.006); ++i) {
                const double t = double(i) / kRate;
                dry[samples(at) + i] += amp * bp(noise.next()) * 3 * std::exp(-t / 0.0015);
            }
        }
    }

    Room room(0.55, 0.4, 0);
    Audio a;
    a.channels = 1;
    a.left.resize(dry.size());
    for (size_t i = 0; i < dry.size(); ++i)
        a.left[i] = float(dry[i] + 0.18 * room(dry[i], 0.7));
    fade_edges(a.left, 0.0005, 0.08);
    saturate(a, 2.0);
    normalise(a, kPeak);
    return a;
}

Audio synth_fanfare()
{
    const double length = 5.0;
    std::vector<double> lead_l(samples(length), 0.0), lead_r(samples(length), 0.0);
    std::vector<double> low(samples(length), 0.0);
    std::vector<double> perc_l(samples(length), 0.0), perc_r(samples(length), 0.0);
    Noise noise(0xfa4f'a4e0'0000'0002ULL);

    // Two slightly detuned players per part, one on each side.
    auto play = [&](double at, double len, int note, double gain) {
        brass_note(lead_l, at, len, note, gain, -4);
        brass_note(lead_r, at, len, note, gain, +4);
    };
    // The call, G C E G . E G, doubled an octave below.
    struct Note {
        double at, len;
        int note;
    };
    static const Note call[] = {{0.00, 0.12, 67}, {0.15, 0.12, 72}, {0.30, 0.12, 76}, {0.45, 0.38, 79},
                                {0.90, 0.12, 76}, {1.05, 0.70, 79}, {1.85, 0.09, 72}, {1.95, 0.09, 76},
                                {2.05, 0.09, 79}};
    for (const Note& n : call) {
        play(n.at, n.len, n.note, 1.7);
        play(n.at, n.len, n.note - 12, 1.0);
    }
    // The held chord.
    const double chord_at = 2.15, chord_len = 2.35;
    const int chord[] = {60, 67, 72, 76, 79, 84};
    const double chord_gain[] = {0.55, 0.55, 0.65, 0.6, 0.65, 0.8};
    for (size_t i = 0; i < 6; ++i)
        play(chord_at, chord_len, chord[i], chord_gain[i]);
    // Bass under the call.
    brass_note(low, 0.45, 0.40, 48, 0.9, 0);
    brass_note(low, 1.05, 0.72, 43, 0.9, 0);
    brass_note(low, chord_at, chord_len, 36, 1.0, 0);

    // Timpani strokes: a tuned, falling thud with a touch of skin noise.
    auto timpani = [&](double at, double hz, double gain) {
        Biquad lp = Biquad::lowpass(900, 0.7);
        double phase = 0;
        const size_t first = samples(at);
        for (size_t i = 0; i < samples(0.8) && first + i < perc_l.size(); ++i) {
            const double t = double(i) / kRate;
            phase += 2 * kPi * hz * (1 + 0.08 * std::exp(-t / 0.05)) / kRate;
            const double s = gain * (std::sin(phase) * std::exp(-t / 0.25) +
                                     0.4 * lp(noise.next()) * std::exp(-t / 0.03));
            perc_l[first + i] += s;
            perc_r[first + i] += s;
        }
    };
    timpani(0.45, 98, 0.9);
    timpani(1.05, 73.4, 0.9);
    timpani(chord_at, 65.4, 1.2);
    // Cymbal: a swell into the chord, then a long shimmering crash.
    {
        Biquad hl = Biquad::highpass(5000, 0.7), hr = Biquad::highpass(5000, 0.7);
        Biquad bl = Biquad::bandpass(8500, 0.8), br = Biquad::bandpass(8500, 0.8);
        for (size_t i = samples(1.6); i < perc_l.size(); ++i) {
            const double t = double(i) / kRate;
            double env;
            if (t < chord_at)
                env = 0.25 * std::pow((t - 1.6) / (chord_at - 1.6), 2);
            else
                env = 0.55 * std::exp(-(t - chord_at) / 1.1);
            const double nl = noise.next(), nr = noise.next();
            perc_l[i] += env * (hl(nl) + 0.6 * bl(nl));
            perc_r[i] += env * (hr(nr) + 0.6 * br(nr));
        }
    }

    Room room_l(1.0, 0.35, 0), room_r(1.0, 0.35, 23);
    Audio a;
    a.channels = 2;
    a.left.resize(lead_l.size());
    a.right.resize(lead_r.size());
    for (size_t i = 0; i < lead_l.size(); ++i) {
        const double l = 0.16 * lead_l[i] + 0.05 * lead_r[i] + 0.14 * low[i] + 0.5 * perc_l[i];
        const double r = 0.16 * lead_r[i] + 0.05 * lead_l[i] + 0.14 * low[i] + 0.5 * perc_r[i];
        a.left[i] = float(l + 0.3 * room_l(l, 0.8));
        a.right[i] = float(r + 0.3 * room_r(r, 0.8));
    }
    fade_edges(a.left, 0.002, 0.25);
    fade_edges(a.right, 0.002, 0.25);
    saturate(a, 1.6);
    normalise(a, kPeak);
    return a;
}

void normalise(Audio& a, double peak)
{
    float m = 0;
    for (float v : a.left)
        m = std::max(m, std::abs(v));
    for (float v : a.right)
        m = std::max(m, std::abs(v));
    if (m <= 0)
        return;
    const float k = float(peak / m);
    for (float& v : a.left)
        v *= k;
    for (float& v : a.right)
        v *= k;
}

std::vector<uint8_t> encode_mp3(const Audio& a)
{
    lame_t lame = lame_init();
    if (lame == nullptr)
        throw std::runtime_error("lame: cannot start the encoder");
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_num_channels(lame, a.channels);
    lame_set_mode(lame, a.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("lame: bad parameters");
    }
    const int n = int(a.left.size());
    std::vector<uint8_t> out(size_t(n) * 5 / 4 + 7200 + 8192);
    const float* right = a.channels == 2 ? a.right.data() : a.left.data();
    int used = lame_encode_buffer_ieee_float(lame, a.left.data(), right, n, out.data(), int(out.size()));
    if (used < 0) {
        lame_close(lame);
        throw std::runtime_error("lame: encoding failed");
    }
    const int tail = lame_encode_flush(lame, out.data() + used, int(out.size()) - used);
    if (tail < 0) {
        lame_close(lame);
        throw std::runtime_error("lame: flush failed");
    }
    out.resize(size_t(used + tail));
    // The first frame was kept free for the tag that tells players the
    // encoder's delay and padding.
    uint8_t tag[2880];
    const size_t tag_len = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tag_len > 0 && tag_len <= out.size())
        std::copy(tag, tag + tag_len, out.begin());
    lame_close(lame);
    return out;
}

} // namespace gen
