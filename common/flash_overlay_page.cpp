#include "common/flash_overlay_page.h"

#include <array>

#include "common/descramble.h"
#include "runtime/convert.h"
#include "runtime/registry.h"
#include "runtime/text.h"

namespace {

// The page, in GBK. The placeholders are written as their GBK bytes: 名字
// C3FB D7D6, 宽度 BFED B6C8, 高度 B8DF B6C8, 颜色 D1D5 C9AB. The margins,
// border and scroll bars are switched off here, so the movie fills the
// covered window exactly and the colour key leaves nothing of the page.
constexpr char kPlainTemplate[] =
    "<html>\r\n"
    "<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
    "</head>\r\n"
    "<body bgcolor=\"" "\xD1\xD5\xC9\xAB" "\" style=\"margin:0px; border:0px none; overflow:hidden\">\r\n"
    "<embed src=\"" "\xC3\xFB\xD7\xD6" ".swf\" width=\"" "\xBF\xED\xB6\xC8" "\" height=\"" "\xB8\xDF\xB6\xC8"
    "\" scale=\"showall\">\r\n"
    "</body>\r\n"
    "</html>\r\n";

constexpr size_t kPlainSize = sizeof(kPlainTemplate) - 1;
constexpr std::array<uint8_t, 8> kHeader{0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x6B, 0x08, 0xF4};

// Header and payload, the payload run through the descrambler once: the
// compiler stores only the scrambled form.
consteval std::array<uint8_t, 8 + kPlainSize> scrambled_template()
{
    std::array<uint8_t, 8 + kPlainSize> in{};
    for (size_t i = 0; i < 8; ++i)
        in[i] = kHeader[i];
    for (size_t i = 0; i < kPlainSize; ++i)
        in[8 + i] = static_cast<uint8_t>(kPlainTemplate[i]);
    std::array<uint8_t, kDescrambleDefaultKey.size()> key{};
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(kDescrambleDefaultKey[i]);
    std::array<uint8_t, 8 + kPlainSize> out{};
    for (size_t i = 0; i < 8; ++i)
        out[i] = kHeader[i];
    descramble_raw(in.data(), in.size(), key.data(), key.size(), out.data() + 8);
    return out;
}

constexpr auto kStoredTemplate = scrambled_template();

std::string hex2(uint32_t byte)
{
    const char* digits = "0123456789ABCDEF";
    return {digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
}

} // namespace

std::string color_to_html(uint32_t colour)
{
    return "#" + hex2(colour & 0xFF) + hex2((colour >> 8) & 0xFF) + hex2((colour >> 16) & 0xFF);
}

const Bytes& movie_page_template()
{
    static const Bytes stored(kStoredTemplate.begin(), kStoredTemplate.end());
    return stored;
}

std::string fill_movie_page(std::string_view page_template, int64_t n, int32_t width, int32_t height, uint32_t colour)
{
    std::string page = rt_replace_text(page_template, "名字", "plimb-" + rt_to_text(n), 1, -1, true);
    page = rt_replace_text(page, "宽度", rt_to_text(width), 1, -1, true);
    page = rt_replace_text(page, "高度", rt_to_text(height), 1, -1, true);
    return rt_replace_text(page, "颜色", color_to_html(colour), 1, -1, true);
}

std::string movie_folder()
{
    const std::string cache =
        rt_registry_read_text(3, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Cache");
    return rt_replace_text(cache, "Temporary Internet Files", "Temp", 1, -1, true) + "\\";
}

bool movie_folder_usable(std::string_view folder)
{
    return folder.find_first_not_of("/\\") != std::string_view::npos;
}
