#pragma once
// ASCII case folding: the platform's names (window classes, registry keys,
// page tags) match without regard to ASCII case and leave other bytes alone.

#include <string>
#include <string_view>

namespace platform {

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ascii_lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = ascii_lower(c);
    return out;
}

} // namespace platform
