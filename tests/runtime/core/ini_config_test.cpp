// Settings and results files through rt_read_config / rt_write_config: real
// files, UTF-8 arguments, GBK on disk.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace {

namespace fs = std::filesystem;

template <std::size_t N>
std::string bytes(const char (&s)[N])
{
    return std::string(s, N - 1);
}

// GBK forms of the UTF-8 texts used below.
const std::string kJiemianGbk = "\xBD\xE7\xC3\xE6\xB4\xF3\xD0\xA1"; // 界面大小
const std::string kQuanpingGbk = "\xC8\xAB\xC6\xC1";               // 全屏
const std::string kYiGbk = "\xD2\xBB";                             // 一
const std::string kZhenGbk = "\xD5\xE6";                           // 真
const std::string kJiaGbk = "\xBC\xD9";                            // 假
const std::string kZhongGbk = "\xD6\xD0";                          // 中

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class IniConfig : public testing::Test {
protected:
    TempDir dir;
    std::string config() const { return dir.file("config.a"); }
};

TEST_F(IniConfig, FirstWriteCreatesTheFileInGbk)
{
    EXPECT_TRUE(rt_write_config(config(), "zbt", "界面大小", "全屏"));
    EXPECT_EQ(dir.read("config.a"), "[zbt]\r\n" + kJiemianGbk + "=" + kQuanpingGbk + "\r\n");
    EXPECT_EQ(rt_read_config(config(), "zbt", "界面大小"), "全屏");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"config.a"});
}

TEST_F(IniConfig, InvalidGbkSurvivesAReadAndWriteBack)
{
    const std::string odd = "\x80\xFF\x81";
    dir.write("config.a", "[a]\r\nk=" + odd + "\r\n");
    const std::string text = rt_read_config(config(), "a", "k");
    ASSERT_TRUE(rt_write_config(config(), "a", "copy", text));
    EXPECT_EQ(dir.read("config.a"), "[a]\r\nk=" + odd + "\r\ncopy=" + odd + "\r\n");
}

// A Unicode file may hold what is no character: a stray byte in UTF-8, a
// UTF-16 unit that pairs with nothing. Each reads as one replacement
// character, so every text handed out is UTF-8; the file keeps its bytes.
TEST_F(IniConfig, UnicodeFilesReadAsValidUtf8)
{
    const auto le = [](std::u16string_view units) {
        std::string out = "\xFF\xFE";
        for (char16_t u : units) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        }
        return out;
    };
    const auto be = [](std::u16string_view units) {
        std::string out = "\xFE\xFF";
        for (char16_t u : units) {
            out += static_cast<char>(u >> 8);
            out += static_cast<char>(u & 0xFF);
        }
        return out;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string file;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"Utf8StrayByte", bom + "[a]\r\nk=x\xFFy\r\n", "x" + fffd + "y"},
        {"Utf8CutCharacter", bom + "[a]\r\nk=\xE4\xB8\r\n", fffd + fffd},
        {"Utf8EncodedSurrogate", bom + "[a]\r\nk=\xED\xA0\x80\r\n", fffd + fffd + fffd},
        {"Utf8Overlong", bom + "[a]\r\nk=\xC0\xAF\xE4\xB8\x80\r\n", fffd + fffd + "一"},
        {"Utf16LoneHigh", le(u"[a]\r\nk=\xD800x\r\n"), fffd + "x"},
        {"Utf16LoneLow", be(u"[a]\r\nk=a\xDC00\r\n"), "a" + fffd},
        {"Utf16HighAtTheEnd", le(u"[a]\r\nk=\U0001F600\xD83D"), "\U0001F600" + fffd},
        {"Utf16SwappedPair", le(u"[a]\r\nk=\xDE00\xD83D\r\n"), fffd + fffd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("config.a", c.file);
        EXPECT_EQ(rt_read_config(config(), "a", "k"), c.value);
        ASSERT_TRUE(rt_write_config(config(), "b", "j", "1"));
        const std::string after = dir.read("config.a");
        EXPECT_EQ(after.substr(0, c.file.size()), c.file);
        EXPECT_EQ(rt_read_config(config(), "b", "j"), "1");
    }
}

