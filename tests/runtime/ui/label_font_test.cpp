// What a transparent label's font looks like on screen: a bold font must
// show bold at every size, also where the face has no bold of its own.
#include "tests/runtime/ui/demo_window.h"

#include "runtime/ui/label_drawing.h"
#include "runtime/ui/model.h"
#include "runtime/ui/picture.h"

#include <QCoreApplication>
#include <QFontDatabase>

#include <cstdlib>
#include <cstring>
#include <limits>

#include <string>

using namespace demo;

namespace {

class LabelFont : public DemoTest {};

// Pixels of the label's snapshot in its text colour (yellow on nothing).
int ink(UnitRef label)
{
    const Picture pic = decode_picture(rt_unit_snapshot(label));
    if (pic.empty())
        return -1;
    const QImage img = pic.frames[0].convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += c.alpha() > 128 && c.red() > 128 && c.green() > 128 && c.blue() < 100;
        }
    return n;
}

// The caption is Chinese only. In the designed face (drawn by a Chinese face
// without a bold) and in a Latin face with a bold of its own (whose Chinese
// characters come from a fallback face) every character shows bold. 9
// points is drawn from the glyph cache; 50 points (the designed 67-pixel
// title) and 60 points are drawn as outlines.
TEST_F(LabelFont, BoldShowsHeavierAtSmallAndLargeSizes)
{
    open_main();
    const UnitRef title = unit("透明标签1");
    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")));
    for (const char* face : {"宋体", "DejaVu Sans"})
        for (int32_t points : {9, 50, 60}) {
            SCOPED_TRACE(std::string(face) + " " + std::to_string(points));
            rt_write_unit_property(title, P_LABEL_FONT, 6, std::string(face));
            rt_write_unit_property(title, P_LABEL_FONT, 5, points);
            rt_write_unit_property(title, P_LABEL_FONT, 1, false);
            const int regular = ink(title);
            rt_write_unit_property(title, P_LABEL_FONT, 1, true);
            const int bold = ink(title);
            ASSERT_GT(regular, 0);
            EXPECT_GT(bold, regular + regular / 10) << "regular " << regular << ", bold " << bold;
        }
}

// A label keeps what it drew for repaints that change nothing; each change
// of what it shows must show at once, and undoing it shows the label as it
// was.
TEST_F(LabelFont, EveryChangeShowsAtOnceAndUndoesExactly)
{
    open_main();
    const UnitRef title = unit("透明标签1");
    struct Change {
        const char* name;
        int property;
        RtValue changed, original;
    };
    const Change changes[] = {
        {"text", P_TEXT, std::string("一等奖"), std::string("某某大卖场")},
        {"colour", P_LABEL_COLOR, int32_t(kBlue), int32_t(kYellow)},
        {"alignment", P_LABEL_ALIGN, int32_t{2}, int32_t{1}},
        {"vertical alignment", P_LABEL_VALIGN, int32_t{2}, int32_t{0}},
        {"effect", P_LABEL_EFFECT, int32_t{3}, int32_t{0}},
        {"width", P_WIDTH, int32_t{300}, int32_t{400}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        const Bytes before = rt_unit_snapshot(title);
        rt_set(title, c.property, c.changed);
        EXPECT_NE(rt_unit_snapshot(title), before);
        rt_set(title, c.property, c.original);
        EXPECT_EQ(rt_unit_snapshot(title), before);
    }
    const Bytes before = rt_unit_snapshot(title);
    rt_write_unit_property(title, P_LABEL_FONT, 5, int32_t{20});
    EXPECT_NE(rt_unit_snapshot(title), before);
}

// Two drawings that differ at most in the last bits of their edges. The
// font engine places a text's glyphs a fraction of a pixel differently
// after the thread that draws it has drawn another size of the face, so a
// drawing made on a worker may differ from one made here as much as that,
// and no more.
bool alike(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            for (int shift : {0, 8, 16, 24})
                if (std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)) > 32)
                    return false;
        }
    return true;
}

bool alike(const Bytes& a, const Bytes& b)
{
    const Picture x = decode_picture(a), y = decode_picture(b);
    return !x.empty() && !y.empty() && alike(x.frames[0], y.frames[0]);
}

