// Folders, memory and module handles of the overlay's system calls.
#include "platform/imagehlp.h"
#include "platform/kernel32.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(MakeSureDirectoryPathExists, MakesTheFoldersUpToTheLastSeparator)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string base = dir.path().toStdString();
    const struct {
        std::string path;
        bool ok;
        const char* made;     // a folder that must exist afterwards
        const char* not_made; // a name that must not
    } cases[] = {
        {base + "/a/b/c/", true, "a/b/c", nullptr},
        {base + "/d\\e\\file.htm", true, "d/e", "d/e/file.htm"},
        {base + "\\f\\Temp\\", true, "f/Temp", nullptr},
        {base + "/a/b/c/", true, "a/b/c", nullptr}, // already there
        {"no-separator", true, nullptr, "no-separator"},
        {"", false, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeSureDirectoryPathExists(c.path.c_str()), c.ok) << c.path;
        if (c.made) {
            EXPECT_TRUE(fs::is_directory(base + "/" + c.made)) << c.path;
        }
        if (c.not_made) {
            EXPECT_FALSE(fs::exists(base + "/" + c.not_made)) << c.path;
        }
    }
    EXPECT_FALSE(MakeSureDirectoryPathExists(nullptr));
    // A file in the way: the folder cannot be made.
    { QFile f(dir.filePath("blocker")); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }
    EXPECT_FALSE(MakeSureDirectoryPathExists((base + "/blocker/x/").c_str()));
}

TEST(Kernel, WorkingSetTrimAndModuleHandle)
{
    EXPECT_TRUE(SetProcessWorkingSetSize(GetCurrentProcess(), -1, -1));
    EXPECT_FALSE(SetProcessWorkingSetSize(GetCurrentProcess(), 1 << 20, 4 << 20)); // no limits here
    EXPECT_FALSE(SetProcessWorkingSetSize(1234, -1, -1));
    EXPECT_NE(GetModuleHandleA(nullptr), 0);
    EXPECT_EQ(GetModuleHandleA("user32.dll"), 0);
}

} // namespace
