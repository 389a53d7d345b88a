// The page reader of the browser control: tags, the body's style and the
// script statements a document window runs.
#include "platform/html_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::BodyStyle;
using platform::BorderStyle;
using platform::Overflow;

TEST(HtmlTags, AttributesInEveryQuotingAndCaseWithMarkupThatIsNoTagSkipped)
{
    const auto tags = platform::read_html_tags(
        "<!DOCTYPE html><!-- <embed src=commented> --><HTML><Body BGCOLOR='#112233' scroll=no>"
        "<script>var s = '<embed src=in-script>';</script>"
        "text <p>more</p><EMBED SRC=\"a&amp;b.swf\" width = 10 height=\"20\" quality=high />"
        "<embed src=\"never closed");
    std::vector<std::string> names;
    for (const auto& t : tags)
        names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"html", "body", "script", "p", "embed", "embed"}));
    ASSERT_NE(tags[1].attribute("bgcolor"), nullptr);
    EXPECT_EQ(*tags[1].attribute("bgcolor"), "#112233");
    EXPECT_EQ(*tags[1].attribute("scroll"), "no");
    EXPECT_EQ(*tags[4].attribute("src"), "a&b.swf");
    EXPECT_EQ(*tags[4].attribute("width"), "10");
    EXPECT_EQ(*tags[4].attribute("height"), "20");
    EXPECT_EQ(*tags[4].attribute("quality"), "high");
    EXPECT_EQ(tags[4].attribute("scale"), nullptr);
    EXPECT_EQ(*tags[5].attribute("src"), "never closed");
}

TEST(HtmlTags, EndlessInputStopsAtTheTagLimit)
{
    std::string page;
    for (size_t i = 0; i < platform::kMaxHtmlTags + 100; ++i)
        page += "<b>";
    EXPECT_EQ(platform::read_html_tags(page).size(), platform::kMaxHtmlTags);
    EXPECT_TRUE(platform::read_html_tags("<<<<>>>><=<'\"").empty());
}

struct StyleCase {
    const char* member;
    const char* value;
    bool taken;
    const char* read_back; // what get() gives afterwards
};

class BodyStyleWrites : public ::testing::TestWithParam<StyleCase> {};

