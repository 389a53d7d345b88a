#pragma once
// The browser overlay's page and folder, without windows: the stored page
// template, the colour as a page writes it, and the folder the movie and
// page files go to.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/types.h"

// "#RRGGBB" of a colour 0x00BBGGRR; the top byte is ignored.
std::string color_to_html(uint32_t colour);

// The page template as stored: scrambled under the default key text. Its
// text carries the placeholders "名字" (movie base name), "宽度" (width),
// "高度" (height) and "颜色" (background colour).
const Bytes& movie_page_template();

// The page with its placeholders filled: the movie "plimb-<n>.swf" beside
// the page, width x height pixels, on the colour. UTF-8.
std::string fill_movie_page(std::string_view page_template, int64_t n, int32_t width, int32_t height,
                            uint32_t colour);

// The folder named by the current user's "Cache" shell folder with every
// "Temporary Internet Files" replaced by "Temp", and "\" appended.
std::string movie_folder();
// A folder that is only separators (the file-system root, which a missing
// registry value gives) is no place for our files.
bool movie_folder_usable(std::string_view folder);
