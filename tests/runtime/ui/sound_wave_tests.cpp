// The wave player and the RIFF WAVE reader behind it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "runtime/ui/sound.h"
#include "runtime/ui/sound_decode.h"
#include "tests/runtime/ui/sound_test_media.h"
#include "tests/support/temp_dir.h"

using namespace std::chrono_literals;
using sound::detail::parse_wave;
using sound::detail::PcmFormat;
using sound_test::seconds_since;
using sound_test::wait_for;
using Clock = std::chrono::steady_clock;

namespace {

void put16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

struct Chunk {
    const char* id;
    Bytes body;
    uint32_t declared = UINT32_MAX;  // the length field, when it lies
};

Bytes riff(const std::vector<Chunk>& chunks, const char* form = "WAVE")
{
    Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(form[i]));
    for (const Chunk& c : chunks) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(c.id[i]));
        put32(b, c.declared != UINT32_MAX ? c.declared : static_cast<uint32_t>(c.body.size()));
        b.insert(b.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 == 1)
            b.push_back(0);
    }
    const auto riff_size = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(riff_size >> (8 * i));
    return b;
}

Bytes fmt(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits, uint32_t sub_format = 0)
{
    Bytes f;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * channels * bits / 8);
    put16(f, channels * bits / 8);
    put16(f, bits);
    if (tag == 0xFFFE) {
        put16(f, 22);
        put16(f, bits);
        put32(f, channels == 2 ? 3 : 4);
        put16(f, sub_format);
        // The rest of the sub-format GUID.
        for (uint8_t v : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
            f.push_back(v);
    }
    return f;
}

struct WaveCase {
    const char* name;
    Bytes bytes;
    bool valid;
    PcmFormat format;
    size_t frames;
};

std::vector<WaveCase> wave_cases()
{
    const Bytes ten_bytes(10, 0x40);
    Bytes header_cut = sound_test::wave(8000, 1, 8, 10);
    header_cut.resize(30);
    return {
        {"pcm8_mono", sound_test::wave(11025, 1, 8, 100), true, {11025, 1}, 100},
        {"pcm16_stereo", sound_test::wave(44100, 2, 16, 50), true, {44100, 2}, 50},
        {"extensible_pcm", riff({{"fmt ", fmt(0xFFFE, 2, 22050, 16, 1)}, {"data", ten_bytes}}), true, {22050, 2}, 2},
        {"odd_chunk_first", riff({{"LIST", {1, 2, 3}}, {"fmt ", fmt(1, 1, 8000, 8)}, {"data", ten_bytes}}), true, {8000, 1}, 10},
        {"data_longer_than_file", riff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", ten_bytes, 1000}}), true, {8000, 1}, 5},
        {"partial_frame_dropped", riff({{"fmt ", fmt(1, 2, 8000, 16)}, {"data", Bytes(9, 1)}}), true, {8000, 2}, 2},
        {"empty", {}, false, {}, 0},
        {"riff_not_wave", riff({{"fmt ", fmt(1, 1, 8000, 8)}, {"data", ten_bytes}}, "AVI "), false, {}, 0},
        {"no_fmt", riff({{"data", ten_bytes}}), false, {}, 0},
        {"no_data", riff({{"fmt ", fmt(1, 1, 8000, 8)}}), false, {}, 0},
        {"no_whole_frame", riff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", {7}}}), false, {}, 0},
        {"bits24", riff({{"fmt ", fmt(1, 1, 8000, 24)}, {"data", ten_bytes}}), false, {}, 0},
        {"three_channels", riff({{"fmt ", fmt(1, 3, 8000, 16)}, {"data", ten_bytes}}), false, {}, 0},
        {"float", riff({{"fmt ", fmt(3, 1, 8000, 16)}, {"data", ten_bytes}}), false, {}, 0},
        {"extensible_float", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, 3)}, {"data", ten_bytes}}), false, {}, 0},
        {"zero_rate", riff({{"fmt ", fmt(1, 1, 0, 16)}, {"data", ten_bytes}}), false, {}, 0},
        {"fmt_too_short", riff({{"fmt ", Bytes(12, 1)}, {"data", ten_bytes}}), false, {}, 0},
        {"header_cut", header_cut, false, {}, 0},
    };
}

