#include "platform/html_page.h"

#include "platform/ascii.h"

#include <array>

namespace platform {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && is_space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_space(s.back()))
        s.remove_suffix(1);
    return s;
}

// Calls take(token) for each blank-separated word of v; stops early, with
// false, where take refuses one.
template <class Take> bool each_word(std::string_view v, Take take)
{
    size_t i = 0;
    while (i < v.size()) {
        while (i < v.size() && is_space(v[i]))
            ++i;
        size_t j = i;
        while (j < v.size() && !is_space(v[j]))
            ++j;
        if (j == i)
            break;
        if (!take(v.substr(i, j - i)))
            return false;
        i = j;
    }
    return true;
}

// A value as a declaration would end it: blanks and one ';' go.
std::string_view value_of(std::string_view s)
{
    s = trimmed(s);
    if (!s.empty() && s.back() == ';')
        s.remove_suffix(1);
    return trimmed(s);
}

// Only references that stand for ASCII are decoded: page bytes are GBK, and
// the values that matter (file names, numbers, colours) are ASCII.
std::string decode_references(std::string_view v)
{
    std::string out;
    out.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '&') {
            out += v[i];
            continue;
        }
        const size_t semi = v.find(';', i);
        if (semi == std::string_view::npos || semi - i > 8) {
            out += v[i];
            continue;
        }
        const std::string name = ascii_lowered(v.substr(i + 1, semi - i - 1));
        int code = -1;
        if (name == "amp")
            code = '&';
        else if (name == "lt")
            code = '<';
        else if (name == "gt")
            code = '>';
        else if (name == "quot")
            code = '"';
        else if (name == "apos")
            code = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            int value = 0;
            bool digits = name.size() > (hex ? 2u : 1u);
            for (size_t k = hex ? 2 : 1; k < name.size() && digits; ++k) {
                const char c = name[k];
                int d = -1;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                if (d < 0 || value > 0x10FFFF)
                    digits = false;
                else
                    value = value * (hex ? 16 : 10) + d;
            }
            if (digits && value > 0 && value < 128)
                code = value;
        }
        if (code < 0) {
            out += v[i];
            continue;
        }
        out += static_cast<char>(code);
        i = semi;
    }
    return out;
}

int pixels_or_zero(const std::string* text)
{
    if (!text)
        return 0;
    const std::optional<int> px = read_css_pixels(*text);
    return px && *px > 0 ? *px : 0;
}

std::string member_key(std::string_view member)
{
    std::string key;
    for (char c : member)
        if (c != '-')
            key += ascii_lower(c);
    return key;
}

std::optional<Overflow> read_overflow(std::string_view v)
{
    const std::string s = ascii_lowered(v);
    if (s == "visible")
        return Overflow::Visible;
    if (s == "auto")
        return Overflow::Auto;
    if (s == "hidden")
        return Overflow::Hidden;
    if (s == "scroll")
        return Overflow::Scroll;
    return std::nullopt;
}

std::optional<BorderStyle> read_border_style(std::string_view v)
{
    static const std::array<std::pair<std::string_view, BorderStyle>, 10> styles{{
        {"none", BorderStyle::None},     {"hidden", BorderStyle::None},  {"solid", BorderStyle::Solid},
        {"dotted", BorderStyle::Dotted}, {"dashed", BorderStyle::Dashed}, {"double", BorderStyle::Double},
        {"inset", BorderStyle::Inset},   {"outset", BorderStyle::Outset}, {"ridge", BorderStyle::Ridge},
        {"groove", BorderStyle::Groove},
    }};
    const std::string s = ascii_lowered(v);
    for (const auto& [name, style] : styles)
        if (s == name)
            return style;
    return std::nullopt;
}

// The shorthand: width, style and colour in any order; what is left out
// takes its initial value (medium, none, black).
std::optional<Border> read_border(std::string_view v)
{
    Border b{3, BorderStyle::None, 0x000000};
    bool any = false;
    const bool read = each_word(v, [&](std::string_view token) {
        const std::string t = ascii_lowered(token);
        if (auto px = read_css_pixels(token); px && *px >= 0)
            b.width = *px;
        else if (t == "thin")
            b.width = 1;
        else if (t == "medium")
            b.width = 3;
        else if (t == "thick")
            b.width = 5;
        else if (auto style = read_border_style(token))
            b.style = *style;
        else if (auto color = read_css_color(token))
            b.color = *color;
        else
            return false;
        any = true;
        return true;
    });
    if (!read || !any)
        return std::nullopt;
    return b;
}

} // namespace

const std::string* HtmlTag::attribute(std::string_view attribute_name) const
{
    for (const auto& [n, v] : attributes)
        if (n == attribute_name)
            return &v;
    return nullptr;
}

