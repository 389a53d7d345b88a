#pragma once
// The keyed descrambler of data the programs store scrambled (the page
// template of the browser overlay). Scrambled data is an 8-byte header and
// then the payload; each payload byte is XORed with a byte drawn from the
// header, in a cycle of four that starts where the key's cycle left off, and
// with the XOR of the key's bytes after they were mixed with the header.
// Since XOR undoes itself, running the payload through it again scrambles.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/types.h"

// Used in place of an empty key text.
inline constexpr std::string_view kDescrambleDefaultKey = "lanternfall";

// Data of 8 bytes or fewer comes back unchanged; otherwise the descrambled
// payload (length - 8 bytes). The key text is taken as its GBK bytes; an
// empty one means the default key text.
Bytes descramble_bytes(const Bytes& data, std::string_view key_text = {});

// The steps on raw bytes: `data` holds `size` (> 8) bytes, `out` receives
// size - 8. Usable at compile time, so stored data can be made by the
// compiler.
constexpr void descramble_raw(const uint8_t* data, size_t size, const uint8_t* key, size_t key_size, uint8_t* out)
{
    const uint32_t x1 = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    const uint32_t x2 = uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 | uint32_t(data[7]) << 24;
    const uint8_t m = static_cast<uint8_t>(~(x1 ^ x2) & 0xFFu);
    const uint8_t* p = data + 4;
    uint8_t q[4] = {};
    for (int n = 0; n < 4; ++n)
        q[n] = static_cast<uint8_t>(p[n] ^ m);
    int j = 0; // 1..4 once running; carries on from the key into the payload
    uint8_t f = 0;
    for (size_t i = 0; i < key_size; ++i) {
        j = j == 4 ? 1 : j + 1;
        f = static_cast<uint8_t>(f ^ key[i] ^ p[j - 1]);
    }
    for (size_t i = 0; i + 8 < size; ++i) {
        j = j == 4 ? 1 : j + 1;
        out[i] = static_cast<uint8_t>(data[8 + i] ^ q[j - 1] ^ f);
    }
}
