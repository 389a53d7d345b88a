#include "common/cipher.h"

#include <array>
#include <utility>

#include "runtime/gbk.h"
#include "runtime/random.h"
#include "runtime/text.h"

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The permutation and its keystream. Indices are 1-based and every update
// adds one more, so this is not RC4: stored texts depend on every +1 here.
class Keystream {
public:
    explicit Keystream(std::string_view key)
    {
        std::array<int, 257> k{};
        const size_t length = key.size();
        size_t p = 1;
        for (int i = 1; i <= 256; ++i) {
            s_[static_cast<size_t>(i)] = static_cast<uint8_t>(i - 1);
            if (p > length)
                p = 1;
            // An empty key reads as zero bytes, as the runtime's byte at a
            // position past the end would.
            k[static_cast<size_t>(i)] = length == 0 ? 0 : static_cast<uint8_t>(key[p - 1]);
            ++p;
        }
        int j = 0;
        for (int i = 1; i <= 256; ++i) {
            j = (j + s_[static_cast<size_t>(i)] + k[static_cast<size_t>(i)]) % 256 + 1;
            std::swap(s_[static_cast<size_t>(i)], s_[static_cast<size_t>(j)]);
        }
    }

    uint8_t next()
    {
        i_ = (i_ + 1) % 256 + 1; // even positions only: 2, 4, ..., 256, 2, ...
        j_ = (j_ + s_[i_]) % 256 + 1;
        std::swap(s_[i_], s_[j_]);
        const size_t t = static_cast<size_t>((s_[i_] + s_[j_]) % 256 + 1);
        return s_[t];
    }

private:
    std::array<uint8_t, 257> s_{};
    size_t i_ = 0;
    size_t j_ = 0;
};

int digit_of(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z')
        return u - 'A';
    if (u >= 'a' && u <= 'z')
        return u - 'a';
    return -2;
}

} // namespace

std::string byte_to_letters(uint8_t v)
{
    return {kAlphabet[v >> 4], kAlphabet[v & 15]};
}

int32_t letters_to_number(std::string_view text)
{
    // Unsigned so that long texts wrap instead of overflowing; the low 32
    // bits equal those of a 64-bit signed sum.
    uint64_t value = 0;
    for (char c : text)
        value = value * 16u + static_cast<uint64_t>(static_cast<int64_t>(digit_of(c)));
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string draw_salt()
{
    const int32_t first = rt_random_int(97, 122);
    const int32_t second = rt_random_int(97, 122);
    return rt_to_upper(rt_char_from_code(first) + rt_char_from_code(second));
}

std::string encipher_bytes(std::string_view plain, std::string_view key, std::string_view salt)
{
    Keystream stream(std::string(key) + std::string(salt));
    std::string stored(salt);
    stored.reserve(salt.size() + 2 * plain.size());
    for (char b : plain)
        stored += byte_to_letters(static_cast<uint8_t>(static_cast<uint8_t>(b) ^ stream.next()));
    return stored;
}

std::string decipher_bytes(std::string_view stored, std::string_view key)
{
    const std::string_view salt = stored.substr(0, 2);
    const std::string_view body = stored.size() > 2 ? stored.substr(2) : std::string_view{};
    Keystream stream(std::string(key) + std::string(salt));
    std::string plain;
    for (size_t q = 0; q < body.size(); q += 2) {
        const auto cipher = static_cast<uint8_t>(static_cast<uint32_t>(letters_to_number(body.substr(q, 2))));
        const auto b = static_cast<uint8_t>(cipher ^ stream.next());
        if (b == 0)
            break;
        plain += static_cast<char>(b);
    }
    return plain;
}

std::string encipher_text(std::string_view plain, std::string_view key_text)
{
    const std::string salt = draw_salt();
    return encipher_bytes(utf8_to_gbk(plain), utf8_to_gbk(key_text), salt);
}

std::string decipher_text(std::string_view stored, std::string_view key_text)
{
    return gbk_to_utf8(decipher_bytes(utf8_to_gbk(stored), utf8_to_gbk(key_text)));
}
