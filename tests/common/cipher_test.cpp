#include "common/cipher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "runtime/random.h"

namespace {

// ---------------------------------------------------------------------------
// A second transcription of the cipher, written from the steps with 1-based
// tables and the programs' floating arithmetic, to check the module against.

struct ReferenceCipher {
    std::vector<double> s = std::vector<double>(257, 0.0);
    double i = 0.0;
    double j = 0.0;

    explicit ReferenceCipher(const std::string& key)
    {
        std::vector<double> k(257, 0.0);
        const double length = static_cast<double>(key.size());
        double p = 1.0;
        for (int n = 1; n <= 256; ++n) {
            s[n] = n - 1;
            if (p > length)
                p = 1.0;
            k[n] = key.empty() ? 0.0 : static_cast<unsigned char>(key[static_cast<size_t>(p) - 1]);
            p += 1.0;
        }
        double jj = 0.0;
        for (int n = 1; n <= 256; ++n) {
            jj = std::trunc(std::fmod(jj + s[n] + k[n], 256.0) + 1.0);
            std::swap(s[n], s[static_cast<size_t>(jj)]);
        }
    }

    unsigned char next()
    {
        i = std::trunc(std::fmod(i + 1.0, 256.0) + 1.0);
        j = std::trunc(std::fmod(j + s[static_cast<size_t>(i)], 256.0) + 1.0);
        std::swap(s[static_cast<size_t>(i)], s[static_cast<size_t>(j)]);
        const double t = std::trunc(std::fmod(s[static_cast<size_t>(i)] + s[static_cast<size_t>(j)], 256.0) + 1.0);
        return static_cast<unsigned char>(s[static_cast<size_t>(t)]);
    }
};

const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string reference_encipher(const std::string& plain, const std::string& key, const std::string& salt)
{
    ReferenceCipher c(key + salt);
    std::string out = salt;
    for (char ch : plain) {
        const int v = static_cast<unsigned char>(ch) ^ c.next();
        out += kLetters[v / 16];
        out += kLetters[v % 16];
    }
    return out;
}

double reference_digit(char ch)
{
    for (int n = 0; n < 26; ++n)
        if (kLetters[n] == ch || kLetters[n] + 32 == ch)
            return n;
    return -2.0;
}

std::string reference_decipher(const std::string& stored, const std::string& key)
{
    const std::string salt = stored.substr(0, 2);
    const std::string body = stored.size() > 2 ? stored.substr(2) : "";
    ReferenceCipher c(key + salt);
    std::string out;
    for (size_t q = 1; q <= body.size(); q += 2) {
        const std::string pair = body.substr(q - 1, 2);
        double value = 0.0;
        for (size_t n = 0; n < pair.size(); ++n)
            value += reference_digit(pair[n]) * std::pow(16.0, static_cast<double>(pair.size() - 1 - n));
        const auto cipher = static_cast<unsigned char>(static_cast<int>(value) & 255);
        out += static_cast<char>(cipher ^ c.next());
    }
    return out.substr(0, out.find('\0'));
}

std::string random_bytes(std::mt19937& gen, size_t length)
{
    std::string out(length, '\0');
    for (char& ch : out)
        ch = static_cast<char>(gen() & 255);
    return out;
}

// ---------------------------------------------------------------------------

TEST(CipherBytes, MatchesReferenceOnRandomInputs)
{
    std::mt19937 gen(7);
    const std::vector<std::string> keys = {"qxv", "tolvenra"};
    for (int n = 0; n < 400; ++n) {
        const std::string plain = random_bytes(gen, gen() % (n < 50 ? 4 : 700));
        const std::string key = n % 3 == 2 ? random_bytes(gen, 3 + gen() % 20) : keys[static_cast<size_t>(n) % 2];
        const std::string salt = {kLetters[gen() % 26], kLetters[gen() % 26]};
        const std::string stored = encipher_bytes(plain, key, salt);
        ASSERT_EQ(stored, reference_encipher(plain, key, salt)) << "case " << n;
        ASSERT_EQ(decipher_bytes(stored, key), plain.substr(0, plain.find('\0'))) << "case " << n;
    }
}

struct Vector {
    const char* name;
    std::string plain;
    std::string key;
    std::string salt;
    std::string stored;
};

class FixedVectors : public testing::TestWithParam<Vector> {};

// Worked out once outside this code base with a third transcription.
TEST_P(FixedVectors, EncipherAndDecipher)
{
    const Vector& v = GetParam();
    EXPECT_EQ(encipher_bytes(v.plain, v.key, v.salt), v.stored);
    EXPECT_EQ(decipher_bytes(v.stored, v.key), v.plain.substr(0, v.plain.find('\0')));
}

INSTANTIATE_TEST_SUITE_P(
    Pinned, FixedVectors,
    testing::Values(Vector{"Empty", "", "qxv", "AB", "AB"},
                    Vector{"Digits", "1234", "qxv", "QZ", "QZFHLILKLC"},
                    Vector{"WheelKey", "password", "tolvenra", "MK", "MKPOAFCLJCDKABIIFH"},
                    Vector{"Chinese", "\xb3\xe9\xbd\xb1\xc3\xdc\xc2\xeb", "qxv", "XY", "XYFCAHLNEMGEONHMCD"},
                    Vector{"ZeroByte", std::string(1, '\0'), "qxv", "AA", "AAGK"}),
    [](const testing::TestParamInfo<Vector>& p) { return std::string(p.param.name); });

TEST(CipherText, DecipheredBytesComeBackAsUtf8)
{
    EXPECT_EQ(decipher_text("XYFCAHLNEMGEONHMCD", "qxv"), "抽奖密码");
}

// The keystream's first exchange is at position 2 with J = S[2] + 1; a
// keystream starting at position 1 would give another first byte for this key.
TEST(CipherBytes, FirstKeystreamStepUsesPositionTwo)
{
    const std::string key = "qxvAA";
    const ReferenceCipher set_up(key);
    auto first_byte = [&](size_t i) {
        std::vector<double> s = set_up.s;
        const auto j = static_cast<size_t>(s[i] + 1);
        std::swap(s[i], s[j]);
        return static_cast<int>(s[static_cast<size_t>(std::fmod(s[i] + s[j], 256.0) + 1)]);
    };
    ASSERT_NE(first_byte(2), first_byte(1));
    const std::string stored = encipher_bytes(std::string(1, '\0'), "qxv", "AA");
    EXPECT_EQ(stored.substr(2), byte_to_letters(static_cast<uint8_t>(first_byte(2))));
}

struct RoundTrip {
    const char* name;
    std::string text;
};

class CipherRoundTrip : public testing::TestWithParam<std::tuple<RoundTrip, const char*>> {};

TEST_P(CipherRoundTrip, DeciphersWhatWasEnciphered)
{
    const auto& [sample, key] = GetParam();
    const std::string stored = encipher_text(sample.text, key);
    EXPECT_EQ(decipher_text(stored, key), sample.text);
}

std::string repeat(const std::string& unit, int times)
{
    std::string out;
    for (int n = 0; n < times; ++n)
        out += unit;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CipherRoundTrip,
    testing::Combine(testing::Values(RoundTrip{"Empty", ""}, RoundTrip{"Ascii", "Secret-42 !~"},
                                     RoundTrip{"Chinese", "设置密码"}, RoundTrip{"Mixed", "金蛋2024抽奖"},
                                     RoundTrip{"LongAscii", repeat("0123456789abcdefghij", 30)},
                                     RoundTrip{"LongChinese", repeat("一等奖", 60)}),
                     testing::Values("qxv", "tolvenra")),
    [](const auto& p) {
        return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param);
    });

