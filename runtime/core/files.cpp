#include "runtime/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

std::mutex run_dir_mutex;
std::string run_dir;
bool run_dir_known = false;

std::string strip_trailing_separators(std::string dir)
{
    while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    return dir;
}

std::string executable_dir()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::string();
    return strip_trailing_separators(exe.parent_path().string());
}

bool write_all(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string rt_get_run_dir()
{
    const std::lock_guard lock(run_dir_mutex);
    if (!run_dir_known) {
        run_dir = executable_dir();
        run_dir_known = true;
    }
    return run_dir;
}

void rt_set_run_dir(std::string dir)
{
    const std::lock_guard lock(run_dir_mutex);
    run_dir = strip_trailing_separators(rt_native_path(dir));
    run_dir_known = true;
}

std::string rt_native_path(std::string_view path)
{
    std::string p(path);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    // Windows file names ignore trailing blanks, and stored settings carry
    // names such as "a.mp3 ". Only the last component can end the text, so
    // only its blanks go.
    while (!p.empty() && p.back() == ' ')
        p.pop_back();
    return p;
}

bool rt_file_exists(std::string_view path)
{
    const std::string p = rt_native_path(path);
    struct stat st {};
    return !p.empty() && ::stat(p.c_str(), &st) == 0;
}

bool rt_write_file(std::string_view path, const Bytes& data) { return rt_write_file(path, std::vector<Bytes>{data}); }

bool rt_write_file(std::string_view path, const std::vector<Bytes>& parts)
{
    const std::string p = rt_native_path(path);
    if (p.empty())
        return false;
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    for (const Bytes& part : parts)
        ok = ok && write_all(fd, part.data(), part.size());
    return ::close(fd) == 0 && ok;
}

bool rt_copy_file(std::string_view source, std::string_view target)
{
    const std::string from = rt_native_path(source);
    const std::string to = rt_native_path(target);
    struct stat src {};
    if (from.empty() || to.empty() || ::stat(from.c_str(), &src) != 0 || !S_ISREG(src.st_mode))
        return false;
    // Copying a file onto itself would truncate it before reading it.
    struct stat dst {};
    if (::stat(to.c_str(), &dst) == 0 && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
        return true;
    std::error_code ec;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec) && !ec;
}

bool rt_delete_file(std::string_view path)
{
    const std::string p = rt_native_path(path);
    return !p.empty() && ::unlink(p.c_str()) == 0;
}

bool rt_create_directory(std::string_view path)
{
    const std::string p = rt_native_path(path);
    if (p.empty())
        return false;
    if (::mkdir(p.c_str(), 0777) == 0)
        return true;
    struct stat st {};
    return errno == EEXIST && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
