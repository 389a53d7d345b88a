#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/types.h"

// Byte-set commands.
int32_t rt_bytes_length(const Bytes& b);
Bytes rt_to_bytes(std::string_view text); // the GBK bytes, no terminating zero
Bytes rt_to_bytes(int32_t v);             // 4 bytes, little-endian
Bytes rt_to_bytes(double v);              // 8 bytes
// Value kinds of rt_bytes_get_value.
enum BytesKind : int { BK_BYTE = 1, BK_SHORT = 2, BK_INT = 3, BK_INT64 = 4, BK_FLOAT = 5, BK_DOUBLE = 6 };
// Reads a value of `kind` at the 1-based position; 0 when it does not fit.
double rt_bytes_get_value(const Bytes& b, int kind, int32_t position = 1);
Bytes rt_bytes_right(const Bytes& b, int32_t n);
Bytes rt_bytes_mid(const Bytes& b, int32_t start, int32_t n);
Bytes rt_zero_bytes(int32_t n);

// Arithmetic and bit commands.
double rt_power(double base, double exponent);
// Floating remainder (sign of the dividend); a zero divisor ends the program
// through rt_report_error.
double rt_remainder(double number, double divisor);
int32_t rt_bit_not(int32_t v);
int32_t rt_bit_and(int32_t a, int32_t b);
int32_t rt_bit_or(int32_t a, int32_t b);
int32_t rt_bit_xor(int32_t a, int32_t b);
int32_t rt_shift_right(int32_t v, int32_t n); // arithmetic
