#include "runtime/core/ini_document.h"

#include <cstdint>

namespace ini {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool is_lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool is_trail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length of the character at s[i]: 2 for a double-byte GBK character, else 1.
std::size_t char_len(std::string_view s, std::size_t i)
{
    if (is_lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()
        && is_trail(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// One physical line. `body_end` stops before the line end ("\n" or "\r\n",
// or a stray "\r" at the end of the file), `next` is where the next line
// starts.
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
        const std::size_t nl = bytes_.find('\n', pos_);
        std::size_t end = nl == std::string_view::npos ? bytes_.size() : nl;
        line.next = nl == std::string_view::npos ? bytes_.size() : nl + 1;
        if (end > line.begin && bytes_[end - 1] == '\r')
            --end;
        line.body_end = end;
        pos_ = line.next;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Position of the last ']' that is a character of its own, or npos.
std::size_t last_close_bracket(std::string_view s)
{
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = char_len(s, i);
        if (n == 1 && s[i] == ']')
            found = i;
        i += n;
    }
    return found;
}

Parsed parse(std::string_view text)
{
    Parsed p;
    const std::string_view content = trim_blanks(text);
    if (content.empty())
        return p;
    if (content.front() == '[') {
        const std::size_t close = last_close_bracket(content.substr(1));
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

bool names_equal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t n = char_len(a, i);
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
        const std::size_t n = char_len(gbk, i);
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
        const Parsed p = parse(all.substr(line.begin, line.body_end - line.begin));
        if (p.kind == Kind::header) {
            // Only the first section of that name counts.
            if (inside)
                return std::nullopt;
            inside = names_equal(p.name, section);
        } else if (p.kind == Kind::item && inside && names_equal(p.name, key)) {
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
        const Parsed item = parse(body);
        const Parsed head = parse(header);
        if (item.kind != Kind::item || !names_equal(item.name, key)
            || head.kind != Kind::header || !names_equal(head.name, section))
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
        const Parsed p = parse(text);
        if (p.kind == Kind::header) {
            if (inside)
                break;
            if (names_equal(p.name, section)) {
                inside = true;
                section_found = true;
                insert_at = line.next;
            }
        } else if (p.kind == Kind::item && inside) {
            if (names_equal(p.name, key)) {
                // Keep the key as the file spells it, and the line end.
                std::string replaced(p.name);
                replaced.append("=").append(value);
                bytes_.replace(line.begin, line.body_end - line.begin, replaced);
                return true;
            }
            insert_at = line.next;
        }
    }

    std::string added;
    const bool open_last_line = !bytes_.empty() && bytes_.back() != '\n';
    if (!section_found) {
        if (open_last_line)
            added += "\r\n";
        added.append(header).append("\r\n");
        added.append(body).append("\r\n");
        bytes_ += added;
        return true;
    }
    if (insert_at == bytes_.size() && open_last_line)
        added += "\r\n";
    added.append(body).append("\r\n");
    bytes_.insert(insert_at, added);
    return true;
}

} // namespace ini
