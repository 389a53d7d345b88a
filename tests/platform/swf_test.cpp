// The SWF reader: a hand-encoded movie read field by field, shapes and
// display lists as the format defines them, and damaged input of every kind
// ending in what could be read, never in a crash, a hang or a huge allocation.

#include "platform/swf.h"

#include "tests/platform/swf_parts.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace swf_parts;

w::Header header(bool compressed = false, uint16_t frames = 1) { return small_stage(12, frames, compressed); }

Bytes place(uint16_t depth, uint16_t character, double x_px, double y_px)
{
    return w::place_object2({depth, character, w::Matrix::translate(x_px * 20, y_px * 20), std::nullopt, false});
}

Bytes move(uint16_t depth, double x_px, double y_px)
{
    return w::place_object2({depth, std::nullopt, w::Matrix::translate(x_px * 20, y_px * 20), std::nullopt, true});
}

swf::Movie read(const Bytes& b) { return swf::read_movie(b); }

TEST(SwfReader, ReadsAHandEncodedMovieFieldByField)
{
    // "FWS", version 5, 550 x 400 at 12 fps, one frame, red background.
    const Bytes movie = {'F', 'W', 'S', 5, 29, 0, 0, 0,
                         0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, // RECT 0..11000, 0..8000 twips
                         0x00, 0x0C, 0x01, 0x00,                               // 12.0 fps, 1 frame
                         0x43, 0x02, 0xFF, 0x00, 0x00,                         // SetBackgroundColor
                         0x40, 0x00,                                           // ShowFrame
                         0x00, 0x00};                                          // End
    const swf::Movie m = read(movie);
    ASSERT_TRUE(m.ok);
    EXPECT_FALSE(m.compressed);
    EXPECT_EQ(m.version, 5);
    EXPECT_EQ(m.file_length, 29u);
    EXPECT_EQ(m.frame.xmin, 0);
    EXPECT_EQ(m.frame.xmax, 11000);
    EXPECT_EQ(m.frame.ymax, 8000);
    EXPECT_DOUBLE_EQ(m.frame_rate(), 12.0);
    EXPECT_EQ(m.header_frame_count, 1);
    EXPECT_TRUE(m.has_background);
    EXPECT_EQ(m.background, (swf::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(m.timeline.frames.size(), 1u);
    ASSERT_EQ(m.tags.size(), 3u);
    EXPECT_EQ(m.tags[0].code, 9);
    EXPECT_EQ(m.tags[0].offset, 21u);
    EXPECT_EQ(m.tags[1].code, 1);
    EXPECT_EQ(m.tags[2].code, 0);
    EXPECT_TRUE(m.complete);
}

TEST(SwfReader, CompressedAndPlainReadAlike)
{
    const Bytes tags = cat({square(1, 10), place(1, 1, 5, 5), w::show_frame(), move(1, 20, 5), w::show_frame(),
                            w::end_tag()});
    const swf::Movie plain = read(w::movie(header(false, 2), tags));
    const Bytes packed = w::movie(header(true, 2), tags);
    const swf::Movie zipped = read(packed);
    ASSERT_TRUE(plain.ok);
    ASSERT_TRUE(zipped.ok);
    EXPECT_TRUE(zipped.compressed);
    EXPECT_EQ(zipped.file_length, plain.file_length);
    EXPECT_EQ(zipped.body_length + 8, zipped.file_length);
    EXPECT_TRUE(zipped.complete);
    ASSERT_EQ(zipped.timeline.frames.size(), 2u);
    EXPECT_EQ(swf::display_lists(zipped.timeline).back().at(1).matrix.tx, 400);
}

TEST(SwfReader, ShapeEdgesBecomeClosedOutlinesPerFillStyle)
{
    // Two squares sharing an edge, written the way editors do: the shared
    // edge once, with the left square's style on one side and the right
    // square's on the other, and the outlines in pieces and out of order.
    w::ShapeBuilder s;
    const uint32_t left = s.add_fill(w::Fill::solid({255, 0, 0, 255}));
    const uint32_t right = s.add_fill(w::Fill::solid({0, 0, 255, 255}));
    s.style(right, left, 0); // shared edge, downwards: the left square on its right (fill1)
    s.move_to(200, 0);
    s.line_to(200, 200);
    s.style(right, 0, 0);
    s.line_to(400, 200);
    s.line_to(400, 0);
    s.line_to(200, 0);
    s.style(0, left, 0);
    s.move_to(0, 200);
    s.line_to(0, 0);
    s.line_to(200, 0);
    s.style(left, 0, 0); // bottom edge of the left square, written backwards
    s.move_to(0, 200);
    s.line_to(200, 200);
    const swf::Movie m = read(w::movie(header(), cat({s.define(1), w::show_frame(), w::end_tag()})));
    const swf::Character* c = m.character(1);
    ASSERT_TRUE(c);
    const swf::Shape& shape = *c->shape;
    EXPECT_EQ(shape.bounds.xmin, 0);
    EXPECT_EQ(shape.bounds.xmax, 400);
    ASSERT_EQ(shape.fills.size(), 2u);
    EXPECT_EQ(shape.fills[0].color, (swf::Rgba{255, 0, 0, 255}));
    ASSERT_EQ(shape.fill_paths.size(), 2u);
    for (const swf::FillPath& p : shape.fill_paths) {
        ASSERT_EQ(p.contours.size(), 1u) << "style " << p.style;
        const auto& loop = p.contours[0];
        EXPECT_EQ(loop.size(), 4u) << "style " << p.style;
        for (size_t i = 0; i < loop.size(); ++i)
            EXPECT_EQ(loop[i].to, loop[(i + 1) % loop.size()].from) << "style " << p.style << " segment " << i;
    }
}

TEST(SwfReader, CurvesGradientsAndLineStyles)
{
    w::ShapeBuilder s;
    const uint32_t g = s.add_fill(w::Fill::radial(100, 100, 100, {{0, {255, 255, 255, 255}}, {255, {0, 128, 0, 200}}}));
    const uint32_t l = s.add_line({40, {1, 2, 3, 4}});
    s.circle(100, 100, 100, g, l);
    const swf::Movie m = read(w::movie(header(), cat({s.define(7), w::show_frame(), w::end_tag()})));
    const swf::Shape& shape = *m.character(7)->shape;
    ASSERT_EQ(shape.fills.size(), 1u);
    const swf::FillStyle& f = shape.fills[0];
    EXPECT_EQ(f.kind, swf::FillStyle::Kind::Radial);
    ASSERT_EQ(f.stops.size(), 2u);
    EXPECT_EQ(f.stops[1].ratio, 255);
    EXPECT_EQ(f.stops[1].color, (swf::Rgba{0, 128, 0, 200}));
    EXPECT_NEAR(f.matrix.sx, 100.0 / 16384, 1e-4);
    EXPECT_EQ(f.matrix.tx, 100);
    ASSERT_EQ(shape.lines.size(), 1u);
    EXPECT_EQ(shape.lines[0].width, 40);
    EXPECT_EQ(shape.lines[0].color, (swf::Rgba{1, 2, 3, 4}));
    ASSERT_EQ(shape.fill_paths.size(), 1u);
    ASSERT_EQ(shape.fill_paths[0].contours.size(), 1u);
    EXPECT_EQ(shape.fill_paths[0].contours[0].size(), 8u);
    EXPECT_TRUE(shape.fill_paths[0].contours[0][0].curved);
    ASSERT_EQ(shape.line_paths.size(), 1u);
    EXPECT_EQ(shape.line_paths[0].strokes.size(), 1u);
    // Half the line's width around the outline.
    EXPECT_EQ(shape.bounds.xmin, -20);
}

// What stands at each depth after each frame: character id and x in pixels.
using Expect = std::vector<std::vector<std::pair<uint16_t, std::pair<uint16_t, int>>>>;

struct ListCase {
    const char* name;
    std::function<Bytes()> frames;
    Expect expect;
};

TEST(SwfReader, DisplayListFollowsPlaceMoveReplaceAndRemove)
{
    const Bytes defs = cat({square(1, 4), square(2, 4, {0, 255, 0, 255})});
    const ListCase cases[] = {
        {"place then move keeps the character",
         [] { return cat({place(1, 1, 10, 0), w::show_frame(), move(1, 30, 0), w::show_frame()}); },
         {{{1, {1, 10}}}, {{1, {1, 30}}}}},
        {"move with a character replaces it and keeps the matrix",
         [] {
             return cat({place(1, 1, 10, 0), w::show_frame(),
                         w::place_object2({1, uint16_t(2), std::nullopt, std::nullopt, true}), w::show_frame()});
         },
         {{{1, {1, 10}}}, {{1, {2, 10}}}}},
        {"remove empties the depth, others stay",
         [] {
             return cat({place(1, 1, 10, 0), place(3, 2, 50, 0), w::show_frame(), w::remove_object2(1), w::show_frame()});
         },
         {{{1, {1, 10}}, {3, {2, 50}}}, {{3, {2, 50}}}}},
        {"moving an empty depth does nothing", [] { return cat({move(4, 10, 0), w::show_frame()}); }, {{}}},
        {"undefined characters are not placed", [] { return cat({place(1, 9, 10, 0), w::show_frame()}); }, {{}}},
    };
    for (const ListCase& c : cases) {
        const swf::Movie m = read(w::movie(header(false, uint16_t(c.expect.size())), cat({defs, c.frames(), w::end_tag()})));
        const auto lists = swf::display_lists(m.timeline);
        ASSERT_EQ(lists.size(), c.expect.size()) << c.name;
        for (size_t f = 0; f < lists.size(); ++f) {
            std::vector<std::pair<uint16_t, std::pair<uint16_t, int>>> got;
            for (const auto& [depth, item] : lists[f])
                got.push_back({depth, {item.character, int(item.matrix.tx / 20)}});
            EXPECT_EQ(got, c.expect[f]) << c.name << ", frame " << f;
        }
    }
}

TEST(SwfReader, SpritesKeepTheirOwnTimelines)
{
    const Bytes sprite = w::define_sprite(
        2, 3, cat({place(1, 1, 0, 0), w::show_frame(), move(1, 10, 0), w::show_frame(), move(1, 20, 0), w::show_frame()}));
    const swf::Movie m =
        read(w::movie(header(), cat({square(1, 4), sprite, place(1, 2, 50, 50), w::show_frame(), w::end_tag()})));
    ASSERT_TRUE(m.complete);
    EXPECT_EQ(m.timeline.frames.size(), 1u);
    const swf::Character* c = m.character(2);
    ASSERT_TRUE(c);
    ASSERT_EQ(c->kind, swf::Character::Kind::Sprite);
    const auto lists = swf::display_lists(c->sprite->timeline);
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[2].at(1).matrix.tx, 400);
    EXPECT_EQ(c->sprite->nesting, 1);
    // The sprite's own tags are listed as such.
    int inside = 0;
    for (const swf::TagInfo& t : m.tags)
        inside += t.in_sprite;
    EXPECT_EQ(inside, 7); // place, 2 moves, 3 frames, End
}

// Damaged input: the reader ends, says whether it read all, and keeps its
// allocations bounded.
struct DamageCase {
    const char* name;
    std::function<Bytes()> make;
    bool ok;
    bool complete;
    std::function<void(const swf::Movie&)> check = [](const swf::Movie&) {};
};

Bytes good_movie(bool compressed)
{
    return w::movie(header(compressed, 2), cat({square(1, 10), place(1, 1, 5, 5), w::show_frame(), move(1, 20, 5),
                                                w::show_frame(), w::end_tag()}));
}

Bytes deflate(const Bytes& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9);
    out.resize(size);
    return out;
}

