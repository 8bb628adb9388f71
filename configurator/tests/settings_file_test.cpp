// Loading and saving settings files; the same source runs natively and under Wine.
#include "configurator/settings_file.h"

#include "configurator/tests/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return bytes;
}

settings_record filled_record(std::uint8_t value) {
    settings_record r;
    r.fill(value);
    return r;
}

std::vector<std::uint8_t> as_bytes(const settings_record& r) { return {r.begin(), r.end()}; }

class SettingsFile : public testing::Test {
protected:
    temp_folder folder;
};

struct load_size_case {
    std::size_t file_size;
};

class LoadSettingsFileSize : public SettingsFile, public testing::WithParamInterface<load_size_case> {};

TEST_P(LoadSettingsFileSize, ReplacesOnlyWhatTheFileHolds) {
    const std::size_t size = GetParam().file_size;
    const auto bytes = pattern(size, 1);
    const std::string name = folder.file("tavix.cfg");
    write_file_bytes(name, bytes);

    settings_record record = filled_record(0xAA);
    const settings_file_result result = load_settings_file(name.c_str(), record);
    ASSERT_TRUE(result.ok) << result.message;

    settings_record expected = filled_record(0xAA);
    std::copy_n(bytes.begin(), std::min(size, settings_record_size), expected.begin());
    EXPECT_EQ(record, expected);
}

INSTANTIATE_TEST_SUITE_P(EmptyShortExactLong, LoadSettingsFileSize,
                         testing::Values(load_size_case{0}, load_size_case{1}, load_size_case{10},
                                         load_size_case{127}, load_size_case{128},
                                         load_size_case{129}, load_size_case{300}));

TEST_F(SettingsFile, LoadOfWhatCannotBeOpenedLeavesTheRecord) {
    std::filesystem::create_directory(folder.path() / "folder.cfg");
    for (const std::string& name : {folder.file("missing.cfg"), folder.file("folder.cfg"),
                                   folder.file("no-such-folder/tavix.cfg"), std::string()}) {
        settings_record record = filled_record(0x5C);
        const settings_file_result result = load_settings_file(name.c_str(), record);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_STREQ(result.message, "File not loaded ") << name;
        EXPECT_EQ(record, filled_record(0x5C)) << name;
    }
}

// Every cut of a file, and every single corrupted byte, loads without fault:
// nothing past the cut changes, and what was read is taken as it stands.
TEST_F(SettingsFile, LoadCutOrCorruptedAtEveryOffset) {
    const auto full = pattern(160, 3);
    const std::string name = folder.file("cut.cfg");
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        write_file_bytes(name, std::vector<std::uint8_t>(full.begin(), full.begin() + cut));
        settings_record record = filled_record(0xEE);
        ASSERT_TRUE(load_settings_file(name.c_str(), record).ok) << "cut at " << cut;
        for (std::size_t i = 0; i < settings_record_size; ++i) {
            ASSERT_EQ(record[i], i < cut ? full[i] : 0xEE) << "cut at " << cut << ", byte " << i;
        }
    }
    for (std::size_t at = 0; at < settings_record_size; ++at) {
        auto corrupted = pattern(settings_record_size, 3);
        corrupted[at] ^= 0xFF;
        write_file_bytes(name, corrupted);
        settings_record record{};
        ASSERT_TRUE(load_settings_file(name.c_str(), record).ok) << "corrupt at " << at;
        ASSERT_EQ(as_bytes(record), corrupted) << "corrupt at " << at;
    }
}

TEST_F(SettingsFile, SaveWritesExactlyTheRecord) {
    const std::string name = folder.file("tavix.cfg");
    settings_record record;
    const auto bytes = pattern(settings_record_size, 9);
    std::copy(bytes.begin(), bytes.end(), record.begin());

    ASSERT_TRUE(save_settings_file(name.c_str(), record).ok);
    EXPECT_EQ(read_file_bytes(name), bytes);
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"tavix.cfg"});

    settings_record back{};
    ASSERT_TRUE(load_settings_file(name.c_str(), back).ok);
    EXPECT_EQ(back, record);
}

TEST_F(SettingsFile, SaveReplacesALongerFileWhole) {
    const std::string name = folder.file("tavix.cfg");
    write_file_bytes(name, pattern(300, 4));
    const settings_record record = filled_record(0x11);
    ASSERT_TRUE(save_settings_file(name.c_str(), record).ok);
    EXPECT_EQ(read_file_bytes(name), as_bytes(record));
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"tavix.cfg"});
}

// A save that cannot create or replace the file says so, and leaves the folder
// exactly as it was: no temporary file, the old target untouched.
TEST_F(SettingsFile, SaveThatCannotCreateOrReplaceLeavesEverythingAsItWas) {
    write_file_bytes(folder.file("plain.txt"), pattern(5, 5));
    std::filesystem::create_directory(folder.path() / "folder.cfg");
    write_file_bytes(folder.file("folder.cfg/inside"), pattern(3, 6));
    const auto before = folder.listing();

    for (const std::string& name :
         {folder.file("no-such-folder/tavix.cfg"), folder.file("plain.txt/tavix.cfg"),
          folder.file("folder.cfg")}) {
        const settings_file_result result = save_settings_file(name.c_str(), filled_record(1));
        EXPECT_FALSE(result.ok) << name;
        EXPECT_STREQ(result.message, "File not saved ") << name;
        EXPECT_EQ(folder.listing(), before) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "folder.cfg"));
    EXPECT_EQ(read_file_bytes(folder.file("plain.txt")), pattern(5, 5));
    EXPECT_EQ(read_file_bytes(folder.file("folder.cfg/inside")), pattern(3, 6));
}

}  // namespace