TEST(CipherText, StoredFormIsSaltAndTwoCapitalsPerGbkByte)
{
    rt_seed_random(11);
    std::set<std::string> salts;
    const std::vector<std::pair<std::string, size_t>> samples = {
        {"", 0}, {"a", 1}, {"奖", 2}, {"pass设置", 8}, {repeat("x", 300), 300}};
    for (int round = 0; round < 40; ++round) {
        for (const auto& [text, gbk_bytes] : samples) {
            const std::string stored = encipher_text(text, "qxv");
            ASSERT_EQ(stored.size(), 2 + 2 * gbk_bytes) << text;
            for (size_t n = 0; n < stored.size(); ++n) {
                ASSERT_GE(stored[n], 'A');
                ASSERT_LE(stored[n], n < 2 ? 'Z' : 'P');
            }
            salts.insert(stored.substr(0, 2));
        }
    }
    // Fresh salts: two hundred passwords do not share a handful of salts.
    EXPECT_GT(salts.size(), 100u);
}

TEST(CipherSalt, DrawsEveryCapitalLetterInBothPlaces)
{
    rt_seed_random(3);
    std::set<char> first, second;
    for (int n = 0; n < 1000; ++n) {
        const std::string salt = draw_salt();
        ASSERT_EQ(salt.size(), 2u);
        first.insert(salt[0]);
        second.insert(salt[1]);
    }
    const std::set<char> all(kLetters, kLetters + 26);
    EXPECT_EQ(first, all);
    EXPECT_EQ(second, all);
}

