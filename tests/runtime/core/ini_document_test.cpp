// The INI rules on GBK byte strings, without files.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/core/ini_document.h"

namespace {

using ini::Document;

// A literal with its zero bytes.
template <std::size_t N>
std::string bytes(const char (&s)[N])
{
    return std::string(s, N - 1);
}

// GBK bytes. Kept apart from neighbouring letters: "\xD2\xBB" "a" is not
// "\xD2\xBBa".
const std::string kYi = "\xD2\xBB";               // 一
const std::string kZhen = "\xD5\xE6";             // 真
const std::string kJia = "\xBC\xD9";              // 假
const std::string kJiemian = "\xBD\xE7\xC3\xE6\xB4\xF3\xD0\xA1"; // 界面大小
const std::string kQuanping = "\xC8\xAB\xC6\xC1";  // 全屏
// Two characters whose second bytes are 'A' and 'a'; they differ.
const std::string kTrailUpper = "\x81\x41";
const std::string kTrailLower = "\x81\x61";
// A character whose second byte is ']'.
const std::string kTrailBracket = "\x81\x5D";

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsWhatThePlatformWouldRead)
{
    const ReadCase& c = GetParam();
    const Document doc(c.file);
    const std::optional<std::string_view> got = doc.find(c.section, c.key);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
        EXPECT_EQ(std::string(*got), *c.expected);
    }
}

const std::optional<std::string> kAbsent;