TEST_F(IniConfig, DefaultWhenFileSectionOrKeyIsMissing)
{
    EXPECT_EQ(rt_read_config(config(), "zbt", "x", "def"), "def");
    EXPECT_EQ(rt_read_config(config(), "zbt", "x"), "");
    dir.write("config.a", "[zbt]\r\nx=1\r\nempty=\r\nbare\r\n");
    EXPECT_EQ(rt_read_config(config(), "other", "x", "def"), "def");
    EXPECT_EQ(rt_read_config(config(), "zbt", "y", "def"), "def");
    EXPECT_EQ(rt_read_config(config(), "zbt", "bare", "def"), "def");
    EXPECT_EQ(rt_read_config(config(), "zbt", "empty", "def"), "");
    EXPECT_EQ(rt_read_config(config(), "zbt", "x", "def"), "1");
    // The platform drops trailing blanks of the default.
    EXPECT_EQ(rt_read_config(config(), "zbt", "y", " d e  "), " d e");
    // A folder is no file.
    EXPECT_EQ(rt_read_config(dir.path(), "zbt", "x", "def"), "def");
}

TEST_F(IniConfig, LeadingBlanksAndControlsOfArgumentsSkipped)
{
    dir.write("config.a", "[zbt]\r\nx=1\r\n");
    EXPECT_EQ(rt_read_config(" \t\x01" + config(), "\x1F zbt", "\n\r x", "def"), "1");
    // Nothing left after skipping: the empty text, not the default.
    EXPECT_EQ(rt_read_config(" \t", "zbt", "x", "def"), "");
    EXPECT_EQ(rt_read_config(config(), "\x02 ", "x", "def"), "");
    EXPECT_EQ(rt_read_config(config(), "zbt", "", "def"), "");
    // A zero byte ends an argument as it would end a platform string.
    EXPECT_EQ(rt_read_config(config(), bytes("zbt\0junk"), "x"), "1");
    EXPECT_EQ(rt_read_config(config(), "zbt", bytes("\0x"), "def"), "");
    // ... and a value in the file.
    dir.write("config.a", bytes("[zbt]\r\nx=ab\0cd\r\n"));
    EXPECT_EQ(rt_read_config(config(), "zbt", "x"), "ab");
}

TEST_F(IniConfig, PathsWithBackslashesAndTrailingBlanks)
{
    EXPECT_TRUE(rt_write_config(dir.path() + "\\jieguo.a ", "zjjg", "j1", "0"));
    EXPECT_EQ(dir.read("jieguo.a"), "[zjjg]\r\nj1=0\r\n");
    EXPECT_EQ(rt_read_config(dir.path() + "/jieguo.a", "zjjg", "j1"), "0");
}

TEST_F(IniConfig, ValueCutToTheBuffer)
{
    const std::string full(10240, 'a');
    dir.write("config.a", "[a]\r\nk=" + full + "\r\n");
    EXPECT_EQ(rt_read_config(config(), "a", "k"), std::string(10239, 'a'));

    // A double-byte character across the limit is dropped whole.
    dir.write("config.a", "[a]\r\nk=" + std::string(10238, 'a') + kZhongGbk + "\r\n");
    EXPECT_EQ(rt_read_config(config(), "a", "k"), std::string(10238, 'a'));
    dir.write("config.a", "[a]\r\nk=" + std::string(10237, 'a') + kZhongGbk + "b\r\n");
    EXPECT_EQ(rt_read_config(config(), "a", "k"), std::string(10237, 'a') + "中");

    // The default goes through the same buffer.
    std::string long_default;
    for (int i = 0; i < 6000; ++i)
        long_default += "中";
    const std::string got = rt_read_config(config(), "a", "missing", long_default);
    std::string expected;
    for (int i = 0; i < 5119; ++i)
        expected += "中";
    EXPECT_EQ(got, expected);
}