TEST(ByteToLetters, HighFourBitsFirst)
{
    EXPECT_EQ(byte_to_letters(0), "AA");
    EXPECT_EQ(byte_to_letters(60), "DM");
    EXPECT_EQ(byte_to_letters(255), "PP");
    EXPECT_EQ(byte_to_letters(16), "BA");
    EXPECT_EQ(byte_to_letters(1), "AB");
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(letters_to_number(byte_to_letters(static_cast<uint8_t>(v))), v);
}

struct NumberCase {
    const char* name;
    std::string text;
    int32_t value;
};

class LettersToNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(LettersToNumber, ReadsBaseSixteenFromA)
{
    EXPECT_EQ(letters_to_number(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LettersToNumber,
    testing::Values(NumberCase{"Empty", "", 0}, NumberCase{"Capitals", "DM", 60}, NumberCase{"Lowercase", "dm", 60},
                    NumberCase{"MixedCase", "pP", 255}, NumberCase{"QCarries", "AQ", 16}, NumberCase{"ZInHighDigit", "ZA", 400},
                    NumberCase{"ZZ", "ZZ", 425}, NumberCase{"DigitIsMinusTwo", "A1", -2},
                    NumberCase{"TwoNonLetters", "1?", -34},
                    NumberCase{"ZeroByte", std::string("P\0", 2), 238},
                    NumberCase{"HighBytes", "\xb3\xe9", -34},
                    // Sixteen to the eighth is 2^32: only the last eight digits count.
                    NumberCase{"NinePs", "PPPPPPPPP", -1},
                    NumberCase{"TwentyZs", std::string(20, 'Z'), -1431655767}),
    [](const testing::TestParamInfo<NumberCase>& p) { return std::string(p.param.name); });

struct Damaged {
    const char* name;
    std::string stored;
    std::string plain;
};

class DamagedStoredText : public testing::TestWithParam<Damaged> {};

TEST_P(DamagedStoredText, DeciphersToSomething)
{
    EXPECT_EQ(decipher_bytes(GetParam().stored, "qxv"), GetParam().plain);
}

// Built on the pinned "1234" vector QZ FH LI LK LC.
INSTANTIATE_TEST_SUITE_P(
    Inputs, DamagedStoredText,
    testing::Values(Damaged{"EmptyIsEmptyPassword", "", ""}, Damaged{"OneLetter", "Q", ""},
                    Damaged{"SaltOnly", "QZ", ""}, Damaged{"LowercaseBody", "QZfhliLkLc", "1234"},
                    // The lone last letter D is the cipher byte 3; the fifth keystream
                    // byte of this key is 199, and 3 ^ 199 = 0xC4.
                    Damaged{"OddLength", "QZFHLILKLCD", "1234\xc4"},
                    // The second cipher byte replaced by its keystream byte ('2' ^ 0xB8,
                    // from "LI"): the second plain byte is zero and ends the text.
                    Damaged{"ZeroByteEndsText", "QZFH" + byte_to_letters(0x32 ^ 0xB8) + "LKLC", "1"}),
    [](const testing::TestParamInfo<Damaged>& p) { return std::string(p.param.name); });

TEST(DecipherText, LowercaseSaltOrWrongKeyMissesThePassword)
{
    EXPECT_EQ(decipher_bytes("QZFHLILKLC", "qxv"), "1234");
    EXPECT_NE(decipher_bytes("qzFHLILKLC", "qxv"), "1234");
    EXPECT_NE(decipher_bytes("QZFHLILKLC", "tolvenra"), "1234");
    EXPECT_NE(decipher_bytes("QYFHLILKLC", "qxv"), "1234");
}

TEST(DecipherText, ArbitraryBytesMatchReferenceAndNeverFail)
{
    std::mt19937 gen(99);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0189 ?\xb3\xe9";
    for (int n = 0; n < 3000; ++n) {
        std::string stored;
        const size_t length = gen() % 40;
        for (size_t m = 0; m < length; ++m)
            stored += n % 2 ? static_cast<char>(gen() & 255) : alphabet[gen() % alphabet.size()];
        const std::string key = n % 5 ? "qxv" : "";
        const std::string plain = decipher_bytes(stored, key);
        ASSERT_EQ(plain, reference_decipher(stored, key)) << "case " << n;
        ASSERT_EQ(plain.find('\0'), std::string::npos);
        ASSERT_LE(plain.size(), stored.size() > 2 ? (stored.size() - 1) / 2 : 0u);
        // The text form takes the same bytes through UTF-8 and must not fail.
        (void)decipher_text(stored, "tolvenra");
    }
}

} // namespace
