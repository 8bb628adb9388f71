// Fuzzes the settings file loader and the record's unpacking and packing with
// arbitrary file contents. Promises checked on every input:
//  1. No crash, no leak, no undefined behaviour (under ASan and UBSan).
//  2. The load takes the file as it stands: the first min(n, 128) bytes of the
//     record are the file's, the rest keeps what the record held before.
//  3. Unpacking and packing never touch bytes 40-127.
//  4. Packing what was unpacked gives the record back, except the signal
//     word's top byte, which is no field and becomes 0.
//  5. Unpacking what was packed gives the same values.
//  6. Every number shows as a text that parses back to it.
#include "configurator/hex_text.h"
#include "configurator/settings_file.h"
#include "configurator/settings_record.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok, const char* promise) {
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort();
    }
}

// The input goes through a real file; memory-backed when the system has it,
// so the run is not bound by the disk.
const std::string& scratch_file() {
    static const std::string name = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string n = std::string(folder) + "/tavix_fuzz_settings." + std::to_string(getpid());
        static std::string removed_at_exit;
        removed_at_exit = n;
        std::atexit([] { unlink(removed_at_exit.c_str()); });
        return n;
    }();
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(scratch_file().c_str(), "wb");
    check(f != nullptr, "scratch file can be made");
    const bool written = std::fwrite(data, 1, size, f) == size;
    check(std::fclose(f) == 0 && written, "scratch file can be written");

    settings_record record;
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i * 13 + 5);
    settings_record before = record;
    check(load_settings_file(scratch_file().c_str(), record).ok, "a readable file loads");
    const std::size_t taken = std::min(size, settings_record_size);
    check(std::equal(data, data + taken, record.begin()), "loaded bytes are the file's");
    check(std::equal(before.begin() + static_cast<std::ptrdiff_t>(taken), before.end(),
                     record.begin() + static_cast<std::ptrdiff_t>(taken)),
          "bytes past the file keep their values");

    const settings_record loaded = record;
    const settings_form form = unpack_settings(record);
    pack_settings(form, record);
    check(std::equal(loaded.begin() + settings_record_fields_end, loaded.end(),
                     record.begin() + settings_record_fields_end),
          "bytes 40-127 untouched");
    settings_record expected = loaded;
    expected[7] = 0;
    check(record == expected, "packing what was unpacked gives the record back");
    check(unpack_settings(record) == form, "unpacking what was packed gives the same values");

    for (std::uint32_t code : form.remote_codes) {
        check(parse_hex_text(format_hex_text(code)) == code, "codes show and parse back");
    }
    // The input as typed text: any text parses, and what it gives shows and parses back.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t typed = parse_hex_text(text);
    check(parse_hex_text(format_hex_text(typed)) == typed, "typed values show and parse back");
    return 0;
}