TEST_F(IniConfig, ValueTypedWithLeadingBlankIsStoredAsTyped)
{
    ASSERT_TRUE(rt_write_config(config(), "zbt", "一", " 7"));
    EXPECT_EQ(dir.read("config.a"), "[zbt]\r\n" + kYiGbk + "= 7\r\n");
    EXPECT_EQ(rt_read_config(config(), "zbt", "一"), "7");
}

TEST_F(IniConfig, WriteMatchesNamesWithoutCase)
{
    dir.write("config.a", "[zbt]\r\nlx=" + kJiaGbk + "\r\n");
    ASSERT_TRUE(rt_write_config(config(), "ZBT", "LX", "真"));
    EXPECT_EQ(dir.read("config.a"), "[zbt]\r\nlx=" + kZhenGbk + "\r\n");
}

TEST_F(IniConfig, WriteKeepsEveryOtherByte)
{
    const std::string before = "; settings\n"
                               "\n"
                               "[zbt]\n"
                               "  ; the mode\n"
                               "lx=" + kJiaGbk + "\n"
                               "\t\n"
                               "[yanse]\r\n"
                               "\xCB\xCE=1\r\n"
                               "garbage \x80\xFF line\n"
                               "\n";
    dir.write("config.a", before);
    ASSERT_TRUE(rt_write_config(config(), "zbt", "lx", "真"));
    std::string after = before;
    after.replace(after.find("lx=") + 3, kJiaGbk.size(), kZhenGbk);
    EXPECT_EQ(dir.read("config.a"), after);

    ASSERT_TRUE(rt_write_config(config(), "yanse", "new", "1"));
    after.insert(after.find("line\n") + 5, "new=1\r\n");
    EXPECT_EQ(dir.read("config.a"), after);
}

TEST_F(IniConfig, WriteRefusesEmptyNames)
{
    EXPECT_FALSE(rt_write_config(config(), "", "k", "v"));
    EXPECT_FALSE(rt_write_config(config(), "a", "", "v"));
    EXPECT_FALSE(rt_write_config("", "a", "k", "v"));
    EXPECT_FALSE(fs::exists(config()));
}

TEST_F(IniConfig, ReplacedFileKeepsItsModeAndLink)
{
    dir.write("real.a", "[a]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(dir.file("real.a").c_str(), 0640), 0);
    fs::create_symlink("real.a", config());

    ASSERT_TRUE(rt_write_config(config(), "a", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(config()));
    EXPECT_EQ(dir.read("real.a"), "[a]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("real.a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(names_in(dir.path()).size(), 2u);
}

TEST_F(IniConfig, FailedWriteLeavesNothingBehind)
{
    // A missing folder.
    EXPECT_FALSE(rt_write_config(dir.file("nowhere/config.a"), "a", "k", "1"));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    // A folder where the file should be.
    fs::create_directory(dir.file("folder.a"));
    EXPECT_FALSE(rt_write_config(dir.file("folder.a"), "a", "k", "1"));
    EXPECT_TRUE(fs::is_directory(dir.file("folder.a")));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"folder.a"});
}

// A disk that fills up while the new content is written: the file size limit
// stands in for it.
TEST_F(IniConfig, FullDiskKeepsOldFile)
{
    dir.write("config.a", "[a]\r\nk=1\r\n");
    struct rlimit old_limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool written = rt_write_config(config(), "a", "big", std::string(8192, 'x'));

    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(written);
    EXPECT_EQ(dir.read("config.a"), "[a]\r\nk=1\r\n");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"config.a"});
}

// Settings files that other editors save: Unicode with a byte-order mark,
// and lone carriage returns as line ends. Every item reads, and writes keep
// the file in its own form, so both sides read it afterwards.
struct EditorForm {
    const char* name;
    std::string bom;    // "" for GBK
    bool utf16_le = false, utf16_be = false;
    std::u16string end; // line end
};

