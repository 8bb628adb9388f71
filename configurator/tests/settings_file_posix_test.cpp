// Failures of the settings file that only POSIX systems can be made to show.
#include "configurator/settings_file.h"

#include "configurator/tests/temp_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

settings_record filled_record(std::uint8_t value) {
    settings_record r;
    r.fill(value);
    return r;
}

// Makes writes past a few bytes fail for as long as it lives.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~file_size_limit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit saved_{};
    void (*old_handler_)(int) = nullptr;
};

class SettingsFilePosix : public testing::Test {
protected:
    temp_folder folder;
};

TEST_F(SettingsFilePosix, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string name = folder.file("tavix.cfg");
    const std::vector<std::uint8_t> old(128, 0x42);
    write_file_bytes(name, old);

    settings_file_result result;
    {
        file_size_limit limit(64);
        result = save_settings_file(name.c_str(), filled_record(0x99));
    }
    EXPECT_FALSE(result.ok);
    EXPECT_STREQ(result.message, "Could not write file");
    EXPECT_EQ(read_file_bytes(name), old);
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"tavix.cfg"});
}

TEST_F(SettingsFilePosix, FailedWriteOfANewFileCreatesNothing) {
    const std::string name = folder.file("new.cfg");
    settings_file_result result;
    {
        file_size_limit limit(64);
        result = save_settings_file(name.c_str(), filled_record(0x99));
    }
    EXPECT_STREQ(result.message, "Could not write file");
    EXPECT_TRUE(folder.listing().empty());
}

TEST_F(SettingsFilePosix, FailedReadLeavesTheRecord) {
    // The start of a process's own memory map is never mapped, so reading it fails.
    settings_record record = filled_record(0x33);
    const settings_file_result result = load_settings_file("/proc/self/mem", record);
    EXPECT_FALSE(result.ok);
    EXPECT_STREQ(result.message, "Could not read file");
    EXPECT_EQ(record, filled_record(0x33));
}

TEST_F(SettingsFilePosix, FifoIsRefusedWithoutWaitingForAWriter) {
    const std::string name = folder.file("pipe.cfg");
    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    settings_record record{};
    EXPECT_STREQ(load_settings_file(name.c_str(), record).message, "File not loaded ");
}

// A reader that holds the old file open goes on seeing the complete old
// record; it never sees a half-written one.
TEST_F(SettingsFilePosix, ReaderOfTheOldFileSeesItWhole) {
    const std::string name = folder.file("tavix.cfg");
    const std::vector<std::uint8_t> old(128, 0x42);
    write_file_bytes(name, old);
    const int reader = open(name.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);

    ASSERT_TRUE(save_settings_file(name.c_str(), filled_record(0x99)).ok);
    std::vector<std::uint8_t> seen(200);
    const ssize_t n = read(reader, seen.data(), seen.size());
    close(reader);
    ASSERT_EQ(n, 128);
    seen.resize(128);
    EXPECT_EQ(seen, old);
    EXPECT_EQ(read_file_bytes(name), std::vector<std::uint8_t>(128, 0x99));
}

TEST_F(SettingsFilePosix, ReplacementKeepsThePermissions) {
    const std::string name = folder.file("tavix.cfg");
    write_file_bytes(name, std::vector<std::uint8_t>(128, 0));
    ASSERT_EQ(chmod(name.c_str(), 0640), 0);
    ASSERT_TRUE(save_settings_file(name.c_str(), filled_record(1)).ok);
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
