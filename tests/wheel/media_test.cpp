// The media the wheel carries: their forms bind, whatever they show.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>

#include "media/wheel_media.h"

namespace {

struct JpegFrame {
    int marker = 0; // 0xC0 baseline, 0xC2 progressive, ...
    int width = 0, height = 0, components = 0;
};

// The first frame header of a JPEG file, walking its segments.
JpegFrame frame_of(const Bytes& b)
{
    JpegFrame f;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return f;
    size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF) {
        const int marker = b[i + 1];
        const size_t length = size_t(b[i + 2]) << 8 | b[i + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (i + 10 > b.size())
                return f;
            f.marker = marker;
            f.height = b[i + 5] << 8 | b[i + 6];
            f.width = b[i + 7] << 8 | b[i + 8];
            f.components = b[i + 9];
            return f;
        }
        i += 2 + length;
    }
    return f;
}

uint32_t u32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t u16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

TEST(WheelMedia, FacesAndIconAreBaselineJpegsOfTheirSize)
{
    std::set<Bytes> distinct;
    for (int k = 1; k <= 4; ++k) {
        const JpegFrame f = frame_of(media::wheel_face(k));
        EXPECT_EQ(f.marker, 0xC0) << k;
        EXPECT_EQ(f.width, 914) << k;
        EXPECT_EQ(f.height, 914) << k;
        EXPECT_EQ(f.components, 3) << k;
        distinct.insert(media::wheel_face(k));
    }
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_TRUE(media::wheel_face(0).empty());
    EXPECT_TRUE(media::wheel_face(5).empty());

    const JpegFrame icon = frame_of(media::panel_icon());
    EXPECT_EQ(icon.marker, 0xC0);
    EXPECT_EQ(icon.width, 48);
    EXPECT_EQ(icon.height, 45);
}

TEST(WheelMedia, WinSoundIsABrightChimeOfThePrescribedForm)
{
    const Bytes& w = media::win_sound();
    ASSERT_EQ(w.size(), 285228u);
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(u32(w, 4), 285228u - 8);
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u16(w, 20), 1);     // PCM
    EXPECT_EQ(u16(w, 22), 2);     // channels
    EXPECT_EQ(u32(w, 24), 44100u);
    EXPECT_EQ(u32(w, 28), 44100u * 4);
    EXPECT_EQ(u16(w, 32), 4);
    EXPECT_EQ(u16(w, 34), 16);
    EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
    const uint32_t data = u32(w, 40);
    ASSERT_EQ(data, 285228u - 44);
    EXPECT_NEAR(data / (44100.0 * 4), 1.6, 0.05);

    // Loud at the start, both channels sounding, silent at the very end.
    auto sample = [&](size_t frame, int channel) { return int16_t(u16(w, 44 + frame * 4 + size_t(channel) * 2)); };
    const size_t frames = data / 4;
    double early = 0, left = 0, right = 0;
    for (size_t i = 0; i < 44100 / 2; ++i) {
        early = std::max(early, std::fabs(double(sample(i, 0))));
        left += std::fabs(double(sample(i, 0)));
        right += std::fabs(double(sample(i, 1)));
    }
    EXPECT_GT(early, 20000);
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
    for (size_t i = frames - 20; i < frames; ++i)
        EXPECT_LT(std::abs(sample(i, 0)) + std::abs(sample(i, 1)), 200) << i;
}

} // namespace
