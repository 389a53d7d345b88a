#include "runtime/ini.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "runtime/core/ini_document.h"
#include "runtime/core/utf8.h"
#include "runtime/files.h"
#include "runtime/gbk.h"

namespace {

// Texts reach the platform routines as zero-terminated strings.
std::string_view c_text(std::string_view s) { return s.substr(0, s.find('\0')); }

std::string_view skip_blanks_and_controls(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

enum class ReadResult { ok, missing, failed };

// The whole file, or why not. Anything but a regular file counts as
// unreadable; O_NONBLOCK keeps a named pipe from hanging the open.
ReadResult read_whole(const std::string& path, std::string& out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::failed;
    }
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            out.clear();
            return ReadResult::failed;
        }
    }
    ::close(fd);
    return ReadResult::ok;
}

bool write_all(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name next to the target that no one else picks: process, counter and
// clock together.
std::string temp_name_for(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const std::string folder = folder_of(target);
    return (folder == "/" ? std::string() : folder) + "/." + base_of(target) + ".tmp-"
           + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-"
           + std::to_string(ts.tv_nsec);
}

// "<pid>-<counter>-<nanoseconds>" as temp_name_for writes it: the pid, or 0
// for any other text.
pid_t writer_of(std::string_view suffix)
{
    pid_t pid = 0;
    int fields = 0;
    bool digits = false;
    for (const char c : suffix) {
        if (c >= '0' && c <= '9') {
            if (fields == 0) {
                if (pid > 99999999)
                    return 0;
                pid = pid * 10 + (c - '0');
            }
            digits = true;
        } else if (c == '-' && digits && fields < 2) {
            ++fields;
            digits = false;
        } else {
            return 0;
        }
    }
    return fields == 2 && digits ? pid : 0;
}

// Removes the temporary files of `target` that writers killed during a
// write left behind: those whose writer has gone and that have not changed
// for a minute (a write takes milliseconds), or that have not changed for a
// day whoever wrote them.
void remove_stale_temporaries(const std::string& target)
{
    const std::string folder = folder_of(target);
    const std::string prefix = "." + base_of(target) + ".tmp-";
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return;
    const time_t now = ::time(nullptr);
    while (const struct dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        const pid_t writer = writer_of(name.substr(prefix.size()));
        if (writer <= 0)
            continue;
        const std::string path = (folder == "/" ? std::string() : folder) + "/" + std::string(name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const time_t unchanged = now - st.st_mtime;
        const bool writer_gone = ::kill(writer, 0) != 0 && errno == ESRCH;
        if ((writer_gone && unchanged >= 60) || unchanged >= 24 * 60 * 60)
            (void)::unlink(path.c_str());
    }
    ::closedir(d);
}

// Overwrites the file where it stands, for a folder that takes no new file.
// Space for a longer content is taken first, so a full disk fails before a
// byte is changed.
bool write_in_place(const std::string& target, const std::string& data)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && static_cast<off_t>(data.size()) > st.st_size) {
        const int err = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(data.size())) == 0 ? 0 : errno;
        ok = err != ENOSPC && err != EDQUOT && err != EFBIG;
    }
    // Freshly opened without O_APPEND, the descriptor writes from offset 0.
    ok = ok && write_all(fd, data);
    ok = ok && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// Writes the whole content under a temporary name in the same folder, makes
// it durable, then renames it over the target, so the target always holds
// either the old or the new content.
bool replace_file(std::string target, const std::string& data)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    std::optional<struct stat> old;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0)
            return false;
        old = st;
    }

    remove_stale_temporaries(target);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = temp_name_for(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            // A folder we may not write in may still hold a file we may.
            return old && write_in_place(target, data);
    }
    if (fd < 0)
        return false;

    bool ok = true;
    if (old) {
        // Keep the owner and mode of the file we replace. Only a privileged
        // process may hand a file to another owner, so that may fail quietly.
        const bool owner_kept = ::fchown(fd, old->st_uid, old->st_gid) == 0;
        (void)owner_kept;
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    ok = ok && write_all(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }

    // Make the rename itself durable. The content is in place already, so
    // a folder that cannot be synced is no failure of the write.
    const int dir = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string default_result(std::string_view default_text)
{
    std::string_view d = c_text(default_text);
    // The platform drops trailing blanks of the default.
    while (!d.empty() && d.back() == ' ')
        d.remove_suffix(1);
    // UTF-8 never takes fewer bytes than GBK, so only a long default can
    // overflow the buffer.
    if (d.size() <= ini::kValueLimit)
        return std::string(d);
    return gbk_to_utf8(ini::cut_gbk(utf8_to_gbk(d), ini::kValueLimit));
}

} // namespace

std::string rt_read_config(std::string_view path, std::string_view section,
                           std::string_view key, std::string_view default_text)
{
    path = skip_blanks_and_controls(c_text(path));
    section = skip_blanks_and_controls(c_text(section));
    key = skip_blanks_and_controls(c_text(key));
    if (path.empty() || section.empty() || key.empty())
        return {};

    std::string bytes;
    if (read_whole(rt_native_path(path), bytes) != ReadResult::ok)
        return default_result(default_text);
    const ini::FileText file(bytes);
    if (file.encoding() == ini::Encoding::utf8) {
        const ini::Document doc(file.text(), ini::Encoding::utf8);
        const std::optional<std::string_view> value = doc.find(section, key);
        if (!value)
            return default_result(default_text);
        // What the file holds may be no UTF-8 (a stray byte, or a UTF-16
        // unit that paired with nothing): each such character reads as one
        // replacement character, as the platform reads "?".
        const bool utf16 = file.form() != ini::FileText::Form::utf8_bom;
        std::string text = utf8::make_valid(c_text(*value), utf16 ? utf8::Surrogates::allow
                                                                  : utf8::Surrogates::reject);
        // The buffer holds GBK bytes whatever the file's encoding.
        const std::string gbk = utf8_to_gbk(text);
        if (gbk.size() <= ini::kValueLimit)
            return text;
        return gbk_to_utf8(ini::cut_gbk(gbk, ini::kValueLimit));
    }
    const ini::Document doc(file.text());
    const std::optional<std::string_view> value
        = doc.find(utf8_to_gbk(section), utf8_to_gbk(key));
    if (!value)
        return default_result(default_text);
    return gbk_to_utf8(ini::cut_gbk(c_text(*value), ini::kValueLimit));
}

bool rt_write_config(std::string_view path, std::string_view section, std::string_view key,
                     std::string_view value)
{
    path = c_text(path);
    if (path.empty())
        return false;
    const std::string target = rt_native_path(path);

    std::string bytes;
    switch (read_whole(target, bytes)) {
    case ReadResult::ok:
    case ReadResult::missing:
        break;
    case ReadResult::failed:
        // Writing now would throw away every item we could not read.
        return false;
    }
    // A file keeps its encoding: a Unicode file that other editors left gets
    // its items in Unicode too, where those editors read them.
    const ini::FileText file(bytes);
    const bool unicode = file.encoding() == ini::Encoding::utf8;
    const auto in_file = [unicode](std::string_view text) {
        return unicode ? std::string(c_text(text)) : utf8_to_gbk(c_text(text));
    };
    ini::Document doc(file.text(), file.encoding());
    if (!doc.set(in_file(section), in_file(key), in_file(value)))
        return false;
    if (doc.bytes() == file.text() && !bytes.empty())
        return true;
    return replace_file(target, file.file_with(doc.bytes()));
}
