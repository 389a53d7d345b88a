#pragma once
// A small HTML reader for the pages the web browser control opens: the start
// tags with their attributes, the body's look (background, margins, border,
// overflow) and the movie the page embeds. No toolkit types: bytes in, a
// page description out; anything it does not understand is skipped.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct HtmlTag {
    std::string name; // lower case
    std::vector<std::pair<std::string, std::string>> attributes; // names lower case, values unquoted
    // The first attribute of that name, or null.
    const std::string* attribute(std::string_view attribute_name) const;
};

// Start tags in document order. Comments, declarations, end tags, text and
// the content of script and style elements are skipped; character
// references in attribute values are decoded. At most kMaxHtmlTags tags.
inline constexpr size_t kMaxHtmlTags = 4096;
std::vector<HtmlTag> read_html_tags(std::string_view page);

// CSS pieces, as style attributes and script writes give them. A value may
// end in one ';'.
std::vector<std::pair<std::string, std::string>> read_css_declarations(std::string_view text);
// "#RRGGBB", "#RGB", "RRGGBB" or a basic colour name; 0xRRGGBB.
std::optional<uint32_t> read_css_color(std::string_view text);
// A whole number of pixels ("12", "12px"); nullopt for anything else.
std::optional<int> read_css_pixels(std::string_view text);

enum class Overflow { Visible, Auto, Hidden, Scroll };
enum class BorderStyle { None, Solid, Dotted, Dashed, Double, Inset, Outset, Ridge, Groove };

struct Border {
    int width = 2;
    BorderStyle style = BorderStyle::Inset;
    uint32_t color = 0x808080;
    bool shown() const { return width > 0 && style != BorderStyle::None; }
};

// The body's style as a script sees it (style.overflow, style.border, ...)
// and as the control lays the page out. Defaults are those of a page with
// no style: margins of 15 and 10 pixels, a 2-pixel sunken border, scroll
// bars when the content does not fit.
class BodyStyle {
public:
    Overflow overflow_x = Overflow::Auto;
    Overflow overflow_y = Overflow::Auto;
    Border border;
    int margin_top = 15, margin_right = 10, margin_bottom = 15, margin_left = 10;
    std::optional<uint32_t> background; // 0xRRGGBB

    // Member names as scripts write them ("overflowX") or as style sheets do
    // ("overflow-x"). False for a member it does not know or a value it
    // cannot read; the style is then unchanged.
    bool set(std::string_view member, std::string_view value);
    // The text last set for a member ("" when never set); nullopt for a
    // member it does not know.
    std::optional<std::string> get(std::string_view member) const;

private:
    std::map<std::string, std::string> texts_;
};

// What a page asks the control to show.
struct MoviePage {
    BodyStyle body;
    bool has_body = false;
    struct Movie {
        std::string source;    // as written in the page
        int width = 0;         // pixels; 0 when not given
        int height = 0;
        std::string scale;     // "showall", "noborder", "exactfit" ("" = showall)
    };
    std::optional<Movie> movie; // the first embed with a source
};

MoviePage read_movie_page(std::string_view page);

} // namespace platform

namespace platform {

// Runs a script on a page's body style, as the document window's execScript
// does. Only statements of the form document.body.style.<member> = '<text>'
// (either quote, ';' between them) are understood. False at the first
// statement it cannot run (earlier ones keep their effect) and for a
// language other than JavaScript / JScript (or none).
bool run_body_style_script(std::string_view code, std::string_view language, BodyStyle& style);

} // namespace platform
