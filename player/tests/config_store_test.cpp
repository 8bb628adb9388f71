#include "player/core/config_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace player {
namespace {

guid_key key(const char* text) {
    auto g = parse_guid(text);
    EXPECT_TRUE(g) << text;
    return g.value_or(guid_key{});
}

TEST(GuidText, ParsesAndFormatsTheBracedForm) {
    struct row {
        const char* in;
        const char* out;  // nullptr: rejected
    };
    const row rows[] = {
        {"{F7047F33-A595-4B15-8AE1-70629E4F9C79}", "{F7047F33-A595-4B15-8AE1-70629E4F9C79}"},
        {"{f7047f33-a595-4b15-8ae1-70629e4f9c79}", "{F7047F33-A595-4B15-8AE1-70629E4F9C79}"},
        {"CA0E104C-D972-4530-9071-957C2AB53719", "{CA0E104C-D972-4530-9071-957C2AB53719}"},
        {"{00000000-0000-0000-0000-000000000000}", "{00000000-0000-0000-0000-000000000000}"},
        {"{F7047F33-A595-4B15-8AE1-70629E4F9C7}", nullptr},    // one digit short
        {"{F7047F33-A595-4B15-8AE1-70629E4F9C79", nullptr},    // no closing brace
        {"F7047F33-A595-4B15-8AE1-70629E4F9C79}", nullptr},    // no opening brace
        {"{F7047F33A595-4B15-8AE1-70629E4F9C79-}", nullptr},   // dash misplaced
        {"{G7047F33-A595-4B15-8AE1-70629E4F9C79}", nullptr},   // not hex
        {"", nullptr},
        {"{}", nullptr},
    };
    for (const row& r : rows) {
        auto g = parse_guid(r.in);
        if (!r.out) {
            EXPECT_FALSE(g) << r.in;
            continue;
        }
        ASSERT_TRUE(g) << r.in;
        EXPECT_EQ(format_guid(*g), r.out);
    }
    // Field order decides the byte layout: data1 is one 32-bit number.
    auto g = key("{01020304-0506-0708-090A-0B0C0D0E0F10}");
    EXPECT_EQ(g.data1, 0x01020304u);
    EXPECT_EQ(g.data2, 0x0506);
    EXPECT_EQ(g.data3, 0x0708);
    EXPECT_EQ(g.data4[0], 0x09);
    EXPECT_EQ(g.data4[7], 0x10);
}

TEST(ConfigStore, TextRoundTripKeepsEveryValueIncludingEmptyOnes) {
    config_store store;
    store.set(key("{F7047F33-A595-4B15-8AE1-70629E4F9C79}"), {0x01});
    store.set(key("{66D9E027-A2BB-4FEB-BF2B-5B726BEDF845}"), {0x80, 0x25, 0x00, 0x00});
    store.set(key("{CA0E104C-D972-4530-9071-957C2AB5371A}"), {});
    store.set(key("{CA0E104C-D972-4530-9071-957C2AB53719}"), config_bytes(88, 0xAB));
    const std::string text = format_config(store);
    EXPECT_NE(text.find("{F7047F33-A595-4B15-8AE1-70629E4F9C79} 01\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{66D9E027-A2BB-4FEB-BF2B-5B726BEDF845} 80250000\n"), std::string::npos) << text;
    std::vector<config_problem> problems;
    config_store back = parse_config(text, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(back.entries(), store.entries());
}

TEST(ConfigStore, BadLinesAreReportedAndSkippedTheRestIsKept) {
    const std::string text =
        "# comment\r\n"
        "\r\n"
        "  {F7047F33-A595-4B15-8AE1-70629E4F9C79} 01\r\n"
        "not-a-guid 01\n"
        "{F7047F33-A595-4B15-8AE1-70629E4F9C78} 0\n"
        "{F7047F33-A595-4B15-8AE1-70629E4F9C77} zz\n"
        "{F7047F33-A595-4B15-8AE1-70629E4F9C76} 04 00 00 00\n"
        "{F7047F33-A595-4B15-8AE1-70629E4F9C79} 00\n"
        "{F7047F33-A595-4B15-8AE1-70629E4F9C75}";
    std::vector<config_problem> problems;
    config_store store = parse_config(text, problems);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].line, 4);
    EXPECT_EQ(problems[1].line, 5);
    EXPECT_EQ(problems[2].line, 6);
    EXPECT_EQ(problems[3].line, 8);
    EXPECT_NE(problems[3].message.find("repeated"), std::string::npos);
    ASSERT_EQ(store.entries().size(), 3u);
    EXPECT_EQ(*store.find(key("{F7047F33-A595-4B15-8AE1-70629E4F9C79}")), config_bytes{0x00});
    EXPECT_EQ(*store.find(key("{F7047F33-A595-4B15-8AE1-70629E4F9C76}")), (config_bytes{4, 0, 0, 0}));
    EXPECT_EQ(*store.find(key("{F7047F33-A595-4B15-8AE1-70629E4F9C75}")), config_bytes{});
}

