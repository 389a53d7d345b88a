#include "platform/imagehlp.h"

#include <filesystem>
#include <string>
#include <system_error>

bool MakeSureDirectoryPathExists(const char* path)
{
    if (!path || !*path)
        return false;
    std::string p(path);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    const size_t last = p.rfind('/');
    if (last == std::string::npos)
        return true; // a bare file name: no folder to make
    const std::filesystem::path folder = last == 0 ? std::filesystem::path("/") : std::filesystem::path(p.substr(0, last));
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}
