// The texts of a track on their way to the display: stored from the player,
// named from the path when the title tag is empty, converted for the device.
#pragma once

#include <cstddef>

#include "component/display/now_playing_state.h"

// Copies `text` into a 256-byte track text. Longer texts are cut to at most 255
// bytes, before the UTF-8 character that would straddle the cut. A null text
// stores an empty one.
void store_track_text(char (&buffer)[track_text_size], const char* text);

// Names a track after its file: title = the file name before the last dot of
// the path, album = the folder holding it; folders are separated by '\'. A
// separator that is missing counts as standing at index 0. `album` and
// `title` must each have room for as many bytes as `path` holds, terminator
// included; nothing beyond the path's terminator is read.
void fill_names_from_path(const char* path, char* album, char* title);

// The same on the current track: replaces both album and title.
void fill_names_from_path(now_playing_state& state);

// Converts a 0-terminated UTF-8 text in place to the device's Windows-1251:
// ASCII stays, Cyrillic А..я, Ё and ё become their single bytes, any other
// character becomes one space, and so does each byte that is not part of a
// well-formed UTF-8 sequence. The output is never longer than the input, and
// nothing past the terminator is read.
void transliterate_cp1251(char* text);
