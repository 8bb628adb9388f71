// The tavix device's settings record: 128 bytes, no header, little-endian.
// Bytes 0-39 hold the fields the editor knows; bytes 40-127 belong to the
// device and pass through the editor untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

constexpr std::size_t settings_record_size = 128;
// Bytes from this offset on are never read or written by packing.
constexpr std::size_t settings_record_fields_end = 40;

using settings_record = std::array<std::uint8_t, settings_record_size>;

constexpr std::size_t kbd_key_count = 6;
constexpr std::size_t control_signal_count = 6;
constexpr std::size_t remote_code_count = 16;

// A list index, or none when the list shows no selection.
using list_index = std::optional<std::uint32_t>;

// The editor's values. Numbers are 32 bits wide because they come straight
// from parse_hex_text; packing keeps only the bits the record has room for.
struct settings_form {
    list_index i2s_format;
    list_index mclk;
    bool use_sound_folder = false;
    bool hi_res = false;
    bool plugin_option = false;
    std::array<std::uint32_t, kbd_key_count> kbd_keys{};
    std::array<list_index, control_signal_count> control_signals{};
    std::array<std::uint32_t, remote_code_count> remote_codes{};
};

bool operator==(const settings_form& a, const settings_form& b);
inline bool operator!=(const settings_form& a, const settings_form& b) { return !(a == b); }

// Rewrites bytes 0-39 of the record from the form; bytes 40-127 keep their
// values. A field that is none keeps the bits the record already holds, so a
// value without a list entry (I2S 3, a signal 12-15) survives a round trip.
void pack_settings(const settings_form& form, settings_record& record);

// Reads the fields out of bytes 0-39. An index without a list entry gives none.
settings_form unpack_settings(const settings_record& record);
