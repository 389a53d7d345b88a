// The MP3 list player, on the silent output so that timing is the same on
// every machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "runtime/ui/sound.h"
#include "tests/runtime/ui/sound_test_media.h"
#include "tests/support/temp_dir.h"

using namespace std::chrono_literals;
using sound_test::mp3_tone;
using sound_test::seconds_since;
using sound_test::wait_for;
using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

namespace {

class SoundListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sound::force_silent_output(true);
        sound::stop_all();
        sound::clear_log();
    }
    void TearDown() override { sound::stop_all(); }

    // Writes an MP3 tone and returns its path.
    std::string tone(const std::string& name, int ms = 100, int rate = 44100, int channels = 1)
    {
        const std::string bytes = mp3_tone(ms, rate, channels);
        EXPECT_FALSE(bytes.empty());
        dir.write(name, bytes);
        return dir.file(name);
    }

    static bool finished() { return wait_for([] { return !sound::list_playing(); }); }

    TempDir dir;
};

struct RepeatCase {
    const char* name;
    int32_t repeat;
    Names expected;  // as file names
};

class SoundListRepeat : public SoundListTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(SoundListRepeat, PlaysTheListInOrderThatManyTimes)
{
    const RepeatCase& c = GetParam();
    const std::string a = tone("a.mp3");
    const std::string b = tone("b.mp3");
    const auto start = Clock::now();
    sound::play_list(c.repeat, {a, b});
    ASSERT_TRUE(finished());
    const double elapsed = seconds_since(start);

    Names expected;
    for (const std::string& n : c.expected)
        expected.push_back(dir.file(n));
    EXPECT_EQ(sound::log(), expected);
    // Every tone decodes to its 100 ms, no more, no less.
    const double tones = static_cast<double>(expected.size());
    EXPECT_NEAR(sound::played_seconds(), 0.1 * tones, 0.005 * tones + 1e-9);
    EXPECT_GE(elapsed, 0.09 * tones);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SoundListRepeat,
    ::testing::Values(RepeatCase{"once", 1, {"a.mp3", "b.mp3"}},
                      RepeatCase{"twice", 2, {"a.mp3", "b.mp3", "a.mp3", "b.mp3"}},
                      RepeatCase{"never", 0, {}}),
    [](const ::testing::TestParamInfo<RepeatCase>& p) { return std::string(p.param.name); });

class SoundListEndless : public SoundListTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(SoundListEndless, RepeatsUntilStopped)
{
    const std::string a = tone("a.mp3", 60);
    const std::string b = tone("b.mp3", 60);
    sound::play_list(GetParam(), {a, b});
    ASSERT_TRUE(wait_for([] { return sound::log().size() >= 5; }));
    EXPECT_TRUE(sound::list_playing());

    sound::stop_all();
    EXPECT_FALSE(sound::list_playing());
    const Names log = sound::log();
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i], i % 2 == 0 ? a : b) << "entry " << i;
    const double played = sound::played_seconds();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sound::log(), log);
    EXPECT_EQ(sound::played_seconds(), played);
}

INSTANTIATE_TEST_SUITE_P(Counts, SoundListEndless, ::testing::Values(-1, -7));

TEST_F(SoundListTest, NewListReplacesTheOneThatPlays)
{
    const std::string a = tone("a.mp3", 60);
    const std::string b = tone("b.mp3");
    const std::string c = tone("c.mp3");
    sound::play_list(-1, {a});
    ASSERT_TRUE(wait_for([] { return sound::log().size() >= 2; }));
    sound::play_list(1, {b, c});
    ASSERT_TRUE(finished());

    const Names log = sound::log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_TRUE(std::all_of(log.begin(), log.end() - 2, [&](const std::string& n) { return n == a; }));
    EXPECT_EQ(log[log.size() - 2], b);
    EXPECT_EQ(log.back(), c);
}

TEST_F(SoundListTest, StopEndsTheSoundAtOnce)
{
    const std::string long_tone = tone("long.mp3", 3000);
    sound::play_list(1, {long_tone});
    ASSERT_TRUE(wait_for([] { return sound::played_seconds() > 0.1; }));
    sound::stop_all();
    EXPECT_FALSE(sound::list_playing());
    const double played = sound::played_seconds();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sound::played_seconds(), played);
    EXPECT_LT(played, 1.0);
}

TEST_F(SoundListTest, EmptyNamesAreSkippedAndNamesAreMadeNative)
{
    tone("a.mp3");
    const std::string b = tone("b.mp3");
    // As the programs build names: backslashes and one trailing blank.
    std::string windows_name = dir.file("a.mp3") + " ";
    std::replace(windows_name.begin(), windows_name.end(), '/', '\\');

    sound::play_list(1, {"", windows_name, "", b, ""});
    ASSERT_TRUE(finished());
    EXPECT_EQ(sound::log(), (Names{windows_name, b}));
    EXPECT_NEAR(sound::played_seconds(), 0.2, 0.01);
}

TEST_F(SoundListTest, OnlyEmptyNamesPlayNothingButStopTheList)
{
    sound::play_list(-1, {tone("a.mp3", 60)});
    ASSERT_TRUE(wait_for([] { return !sound::log().empty(); }));
    sound::play_list(-1, {"", ""});
    EXPECT_FALSE(sound::list_playing());
}

TEST_F(SoundListTest, SilentOutputKeepsTime)
{
    const std::string t = tone("t.mp3", 200);
    const auto start = Clock::now();
    sound::play_list(1, {t});
    ASSERT_TRUE(finished());
    EXPECT_GE(seconds_since(start), 0.18);
}

