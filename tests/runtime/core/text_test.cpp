#include "runtime/text.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/gbk.h"

namespace {

// A double-byte character whose trail byte is the ASCII letter 'a' (0x61),
// and the one whose trail byte is 'A' (0x41): byte-minded code confuses them
// with letters.
const std::string kTrailLower = gbk_to_utf8("\x81\x61");
const std::string kTrailUpper = gbk_to_utf8("\x81\x41");

TEST(TextLength, CountsGbkBytes)
{
    EXPECT_EQ(rt_text_length(""), 0);
    EXPECT_EQ(rt_text_length("abc"), 3);
    EXPECT_EQ(rt_text_length("中a"), 3);
    EXPECT_EQ(rt_text_length("奖品图片"), 8);
    EXPECT_EQ(rt_text_length("€"), 1);
}

TEST(TextCut, LeftRightMidByBytes)
{
    EXPECT_EQ(rt_text_left("中文ab", 2), "中");
    EXPECT_EQ(rt_text_left("中文ab", 4), "中文");
    EXPECT_EQ(rt_text_left("abc", 10), "abc");
    EXPECT_EQ(rt_text_left("abc", 0), "");
    EXPECT_EQ(rt_text_left("abc", -1), "");
    EXPECT_EQ(rt_text_right("ab中文", 4), "中文");
    EXPECT_EQ(rt_text_right("abc", 10), "abc");
    EXPECT_EQ(rt_text_right("abc", 0), "");
    EXPECT_EQ(rt_text_right("abc", -3), "");
    EXPECT_EQ(rt_text_mid("a中文b", 2, 2), "中");
    EXPECT_EQ(rt_text_mid("abcdef", 5, 10), "ef");
    EXPECT_EQ(rt_text_mid("abcdef", 6, 1), "f");
    EXPECT_EQ(rt_text_mid("abcdef", 7, 1), "");
    EXPECT_EQ(rt_text_mid("abcdef", 0, 3), "");
    EXPECT_EQ(rt_text_mid("abcdef", 2, 0), "");
    EXPECT_EQ(rt_text_mid("abcdef", 2147483647, 2147483647), "");
    EXPECT_EQ(rt_text_mid("abcdef", 3, 2147483647), "cdef");
}

TEST(TextCut, CuttingInsideACharacterLosesNothing)
{
    const std::string s = "a中文b一";
    const int32_t len = rt_text_length(s);
    for (int32_t k = 0; k <= len; ++k) {
        EXPECT_EQ(utf8_to_gbk(rt_text_left(s, k) + rt_text_right(s, len - k)), utf8_to_gbk(s)) << k;
        EXPECT_EQ(utf8_to_gbk(rt_text_left(s, k) + rt_text_mid(s, k + 1, len)), utf8_to_gbk(s)) << k;
    }
    // The tail after half a character may read as other characters, but it
    // is still the same bytes; half a character is one byte long.
    EXPECT_EQ(rt_text_length(rt_text_left("中", 1)), 1);
    EXPECT_EQ(rt_char_code_at(rt_text_right("中", 1)), static_cast<int8_t>(0xD0));
}

TEST(CharCode, SignedBytesAndOneByteTexts)
{
    EXPECT_EQ(rt_char_code_at("abc"), 'a');
    EXPECT_EQ(rt_char_code_at("abc", 3), 'c');
    EXPECT_EQ(rt_char_code_at("中", 1), -42); // 0xD6
    EXPECT_EQ(rt_char_code_at("中", 2), -48); // 0xD0
    EXPECT_EQ(rt_char_code_at("abc", 4), 0);
    EXPECT_EQ(rt_char_code_at("abc", 0), 0);
    EXPECT_EQ(rt_char_code_at(""), 0);

    EXPECT_EQ(rt_char_from_code(65), "A");
    EXPECT_EQ(rt_char_from_code(0x141), "A");
    EXPECT_EQ(rt_char_from_code(0), "");
    EXPECT_EQ(rt_char_code_at(rt_char_from_code(0xD6)), -42);
    EXPECT_EQ(rt_char_code_at(rt_char_from_code(-42)), -42);
    EXPECT_EQ(gbk_to_utf8(utf8_to_gbk(rt_char_from_code(0xD6) + rt_char_from_code(0xD0))), "中");
}

TEST(FindText, PositionsAndStart)
{
    EXPECT_EQ(rt_find_text("abcabc", "c"), 3);
    EXPECT_EQ(rt_find_text("abcabc", "c", 4), 6);
    EXPECT_EQ(rt_find_text("abcabc", "c", 6), 6);
    EXPECT_EQ(rt_find_text("abcabc", "c", 7), -1);
    EXPECT_EQ(rt_find_text("abcabc", "c", 0), 3);
    EXPECT_EQ(rt_find_text("abcabc", "x"), -1);
    EXPECT_EQ(rt_find_text("abc", ""), -1);
    EXPECT_EQ(rt_find_text("", "a"), -1);
    EXPECT_EQ(rt_find_text("ab", "abc"), -1);
    EXPECT_EQ(rt_find_text("ABC", "b"), -1);
    EXPECT_EQ(rt_find_text("a中文|b", "文"), 4);
    EXPECT_EQ(rt_find_text("a中文|b", "|"), 6);
    // A start inside a character goes on at the next character.
    EXPECT_EQ(rt_find_text("中文", "文", 2), 3);
}

TEST(FindText, NeverMatchesATrailByte)
{
    EXPECT_EQ(rt_find_text(kTrailUpper, "A"), -1);
    EXPECT_EQ(rt_find_text(kTrailUpper + "A", "A"), 3);
    EXPECT_EQ(rt_find_text("x" + kTrailUpper, kTrailUpper), 2);
}

TEST(ToUpper, AsciiLettersOnly)
{
    EXPECT_EQ(rt_to_upper("abc中def"), "ABC中DEF");
    EXPECT_EQ(rt_to_upper("ａｂ1z!"), "ａｂ1Z!");
    EXPECT_EQ(rt_to_upper(""), "");
    // The trail byte 'a' of a double-byte character stays as it is.
    EXPECT_EQ(utf8_to_gbk(rt_to_upper(kTrailLower + "b")), "\x81\x61" "B");
    // A lead byte followed by a letter forms one character with it; after a
    // byte that cannot be a trail byte the letter is a letter again.
    EXPECT_EQ(utf8_to_gbk(rt_to_upper(rt_char_from_code(0x81) + "a")), "\x81\x61");
    EXPECT_EQ(utf8_to_gbk(rt_to_upper(rt_char_from_code(0x81) + "0a")), "\x81" "0A");
}

struct ReplaceCase {
    const char* name;
    std::string text, sought, replacement;
    int32_t start, count;
    bool case_sensitive;
    std::string expected;
    friend void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << '"' << c.text << "\" / \"" << c.sought << '"'; }
};

