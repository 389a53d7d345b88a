#pragma once
// The registry, as far as the programs read it: text values under a root and
// a key path. The current user's "Shell Folders" key carries a "Cache" value
// that points into this user's cache folder ($XDG_CACHE_HOME or ~/.cache);
// it is missing when neither can be found. Nothing is kept across runs.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot : int {
    ClassesRoot = 1,
    CurrentConfig = 2,
    CurrentUser = 3,
    LocalMachine = 4,
    Users = 5,
};

// Key paths use '\' between components; names of keys and values match
// without regard to ASCII case.
std::optional<std::string> registry_read_text(RegistryRoot root, std::string_view key, std::string_view name);
void registry_write_text(RegistryRoot root, std::string_view key, std::string_view name, std::string_view value);
// False when there was no such value.
bool registry_delete_value(RegistryRoot root, std::string_view key, std::string_view name);

inline constexpr std::string_view kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

} // namespace platform
