// Device frames: '+' (0x2B), a command byte, a fixed-length payload, CR (0x0D).
// Every frame is assembled in one component-wide buffer and written whole.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t quit_frame_size = 3;
constexpr std::size_t time_frame_size = 5;
constexpr std::size_t track_frame_size = 135;
constexpr std::size_t track_payload_size = 132;
constexpr std::size_t frame_text_field_size = 64;
constexpr std::size_t frame_buffer_size = track_frame_size;

// What the collector hands over for one track frame. The texts are already in
// Windows-1251 and 0-terminated; a null pointer counts as an empty text.
struct track_frame_input {
    std::int32_t length_seconds;
    std::uint8_t position;    // playing item index + 1, low 8 bits
    std::uint8_t item_count;  // items in the playing playlist, low 8 bits
    const char* album;
    const char* title;
};

// A built frame: its bytes live in frame_buffer until the next build.
struct frame_view {
    const std::uint8_t* bytes;
    std::size_t count;
};

// The one buffer all frames are built in. Shorter frames overwrite only their
// own leading bytes; what lies behind them is left from earlier frames.
extern std::uint8_t frame_buffer[frame_buffer_size];

// Seconds from the player rounded the device's way: add 0.5 and truncate
// toward zero. Values a signed 32-bit integer cannot hold (and NaN) give
// INT32_MIN, as the x86 conversion does, so their low 16 bits are 0.
std::int32_t round_seconds(double seconds);

frame_view build_time_frame(double seconds);
frame_view build_track_frame(const track_frame_input& input);
frame_view build_quit_frame();

// Scrambles the 132 payload bytes of a track frame in place. The key stream
// follows the plain bytes, so the receiver undoes it with the same rule.
void scramble_track_payload(std::uint8_t* payload);

// Writes the frame to the device in one blocking write. The outcome is not
// examined: with the port closed the frame is simply lost.
void send_frame(const std::uint8_t* bytes, std::size_t count);
inline void send_frame(frame_view frame) { send_frame(frame.bytes, frame.count); }
