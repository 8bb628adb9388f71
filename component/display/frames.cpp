#include "component/display/frames.h"

#include <cstring>
#include <limits>

#include "component/display/frame_sink.h"

std::uint8_t frame_buffer[frame_buffer_size];

namespace {

constexpr std::uint8_t frame_start = 0x2B;
constexpr std::uint8_t frame_end = 0x0D;
constexpr std::uint8_t command_quit = 0x00;
constexpr std::uint8_t command_track = 0x01;
constexpr std::uint8_t command_time = 0x02;

constexpr std::uint32_t scramble_seed = 47093;
constexpr std::uint32_t scramble_multiplier = 386129;
constexpr std::uint32_t scramble_increment = 2741;

constexpr std::size_t payload_offset = 2;
constexpr std::size_t album_offset = 4;
constexpr std::size_t title_offset = album_offset + frame_text_field_size;

void put_header(std::uint8_t command) {
    frame_buffer[0] = frame_start;
    frame_buffer[1] = command;
}

// High byte first; only the low 16 bits of the value travel.
void put_word(std::uint8_t* at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    at[0] = static_cast<std::uint8_t>(bits >> 8);
    at[1] = static_cast<std::uint8_t>(bits);
}

// Up to 64 bytes of the text; a 0 follows only when the text is shorter.
// The rest of the field is zeroed too: the device ignores it, but the same
// track then always gives the same frame and no earlier title leaks out.
void put_text_field(std::uint8_t* field, const char* text) {
    std::size_t n = 0;
    while (text != nullptr && n < frame_text_field_size && text[n] != '\0') {
        field[n] = static_cast<std::uint8_t>(text[n]);
        ++n;
    }
    std::memset(field + n, 0, frame_text_field_size - n);
}

frame_sink*& active_sink() {
    static frame_sink* sink = default_frame_sink();
    return sink;
}

}  // namespace

frame_sink* set_frame_sink(frame_sink* sink) {
    frame_sink* previous = active_sink();
    active_sink() = sink;
    return previous;
}

std::int32_t round_seconds(double seconds) {
    const double shifted = seconds + 0.5;
    // Outside this open range (or NaN) the cast would be undefined.
    if (!(shifted > -2147483649.0 && shifted < 2147483648.0)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(shifted);
}

frame_view build_time_frame(double seconds) {
    put_header(command_time);
    put_word(frame_buffer + payload_offset, round_seconds(seconds));
    frame_buffer[time_frame_size - 1] = frame_end;
    return {frame_buffer, time_frame_size};
}

frame_view build_track_frame(const track_frame_input& input) {
    std::uint8_t* payload = frame_buffer + payload_offset;
    put_header(command_track);
    put_word(payload, input.length_seconds);
    payload[2] = input.position;
    payload[3] = input.item_count;
    put_text_field(payload + album_offset, input.album);
    put_text_field(payload + title_offset, input.title);
    frame_buffer[track_frame_size - 1] = frame_end;
    scramble_track_payload(payload);
    return {frame_buffer, track_frame_size};
}

frame_view build_quit_frame() {
    put_header(command_quit);
    frame_buffer[quit_frame_size - 1] = frame_end;
    return {frame_buffer, quit_frame_size};
}

void scramble_track_payload(std::uint8_t* payload) {
    std::uint32_t state = scramble_seed;
    for (std::size_t i = 0; i < track_payload_size; ++i) {
        const std::uint8_t plain = payload[i];
        payload[i] = static_cast<std::uint8_t>(plain ^ ((state >> 7) & 0xFF));
        state = (state + plain) * scramble_multiplier + scramble_increment;
    }
}

void send_frame(const std::uint8_t* bytes, std::size_t count) {
    frame_sink* sink = active_sink();
    if (sink == nullptr) return;
    std::uint32_t written = 0;
    // A lost frame is not an error for the display: the next one repaints it.
    (void)sink->write_bytes(bytes, static_cast<std::uint32_t>(count), &written);
}