std::vector<HtmlTag> read_html_tags(std::string_view page)
{
    std::vector<HtmlTag> tags;
    const size_t n = page.size();
    size_t i = 0;
    while (i < n && tags.size() < kMaxHtmlTags) {
        const size_t lt = page.find('<', i);
        if (lt == std::string_view::npos || lt + 1 >= n)
            break;
        i = lt + 1;
        if (page.compare(lt, 4, "<!--") == 0) {
            const size_t end = page.find("-->", lt + 4);
            i = end == std::string_view::npos ? n : end + 3;
            continue;
        }
        if (page[i] == '!' || page[i] == '?' || page[i] == '/') {
            const size_t end = page.find('>', i);
            i = end == std::string_view::npos ? n : end + 1;
            continue;
        }
        if (!is_letter(page[i]))
            continue;

        HtmlTag tag;
        size_t j = i;
        while (j < n && !is_space(page[j]) && page[j] != '>' && page[j] != '/')
            ++j;
        tag.name = ascii_lowered(page.substr(i, j - i));
        i = j;
        // Attributes up to the closing '>'.
        while (i < n && page[i] != '>') {
            if (is_space(page[i]) || page[i] == '/') {
                ++i;
                continue;
            }
            size_t k = i;
            while (k < n && !is_space(page[k]) && page[k] != '=' && page[k] != '>' && page[k] != '/')
                ++k;
            std::string name = ascii_lowered(page.substr(i, k - i));
            if (k == i) // a stray '=': skip it
                ++k;
            i = k;
            while (i < n && is_space(page[i]))
                ++i;
            std::string value;
            if (i < n && page[i] == '=') {
                ++i;
                while (i < n && is_space(page[i]))
                    ++i;
                if (i < n && (page[i] == '"' || page[i] == '\'')) {
                    const char quote = page[i];
                    const size_t end = page.find(quote, i + 1);
                    const size_t stop = end == std::string_view::npos ? n : end;
                    value = decode_references(page.substr(i + 1, stop - i - 1));
                    i = end == std::string_view::npos ? n : end + 1;
                } else {
                    size_t end = i;
                    while (end < n && !is_space(page[end]) && page[end] != '>')
                        ++end;
                    value = decode_references(page.substr(i, end - i));
                    i = end;
                }
            }
            if (!name.empty())
                tag.attributes.emplace_back(std::move(name), std::move(value));
        }
        if (i < n)
            ++i; // the '>'
        // Raw text elements: their content is no markup.
        if (tag.name == "script" || tag.name == "style") {
            const std::string close = "</" + tag.name;
            size_t k = i;
            while (k < n && !ascii_starts_with(page.substr(k), close))
                ++k;
            i = k;
        }
        tags.push_back(std::move(tag));
    }
    return tags;
}

std::vector<std::pair<std::string, std::string>> read_css_declarations(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find(';', i);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view decl = text.substr(i, end - i);
        const size_t colon = decl.find(':');
        if (colon != std::string_view::npos) {
            const std::string name = ascii_lowered(trimmed(decl.substr(0, colon)));
            std::string_view value = trimmed(decl.substr(colon + 1));
            if (value.size() >= 10 && ascii_lowered(value.substr(value.size() - 10)) == "!important")
                value = trimmed(value.substr(0, value.size() - 10));
            if (!name.empty())
                out.emplace_back(name, std::string(value));
        }
        i = end + 1;
    }
    return out;
}

std::optional<uint32_t> read_css_color(std::string_view text)
{
    std::string_view s = trimmed(text);
    static const std::array<std::pair<std::string_view, uint32_t>, 18> names{{
        {"black", 0x000000},  {"white", 0xFFFFFF}, {"red", 0xFF0000},    {"green", 0x008000},
        {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"gray", 0x808080},  {"grey", 0x808080},
        {"silver", 0xC0C0C0}, {"maroon", 0x800000}, {"navy", 0x000080},  {"purple", 0x800080},
        {"teal", 0x008080},   {"olive", 0x808000},  {"lime", 0x00FF00},  {"aqua", 0x00FFFF},
        {"fuchsia", 0xFF00FF}, {"orange", 0xFFA500},
    }};
    const std::string name = ascii_lowered(s);
    for (const auto& [n, v] : names)
        if (name == n)
            return v;
    if (!s.empty() && s.front() == '#')
        s.remove_prefix(1);
    if (s.size() != 6 && s.size() != 3)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : s) {
        const char l = ascii_lower(c);
        uint32_t d;
        if (l >= '0' && l <= '9')
            d = static_cast<uint32_t>(l - '0');
        else if (l >= 'a' && l <= 'f')
            d = static_cast<uint32_t>(l - 'a' + 10);
        else
            return std::nullopt;
        value = value * 16 + d;
        if (s.size() == 3)
            value = value * 16 + d; // #RGB is #RRGGBB
    }
    return value;
}

std::optional<int> read_css_pixels(std::string_view text)
{
    std::string_view s = trimmed(text);
    if (s.size() > 2 && ascii_lowered(s.substr(s.size() - 2)) == "px")
        s.remove_suffix(2);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 7)
        return std::nullopt;
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

