// Camera-sized pictures decode on workers and are shared between units;
// outlined labels keep their drawn text until what it depends on changes.
// Whatever path a picture takes, the units show what they showed before.

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "runtime/files.h"
#include "runtime/ui/picture.h"
#include "runtime/ui/picture_cache.h"
#include "tests/runtime/ui/demo_window.h"
#include "tests/runtime/ui/picture_samples.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace demo;

// A noisy photograph of one main colour, large enough to go to a worker;
// each seed gives other bytes.
Bytes photograph(QColor colour, uint32_t seed, int width = 1600, int height = 1200)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 noise(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(noise() % 61) - 30;
            line[x] = qRgb(std::clamp(colour.red() + n, 0, 255), std::clamp(colour.green() + n, 0, 255),
                           std::clamp(colour.blue() + n, 0, 255));
        }
    }
    return samples::jpeg(image, samples::JpegKind::Rgb, 95);
}

QImage shot(UnitRef u)
{
    const Picture picture = decode_picture(rt_unit_snapshot(u));
    return picture.empty() ? QImage() : picture.frames[0];
}

// The middle of the box, averaged over the noise.
QColor middle(UnitRef box)
{
    const QImage image = shot(box);
    if (image.isNull())
        return QColor();
    int r = 0, g = 0, b = 0;
    for (int y = 27; y < 37; ++y)
        for (int x = 48; x < 58; ++x) {
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
        }
    return QColor(r / 100, g / 100, b / 100);
}

bool near(QColor a, QColor b)
{
    return a.isValid() && std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

class PictureSharing : public DemoTest {};

// However a picture reaches a box, the box shows it and hands back its bytes.
TEST_F(PictureSharing, LargePicturesShowWhicheverWayTheyArrive)
{
    open_main();
    const UnitRef box = unit("图片框1");
    const UnitRef board = unit("画板1");
    TempDir folder;
    const std::string file = folder.file("1.jpg");
    struct Way {
        const char* name;
        std::function<void(const Bytes&)> put;
    };
    const std::vector<Way> ways = {
        {"looked at before any event", [&](const Bytes& p) { rt_set(box, P_PICTURE, p); }},
        {"after the worker's turn", [&](const Bytes& p) {
             rt_set(box, P_PICTURE, p);
             for (int i = 0; i < 20; ++i)
                 rt_do_events();
         }},
        {"read from disk twice", [&](const Bytes& p) {
             ASSERT_TRUE(rt_write_file(file, p));
             rt_set(box, P_PICTURE, rt_read_file(file));
             rt_set(box, P_PICTURE, rt_read_file(file));
         }},
        {"handed on from the board", [&](const Bytes& p) {
             rt_set(board, P_PICTURE, p);
             rt_set(box, P_PICTURE, rt_get_bytes(board, P_PICTURE));
         }},
        {"several before the first paint", [&](const Bytes& p) {
             for (uint32_t k = 0; k < 6; ++k)
                 rt_set(board, P_PICTURE, photograph(QColor(40, 200, 40), 100 + k, 800, 600));
             rt_set(box, P_PICTURE, p);
             rt_do_events();
         }},
    };
    uint32_t seed = 1;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const QColor colour(200, 40 + 20 * int(seed), 60);
        const Bytes picture = photograph(colour, seed++);
        ASSERT_GT(picture.size(), size_t(256) << 10); // decoded on a worker
        way.put(picture);
        EXPECT_TRUE(near(middle(box), colour)) << middle(box).name().toStdString();
        EXPECT_EQ(rt_get_bytes(box, P_PICTURE), picture);
    }

    // A file changed on disk shows its new picture at the next read.
    const QColor blue(40, 40, 200);
    ASSERT_TRUE(rt_write_file(file, photograph(blue, 50)));
    rt_set(box, P_PICTURE, rt_read_file(file));
    EXPECT_TRUE(near(middle(box), blue));

    // Grown, the box decodes the picture again for its new size: as sharp as
    // one given the picture at that size.
    const Bytes grey = photograph(QColor(128, 128, 128), 60);
    rt_set(box, P_PICTURE, grey);
    rt_do_events();
    rt_set(box, P_WIDTH, int32_t{600});
    rt_set(box, P_HEIGHT, int32_t{450});
    rt_do_events();
    const QImage grown = shot(box);
    // Other bytes of the same picture: a decode too small for the box would
    // be made again here, and look sharper.
    const Bytes same_elsewhere = photograph(QColor(128, 128, 128), 60);
    rt_set(box, P_PICTURE, Bytes{});
    rt_set(box, P_PICTURE, same_elsewhere);
    EXPECT_EQ(samples::max_difference(grown, shot(box)), 0);
}

