// The prize settings window: what it shows, what OK stores and reloads, the
// draw-mode radios, and the picture and music choosers.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>

#include "common/draw.h"
#include "media/egg_media.h"
#include "runtime/gbk.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

namespace fs = std::filesystem;

const char* const kCountRejected = "界面显示金蛋个数必须是1到9之间的整数  请重新设置";
const char* const kSaved = "设置成功  ";
const char* const kNotSaved = "设置没有保存成功  请检查程序文件夹是否可以写入  ";
const char* const kPictureFilter = "图形文件(*.jpg)|*.jpg";

class PrizeSettingsTest : public EggWindowTest {
protected:
    static UnitRef unit(const std::string& name) { return rt_unit(egg::PrizeSettingsWindow, name); }
    static UnitRef picture_box(int k) { return unit("图片框" + std::to_string(k)); }
    static UnitRef value_field(int k) { return unit("编辑框" + std::to_string(k)); }
    static std::string text(const std::string& name) { return rt_get_text(unit(name), P_TEXT); }
    static bool ticked(const std::string& name) { return rt_get_bool(unit(name), P_CHECKED); }
    static void ok() { rt_test_click(unit("按钮1")); }
    static void double_click(UnitRef u) { rt_test_mouse(u, E_DOUBLE_CLICK); }

    static void open_settings() { rt_load_window(egg::PrizeSettingsWindow, std::nullopt, true); }

    // Runs the steps inside the open window, then closes it with its close
    // box unless a step closed it.
    static void in_window(std::vector<ModalSteps::Step> steps)
    {
        steps.push_back([] {
            if (rt_is_loaded(egg::PrizeSettingsWindow))
                rt_test_close_box(egg::PrizeSettingsWindow);
        });
        EXPECT_FALSE(ModalSteps::run(open_settings, std::move(steps)));
    }

    // Keys of the settings file in the order they stand on disk.
    std::vector<std::string> keys_in_file()
    {
        std::istringstream in(gbk_to_utf8(dir.read("config.a")));
        std::vector<std::string> keys;
        for (std::string line; std::getline(in, line);)
            if (const size_t eq = line.find('='); eq != std::string::npos)
                keys.push_back(line.substr(0, eq));
        return keys;
    }

    static int visible_eggs()
    {
        int n = 0;
        for (int k = 1; k <= 9; ++k)
            n += rt_get_bool(egg_button(k), P_VISIBLE);
        return n;
    }

    static std::string bytes_text(const Bytes& b) { return std::string(b.begin(), b.end()); }
};

TEST_F(PrizeSettingsTest, FreshFolderShowsTheDesignedValues)
{
    in_window({[&] {
        EXPECT_EQ(text("编辑框_金蛋个数"), "9");
        const char* designed[] = {"1", "2", "4", "8", "10", "15", "20", "50"};
        for (int k = 1; k <= 8; ++k) {
            EXPECT_EQ(rt_get_text(value_field(k), P_TEXT), designed[k - 1]) << "grade " << k;
            EXPECT_TRUE(rt_get_bytes(picture_box(k), P_PICTURE).empty()) << "grade " << k;
        }
        EXPECT_TRUE(ticked("单选框1"));
        EXPECT_FALSE(ticked("单选框2"));
        EXPECT_FALSE(ticked("选择框_禁用特效"));
        EXPECT_FALSE(ticked("选择框_禁用背景音乐"));
        // Four lines, the explanations indented by four blanks.
        const std::string explanation = rt_get_text(unit("标签3"), P_TEXT);
        EXPECT_EQ(explanation.find("1.按奖品数量抽奖：\r\n    选择按数量抽奖"), 0u);
        EXPECT_NE(explanation.find("结束；\r\n2.按概率抽奖：\r\n    选择按概率抽奖"), std::string::npos);
    }});
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(rt_file_exists(dir.file("config.a"))) << "opening and closing writes nothing";
}

