#include "runtime/files.h"

#include "runtime/core/open_regular.h"

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

namespace files {

// Opens and refuses anything that is not a regular file. O_NONBLOCK keeps
// the open itself from waiting: an operator's named pipe or device in place
// of a picture must read as missing, not hang the program. It changes
// nothing for a regular file.
int open_regular(const std::string& path, int flags, struct stat* st_out)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (st_out)
        *st_out = st;
    return fd;
}

} // namespace files

using files::open_regular;

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
    // Truncated only once it is known to be a regular file.
    const int fd = open_regular(p, O_WRONLY | O_CREAT);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, 0) == 0;
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
    // Both ends are opened as regular files only: a pipe put in place of
    // either between the checks above and here must not hang the copy.
    struct stat st {};
    const int in = open_regular(from, O_RDONLY, &st);
    if (in < 0)
        return false;
    const int out = open_regular(to, O_WRONLY | O_CREAT);
    if (out < 0) {
        ::close(in);
        return false;
    }
    // The copy takes the source's permissions, as the platform's copy does.
    bool ok = ::fchmod(out, st.st_mode & 07777) == 0 && ::ftruncate(out, 0) == 0;
    uint8_t buf[65536];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        ok = write_all(out, buf, static_cast<size_t>(n));
    }
    ::close(in);
    return ::close(out) == 0 && ok;
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
