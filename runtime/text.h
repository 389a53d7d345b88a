#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Text commands. Arguments and results are UTF-8; positions and lengths
// count GBK bytes (a double-byte character counts 2), as the programs' rules
// expect.

int32_t rt_text_length(std::string_view text);
std::string rt_text_left(std::string_view text, int32_t n);
std::string rt_text_right(std::string_view text, int32_t n);
std::string rt_text_mid(std::string_view text, int32_t start, int32_t n);
std::string rt_char_from_code(int32_t code);
// The GBK byte at the 1-based position, signed; 0 outside the text.
int32_t rt_char_code_at(std::string_view text, int32_t position = 1);
// 1-based position of the first occurrence at or after `start`, or -1.
int32_t rt_find_text(std::string_view text, std::string_view sought, int32_t start = 1);
std::string rt_to_upper(std::string_view text);
std::string rt_replace_text(std::string_view text, std::string_view sought,
                            std::string_view replacement = "", int32_t start = 1,
                            int32_t count = -1, bool case_sensitive = false);
std::string rt_space_text(int32_t n);
