#include "runtime/text.h"

#include <algorithm>
#include <vector>

#include "runtime/core/gbk_walk.h"
#include "runtime/gbk.h"

namespace {

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Byte range [from, from + n) of a GBK text, clipped to the text.
std::string gbk_slice(const std::string& g, int64_t from, int64_t n)
{
    const int64_t size = static_cast<int64_t>(g.size());
    if (n <= 0 || from < 0 || from >= size)
        return std::string();
    return gbk_to_utf8(std::string_view(g).substr(static_cast<size_t>(from), static_cast<size_t>(std::min(n, size - from))));
}

// Finds `sought` in `text` (both GBK) at a character boundary at or after
// byte `from`. Matches start only where a character starts, so a search never
// hits the trail byte of a double-byte character. Without case sensitivity
// the ASCII letters of the sought text match either case; its double-byte
// characters always match exactly.
class Finder {
public:
    Finder(const std::string& text, const std::string& sought, bool case_sensitive)
        : text_(text), sought_(sought), fold_(sought.size(), false)
    {
        if (!case_sensitive) {
            for (size_t i = 0; i < sought_.size();) {
                const size_t len = gbk::char_length(sought_, i);
                fold_[i] = len == 1;
                i += len;
            }
        }
        for (size_t i = 0; i < text_.size(); i += gbk::char_length(text_, i))
            starts_.push_back(i);
    }

    // Byte index of the first match starting at or after `from`, or npos.
    size_t find(size_t from) const
    {
        if (sought_.empty() || sought_.size() > text_.size())
            return std::string::npos;
        const size_t last = text_.size() - sought_.size();
        for (auto it = std::lower_bound(starts_.begin(), starts_.end(), from); it != starts_.end() && *it <= last; ++it)
            if (matches_at(*it))
                return *it;
        return std::string::npos;
    }

private:
    bool matches_at(size_t pos) const
    {
        for (size_t k = 0; k < sought_.size(); ++k) {
            const char a = text_[pos + k];
            const char b = sought_[k];
            if (a != b && !(fold_[k] && ascii_upper(a) == ascii_upper(b)))
                return false;
        }
        return true;
    }

    const std::string& text_;
    const std::string& sought_;
    std::vector<bool> fold_;
    std::vector<size_t> starts_;
};

} // namespace

int32_t rt_text_length(std::string_view text) { return static_cast<int32_t>(utf8_to_gbk(text).size()); }

std::string rt_text_left(std::string_view text, int32_t n) { return gbk_slice(utf8_to_gbk(text), 0, n); }

std::string rt_text_right(std::string_view text, int32_t n)
{
    const std::string g = utf8_to_gbk(text);
    const int64_t size = static_cast<int64_t>(g.size());
    return gbk_slice(g, std::max<int64_t>(0, size - n), n);
}

std::string rt_text_mid(std::string_view text, int32_t start, int32_t n)
{
    if (start < 1)
        return std::string();
    return gbk_slice(utf8_to_gbk(text), int64_t{start} - 1, n);
}

std::string rt_char_from_code(int32_t code)
{
    // A zero byte ends a text, so code 0 (and its multiples of 256) is empty.
    const char byte = static_cast<char>(code & 0xFF);
    if (byte == 0)
        return std::string();
    return gbk_to_utf8(std::string_view(&byte, 1));
}

int32_t rt_char_code_at(std::string_view text, int32_t position)
{
    const std::string g = utf8_to_gbk(text);
    if (position < 1 || static_cast<size_t>(position) > g.size())
        return 0;
    return static_cast<int8_t>(g[static_cast<size_t>(position) - 1]);
}

int32_t rt_find_text(std::string_view text, std::string_view sought, int32_t start)
{
    const std::string g = utf8_to_gbk(text);
    const std::string s = utf8_to_gbk(sought);
    const size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
    const size_t at = Finder(g, s, true).find(from);
    return at == std::string::npos ? -1 : static_cast<int32_t>(at + 1);
}

std::string rt_to_upper(std::string_view text)
{
    std::string g = utf8_to_gbk(text);
    for (size_t i = 0; i < g.size();) {
        const size_t len = gbk::char_length(g, i);
        if (len == 1)
            g[i] = ascii_upper(g[i]);
        i += len;
    }
    return gbk_to_utf8(g);
}

std::string rt_replace_text(std::string_view text, std::string_view sought, std::string_view replacement,
                            int32_t start, int32_t count, bool case_sensitive)
{
    const std::string g = utf8_to_gbk(text);
    const std::string s = utf8_to_gbk(sought);
    if (s.empty() || count == 0)
        return std::string(text);
    const std::string r = utf8_to_gbk(replacement);
    const Finder finder(g, s, case_sensitive);
    std::string out;
    size_t copied = 0;
    size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
    // Any negative count means "all".
    for (int64_t done = 0; count < 0 || done < count; ++done) {
        const size_t at = finder.find(from);
        if (at == std::string::npos)
            break;
        out.append(g, copied, at - copied);
        out += r;
        copied = from = at + s.size();
    }
    if (copied == 0 && out.empty())
        return std::string(text);
    out.append(g, copied, std::string::npos);
    return gbk_to_utf8(out);
}

std::string rt_space_text(int32_t n) { return n < 1 ? std::string() : std::string(static_cast<size_t>(n), ' '); }
