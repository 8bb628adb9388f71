// Reading and writing a settings file: the bare 128-byte record, by default
// named "tavix.cfg". Each failure carries the text the user is shown.
#pragma once

#include "configurator/settings_record.h"

inline constexpr char file_not_loaded_message[] = "File not loaded ";
inline constexpr char could_not_read_message[] = "Could not read file";
inline constexpr char file_not_saved_message[] = "File not saved ";
inline constexpr char could_not_write_message[] = "Could not write file";

struct settings_file_result {
    bool ok = true;
    const char* message = "";  // one of the texts above when !ok

    static settings_file_result success() { return {}; }
    static settings_file_result failure(const char* text) { return {false, text}; }
};

// Reads up to 128 bytes of the file over the start of the record. A short file
// replaces only its own length, an empty one changes nothing, a longer one
// gives its first 128 bytes; nothing is validated. On failure the record is
// unchanged.
settings_file_result load_settings_file(const char* file_name, settings_record& record);

// Writes the whole record. The bytes go to a temporary file in the same folder
// first, and only a complete, flushed copy replaces the target, so a failed
// save leaves the old file byte for byte as it was and no temporary behind.
settings_file_result save_settings_file(const char* file_name, const settings_record& record);