TEST_F(PrizeSettingsTest, StoredStateIsShownAsStored)
{
    setting("金蛋个数", "5.5");
    setting("一", "7 ");
    setting("二", "");
    setting("三", "abc");
    setting("四", "-1");
    setting("lx", "真");
    setting("禁用特效", "真");
    setting("禁用背景音乐", "假");
    dir.write("奖品图片/3.jpg", bytes_text(media::egg_picture(3)));
    in_window({[&] {
        EXPECT_EQ(text("编辑框_金蛋个数"), "5.5");
        EXPECT_EQ(text("编辑框1"), "7");
        EXPECT_EQ(text("编辑框2"), "");
        EXPECT_EQ(text("编辑框3"), "abc");
        EXPECT_EQ(text("编辑框4"), "-1");
        EXPECT_EQ(text("编辑框5"), "") << "a missing key shows empty once grade 1 is set";
        EXPECT_EQ(rt_get_bytes(picture_box(3), P_PICTURE), media::egg_picture(3));
        EXPECT_TRUE(rt_get_bytes(picture_box(4), P_PICTURE).empty());
        EXPECT_FALSE(ticked("单选框1"));
        EXPECT_TRUE(ticked("单选框2"));
        EXPECT_TRUE(ticked("选择框_禁用特效"));
        EXPECT_FALSE(ticked("选择框_禁用背景音乐"));
    }});
}

TEST_F(PrizeSettingsTest, WithoutGradeOneTheOtherValuesAreIgnored)
{
    setting("二", "77");
    setting("lx", "真 ");
    in_window({[&] {
        EXPECT_EQ(text("编辑框1"), "1");
        EXPECT_EQ(text("编辑框2"), "2");
        // Blanks around values do not survive the INI file, so this is "真".
        EXPECT_TRUE(ticked("单选框2"));
    }});
}

TEST_F(PrizeSettingsTest, OkStoresValuesAsTypedInOrderAndReloadsTheCounts)
{
    start();
    const std::string very_long(300, '7');
    const std::array<std::string, 8> typed{"3.7", "-1", "", "abc", " 7", "１２", "-2.9", very_long};
    const std::array<int32_t, 7> counts{3, -1, 0, 0, 7, 12, -2};
    in_window({[&] {
        for (int k = 1; k <= 8; ++k)
            rt_set(value_field(k), P_TEXT, typed[static_cast<size_t>(k - 1)]);
        rt_set(unit("编辑框_金蛋个数"), P_TEXT, std::string("4"));
        rt_test_click(unit("选择框_禁用特效"));
        ok();
    }});
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kSaved});
    EXPECT_EQ(dialogs.shown.at(0).title, "信息：");
    EXPECT_EQ(dialogs.shown.at(0).style, 0);
    EXPECT_FALSE(rt_is_loaded(egg::PrizeSettingsWindow));

    EXPECT_EQ(keys_in_file(), (std::vector<std::string>{"界面大小", "禁用特效", "禁用背景音乐", "金蛋个数", "一", "二",
                                                        "三", "四", "五", "六", "七", "八"}));
    EXPECT_EQ(read_setting("禁用特效"), "真");
    EXPECT_EQ(read_setting("禁用背景音乐"), "假");
    EXPECT_EQ(read_setting("金蛋个数"), "4");
    for (int k = 1; k <= 8; ++k) {
        // The INI file keeps no blanks around a value; the rest is as typed.
        const std::string& t = typed[static_cast<size_t>(k - 1)];
        EXPECT_EQ(read_setting(kGradeSettingKeys[static_cast<size_t>(k - 1)]), k == 5 ? "7" : t) << "grade " << k;
    }
    EXPECT_NE(dir.read("config.a").find(utf8_to_gbk("五= 7\r\n")), std::string::npos) << "the blank is on disk";
    for (int k = 1; k <= 7; ++k)
        EXPECT_EQ(prize_counts[static_cast<size_t>(k)], counts[static_cast<size_t>(k - 1)]) << "grade " << k;
    EXPECT_EQ(visible_eggs(), 4);
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(rt_get_bool(egg_button(k), P_VISIBLE), k <= 4) << "egg " << k;

    // The next start reads the same counts from what was stored.
    const PrizeCounts after_save = prize_counts;
    rt_destroy_window(egg::MainWindow);
    rt_do_events();
    prize_counts.fill(123);
    start();
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(prize_counts[static_cast<size_t>(k)], after_save[static_cast<size_t>(k)]) << "grade " << k;
}

// The egg count is a range test with a small tolerance; it is stored as typed.
struct CountCase {
    const char* name;
    const char* typed;
    int eggs; // eggs shown after OK; 0 = rejected
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << '"' << c.typed << '"'; }