bool BodyStyle::set(std::string_view member, std::string_view value)
{
    const std::string key = member_key(member);
    const std::string_view v = value_of(value);
    if (key == "overflow" || key == "overflowx" || key == "overflowy") {
        const std::optional<Overflow> o = read_overflow(v);
        if (!o)
            return false;
        if (key != "overflowy")
            overflow_x = *o;
        if (key != "overflowx")
            overflow_y = *o;
    } else if (key == "border") {
        const std::optional<Border> b = read_border(v);
        if (!b)
            return false;
        border = *b;
    } else if (key == "margin") {
        std::vector<int> values;
        const bool read = each_word(v, [&](std::string_view token) {
            const std::optional<int> px = read_css_pixels(token);
            if (!px || *px < 0 || values.size() == 4)
                return false;
            values.push_back(*px);
            return true;
        });
        if (!read || values.empty())
            return false;
        // top, right, bottom, left, the missing ones copied as CSS does
        margin_top = values[0];
        margin_right = values.size() > 1 ? values[1] : values[0];
        margin_bottom = values.size() > 2 ? values[2] : values[0];
        margin_left = values.size() > 3 ? values[3] : margin_right;
    } else if (key == "backgroundcolor" || key == "background") {
        const std::optional<uint32_t> c = read_css_color(v);
        if (!c)
            return false;
        background = *c;
    } else {
        return false;
    }
    texts_[key == "background" ? "backgroundcolor" : key] = std::string(v);
    if (key == "overflow") {
        texts_["overflowx"] = std::string(v);
        texts_["overflowy"] = std::string(v);
    }
    return true;
}

std::optional<std::string> BodyStyle::get(std::string_view member) const
{
    std::string key = member_key(member);
    if (key == "background")
        key = "backgroundcolor";
    if (key != "overflow" && key != "overflowx" && key != "overflowy" && key != "border" && key != "margin" &&
        key != "backgroundcolor")
        return std::nullopt;
    auto it = texts_.find(key);
    return it == texts_.end() ? std::string() : it->second;
}

MoviePage read_movie_page(std::string_view page)
{
    MoviePage out;
    for (const HtmlTag& tag : read_html_tags(page)) {
        if (tag.name == "body" && !out.has_body) {
            out.has_body = true;
            BodyStyle& body = out.body;
            if (const std::string* c = tag.attribute("bgcolor"))
                if (auto color = read_css_color(*c))
                    body.background = *color;
            if (const std::string* s = tag.attribute("scroll"); s && ascii_lowered(*s) == "no")
                body.set("overflow", "hidden");
            if (const std::string* m = tag.attribute("leftmargin"))
                body.margin_left = pixels_or_zero(m);
            if (const std::string* m = tag.attribute("topmargin"))
                body.margin_top = pixels_or_zero(m);
            if (const std::string* m = tag.attribute("rightmargin"))
                body.margin_right = pixels_or_zero(m);
            if (const std::string* m = tag.attribute("bottommargin"))
                body.margin_bottom = pixels_or_zero(m);
            if (const std::string* style = tag.attribute("style"))
                for (const auto& [name, value] : read_css_declarations(*style))
                    body.set(name, value);
        } else if (tag.name == "embed" && !out.movie) {
            const std::string* src = tag.attribute("src");
            if (!src || trimmed(*src).empty())
                continue;
            MoviePage::Movie movie;
            movie.source = std::string(trimmed(*src));
            movie.width = pixels_or_zero(tag.attribute("width"));
            movie.height = pixels_or_zero(tag.attribute("height"));
            if (const std::string* scale = tag.attribute("scale"))
                movie.scale = ascii_lowered(trimmed(*scale));
            out.movie = std::move(movie);
        }
    }
    return out;
}

} // namespace platform

namespace platform {

bool run_body_style_script(std::string_view code, std::string_view language, BodyStyle& style)
{
    const std::string lang = ascii_lowered(trimmed(language));
    if (!lang.empty() && lang != "javascript" && lang != "jscript")
        return false;
    size_t i = 0;
    const size_t n = code.size();
    auto skip_blanks = [&] {
        while (i < n && is_space(code[i]))
            ++i;
    };
    auto identifier = [&]() -> std::string {
        skip_blanks();
        const size_t start = i;
        while (i < n && (is_letter(code[i]) || code[i] == '_' || code[i] == '$' ||
                         (i > start && code[i] >= '0' && code[i] <= '9')))
            ++i;
        return std::string(code.substr(start, i - start));
    };
    auto expect = [&](char c) {
        skip_blanks();
        if (i < n && code[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    for (;;) {
        skip_blanks();
        while (i < n && code[i] == ';') {
            ++i;
            skip_blanks();
        }
        if (i >= n)
            return true;
        // document . body . style . member
        static const char* const path[] = {"document", "body", "style"};
        for (const char* part : path)
            if (identifier() != part || !expect('.'))
                return false;
        const std::string member = identifier();
        if (member.empty() || !expect('='))
            return false;
        skip_blanks();
        if (i >= n || (code[i] != '\'' && code[i] != '"'))
            return false;
        const char quote = code[i++];
        std::string value;
        for (;;) {
            if (i >= n)
                return false; // the text never ends
            const char c = code[i++];
            if (c == quote)
                break;
            if (c == '\\') {
                if (i >= n)
                    return false;
                value += code[i++];
                continue;
            }
            value += c;
        }
        skip_blanks();
        if (i < n && code[i] != ';')
            return false;
        if (!style.set(member, value))
            return false;
    }
}

} // namespace platform
