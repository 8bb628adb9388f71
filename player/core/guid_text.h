// Class and variable identifiers as the player's files and scenarios write
// them: "{F7047F33-A595-4B15-8AE1-70629E4F9C79}".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace player {

// The 16 bytes of an identifier in its field order (data1 big-endian first),
// so that sorting and comparing follow the written form.
struct guid_key {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    friend bool operator==(const guid_key& a, const guid_key& b) {
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && a.data4 == b.data4;
    }
    friend bool operator!=(const guid_key& a, const guid_key& b) { return !(a == b); }
    friend bool operator<(const guid_key& a, const guid_key& b) {
        if (a.data1 != b.data1) return a.data1 < b.data1;
        if (a.data2 != b.data2) return a.data2 < b.data2;
        if (a.data3 != b.data3) return a.data3 < b.data3;
        return a.data4 < b.data4;
    }
};

// Upper-case hex with braces.
std::string format_guid(const guid_key& g);

// Accepts the braced form, or the bare form without braces; hex digits in
// either case. Anything else is rejected.
std::optional<guid_key> parse_guid(std::string_view text);

// Any GUID-like structure with Data1..Data4 fields (the SDK's, Windows').
template <class G>
guid_key to_guid_key(const G& g) {
    guid_key k;
    k.data1 = g.Data1;
    k.data2 = g.Data2;
    k.data3 = g.Data3;
    for (int i = 0; i < 8; ++i) k.data4[i] = g.Data4[i];
    return k;
}

template <class G>
G from_guid_key(const guid_key& k) {
    G g{};
    g.Data1 = k.data1;
    g.Data2 = k.data2;
    g.Data3 = k.data3;
    for (int i = 0; i < 8; ++i) g.Data4[i] = k.data4[i];
    return g;
}

}  // namespace player