void PrintTo(const EditorForm& f, std::ostream* os) { *os << f.name; }

class IniEditorForms : public IniConfig, public testing::WithParamInterface<EditorForm> {
protected:
    // The file for `lines` (one per element) in this form.
    std::string file_of(const std::vector<std::u16string>& lines) const
    {
        const EditorForm& f = GetParam();
        std::u16string text;
        for (const auto& l : lines)
            text += l + f.end;
        std::string out = f.bom;
        for (char16_t u : text) {
            const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            if (f.utf16_le) {
                out += lo;
                out += hi;
            } else if (f.utf16_be) {
                out += hi;
                out += lo;
            } else {
                out += utf16_unit_to_utf8(u);
            }
        }
        return f.bom.empty() ? gbk_of(out) : out;
    }

private:
    static std::string utf16_unit_to_utf8(char16_t u)
    {
        std::string s;
        if (u < 0x80) {
            s += static_cast<char>(u);
        } else if (u < 0x800) {
            s += static_cast<char>(0xC0 | (u >> 6));
            s += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (u >> 12));
            s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (u & 0x3F));
        }
        return s;
    }
    // GBK of the few characters used here.
    static std::string gbk_of(std::string utf8)
    {
        const std::pair<const char*, std::string> table[] = {
            {"界面大小", kJiemianGbk},
            {"全屏", kQuanpingGbk},
            {"窗口", "\xB4\xB0\xBF\xDA"},
            {"真", kZhenGbk},
            {"新键", "\xD0\xC2\xBC\xFC"},
            {"主标题字体", "\xD6\xF7\xB1\xEA\xCC\xE2\xD7\xD6\xCC\xE5"},
            {"隶书", "\xC1\xA5\xCA\xE9"},
        };
        for (const auto& [from, to] : table)
            for (std::size_t at; (at = utf8.find(from)) != std::string::npos;)
                utf8.replace(at, std::string(from).size(), to);
        return utf8;
    }
};

