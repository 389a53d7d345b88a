// Bad stored values and damaged files: the wheel still starts, stays on the
// screen, spins and settles, with the values the rules give. The hot key is
// taken in every row (no display to grab it on), so that case runs too.

#include <filesystem>

#include "media/wheel_media.h"
#include "tests/wheel/wheel_window_fixture.h"

namespace {

const char* const kNumberKeys[] = {"奖品图片宽", "奖品图片高", "滚动速度", "自动停止", "计次",
                                   "外形框1左边", "外形框1顶边", "中奖图片左边", "中奖图片顶边"};

struct Bad {
    const char* name;
    const char* text;                  // every number key holds it; "" = all absent
    int32_t step_interval;             // of 时钟1 after a start
    int32_t auto_stop_interval;        // of 时钟3_自动停止 after a start
    int32_t result_width, result_height;
    int32_t wheel_side;
    std::function<void(TempDir&)> damage; // to the program folder
};

void PrintTo(const Bad& b, std::ostream* os) { *os << b.name; }

class WheelBadInput : public WheelWindowTest, public ::testing::WithParamInterface<Bad> {};

TEST_P(WheelBadInput, StartsSpinsAndSettles)
{
    const Bad& bad = GetParam();
    if (*bad.text)
        for (const char* key : kNumberKeys)
            setting(key, bad.text);
    prizes({"3", "3", "3", "3", "3", "3", "3", "3"});
    setting("禁用特效", "真");
    setting("背景音乐", "假");
    put_pictures();
    if (bad.damage)
        bad.damage(dir);
    start();

    EXPECT_EQ(rt_get_int(window(), P_WIDTH), 1920);
    EXPECT_EQ(get("外形框1", P_WIDTH), bad.wheel_side);
    EXPECT_LE(get("外形框1", P_HEIGHT), 1080);
    EXPECT_EQ(get("图片框a_结果", P_WIDTH), bad.result_width);
    EXPECT_EQ(get("图片框a_结果", P_HEIGHT), bad.result_height);
    EXPECT_EQ(text("编辑框_奖品图片宽"), std::to_string(bad.result_width));
    EXPECT_EQ(text("编辑框_奖品图片高"), std::to_string(bad.result_height));

    press_start();
    EXPECT_EQ(wheel::draw_running, 1);
    EXPECT_EQ(get("时钟1", P_TIMER_INTERVAL), bad.step_interval);
    EXPECT_EQ(get("时钟3_自动停止", P_TIMER_INTERVAL), bad.auto_stop_interval);
    // The result box, shown at whatever size it has, paints without trouble.
    rt_do_events();

    // Stop and settle: the step timer may never step (a speed of 0), but a
    // press on the stop label always starts again, so nothing freezes.
    press_stop();
    EXPECT_EQ(wheel::draw_running, 0);
    press_stop();
    EXPECT_EQ(wheel::draw_running, 1);
    steps(11);
    press_stop();
    steps(1);
    EXPECT_EQ(wheel::draw_running, 0);
    EXPECT_EQ(caption(), "开始");
    EXPECT_EQ(total_wins(), 1);
    ASSERT_GE(wheel::highlight_pos, 1);
    EXPECT_EQ(border(wheel::highlight_pos), 2);
    rt_do_events();
}

// Real pictures, so that an outsized result box has something to paint.
void real_pictures(TempDir& dir)
{
    for (int k = 1; k <= 8; ++k) {
        const Bytes& face = media::wheel_face((k - 1) % 4 + 1);
        dir.write("奖品图片/" + std::to_string(k) + ".jpg", std::string(face.begin(), face.end()));
    }
}

void write(TempDir& dir, const std::string& name, const std::string& bytes) { dir.write(name, bytes); }

// A JPEG cut short after its header, one claiming a picture far too large,
// noise, a PNG signature with nothing behind it, a folder, an empty file.
void damage_pictures(TempDir& dir)
{
    const std::string jpeg_start = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00";
    std::string huge = "\xFF\xD8\xFF\xC0\x00\x11\x08\xFF\xFF\xFF\xFF\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01";
    std::string noise;
    for (int i = 0; i < 70000; ++i)
        noise += static_cast<char>((i * 7919 + 13) % 256);
    write(dir, "奖品图片/1.jpg", jpeg_start);
    write(dir, "奖品图片/2.jpg", huge);
    write(dir, "奖品图片/3.jpg", noise);
    write(dir, "奖品图片/4.jpg", "\x89PNG\r\n\x1a\n");
    std::filesystem::remove(dir.file("奖品图片/5.jpg"));
    std::filesystem::create_directory(dir.file("奖品图片/5.jpg"));
    write(dir, "奖品图片/6.jpg", "");
    std::filesystem::remove(dir.file("奖品图片/7.jpg"));
    write(dir, "底图.jpg", jpeg_start + noise);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WheelBadInput,
    ::testing::Values(Bad{"Absent", "", 30, 0, 200, 160, 500, nullptr},
                      Bad{"Letters", "abc", 0, 0, 0, 0, 500, nullptr},
                      Bad{"Negative", "-5", -5, -5000, 0, 0, 500, nullptr},
                      Bad{"Fraction", "2.5", 2, 2500, 2, 2, 605, nullptr},
                      Bad{"Zero", "0", 0, 0, 0, 0, 500, nullptr},
                      // The frame is stored off the screen: no zoom step keeps it on.
                      Bad{"Large", "99999", 99999, 99999000, 99999, 99999, 500, real_pictures},
                      Bad{"Huge", "1e30", INT32_MIN, INT32_MIN, 0, 0, 500, nullptr},
                      Bad{"DamagedPictures", "7", 7, 7000, 7, 7, 972, damage_pictures}),
    [](const ::testing::TestParamInfo<Bad>& p) { return std::string(p.param.name); });

} // namespace
