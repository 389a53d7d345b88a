// Frame arithmetic of the prize reveal.

#include <gtest/gtest.h>

#include <cmath>

#include "egg/reveal.h"

namespace {

using egg::RevealFrame;
using egg::reveal_frames;
using egg::RevealSteps;

struct KnownFrame {
    size_t number; // 1-based
    RevealFrame frame;
};

struct KnownBoard {
    const char* name;
    int32_t width, height;
    int32_t zoom_step;
    size_t frame_count; // shown frames plus the closing one
    std::vector<KnownFrame> frames;
};

void PrintTo(const KnownBoard& b, std::ostream* os) { *os << b.name; }

class RevealKnownBoards : public ::testing::TestWithParam<KnownBoard> {};

TEST_P(RevealKnownBoards, FramesMatch)
{
    const KnownBoard& b = GetParam();
    EXPECT_EQ(RevealSteps(b.width, b.height).zoom_step(), b.zoom_step);
    const auto frames = reveal_frames(b.width, b.height);
    ASSERT_EQ(frames.size(), b.frame_count);
    for (const KnownFrame& k : b.frames) {
        SCOPED_TRACE("frame " + std::to_string(k.number));
        const RevealFrame& f = frames.at(k.number - 1);
        EXPECT_EQ(f.zoom, k.frame.zoom);
        EXPECT_EQ(f.left, k.frame.left);
        EXPECT_EQ(f.top, k.frame.top);
        EXPECT_EQ(f.angle, k.frame.angle);
        EXPECT_EQ(f.shown, k.frame.shown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boards, RevealKnownBoards,
    ::testing::Values(
        KnownBoard{"b1024x768", 1024, 768, 54, 18,
                   {{1, {54, 482, 362, 20, true}},
                    {17, {918, 17, 12, 340, true}},
                    {18, {972, -11, -8, 360, false}}}},
        KnownBoard{"b800x600", 800, 600, 42, 23,
                   {{22, {924, 10, 8, 342, true}}, {23, {966, -6, -5, 357, false}}}},
        KnownBoard{"b200x184", 200, 184, 11, 87, {{1, {11, 98, 90, 4, true}}, {86, {946, 0, 0, 350, true}}}},
        // 950 / 50 is whole: the frame at exactly 950 is still shown.
        KnownBoard{"b1000x650", 1000, 650, 50, 20,
                   {{19, {950, 0, 0, 351, true}}, {20, {1000, -26, -17, 370, false}}}}),
    [](const ::testing::TestParamInfo<KnownBoard>& p) { return std::string(p.param.name); });

// Over a spread of board sizes: the copy starts near the centre, grows by one
// step per frame, reaches the top left-hand corner, and only the last frame
// is left unseen.
TEST(RevealFrames, EveryBoardGrowsFromTheCentreToTheCorner)
{
    for (int32_t w : {40, 90, 333, 640, 1026, 1366, 1920, 2560, 3840}) {
        for (int32_t h : {20, 184, 480, 787, 1080, 2160}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            const int32_t m = static_cast<int32_t>((w + h) / 33.0);
            const auto frames = reveal_frames(w, h);
            ASSERT_EQ(frames.size(), static_cast<size_t>(950 / m + 1));
            for (size_t i = 0; i < frames.size(); ++i) {
                EXPECT_EQ(frames[i].zoom, static_cast<int32_t>(i + 1) * m);
                EXPECT_EQ(frames[i].shown, i + 1 < frames.size());
            }
            const RevealFrame& first = frames.front();
            EXPECT_NEAR(first.left, w / 2.0, w * m / 1900.0 + 1);
            EXPECT_NEAR(first.top, h / 2.0, h * m / 1900.0 + 1);
            if (frames.size() >= 2) {
                const RevealFrame& last_shown = frames[frames.size() - 2];
                EXPECT_LE(last_shown.zoom, 950);
                EXPECT_NEAR(last_shown.left, 0, w * m / 1900.0 + 1);
                EXPECT_NEAR(last_shown.top, 0, h * m / 1900.0 + 1);
                EXPECT_GE(last_shown.left, -1);
                EXPECT_GE(last_shown.top, -1);
                EXPECT_LE(last_shown.angle, 352);
            }
            EXPECT_GT(frames.back().zoom, 950);
        }
    }
}

// Boards too small for the arithmetic have no frames at all, so the run
// can end at once instead of looping for ever.
TEST(RevealFrames, DegenerateBoardsHaveNoFrames)
{
    struct Size {
        int32_t w, h;
    };
    for (Size s : {Size{0, 0}, Size{10, 10}, Size{16, 16}, Size{32, 0}, Size{2000, 0}, Size{0, 2000},
                   Size{-100, 800}, Size{800, -100}, Size{-5000, -5000}}) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        EXPECT_FALSE(RevealSteps(s.w, s.h).playable());
        EXPECT_TRUE(reveal_frames(s.w, s.h).empty());
    }
    // The smallest board that steps at all: 33 pixels in all, 951 frames.
    EXPECT_TRUE(RevealSteps(17, 16).playable());
    EXPECT_EQ(reveal_frames(17, 16).size(), 951u);
}

// A board so large that one step passes the end at once: nothing is shown.
TEST(RevealFrames, HugeBoardEndsAfterOneUnseenFrame)
{
    const auto frames = reveal_frames(30000, 2000);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_FALSE(frames[0].shown);
    const auto extreme = reveal_frames(2147483647, 2147483647);
    ASSERT_EQ(extreme.size(), 1u);
    EXPECT_FALSE(extreme[0].shown);
}

} // namespace
