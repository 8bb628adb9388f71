// A stand-in for the device port: keeps every frame written while "open",
// fails writes at once while "closed", as the serial port does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "component/display/frame_sink.h"

using bytes = std::vector<std::uint8_t>;

class frame_recorder : public frame_sink {
public:
    static constexpr std::uint32_t status_port_closed = 6;

    frame_recorder() : previous_(set_frame_sink(this)) {}
    ~frame_recorder() { set_frame_sink(previous_); }
    frame_recorder(const frame_recorder&) = delete;
    frame_recorder& operator=(const frame_recorder&) = delete;

    std::uint32_t write_bytes(const void* data, std::uint32_t count,
                              std::uint32_t* written) override {
        ++attempts;
        *written = 0;
        if (!open) return status_port_closed;
        const auto* p = static_cast<const std::uint8_t*>(data);
        frames.emplace_back(p, p + count);
        *written = count;
        return 0;
    }

    bool open = true;
    int attempts = 0;
    std::vector<bytes> frames;

private:
    frame_sink* previous_;
};

// The device's side of the track payload scrambler: the key follows the
// plain bytes it has already recovered.
inline bytes unscramble_track_payload(const std::uint8_t* scrambled, std::size_t count) {
    bytes plain(count);
    std::uint32_t state = 47093;
    for (std::size_t i = 0; i < count; ++i) {
        plain[i] = static_cast<std::uint8_t>(scrambled[i] ^ ((state >> 7) & 0xFF));
        state = (state + plain[i]) * 386129u + 2741u;
    }
    return plain;
}

struct decoded_track_frame {
    bytes header;   // frame bytes 0, 1 and 134
    bytes payload;  // the 132 payload bytes after unscrambling
    bytes album() const { return bytes(payload.begin() + 4, payload.begin() + 68); }
    bytes title() const { return bytes(payload.begin() + 68, payload.end()); }
    // A field's text as the device shows it: up to its 0 or all 64 bytes.
    static std::string text(const bytes& field) {
        std::string shown;
        for (std::size_t i = 0; i < field.size() && field[i] != 0; ++i) shown += static_cast<char>(field[i]);
        return shown;
    }
};

inline decoded_track_frame decode_track_frame(const bytes& frame) {
    EXPECT_EQ(frame.size(), 135u);
    if (frame.size() != 135) return {bytes(3), bytes(132)};
    return {{frame[0], frame[1], frame[134]}, unscramble_track_payload(frame.data() + 2, 132)};
}