TEST_P(BodyStyleWrites, TakeValidValuesOnly)
{
    const StyleCase& c = GetParam();
    BodyStyle style;
    EXPECT_EQ(style.set(c.member, c.value), c.taken);
    const auto text = style.get(c.member);
    if (c.read_back) {
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, c.read_back);
    } else {
        EXPECT_FALSE(text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Members, BodyStyleWrites,
    ::testing::Values(StyleCase{"overflow", "hidden;", true, "hidden"}, StyleCase{"overflowX", " scroll ", true, "scroll"},
                      StyleCase{"overflow-y", "auto", true, "auto"}, StyleCase{"overflow", "sideways", false, ""},
                      StyleCase{"border", "0px none #CCCCCC;", true, "0px none #CCCCCC"},
                      StyleCase{"border", "thick dashed", true, "thick dashed"},
                      StyleCase{"border", "3px wobbly", false, ""}, StyleCase{"margin", "0", true, "0"},
                      StyleCase{"margin", "1px 2px 3px 4px 5px", false, ""},
                      StyleCase{"backgroundColor", "#0f0", true, "#0f0"}, StyleCase{"color", "red", false, nullptr},
                      StyleCase{"", "x", false, nullptr}));

TEST(BodyStyle, ValuesTakeEffectAsTheLayoutReadsThem)
{
    BodyStyle s;
    EXPECT_TRUE(s.border.shown()); // a page without style has its sunken border
    EXPECT_EQ(s.overflow_x, Overflow::Auto);
    ASSERT_TRUE(s.set("overflow", "hidden"));
    EXPECT_EQ(s.overflow_x, Overflow::Hidden);
    EXPECT_EQ(s.overflow_y, Overflow::Hidden);
    EXPECT_EQ(*s.get("overflowY"), "hidden");
    ASSERT_TRUE(s.set("overflowY", "scroll"));
    EXPECT_EQ(s.overflow_x, Overflow::Hidden);
    EXPECT_EQ(s.overflow_y, Overflow::Scroll);

    ASSERT_TRUE(s.set("border", "0px none #CCCCCC;"));
    EXPECT_FALSE(s.border.shown());
    ASSERT_TRUE(s.set("border", "4px solid red"));
    EXPECT_EQ(s.border.width, 4);
    EXPECT_EQ(s.border.style, BorderStyle::Solid);
    EXPECT_EQ(s.border.color, 0xFF0000u);
    ASSERT_TRUE(s.set("border", "2px")); // no style given: none
    EXPECT_FALSE(s.border.shown());
    EXPECT_FALSE(s.set("border", "2px solid nocolour"));
    EXPECT_EQ(s.border.width, 2); // a refused value changes nothing

    ASSERT_TRUE(s.set("margin", "1px 2px"));
    EXPECT_EQ(std::vector<int>({s.margin_top, s.margin_right, s.margin_bottom, s.margin_left}),
              (std::vector<int>{1, 2, 1, 2}));
    ASSERT_TRUE(s.set("margin", "1 2 3"));
    EXPECT_EQ(std::vector<int>({s.margin_top, s.margin_right, s.margin_bottom, s.margin_left}),
              (std::vector<int>{1, 2, 3, 2}));
}

TEST(BodyStyleScript, RunsStyleAssignmentsAndRefusesAnythingElse)
{
    const struct {
        const char* code;
        const char* language;
        bool runs;
        Overflow overflow_after;
    } cases[] = {
        {"document.body.style.overflow='hidden';", "JavaScript", true, Overflow::Hidden},
        {"  document . body . style . overflowX = \"hidden\" ; document.body.style.overflowY='hidden'", "jscript",
         true, Overflow::Hidden},
        {"", "", true, Overflow::Auto},
        {"document.body.style.overflow='hidden';", "VBScript", false, Overflow::Auto},
        {"alert('hi');", "JavaScript", false, Overflow::Auto},
        {"document.body.style.overflow='hidden", "JavaScript", false, Overflow::Auto},
        {"document.body.style.overflow=hidden;", "JavaScript", false, Overflow::Auto},
        {"window.document.body.style.overflow='hidden';", "JavaScript", false, Overflow::Auto},
        {"document.body.style.overflow='hidden' + x;", "JavaScript", false, Overflow::Auto},
        {"document.body.style.colour='red';", "JavaScript", false, Overflow::Auto},
    };
    for (const auto& c : cases) {
        BodyStyle s;
        EXPECT_EQ(platform::run_body_style_script(c.code, c.language, s), c.runs) << c.code;
        EXPECT_EQ(s.overflow_x, c.overflow_after) << c.code;
    }
    // Statements before a failing one keep their effect, as in a browser.
    BodyStyle s;
    EXPECT_FALSE(platform::run_body_style_script("document.body.style.border='0px none';oops", "", s));
    EXPECT_FALSE(s.border.shown());
}

TEST(MoviePage, BodyLookAndTheFirstEmbeddedMovie)
{
    const platform::MoviePage page = platform::read_movie_page(
        "<html><body bgcolor=\"#102030\" leftmargin=3 topmargin=4 style=\"border:1px solid black\">"
        "<embed width=5 height=6>"
        "<embed src=\" movie.swf \" width=\"300px\" height=\"abc\" scale=\"NoBorder\">"
        "<embed src=\"second.swf\"></body></html>");
    EXPECT_TRUE(page.has_body);
    EXPECT_EQ(page.body.background, 0x102030u);
    EXPECT_EQ(page.body.margin_left, 3);
    EXPECT_EQ(page.body.margin_top, 4);
    EXPECT_EQ(page.body.border.style, BorderStyle::Solid);
    ASSERT_TRUE(page.movie);
    EXPECT_EQ(page.movie->source, "movie.swf");
    EXPECT_EQ(page.movie->width, 300);
    EXPECT_EQ(page.movie->height, 0); // not a size: the movie's own
    EXPECT_EQ(page.movie->scale, "noborder");

    EXPECT_FALSE(platform::read_movie_page("<body bgcolor=black></body>").movie);
    EXPECT_FALSE(platform::read_movie_page("").has_body);
    EXPECT_EQ(platform::read_movie_page("<body scroll=\"NO\">").body.overflow_y, Overflow::Hidden);
}

} // namespace