TEST_P(IniEditorForms, ReadAndWrittenInTheFilesOwnForm)
{
    dir.write("config.a", file_of({u"[zbt]", u"界面大小=窗口", u"lX=真", u"[yanse]", u"主标题字体=隶书"}));
    EXPECT_EQ(rt_read_config(config(), "zbt", "界面大小"), "窗口");
    EXPECT_EQ(rt_read_config(config(), "zbt", "lx"), "真");
    EXPECT_EQ(rt_read_config(config(), "yanse", "主标题字体"), "隶书");

    ASSERT_TRUE(rt_write_config(config(), "zbt", "界面大小", "全屏"));
    ASSERT_TRUE(rt_write_config(config(), "zbt", "新键", "1"));
    ASSERT_TRUE(rt_write_config(config(), "zjjg", "j1", "1"));
    EXPECT_EQ(dir.read("config.a"), file_of({u"[zbt]", u"界面大小=全屏", u"lX=真", u"新键=1", u"[yanse]",
                                             u"主标题字体=隶书", u"[zjjg]", u"j1=1"}));
    EXPECT_EQ(rt_read_config(config(), "zbt", "界面大小"), "全屏");
    EXPECT_EQ(rt_read_config(config(), "zbt", "新键"), "1");
    EXPECT_EQ(rt_read_config(config(), "yanse", "主标题字体"), "隶书");
    EXPECT_EQ(rt_read_config(config(), "zjjg", "j1"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniEditorForms,
    testing::Values(EditorForm{"Utf16LittleEndian", "\xFF\xFE", true, false, u"\r\n"},
                    EditorForm{"Utf16BigEndian", "\xFE\xFF", false, true, u"\r\n"},
                    EditorForm{"Utf8WithMark", "\xEF\xBB\xBF", false, false, u"\r\n"},
                    EditorForm{"Utf16LoneCarriageReturns", "\xFF\xFE", true, false, u"\r"},
                    EditorForm{"GbkLoneCarriageReturns", "", false, false, u"\r"}),
    [](const testing::TestParamInfo<EditorForm>& p) { return std::string(p.param.name); });

// A folder that forbids new files. Everything runs in a child that file
// permissions bind (as root it becomes "nobody").
class IniConfigReadOnly : public IniConfig {
protected:
    void SetUp() override
    {
        dir.write("sub/jieguo.a", "[zjjg]\r\nj1=1\r\n");
        dir.write("sub/config.a", "[a]\r\nk=1\r\n");
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    }
    void TearDown() override { ::chmod(dir.file("sub").c_str(), 0755); }

    void modes(mode_t folder, mode_t jieguo, mode_t config)
    {
        ASSERT_EQ(::chmod(dir.file("sub").c_str(), folder), 0);
        ASSERT_EQ(::chmod(dir.file("sub/jieguo.a").c_str(), jieguo), 0);
        ASSERT_EQ(::chmod(dir.file("sub/config.a").c_str(), config), 0);
    }
    // Runs the steps in order; the number of the first that went wrong, or 0.
    int steps(std::vector<std::function<bool()>> list)
    {
        const int rc = run_unprivileged([&list] {
            for (std::size_t i = 0; i < list.size(); ++i)
                if (!list[i]())
                    return static_cast<int>(i + 1);
            return 0;
        });
        // As an unprivileged owner the test itself could not read them back.
        ::chmod(dir.file("sub").c_str(), 0755);
        ::chmod(dir.file("sub/jieguo.a").c_str(), 0644);
        ::chmod(dir.file("sub/config.a").c_str(), 0644);
        if (rc == kCannotDropPrivilege)
            ADD_FAILURE() << "could not run without the privilege to override permissions";
        return rc;
    }
    std::string sub(const std::string& name) const { return dir.file("sub/" + name); }
};

// The Windows routines write such a file in place, so a win is counted: we
// do the same when the folder takes no temporary file. A file that may not be
// written, or a new one, still fails.
TEST_F(IniConfigReadOnly, ExistingWritableFileIsWrittenInPlace)
{
    modes(0555, 0666, 0444);
    EXPECT_EQ(steps({
                  [&] { return rt_write_config(sub("jieguo.a"), "zjjg", "j1", "2"); },
                  [&] { return rt_write_config(sub("jieguo.a"), "zjjg", "j2", std::string(6000, 'x')); },
                  [&] { return rt_write_config(sub("jieguo.a"), "zjjg", "j2", "3"); },
                  [&] { return rt_read_config(sub("jieguo.a"), "zjjg", "j2") == "3"; },
                  [&] { return !rt_write_config(sub("new.a"), "a", "k", "1"); },
                  [&] { return !rt_write_config(sub("config.a"), "a", "k", "2"); },
              }),
              0);
    EXPECT_EQ(dir.read("sub/jieguo.a"), "[zjjg]\r\nj1=2\r\nj2=3\r\n");
    EXPECT_EQ(dir.read("sub/config.a"), "[a]\r\nk=1\r\n");
    std::vector<std::string> names = names_in(dir.file("sub"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"config.a", "jieguo.a"}));
}

// In a writable folder: a file we cannot read would lose its items, a
// read-only file is the operator's wish.
TEST_F(IniConfigReadOnly, ProtectedFileIsNotOverwritten)
{
    modes(0777, 0222, 0444);
    EXPECT_EQ(steps({
                  [&] { return rt_read_config(sub("jieguo.a"), "zjjg", "j1", "def") == "def"; },
                  [&] { return !rt_write_config(sub("jieguo.a"), "zjjg", "j2", "2"); },
                  [&] { return !rt_write_config(sub("config.a"), "a", "j", "2"); },
                  [&] { return rt_read_config(sub("config.a"), "a", "k") == "1"; },
              }),
              0);
    EXPECT_EQ(dir.read("sub/jieguo.a"), "[zjjg]\r\nj1=1\r\n");
    EXPECT_EQ(dir.read("sub/config.a"), "[a]\r\nk=1\r\n");
    EXPECT_EQ(names_in(dir.file("sub")).size(), 2u);
}

// Temporary files that a killed writer left behind are removed at the next
// write of the same file; those of other files, of running writers and
// names we never make are left alone.
TEST_F(IniConfig, StaleTemporaryFilesOfOursAreRemoved)
{
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(::getpid());
    const auto age = [&](const std::string& name, int seconds) {
        dir.write(name, "[zjjg]\r\nj1=");
        const struct timespec times[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    };
    struct Leftover {
        std::string name;
        int age_seconds;
        bool removed;
    };
    const std::vector<Leftover> leftovers = {
        {".jieguo.a.tmp-" + dead + "-0-123456", 120, true},
        {".jieguo.a.tmp-" + dead + "-7-1", 3 * 86400, true},
        {".jieguo.a.tmp-" + alive + "-3-99", 3 * 86400, true},
        {".jieguo.a.tmp-" + dead + "-1-5", 0, false},     // may still be renamed
        {".jieguo.a.tmp-" + alive + "-2-77", 120, false}, // its writer runs
        {".config.a.tmp-" + dead + "-0-1", 120, false},   // another file's
        {".jieguo.a.tmp-" + dead + "-x-1", 120, false},
        {".jieguo.a.tmp-" + dead, 120, false},
        {"jieguo.a.tmp-" + dead + "-0-1", 120, false},
    };
    for (const Leftover& l : leftovers)
        age(l.name, l.age_seconds);
    fs::create_directory(dir.file(".jieguo.a.tmp-" + dead + "-4-4"));

    ASSERT_TRUE(rt_write_config(dir.file("jieguo.a"), "zjjg", "j1", "1"));
    for (const Leftover& l : leftovers)
        EXPECT_EQ(fs::exists(dir.file(l.name)), !l.removed) << l.name;
    EXPECT_TRUE(fs::is_directory(dir.file(".jieguo.a.tmp-" + dead + "-4-4")));
    EXPECT_EQ(dir.read("jieguo.a"), "[zjjg]\r\nj1=1\r\n");
}

// Damaged files: everything reads, a write keeps the damage as it was.
TEST_F(IniConfig, DamagedFilesReadAndWrite)
{
    std::string binary;
    for (int b = 0; b < 256; ++b)
        binary += static_cast<char>(b);
    const std::vector<std::string> damaged = {
        binary + "\r\n[a]\r\nk=1\r\n" + binary,
        bytes("[a]\0\r\nk=1\r\n\0\0\0"),
        "[a]\r\nk=1\r\nx=" + std::string(10 * 1024 * 1024, 'x'),
        "[a]\r\nk=1\r\n" + std::string(10 * 1024 * 1024, '\n'),
        "[a]\r\nk=1\r\n" + std::string(2 * 1024 * 1024, '['),
        "[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nbare",
        "[a]\r\nk=1\r\n\x81\x82\xFF\xFE\x80",
    };
    for (const std::string& content : damaged) {
        dir.write("config.a", content);
        EXPECT_EQ(rt_read_config(config(), "a", "k", "def"), "1");
        EXPECT_EQ(rt_read_config(config(), "b", "k", "def"), "def");
        ASSERT_TRUE(rt_write_config(config(), "b", "k", "2"));
        const std::string after = dir.read("config.a");
        ASSERT_GE(after.size(), content.size());
        EXPECT_TRUE(after.compare(0, content.size(), content) == 0);
        EXPECT_EQ(rt_read_config(config(), "b", "k"), "2");
    }
    // The long line itself reads, cut to the buffer.
    dir.write("config.a", "[a]\r\nx=" + std::string(10 * 1024 * 1024, 'x'));
    EXPECT_EQ(rt_read_config(config(), "a", "x"), std::string(10239, 'x'));
}

} // namespace
