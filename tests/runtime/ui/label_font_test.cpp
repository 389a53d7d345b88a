// What a transparent label's font looks like on screen: a bold font must
// show bold at every size, also where the face has no bold of its own.
#include "tests/runtime/ui/demo_window.h"

#include "runtime/ui/picture.h"

#include <QFontDatabase>

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

} // namespace