class ReplaceText : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceText, Replaces)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(rt_replace_text(c.text, c.sought, c.replacement, c.start, c.count, c.case_sensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceText,
    testing::Values(
        ReplaceCase{"IgnoresCaseByDefault", "aAa", "a", "x", 1, -1, false, "xxx"},
        ReplaceCase{"CaseSensitive", "aAa", "a", "x", 1, -1, true, "xAx"},
        ReplaceCase{"SoughtUpperCase", "abAB", "AB", "-", 1, -1, false, "--"},
        ReplaceCase{"EmptyReplacementDeletes", "abcabc", "b", "", 1, -1, false, "acac"},
        ReplaceCase{"FromStart", "abcabc", "b", "X", 3, -1, false, "abcaXc"},
        ReplaceCase{"StartZeroIsFirst", "abcabc", "b", "X", 0, -1, false, "aXcaXc"},
        ReplaceCase{"StartPastEnd", "abc", "c", "X", 4, -1, false, "abc"},
        ReplaceCase{"CountOne", "abcabc", "b", "X", 1, 1, false, "aXcabc"},
        ReplaceCase{"CountZero", "abcabc", "b", "X", 1, 0, false, "abcabc"},
        ReplaceCase{"CountBelowMinusOne", "bbb", "b", "X", 1, -5, false, "XXX"},
        ReplaceCase{"NonOverlapping", "aaa", "aa", "b", 1, -1, false, "ba"},
        ReplaceCase{"ReplacementContainsSought", "aa", "a", "aa", 1, -1, false, "aaaa"},
        ReplaceCase{"EmptySought", "abc", "", "x", 1, -1, false, "abc"},
        ReplaceCase{"NotFound", "abc", "z", "x", 1, -1, false, "abc"},
        ReplaceCase{"DoubleByte", "中文中", "中", "甲", 1, -1, false, "甲文甲"},
        ReplaceCase{"DoubleByteFromStart", "中文中", "中", "甲", 2, -1, false, "中文甲"},
        ReplaceCase{"WholeText", "abc", "ABC", "中", 1, -1, false, "中"},
        ReplaceCase{"TrailByteNotALetter", kTrailUpper + "A", "a", "x", 1, -1, false, kTrailUpper + "x"},
        ReplaceCase{"TrailByteCaseNotFolded", kTrailUpper, kTrailLower, "x", 1, -1, false, kTrailUpper},
        ReplaceCase{"DoubleByteExact", kTrailLower + "b", kTrailLower + "B", "x", 1, -1, false, "x"}),
    [](const testing::TestParamInfo<ReplaceCase>& p) { return p.param.name; });

} // namespace
