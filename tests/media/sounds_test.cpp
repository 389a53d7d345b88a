// The two sounds the build lays beside the egg program: they decode as MP3,
// last as long as they should, are audible and never clip.

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Pcm {
    bool ok = false;
    long rate = 0;
    int channels = 0;
    std::vector<double> mono; // channels averaged, -1 .. 1
    int full_scale = 0;       // samples at the 16-bit limits
    double seconds() const { return rate ? double(mono.size()) / double(rate) : 0; }
};

Pcm decode(const std::string& path)
{
    Pcm pcm;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (h == nullptr)
        return pcm;
    if (mpg123_open_fixed(h, path.c_str(), MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK ||
        mpg123_getformat(h, &pcm.rate, &pcm.channels, nullptr) != MPG123_OK || pcm.channels < 1) {
        mpg123_delete(h);
        return pcm;
    }
    std::vector<short> buf(16384);
    for (;;) {
        size_t got = 0;
        const int rc = mpg123_read(h, reinterpret_cast<unsigned char*>(buf.data()), buf.size() * sizeof(short), &got);
        const size_t n = got / sizeof(short);
        for (size_t i = 0; i + size_t(pcm.channels) <= n; i += size_t(pcm.channels)) {
            double sum = 0;
            for (int c = 0; c < pcm.channels; ++c) {
                const short s = buf[i + size_t(c)];
                pcm.full_scale += (s == 32767 || s == -32768);
                sum += s / 32768.0;
            }
            pcm.mono.push_back(sum / pcm.channels);
        }
        if (rc == MPG123_DONE) {
            pcm.ok = true;
            break;
        }
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    mpg123_delete(h);
    return pcm;
}

double rms(const Pcm& p, double from_s, double to_s)
{
    const size_t a = std::min(p.mono.size(), size_t(from_s * double(p.rate)));
    const size_t b = std::min(p.mono.size(), size_t(to_s * double(p.rate)));
    if (b <= a)
        return 0;
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += p.mono[i] * p.mono[i];
    return std::sqrt(sum / double(b - a));
}

double peak(const Pcm& p)
{
    double m = 0;
    for (double v : p.mono)
        m = std::max(m, std::abs(v));
    return m;
}

// File names on disk are UTF-8.
std::string wav_path(const char* name) { return std::string(MEDIA_EGG_WAV_DIR) + "/" + name; }

struct Sound {
    const char* test_name;
    const char* file;
    double min_s, max_s;
};

void PrintTo(const Sound& s, std::ostream* os) { *os << s.file; }

class DeployedSound : public ::testing::TestWithParam<Sound> {
protected:
    static std::string path_of(const Sound& s)
    {
        return wav_path(s.file);
    }
};

TEST_P(DeployedSound, DecodesToAnAudibleUnclippedSoundOfTheRightLength)
{
    const std::string path = path_of(GetParam());
    ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
    const Pcm p = decode(path);
    ASSERT_TRUE(p.ok) << path;
    EXPECT_EQ(p.rate, 44100);
    EXPECT_GE(p.seconds(), GetParam().min_s);
    EXPECT_LE(p.seconds(), GetParam().max_s);
    EXPECT_GT(rms(p, 0, p.seconds()), 0.05); // louder than -26 dBFS on average
    EXPECT_EQ(p.full_scale, 0);
    EXPECT_GT(peak(p), 0.7); // normalised close to full scale, not left quiet
    EXPECT_LT(peak(p), 0.99);
    // Ends in silence rather than a click.
    EXPECT_LT(rms(p, p.seconds() - 0.01, p.seconds()), 0.01);
}

INSTANTIATE_TEST_SUITE_P(All, DeployedSound,
                         ::testing::Values(Sound{"HammerStrike", "zaxia.mp3", 0.4, 0.8},
                                           Sound{"WinMusic", "中奖音乐.mp3", 4.0, 6.0}),
                         [](const auto& p) { return std::string(p.param.test_name); });

// A strike: the blow at once, then a quick decay.
TEST(HammerStrike, StartsAtOnceAndDiesAway)
{
    const Pcm p = decode(wav_path("zaxia.mp3"));
    ASSERT_TRUE(p.ok);
    const double blow = rms(p, 0, 0.05);
    EXPECT_GT(blow, 0.15);
    EXPECT_GT(blow, 4 * rms(p, 0.15, 0.25));
    EXPECT_GT(rms(p, 0.15, 0.25), 5 * rms(p, p.seconds() - 0.1, p.seconds()));
}

// Music, not a blip: it keeps sounding until the last half second.
TEST(WinMusic, KeepsSoundingUntilItsFadeOut)
{
    const Pcm p = decode(wav_path("中奖音乐.mp3"));
    ASSERT_TRUE(p.ok);
    for (double t = 0; t + 0.25 < p.seconds() - 0.5; t += 0.25)
        EXPECT_GT(rms(p, t, t + 0.25), 0.05) << "quiet at " << t << " s";
}

} // namespace
