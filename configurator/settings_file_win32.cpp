// Settings file access through the Win32 file calls (the Windows build).
#include "configurator/settings_file.h"

#include "configurator/win32.h"

#include <cstring>
#include <string>

namespace {

class handle_guard {
public:
    explicit handle_guard(HANDLE h) : h_(h) {}
    ~handle_guard() { close(); }
    handle_guard(const handle_guard&) = delete;
    handle_guard& operator=(const handle_guard&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        if (!valid()) return true;
        const BOOL ok = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE h_;
};

// The folder a file name points into, so the temporary lands on the same volume.
std::string folder_of(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) return name.substr(0, slash + 1);
    if (name.size() >= 2 && name[1] == ':') return name.substr(0, 2);
    return ".";
}

}  // namespace

settings_file_result load_settings_file(const char* file_name, settings_record& record) {
    handle_guard file(CreateFileA(file_name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return settings_file_result::failure(file_not_loaded_message);

    std::uint8_t buffer[settings_record_size];
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
        return settings_file_result::failure(could_not_read_message);
    }
    std::memcpy(record.data(), buffer, got < sizeof buffer ? got : sizeof buffer);
    return settings_file_result::success();
}

settings_file_result save_settings_file(const char* file_name, const settings_record& record) {
    // A read-only file could not be created over, so it is not renamed over
    // either (Windows refuses that by itself; Wine does not).
    const DWORD attributes = GetFileAttributesA(file_name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return settings_file_result::failure(file_not_saved_message);
    }
    char temp_name[MAX_PATH];
    // Makes a new, empty file with a unique name beside the target.
    if (GetTempFileNameA(folder_of(file_name).c_str(), "tvx", 0, temp_name) == 0) {
        return settings_file_result::failure(file_not_saved_message);
    }
    handle_guard file(CreateFileA(temp_name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file.valid()) {
        DeleteFileA(temp_name);
        return settings_file_result::failure(file_not_saved_message);
    }

    DWORD written = 0;
    const bool complete = WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()),
                                    &written, nullptr) &&
                          written == record.size() && FlushFileBuffers(file.get());
    if (!file.close() || !complete) {
        DeleteFileA(temp_name);
        return settings_file_result::failure(could_not_write_message);
    }
    if (!MoveFileExA(temp_name, file_name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp_name);
        return settings_file_result::failure(file_not_saved_message);
    }
    return settings_file_result::success();
}