// A file cut anywhere (a crash while someone else wrote it, a full disk)
// still yields every line that was complete, unchanged.
TEST(ConfigStore, ACutFileKeepsEveryCompleteLine) {
    config_store store;
    for (int i = 0; i < 5; ++i) {
        guid_key g = key("{CA0E104C-D972-4530-9071-957C2AB53719}");
        g.data4[7] = static_cast<std::uint8_t>(i);
        store.set(g, config_bytes(static_cast<std::size_t>(i * 3), static_cast<std::uint8_t>(i)));
    }
    const std::string full = format_config(store);
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        const std::string part = full.substr(0, cut);
        std::vector<config_problem> problems;
        config_store got = parse_config(part, problems);
        const std::size_t complete_end = part.rfind('\n');
        std::vector<config_problem> none;
        config_store complete = parse_config(part.substr(0, complete_end == std::string::npos ? 0 : complete_end + 1), none);
        for (const auto& [id, value] : complete.entries()) {
            ASSERT_TRUE(got.find(id)) << "cut at " << cut;
            EXPECT_EQ(*got.find(id), value) << "cut at " << cut;
            EXPECT_EQ(*store.find(id), value) << "cut at " << cut;
        }
        EXPECT_LE(got.entries().size(), complete.entries().size() + 1) << "cut at " << cut;
    }
}

struct temp_file {
    std::string path;
    explicit temp_file(const char* name) : path(std::string(::testing::TempDir()) + name) {
        std::remove(path.c_str());
    }
    ~temp_file() {
        std::remove(path.c_str());
        std::remove((path + ".new").c_str());
    }
};

TEST(ConfigFile, MissingFileIsAFreshStartAndSavesReplaceTheOldFile) {
    temp_file file("player_config_test.cfg");
    config_store store;
    std::vector<config_problem> problems;
    std::string error;
    EXPECT_EQ(load_config_file(file.path, store, problems, error), config_load::missing);
    EXPECT_TRUE(store.empty());

    const guid_key enable = key("{F7047F33-A595-4B15-8AE1-70629E4F9C79}");
    store.set(enable, {1});
    ASSERT_TRUE(save_config_file(file.path, store, error)) << error;
    store.set(enable, {0});
    ASSERT_TRUE(save_config_file(file.path, store, error)) << error;

    config_store back;
    EXPECT_EQ(load_config_file(file.path, back, problems, error), config_load::loaded);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(back.entries(), store.entries());
    EXPECT_FALSE(std::ifstream(file.path + ".new").good());
}

TEST(ConfigFile, SaveIntoAMissingFolderFailsWithAReason) {
    config_store store;
    std::string error;
    const std::string path = std::string(::testing::TempDir()) + "no-such-folder-here/player.cfg";
    EXPECT_FALSE(save_config_file(path, store, error));
    EXPECT_NE(error.find("no-such-folder-here"), std::string::npos) << error;
}

}  // namespace
}  // namespace player
