#include "tools/device/remote.h"

namespace tavix::device {

const std::vector<Button>& remote_buttons()
{
    // NEC-style codes: address 0x20 and its complement, then the command and
    // its complement.  No byte is a control character (so no XON/XOFF or CR
    // handling on a port can touch them), no code holds the greeting's "OK",
    // and no four bytes across the seam of two codes form a third.
    static const std::vector<Button> buttons = {
        {"play", "play", {0x20, 0xDF, 0x40, 0xBF}},
        {"pause", "pause", {0x20, 0xDF, 0x41, 0xBE}},
        {"stop", "stop", {0x20, 0xDF, 0x42, 0xBD}},
        {"next", "next track", {0x20, 0xDF, 0x43, 0xBC}},
        {"previous", "previous track", {0x20, 0xDF, 0x44, 0xBB}},
        {"random", "next random track", {0x20, 0xDF, 0x45, 0xBA}},
        {"back", "seek backward", {0x20, 0xDF, 0x46, 0xB9}},
        {"forward", "seek forward", {0x20, 0xDF, 0x47, 0xB8}},
        {"volup", "volume up", {0x20, 0xDF, 0x48, 0xB7}},
        {"voldown", "volume down", {0x20, 0xDF, 0x49, 0xB6}},
        {"mute", "mute", {0x20, 0xDF, 0x4A, 0xB5}},
        {"power", "none (not a player command)", {0x20, 0xDF, 0x50, 0xAF}},
        {"menu", "none (not a player command)", {0x20, 0xDF, 0x51, 0xAE}},
    };
    return buttons;
}

const Button* find_button(std::string_view name)
{
    for (const Button& b : remote_buttons())
        if (name == b.name)
            return &b;
    return nullptr;
}

std::string hex_text(const std::uint8_t* data, std::size_t size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        if (i)
            out += ' ';
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0x0F];
    }
    return out;
}

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool parse_hex(std::string_view text, std::vector<std::uint8_t>& out, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0) {
                error = "odd number of hex digits";
                return false;
            }
            continue;
        }
        int d = hex_digit(c);
        if (d < 0) {
            error = std::string("not a hex digit: '") + c + "'";
            return false;
        }
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0) {
        error = "odd number of hex digits";
        return false;
    }
    out = std::move(bytes);
    return true;
}

}  // namespace tavix::device
