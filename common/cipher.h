#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The settings-password cipher. A stored text is two salt letters A..Z and
// then two letters A..P per enciphered byte, high four bits first. The key is
// the caller's key text followed by the salt. Each program passes its own key
// text; there is none by default.

// Texts in UTF-8; the cipher itself works on their GBK bytes.
std::string encipher_text(std::string_view plain, std::string_view key_text);
std::string decipher_text(std::string_view stored, std::string_view key_text);

// The same on raw bytes: the plain text and key as GBK bytes.
std::string encipher_bytes(std::string_view plain, std::string_view key, std::string_view salt);
std::string decipher_bytes(std::string_view stored, std::string_view key);

// Two capital letters from the runtime's general-purpose generator.
std::string draw_salt();

// Two letters A..P for a byte value, high four bits first.
std::string byte_to_letters(uint8_t v);

// The bytes read as base-16 digits with A = 0 (either case); Q..Z count as
// 16..25 and carry, any other byte counts -2. Only the low 32 bits of the sum
// are kept.
int32_t letters_to_number(std::string_view text);
