#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Reads a registry text value. Root: 1 classes root, 2 current config,
// 3 current user, 4 local machine, 5 users. The path ends in the value's
// name ("Software\...\Shell Folders\Cache"). The empty text when the root,
// the key or the value is missing.
std::string rt_registry_read_text(int32_t root, std::string_view path);
