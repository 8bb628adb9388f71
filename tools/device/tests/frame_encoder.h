// A frame encoder for the tests, written apart from the decoder it checks.
// Its scrambler keeps a 16-bit state, which yields the same bytes as the
// 32-bit one, so a shared mistake in state arithmetic cannot hide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavix::device::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes time_frame(double seconds)
{
    auto v = static_cast<std::int32_t>(seconds + 0.5);
    return {0x2B, 0x02, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 0x0D};
}

inline Bytes quit_frame() { return {0x2B, 0x00, 0x0D}; }

struct Track {
    std::int32_t length = 0;
    std::uint8_t position = 0;
    std::uint8_t count = 0;
    std::string album;   // Windows-1251 bytes
    std::string title;
    std::uint8_t filler = 0;   // what stands after a text's terminator
};

inline void scramble(std::uint8_t* payload)
{
    std::uint16_t state = 47093;
    for (int i = 0; i < 132; ++i) {
        std::uint8_t plain = payload[i];
        payload[i] = static_cast<std::uint8_t>(plain ^ ((state >> 7) & 0xFF));
        state = static_cast<std::uint16_t>(static_cast<std::uint16_t>(state + plain) * 386129u + 2741u);
    }
}

inline Bytes track_frame(const Track& t)
{
    std::uint8_t payload[132];
    for (auto& b : payload)
        b = t.filler;
    payload[0] = static_cast<std::uint8_t>(t.length >> 8);
    payload[1] = static_cast<std::uint8_t>(t.length);
    payload[2] = t.position;
    payload[3] = t.count;
    auto put = [&](int at, const std::string& text) {
        std::size_t n = text.size() < 64 ? text.size() : 64;
        for (std::size_t i = 0; i < n; ++i)
            payload[at + static_cast<int>(i)] = static_cast<std::uint8_t>(text[i]);
        if (n < 64)
            payload[at + static_cast<int>(n)] = 0;
    };
    put(4, t.album);
    put(68, t.title);
    scramble(payload);
    Bytes frame = {0x2B, 0x01};
    frame.insert(frame.end(), payload, payload + 132);
    frame.push_back(0x0D);
    return frame;
}

inline Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace tavix::device::test
