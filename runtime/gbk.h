#pragma once
#include <string>
#include <string_view>

// Texts live as UTF-8 in memory and as GBK (code page 936) on disk and
// wherever a rule counts bytes. Both directions are lossless for any byte
// string: a GBK byte that forms no character becomes U+F700 + byte, and that
// code point turns back into the same single byte. A character that GBK
// cannot represent becomes '?'.
std::string utf8_to_gbk(std::string_view utf8);
std::string gbk_to_utf8(std::string_view gbk);

// Builds the conversion tables now rather than at the first conversion
// that needs them: start-up calls it on a thread of its own.
void gbk_prepare();
