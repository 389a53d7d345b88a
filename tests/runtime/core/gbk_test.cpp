#include "runtime/gbk.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

namespace {

// True when iconv accepts the text as UTF-8 (an independent check of our
// encoder's output).
bool is_valid_utf8(const std::string& s)
{
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in = s;
    std::string out(s.size() * 4 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size();
    size_t ol = out.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0;
    iconv_close(cd);
    return ok;
}

std::string escape_of(unsigned byte)
{
    const char32_t cp = 0xF700 + byte;
    std::string s;
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
    return s;
}

TEST(Gbk, KnownCharactersBothWays)
{
    struct Case {
        const char* utf8;
        const char* gbk;
    };
    const Case cases[] = {
        {"plain ASCII ~!@", "plain ASCII ~!@"},
        {"中文", "\xD6\xD0\xCE\xC4"},
        {"奖品图片", "\xBD\xB1\xC6\xB7\xCD\xBC\xC6\xAC"},
        {"１２", "\xA3\xB1\xA3\xB2"},
        {"　", "\xA1\xA1"},
        {"€", "\x80"},
        {"a中b", "a\xD6\xD0" "b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8_to_gbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(gbk_to_utf8(c.gbk), c.utf8) << c.utf8;
    }
}

TEST(Gbk, EmbeddedZeroBytesSurvive)
{
    const std::string s("a\0b\xD6\xD0", 5);
    EXPECT_EQ(utf8_to_gbk(gbk_to_utf8(s)), s);
}

TEST(Gbk, BytesThatFormNoCharacterBecomeEscapes)
{
    // A lone lead byte at the end, a lead byte before a byte that cannot
    // follow it, an unassigned pair, and a byte that is never a character.
    EXPECT_EQ(gbk_to_utf8("a\xD6"), "a" + escape_of(0xD6));
    EXPECT_EQ(gbk_to_utf8("\x81" "0"), escape_of(0x81) + "0");
    EXPECT_EQ(gbk_to_utf8("\xAA\xA1"), escape_of(0xAA) + escape_of(0xA1));
    EXPECT_EQ(gbk_to_utf8("\xFF"), escape_of(0xFF));
    EXPECT_EQ(utf8_to_gbk(escape_of(0xD6) + escape_of(0xD0)), "\xD6\xD0");
}

TEST(Gbk, EveryOneAndTwoByteSequenceRoundTrips)
{
    for (unsigned a = 0; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(utf8_to_gbk(gbk_to_utf8(one)), one) << a;
        if (a < 0x80)
            continue;
        for (unsigned b = 0; b < 256; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            const std::string u = gbk_to_utf8(two);
            ASSERT_TRUE(is_valid_utf8(u)) << a << " " << b;
            ASSERT_EQ(utf8_to_gbk(u), two) << a << " " << b;
        }
    }
}

// Every pair reads as the character the C library's converter gives for it
// alone, or as two escapes where it gives none (or an ASCII character).
TEST(Gbk, EveryPairReadsAsTheConverterReadsIt)
{
    iconv_t cd = iconv_open("UTF-8", "CP936");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int characters = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8];
            char* ip = in;
            char* op = out;
            size_t il = 2, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            std::string expected(out, 0);
            if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0)
                expected.assign(out, static_cast<size_t>(op - out));
            if (expected.empty() || static_cast<unsigned char>(expected[0]) < 0x80)
                expected = escape_of(lead) + escape_of(trail);
            else
                ++characters;
            ASSERT_EQ(gbk_to_utf8(std::string(in, 2)), expected) << lead << " " << trail;
        }
    iconv_close(cd);
    EXPECT_GT(characters, 21000);
}

TEST(Gbk, RandomBytesRoundTripAndSplitAnywhere)
{
    std::mt19937 rng(12345);
    for (int n = 0; n < 2000; ++n) {
        std::string g(rng() % 40, '\0');
        for (char& c : g)
            c = static_cast<char>(rng() % 3 == 0 ? rng() % 0x80 : 0x80 + rng() % 0x80);
        const std::string u = gbk_to_utf8(g);
        ASSERT_TRUE(is_valid_utf8(u));
        ASSERT_EQ(utf8_to_gbk(u), g);
        // Cutting the bytes anywhere, even inside a character, and joining
        // the converted halves gives the same bytes back.
        const size_t cut = g.empty() ? 0 : rng() % g.size();
        ASSERT_EQ(utf8_to_gbk(gbk_to_utf8(g.substr(0, cut)) + gbk_to_utf8(g.substr(cut))), g);
    }
}

TEST(Gbk, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(utf8_to_gbk("a😀b"), "a?b");
    EXPECT_EQ(utf8_to_gbk("ก"), "?"); // Thai
}

TEST(Gbk, InvalidUtf8BytesAreKeptAsTheyAre)
{
    // Truncated sequence, stray continuation byte, overlong form, surrogate.
    EXPECT_EQ(utf8_to_gbk("a\xC3"), "a\xC3");
    EXPECT_EQ(utf8_to_gbk("\x80z"), "\x80z");
    EXPECT_EQ(utf8_to_gbk("\xC0\xAF"), "\xC0\xAF");
    EXPECT_EQ(utf8_to_gbk("\xED\xA0\x80"), "\xED\xA0\x80");
    EXPECT_EQ(utf8_to_gbk("\xF4\x90\x80\x80"), "\xF4\x90\x80\x80");
    // Different broken texts stay different, so comparisons keep working.
    EXPECT_NE(utf8_to_gbk("\xC3"), utf8_to_gbk("\xC4"));
}

} // namespace
