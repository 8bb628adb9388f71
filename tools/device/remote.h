// The built-in remote control of the virtual device, and hex byte texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavix::device {

struct Button {
    const char* name;      // what `press` takes
    const char* meaning;   // what the player should do with it
    std::array<std::uint8_t, 4> code;
};

// Every button of the built-in remote, in a fixed order.
const std::vector<Button>& remote_buttons();
const Button* find_button(std::string_view name);

// "2B 02 00 05 0D": upper-case byte pairs separated by single blanks.
std::string hex_text(const std::uint8_t* data, std::size_t size);
inline std::string hex_text(const std::vector<std::uint8_t>& bytes)
{
    return hex_text(bytes.data(), bytes.size());
}

// Reads hex bytes, with or without blanks between them ("20DF 40bf" is fine);
// false with a message for odd digits or a non-hex character.
bool parse_hex(std::string_view text, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace tavix::device
