#include "configurator/hex_text.h"

#include <iterator>

namespace {

constexpr std::size_t max_scanned = 16;

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint32_t parse_hex_text(std::string_view text) {
    std::uint32_t value = 0;
    const std::size_t n = text.size() < max_scanned ? text.size() : max_scanned;
    for (std::size_t i = 0; i < n; ++i) {
        const int d = hex_digit(text[i]);
        if (d < 0) break;
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

std::string format_hex_text(std::uint32_t value) {
    static const char digits[] = "0123456789abcdef";
    char buf[8];
    std::size_t n = 0;
    do {
        buf[n++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    return std::string(std::make_reverse_iterator(buf + n), std::make_reverse_iterator(buf));
}
