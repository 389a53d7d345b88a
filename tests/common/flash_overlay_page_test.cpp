#include "common/flash_overlay_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/descramble.h"
#include "platform/html_page.h"
#include "runtime/convert.h"
#include "runtime/gbk.h"
#include "tests/support/movie_cache.h"

namespace {

TEST(ColorToHtml, RedGreenBlueFromTheLowBytesUp)
{
    const struct {
        uint32_t colour;
        const char* html;
    } cases[] = {
        {0x000000, "#000000"},
        {0xFF8000, "#0080FF"}, // red 0, green 128, blue 255
        {0x050A0F, "#0F0A05"}, // red 15, green 10, blue 5
        {0xFF000000, "#000000"},
        {0x12ABCDEF, "#EFCDAB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(color_to_html(c.colour), c.html) << std::hex << c.colour;
}

TEST(MoviePageTemplate, DescramblesToAPageThatShowsTheNamedMovie)
{
    const Bytes& stored = movie_page_template();
    const std::string page_template = rt_to_text(descramble_bytes(stored, ""));
    for (const char* placeholder : {"名字", "宽度", "高度", "颜色"})
        EXPECT_NE(page_template.find(placeholder), std::string::npos) << placeholder;
    // Stored scrambled: none of the page's words can be read from it.
    const std::string raw(stored.begin(), stored.end());
    EXPECT_EQ(raw.find("embed"), std::string::npos);
    EXPECT_EQ(raw.find(utf8_to_gbk("名字")), std::string::npos);

    const std::string page = fill_movie_page(page_template, 4711, 1920, 1080, 0x00FF00);
    const platform::MoviePage shown = platform::read_movie_page(utf8_to_gbk(page));
    ASSERT_TRUE(shown.movie);
    EXPECT_EQ(shown.movie->source, "plimb-4711.swf");
    EXPECT_EQ(shown.movie->width, 1920);
    EXPECT_EQ(shown.movie->height, 1080);
    ASSERT_TRUE(shown.body.background);
    EXPECT_EQ(*shown.body.background, 0x00FF00u); // 0x00BBGGRR green is #00FF00
    // Nothing of the page itself may show around the movie.
    EXPECT_EQ(shown.body.margin_left + shown.body.margin_top, 0);
    EXPECT_FALSE(shown.body.border.shown());
    EXPECT_EQ(shown.body.overflow_x, platform::Overflow::Hidden);
    EXPECT_EQ(shown.body.overflow_y, platform::Overflow::Hidden);
}

TEST(MoviePageTemplate, EveryOccurrenceOfAPlaceholderIsFilled)
{
    EXPECT_EQ(fill_movie_page("名字|名字|宽度x高度|颜色|颜色", -3, 7, 8, 0x0000FF),
              "plimb--3|plimb--3|7x8|#FF0000|#FF0000");
}

class MovieFolder : public ::testing::Test {
protected:
    static void set_cache(const std::string& value) { CacheValueGuard::set(value); }

    CacheValueGuard cache_value;
};

TEST_F(MovieFolder, TemporaryInternetFilesBecomesTempWithASeparatorAppended)
{
    set_cache("/home/op/.cache/prizedraw/Temporary Internet Files");
    EXPECT_EQ(movie_folder(), "/home/op/.cache/prizedraw/Temp\\");
    set_cache("/a/Temporary Internet Files/b/Temporary Internet Files");
    EXPECT_EQ(movie_folder(), "/a/Temp/b/Temp\\");
    set_cache("/a/temporary internet files");
    EXPECT_EQ(movie_folder(), "/a/temporary internet files\\");
    EXPECT_TRUE(movie_folder_usable(movie_folder()));
}

TEST_F(MovieFolder, MissingValueGivesTheRootWhichIsNoPlaceForFiles)
{
    CacheValueGuard::remove();
    EXPECT_EQ(movie_folder(), "\\");
    EXPECT_FALSE(movie_folder_usable(movie_folder()));
    for (const char* root : {"", "/", "\\", "/\\/"})
        EXPECT_FALSE(movie_folder_usable(root)) << root;
    EXPECT_TRUE(movie_folder_usable("cache\\"));
}

TEST_F(MovieFolder, DefaultPointsIntoTheUsersCacheFolder)
{
    // The value the registry starts with (tests put back what they change).
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/')
        cache = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        cache = std::string(home) + "/.cache";
    if (cache.empty())
        GTEST_SKIP() << "no HOME and no XDG_CACHE_HOME here";
    ASSERT_TRUE(cache_value.saved());
    EXPECT_EQ(*cache_value.saved(), cache + "/prizedraw/Temporary Internet Files");
    EXPECT_EQ(movie_folder(), cache + "/prizedraw/Temp\\");
}

} // namespace
