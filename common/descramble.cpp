#include "common/descramble.h"

#include <string>

#include "runtime/gbk.h"

Bytes descramble_bytes(const Bytes& data, std::string_view key_text)
{
    if (data.size() <= 8)
        return data;
    const std::string key = utf8_to_gbk(key_text.empty() ? kDescrambleDefaultKey : key_text);
    Bytes out(data.size() - 8);
    descramble_raw(data.data(), data.size(), reinterpret_cast<const uint8_t*>(key.data()), key.size(), out.data());
    return out;
}
