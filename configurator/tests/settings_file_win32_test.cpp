// Failures of the settings file that only Windows can be made to show.
#include "configurator/settings_file.h"

#include "configurator/tests/temp_folder.h"
#include "configurator/win32.h"

#include <gtest/gtest.h>

namespace {

settings_record filled_record(std::uint8_t value) {
    settings_record r;
    r.fill(value);
    return r;
}

class SettingsFileWin32 : public testing::Test {
protected:
    temp_folder folder;
};

// Another program has the old file open and does not allow it to be deleted
// or renamed over: the save fails and the old file is exactly as it was.
TEST_F(SettingsFileWin32, TargetHeldOpenByAnotherOpener) {
    const std::string name = folder.file("tavix.cfg");
    const std::vector<std::uint8_t> old(128, 0x42);
    write_file_bytes(name, old);
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    const settings_file_result result = save_settings_file(name.c_str(), filled_record(0x99));
    CloseHandle(other);
    EXPECT_FALSE(result.ok);
    EXPECT_STREQ(result.message, "File not saved ");
    EXPECT_EQ(read_file_bytes(name), old);
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"tavix.cfg"});
}

// The load opens without sharing, so a file another program has open is not loaded.
TEST_F(SettingsFileWin32, LoadOfAFileHeldOpenByAnotherOpener) {
    const std::string name = folder.file("tavix.cfg");
    write_file_bytes(name, std::vector<std::uint8_t>(128, 0x42));
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    settings_record record = filled_record(0x33);
    const settings_file_result result = load_settings_file(name.c_str(), record);
    CloseHandle(other);
    EXPECT_STREQ(result.message, "File not loaded ");
    EXPECT_EQ(record, filled_record(0x33));
}

TEST_F(SettingsFileWin32, ReadOnlyTargetIsNotReplaced) {
    const std::string name = folder.file("tavix.cfg");
    const std::vector<std::uint8_t> old(128, 0x42);
    write_file_bytes(name, old);
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
    const settings_file_result result = save_settings_file(name.c_str(), filled_record(0x99));
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_STREQ(result.message, "File not saved ");
    EXPECT_EQ(read_file_bytes(name), old);
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"tavix.cfg"});
}

}  // namespace