TEST_F(SoundListTest, FollowsFormatChangesBetweenAndWithinFiles)
{
    // Two streams of different rate and channel count glued into one file.
    dir.write("glued.mp3", mp3_tone(100, 22050, 1) + mp3_tone(100, 48000, 2));
    const Names list{tone("m8k.mp3", 100, 8000, 1), dir.file("glued.mp3"), tone("s44.mp3", 100, 44100, 2)};
    const auto start = Clock::now();
    sound::play_list(1, list);
    ASSERT_TRUE(finished());
    EXPECT_EQ(sound::log(), list);
    // Only the first stream's padding is trimmed, so the glued file plays
    // about 70 ms more; stereo 48 kHz taken for mono 22.05 kHz would add
    // half a second.
    EXPECT_GE(sound::played_seconds(), 0.395);
    EXPECT_LE(sound::played_seconds(), 0.5);
    EXPECT_GE(seconds_since(start), 0.37);
}

// A file that does not give sound is a silent entry; the next one plays.
struct BadFile {
    const char* name;
    std::string (*make)(TempDir& dir);  // returns the path
    bool may_sound;  // partly valid files play what decodes
};

std::string random_bytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& ch : s)
        ch = static_cast<char>(gen());
    return s;
}

class SoundListBadFile : public SoundListTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(SoundListBadFile, IsSilentAndTheNextEntryPlays)
{
    const BadFile& bad = GetParam();
    const std::string bad_path = bad.make(dir);
    const std::string good = tone("good.mp3");
    sound::play_list(1, {bad_path, good});
    ASSERT_TRUE(wait_for([] { return !sound::list_playing(); }, 10s));
    EXPECT_EQ(sound::log(), (Names{bad_path, good}));
    EXPECT_GE(sound::played_seconds(), 0.095);
    if (!bad.may_sound) {
        EXPECT_LE(sound::played_seconds(), 0.105);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SoundListBadFile,
    ::testing::Values(
        BadFile{"missing", [](TempDir& d) { return d.file("none.mp3"); }, false},
        BadFile{"empty", [](TempDir& d) { d.write("e.mp3", ""); return d.file("e.mp3"); }, false},
        BadFile{"folder", [](TempDir& d) { d.write("f.mp3/x", "x"); return d.file("f.mp3"); }, false},
        BadFile{"text", [](TempDir& d) { d.write("t.mp3", std::string(5000, 'A')); return d.file("t.mp3"); }, false},
        BadFile{"truncated",
                [](TempDir& d) {
                    const std::string full = mp3_tone(400);
                    d.write("cut.mp3", full.substr(0, full.size() / 2));
                    return d.file("cut.mp3");
                },
                true},
        BadFile{"damaged_middle",
                [](TempDir& d) {
                    std::string s = mp3_tone(400);
                    const std::string junk = random_bytes(s.size() / 3, 7);
                    s.replace(s.size() / 3, junk.size(), junk);
                    d.write("dmg.mp3", s);
                    return d.file("dmg.mp3");
                },
                true},
        BadFile{"random_bytes",
                [](TempDir& d) { d.write("r.mp3", random_bytes(3 << 20, 1)); return d.file("r.mp3"); }, true},
        BadFile{"wave_file", [](TempDir& d) {
                    const Bytes w = sound_test::wave(8000, 1, 16, 8000);
                    d.write("w.mp3", std::string(w.begin(), w.end()));
                    return d.file("w.mp3");
                }, true}),
    [](const ::testing::TestParamInfo<BadFile>& p) { return std::string(p.param.name); });

TEST_F(SoundListTest, EndlessListOfMissingFilesDoesNotSpin)
{
    sound::play_list(-1, {dir.file("none.mp3")});
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(sound::list_playing());
    // One pass, then a pause before the next.
    EXPECT_LE(sound::log().size(), 2u);
}

TEST_F(SoundListTest, ShutdownStopsAndThePlayersStayUsable)
{
    sound::play_list(-1, {tone("a.mp3", 60)});
    ASSERT_TRUE(wait_for([] { return !sound::log().empty(); }));
    sound::shutdown();
    sound::shutdown();
    EXPECT_FALSE(sound::list_playing());

    sound::clear_log();
    const std::string b = tone("b.mp3");
    sound::play_list(1, {b});
    ASSERT_TRUE(finished());
    EXPECT_EQ(sound::log(), Names{b});
}

// exit() runs the static destructors of the sound system while workers may
// be inside it; they must be stopped first. Where there is a sound device
// the same is tried with it.
class SoundExit : public SoundListTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SoundExit, ProcessExitsCleanlyWhileThePlayersRun)
{
    const bool on_device = GetParam();
    sound::force_silent_output(false);
    const bool device_here = sound::device_output();
    sound::force_silent_output(true);
    if (on_device && !device_here)
        GTEST_SKIP() << "no sound device here";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string a = tone("a.mp3", 60);
    EXPECT_EXIT(
        {
            sound::force_silent_output(!on_device);
            sound::play_list(-1, {a});
            sound::play_wave(sound_test::wave(8000, 1, 16, 400), true);
            wait_for([] { return sound::log().size() >= 3; });
            std::exit(sound::list_playing() && sound::wave_playing() ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

INSTANTIATE_TEST_SUITE_P(Outputs, SoundExit, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "device" : "silent"; });

// The multimedia library, which brings the sound server's client and its
// codecs, is loaded when sound is first wanted, not when the program starts.
bool library_loaded(const std::string& name)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(name) != std::string::npos)
            return true;
    return false;
}

TEST(SoundDeviceSupport, IsLoadedWhenFirstWanted)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A fresh process: the runtime is set up, no sound wanted yet.
            const bool at_start = library_loaded("libQt6Multimedia");
            sound::load_device_support();
            std::_Exit(!at_start && library_loaded("libQt6Multimedia") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