// A board shows a camera picture stretched over it; decoded to its size, the
// picture's own pixels are the board's snapshot, handed out without a copy.
// The same bytes in a picture box keep their shape there.
TEST_F(PictureSharing, BoardPicturesAreTheirSnapshotsAndKeepTheirShapeElsewhere)
{
    open_main();
    const UnitRef board = unit("画板1"); // 120 x 80
    const UnitRef box = unit("图片框1"); // 106 x 65
    // Four times as wide as high: left half red, right half blue.
    QImage wide(1600, 400, QImage::Format_RGB32);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            wide.setPixel(x, y, x < 800 ? qRgb(220, 30, 30) : qRgb(30, 30, 220));
    const Bytes picture = samples::jpeg(wide, samples::JpegKind::Rgb, 95);
    rt_set(board, P_PICTURE, picture);
    rt_set(box, P_PICTURE, picture);
    rt_do_events();

    const Bytes first = rt_unit_snapshot(board);
    EXPECT_TRUE(rt_unit_snapshot(board).shares_buffer_with(first));
    const QImage shown = shot(board);
    ASSERT_EQ(shown.size(), QSize(120, 80));
    EXPECT_EQ(shown.pixelColor(20, 5).red() > 180 && shown.pixelColor(100, 75).blue() > 180, true);
    // Any other board size is drawn: the same picture, stretched again.
    rt_set(board, P_WIDTH, int32_t{60});
    rt_do_events();
    const QImage smaller = shot(board);
    ASSERT_EQ(smaller.size(), QSize(60, 80));
    EXPECT_FALSE(rt_unit_snapshot(board).shares_buffer_with(first));
    EXPECT_TRUE(near(smaller.pixelColor(10, 70), QColor(220, 30, 30)));
    EXPECT_TRUE(near(smaller.pixelColor(50, 10), QColor(30, 30, 220)));

    // The box shows it four times as wide as high, centred: 106 x 26 from
    // row 19, with the box's own background above and below.
    const QImage in_box = shot(box);
    EXPECT_TRUE(near(in_box.pixelColor(20, 32), QColor(220, 30, 30)));
    EXPECT_TRUE(near(in_box.pixelColor(86, 32), QColor(30, 30, 220)));
    for (int y : {5, 60})
        EXPECT_FALSE(near(in_box.pixelColor(20, y), QColor(220, 30, 30))) << y;
}

