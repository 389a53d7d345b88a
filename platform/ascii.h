#pragma once
// ASCII case folding: the platform's names (window classes, registry keys,
// page tags) match without regard to ASCII case and leave other bytes alone.

#include <string>
#include <string_view>

namespace platform {

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal, or a prefix, but for ASCII case.
inline bool ascii_same(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}
inline bool ascii_starts_with(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && ascii_same(s.substr(0, prefix.size()), prefix);
}

inline std::string ascii_lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = ascii_lower(c);
    return out;
}

} // namespace platform
