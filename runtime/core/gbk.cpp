#include "runtime/gbk.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "runtime/core/gbk_walk.h"
#include "runtime/core/utf8.h"

namespace {

constexpr char32_t kEscapeBase = 0xF700; // U+F700 + byte: a GBK byte that forms no character
constexpr size_t kTrailCount = 0xFE - 0x40 + 1;

// Code page 936 as two tables, filled once from the C library's converter.
// Looking characters up in tables keeps the per-text work small and lets us
// decide byte by byte what forms a character, which iconv alone does not.
struct Tables {
    // Double-byte character -> code point (0: no character).
    std::array<char16_t, (0xFE - 0x81 + 1) * kTrailCount> pair_to_code{};
    // The one non-ASCII single byte of the code page (0x80, the euro sign).
    char16_t byte80 = 0;
    // Code point -> GBK code: 0 none, < 0x100 one byte, else lead << 8 | trail.
    std::array<uint16_t, 0x10000> code_to_gbk{};
};

// The one code point of `u`, or 0 when it holds none, several, or one
// beyond the BMP.
char16_t single_code_point(std::string_view u)
{
    char32_t cp = 0;
    if (u.empty() || utf8::decode(u, 0, cp) != u.size() || cp > 0xFFFF)
        return 0;
    return static_cast<char16_t>(cp);
}

// Converts one GBK character (1 or 2 bytes) with iconv; 0 when it forms no
// character or the result is not a single BMP code point.
char16_t iconv_decode(iconv_t cd, const char* bytes, size_t len)
{
    char in[2] = {bytes[0], len > 1 ? bytes[1] : '\0'};
    char out[8];
    char* ip = in;
    char* op = out;
    size_t il = len;
    size_t ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0)
        return 0;
    return single_code_point(std::string_view(out, static_cast<size_t>(op - out)));
}

// The characters of the pairs lead + 0x40..0xFE (all but 0x7F), in that
// order, converted in one call rather than one call per pair: at program
// start every millisecond counts. Each pair is followed by a line feed, so
// the output splits back into one piece per pair; a pair that forms no
// character gives an empty piece. Empty when the pieces do not line up.
std::vector<char16_t> decode_row(iconv_t cd, unsigned lead)
{
    std::string in;
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
        if (trail != 0x7F)
            in += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
    std::string out(in.size() * 2, '\0');
    char* ip = in.data();
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ || il < 3 || ol < 1 || (ip - in.data()) % 3 != 0)
            return {};
        // Skip the pair and its line feed; its piece stays empty.
        ip += 3;
        il -= 3;
        *op++ = '\n';
        --ol;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    std::vector<char16_t> row;
    std::string_view rest(out.data(), static_cast<size_t>(op - out.data()));
    for (size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        row.push_back(single_code_point(rest.substr(0, end)));
        rest.remove_prefix(end + 1);
    }
    if (row.size() != kTrailCount - 1 || !rest.empty())
        return {};
    return row;
}

std::unique_ptr<Tables> build_tables()
{
    auto t = std::make_unique<Tables>();
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::fputs("GBK converter missing: non-ASCII text is kept as escaped bytes\n", stderr);
        return t;
    }
    const char b80 = static_cast<char>(0x80);
    t->byte80 = iconv_decode(cd, &b80, 1);
    if (t->byte80 >= 0x80)
        t->code_to_gbk[t->byte80] = 0x80;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        const std::vector<char16_t> row = decode_row(cd, lead);
        size_t column = 0;
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            // A converter that answered the row otherwise than expected is
            // asked pair by pair.
            const char16_t cp = row.empty() ? iconv_decode(cd, pair, 2) : row[column++];
            // A code point that collides with ASCII, with our byte escapes
            // or with an earlier character would not come back as the same
            // bytes: leave such a pair escaped.
            if (cp < 0x80 || (cp >= kEscapeBase && cp <= kEscapeBase + 0xFF) || t->code_to_gbk[cp] != 0)
                continue;
            t->pair_to_code[(lead - 0x81) * kTrailCount + (trail - 0x40)] = cp;
            t->code_to_gbk[cp] = static_cast<uint16_t>(lead << 8 | trail);
        }
    }
    iconv_close(cd);
    return t;
}

const Tables& tables()
{
    static const std::unique_ptr<Tables> t = build_tables();
    return *t;
}

bool is_ascii(std::string_view s)
{
    for (const char c : s)
        if (static_cast<uint8_t>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

void gbk_prepare() { tables(); }

std::string utf8_to_gbk(std::string_view utf8)
{
    if (is_ascii(utf8))
        return std::string(utf8);
    const Tables& t = tables();
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t len = utf8::decode(utf8, i, cp);
        if (len == 0) {
            // Not UTF-8: keep the byte itself, as its escape would have been.
            out += utf8[i++];
            continue;
        }
        i += len;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp >= kEscapeBase && cp <= kEscapeBase + 0xFF) {
            out += static_cast<char>(cp - kEscapeBase);
        } else if (cp <= 0xFFFF && t.code_to_gbk[cp] != 0) {
            const uint16_t g = t.code_to_gbk[cp];
            if (g >= 0x100)
                out += static_cast<char>(g >> 8);
            out += static_cast<char>(g & 0xFF);
        } else {
            out += '?';
        }
    }
    return out;
}

std::string gbk_to_utf8(std::string_view gbk)
{
    if (is_ascii(gbk))
        return std::string(gbk);
    const Tables& t = tables();
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    for (size_t i = 0; i < gbk.size();) {
        const uint8_t b = static_cast<uint8_t>(gbk[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        if (gbk::char_length(gbk, i) == 2) {
            const uint8_t trail = static_cast<uint8_t>(gbk[i + 1]);
            const char16_t cp = t.pair_to_code[(b - 0x81) * kTrailCount + (trail - 0x40)];
            if (cp != 0) {
                utf8::append(out, cp);
            } else {
                utf8::append(out, kEscapeBase + b);
                utf8::append(out, kEscapeBase + trail);
            }
            i += 2;
            continue;
        }
        if (b == 0x80 && t.byte80 != 0)
            utf8::append(out, t.byte80);
        else
            utf8::append(out, kEscapeBase + b);
        ++i;
    }
    return out;
}
