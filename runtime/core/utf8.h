#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Encoding and decoding single UTF-8 sequences, shared by the GBK converter
// and the reader of Unicode settings files.
namespace utf8 {

inline void append(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

enum class Surrogates { reject, allow };

// Decodes one UTF-8 sequence at s[i]. Returns its length, or 0 when the
// bytes there are not well-formed UTF-8 (overlong forms and code points
// above U+10FFFF included). Surrogates encoded on their own (ED A0..BF) are
// rejected unless `surrogates` allows them.
inline std::size_t decode(std::string_view s, std::size_t i, char32_t& cp,
                          Surrogates surrogates = Surrogates::reject)
{
    const auto at = [&](std::size_t k) { return static_cast<uint8_t>(s[i + k]); };
    const auto cont = [&](std::size_t k, uint8_t lo = 0x80, uint8_t hi = 0xBF) {
        return i + k < s.size() && at(k) >= lo && at(k) <= hi;
    };
    const uint8_t b = at(0);
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF && cont(1)) {
        cp = (char32_t(b & 0x1F) << 6) | (at(1) & 0x3F);
        return 2;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        const uint8_t lo = b == 0xE0 ? 0xA0 : 0x80;
        const uint8_t hi = b == 0xED && surrogates == Surrogates::reject ? 0x9F : 0xBF;
        if (cont(1, lo, hi) && cont(2)) {
            cp = (char32_t(b & 0x0F) << 12) | (char32_t(at(1) & 0x3F) << 6) | (at(2) & 0x3F);
            return 3;
        }
        return 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const uint8_t lo = b == 0xF0 ? 0x90 : 0x80;
        const uint8_t hi = b == 0xF4 ? 0x8F : 0xBF;
        if (cont(1, lo, hi) && cont(2) && cont(3)) {
            cp = (char32_t(b & 0x07) << 18) | (char32_t(at(1) & 0x3F) << 12) | (char32_t(at(2) & 0x3F) << 6)
                 | (at(3) & 0x3F);
            return 4;
        }
    }
    return 0;
}

// `s` as well-formed UTF-8: every byte that starts no character becomes one
// U+FFFD. With `surrogates` allowed, a surrogate encoded on its own (a
// UTF-16 unit that paired with nothing) is one character and becomes one
// U+FFFD as well.
inline std::string make_valid(std::string_view s, Surrogates surrogates = Surrogates::reject)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        const std::size_t len = decode(s, i, cp, surrogates);
        if (len == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
            append(out, 0xFFFD);
            i += len == 0 ? 1 : len;
            continue;
        }
        out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

} // namespace utf8
