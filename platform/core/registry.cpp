#include "platform/registry.h"

#include "platform/ascii.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace platform {
namespace {


using Key = std::pair<int, std::string>; // root, folded key path
using Values = std::map<std::string, std::string>; // folded name -> value

struct Store {
    std::mutex mutex;
    std::map<Key, Values> keys;
};

// The user's cache folder by the XDG rules; empty when there is none. A
// relative XDG_CACHE_HOME is not valid and is ignored.
std::string user_cache_folder()
{
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.cache";
    return {};
}

Store& store()
{
    static Store* s = [] {
        auto* st = new Store;
        const std::string cache = user_cache_folder();
        if (!cache.empty())
            st->keys[{static_cast<int>(RegistryRoot::CurrentUser), ascii_lowered(kShellFoldersKey)}]["cache"] =
                cache + "/prizedraw/Temporary Internet Files";
        return st;
    }();
    return *s;
}

// Key paths compare without leading or trailing separators.
std::string key_id(std::string_view key)
{
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return ascii_lowered(key);
}

} // namespace

std::optional<std::string> registry_read_text(RegistryRoot root, std::string_view key, std::string_view name)
{
    Store& s = store();
    const std::lock_guard lock(s.mutex);
    auto k = s.keys.find({static_cast<int>(root), key_id(key)});
    if (k == s.keys.end())
        return std::nullopt;
    auto v = k->second.find(ascii_lowered(name));
    if (v == k->second.end())
        return std::nullopt;
    return v->second;
}

void registry_write_text(RegistryRoot root, std::string_view key, std::string_view name, std::string_view value)
{
    Store& s = store();
    const std::lock_guard lock(s.mutex);
    s.keys[{static_cast<int>(root), key_id(key)}][ascii_lowered(name)] = std::string(value);
}

bool registry_delete_value(RegistryRoot root, std::string_view key, std::string_view name)
{
    Store& s = store();
    const std::lock_guard lock(s.mutex);
    auto k = s.keys.find({static_cast<int>(root), key_id(key)});
    return k != s.keys.end() && k->second.erase(ascii_lowered(name)) > 0;
}

} // namespace platform
