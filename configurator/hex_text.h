// The text form in which the editor shows and takes numbers: bare hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads hexadecimal digits from the start of the text (at most 16 characters)
// up to the first character that is not one. No blanks, sign or 0x prefix are
// accepted; no digit gives 0. Wraps at 32 bits, so only the last eight digits count.
std::uint32_t parse_hex_text(std::string_view text);

// Lower-case hexadecimal without prefix or leading zeros ("0" for zero).
std::string format_hex_text(std::uint32_t value);
