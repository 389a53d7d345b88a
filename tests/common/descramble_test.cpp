#include "common/descramble.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;
    Bytes data;
    std::string key;
    Bytes expected;
};

// Header 00 00 00 00 | 10 20 30 40: m = NOT(0x00 XOR 0x10) low byte = EF, so
// Q = FF CF DF AF. Key "ABCD" mixes to 51 62 73 04 (F = 44) and leaves the
// cycle at its end, so payload byte 1 takes Q[1]; "ABCDE" adds 55 (F = 11)
// and payload byte 1 takes Q[2].
const Bytes kHeader{0x00, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x40};

Bytes with_payload(Bytes payload)
{
    Bytes d = kHeader;
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

class DescrambleBytes : public ::testing::TestWithParam<Case> {};

TEST_P(DescrambleBytes, GivesTheExpectedBytes)
{
    const Case& c = GetParam();
    EXPECT_EQ(descramble_bytes(c.data, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DescrambleBytes,
    ::testing::Values(
        Case{"Empty", {}, "k", {}},
        Case{"ThreeBytesUnchanged", {1, 2, 3}, "k", {1, 2, 3}},
        Case{"EightBytesUnchanged", kHeader, "ABCD", kHeader},
        Case{"NineBytesGiveOne", with_payload({0x00}), "ABCD", {0xBB}},
        Case{"FourByteKeyStartsAtQ1", with_payload({0x00, 0x00, 0x00, 0x00, 0x00}), "ABCD",
             {0xFF ^ 0x44, 0xCF ^ 0x44, 0xDF ^ 0x44, 0xAF ^ 0x44, 0xFF ^ 0x44}},
        Case{"FiveByteKeyStartsAtQ2", with_payload({0x00, 0x00}), "ABCDE", {0xCF ^ 0x11, 0xDF ^ 0x11}},
        Case{"PayloadBytesAreXored", with_payload({0xBB, 0x0F}), "ABCD", {0x00, 0x0F ^ 0xCF ^ 0x44}},
        // "名" is GBK C3 FB: mixed with 10 20 it gives F = 08, and byte 1 takes Q[3].
        Case{"KeyTakenAsGbkBytes", with_payload({0x00}), "名", {0xDF ^ 0x08}}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(DescrambleBytesKey, EmptyKeyMeansTheDefaultKeyAndScramblingUndoesItself)
{
    const Bytes plain{'p', 'a', 'g', 'e', 0x00, 0xFF, 0x80};
    Bytes data = kHeader;
    const Bytes payload = descramble_bytes(with_payload(plain), kDescrambleDefaultKey);
    data.insert(data.end(), payload.begin(), payload.end());
    EXPECT_EQ(descramble_bytes(data, ""), plain);
    EXPECT_EQ(descramble_bytes(data, kDescrambleDefaultKey), plain);
    EXPECT_NE(descramble_bytes(data, "another key"), plain);
}

} // namespace
