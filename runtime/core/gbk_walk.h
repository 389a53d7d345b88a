#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// Walking GBK bytes one character at a time. The structure alone decides:
// a lead byte 0x81..0xFE followed by a trail byte 0x40..0xFE (not 0x7F) is
// one double-byte character, assigned or not; anything else is one byte.
namespace gbk {

inline bool is_lead(uint8_t b) { return b >= 0x81 && b <= 0xFE; }
inline bool is_trail(uint8_t b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Length (1 or 2) of the character that starts at byte i of s.
inline size_t char_length(std::string_view s, size_t i)
{
    if (i + 1 < s.size() && is_lead(static_cast<uint8_t>(s[i])) && is_trail(static_cast<uint8_t>(s[i + 1])))
        return 2;
    return 1;
}

} // namespace gbk
