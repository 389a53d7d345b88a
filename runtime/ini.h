#pragma once
#include <string>
#include <string_view>

// One INI item, read and written the way the Windows private-profile
// routines would: GBK on disk, names matched without regard to ASCII case,
// blanks around names and values ignored. Arguments and results are UTF-8.
std::string rt_read_config(std::string_view path, std::string_view section,
                           std::string_view key, std::string_view default_text = "");
// Writes one item, keeping every other line; the file is replaced
// atomically. False when the file could not be written.
bool rt_write_config(std::string_view path, std::string_view section,
                     std::string_view key, std::string_view value);
