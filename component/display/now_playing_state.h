// What the display knows about the current track, shared by the play-callback
// handlers and the track-frame callback (main thread only).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t track_text_size = 256;  // 255 bytes and a terminating 0

struct now_playing_state {
    char title[track_text_size];  // UTF-8 from the tags; Windows-1251 once the frame is built
    char album[track_text_size];
    char path[track_text_size];   // the track's location as the player gives it
    std::int32_t length_seconds;
    std::uint8_t last_position;   // bytes of the last track frame that found the playing item
    std::uint8_t last_item_count;
    bool texts_converted;         // title and album already hold their Windows-1251 form
};

// The component's one record; zero at load.
extern now_playing_state now_playing;