class EggCount : public PrizeSettingsTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(EggCount, RangeTest)
{
    const CountCase& c = GetParam();
    start();
    bool open_after_ok = false;
    in_window({
        [&] {
            rt_set(unit("编辑框_金蛋个数"), P_TEXT, std::string(c.typed));
            ok();
        },
        [&] { open_after_ok = rt_is_loaded(egg::PrizeSettingsWindow); },
    });
    if (c.eggs == 0) {
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, kCountRejected);
        EXPECT_EQ(dialogs.shown[0].title, "信息：");
        EXPECT_EQ(dialogs.shown[0].style, 0);
        EXPECT_TRUE(open_after_ok);
        EXPECT_EQ(read_setting("金蛋个数"), "");
        EXPECT_EQ(read_setting("一"), "");
        EXPECT_EQ(visible_eggs(), 9);
    } else {
        EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kSaved});
        EXPECT_FALSE(open_after_ok);
        EXPECT_EQ(read_setting("金蛋个数"), c.typed);
        EXPECT_EQ(visible_eggs(), c.eggs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Typed, EggCount,
    ::testing::Values(CountCase{"Zero", "0", 0}, CountCase{"Empty", "", 0}, CountCase{"Letters", "abc", 0},
                      CountCase{"Ten", "10", 0}, CountCase{"NineAndAHalf", "9.5", 0},
                      CountCase{"BeyondTheToleranceAboveNine", "9.0000002", 0},
                      CountCase{"BeyondTheToleranceBelowOne", "0.9999998", 0}, CountCase{"Negative", "-3", 0},
                      CountCase{"Exponent", "1e1", 0}, CountCase{"One", "1", 1}, CountCase{"Nine", "9", 9},
                      CountCase{"FiveAndAHalf", "5.5", 5},
                      // Accepted, but it counts as 0 eggs, which changes nothing on the stage.
                      CountCase{"WithinTheToleranceBelowOne", "0.99999995", 9},
                      CountCase{"WithinTheToleranceAboveNine", "9.00000005", 9},
                      CountCase{"FullWidthDigit", "５", 5}, CountCase{"TrailingText", "3个", 3}),
    [](const ::testing::TestParamInfo<CountCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(PrizeSettingsTest, RadiosWriteTheModeAtOnce)
{
    std::string lx_inside;
    bool one = true, two = false;
    in_window({[&] {
        rt_test_click(unit("单选框2"));
        lx_inside = read_setting("lx");
        one = ticked("单选框1");
        two = ticked("单选框2");
    }});
    // Left through the close box: the mode stays written.
    EXPECT_EQ(lx_inside, "真");
    EXPECT_FALSE(one);
    EXPECT_TRUE(two);
    EXPECT_EQ(read_setting("lx"), "真");
    EXPECT_EQ(keys_in_file(), std::vector<std::string>{"lx"});

    in_window({[&] {
        EXPECT_TRUE(ticked("单选框2"));
        rt_test_click(unit("单选框1"));
        lx_inside = read_setting("lx");
        EXPECT_TRUE(ticked("单选框1"));
        EXPECT_FALSE(ticked("单选框2"));
    }});
    EXPECT_EQ(lx_inside, "假");
}

TEST_F(PrizeSettingsTest, ChosenPictureShowsAtOnceAndOverwritesTheGradeFile)
{
    dir.write("奖品图片/6.jpg", "old picture");
    dir.write("chosen/金蛋.jpg", bytes_text(media::egg_picture(2)));
    dialogs.file_answers.push_back(dir.file("chosen/金蛋.jpg"));
    Bytes shown, empty_box, picture_box_shot;
    in_window({[&] {
        double_click(picture_box(6));
        shown = rt_get_bytes(picture_box(6), P_PICTURE);
        picture_box_shot = rt_unit_snapshot(picture_box(6));
        empty_box = rt_unit_snapshot(picture_box(7));
    }});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "file");
    EXPECT_EQ(dialogs.shown[0].text, kPictureFilter);
    EXPECT_EQ(dir.read("奖品图片/6.jpg"), bytes_text(media::egg_picture(2)));
    EXPECT_EQ(shown, media::egg_picture(2));
    EXPECT_NE(picture_box_shot, empty_box) << "the picture is drawn in the box";
    EXPECT_EQ(dir.read("chosen/金蛋.jpg"), bytes_text(media::egg_picture(2)));
    EXPECT_FALSE(rt_file_exists(dir.file("奖品图片/7.jpg")));
    EXPECT_FALSE(rt_file_exists(dir.file("config.a"))) << "no path is stored";
}

TEST_F(PrizeSettingsTest, PictureChooserEdgeCases)
{
    const std::string egg = bytes_text(media::egg_picture(5));
    dir.write("奖品图片/1.jpg", egg);
    dir.write("奖品图片/2.jpg", egg);
    dir.write("notes.jpg", "just some text");
    // Grade 1: the file it already shows; grade 2: Cancel; grade 3: not a
    // picture at all; grade 4: the chosen file has gone meanwhile.
    dialogs.file_answers = {dir.file("奖品图片/1.jpg"), std::nullopt, dir.file("notes.jpg"), dir.file("gone.jpg")};
    Bytes one, two, three, four, three_shot, empty_shot;
    in_window({[&] {
        for (int k = 1; k <= 4; ++k)
            double_click(picture_box(k));
        one = rt_get_bytes(picture_box(1), P_PICTURE);
        two = rt_get_bytes(picture_box(2), P_PICTURE);
        three = rt_get_bytes(picture_box(3), P_PICTURE);
        four = rt_get_bytes(picture_box(4), P_PICTURE);
        three_shot = rt_unit_snapshot(picture_box(3));
        empty_shot = rt_unit_snapshot(picture_box(8));
    }});
    EXPECT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dir.read("奖品图片/1.jpg"), egg) << "copied onto itself, it must stay whole";
    EXPECT_EQ(bytes_text(one), egg);
    EXPECT_EQ(bytes_text(two), egg);
    EXPECT_EQ(dir.read("奖品图片/3.jpg"), "just some text");
    EXPECT_EQ(bytes_text(three), "just some text");
    EXPECT_EQ(three_shot, empty_shot) << "what does not decode shows as no picture";
    EXPECT_FALSE(rt_file_exists(dir.file("奖品图片/4.jpg")));
    EXPECT_TRUE(four.empty());
}

