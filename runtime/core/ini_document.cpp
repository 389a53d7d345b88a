#include "runtime/core/ini_document.h"

#include <cstdint>

#include "runtime/core/gbk_walk.h"
#include "runtime/core/utf8.h"

namespace ini {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Length of the character at s[i] as far as the rules care: 2 for a
// double-byte GBK character, else 1. In UTF-8 no byte of a longer character
// looks like ASCII, so byte by byte is enough there.
std::size_t char_len(std::string_view s, std::size_t i, Encoding encoding)
{
    return encoding == Encoding::gbk ? gbk::char_length(s, i) : 1;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// One physical line. `body_end` stops before the line end, `next` is where
// the next line starts. A line ends at every "\r\n", "\n" or lone "\r",
// wherever it stands, as the platform's routines end it.
struct Line {
    std::size_t begin = 0;
    std::size_t body_end = 0;
    std::size_t next = 0;
};

enum class Kind { blank, header, item };

struct Parsed {
    Kind kind = Kind::blank;
    std::string_view name;   // section name or key
    bool has_value = false;  // an item with '='
    std::string_view value;  // blanks dropped, quotes kept
};

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    bool next(Line& line)
    {
        if (pos_ >= bytes_.size())
            return false;
        line.begin = pos_;
        const std::size_t end = bytes_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            line.body_end = line.next = bytes_.size();
        } else {
            line.body_end = end;
            const bool crlf = bytes_[end] == '\r' && end + 1 < bytes_.size() && bytes_[end + 1] == '\n';
            line.next = end + (crlf ? 2 : 1);
        }
        pos_ = line.next;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Position of the last ']' that is a character of its own, or npos.
std::size_t last_close_bracket(std::string_view s, Encoding encoding)
{
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = char_len(s, i, encoding);
        if (n == 1 && s[i] == ']')
            found = i;
        i += n;
    }
    return found;
}

Parsed parse(std::string_view text, Encoding encoding)
{
    Parsed p;
    const std::string_view content = trim_blanks(text);
    if (content.empty())
        return p;
    if (content.front() == '[') {
        const std::size_t close = last_close_bracket(content.substr(1), encoding);
        if (close != std::string_view::npos) {
            p.kind = Kind::header;
            p.name = trim_blanks(content.substr(1, close));
            return p;
        }
    }
    p.kind = Kind::item;
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) {
        p.name = content;
        return p;
    }
    p.name = trim_blanks(content.substr(0, eq));
    p.has_value = true;
    p.value = trim_blanks(content.substr(eq + 1));
    return p;
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool has_line_break(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::string_view trim_blanks(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && is_blank(s[b]))
        ++b;
    while (e > b && is_blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool names_equal(std::string_view a, std::string_view b, Encoding encoding)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t n = char_len(a, i, encoding);
        if (n == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (fold(a[i]) != fold(b[i])) {
            return false;
        }
        i += n;
    }
    return true;
}

std::string_view cut_gbk(std::string_view gbk, std::size_t limit)
{
    if (gbk.size() <= limit)
        return gbk;
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t n = char_len(gbk, i, Encoding::gbk);
        if (i + n > limit)
            break;
        i += n;
    }
    return gbk.substr(0, i);
}

std::optional<std::string_view> Document::find(std::string_view section,
                                                std::string_view key) const
{
    section = trim_blanks(section);
    key = trim_blanks(key);
    if (section.empty() || key.empty())
        return std::nullopt;

    const std::string_view all(bytes_);
    LineReader reader(all);
    Line line;
    bool inside = false;
    while (reader.next(line)) {
        const Parsed p = parse(all.substr(line.begin, line.body_end - line.begin), encoding_);
        if (p.kind == Kind::header) {
            // Only the first section of that name counts.
            if (inside)
                return std::nullopt;
            inside = names_equal(p.name, section, encoding_);
        } else if (p.kind == Kind::item && inside && names_equal(p.name, key, encoding_)) {
            if (!p.has_value)
                return std::nullopt;
            return unquote(p.value);
        }
    }
    return std::nullopt;
}

bool Document::set(std::string_view section, std::string_view key, std::string_view value)
{
    section = trim_blanks(section);
    key = trim_blanks(key);
    if (section.empty() || key.empty() || has_line_break(section) || has_line_break(key))
        return false;
    // A line break in the value would start lines of its own; the part
    // before it is all a reader could ever see of the value anyway.
    value = value.substr(0, value.find_first_of("\r\n"));

    // The new lines must read back as this section and key: no '=' in the
    // key, no item taken for a header, no header cut short by half a
    // character.
    std::string body;
    body.reserve(key.size() + 1 + value.size());
    body.append(key).append("=").append(value);
    std::string header;
    header.append("[").append(section).append("]");
    {
        const Parsed item = parse(body, encoding_);
        const Parsed head = parse(header, encoding_);
        if (item.kind != Kind::item || !names_equal(item.name, key, encoding_)
            || head.kind != Kind::header || !names_equal(head.name, section, encoding_))
            return false;
    }

    const std::string_view all(bytes_);
    LineReader reader(all);
    Line line;
    bool inside = false;
    bool section_found = false;
    std::size_t insert_at = 0;
    while (reader.next(line)) {
        const std::string_view text = all.substr(line.begin, line.body_end - line.begin);
        const Parsed p = parse(text, encoding_);
        if (p.kind == Kind::header) {
            if (inside)
                break;
            if (names_equal(p.name, section, encoding_)) {
                inside = true;
                section_found = true;
                insert_at = line.next;
            }
        } else if (p.kind == Kind::item && inside) {
            if (names_equal(p.name, key, encoding_)) {
                // Keep the key as the file spells it, and the line end.
                std::string replaced(p.name);
                replaced.append("=").append(value);
                bytes_.replace(line.begin, line.body_end - line.begin, replaced);
                return true;
            }
            insert_at = line.next;
        }
    }

    if (!section_found)
        insert_at = bytes_.size();
    // New lines end as the line before them does when that is a lone "\r"
    // (a file of an editor that writes those), else with "\r\n". Either
    // way every reader ends them there, and no "\n" can follow a lone "\r"
    // at the insertion point to join with it.
    const std::size_t last_end = bytes_.find_last_of("\r\n", insert_at == 0 ? 0 : insert_at - 1);
    const bool lone_cr = insert_at > 0 && last_end != std::string::npos && bytes_[last_end] == '\r'
                         && (last_end + 1 == bytes_.size() || bytes_[last_end + 1] != '\n');
    const char* const end = lone_cr ? "\r" : "\r\n";
    const bool open_last_line = !bytes_.empty() && bytes_.back() != '\r' && bytes_.back() != '\n';

    std::string added;
    if (insert_at == bytes_.size() && open_last_line)
        added += end;
    if (!section_found)
        added.append(header).append(end);
    added.append(body).append(end);
    bytes_.insert(insert_at, added);
    return true;
}

// ---------------------------------------------------------------------------
// Unicode files

namespace {

// The code point at s[i] and its length; a byte that starts no valid
// sequence is U+FFFD of length 1. Surrogates encoded on their own (as we
// write unpaired UTF-16 units) are taken as they stand.
char32_t take_utf8(std::string_view s, std::size_t i, std::size_t& len)
{
    char32_t cp = 0;
    len = utf8::decode(s, i, cp, utf8::Surrogates::allow);
    if (len == 0) {
        len = 1;
        cp = 0xFFFD;
    }
    return cp;
}

} // namespace

FileText::FileText(std::string_view file)
{
    if (file.substr(0, 3) == "\xEF\xBB\xBF") {
        form_ = Form::utf8_bom;
        text_ = std::string(file.substr(3));
        return;
    }
    const bool le = file.substr(0, 2) == "\xFF\xFE";
    const bool be = file.substr(0, 2) == "\xFE\xFF";
    if (!le && !be) {
        text_ = std::string(file);
        return;
    }
    form_ = le ? Form::utf16le_bom : Form::utf16be_bom;
    const std::string_view units = file.substr(2, (file.size() - 2) / 2 * 2);
    odd_byte_ = std::string(file.substr(2 + units.size()));
    const auto unit = [&](std::size_t k) -> uint32_t {
        const auto lo = static_cast<unsigned char>(units[le ? k : k + 1]);
        const auto hi = static_cast<unsigned char>(units[le ? k + 1 : k]);
        return static_cast<uint32_t>(lo | (hi << 8));
    };
    text_.reserve(units.size());
    for (std::size_t k = 0; k < units.size(); k += 2) {
        const uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 2 < units.size()) {
            const uint32_t low = unit(k + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                utf8::append(text_, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                k += 2;
                continue;
            }
        }
        utf8::append(text_, u);
    }
}

std::string FileText::file_with(std::string_view text) const
{
    switch (form_) {
    case Form::gbk:
        return std::string(text);
    case Form::utf8_bom:
        return "\xEF\xBB\xBF" + std::string(text);
    case Form::utf16le_bom:
    case Form::utf16be_bom:
        break;
    }
    const bool le = form_ == Form::utf16le_bom;
    std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
    out.reserve(2 + text.size() * 2 + odd_byte_.size());
    const auto put_unit = [&](uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out += le ? lo : hi;
        out += le ? hi : lo;
    };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = 1;
        const char32_t c = take_utf8(text, i, len);
        i += len;
        if (c >= 0x10000) {
            put_unit(0xD800 + ((c - 0x10000) >> 10));
            put_unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put_unit(c);
        }
    }
    return out + odd_byte_;
}

} // namespace ini
