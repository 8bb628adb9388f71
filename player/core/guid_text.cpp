#include "player/core/guid_text.h"

#include <cstdio>

namespace player {

std::string format_guid(const guid_key& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                  static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return buf;
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<guid_key> parse_guid(std::string_view text) {
    if (!text.empty() && text.front() == '{') {
        if (text.size() < 2 || text.back() != '}') return std::nullopt;
        text = text.substr(1, text.size() - 2);
    }
    // 8-4-4-4-12 hex digits.
    if (text.size() != 36) return std::nullopt;
    std::uint8_t bytes[16];
    std::size_t pos = 0;
    for (int b = 0; b < 16; ++b) {
        if (pos == 8 || pos == 13 || pos == 18 || pos == 23) {
            if (text[pos] != '-') return std::nullopt;
            ++pos;
        }
        const int hi = hex_value(text[pos]);
        const int lo = hex_value(text[pos + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[b] = static_cast<std::uint8_t>(hi * 16 + lo);
        pos += 2;
    }
    guid_key g;
    g.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
              (std::uint32_t{bytes[2]} << 8) | bytes[3];
    g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    return g;
}

}  // namespace player
