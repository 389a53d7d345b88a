#include "runtime/ui/sound_decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mpg123.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace sound::detail {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct HandleDeleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

Handle new_decoder()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int error = MPG123_OK;
    Handle h(mpg123_new(nullptr, &error));
    if (!h)
        return nullptr;
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Junk between frames is searched only this far before giving up.
    mpg123_param(h.get(), MPG123_RESYNC_LIMIT, 16 * 1024, 0.0);
    if (mpg123_format_none(h.get()) != MPG123_OK
        || mpg123_format2(h.get(), 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK
        || mpg123_open_feed(h.get()) != MPG123_OK)
        return nullptr;
    return h;
}

// Calls that neither take input nor give output, in a row, before the
// decoder is taken to be stuck.
constexpr int kStuckLimit = 1000;
// Input read without a single sample coming out before the file is taken
// for something else than sound; generous for a tag with a big picture.
constexpr size_t kSilentInputLimit = 8 * 1024 * 1024;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
         | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

bool decode_mp3_file(const std::string& path, const PcmReceiver& receive)
{
    // Non-blocking, so a name that turns out to be a pipe cannot hang us;
    // only regular files are read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    Handle h = new_decoder();
    if (!h)
        return true;

    std::array<unsigned char, 16 * 1024> in{};
    std::array<int16_t, 4608> out{};
    std::optional<PcmFormat> format;
    bool input_done = false;
    int stuck = 0;
    size_t silent_input = 0;
    while (stuck < kStuckLimit) {
        size_t done = 0;
        const int rc = mpg123_read(h.get(), out.data(), sizeof out, &done);
        if (done > 0)
            silent_input = 0;
        if (done > 0 && format) {
            const size_t frames = done / sizeof(int16_t) / static_cast<size_t>(format->channels);
            if (!receive(*format, out.data(), frames))
                return false;
        }
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            if (mpg123_getformat(h.get(), &rate, &channels, &encoding) != MPG123_OK
                || encoding != MPG123_ENC_SIGNED_16 || channels < 1 || channels > 2 || rate <= 0)
                return true;
            format = PcmFormat{static_cast<int>(rate), channels};
        } else if (rc == MPG123_NEED_MORE) {
            if (input_done)
                return true;
            const ssize_t got = ::read(fd.get(), in.data(), in.size());
            if (got <= 0) {
                input_done = true;
                continue;
            }
            silent_input += static_cast<size_t>(got);
            if (silent_input > kSilentInputLimit)
                return true;
            if (mpg123_feed(h.get(), in.data(), static_cast<size_t>(got)) != MPG123_OK)
                return true;
            stuck = 0;
            continue;
        } else if (rc != MPG123_OK) {
            // MPG123_DONE, or a stream the decoder gave up on.
            return true;
        }
        stuck = done > 0 ? 0 : stuck + 1;
    }
    return true;
}

std::optional<Pcm> parse_wave(const Bytes& wave)
{
    const size_t size = wave.size();
    const uint8_t* p = wave.data();
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return std::nullopt;

    std::optional<PcmFormat> format;
    int bits = 0;
    const uint8_t* data = nullptr;
    size_t data_size = 0;
    for (size_t at = 12; at + 8 <= size;) {
        const uint8_t* chunk = p + at;
        const size_t body = at + 8;
        const size_t length = std::min<size_t>(le32(chunk + 4), size - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16)
                return std::nullopt;
            const uint8_t* f = p + body;
            uint16_t tag = le16(f);
            const int channels = le16(f + 2);
            const uint32_t rate = le32(f + 4);
            bits = le16(f + 14);
            // WAVE_FORMAT_EXTENSIBLE names its real format in the sub-format.
            if (tag == 0xFFFE && length >= 40)
                tag = le16(f + 24);
            if (tag != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2
                || rate == 0 || rate > 768'000)
                return std::nullopt;
            format = PcmFormat{static_cast<int>(rate), channels};
        } else if (std::memcmp(chunk, "data", 4) == 0 && !data) {
            data = p + body;
            data_size = length;
        }
        // Chunks are padded to an even length.
        at = body + length + (length & 1);
    }
    if (!format || !data)
        return std::nullopt;

    Pcm pcm;
    pcm.format = *format;
    const size_t sample_bytes = static_cast<size_t>(bits / 8);
    const size_t frame_bytes = sample_bytes * static_cast<size_t>(format->channels);
    const size_t frames = data_size / frame_bytes;
    if (frames == 0)
        return std::nullopt;
    pcm.samples.resize(frames * static_cast<size_t>(format->channels));
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        pcm.samples[i] = sample_bytes == 1
            ? static_cast<int16_t>((data[i] - 128) * 256)
            : static_cast<int16_t>(le16(data + 2 * i));
    }
    return pcm;
}

} // namespace sound::detail
