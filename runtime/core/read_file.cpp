// Reading whole files. The wheel reads a camera picture at every step; when
// its bytes have not changed, the byte set of the last read comes back, so
// the picture is held once and the picture cache knows it by its buffer.
// The file is still read whole every time, compared as it comes in.

#include "runtime/files.h"

#include "runtime/core/open_regular.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>
#include <span>
#include <string>
#include <utility>

namespace {

constexpr size_t kChunk = size_t(64) << 10;
constexpr size_t kRemembered = 16;

// Asks for the pages of a fresh buffer in one go: taking them one fault at
// a time costs more than reading a camera picture's bytes into them.
void prefault(uint8_t* data, size_t size)
{
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) / page * page;
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE); // a hint: failure is fine
#else
    (void)data;
    (void)size;
#endif
}

// `head` and `tail`, read from the file already, and the rest of it. The
// bytes go straight into the buffer the byte set keeps; one byte more than
// the expected size lets the read that finds the end go without growing it.
Bytes read_on(int fd, size_t expected, std::span<const uint8_t> head, std::span<const uint8_t> tail)
{
    const size_t capacity = std::max(expected, head.size() + tail.size()) + 1;
    bool ok = true;
    Bytes data = Bytes::filled(capacity, [&](uint8_t* buffer, size_t size) {
        prefault(buffer, size);
        std::copy(head.begin(), head.end(), buffer);
        std::copy(tail.begin(), tail.end(), buffer + head.size());
        size_t used = head.size() + tail.size();
        while (ok && used < size) {
            const ssize_t n = ::read(fd, buffer + used, size - used);
            if (n == 0)
                break;
            if (n < 0)
                ok = errno == EINTR;
            else
                used += static_cast<size_t>(n);
        }
        return used;
    });
    // The file grew while we read.
    while (ok && data.size() == capacity) {
        uint8_t more[kChunk];
        const ssize_t n = ::read(fd, more, sizeof more);
        if (n == 0)
            break;
        if (n < 0)
            ok = errno == EINTR;
        else
            data.insert(data.cend(), more, more + n);
    }
    return ok ? data : Bytes();
}

// The file, read and compared with what an earlier read gave: that byte set
// itself when nothing changed.
Bytes read_against(int fd, size_t expected, const Bytes& earlier)
{
    uint8_t chunk[kChunk];
    size_t same = 0;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Bytes();
        }
        const auto got = static_cast<size_t>(n);
        if (got == 0)
            return same == earlier.size() ? earlier : Bytes(earlier.begin(), earlier.begin() + ptrdiff_t(same));
        if (got > earlier.size() - same || std::memcmp(chunk, earlier.data() + same, got) != 0)
            return read_on(fd, expected, {earlier.data(), same}, {chunk, got});
        same += got;
    }
}

// The byte sets the last reads of a few files gave, while something else
// still holds them: a set nobody holds any more is not kept alive here.
class LastReads {
public:
    Bytes recall(const std::string& path)
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(reads_, [](const auto& r) { return r.second.use_count() <= 1; });
        for (const auto& [p, bytes] : reads_)
            if (p == path)
                return bytes;
        return Bytes();
    }

    void remember(const std::string& path, const Bytes& bytes)
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(reads_, [&](const auto& r) { return r.first == path; });
        if (bytes.empty())
            return;
        reads_.emplace_front(path, bytes);
        if (reads_.size() > kRemembered)
            reads_.pop_back();
    }

private:
    std::mutex mutex_;
    std::list<std::pair<std::string, Bytes>> reads_; // most recent first
};

LastReads& last_reads()
{
    static auto* reads = new LastReads;
    return *reads;
}

} // namespace

Bytes rt_read_file(std::string_view path)
{
    const std::string native = rt_native_path(path);
    struct stat st {};
    const int fd = files::open_regular(native, O_RDONLY, &st);
    if (fd < 0)
        return Bytes();
    const size_t expected = st.st_size > 0 ? static_cast<size_t>(st.st_size) : kChunk;
    const Bytes earlier = last_reads().recall(native);
    Bytes data = !earlier.empty() && earlier.size() == expected ? read_against(fd, expected, earlier)
                                                                : read_on(fd, expected, {}, {});
    ::close(fd);
    last_reads().remember(native, data);
    return data;
}