// Drawn column by column, a label is the label drawn whole: the columns a
// big one is split into for workers change no pixel.
TEST(LabelDrawingTest, ColumnsDrawnApartMakeTheWholeDrawing)
{
    struct Case {
        const char* text;
        int pixels, width, height, align, effect;
        bool bold, wrap;
        size_t min_columns;
    };
    const Case cases[] = {
        {"某某大卖场购物有奖活动", 67, 1920, 110, 1, 2, true, false, 2}, // the designed title
        {"Grand Prize 一等奖", 80, 1200, 120, 2, 3, true, false, 2},
        {"--- 现场抽奖仪式 ---", 50, 1920, 80, 1, 3, false, false, 2},
        {"开始", 40, 96, 112, 1, 1, true, false, 1},
        {"很长的一段文字会折成好几行来显示", 30, 200, 160, 0, 2, false, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        rtui::LabelLook look;
        look.text = QString::fromUtf8(c.text);
        look.font = rtui::make_font("宋体", c.pixels, c.bold, false, false, false).toString();
        look.size = QSize(c.width, c.height);
        look.pixels = c.pixels;
        look.color = kYellow;
        look.align = c.align;
        look.valign = 1;
        look.wrap = c.wrap;
        look.effect = c.effect;
        const std::vector<QRect> columns = rtui::label_columns(look);
        EXPECT_GE(columns.size(), c.min_columns);
        rtui::draw_label(look); // this thread's first drawing of the size
        const QImage whole = rtui::draw_label(look);
        QImage blank(whole.size(), whole.format());
        blank.fill(Qt::transparent);
        ASSERT_FALSE(whole == blank);
        QImage joined = blank;
        for (const QRect& column : columns) {
            const QImage part = rtui::draw_label(look, columns.size() > 1 ? column : QRect());
            for (int y = 0; y < whole.height(); ++y)
                std::memcpy(joined.scanLine(y) + column.x() * 4, part.constScanLine(y) + column.x() * 4,
                            size_t(column.width()) * 4);
        }
        EXPECT_TRUE(joined == whole);
        EXPECT_TRUE(alike(rtui::LabelDrawing(look).image(), whole));
    }
}

// Columns lie side by side and cover the label, for any size a setting can
// hold.
TEST(LabelDrawingTest, ColumnsCoverTheLabelForAnySize)
{
    for (int pixels : {0, -40, 67, 2000, std::numeric_limits<int>::max()})
        for (int width : {1, 1920, 16777215}) {
            rtui::LabelLook look;
            look.text = QString(500, QChar(0x4E2D));
            look.size = QSize(width, 16777215);
            look.pixels = pixels;
            look.align = 1;
            look.effect = 3;
            int x = 0;
            for (const QRect& column : rtui::label_columns(look)) {
                EXPECT_EQ(column.x(), x) << pixels << " " << width;
                EXPECT_GE(column.width(), 0);
                x += column.width();
            }
            EXPECT_EQ(x, width) << pixels << " " << width;
        }
}

// A drawing begun on a worker for what the label showed a moment ago is not
// what it shows after the next change.
TEST_F(LabelFont, AChangeWhileADrawingIsUnderWayShowsAtOnce)
{
    open_main();
    const UnitRef title = unit("透明标签1");
    rt_set(title, P_TEXT, std::string("一等奖"));
    const Bytes first = rt_unit_snapshot(title);
    rt_set(title, P_TEXT, std::string("二等奖"));
    const Bytes second = rt_unit_snapshot(title);
    ASSERT_FALSE(alike(first, second));

    rt_set(title, P_TEXT, std::string("一等奖"));
    // The drawing of the first text begins, and no paint takes it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    rt_set(title, P_TEXT, std::string("二等奖"));
    EXPECT_TRUE(alike(rt_unit_snapshot(title), second));
    rt_do_events();
    EXPECT_TRUE(alike(rt_unit_snapshot(title), second));
    rt_set(title, P_TEXT, std::string("一等奖"));
    rt_do_events();
    EXPECT_TRUE(alike(rt_unit_snapshot(title), first));
}

} // namespace
