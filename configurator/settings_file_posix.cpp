// Settings file access through POSIX calls (the native build).
#include "configurator/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

class fd_guard {
public:
    explicit fd_guard(int fd) : fd_(fd) {}
    ~fd_guard() {
        if (fd_ >= 0) ::close(fd_);
    }
    fd_guard(const fd_guard&) = delete;
    fd_guard& operator=(const fd_guard&) = delete;
    int get() const { return fd_; }
    // Closes now and tells whether the close reported an error.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A name beside the target that no other file has yet, created empty.
int create_temporary(const std::string& target, std::string& temp_name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_name = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool write_all(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

settings_file_result load_settings_file(const char* file_name, settings_record& record) {
    // Non-blocking open so that a FIFO cannot hang us before we refuse it.
    fd_guard fd(::open(file_name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return settings_file_result::failure(file_not_loaded_message);
    struct stat st {};
    // Only files and devices hold a record; a folder cannot be opened as one
    // on Windows either.
    if (::fstat(fd.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
        return settings_file_result::failure(file_not_loaded_message);
    }

    std::uint8_t buffer[settings_record_size];
    std::size_t got = 0;
    while (got < sizeof buffer) {
        const ssize_t n = ::read(fd.get(), buffer + got, sizeof buffer - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return settings_file_result::failure(could_not_read_message);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    std::memcpy(record.data(), buffer, got);
    return settings_file_result::success();
}

settings_file_result save_settings_file(const char* file_name, const settings_record& record) {
    // A file the user may not write is not replaced behind their back either,
    // though the folder would allow the rename.
    if (::access(file_name, F_OK) == 0 && ::access(file_name, W_OK) != 0) {
        return settings_file_result::failure(file_not_saved_message);
    }
    const std::string target = file_name;
    std::string temp_name;
    fd_guard fd(create_temporary(target, temp_name));
    if (fd.get() < 0) return settings_file_result::failure(file_not_saved_message);

    // The replacement keeps the permissions the old file had.
    struct stat old {};
    if (::stat(file_name, &old) == 0 && S_ISREG(old.st_mode)) {
        (void)::fchmod(fd.get(), old.st_mode & 07777);
    }

    const bool written = write_all(fd.get(), record.data(), record.size()) &&
                         ::fsync(fd.get()) == 0;
    if (!fd.close() || !written) {
        ::unlink(temp_name.c_str());
        return settings_file_result::failure(could_not_write_message);
    }
    if (::rename(temp_name.c_str(), file_name) != 0) {
        ::unlink(temp_name.c_str());
        return settings_file_result::failure(file_not_saved_message);
    }
    return settings_file_result::success();
}