class WaveParse : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveParse, AcceptsPcmAndRefusesTheRest)
{
    const WaveCase& c = GetParam();
    const auto pcm = parse_wave(c.bytes);
    ASSERT_EQ(pcm.has_value(), c.valid);
    if (pcm) {
        EXPECT_EQ(pcm->format, c.format);
        EXPECT_EQ(pcm->frames(), c.frames);
        EXPECT_EQ(pcm->samples.size(), c.frames * static_cast<size_t>(c.format.channels));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, WaveParse, ::testing::ValuesIn(wave_cases()),
                         [](const ::testing::TestParamInfo<WaveCase>& p) { return std::string(p.param.name); });

TEST(WaveSamples, BecomeSigned16Bit)
{
    const auto pcm8 = parse_wave(riff({{"fmt ", fmt(1, 1, 8000, 8)}, {"data", {0, 128, 255, 1}}}));
    ASSERT_TRUE(pcm8);
    EXPECT_EQ(pcm8->samples, (std::vector<int16_t>{-32768, 0, 32512, -32512}));
    const auto pcm16 = parse_wave(riff({{"fmt ", fmt(1, 2, 8000, 16)}, {"data", {0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F}}}));
    ASSERT_TRUE(pcm16);
    EXPECT_EQ(pcm16->samples, (std::vector<int16_t>{0x1234, -1, -32768, 32767}));
}

class WavePlayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        sound::force_silent_output(true);
        sound::stop_all();
        sound::clear_log();
    }
    void TearDown() override { sound::stop_all(); }

    static size_t waves_logged()
    {
        const auto log = sound::log();
        return static_cast<size_t>(std::count(log.begin(), log.end(), "<wave>"));
    }
};

TEST_F(WavePlayer, PlaysOnceForItsLength)
{
    const auto start = Clock::now();
    ASSERT_TRUE(sound::play_wave(sound_test::wave(8000, 1, 16, 1200), false));
    ASSERT_TRUE(wait_for([] { return !sound::wave_playing(); }));
    EXPECT_GE(seconds_since(start), 0.13);
    EXPECT_EQ(sound::log(), std::vector<std::string>{"<wave>"});
    EXPECT_NEAR(sound::played_seconds(), 0.15, 1e-9);
}

TEST_F(WavePlayer, LoopsUntilStopped)
{
    ASSERT_TRUE(sound::play_wave(sound_test::wave(8000, 2, 8, 400), true));
    ASSERT_TRUE(wait_for([] { return waves_logged() >= 4; }));
    EXPECT_TRUE(sound::wave_playing());
    sound::stop_all();
    EXPECT_FALSE(sound::wave_playing());
    const size_t passes = waves_logged();
    const double played = sound::played_seconds();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(waves_logged(), passes);
    EXPECT_EQ(sound::played_seconds(), played);
}

TEST_F(WavePlayer, BadWaveIsRefusedAndEndsTheWaveBefore)
{
    ASSERT_TRUE(sound::play_wave(sound_test::wave(8000, 1, 8, 400), true));
    ASSERT_TRUE(wait_for([] { return waves_logged() >= 1; }));
    EXPECT_FALSE(sound::play_wave(Bytes{'R', 'I', 'F', 'F'}, true));
    EXPECT_FALSE(sound::wave_playing());
}

TEST_F(WavePlayer, WaveAndListPlayIndependently)
{
    TempDir dir;
    dir.write("t.mp3", sound_test::mp3_tone(400));
    sound::play_list(1, {dir.file("t.mp3")});
    ASSERT_TRUE(sound::play_wave(sound_test::wave(8000, 1, 16, 400), true));
    ASSERT_TRUE(wait_for([] { return waves_logged() >= 2; }));
    EXPECT_TRUE(sound::list_playing());
    // A new list leaves the wave alone.
    sound::play_list(1, {dir.file("t.mp3")});
    EXPECT_TRUE(sound::wave_playing());
    ASSERT_TRUE(sound::play_wave(sound_test::wave(8000, 1, 16, 400), false));
    EXPECT_TRUE(sound::list_playing());
}

} // namespace