// Pictures read and decoded ahead for a board show from that decode when
// their files' bytes are set, whatever other boxes show them meanwhile; a
// file changed since is decoded anew, and what cannot be prepared is passed
// over.
TEST_F(PictureSharing, PicturesPreparedAheadShowFromThatDecode)
{
    open_main();
    const UnitRef board = unit("画板1");
    const UnitRef box = unit("图片框1");
    const QSize size(rt_get_int(board, P_WIDTH), rt_get_int(board, P_HEIGHT));
    TempDir folder;
    const std::string red = folder.file("1.jpg");
    const std::string green = folder.file("2.jpg");
    ASSERT_TRUE(rt_write_file(red, photograph(QColor(200, 40, 40), 11)));
    ASSERT_TRUE(rt_write_file(green, photograph(QColor(40, 200, 40), 12)));
    const auto held = [&](const std::string& file) { return rtui::held_picture(rt_read_file(file), size, true); };
    ASSERT_FALSE(held(red).valid());

    rt_prepare_pictures(UnitRef{board.window + 100, 1}, {red});
    rt_prepare_pictures(board, {red, folder.file("missing.jpg"), green});
    for (int i = 0; i < 500 && !(held(red).ready() && held(green).ready()); ++i) {
        rt_do_events();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(held(red).ready() && held(green).ready());

    // A box of another kind showing the same file leaves the board's decode.
    rt_set(box, P_PICTURE, rt_read_file(green));
    rt_do_events();
    for (const auto& [file, colour] : {std::pair(red, QColor(200, 40, 40)), std::pair(green, QColor(40, 200, 40))}) {
        SCOPED_TRACE(file);
        const rtui::PictureDecode prepared = held(file);
        rt_set(board, P_PICTURE, rt_read_file(file));
        EXPECT_TRUE(rt_unit_snapshot(board).shares_buffer_with(prepared.picture().frame_bmp));
        EXPECT_TRUE(near(middle(board), colour));
    }

    const QColor blue(40, 40, 200);
    ASSERT_TRUE(rt_write_file(red, photograph(blue, 13)));
    EXPECT_FALSE(held(red).valid());
    rt_set(board, P_PICTURE, rt_read_file(red));
    EXPECT_TRUE(near(middle(board), blue));
}

// A camera picture put into a box is decoded by a worker while the handler
// goes on: no event needs to be processed for it.
TEST_F(PictureSharing, LargePicturesDecodeWhileTheHandlerGoesOn)
{
    const Bytes picture = photograph(QColor(30, 160, 90), 77);
    const rtui::PictureDecode decode(picture, QSize(400, 300));
    for (int i = 0; i < 1000 && !decode.ready(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(decode.ready());
    EXPECT_EQ(decode.picture().size(), QSize(400, 300));
}

// Each change of what the drawn text depends on draws it anew: the label
// looks as it does when drawn from scratch in that state, and going back
// gives the first drawing again.
TEST_F(PictureSharing, OutlinedLabelRedrawsWhenItsTextFontOrPlaceChanges)
{
    open_main();
    const UnitRef label = unit("透明标签1");
    rt_set(label, P_LABEL_EFFECT, int32_t{3});
    rt_write_unit_property(label, P_LABEL_FONT, 5, int32_t{50});
    struct Change {
        const char* name;
        std::function<void()> to, back;
    };
    const std::vector<Change> changes = {
        {"text", [&] { rt_set(label, P_TEXT, std::string("大卖场某某")); },
         [&] { rt_set(label, P_TEXT, std::string("某某大卖场")); }},
        {"size", [&] { rt_write_unit_property(label, P_LABEL_FONT, 5, int32_t{30}); },
         [&] { rt_write_unit_property(label, P_LABEL_FONT, 5, int32_t{50}); }},
        {"face", [&] { rt_write_unit_property(label, P_LABEL_FONT, 1, false); },
         [&] { rt_write_unit_property(label, P_LABEL_FONT, 1, true); }},
        {"alignment", [&] { rt_set(label, P_LABEL_ALIGN, int32_t{2}); },
         [&] { rt_set(label, P_LABEL_ALIGN, int32_t{1}); }},
        {"width", [&] { rt_set(label, P_WIDTH, int32_t{300}); }, [&] { rt_set(label, P_WIDTH, int32_t{400}); }},
        {"colour", [&] { rt_set(label, P_LABEL_COLOR, int32_t(kBlue)); },
         [&] { rt_set(label, P_LABEL_COLOR, int32_t(kYellow)); }},
    };
    // Another text and back: whatever was drawn before is drawn again.
    auto from_scratch = [&] {
        const std::string text = rt_get_text(label, P_TEXT);
        rt_set(label, P_TEXT, std::string("另"));
        rt_unit_snapshot(label);
        rt_set(label, P_TEXT, text);
        return shot(label);
    };
    // Text is drawn on whichever worker is free, and the font engine places
    // glyphs a fraction of a pixel differently on a thread that has drawn
    // other sizes: edges may differ by that much, a stale drawing by far more.
    constexpr int kGlyphPlacement = 32;
    const QImage first = shot(label);
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.to();
        const QImage changed = shot(label);
        EXPECT_GT(samples::max_difference(changed, first), 4 * kGlyphPlacement);
        EXPECT_LE(samples::max_difference(changed, from_scratch()), kGlyphPlacement);
        c.back();
        EXPECT_LE(samples::max_difference(shot(label), first), kGlyphPlacement);
    }
}

} // namespace
