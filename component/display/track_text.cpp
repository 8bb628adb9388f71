#include "component/display/track_text.h"

#include <cstring>

namespace {

constexpr std::size_t track_text_max = track_text_size - 1;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool in_range(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// Bytes of the well-formed UTF-8 sequence (two to four bytes) that starts at
// `p`, or 0 when none starts there. Reads a byte only while every byte before
// it continued the sequence; the terminator never does, so the reads stay in
// the text.
std::size_t multibyte_length(const unsigned char* p) {
    const unsigned char lead = p[0];
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
    std::size_t length = 0;
    if (in_range(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (in_range(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0) second_low = 0xA0;   // overlong
        if (lead == 0xED) second_high = 0x9F;  // surrogates
    } else if (in_range(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0) second_low = 0x90;   // overlong
        if (lead == 0xF4) second_high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;  // ASCII, a stray continuation, C0, C1 or F5..FF
    }
    if (!in_range(p[1], second_low, second_high)) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!is_continuation(p[i])) return 0;
    }
    return length;
}

unsigned char cp1251_from_code(unsigned code) {
    if (code >= 0x410 && code <= 0x44F) return static_cast<unsigned char>(code - 0x350);
    if (code == 0x401) return 0xA8;  // Ё
    if (code == 0x451) return 0xB8;  // ё
    return ' ';
}

}  // namespace

void store_track_text(char (&buffer)[track_text_size], const char* text) {
    if (text == nullptr) {
        buffer[0] = '\0';
        return;
    }
    std::size_t length = 0;
    while (length <= track_text_max && text[length] != '\0') ++length;
    if (length > track_text_max) {
        // Step back to the start of the character the cut would split; a run
        // of continuation bytes longer than any character is no character,
        // so then the byte limit itself is the cut.
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        std::size_t cut = track_text_max;
        while (cut > track_text_max - 3 && is_continuation(bytes[cut])) --cut;
        length = is_continuation(bytes[cut]) ? track_text_max : cut;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

void fill_names_from_path(const char* path, char* album, char* title) {
    std::size_t length = 0;
    std::size_t dot = 0;
    for (; path[length] != '\0'; ++length) {
        if (path[length] == '.') dot = length;
    }
    std::size_t name_start = 0;  // the backslash before the file name
    for (std::size_t i = dot; i > 0; --i) {
        if (path[i] == '\\') {
            name_start = i;
            break;
        }
    }
    std::size_t folder_start = 0;  // the backslash before the folder name
    for (std::size_t i = name_start; i > 1; --i) {
        if (path[i - 1] == '\\') {
            folder_start = i - 1;
            break;
        }
    }
    const std::size_t album_length = folder_start + 1 < name_start ? name_start - folder_start - 1 : 0;
    const std::size_t title_length = name_start + 1 < dot ? dot - name_start - 1 : 0;
    // Album and title are distinct from the path, so copying cannot overlap.
    std::memcpy(album, path + folder_start + 1, album_length);
    album[album_length] = '\0';
    std::memcpy(title, path + name_start + 1, title_length);
    title[title_length] = '\0';
}

void fill_names_from_path(now_playing_state& state) {
    fill_names_from_path(state.path, state.album, state.title);
}

void transliterate_cp1251(char* text) {
    auto* bytes = reinterpret_cast<unsigned char*>(text);
    std::size_t r = 0;
    std::size_t w = 0;
    while (bytes[r] != 0) {
        const unsigned char b = bytes[r];
        if (b < 0x80) {
            bytes[w++] = b;
            r += 1;
            continue;
        }
        const std::size_t length = multibyte_length(bytes + r);
        if (length == 2) {
            const unsigned code = ((b & 0x1Fu) << 6) | (bytes[r + 1] & 0x3Fu);
            bytes[w++] = cp1251_from_code(code);
        } else {
            // A character the device has no letter for, or a byte that is no
            // character at all: one space, and the next byte is read afresh
            // so a broken sequence never swallows the letter after it.
            bytes[w++] = ' ';
        }
        r += length == 0 ? 1 : length;
    }
    bytes[w] = 0;
}
