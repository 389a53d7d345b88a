#include "runtime/convert.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "runtime/core/gbk_walk.h"
#include "runtime/gbk.h"

namespace {

// Full-width forms (GB2312 row A3 and the ideographic space A1A1) become
// their one-byte forms so that "１２" reads as 12. Walks whole characters so
// that a trail byte 0xA3 followed by another byte is never taken for a lead.
std::string fold_full_width(std::string_view utf8)
{
    const std::string g = utf8_to_gbk(utf8);
    std::string out;
    out.reserve(g.size());
    for (size_t i = 0; i < g.size();) {
        const size_t len = gbk::char_length(g, i);
        if (len == 2) {
            const uint8_t lead = static_cast<uint8_t>(g[i]);
            const uint8_t trail = static_cast<uint8_t>(g[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1) {
                out += static_cast<char>(trail - 0x80);
            } else if (lead == 0xA1 && trail == 0xA1) {
                out += ' ';
            } else {
                out.append(g, i, 2);
            }
        } else {
            out += g[i];
        }
        i += len;
    }
    return out;
}

// isspace of the C locale, whatever locale the program runs in.
bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t skip_blanks(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && is_blank(s[i]))
        ++i;
    return i;
}

// The decimal point must be '.' whatever the user's locale says.
locale_t c_locale()
{
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Double to 32-bit integer the way the x86 conversion instruction behaves:
// NaN and values outside the range give the "integer indefinite", INT32_MIN,
// instead of undefined behaviour.
int32_t to_int32(double truncated)
{
    if (truncated > -2147483649.0 && truncated < 2147483648.0)
        return static_cast<int32_t>(truncated);
    return std::numeric_limits<int32_t>::min();
}

std::string format_g(double v, int precision)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

} // namespace

double rt_to_number(std::string_view text)
{
    const std::string s = fold_full_width(text);
    // Only a plain decimal number is accepted: no hex floats, no "inf" or
    // "nan", which msvcrt's atof does not read either.
    size_t i = skip_blanks(s);
    const size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && is_digit(s[j])) {
            while (j < s.size() && is_digit(s[j]))
                ++j;
            i = j;
        }
    }
    const std::string number = s.substr(start, i - start);
    if (const locale_t loc = c_locale())
        return strtod_l(number.c_str(), nullptr, loc);
    return strtod(number.c_str(), nullptr);
}

int32_t rt_to_int(std::string_view text)
{
    const std::string s = fold_full_width(text);
    size_t i = skip_blanks(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    // Saturates instead of overflowing; the sign is applied at the end.
    constexpr int64_t limit = int64_t{1} << 31;
    int64_t value = 0;
    while (i < s.size() && is_digit(s[i])) {
        value = std::min(value * 10 + (s[i] - '0'), limit);
        ++i;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min(value, limit - 1));
}

int32_t rt_to_int(double v) { return to_int32(std::trunc(v)); }

uint8_t rt_to_byte(std::string_view text) { return static_cast<uint8_t>(rt_to_int(text) & 0xFF); }

uint8_t rt_to_byte(double v) { return static_cast<uint8_t>(rt_to_int(v) & 0xFF); }

int32_t rt_to_int_floor(double v)
{
    // A value a hair below a whole number is taken for that number, so that
    // sums of decimal fractions do not lose one.
    const double whole = std::trunc(v);
    const double fraction = v - whole;
    if (std::fabs(fraction) > 0.999999999999)
        v = whole + (fraction > 0 ? 1.0 : -1.0);
    return to_int32(std::floor(v));
}

std::string rt_to_text(int32_t v) { return std::to_string(v); }
std::string rt_to_text(int64_t v) { return std::to_string(v); }
std::string rt_to_text(uint8_t v) { return std::to_string(static_cast<unsigned>(v)); }
std::string rt_to_text(float v) { return format_g(static_cast<double>(v), 6); }
std::string rt_to_text(double v) { return format_g(v, 13); }
std::string rt_to_text(bool v) { return v ? "真" : "假"; }

std::string rt_to_text(const Bytes& v)
{
    const auto end = std::find(v.begin(), v.end(), uint8_t{0});
    return gbk_to_utf8(std::string(v.begin(), end));
}

std::string rt_to_hex_text(int32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<uint32_t>(v)));
    return buf;
}
