#include "runtime/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "runtime/ini.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(RunDir, DefaultsToTheExecutablesFolderAndCanBeMoved)
{
    const std::string exe_dir = fs::read_symlink("/proc/self/exe").parent_path().string();
    const std::string original = rt_get_run_dir();
    EXPECT_TRUE(fs::equivalent(original, exe_dir));
    EXPECT_NE(original.back(), '/');

    TempDir tmp;
    rt_set_run_dir(tmp.path() + "/");
    EXPECT_EQ(rt_get_run_dir(), tmp.path());
    rt_set_run_dir(tmp.path() + "\\");
    EXPECT_EQ(rt_get_run_dir(), tmp.path());
    rt_set_run_dir(original);
    EXPECT_EQ(rt_get_run_dir(), original);
}

TEST(NativePath, SeparatorsAndTrailingBlanksOfTheLastName)
{
    EXPECT_EQ(rt_native_path("a\\b\\c.mp3 "), "a/b/c.mp3");
    EXPECT_EQ(rt_native_path("a/b.mp3 "), "a/b.mp3");
    EXPECT_EQ(rt_native_path("dir /x.jpg"), "dir /x.jpg");
    EXPECT_EQ(rt_native_path("x y  "), "x y");
    EXPECT_EQ(rt_native_path(" lead"), " lead");
    EXPECT_EQ(rt_native_path("/run\\奖品图片\\1.jpg"), "/run/奖品图片/1.jpg");
    EXPECT_EQ(rt_native_path(""), "");
}

class Files : public testing::Test {
protected:
    TempDir tmp;
};

TEST_F(Files, ReadGivesTheWholeFileOrNothing)
{
    std::string big(300000, '\0');
    std::mt19937 rng(3);
    for (char& c : big)
        c = static_cast<char>(rng());
    tmp.write("big.bin", big);
    EXPECT_EQ(rt_read_file(tmp.file("big.bin")), bytes_of(big));

    tmp.write("empty", "");
    EXPECT_TRUE(rt_read_file(tmp.file("empty")).empty());
    EXPECT_TRUE(rt_read_file(tmp.file("missing")).empty());
    EXPECT_TRUE(rt_read_file(tmp.path()).empty());
    EXPECT_TRUE(rt_read_file("").empty());
}