INSTANTIATE_TEST_SUITE_P(
    Rules, IniRead,
    testing::Values(
        ReadCase{"CrLf", "[zbt]\r\nlx=" + kZhen + "\r\n", "zbt", "lx", kZhen},
        ReadCase{"LfOnly", "[zbt]\nx=1\nlx=2\n", "zbt", "lx", "2"},
        ReadCase{"LastLineWithoutEnd", "[zbt]\r\nlx=3", "zbt", "lx", "3"},
        ReadCase{"StrayCarriageReturnAtEnd", "[zbt]\r\nlx=3\r", "zbt", "lx", "3"},
        ReadCase{"LoneCarriageReturns", "[a]\rx=1\r[zbt]\rlx=2\r", "zbt", "lx", "2"},
        ReadCase{"LoneCarriageReturnsAfterTheLastLineFeed", "[a]\r\nk=1\r\n[b]\rj=2\rk=3", "b", "k", "3"},
        ReadCase{"CarriageReturnBeforeALineFeedEndsALine", "[a]\r\nk=1\rj=2\r\n", "a", "k", "1"},
        ReadCase{"LineAfterACarriageReturnBeforeALineFeed", "[a]\r\nk=1\rj=2\r\n", "a", "j", "2"},
        ReadCase{"HeaderEndedByACarriageReturnBeforeALineFeed", "[zbt]\r[cs]\nx=3\n", "cs", "x", "3"},
        ReadCase{"LineFeedThenCarriageReturnAreTwoEnds", "[a]\n\rk=1\n\rj=2", "a", "j", "2"},
        ReadCase{"CarriageReturnsBeforeCrLf", "[a]\r\r\nk=1\r\r\n", "a", "k", "1"},
        ReadCase{"SectionAndKeyIgnoreCase", "[ZbT]\r\nLX=1\r\n", "zBt", "lX", "1"},
        ReadCase{"BlanksAroundNamesAndValue", " \t[ \tzbt\t ] \r\n \t lx \t=\t 1 2 \t\r\n", "zbt",
                 "lx", "1 2"},
        ReadCase{"DoubleQuotesDropped", "[a]\r\nk=\" x \"\r\n", "a", "k", " x "},
        ReadCase{"SingleQuotesDropped", "[a]\r\nk='x'\r\n", "a", "k", "x"},
        ReadCase{"MismatchedQuotesKept", "[a]\r\nk='x\"\r\n", "a", "k", "'x\""},
        ReadCase{"OnlyOnePairDropped", "[a]\r\nk=\"\"x\"\"\r\n", "a", "k", "\"x\""},
        ReadCase{"EmptyValueIsNotAbsent", "[a]\r\nk=\r\n", "a", "k", ""},
        ReadCase{"MissingSection", "[a]\r\nk=1\r\n", "b", "k", kAbsent},
        ReadCase{"KeyOfAnotherSection", "[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "a", "j", kAbsent},
        ReadCase{"FirstSectionWins", "[a]\r\nk=1\r\n[A]\r\nk=2\r\n", "a", "k", "1"},
        ReadCase{"OnlyFirstSectionSearched", "[a]\r\nj=1\r\n[a]\r\nk=2\r\n", "a", "k", kAbsent},
        ReadCase{"FirstKeyWins", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
        ReadCase{"KeyWithoutEqualsIsAbsent", "[a]\r\nk\r\n", "a", "k", kAbsent},
        ReadCase{"KeyWithoutEqualsShadowsLaterOne", "[a]\r\nk\r\nk=2\r\n", "a", "k", kAbsent},
        ReadCase{"OpenBracketLineIsNoHeader", "[a]\r\n[b\r\nk=1\r\n", "a", "k", "1"},
        ReadCase{"OpenBracketLineIsAKey", "[a]\r\n[b\r\n", "a", "[b", kAbsent},
        ReadCase{"TextAfterHeaderIgnored", "[a] ;note\r\nk=1\r\n", "a", "k", "1"},
        ReadCase{"LinesBeforeAnySection", "k=1\r\n[a]\r\n", "a", "k", kAbsent},
        ReadCase{"CommentLineIsNoItem", "[a]\r\n;k=1\r\nk=2\r\n", "a", "k", "2"},
        ReadCase{"GbkNames", "[zbt]\r\n" + kJiemian + "=" + kQuanping + "\r\n", "zbt", kJiemian,
                 kQuanping},
        ReadCase{"GbkSecondByteIsNoLetter", "[a]\r\n" + kTrailLower + "=1\r\n", "a", kTrailUpper,
                 kAbsent},
        ReadCase{"GbkSecondByteIsNoBracket", "[" + kTrailBracket + "]\r\nk=1\r\n", kTrailBracket,
                 "k", "1"},
        ReadCase{"GbkSecondByteClosesNoHeader", "[a]\r\n[" + kTrailBracket + "\r\nk=1\r\n", "a",
                 "k", "1"},
        ReadCase{"BinaryBytesAround", bytes("\x00\xFF\x01[\x80\n[a]\r\n\xFE\x00=\x7F\r\nk=1"),
                 "a", "k", "1"},
        ReadCase{"InvalidGbkValueKept", "[a]\r\nk=\x80\xFF\x81\r\n", "a", "k", "\x80\xFF\x81"}),
    [](const testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

struct WriteCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyTheItem)
{
    const WriteCase& c = GetParam();
    Document doc(c.before);
    ASSERT_TRUE(doc.set(c.section, c.key, c.value));
    EXPECT_EQ(doc.bytes(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniWrite,
    testing::Values(
        WriteCase{"ReplaceKeepsSpellingAndLineEnd", "[ZBT]\n  Lx = " + kJia + " \nx=1\n", "zbt",
                  "lx", kZhen, "[ZBT]\nLx=" + kZhen + "\nx=1\n"},
        WriteCase{"ReplaceLastLineWithoutEnd", "[a]\r\nk=1", "a", "k", "22", "[a]\r\nk=22"},
        WriteCase{"ReplaceKeyWithoutEquals", "[a]\r\nk\r\nk=9\r\n", "a", "k", "1",
                  "[a]\r\nk=1\r\nk=9\r\n"},
        WriteCase{"ReplaceFirstDuplicateOnly", "[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n", "a", "k", "0",
                  "[a]\r\nk=0\r\nk=2\r\n[a]\r\nk=3\r\n"},
        WriteCase{"InsertAfterLastItemBeforeBlankLines", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "a",
                  "z", "3", "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
        WriteCase{"InsertIntoFirstOfDuplicateSections", "[a]\r\nx=1\r\n[a]\r\ny=2\r\n", "A", "z",
                  "3", "[a]\r\nx=1\r\nz=3\r\n[a]\r\ny=2\r\n"},
        WriteCase{"InsertIntoEmptySection", "[a]\r\n\r\n[b]\r\n", "a", "z", "3",
                  "[a]\r\nz=3\r\n\r\n[b]\r\n"},
        WriteCase{"InsertAfterHeaderWithoutEnd", "[a]", "a", "z", "3", "[a]\r\nz=3\r\n"},
        WriteCase{"InsertAfterLastLineWithoutEnd", "[a]\nx=1", "a", "z", "3",
                  "[a]\nx=1\r\nz=3\r\n"},
        WriteCase{"InsertKeepsCommentsAndGarbage", "[a]\n; note\n[open\n\n", "a", "z", "3",
                  "[a]\n; note\n[open\nz=3\r\n\n"},
        WriteCase{"AppendSectionAfterOpenLastLine", "[a]\nx=1", "b", "z", "3",
                  "[a]\nx=1\r\n[b]\r\nz=3\r\n"},
        WriteCase{"AppendSectionAfterBlankLines", "[a]\r\nx=1\r\n\r\n", "b", "z", "3",
                  "[a]\r\nx=1\r\n\r\n[b]\r\nz=3\r\n"},
        WriteCase{"ItemsBeforeAnySectionUntouched", "lx=0\r\n", "zbt", "lx", "1",
                  "lx=0\r\n[zbt]\r\nlx=1\r\n"},
        WriteCase{"NamesTrimmed", "", " zbt\t", " lx ", "1", "[zbt]\r\nlx=1\r\n"},
        WriteCase{"ValueCutAtLineBreak", "", "a", "k", "1\r\n[b]\r\nx=2", "[a]\r\nk=1\r\n"},
        WriteCase{"LoneCarriageReturnInsert", "[a]\rx=1\r[b]\r", "a", "z", "3", "[a]\rx=1\rz=3\r[b]\r"},
        WriteCase{"LoneCarriageReturnAppendSection", "[a]\rx=1", "b", "z", "3", "[a]\rx=1\r[b]\rz=3\r"},
        WriteCase{"LoneCarriageReturnTailOnly", "[a]\r\nx=1\r\n[b]\ry=2\r", "a", "z", "3",
                  "[a]\r\nx=1\r\nz=3\r\n[b]\ry=2\r"},
        WriteCase{"LoneCarriageReturnTailInsert", "[a]\r\nx=1\r\n[b]\ry=2\r", "b", "z", "3",
                  "[a]\r\nx=1\r\n[b]\ry=2\rz=3\r"},
        WriteCase{"LoneCarriageReturnBeforeLineFeedsInsert", "[zbt]\r[cs]\nx=3\n", "zbt", "y", "1",
                  "[zbt]\ry=1\r[cs]\nx=3\n"},
        WriteCase{"ReplaceBetweenLoneCarriageReturns", "[a]\r\nk=1\rj=2\r\n", "a", "j", "5",
                  "[a]\r\nk=1\rj=5\r\n"},
        WriteCase{"InsertAfterLoneCarriageReturnAmongLineFeeds", "[a]\r\nk=1\rj=2\r\n[b]\n", "a", "z", "3",
                  "[a]\r\nk=1\rj=2\r\nz=3\r\n[b]\n"},
        WriteCase{"BinaryLinesKept", bytes("\x00\x01\xFF\r\n[a]\r\n\x80\x00\r\nk=1\r\n"),
                  "a", "k", "2", bytes("\x00\x01\xFF\r\n[a]\r\n\x80\x00\r\nk=2\r\n")}),
    [](const testing::TestParamInfo<WriteCase>& p) { return std::string(p.param.name); });

// The text of a Unicode file is UTF-8: a character's last byte followed by
// an ASCII letter or ']' is no GBK pair.
TEST(IniUtf8, CharactersDoNotSwallowTheirNeighbours)
{
    using ini::Encoding;
    Document doc("[奖]\r\n中A=1\r\n", Encoding::utf8);
    EXPECT_EQ(doc.find("奖", "中a"), std::optional<std::string_view>("1"));
    ASSERT_TRUE(doc.set("奖", "中A", "2"));
    ASSERT_TRUE(doc.set("结果", "j1", "4"));
    EXPECT_EQ(doc.bytes(), "[奖]\r\n中A=2\r\n[结果]\r\nj1=4\r\n");
    EXPECT_TRUE(ini::names_equal("奖A", "奖a", Encoding::utf8));
}

// A file in each form other editors save, read and written back in its own
// form. UTF-16 code units that pair with nothing survive the round trip.
TEST(IniFileText, EveryFormReadsAndWritesBackInItsOwnForm)
{
    using Form = ini::FileText::Form;
    const auto utf16 = [](std::u16string_view units, bool le) {
        std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t u : units) {
            const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            out += le ? lo : hi;
            out += le ? hi : lo;
        }
        return out;
    };
    struct Case {
        const char* name;
        std::string file;
        Form form;
        std::string text;
    };
    const std::u16string odd = u"[a]\r\nk=\U0001F600\xD800x\r\n";
    const std::string odd_text = "[a]\r\nk=\xF0\x9F\x98\x80\xED\xA0\x80x\r\n";
    const std::vector<Case> cases = {
        {"Gbk", "[a]\r\n" + kYi + "=1\r\n", Form::gbk, "[a]\r\n" + kYi + "=1\r\n"},
        {"Utf8Bom", "\xEF\xBB\xBF[a]\r\n一=1\r\n", Form::utf8_bom, "[a]\r\n一=1\r\n"},
        {"Utf16Le", utf16(u"[a]\r\n一=1\r\n", true), Form::utf16le_bom, "[a]\r\n一=1\r\n"},
        {"Utf16Be", utf16(u"[a]\r\n一=1\r\n", false), Form::utf16be_bom, "[a]\r\n一=1\r\n"},
        {"Utf16LeOddLength", utf16(u"[a]\r\n", true) + "\x41", Form::utf16le_bom, "[a]\r\n"},
        {"Utf16UnpairedSurrogate", utf16(odd, true), Form::utf16le_bom, odd_text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ini::FileText file(c.file);
        EXPECT_EQ(file.form(), c.form);
        EXPECT_EQ(file.text(), c.text);
        EXPECT_EQ(file.file_with(file.text()), c.file);
    }
    const ini::FileText le(utf16(u"[a]\r\n", true));
    EXPECT_EQ(le.file_with("[a]\r\n键=值\r\n"), utf16(u"[a]\r\n键=值\r\n", true));
}

TEST(IniWriteRefused, NamesThatCannotBeStoredChangeNothing)
{
    const std::string before = "[a]\r\nk=1\r\n";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "k"},          {"a", ""},         {" \t", "k"},     {"a", "  "},
        {"a", "k=j"},       {"a", "k\r\nx"},   {"a\nb", "k"},    {"a", "[x]"},
        {"\x81", "k"}, // a lone lead byte would swallow the ']'
    };
    for (const auto& [section, key] : refused) {
        Document doc(before);
        EXPECT_FALSE(doc.set(section, key, "v")) << section << " / " << key;
        EXPECT_EQ(doc.bytes(), before) << section << " / " << key;
    }
    // An item that would read as a header is refused too.
    Document doc(before);
    EXPECT_FALSE(doc.set("a", "[x", "y]"));
    EXPECT_EQ(doc.bytes(), before);
}

// Random files built from every kind of line, random writes: each write must
// read back, and every other item must read as before.
TEST(IniRoundTrip, WritesReadBackAndLeaveOtherItemsAlone)
{
    const std::vector<std::string> sections = {"a", "B", "zbt", kJiemian, kTrailUpper};
    const std::vector<std::string> keys = {"k", "K2", "lx", kYi, kTrailLower, "j1"};
    const std::vector<std::string> values = {"", "1", " 7", "\"q\"", kQuanping, "x=y", "\x80\xFF"};
    const std::vector<std::string> ends = {"\r\n", "\n", "\r", ""};
    std::mt19937 rng(20240611);
    auto pick = [&rng](const std::vector<std::string>& v) -> const std::string& {
        return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
    };

    for (int round = 0; round < 300; ++round) {
        std::string file;
        const int lines = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int i = 0; i < lines; ++i) {
            switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
            case 0: file += "[" + pick(sections) + "]"; break;
            case 1: file += " " + pick(keys) + " = " + pick(values); break;
            case 2: file += pick(keys) + "=" + pick(values); break;
            case 3: file += ";" + pick(keys) + "=c"; break;
            case 4: file += "[" + pick(sections); break;
            default: break; // blank line
            }
            const std::string& end = pick(ends);
            file += (i + 1 < lines && end.empty()) ? "\n" : end;
        }

        const Document before(file);
        Document doc(file);
        const std::string section = pick(sections);
        const std::string key = pick(keys);
        const std::string value = pick(values);
        ASSERT_TRUE(doc.set(section, key, value)) << file;

        const std::optional<std::string_view> got = doc.find(section, key);
        ASSERT_TRUE(got.has_value()) << file;
        std::string expected = value.substr(value.find_first_not_of(' ') == std::string::npos
                                                ? value.size()
                                                : value.find_first_not_of(' '));
        if (expected.size() >= 2 && expected.front() == '"' && expected.back() == '"')
            expected = expected.substr(1, expected.size() - 2);
        EXPECT_EQ(std::string(*got), expected) << file;

        for (const std::string& s : sections)
            for (const std::string& k : keys) {
                if (ini::names_equal(s, section) && ini::names_equal(k, key))
                    continue;
                EXPECT_EQ(doc.find(s, k), before.find(s, k)) << file << " / " << s << " / " << k;
            }
    }
}

} // namespace
