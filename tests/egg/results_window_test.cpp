// The results window: tallies shown exactly as stored, and clearing them.

#include <unistd.h>

#include <filesystem>

#include "media/egg_media.h"
#include "runtime/gbk.h"
#include "tests/egg/egg_window_fixture.h"

namespace {

namespace fs = std::filesystem;

class ResultsWindowTest : public EggWindowTest {
protected:
    static UnitRef unit(const std::string& name) { return rt_unit(egg::ResultsWindow, name); }
    static UnitRef field(int k) { return unit("编辑框" + std::to_string(k)); }
    static void clear() { rt_test_click(unit("按钮1")); }

    static std::vector<std::string> fields()
    {
        std::vector<std::string> out;
        for (int k = 1; k <= 8; ++k)
            out.push_back(rt_get_text(field(k), P_TEXT));
        return out;
    }

    // Opens the window as the menu does and runs the steps inside; the last
    // step closes it with its close box.
    static void in_window(std::vector<ModalSteps::Step> steps)
    {
        steps.push_back([] { rt_test_close_box(egg::ResultsWindow); });
        EXPECT_FALSE(ModalSteps::run(egg::open_results_window, std::move(steps)));
        EXPECT_FALSE(rt_is_loaded(egg::ResultsWindow));
    }

    static const std::vector<std::string>& zeros()
    {
        static const std::vector<std::string> z(8, "0");
        return z;
    }
};

TEST_F(ResultsWindowTest, FreshFolderShowsEmptyFieldsNotZeros)
{
    in_window({[&] {
        EXPECT_EQ(fields(), std::vector<std::string>(8, ""));
        for (int k = 1; k <= 8; ++k) {
            EXPECT_TRUE(rt_get_bool(field(k), P_DISABLED)) << "the operator cannot edit count " << k;
            EXPECT_TRUE(rt_get_bytes(unit("图片框" + std::to_string(k)), P_PICTURE).empty());
        }
    }});
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(rt_file_exists(dir.file("jieguo.a")));
}

// Three wins of grade 2 through the program's own draw, with no results
// file at the start, then clearing: the file as the Windows routines would
// leave it.
TEST_F(ResultsWindowTest, TalliesGrowAndClear)
{
    no_effects();
    only_grade(2, "3");
    start();
    for (int egg = 1; egg <= 3; ++egg)
        rt_test_click(egg_button(egg));
    EXPECT_EQ(dir.read("jieguo.a"), "[zjjg]\r\nj2=3\r\n");
    rt_test_click(egg_button(4));
    EXPECT_EQ(dialogs.messages().size(), 1u) << "the fourth draw finds the pool empty";

    dialogs.message_answers.push_back(0);
    std::vector<std::string> shown_after;
    in_window({[&] {
        EXPECT_EQ(fields(), (std::vector<std::string>{"", "3", "", "", "", "", "", ""}));
        clear();
    },
               [&] { shown_after = fields(); }});
    EXPECT_EQ(shown_after, zeros());
    EXPECT_EQ(dir.read("jieguo.a"),
              "[zjjg]\r\nj2=0\r\nj1=0\r\nj3=0\r\nj4=0\r\nj5=0\r\nj6=0\r\nj7=0\r\nj8=0\r\n");

    // The pool is whole again.
    rt_test_click(egg_button(1));
    EXPECT_EQ(read_result("j2"), "1");
}

TEST_F(ResultsWindowTest, TalliesAndPicturesAsStored)
{
    result("j3", "1");
    result("j5", "abc");
    result("j7", "2.5");
    result("j8", "-4");
    const Bytes egg = media::egg_picture(4);
    dir.write("奖品图片/6.jpg", std::string(egg.begin(), egg.end()));
    in_window({[&] {
        EXPECT_EQ(fields(), (std::vector<std::string>{"", "", "1", "", "abc", "", "2.5", "-4"}));
        EXPECT_EQ(rt_get_bytes(unit("图片框6"), P_PICTURE), egg);
        EXPECT_TRUE(rt_get_bytes(unit("图片框5"), P_PICTURE).empty());
    }});
}

TEST_F(ResultsWindowTest, ClearingWritesZerosInOrderAndStaysOpen)
{
    std::vector<std::string> after_clear, after_reopen;
    bool open_after_clear = false;
    in_window({
        [&] { clear(); },
        [&] {
            open_after_clear = rt_is_loaded(egg::ResultsWindow);
            after_clear = fields();
        },
    });
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "确定要清空中奖结果吗？");
    EXPECT_EQ(dialogs.shown[0].title, "确定清空吗？");
    EXPECT_EQ(dialogs.shown[0].style, 1);
    EXPECT_TRUE(open_after_clear);
    EXPECT_EQ(after_clear, zeros());
    EXPECT_EQ(gbk_to_utf8(dir.read("jieguo.a")), "[zjjg]\r\nj1=0\r\nj2=0\r\nj3=0\r\nj4=0\r\nj5=0\r\nj6=0\r\nj7=0\r\nj8=0\r\n");

    // Opened again, the zeros come from the file.
    in_window({[&] { after_reopen = fields(); }});
    EXPECT_EQ(after_reopen, zeros());
}

TEST_F(ResultsWindowTest, CancelLeavesFileAndFields)
{
    result("j2", "7");
    result("j6", "x");
    const std::string before = dir.read("jieguo.a");
    dialogs.message_answers.push_back(1);
    std::vector<std::string> after;
    in_window({[&] { clear(); }, [&] { after = fields(); }});
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(after, (std::vector<std::string>{"", "7", "", "", "", "x", "", ""}));
    EXPECT_EQ(dir.read("jieguo.a"), before);
}

TEST_F(ResultsWindowTest, UnwritableResultsAreNotShownAsCleared)
{
    // A folder where the results file should be: no write can succeed,
    // whoever runs the test.
    fs::create_directory(dir.file("jieguo.a"));
    std::vector<std::string> after;
    in_window({[&] { clear(); }, [&] { after = fields(); }});
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"确定要清空中奖结果吗？",
                                                            "中奖结果没有清空  请检查程序文件夹是否可以写入  "}));
    EXPECT_EQ(after, std::vector<std::string>(8, ""));
}

TEST_F(ResultsWindowTest, ReadOnlyResultsKeepTheirTallies)
{
    result("j1", "3");
    const std::string before = dir.read("jieguo.a");
    fs::permissions(dir.file("jieguo.a"), fs::perms::owner_read, fs::perm_options::replace);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    if (access(dir.file("jieguo.a").c_str(), W_OK) == 0) {
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
        GTEST_SKIP() << "this user can write read-only files";
    }
    std::vector<std::string> after;
    in_window({[&] { clear(); }, [&] { after = fields(); }});
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(after, (std::vector<std::string>{"3", "", "", "", "", "", "", ""}));
    EXPECT_EQ(dir.read("jieguo.a"), before);
    EXPECT_EQ(dialogs.messages().size(), 2u);
}

} // namespace
