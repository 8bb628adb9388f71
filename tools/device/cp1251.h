// Windows-1251, the single-byte code page of the device's display, back to
// Unicode.
#pragma once

#include <string>
#include <string_view>

namespace tavix::device {

inline constexpr char32_t replacement_character = 0xFFFD;

// The character a Windows-1251 byte stands for; 0x98, which the code page
// leaves undefined, gives the replacement character.
char32_t cp1251_char(unsigned char byte);

void append_utf8(std::string& out, char32_t c);

std::string cp1251_to_utf8(std::string_view text);

}  // namespace tavix::device
