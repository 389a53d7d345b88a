#pragma once
// The fireworks movie and its page go below the browser cache that the
// registry's "Cache" value names. Tests point that value where they need it
// and leave it as they found it.

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <system_error>

#include "platform/registry.h"
#include "tests/support/temp_dir.h"

// Puts the value back (or removes it, when there was none) at the end.
class CacheValueGuard {
public:
    CacheValueGuard() : saved_(get()) {}
    ~CacheValueGuard()
    {
        if (saved_)
            set(*saved_);
        else
            remove();
    }
    CacheValueGuard(const CacheValueGuard&) = delete;
    CacheValueGuard& operator=(const CacheValueGuard&) = delete;

    // The value as it stood before the test.
    const std::optional<std::string>& saved() const { return saved_; }

    static std::optional<std::string> get()
    {
        return platform::registry_read_text(platform::RegistryRoot::CurrentUser, platform::kShellFoldersKey, "Cache");
    }
    static void set(const std::string& value)
    {
        platform::registry_write_text(platform::RegistryRoot::CurrentUser, platform::kShellFoldersKey, "Cache", value);
    }
    static void remove()
    {
        platform::registry_delete_value(platform::RegistryRoot::CurrentUser, platform::kShellFoldersKey, "Cache");
    }

private:
    std::optional<std::string> saved_;
};

// A cache of the test's own, in a fresh folder; the movies land in its Temp
// folder.
class OwnMovieCache {
public:
    OwnMovieCache() { CacheValueGuard::set(dir_.path() + "/Temporary Internet Files"); }

    const std::string& path() const { return dir_.path(); }
    std::string movie_folder() const { return dir_.path() + "/Temp"; }
    // The names of the files in the movie folder.
    std::set<std::string> files() const
    {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(movie_folder(), ec))
            names.insert(e.path().filename().string());
        return names;
    }

private:
    CacheValueGuard guard_;
    TempDir dir_;
};