TEST_F(PrizeSettingsTest, WithoutThePictureFolderNothingIsCreated)
{
    dir.write("pick.jpg", bytes_text(media::egg_picture(1)));
    dialogs.file_answers.push_back(dir.file("pick.jpg"));
    Bytes shown{1};
    in_window({[&] {
        double_click(picture_box(5));
        shown = rt_get_bytes(picture_box(5), P_PICTURE);
    }});
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(rt_file_exists(dir.file("奖品图片")));
}

TEST_F(PrizeSettingsTest, MusicIsCopiedBesideTheProgramSilently)
{
    fs::create_directory(dir.file("wav"));
    dir.write("music/歌.mp3", "ID3 some music");
    dialogs.file_answers = {dir.file("music/歌.mp3"), std::nullopt};
    in_window({[&] {
        rt_test_click(unit("按钮_bjyy3"));
        rt_test_click(unit("按钮_bjyy8"));
    }});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    for (const auto& s : dialogs.shown) {
        EXPECT_EQ(s.kind, "file");
        EXPECT_EQ(s.text, "图形文件(*.mp3)|*.mp3");
    }
    EXPECT_EQ(dir.read("wav/3.mp3"), "ID3 some music");
    EXPECT_FALSE(rt_file_exists(dir.file("wav/8.mp3")));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(PrizeSettingsTest, SettingsFileInTheWayIsReportedAndNothingIsReloaded)
{
    start();
    // A folder where the settings file should be: no write can succeed,
    // whoever runs the test.
    fs::remove(dir.file("config.a"));
    fs::create_directory(dir.file("config.a"));
    const PrizeCounts before = prize_counts;
    bool open_after_ok = false;
    in_window({
        [&] {
            rt_set(value_field(1), P_TEXT, std::string("99"));
            rt_set(unit("编辑框_金蛋个数"), P_TEXT, std::string("2"));
            ok();
        },
        [&] { open_after_ok = rt_is_loaded(egg::PrizeSettingsWindow); },
    });
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kNotSaved});
    EXPECT_TRUE(open_after_ok);
    EXPECT_EQ(prize_counts, before);
    EXPECT_EQ(visible_eggs(), 9);
}

TEST_F(PrizeSettingsTest, ReadOnlyFolderKeepsTheOldFileWhole)
{
    setting("一", "5");
    setting("金蛋个数", "9");
    const std::string before = dir.read("config.a");
    fs::permissions(dir.file("config.a"), fs::perms::owner_read, fs::perm_options::replace);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    if (access(dir.file("config.a").c_str(), W_OK) == 0) {
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
        GTEST_SKIP() << "this user can write read-only files";
    }
    bool open_after_ok = false;
    in_window({
        [&] {
            rt_set(value_field(1), P_TEXT, std::string("6"));
            ok();
        },
        [&] { open_after_ok = rt_is_loaded(egg::PrizeSettingsWindow); },
    });
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kNotSaved});
    EXPECT_TRUE(open_after_ok);
    EXPECT_EQ(dir.read("config.a"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

} // namespace
