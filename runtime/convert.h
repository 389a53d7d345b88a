#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/types.h"

// Text to number: full-width GB2312 row A3 characters (letters, digits,
// signs, the full-width space) fold to their one-byte forms, then the text
// reads like atof: leading blanks skipped, stops at the first character that
// cannot continue a number, no leading number gives 0.
double rt_to_number(std::string_view text);
inline double rt_to_number(double v) { return v; }
inline double rt_to_number(int32_t v) { return v; }

// Text: folded as above, then read like atoi. Floating values truncate
// toward zero (out-of-range values take the platform's integer indefinite,
// INT32_MIN).
int32_t rt_to_int(std::string_view text);
int32_t rt_to_int(double v);

uint8_t rt_to_byte(std::string_view text);
uint8_t rt_to_byte(double v);

// Largest whole number not above v, after snapping v away from zero when its
// fractional part exceeds 0.999999999999 in size.
int32_t rt_to_int_floor(double v);

std::string rt_to_text(int32_t v);      // "%d"
std::string rt_to_text(int64_t v);      // "%lld"
std::string rt_to_text(uint8_t v);      // unsigned
std::string rt_to_text(float v);        // "%.6g"
std::string rt_to_text(double v);       // "%.13g"
std::string rt_to_text(bool v);         // "真" / "假"
std::string rt_to_text(const Bytes& v); // bytes up to the first zero, read as GBK

std::string rt_to_hex_text(int32_t v);  // "%X"
