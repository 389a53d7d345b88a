// The stored movies: each in its exact form and size, and valid SWF that a
// conforming reader takes the same way: walked here tag by tag without our
// reader, then read with it.

#include "media/movies.h"
#include "platform/swf.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>

namespace {

struct Form {
    int n; // 0: the default movie
    char signature;
    int version;
    size_t stored;
    size_t inflated;
    int width, height;
    double fps;
    int frames;
};

const Form kForms[] = {
    {0, 'F', 5, 18547, 18547, 680, 350, 24, 1},
    {1, 'C', 8, 19487, 29995, 550, 400, 12, 91},
    {2, 'C', 6, 40246, 42610, 550, 400, 36, 60},
    {3, 'F', 5, 41317, 41317, 400, 400, 20, 35},
};

const Bytes& movie(int n) { return n == 0 ? media::default_movie() : media::fireworks_movie(n); }

// The whole file with its body inflated, independently of the reader.
Bytes inflated(const Bytes& file)
{
    Bytes out(file.begin(), file.begin() + 8);
    if (file[0] == 'F') {
        out = file;
        return out;
    }
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = const_cast<Bytef*>(file.data() + 8);
    zs.avail_in = uInt(file.size() - 8);
    Bytes buf(1 << 20);
    zs.next_out = buf.data();
    zs.avail_out = uInt(buf.size());
    const int rc = inflate(&zs, Z_FINISH);
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the zlib stream";
    buf.resize(buf.size() - zs.avail_out);
    inflateEnd(&zs);
    out.insert(out.end(), buf.begin(), buf.end());
    return out;
}

// Documented tags and the version each first appeared in.
const std::map<int, int> kTagVersion = {
    {0, 1},  {1, 1},  {2, 1},  {4, 1},  {5, 1},  {6, 1},  {7, 1},  {8, 1},  {9, 1},  {10, 1}, {11, 1},
    {12, 3}, {13, 1}, {14, 1}, {15, 1}, {17, 2}, {18, 1}, {19, 1}, {20, 2}, {21, 2}, {22, 2}, {23, 2},
    {24, 2}, {26, 3}, {28, 3}, {32, 3}, {33, 3}, {34, 3}, {35, 3}, {36, 3}, {37, 4}, {39, 3}, {43, 3},
    {45, 3}, {46, 3}, {48, 3}, {56, 5}, {57, 5}, {58, 5}, {59, 6}, {60, 6}, {61, 6}, {62, 6}, {64, 6},
    {65, 7}, {66, 7}, {69, 8}, {70, 8}, {71, 8}, {73, 8}, {74, 8}, {75, 8}, {77, 1}, {78, 8}, {83, 8},
    {84, 8},
};
// What a sprite may hold.
const std::map<int, int> kControlTags = {{0, 1}, {1, 1}, {4, 1}, {5, 1}, {12, 3}, {15, 1},
                                         {18, 1}, {19, 1}, {26, 3}, {28, 3}, {43, 3}, {45, 3}};

struct Walk {
    int frames = 0;
    bool ended = false;
};

// Walks tags from `at` to `end`, checking every header against the bytes.
Walk walk(const Bytes& f, size_t at, size_t end, int version, bool in_sprite, std::vector<int>& codes)
{
    Walk w;
    while (at < end && !w.ended) {
        EXPECT_LE(at + 2, end);
        int code = (f[at] | f[at + 1] << 8) >> 6;
        size_t length = (f[at] | f[at + 1] << 8) & 0x3F;
        at += 2;
        if (length == 0x3F) {
            length = size_t(f[at]) | size_t(f[at + 1]) << 8 | size_t(f[at + 2]) << 16 | size_t(f[at + 3]) << 24;
            at += 4;
        }
        EXPECT_LE(at + length, end) << "tag " << code << " runs past its container";
        if (at + length > end)
            return w;
        const auto& known = in_sprite ? kControlTags : kTagVersion;
        const auto it = known.find(code);
        EXPECT_TRUE(it != known.end()) << "tag " << code << (in_sprite ? " inside a sprite" : "");
        if (it != known.end()) {
            EXPECT_LE(it->second, version) << "tag " << code << " is newer than the movie";
        }
        codes.push_back(code);
        if (code == 1)
            ++w.frames;
        if (code == 0) {
            EXPECT_EQ(length, 0u);
            w.ended = true;
        }
        if (code == 39) {
            const int stated = f[at + 2] | f[at + 3] << 8;
            std::vector<int> inner;
            const Walk sprite = walk(f, at + 4, at + length, version, true, inner);
            EXPECT_TRUE(sprite.ended) << "sprite without End";
            EXPECT_EQ(sprite.frames, stated) << "sprite frame count";
        }
        at += length;
    }
    EXPECT_EQ(at, end) << "bytes after End";
    return w;
}

TEST(Movies, HaveTheirExactFormsAndAreValidSwf)
{
    for (const Form& form : kForms) {
        SCOPED_TRACE("movie " + std::to_string(form.n));
        const Bytes& file = movie(form.n);
        ASSERT_EQ(file.size(), form.stored);
        EXPECT_EQ(file[0], form.signature);
        EXPECT_EQ(file[1], 'W');
        EXPECT_EQ(file[2], 'S');
        EXPECT_EQ(file[3], form.version);
        const size_t stated = size_t(file[4]) | size_t(file[5]) << 8 | size_t(file[6]) << 16 | size_t(file[7]) << 24;
        EXPECT_EQ(stated, form.inflated);

        const Bytes whole = inflated(file);
        ASSERT_EQ(whole.size(), form.inflated);
        // Frame rectangle, rate and count, decoded by hand.
        const int bits = whole[8] >> 3;
        auto field = [&](int k) {
            int64_t v = 0;
            for (int i = 0; i < bits; ++i) {
                const size_t bit = 5 + size_t(bits) * size_t(k) + size_t(i);
                v = v << 1 | ((whole[8 + bit / 8] >> (7 - bit % 8)) & 1);
            }
            return v >= (int64_t(1) << (bits - 1)) ? v - (int64_t(1) << bits) : v;
        };
        EXPECT_EQ(field(0), 0);
        EXPECT_EQ(field(1), form.width * 20);
        EXPECT_EQ(field(2), 0);
        EXPECT_EQ(field(3), form.height * 20);
        const size_t rect = (5 + 4 * size_t(bits) + 7) / 8;
        const size_t at = 8 + rect;
        EXPECT_DOUBLE_EQ((whole[at] | whole[at + 1] << 8) / 256.0, form.fps);
        EXPECT_EQ(whole[at + 2] | whole[at + 3] << 8, form.frames);

        std::vector<int> codes;
        const Walk main = walk(whole, at + 4, whole.size(), form.version, false, codes);
        EXPECT_TRUE(main.ended);
        EXPECT_EQ(main.frames, form.frames);
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.back(), 0);
        if (form.version >= 8) {
            EXPECT_EQ(codes.front(), 69) << "a version 8 movie starts with its file attributes";
        }

        // Our reader takes it the same way.
        const swf::Movie m = swf::read_movie(file);
        ASSERT_TRUE(m.ok);
        EXPECT_TRUE(m.complete);
        EXPECT_EQ(m.compressed, form.signature == 'C');
        EXPECT_EQ(m.file_length, form.inflated);
        EXPECT_EQ(m.body_length + 8, form.inflated);
        EXPECT_EQ(m.frame.width(), form.width * 20);
        EXPECT_EQ(m.frame.height(), form.height * 20);
        EXPECT_DOUBLE_EQ(m.frame_rate(), form.fps);
        EXPECT_EQ(m.header_frame_count, form.frames);
        EXPECT_EQ(m.timeline.frames.size(), size_t(form.frames));
        size_t top = 0;
        for (const swf::TagInfo& t : m.tags)
            top += !t.in_sprite;
        EXPECT_EQ(top, codes.size());
    }
    EXPECT_TRUE(media::fireworks_movie(0).empty());
    EXPECT_TRUE(media::fireworks_movie(4).empty());
}

} // namespace
