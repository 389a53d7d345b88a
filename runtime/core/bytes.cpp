#include "runtime/bytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/error.h"
#include "runtime/gbk.h"

namespace {

template <typename T>
Bytes raw_bytes(T v)
{
    Bytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

template <typename T>
double read_at(const Bytes& b, size_t offset)
{
    if (offset > b.size() || b.size() - offset < sizeof(T))
        return 0.0;
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return static_cast<double>(v);
}

Bytes slice(const Bytes& b, int64_t from, int64_t n)
{
    const int64_t size = static_cast<int64_t>(b.size());
    if (n <= 0 || from < 0 || from >= size)
        return Bytes();
    const auto first = b.begin() + from;
    return Bytes(first, first + std::min(n, size - from));
}

} // namespace

int32_t rt_bytes_length(const Bytes& b) { return static_cast<int32_t>(b.size()); }

Bytes rt_to_bytes(std::string_view text)
{
    const std::string g = utf8_to_gbk(text);
    return Bytes(g.begin(), g.end());
}

Bytes rt_to_bytes(int32_t v) { return raw_bytes(v); }
Bytes rt_to_bytes(double v) { return raw_bytes(v); }

double rt_bytes_get_value(const Bytes& b, int kind, int32_t position)
{
    if (position < 1)
        return 0.0;
    const size_t offset = static_cast<size_t>(position) - 1;
    switch (kind) {
    case BK_BYTE: return read_at<uint8_t>(b, offset);
    case BK_SHORT: return read_at<int16_t>(b, offset);
    case BK_INT: return read_at<int32_t>(b, offset);
    case BK_INT64: return read_at<int64_t>(b, offset);
    case BK_FLOAT: return read_at<float>(b, offset);
    case BK_DOUBLE: return read_at<double>(b, offset);
    default: return 0.0;
    }
}

Bytes rt_bytes_right(const Bytes& b, int32_t n)
{
    const int64_t size = static_cast<int64_t>(b.size());
    return slice(b, std::max<int64_t>(0, size - n), n);
}

Bytes rt_bytes_mid(const Bytes& b, int32_t start, int32_t n)
{
    if (start < 1)
        return Bytes();
    return slice(b, int64_t{start} - 1, n);
}

Bytes rt_zero_bytes(int32_t n) { return n <= 0 ? Bytes() : Bytes(static_cast<size_t>(n), 0); }

double rt_power(double base, double exponent) { return std::pow(base, exponent); }

double rt_remainder(double number, double divisor)
{
    if (divisor == 0.0)
        rt_report_error(RT_ERR_DIVIDE_BY_ZERO, "除数为零");
    return std::fmod(number, divisor);
}

int32_t rt_bit_not(int32_t v) { return ~v; }
int32_t rt_bit_and(int32_t a, int32_t b) { return a & b; }
int32_t rt_bit_or(int32_t a, int32_t b) { return a | b; }
int32_t rt_bit_xor(int32_t a, int32_t b) { return a ^ b; }

int32_t rt_shift_right(int32_t v, int32_t n)
{
    if (n <= 0)
        return v;
    if (n >= 32)
        return v < 0 ? -1 : 0;
    return v >> n; // arithmetic for signed values since C++20
}