// A file read again comes back whole and as it is now, whatever changed
// since the read before; unchanged, it is the very byte set of that read.
TEST_F(Files, ReadAgainGivesTheFileAsItIsNow)
{
    std::string first(200000, '\0');
    std::mt19937 rng(5);
    for (char& c : first)
        c = static_cast<char>(rng());
    struct Change {
        const char* name;
        std::function<std::string(std::string)> apply;
    };
    const std::vector<Change> changes = {
        {"nothing", [](std::string s) { return s; }},
        {"first byte", [](std::string s) { s[0] ^= 1; return s; }},
        {"in the second chunk", [](std::string s) { s[s.size() / 2] ^= 1; return s; }},
        {"last byte", [](std::string s) { s.back() ^= 1; return s; }},
        {"grown", [](std::string s) { return s + "more"; }},
        {"shrunk", [](std::string s) { return s.substr(0, 100000); }},
        {"emptied", [](std::string) { return std::string(); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        tmp.write("p.jpg", first);
        const Bytes before = rt_read_file(tmp.file("p.jpg"));
        const std::string now = c.apply(first);
        tmp.write("p.jpg", now);
        const Bytes again = rt_read_file(tmp.file("p.jpg"));
        EXPECT_EQ(again, bytes_of(now));
        EXPECT_EQ(again.shares_buffer_with(before), now == first);
        EXPECT_EQ(before, bytes_of(first));
    }

    // Changing what a read gave changes neither the file nor the next read.
    tmp.write("p.jpg", first);
    Bytes mine = rt_read_file(tmp.file("p.jpg"));
    mine.insert(mine.cbegin(), uint8_t{7});
    EXPECT_EQ(rt_read_file(tmp.file("p.jpg")), bytes_of(first));
    EXPECT_NE(mine, bytes_of(first));
}

TEST_F(Files, HandlerStylePathsReachTheFile)
{
    tmp.write("奖品图片/1.jpg", "picture");
    const std::string handler_path = tmp.path() + "\\奖品图片\\1.jpg ";
    EXPECT_TRUE(rt_file_exists(handler_path));
    EXPECT_EQ(rt_read_file(handler_path), bytes_of("picture"));
    ASSERT_TRUE(rt_write_file(tmp.path() + "\\奖品图片\\2.jpg  ", bytes_of("x")));
    EXPECT_EQ(tmp.read("奖品图片/2.jpg"), "x"); // UTF-8 name, blanks dropped
    EXPECT_FALSE(fs::exists(tmp.file("奖品图片/2.jpg  ")));
}

TEST_F(Files, ExistsForFilesAndFolders)
{
    tmp.write("f", "1");
    EXPECT_TRUE(rt_file_exists(tmp.file("f")));
    EXPECT_TRUE(rt_file_exists(tmp.path()));
    EXPECT_FALSE(rt_file_exists(tmp.file("g")));
    EXPECT_FALSE(rt_file_exists(""));
}

TEST_F(Files, WriteCreatesOrReplacesAndJoinsParts)
{
    EXPECT_TRUE(rt_write_file(tmp.file("w"), std::vector<Bytes>{bytes_of("ab"), Bytes{}, bytes_of("cd")}));
    EXPECT_EQ(tmp.read("w"), "abcd");
    EXPECT_TRUE(rt_write_file(tmp.file("w"), bytes_of("z")));
    EXPECT_EQ(tmp.read("w"), "z");
    EXPECT_TRUE(rt_write_file(tmp.file("w"), Bytes{}));
    EXPECT_TRUE(fs::exists(tmp.file("w")));
    EXPECT_EQ(fs::file_size(tmp.file("w")), 0u);
}

TEST_F(Files, WriteFailuresAreReported)
{
    EXPECT_FALSE(rt_write_file(tmp.file("no/such/folder/f"), bytes_of("x")));
    fs::create_directory(tmp.file("d"));
    EXPECT_FALSE(rt_write_file(tmp.file("d"), bytes_of("x")));
    EXPECT_FALSE(rt_write_file("", bytes_of("x")));
    EXPECT_FALSE(rt_write_file("/dev/full", bytes_of("x")));
}

TEST_F(Files, CopyOverwritesTheTarget)
{
    tmp.write("src", "new content");
    tmp.write("dst", "old content that is longer");
    EXPECT_TRUE(rt_copy_file(tmp.file("src"), tmp.file("dst")));
    EXPECT_EQ(tmp.read("dst"), "new content");
    EXPECT_TRUE(rt_copy_file(tmp.file("src"), tmp.path() + "\\fresh "));
    EXPECT_EQ(tmp.read("fresh"), "new content");
}

TEST_F(Files, CopyOntoItselfKeepsTheFile)
{
    tmp.write("self", "keep me");
    EXPECT_TRUE(rt_copy_file(tmp.file("self"), tmp.file("self")));
    EXPECT_TRUE(rt_copy_file(tmp.file("self"), tmp.path() + "\\.\\self "));
    fs::create_hard_link(tmp.file("self"), tmp.file("link"));
    EXPECT_TRUE(rt_copy_file(tmp.file("link"), tmp.file("self")));
    EXPECT_EQ(tmp.read("self"), "keep me");
}

TEST_F(Files, CopyFailuresLeaveTheTargetAlone)
{
    tmp.write("dst", "untouched");
    EXPECT_FALSE(rt_copy_file(tmp.file("missing"), tmp.file("dst")));
    EXPECT_FALSE(rt_copy_file(tmp.path(), tmp.file("dst")));
    EXPECT_EQ(tmp.read("dst"), "untouched");
    tmp.write("src", "x");
    EXPECT_FALSE(rt_copy_file(tmp.file("src"), tmp.file("no/folder/dst")));
}

TEST_F(Files, DeleteRemovesFilesOnly)
{
    tmp.write("f", "1");
    EXPECT_TRUE(rt_delete_file(tmp.file("f ")));
    EXPECT_FALSE(fs::exists(tmp.file("f")));
    EXPECT_FALSE(rt_delete_file(tmp.file("f")));
    fs::create_directory(tmp.file("d"));
    EXPECT_FALSE(rt_delete_file(tmp.file("d")));
    EXPECT_TRUE(fs::is_directory(tmp.file("d")));
}

TEST_F(Files, CreateDirectoryOneLevel)
{
    EXPECT_TRUE(rt_create_directory(tmp.path() + "\\新建"));
    EXPECT_TRUE(fs::is_directory(tmp.file("新建")));
    EXPECT_TRUE(rt_create_directory(tmp.file("新建")));  // already there
    EXPECT_FALSE(rt_create_directory(tmp.file("a/b"))); // parent missing
    tmp.write("plain", "");
    EXPECT_FALSE(rt_create_directory(tmp.file("plain")));
}

TEST_F(Files, ReadOnlyFolderRefusesWrites)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    fs::create_directory(tmp.file("ro"));
    tmp.write("ro/old", "old");
    fs::permissions(tmp.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(rt_write_file(tmp.file("ro/new"), bytes_of("x")));
    EXPECT_FALSE(rt_copy_file(tmp.file("ro/old"), tmp.file("ro/copy")));
    EXPECT_FALSE(rt_delete_file(tmp.file("ro/old")));
    EXPECT_FALSE(rt_create_directory(tmp.file("ro/sub")));
    EXPECT_EQ(rt_read_file(tmp.file("ro/old")), bytes_of("old"));
}

// A named pipe or a device where the operator's picture, sound or settings
// file should be reads as missing and is never written: nothing waits for a
// writer or reader that never comes. Each step runs in a child that an alarm
// ends, so a step that waits fails instead of hanging the suite.
TEST_F(Files, PipesAndDevicesReadAsMissingWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(tmp.file("pipe.jpg").c_str(), 0666), 0);
    tmp.write("real.jpg", "picture");
    tmp.write("dst.jpg", "untouched");
    const std::string pipe = tmp.file("pipe.jpg");
    struct Step {
        const char* name;
        std::function<bool()> as_missing;
    };
    const std::vector<Step> steps = {
        {"read", [&] { return rt_read_file(pipe).empty(); }},
        {"read by handler path", [&] { return rt_read_file(tmp.path() + "\\pipe.jpg ").empty(); }},
        {"read a device", [] { return rt_read_file("/dev/zero").empty(); }},
        {"copy from", [&] { return !rt_copy_file(pipe, tmp.file("dst.jpg")); }},
        {"copy onto", [&] { return !rt_copy_file(tmp.file("real.jpg"), pipe); }},
        {"write", [&] { return !rt_write_file(pipe, Bytes{1, 2, 3}); }},
        {"read settings", [&] { return rt_read_config(pipe, "zbt", "lx", "def") == "def"; }},
        {"write settings", [&] { return !rt_write_config(pipe, "zbt", "lx", "1"); }},
    };
    for (const Step& step : steps) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(5);
            ::_exit(step.as_missing() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << step.name << ": waited";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << step.name << ": not missing";
    }
    EXPECT_EQ(tmp.read("dst.jpg"), "untouched");
    EXPECT_EQ(tmp.read("real.jpg"), "picture");
}

} // namespace