TEST(SwfReader, DamagedInputYieldsWhatCouldBeRead)
{
    const DamageCase cases[] = {
        {"empty", [] { return Bytes{}; }, false, false},
        {"signature only", [] { return Bytes{'F', 'W', 'S'}; }, false, false},
        {"wrong signature", [] { Bytes b = good_movie(false); b[0] = 'X'; return b; }, false, false},
        {"LZMA signature", [] { Bytes b = good_movie(false); b[0] = 'Z'; return b; }, false, false},
        {"header cut in the frame rectangle",
         [] {
             const Bytes b = good_movie(false);
             return Bytes(b.begin(), b.begin() + 11);
         },
         false, false},
        {"cut inside a tag",
         [] {
             const Bytes b = good_movie(false);
             return Bytes(b.begin(), b.end() - 8);
         },
         true, false, [](const swf::Movie& m) { EXPECT_GE(m.timeline.frames.size(), 1u); }},
        {"compressed, cut in half",
         [] {
             const Bytes b = good_movie(true);
             return Bytes(b.begin(), b.begin() + std::ptrdiff_t(b.size() / 2));
         },
         true, false},
        {"compressed, stream corrupt from the start",
         [] {
             Bytes b = good_movie(true);
             for (size_t i = 8; i < b.size(); ++i)
                 b[i] ^= 0x5A;
             return b;
         },
         false, false},
        {"compressed, length field absurd",
         [] {
             Bytes b = good_movie(true);
             b[4] = b[5] = b[6] = b[7] = 0xFF;
             return b;
         },
         true, true, [](const swf::Movie& m) { EXPECT_EQ(m.timeline.frames.size(), 2u); }},
        {"compressed bomb: 64 MB of zeros in a small file",
         [] {
             Bytes b = {'C', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0xFF};
             const Bytes z = deflate(Bytes(64u << 20, 0));
             b.insert(b.end(), z.begin(), z.end());
             return b;
         },
         true, true, [](const swf::Movie& m) { EXPECT_LE(m.body_length, swf::kMaxBodyBytes); }},
        {"tag longer than the file",
         [] {
             const Bytes tags = cat({w::tag(w::kDefineShape3, Bytes(10, 0), true)});
             Bytes b = w::movie(header(), tags);
             b[b.size() - 14] = 0xFF; // length field of the long tag header
             return b;
         },
         true, false},
        {"unknown and malformed tags are skipped",
         [] {
             return w::movie(header(false, 2), cat({w::tag(1000, Bytes(5, 7)), w::tag(w::kPlaceObject2, {0xFF}),
                                                    w::tag(w::kDefineShape3, {1}), w::show_frame(), square(1, 4),
                                                    place(1, 1, 0, 0), w::show_frame(), w::end_tag()}));
         },
         true, true,
         [](const swf::Movie& m) {
             ASSERT_EQ(m.timeline.frames.size(), 2u);
             EXPECT_TRUE(m.timeline.frames[0].ops.empty());
             EXPECT_EQ(m.timeline.frames[1].ops.size(), 1u);
         }},
        {"a shape announcing 65535 fill styles in a few bytes",
         [] {
             Bytes body = {2, 0, 0x00, 0xFF, 0xFF, 0xFF};
             body.insert(body.end(), 20, 0x10);
             return w::movie(header(), cat({w::tag(w::kDefineShape3, body), w::show_frame(), w::end_tag()}));
         },
         true, true, [](const swf::Movie& m) { EXPECT_LT(m.character(2)->shape->fills.size(), 20u); }},
        {"more frames than a timeline may have",
         [] {
             Bytes tags;
             for (size_t i = 0; i < swf::kMaxFrames + 50; ++i)
                 tags.insert(tags.end(), {0x40, 0x00});
             return w::movie(header(), tags);
         },
         true, false, [](const swf::Movie& m) { EXPECT_EQ(m.timeline.frames.size(), swf::kMaxFrames); }},
        {"sprites nested deeper than allowed",
         [] {
             Bytes tags = square(1, 4);
             for (uint16_t id = 2; id < 2 + swf::kMaxSpriteNesting + 4; ++id)
                 tags = cat({tags, w::define_sprite(id, 1, cat({place(1, uint16_t(id - 1), 1, 1), w::show_frame()}))});
             return w::movie(header(), cat({tags, w::show_frame(), w::end_tag()}));
         },
         true, true,
         [](const swf::Movie& m) {
             for (const auto& [id, c] : m.characters) {
                 if (c.kind != swf::Character::Kind::Sprite)
                     continue;
                 EXPECT_LE(c.sprite->nesting, swf::kMaxSpriteNesting) << "sprite " << id;
                 // The first too deep is left empty, which makes the next shallow again.
                 EXPECT_EQ(c.sprite->timeline.frames[0].ops.empty(), id == swf::kMaxSpriteNesting + 2) << "sprite " << id;
             }
         }},
        {"a sprite placing itself",
         [] {
             return w::movie(header(), cat({w::define_sprite(3, 1, cat({place(1, 3, 0, 0), w::show_frame()})),
                                            place(1, 3, 0, 0), w::show_frame(), w::end_tag()}));
         },
         true, true, [](const swf::Movie& m) { EXPECT_TRUE(m.character(3)->sprite->timeline.frames[0].ops.empty()); }},
        {"an id defined twice keeps its first meaning",
         [] {
             return w::movie(header(), cat({square(1, 4), w::define_sprite(1, 1, cat({w::show_frame()})),
                                            w::show_frame(), w::end_tag()}));
         },
         true, true, [](const swf::Movie& m) { EXPECT_EQ(m.character(1)->kind, swf::Character::Kind::Shape); }},
        {"no End", [] { const Bytes b = good_movie(false); return Bytes(b.begin(), b.end() - 2); }, true, false,
         [](const swf::Movie& m) { EXPECT_EQ(m.timeline.frames.size(), 2u); }},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const swf::Movie m = read(c.make());
        EXPECT_EQ(m.ok, c.ok);
        EXPECT_EQ(m.complete, c.complete);
        if (m.ok) {
            EXPECT_GE(m.timeline.frames.size(), 1u);
        }
        c.check(m);
    }
}

TEST(SwfReader, ChainedTransformsCompose)
{
    const swf::Matrix turn{0, 1, -1, 0, 0, 0}; // a quarter turn
    const swf::Matrix shift{1, 0, 0, 1, 100, 0};
    const swf::Matrix m = shift * turn; // turn first, then shift
    EXPECT_DOUBLE_EQ(m.sx * 10 + m.r1 * 0 + m.tx, 100); // (10, 0) -> (0, 10) -> (100, 10)
    EXPECT_DOUBLE_EQ(m.r0 * 10 + m.sy * 0 + m.ty, 10);

    swf::ColorTransform half;
    half.ma = 128;
    swf::ColorTransform red;
    red.mr = 0;
    red.ar = 255;
    const swf::ColorTransform both = half * red;
    EXPECT_EQ(both.apply({0, 10, 20, 200}), (swf::Rgba{255, 10, 20, 100}));
    swf::ColorTransform huge;
    huge.mr = 1 << 15;
    huge.ar = 1 << 15;
    swf::ColorTransform deep = huge;
    for (int i = 0; i < 40; ++i)
        deep = deep * huge; // stays defined, and saturates
    EXPECT_EQ(deep.apply({1, 0, 0, 255}).r, 255);
}

} // namespace
